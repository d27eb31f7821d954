// The aligner over a corpus of well-formed and damaged streams.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "meter/RecordAligner.h"
#include "tools/sim/SimRecords.h"

namespace orbek {
namespace {

using sim::RecordBytes;
using Kind = RecordAligner::Event::Kind;
using Stream = std::vector<RecordBytes>;

std::vector<std::uint8_t> Bytes(const Stream& records) {
  std::vector<std::uint8_t> bytes;
  for (const auto& record : records)
    bytes.insert(bytes.end(), record.begin(), record.end());
  return bytes;
}

struct Outcome {
  Stream records;  // passed on, in order
  std::size_t skips = 0, skipped = 0, lost = 0, misframed = 0;
  std::size_t firstSkipAfter = 0;  // records passed on before the first skip
  bool ended = false;
  bool recordAfterEnd = false;
  bool doubtful = false;  // the first record after the first skip
};

// Feeds the bytes in chunks of `chunk` (the port hands on 12 at a time) and
// flushes at the end, as a capture's end does.
Outcome Align(const std::vector<std::uint8_t>& bytes, std::size_t chunk = 12) {
  RecordAligner aligner;
  std::vector<RecordAligner::Event> events;
  for (std::size_t at = 0; at < bytes.size(); at += chunk)
    aligner.Feed(std::span(bytes).subspan(at, std::min(chunk, bytes.size() - at)), events);
  aligner.Flush(events);
  Outcome outcome;
  for (const auto& event : events) {
    if (outcome.ended) outcome.recordAfterEnd = true;
    switch (event.kind) {
      case Kind::Record:
        outcome.records.push_back(event.record.bytes());
        break;
      case Kind::End:
        outcome.ended = true;
        break;
      case Kind::Skipped:
        if (outcome.skips++ == 0) outcome.firstSkipAfter = outcome.records.size();
        outcome.skipped += event.skipped;
        outcome.lost += event.lost;
        outcome.misframed += event.misframed;
        if (outcome.skips == 1) outcome.doubtful = event.doubtful;
        break;
    }
  }
  return outcome;
}

sim::SimReading At(int year, int month, int day, int hour, int minute, int second) {
  sim::SimReading start;
  start.year = year;
  start.month = month;
  start.day = day;
  start.hour = hour;
  start.minute = minute;
  start.second = second;
  return start;
}

// Every stream a meter in good order may send: realistic transfers at every
// interval, clocks never set or set to nonsense, every mode mixed, 0xBB in
// any byte but the year, clocks that jump, years that turn, random bytes.
std::vector<Stream> WellFormedCorpus() {
  std::vector<Stream> corpus;
  const int steps[] = {1, 10, 30, 60, 600, 1800};
  for (unsigned seed = 1; seed <= 30; ++seed)
    for (const int step : steps)
      corpus.push_back(sim::GenerateRecords(40, seed, step));
  corpus.push_back(sim::GenerateRecords(60, 3, 10, At(2019, 12, 31, 23, 55, 0)));
  corpus.push_back(sim::GenerateRecords(60, 4, 1800, At(2024, 2, 28, 20, 0, 0)));
  corpus.push_back(sim::GenerateRecords(60, 5, 0));  // one stamp for every reading

  // Clocks never set, or set to what no calendar has.
  const std::vector<std::pair<std::size_t, std::uint8_t>> oddFields[] = {
      {{6, 0}, {7, 0}, {8, 0}, {9, 0}, {10, 0}, {11, 0}},
      {{6, 13}},
      {{8, 99}},
      {{7, 186}},
      {{6, 13}, {8, 99}, {7, 186}},
      {{9, 0}},
      {{10, 0xFF}, {11, 0xFF}},
  };
  for (const auto& fields : oddFields)
    for (unsigned seed = 1; seed <= 10; ++seed) {
      Stream stream = sim::GenerateRecords(40, seed, 10);
      for (auto& record : stream)
        for (const auto& [offset, value] : fields)
          record[offset] = value;
      corpus.push_back(stream);
    }

  // 0xBB in each byte but byte 7.
  for (std::size_t offset = 0; offset < 12; ++offset) {
    if (offset == 7) continue;
    Stream stream = sim::GenerateRecords(40, static_cast<unsigned>(offset) + 1, 10);
    for (std::size_t i = 0; i < stream.size(); i += 3)
      stream[i][offset] = 0xBB;
    corpus.push_back(stream);
  }

  // The edge records of every format, in many orders.
  Stream edges;
  for (const auto& record : sim::GenerateRecords(12, 9, 1))
    edges.push_back(record);
  for (const char* hex :
       {"82 01 BC 02 FA 00 0C 63 17 1F 3B 3B", "82 01 BC 02 FA 00 00 00 00 00 00 00",
        "82 01 BC 02 FA 00 00 00 64 00 00 00", "82 01 BC 02 FA 00 0D FF 63 FF FF 0A",
        "82 01 BC 02 FA 00 01 BA 00 01 00 00", "0B FF FF FF FA 00 05 11 08 12 2E 09",
        "C8 09 FF FF FF 7F 05 11 08 12 2E 09", "00 00 00 00 00 80 05 11 08 12 2E 09"})
    edges.push_back(sim::ParseHexRecords(hex).front());
  std::mt19937 shuffle(11);
  for (int order = 0; order < 40; ++order) {
    std::shuffle(edges.begin(), edges.end(), shuffle);
    corpus.push_back(edges);
  }

  // A clock set while the meter records.
  for (unsigned seed = 1; seed <= 10; ++seed) {
    Stream stream = sim::GenerateRecords(20, seed, 10);
    const Stream later = sim::GenerateRecords(20, seed + 100, 10, At(2023, 1, 2, 3, 4, 5));
    stream.insert(stream.end(), later.begin(), later.end());
    corpus.push_back(stream);
  }

  // Random bytes, never 0xBB in byte 7.
  std::mt19937 random(5);
  for (int i = 0; i < 50; ++i) {
    Stream stream(40);
    for (auto& record : stream)
      for (std::size_t b = 0; b < 12; ++b)
        record[b] = static_cast<std::uint8_t>(b == 7 ? random() % 187 : random() % 256);
    corpus.push_back(stream);
  }
  return corpus;
}

TEST(RecordAlignerTest, WellFormedStreamsPassUntouchedInAnyChunking) {
  const auto corpus = WellFormedCorpus();
  std::size_t falseAlarms = 0, records = 0;
  for (std::size_t i = 0; i < corpus.size(); ++i) {
    auto bytes = Bytes(corpus[i]);
    const auto end = sim::EndRecord();
    bytes.insert(bytes.end(), end.begin(), end.end());
    for (const std::size_t chunk : {std::size_t{12}, std::size_t{1}, std::size_t{7}}) {
      const Outcome outcome = Align(bytes, chunk);
      const bool untouched = outcome.skips == 0 && outcome.records == corpus[i] && outcome.ended;
      falseAlarms += untouched ? 0 : 1;
      EXPECT_TRUE(untouched) << "stream " << i << " in chunks of " << chunk << ": " << outcome.skips
                             << " skips, " << outcome.records.size() << " of " << corpus[i].size()
                             << " records";
      records += corpus[i].size();
    }
  }
  std::printf("aligner: %zu false alarms in %zu well-formed streams (%zu records)\n", falseAlarms,
              corpus.size() * 3, records);
}

struct Damage {
  const char* what;
  std::size_t record;  // the first record it touches
  std::function<void(std::vector<std::uint8_t>&)> apply;
};

// Checks that a damaged stream is back in step within 8 records of the
// damage, that every record from then on is what the meter sent, that one
// skip says so, and that the end record ends it.
void ExpectRecovered(const Stream& sent, const Damage& damage) {
  auto bytes = Bytes(sent);
  damage.apply(bytes);
  const auto end = sim::EndRecord();
  bytes.insert(bytes.end(), end.begin(), end.end());
  const Outcome outcome = Align(bytes);
  SCOPED_TRACE(damage.what);
  EXPECT_EQ(outcome.skips, 1u);
  EXPECT_TRUE(outcome.ended);
  ASSERT_GE(outcome.records.size(), outcome.firstSkipAfter);
  // After the skip: a run of what was sent, reaching the last record.
  const std::size_t firstGood = outcome.firstSkipAfter + (outcome.doubtful ? 1 : 0);
  const Stream after(outcome.records.begin() + static_cast<std::ptrdiff_t>(firstGood),
                     outcome.records.end());
  ASSERT_FALSE(after.empty());
  const auto from = std::find(sent.begin(), sent.end(), after.front());
  ASSERT_NE(from, sent.end()) << "a record after the skip was never sent";
  EXPECT_LE(from - sent.begin(), static_cast<std::ptrdiff_t>(damage.record + 8));
  EXPECT_TRUE(std::equal(after.begin(), after.end(), from, sent.end()));
  EXPECT_EQ(static_cast<std::size_t>(sent.end() - from), after.size()) << "records went missing";
}

TEST(RecordAlignerTest, DamagedStreamsComeBackInStepWithinEightRecords) {
  std::mt19937 random(17);
  std::size_t streams = 0;
  for (unsigned seed = 1; seed <= 12; ++seed) {
    const int step = seed % 2 == 0 ? 1 : 600;
    const Stream sent = sim::GenerateRecords(40, seed, step);
    for (std::size_t lost = 0; lost < 12; ++lost) {
      const std::size_t record = 3 + random() % 25;
      ExpectRecovered(sent, {"one byte lost", record, [&](auto& bytes) {
                               bytes.erase(bytes.begin() + static_cast<long>(record * 12 + lost));
                             }});
      ExpectRecovered(sent, {"one byte added", record, [&](auto& bytes) {
                               bytes.insert(bytes.begin() + static_cast<long>(record * 12 + lost),
                                            static_cast<std::uint8_t>(random()));
                             }});
      streams += 2;
    }
    for (const std::size_t burst : {13, 17, 29}) {
      const std::size_t record = 3 + random() % 25;
      ExpectRecovered(sent, {"a burst of noise", record, [&](auto& bytes) {
                               std::vector<std::uint8_t> noise(burst);
                               for (auto& byte : noise)
                                 byte = static_cast<std::uint8_t>(random());
                               bytes.insert(bytes.begin() + static_cast<long>(record * 12),
                                            noise.begin(), noise.end());
                             }});
      ++streams;
    }
    for (std::size_t stray = 1; stray <= 11; ++stray) {
      ExpectRecovered(sent, {"stray bytes first", 0, [&](auto& bytes) {
                               std::vector<std::uint8_t> noise(stray);
                               for (auto& byte : noise)
                                 byte = static_cast<std::uint8_t>(random());
                               bytes.insert(bytes.begin(), noise.begin(), noise.end());
                             }});
      ++streams;
    }
  }
  std::printf("aligner: %zu damaged streams recovered\n", streams);
}

TEST(RecordAlignerTest, AnEndMarkerOutOfStepDoesNotEndTheTransfer) {
  // Five stray bytes put byte 2 of each record (the value's low byte) where
  // the year belongs; some values have 0xBB there.
  for (unsigned seed = 1; seed <= 20; ++seed) {
    Stream sent = sim::GenerateRecords(60, seed, 1);
    for (std::size_t i = seed % 3; i < sent.size(); i += 3)
      sent[i][2] = 0xBB;
    auto bytes = Bytes(sent);
    bytes.insert(bytes.begin(), 5, 0x5A);
    const auto end = sim::EndRecord();
    bytes.insert(bytes.end(), end.begin(), end.end());
    const Outcome outcome = Align(bytes);
    EXPECT_TRUE(outcome.ended) << seed;
    EXPECT_FALSE(outcome.recordAfterEnd) << seed;
    ASSERT_GE(outcome.records.size(), 55u) << seed;
    EXPECT_EQ(outcome.records.back(), sent.back()) << seed;
  }
}

TEST(RecordAlignerTest, SkipsSayWhatWasAffected) {
  const Stream sent = sim::GenerateRecords(30, 6, 10);
  auto lostOne = Bytes(sent);
  lostOne.erase(lostOne.begin() + 5 * 12 + 3);
  const Outcome lost = Align(lostOne);
  EXPECT_EQ(lost.skipped, 11u);
  EXPECT_EQ(lost.lost, 1u) << "the record that lost a byte";
  EXPECT_EQ(lost.misframed, 0u);
  EXPECT_EQ(lost.firstSkipAfter, 5u);
  EXPECT_EQ(lost.records.size(), 29u);

  // Five stray bytes let one frame pass for a reading before the evidence is
  // clear; it is named, and every record after it is the meter's.
  auto stray = Bytes(sent);
  stray.insert(stray.begin(), 5, 0x5A);
  const Outcome first = Align(stray);
  EXPECT_EQ(first.skipped, 5u);
  EXPECT_EQ(first.lost, 0u);
  EXPECT_EQ(first.misframed, first.firstSkipAfter);
  EXPECT_TRUE(std::equal(first.records.begin() + static_cast<long>(first.misframed),
                         first.records.end(),
                         sent.end() - 30 + static_cast<long>(first.misframed)));

  // The first record that lost bytes anywhere is a reading lost before the
  // first row, like any other (or, where its clock survived, a row marked
  // out of step); as many bytes of noise are not.
  for (std::size_t at = 0; at < 12; ++at) {
    for (const std::size_t count : {std::size_t{1}, std::size_t{3}}) {
      if (at + count > 12) continue;
      auto cut = Bytes(sent);
      cut.erase(cut.begin() + static_cast<long>(at), cut.begin() + static_cast<long>(at + count));
      const Outcome start = Align(cut);
      EXPECT_EQ(start.skipped, 12 - count) << at;
      EXPECT_EQ(start.lost + start.misframed, 1u)
          << "bytes " << at << " to " << at + count - 1 << " lost";
      EXPECT_EQ(start.firstSkipAfter, start.misframed);
      auto noisy = Bytes(sent);
      noisy.insert(noisy.begin(), 12 - count, static_cast<std::uint8_t>(0x30 + at));
      EXPECT_EQ(Align(noisy).lost, 0u) << 12 - count << " bytes of noise";
    }
  }

  auto added = Bytes(sent);
  added.insert(added.begin() + 8 * 12 + 2, 0x42);
  const Outcome noisy = Align(added);
  EXPECT_EQ(noisy.skipped, 1u);
  EXPECT_TRUE(noisy.doubtful) << "the record with the added byte keeps its time";
}

// Every event, in order, as comparable values.
std::vector<std::vector<std::uint8_t>> EventsIn(const std::vector<std::uint8_t>& bytes,
                                                const std::vector<std::size_t>& chunks) {
  RecordAligner aligner;
  std::vector<RecordAligner::Event> events;
  std::size_t at = 0;
  for (std::size_t i = 0; at < bytes.size(); ++i) {
    const std::size_t take = std::min(chunks[i % chunks.size()], bytes.size() - at);
    aligner.Feed(std::span(bytes).subspan(at, take), events);
    at += take;
  }
  aligner.Flush(events);
  std::vector<std::vector<std::uint8_t>> seen;
  for (const auto& e : events) {
    std::vector<std::uint8_t> v(e.record.bytes().begin(), e.record.bytes().end());
    v.insert(v.end(), {static_cast<std::uint8_t>(e.kind), static_cast<std::uint8_t>(e.skipped),
                       static_cast<std::uint8_t>(e.lost), static_cast<std::uint8_t>(e.misframed),
                       static_cast<std::uint8_t>(e.doubtful)});
    seen.push_back(std::move(v));
  }
  return seen;
}

// How the line's bytes were split into reads never changes what comes out:
// a journal replayed in 64 KiB pieces frames a stream exactly as the port's
// reads did, whatever the damage.
TEST(RecordAlignerTest, TheSameBytesFrameTheSameWayInAnyPieces) {
  std::mt19937 random(29);
  const auto noise = [&](std::size_t n) {
    std::vector<std::uint8_t> bytes(n);
    for (auto& byte : bytes)
      byte = static_cast<std::uint8_t>(random());
    return bytes;
  };
  for (int trial = 0; trial < 400; ++trial) {
    SCOPED_TRACE(trial);
    auto bytes = Bytes(sim::GenerateRecords(30 + random() % 40, 100 + trial, trial % 2 ? 1 : 60));
    for (int fault = 0; fault < 1 + trial % 4; ++fault) {
      const std::size_t at = random() % bytes.size();
      switch (random() % 4) {
        case 0:
          bytes.erase(bytes.begin() + static_cast<long>(at));
          break;
        case 1:
          bytes.insert(bytes.begin() + static_cast<long>(at), static_cast<std::uint8_t>(random()));
          break;
        case 2: {
          const auto burst = noise(1 + random() % 40);
          bytes.insert(bytes.begin() + static_cast<long>(at), burst.begin(), burst.end());
          break;
        }
        default:  // the port opened in mid-stream
          bytes.erase(bytes.begin(), bytes.begin() + static_cast<long>(at % 200));
      }
    }
    const auto end = sim::EndRecord();
    bytes.insert(bytes.end(), end.begin(), end.end());
    const auto whole = EventsIn(bytes, {bytes.size()});
    EXPECT_EQ(EventsIn(bytes, {1}), whole);
    EXPECT_EQ(EventsIn(bytes, {12}), whole);
    EXPECT_EQ(EventsIn(bytes, {1 + random() % 300, 1 + random() % 13, 230}), whole);
  }
}

TEST(RecordAlignerTest, AFlushGivesUpHeldRecordsAndCountsTheRest) {
  // A clock never set holds nothing: there is no other offset to prefer.
  Stream sent = sim::GenerateRecords(3, 1, 1);
  for (auto& record : sent)
    std::fill(record.begin() + 6, record.end(), 0);
  auto bytes = Bytes(sent);
  bytes.push_back(0x01);
  RecordAligner aligner;
  std::vector<RecordAligner::Event> events;
  aligner.Feed(bytes, events);
  EXPECT_EQ(aligner.Flush(events), 1u);
  ASSERT_EQ(events.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i)
    EXPECT_EQ(events[i].record.bytes(), sent[i]);
}

}  // namespace
}  // namespace orbek
