#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "meter/ReadingPipeline.h"

namespace orbek {

// What a lab notes about a transfer: which sample, who took it, where,
// with which probe, and anything else. Every field may be empty.
struct SampleDetails {
  std::string sample;
  std::string operator_;
  std::string location;
  std::string probe;
  std::string note;

  bool Empty() const;
  bool operator==(const SampleDetails&) const = default;
};

// The fields in the order every output lists them: the label a person
// reads, the key a file or a message names it by, and whether each
// reading's message carries it (the others are the transfer's alone).
struct DetailField {
  std::string_view label;
  std::string_view key;
  std::string SampleDetails::*member;
  bool perReading;
  // The note, the one field of several lines.
  bool IsNote() const { return member == &SampleDetails::note; }
};
inline constexpr std::array<DetailField, 5> kDetailFields = {{
    {"Sample ID", "sample", &SampleDetails::sample, true},
    {"Operator", "operator", &SampleDetails::operator_, true},
    {"Location", "location", &SampleDetails::location, true},
    {"Probe serial number", "probe", &SampleDetails::probe, false},
    {"Note", "note", &SampleDetails::note, false},
}};

// The most characters (UTF-16 code units) a detail may have: what a cell
// of a workbook holds.
inline constexpr std::size_t kMostDetailCharacters = 32767;

// What makes details unfit for the files and messages they go into: text
// that is not UTF-8, a control character (the note may have line breaks
// and tabs), more characters than a cell holds. Found before the meter is
// told anything; the caller says it in its own words.
struct DetailsProblem {
  enum class Kind { NotUtf8, ControlCharacter, TooLong };
  const DetailField* field;
  Kind kind;
};
std::optional<DetailsProblem> FindDetailsProblem(const SampleDetails& details);
// "a control character (U+0007) cannot be kept": why, in English.
std::string ReasonOf(const DetailsProblem& problem, const SampleDetails& details);

// Count, minimum, maximum, mean and sample standard deviation of a series
// of numbers, kept as they come (Welford's method, so that a long transfer
// of nearly equal values loses no precision).
class Accumulator {
 public:
  void Add(double x);
  std::int64_t Count() const { return count_; }
  double Minimum() const { return minimum_; }
  double Maximum() const { return maximum_; }
  double Mean() const { return mean_; }
  // None for fewer than two numbers, as a spreadsheet's STDEV gives none.
  std::optional<double> Deviation() const;

 private:
  std::int64_t count_ = 0;
  double minimum_ = 0.0, maximum_ = 0.0, mean_ = 0.0, squares_ = 0.0;
};

// "3, 5-7, 12" for rows 3, 5, 6, 7 and 12.
std::string RowRanges(const std::set<std::int64_t>& rows);

// The statistics of a transfer's values, one series for each unit (a
// transfer may change mode), and of its temperatures, one for each scale;
// both in the order the units first came. Readings without a number for
// the value count for the temperature only. A reading marked out of step
// counts in no series: it may be made of two records. What the line cost
// (readings lost before a row, rows out of step) is kept beside them.
class ReadingStatistics {
 public:
  struct Series {
    std::string unit;  // "pH", "°C"; empty where the meter shows none
    Accumulator numbers;
  };
  // What of a reading the statistics count: a few numbers, the unit a
  // view of the decoder's table.
  struct Entry {
    std::int64_t number;
    bool outOfStep, plausible;
    std::size_t lostBefore;
    std::optional<double> value;
    std::optional<std::string_view> unit;
    double temperature;
    std::string_view scale;
    static Entry Of(const Reading& reading);
  };
  void Add(const Reading& reading) { Add(Entry::Of(reading)); }
  void Add(const Entry& entry);
  const std::vector<Series>& Values() const { return values_; }
  const std::vector<Series>& Temperatures() const { return temperatures_; }
  bool Empty() const { return readings_ == 0; }
  // Every reading added, those out of step included.
  std::int64_t Readings() const { return readings_; }
  // The rows marked out of step, left out of every series.
  const std::set<std::int64_t>& OutOfStepRows() const { return outOfStep_; }
  // At least half the readings carry a real date or a value the meter
  // defines: what a meter's transfer gives, and random bytes (or a wrong
  // baud rate) do not.
  bool LooksLikeMeterData() const { return 2 * plausible_ >= readings_; }
  // Readings the line lost, and the rows they were lost before.
  std::size_t Lost() const { return lost_; }
  const std::set<std::int64_t>& LostBeforeRows() const { return lostBefore_; }
  // One line a series: "Value pH: n 12, min 6.98, max 7.02, mean 7.0008,
  // sd 0.0123"; then what was left out and lost, if anything.
  std::vector<std::string> Lines() const;
  // "2 readings out of step (rows 5-6), left out of the statistics".
  std::string OutOfStepText() const;
  // "1 reading lost on the line (before row 7)".
  std::string LostText() const;
  // "n 12, min 6.98, max 7.02, mean 7.0008, sd 0.0123".
  static std::string Describe(const Accumulator& numbers);

 private:
  static void AddTo(std::vector<Series>& all, std::string_view unit, double x);
  std::vector<Series> values_, temperatures_;
  std::int64_t readings_ = 0, plausible_ = 0;
  std::set<std::int64_t> outOfStep_, lostBefore_;
  std::size_t lost_ = 0;
};

// The statistics of a stream whose newest readings may still be found out
// of step: a reading is counted for good once the pipeline can no longer
// correct it, and Current() counts the newest as they stand now.
class StreamStatistics {
 public:
  void Add(const Reading& reading);
  void Correct(std::int64_t number);
  ReadingStatistics Current() const;

 private:
  ReadingStatistics settled_;
  std::deque<ReadingStatistics::Entry> pending_;
};

// When the readings of a live run arrived: a reading's number gives the
// time of the read that completed it. Kept as one entry a read, so a run
// of millions of readings costs little.
class ArrivalTimes {
 public:
  void Note(std::int64_t number, std::chrono::system_clock::time_point when);
  // None for a number never noted.
  std::optional<std::chrono::system_clock::time_point> At(std::int64_t number) const;
  // Each step: the first reading of a read, and when that read came. Kept
  // with a transfer's bytes, so that a replay gives every reading its time.
  using Step = std::pair<std::int64_t, std::chrono::system_clock::time_point>;
  const std::vector<Step>& Steps() const { return steps_; }
  // The readings after the last step came with it; `last` is the last one.
  std::int64_t Last() const { return last_; }
  static ArrivalTimes FromSteps(std::vector<Step> steps, std::int64_t last);

 private:
  std::vector<Step> steps_;
  std::int64_t last_ = -1;
};

// When a reading was received, in UTC to the microsecond:
// "2026-12-08T17:10:04.123456Z"; empty for the unknown time (a reading
// replayed from a capture: the bytes were kept, not when they came).
inline constexpr std::chrono::system_clock::time_point kUnknownTime{};
std::string UtcIsoText(std::chrono::system_clock::time_point when);

// A number as the statistics show it: six significant digits, a point for
// the decimal separator whatever the locale.
std::string StatisticText(double x);

// A reading's number with the meter's places after the point ("7.00"), a
// point whatever the locale, written into `room`; the files and the
// messages all write it so.
struct FixedText {
  std::array<char, 48> room;
  std::size_t size = 0;
  std::string_view View() const { return {room.data(), size}; }
};
FixedText FixedNumberText(double x, int decimals);
// A count or a reading's number as the files and the messages write it.
FixedText IntegerText(std::int64_t value);

// A detail changed after its transfer ended: which, what it was and became,
// and when (the change is kept, never folded into the details unseen).
struct DetailChange {
  const DetailField* field;
  std::string before, after;
  std::chrono::system_clock::time_point when;
};

// Every reading of one transfer as it was last delivered (a reading found
// out of step is marked), with the sample's details and its statistics.
// Each is kept as its record, a few dozen bytes, and decoded again when
// asked for: the decoder is pure, so it gives the same reading, and a
// transfer of days costs little memory and no allocation a reading.
class TransferRecord {
 public:
  void Clear();
  void Add(const Reading& reading);
  // A reading delivered already that the pipeline found out of step.
  void Correct(const Reading& corrected);

  std::size_t Count() const { return kept_.size(); }
  bool Empty() const { return kept_.empty(); }
  // The `index`th reading (from 0, in order).
  Reading At(std::size_t index) const;
  ReadingStatistics Statistics() const { return statistics_.Current(); }
  // Those of the readings numbered `first` to `last`, both included.
  ReadingStatistics StatisticsBetween(std::int64_t first, std::int64_t last) const;

  // Details given after the transfer ended: each field that differs is
  // kept as a change.
  void ChangeDetails(const SampleDetails& now, std::chrono::system_clock::time_point when);

  SampleDetails details;
  std::vector<DetailChange> changes;

 private:
  struct Kept {
    std::int64_t number;
    MeterRecord record;
    std::chrono::system_clock::time_point received;
    bool outOfStep;
    std::size_t lostBefore;
  };
  std::vector<Kept>::const_iterator FirstFrom(std::int64_t number) const;

  std::vector<Kept> kept_;
  StreamStatistics statistics_;
};

}  // namespace orbek
