#pragma once

#include <QIODevice>
#include <QString>
#include <cstdint>
#include <functional>

#include "meter/ReadingPipeline.h"
#include "storage/Journal.h"

namespace orbek {

struct ReplayResult {
  std::int64_t readings = 0;
  int transfers = 0;             // that ended in an end record
  std::size_t partialBytes = 0;  // at the end, too few for a record
  std::size_t afterEnd = 0;      // bytes after the last end record decoded
  bool stopped = false;          // asked to stop before the end
  QString readError;             // the capture could not be read to its end: why
  StepLoss loss;
  // Readings the journal's gaps took: `count` numbers from `first`.
  struct Missing {
    std::int64_t first = 0, count = 0;
  };
  std::vector<Missing> missing;
};

// Turns a raw capture into readings through the ReadingPipeline a live
// session runs, so a journal replays to the readings the transfer gave.
// Reads in pieces. Stops at the first end record, or with `all` goes on
// with the next transfer, numbering on. `stop` is asked between pieces;
// true ends the replay there. A read that fails ends the replay with the
// reason in `readError`; what came before it has been delivered.
// `tail`, bytes that belong after the device's (a journal's bytes still in
// memory), is replayed after them; `gaps` are where a journal lost bytes.
ReplayResult ReplayCapture(QIODevice& capture, bool all, ReadingSink& sink,
                           const std::function<bool()>& stop = {}, const QByteArray& tail = {},
                           const std::vector<Journal::Gap>& gaps = {});

}  // namespace orbek
