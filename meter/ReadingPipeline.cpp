#include "meter/ReadingPipeline.h"

#include <algorithm>
#include <utility>

#include "meter/Transfer.h"

namespace orbek {

namespace {

// "1 reading was" or "3 readings were", appended to `text`. Texts are built
// by appending only: GCC 12 warns, wrongly, about a literal put in front of
// a string.
void AppendCounted(std::string& text, std::size_t count, const char* one, const char* many) {
  text += std::to_string(count);
  text += ' ';
  text += count == 1 ? one : many;
}

}  // namespace

void StepLoss::Note(const RecordAligner::Event& skip, std::int64_t nextRow) {
  ++times;
  skippedBytes += skip.skipped;
  lostReadings += skip.lost;
  if (skip.lost > 0) lostAfterRows.push_back(nextRow > 0 ? nextRow - 1 : -1);
  for (auto row = nextRow - static_cast<std::int64_t>(skip.misframed); row < nextRow; ++row)
    wrongRows.insert(row);
  if (skip.doubtful) wrongRows.insert(nextRow);
}

std::string StepLoss::Describe() const {
  std::string text =
      "The meter's records fell out of step on the line and were brought back in step";
  if (times == 1) {
    text += ". ";
  } else {
    text += " (";
    text += std::to_string(times);
    text += " times). ";
  }
  if (!wrongRows.empty()) {
    text += wrongRows.size() == 1 ? "Row " : "Rows ";
    text += RowRanges(wrongRows);
    text += " may show wrong readings. ";
  }
  if (lostReadings > 0) {
    std::set<std::int64_t> after(lostAfterRows.begin(), lostAfterRows.end());
    const bool beforeFirst = after.erase(-1) > 0;
    AppendCounted(text, lostReadings, "reading was", "readings were");
    text += " lost (";
    if (beforeFirst) text += "before the first row";
    if (beforeFirst && !after.empty()) text += ", ";
    if (!after.empty()) {
      text += "after row ";
      text += RowRanges(after);
    }
    text += "). ";
  }
  AppendCounted(text, skippedBytes, "byte was", "bytes were");
  text += " skipped; every other reading is as the meter sent it.";
  return text;
}

void ReadingPipeline::Reset() {
  aligner_.Reset();
  events_.clear();
  loss_ = {};
  next_ = 0;
  lostBeforeNext_ = 0;
  recent_.clear();
}

void ReadingPipeline::Feed(std::span<const std::uint8_t> bytes,
                           std::chrono::system_clock::time_point arrived) {
  arrived_ = arrived;
  aligner_.Feed(bytes, events_);
  Dispatch();
}

std::size_t ReadingPipeline::Flush() {
  const std::size_t left = aligner_.Flush(events_);
  Dispatch();
  return left;
}

std::uint64_t ReadingPipeline::Gap(std::uint64_t bytes) {
  const std::uint64_t lost = aligner_.Gap(bytes, events_);
  Dispatch();
  next_ += static_cast<std::int64_t>(lost);
  lostBeforeNext_ += static_cast<std::size_t>(lost);
  return lost;
}

void ReadingPipeline::NextTransfer() {
  const std::vector<std::uint8_t> rest = aligner_.RestAfterEnd();
  aligner_.Reset();
  aligner_.Feed(rest, events_);
  Dispatch();
}

void ReadingPipeline::Dispatch() {
  // Taken one by one from a list the sink may not touch: a sink that ends
  // the transfer on the end record stops nothing here.
  std::vector<RecordAligner::Event> events;
  events.swap(events_);
  for (const auto& event : events) {
    switch (event.kind) {
      case RecordAligner::Event::Kind::Record:
        Deliver(event.record);
        break;
      case RecordAligner::Event::Kind::Skipped:
        Regain(event);
        break;
      case RecordAligner::Event::Kind::End:
        sink_.OnEnd(event.record);
        break;
    }
  }
  // The list's room is kept for the next read, unless the sink fed more.
  events.clear();
  if (events_.empty()) events_.swap(events);
}

void ReadingPipeline::Deliver(const MeterRecord& record) {
  Reading reading{next_++, record, DecodeRecord(record), arrived_, false,
                  std::exchange(lostBeforeNext_, 0)};
  reading.outOfStep = loss_.wrongRows.contains(reading.number);
  recent_.push_back({reading.number, record, arrived_, reading.lostBefore});
  if (recent_.size() > RecordAligner::kMostHeld) recent_.erase(recent_.begin());
  sink_.OnReading(reading);
}

// The readings the skip shows to have been framed wrongly went out
// unmarked: they go again, marked, before the loss is reported.
void ReadingPipeline::Regain(const RecordAligner::Event& skip) {
  const std::set<std::int64_t> before = loss_.wrongRows;
  loss_.Note(skip, next_);
  lostBeforeNext_ += skip.lost;
  for (const Recent& earlier : recent_) {
    if (!loss_.wrongRows.contains(earlier.number) || before.contains(earlier.number)) continue;
    sink_.OnOutOfStep(Reading{earlier.number, earlier.record, DecodeRecord(earlier.record),
                              earlier.received, true, earlier.lostBefore});
  }
  sink_.OnStepRegained(loss_);
}

}  // namespace orbek
