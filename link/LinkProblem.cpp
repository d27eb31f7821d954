#include "link/LinkProblem.h"

namespace orbek {

QString LinkProblem::Text() const {
  switch (kind) {
    case Kind::StopMayNotHaveLeft:
      return QStringLiteral("The stop command may not have reached the meter (%1); it may still "
                            "be sending")
          .arg(reason);
    case Kind::StopNotSent:
      return QStringLiteral("The stop command could not be sent to %1: %2").arg(subject, reason);
    case Kind::PortFailed:
      return QStringLiteral("Reading from or writing to %1 failed: %2").arg(subject, reason);
    case Kind::JournalHolding:
      return QStringLiteral("Cannot write the journal %1 from reading %2 on: %3; the bytes wait "
                            "in memory (up to %4) until it takes them")
          .arg(subject)
          .arg(reading)
          .arg(reason, limit);
    case Kind::JournalDropping:
      return QStringLiteral("The journal %1 still cannot be written (%2) and the memory set aside "
                            "for it is full: readings from %3 on are not kept in it")
          .arg(subject, reason)
          .arg(reading);
  }
  return reason;
}

}  // namespace orbek
