// A transfer's readings, statistics and sample details.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <map>
#include <random>

#include "meter/Transfer.h"
#include "tests/support/Golden.h"

namespace orbek {
namespace {

Reading ReadingOf(std::int64_t number, const sim::RecordBytes& bytes) {
  Reading reading;
  reading.number = number;
  reading.record = MeterRecord::FromSpan(bytes);
  reading.decoded = DecodeRecord(reading.record);
  return reading;
}

// The meter's places after the point, a point whatever the locale, and
// nothing rather than a cut number for one too long to be a meter's.
TEST(TransferRecordTest, NumbersAreWrittenWithTheMetersPlaces) {
  const struct {
    double x;
    int decimals;
    const char* text;
  } cases[] = {
      {7.0, 2, "7.00"},    {-0.5, 1, "-0.5"},       {1413.0, 0, "1413"}, {25.06, 1, "25.1"},
      {0.004, 3, "0.004"}, {19999.9, 1, "19999.9"}, {1e300, 3, ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FixedNumberText(c.x, c.decimals).View(), c.text) << c.x;
  // Counts and readings' numbers, to the widest a file can hold.
  EXPECT_EQ(IntegerText(0).View(), "0");
  EXPECT_EQ(IntegerText(-1).View(), "-1");
  EXPECT_EQ(IntegerText(INT64_MIN).View(), "-9223372036854775808");
  EXPECT_EQ(IntegerText(INT64_MAX).View(), "9223372036854775807");
}

// Readings' numbers take a quicker way than other numbers: both must give
// what the standard library's fixed notation gives.
TEST(TransferRecordTest, NumbersOfEveryKindAreWrittenAsFixedNotationWrites) {
  std::mt19937_64 random(7);
  std::uniform_int_distribution<long long> raw(-20000000, 20000000);
  std::uniform_real_distribution<double> any(-1e6, 1e6);
  std::vector<std::pair<double, int>> numbers = {{-0.0, 2},  {0.0, 0},   {0.125, 2}, {-0.001, 2},
                                                 {1e15, 1},  {5e-7, 6},  {2.5, 0},   {-3.5, 0},
                                                 {0.005, 3}, {-0.07, 2}, {1e-6, 6}};
  for (int i = 0; i < 20000; ++i) {
    const int decimals = i % 5;
    numbers.push_back({static_cast<double>(raw(random)) / std::pow(10.0, decimals), decimals});
    numbers.push_back({any(random), decimals});
  }
  for (const auto& [x, decimals] : numbers) {
    char expected[400];
    const char* end =
        std::to_chars(expected, expected + sizeof expected, x, std::chars_format::fixed, decimals)
            .ptr;
    ASSERT_EQ(FixedNumberText(x, decimals).View(),
              std::string_view(expected, static_cast<std::size_t>(end - expected)))
        << x << " at " << decimals;
  }
}

// The golden transfer's readings worked out by hand give, per unit, the
// numbers whose statistics are found here in two passes: the transfer's
// one-pass statistics must equal them.
// Against dates worked out by hand: month and leap-year ends, the last
// microsecond of a second, and before the epoch.
TEST(TransferRecordTest, ReceivedTimesAreWrittenInUtcToTheMicrosecond) {
  using namespace std::chrono;
  const struct {
    sys_time<microseconds> when;
    const char* text;
  } cases[] = {
      {sys_days{1970y / 1 / 1} + 1us, "1970-01-01T00:00:00.000001Z"},
      {sys_days{2024y / 2 / 29} + 23h + 59min + 59s + 999999us, "2024-02-29T23:59:59.999999Z"},
      {sys_days{2000y / 3 / 1} + 12h + 5min + 7s, "2000-03-01T12:05:07.000000Z"},
      {sys_days{2100y / 12 / 31} + 1h, "2100-12-31T01:00:00.000000Z"},
      {sys_days{1969y / 12 / 31} + 23h + 59min + 59s + 500000us, "1969-12-31T23:59:59.500000Z"},
      {time_point_cast<microseconds>(kUnknownTime), ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(UtcIsoText(c.when), c.text);
}

TEST(TransferRecordTest, StatisticsOfTheGoldenTransferEqualThoseWorkedOutByHand) {
  const auto golden = test::LoadGolden("golden-transfer");
  ASSERT_FALSE(golden.csv.isEmpty());
  TransferRecord transfer;
  const auto records = golden.Readings();
  for (std::size_t i = 0; i < records.size(); ++i)
    transfer.Add(ReadingOf(static_cast<std::int64_t>(i), records[i]));

  // Unit: the value text after its number (none where it is blank), as a
  // symbol (the micro sign, not the Greek mu; a Latin k); scale: the
  // temperature's.
  std::map<std::string, std::vector<double>> values, temperatures;
  for (int row = 0; row + 1 < golden.csv.size(); ++row) {
    const QString valueText = golden.Field(row, 2), number = golden.Field(row, 4);
    const QString unit = valueText.section(' ', 1)
                             .trimmed()
                             .replace(QChar(0x03BC), QChar(0x00B5))
                             .replace(QChar(0x039A), QLatin1Char('k'));
    if (!number.isEmpty()) values[unit.toStdString()].push_back(number.toDouble());
    temperatures[golden.Field(row, 3).section(' ', 1).toStdString()].push_back(
        golden.Field(row, 5).toDouble());
  }
  const auto check = [](const std::vector<ReadingStatistics::Series>& found,
                        const std::map<std::string, std::vector<double>>& worked) {
    ASSERT_EQ(found.size(), worked.size());
    for (const auto& series : found) {
      SCOPED_TRACE(series.unit);
      ASSERT_TRUE(worked.contains(series.unit)) << "unit \"" << series.unit << "\"";
      const auto& xs = worked.at(series.unit);
      double sum = 0;
      for (const double x : xs)
        sum += x;
      const double mean = sum / static_cast<double>(xs.size());
      double squares = 0;
      for (const double x : xs)
        squares += (x - mean) * (x - mean);
      const Accumulator& n = series.numbers;
      EXPECT_EQ(n.Count(), static_cast<std::int64_t>(xs.size()));
      EXPECT_DOUBLE_EQ(n.Minimum(), *std::min_element(xs.begin(), xs.end()));
      EXPECT_DOUBLE_EQ(n.Maximum(), *std::max_element(xs.begin(), xs.end()));
      EXPECT_NEAR(n.Mean(), mean, 1e-9 * std::max(1.0, std::abs(mean)));
      if (xs.size() < 2) {
        EXPECT_FALSE(n.Deviation());
      } else {
        const double sd = std::sqrt(squares / static_cast<double>(xs.size() - 1));
        ASSERT_TRUE(n.Deviation());
        EXPECT_NEAR(*n.Deviation(), sd, 1e-9 * std::max(1.0, sd));
      }
    }
  };
  check(transfer.Statistics().Values(), values);
  check(transfer.Statistics().Temperatures(), temperatures);
}

// Near-equal readings far from zero lose nothing: the textbook sum of
// squares would cancel to noise here.
TEST(TransferRecordTest, AccumulatorKeepsPrecisionAndSaysNoDeviationForOneNumber) {
  const struct {
    std::vector<double> xs;
    double mean;
    std::optional<double> deviation;
  } cases[] = {
      {{}, 0.0, std::nullopt},
      {{7.0}, 7.0, std::nullopt},
      {{4, 7, 13, 16}, 10.0, std::sqrt(30.0)},
      {{1e9 + 4, 1e9 + 7, 1e9 + 13, 1e9 + 16}, 1e9 + 10, std::sqrt(30.0)},
      {{-1.5, -1.5, -1.5}, -1.5, 0.0},
  };
  for (const auto& c : cases) {
    Accumulator n;
    for (const double x : c.xs)
      n.Add(x);
    EXPECT_EQ(n.Count(), static_cast<std::int64_t>(c.xs.size()));
    EXPECT_DOUBLE_EQ(n.Mean(), c.mean);
    ASSERT_EQ(n.Deviation().has_value(), c.deviation.has_value());
    if (c.deviation) {
      EXPECT_NEAR(*n.Deviation(), *c.deviation, 1e-9);
    }
  }
}

// The chart's range takes the readings numbered within it; a correction
// marks the reading it names and changes no number.
TEST(TransferRecordTest, RangesAndCorrectionsFollowTheReadingsNumbers) {
  const auto records = sim::GenerateRecords(50, 3);
  TransferRecord transfer;
  for (std::size_t i = 0; i < records.size(); ++i)
    transfer.Add(ReadingOf(static_cast<std::int64_t>(i), records[i]));
  const struct {
    std::int64_t first, last;
    std::int64_t count;
  } ranges[] = {{0, 49, 50}, {10, 19, 10}, {-20, 4, 5}, {45, 100, 5}, {60, 80, 0}, {7, 7, 1}};
  for (const auto& r : ranges) {
    std::int64_t count = 0;
    const ReadingStatistics within = transfer.StatisticsBetween(r.first, r.last);
    for (const auto& series : within.Temperatures())
      count += series.numbers.Count();
    EXPECT_EQ(count, r.count) << r.first << ".." << r.last;
  }
  const auto before = transfer.Statistics().Lines();
  Reading corrected = transfer.At(30);
  corrected.outOfStep = true;
  transfer.Correct(corrected);
  corrected.number = 99;  // never delivered: nothing to mark
  transfer.Correct(corrected);
  for (std::size_t i = 0; i < transfer.Count(); ++i)
    EXPECT_EQ(transfer.At(i).outOfStep, transfer.At(i).number == 30);
  EXPECT_EQ(transfer.Statistics().Lines(), before);
}

}  // namespace
}  // namespace orbek
