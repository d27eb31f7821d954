#pragma once

#include <QIODevice>
#include <cstdint>
#include <functional>

#include "link/MeterSession.h"
#include "meter/RecordDecoder.h"

namespace orbek {

struct ReplayResult {
  std::int64_t readings = 0;
  int transfers = 0;             // that ended in an end record
  std::size_t partialBytes = 0;  // at the end, too few for a record
  std::size_t afterEnd = 0;      // bytes after the last end record decoded
  bool stopped = false;          // asked to stop before the end
  StepLoss loss;
};

// Turns a raw capture into readings the way a session turns the line's
// bytes: through the same aligner, so a capture replays to the readings it
// gave live. Reads in pieces. Stops at the first end record, or with `all`
// goes on with the next transfer, numbering on. `onSkip` hears of every
// skip with the loss so far. `stop` is asked between pieces; true ends the
// replay there.
ReplayResult ReplayCapture(
    QIODevice& capture, bool all,
    const std::function<void(std::int64_t, const DecodedReading&)>& onReading,
    const std::function<void(const StepLoss&)>& onSkip, const std::function<bool()>& stop = {});

}  // namespace orbek
