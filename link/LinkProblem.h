#pragma once

#include <QString>
#include <cstdint>

namespace orbek {

// Something on the line or in the journal the user should hear of, as
// what happened and its particulars: each program words it itself,
// orbek-log in English (Text), the window in its own language.
struct LinkProblem {
  enum class Kind {
    StopMayNotHaveLeft,  // the stop byte may still be in the port's buffer
    StopNotSent,         // the stop byte could not be sent at the end record
    PortFailed,          // reading from or writing to the port failed
    JournalHolding,      // the journal's file refuses bytes; they wait in memory
    JournalDropping,     // and memory is full too: bytes are not kept
  };
  Kind kind = Kind::PortFailed;
  QString subject;           // the port, or the journal's path as shown
  QString reason;            // why, as the system or the port said it
  std::int64_t reading = 0;  // the journal's: from this reading on
  QString limit;             // the journal's: the memory set aside ("64 MiB")

  // In English, as orbek-log prints it.
  QString Text() const;
};

}  // namespace orbek
