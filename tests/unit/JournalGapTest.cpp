// A journal that lost bytes while its disk and its memory were both full
// replays to the readings the live run numbered: every reading it still
// holds keeps its number and its record, the missing ones are named, and no
// record is ever made of bytes from both sides of a gap.
#include <gtest/gtest.h>

#include <QBuffer>
#include <map>
#include <random>

#include "link/CaptureReplay.h"
#include "meter/Transfer.h"
#include "tools/sim/SimRecords.h"

namespace orbek {
namespace {

struct Collected : ReadingSink {
  void OnReading(const Reading& r) override { readings[r.number] = r; }
  void OnOutOfStep(const Reading& r) override { readings[r.number] = r; }
  void OnStepRegained(const StepLoss&) override {}
  void OnEnd(const MeterRecord&) override {}
  std::map<std::int64_t, Reading> readings;
};

std::vector<std::uint8_t> Stream(std::size_t count, unsigned seed) {
  std::vector<std::uint8_t> bytes;
  for (const auto& record : sim::GenerateRecords(count, seed))
    bytes.insert(bytes.end(), record.begin(), record.end());
  return bytes;
}

TEST(JournalGapTest, AReplayKeepsTheLiveNumbersAndNamesWhatTheGapsTook) {
  std::mt19937 random(20261209);
  for (int trial = 0; trial < 300; ++trial) {
    SCOPED_TRACE(trial);
    const std::vector<std::uint8_t> stream = Stream(200, static_cast<unsigned>(trial));
    Collected live;
    ReadingPipeline pipeline(live);
    pipeline.Feed(stream, kUnknownTime);
    pipeline.Flush();

    // One to three gaps of any length at any byte, kept apart by at least
    // a byte, as a journal records them.
    std::vector<Journal::Gap> gaps;
    QByteArray kept;
    std::size_t at = 0;
    const int count = 1 + static_cast<int>(random() % 3);
    for (int g = 0; g < count && at < stream.size(); ++g) {
      const std::size_t start = at + 1 + random() % 600;
      const std::size_t length = 1 + random() % (g == 0 ? 300 : 40);
      if (start + length > stream.size()) break;
      kept.append(reinterpret_cast<const char*>(stream.data() + at),
                  static_cast<qsizetype>(start - at));
      gaps.push_back({static_cast<std::uint64_t>(kept.size()), length});
      at = start + length;
    }
    kept.append(reinterpret_cast<const char*>(stream.data() + at),
                static_cast<qsizetype>(stream.size() - at));

    QBuffer journal(&kept);
    journal.open(QIODevice::ReadOnly);
    Collected replayed;
    const ReplayResult result = ReplayCapture(journal, false, replayed, {}, {}, gaps);

    std::set<std::int64_t> missing;
    for (const auto& gap : result.missing)
      for (std::int64_t n = gap.first; n < gap.first + gap.count; ++n)
        missing.insert(n);
    for (const auto& [number, reading] : replayed.readings) {
      ASSERT_TRUE(live.readings.contains(number)) << number;
      EXPECT_EQ(reading.record.bytes(), live.readings[number].record.bytes()) << "reading " << number;
      EXPECT_FALSE(missing.contains(number)) << number;
    }
    for (const auto& [number, reading] : live.readings)
      EXPECT_TRUE(replayed.readings.contains(number) || missing.contains(number))
          << "reading " << number << " neither replayed nor named";
    // The first reading after each run of missing ones counts them.
    for (const auto& gap : result.missing) {
      const auto after = replayed.readings.find(gap.first + gap.count);
      if (after != replayed.readings.end()) {
        EXPECT_GE(after->second.lostBefore, static_cast<std::size_t>(gap.count));
      }
    }
  }
}

}  // namespace
}  // namespace orbek
