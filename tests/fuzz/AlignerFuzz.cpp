// libFuzzer target: any bytes, fed in any pieces, pass through the aligner
// without a crash, give the events they give fed whole, and every byte is
// accounted for: passed on in a record, skipped, left over at the end, or
// after the end record. The same bytes through the reading pipeline give
// one reading a record, numbered in order, and correct only readings that
// went out already.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "meter/ReadingPipeline.h"
#include "meter/RecordAligner.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

class Numbers : public orbek::ReadingSink {
 public:
  void OnReading(const orbek::Reading& reading) override {
    Check(!ended && reading.number == delivered++);
  }
  void OnOutOfStep(const orbek::Reading& corrected) override {
    Check(corrected.outOfStep && corrected.number < delivered);
  }
  void OnStepRegained(const orbek::StepLoss& loss) override { Check(loss.times > 0); }
  void OnEnd(const orbek::MeterRecord& end) override {
    Check(orbek::IsEndOfTransfer(end));
    ended = true;
  }
  std::int64_t delivered = 0;
  bool ended = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte chooses the size of the pieces, as the line delivers them.
  const std::size_t piece = 1 + data[0] % 40;
  const std::span<const std::uint8_t> bytes(data + 1, size - 1);
  orbek::RecordAligner aligner;
  std::vector<orbek::RecordAligner::Event> events;
  for (std::size_t at = 0; at < bytes.size(); at += piece)
    aligner.Feed(bytes.subspan(at, std::min(piece, bytes.size() - at)), events);
  const std::size_t left = aligner.Flush(events);
  orbek::RecordAligner whole;
  std::vector<orbek::RecordAligner::Event> wholeEvents;
  whole.Feed(bytes, wholeEvents);
  Check(whole.Flush(wholeEvents) == left && wholeEvents.size() == events.size());
  for (std::size_t i = 0; i < events.size(); ++i)
    Check(wholeEvents[i].kind == events[i].kind && wholeEvents[i].skipped == events[i].skipped &&
          wholeEvents[i].lost == events[i].lost &&
          wholeEvents[i].record.bytes() == events[i].record.bytes());
  std::size_t accounted = left + aligner.RestAfterEnd().size();
  bool ended = false;
  for (const auto& event : events) {
    Check(!ended);  // nothing after the end record
    switch (event.kind) {
      case orbek::RecordAligner::Event::Kind::Record:
        accounted += orbek::kMeterRecordSize;
        break;
      case orbek::RecordAligner::Event::Kind::Skipped:
        // A burst of noise as long as the held records allow.
        Check(event.skipped > 0 &&
              event.skipped < (orbek::RecordAligner::kMostHeld + 1) * orbek::kMeterRecordSize);
        accounted += event.skipped;
        break;
      case orbek::RecordAligner::Event::Kind::End:
        accounted += orbek::kMeterRecordSize;
        ended = true;
        break;
    }
  }
  Check(accounted == bytes.size());
  Check(left < orbek::kMeterRecordSize);

  Numbers numbers;
  orbek::ReadingPipeline pipeline(numbers);
  for (std::size_t at = 0; at < bytes.size(); at += piece)
    pipeline.Feed(bytes.subspan(at, std::min(piece, bytes.size() - at)));
  Check(pipeline.Flush() == left);
  const auto records =
      static_cast<std::int64_t>(std::count_if(events.begin(), events.end(), [](const auto& e) {
        return e.kind == orbek::RecordAligner::Event::Kind::Record;
      }));
  Check(numbers.delivered == records && pipeline.Count() == records);
  Check(numbers.ended == ended);
  return 0;
}
