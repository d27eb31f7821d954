#include "meter/Transfer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <iterator>

namespace orbek {

bool SampleDetails::Empty() const {
  return std::all_of(kDetailFields.begin(), kDetailFields.end(),
                     [this](const DetailField& field) { return (this->*field.member).empty(); });
}

void Accumulator::Add(double x) {
  if (count_ == 0) {
    minimum_ = maximum_ = x;
  } else {
    minimum_ = std::min(minimum_, x);
    maximum_ = std::max(maximum_, x);
  }
  ++count_;
  const double delta = x - mean_;
  mean_ += delta / static_cast<double>(count_);
  squares_ += delta * (x - mean_);
}

std::optional<double> Accumulator::Deviation() const {
  if (count_ < 2) return std::nullopt;
  return std::sqrt(squares_ / static_cast<double>(count_ - 1));
}

void ReadingStatistics::AddTo(std::vector<Series>& all, std::string_view unit, double x) {
  auto series =
      std::find_if(all.begin(), all.end(), [unit](const Series& s) { return s.unit == unit; });
  if (series == all.end()) series = all.insert(all.end(), Series{std::string(unit), {}});
  series->numbers.Add(x);
}

void ReadingStatistics::Add(const Reading& reading) {
  ++readings_;
  if (Plausible(reading.decoded)) ++plausible_;
  if (reading.lostBefore > 0) {
    lost_ += reading.lostBefore;
    lostBefore_.insert(reading.number);
  }
  if (reading.outOfStep) {
    outOfStep_.insert(reading.number);
    return;
  }
  const DecodedReading& r = reading.decoded;
  if (r.Value) AddTo(values_, r.Unit.value_or(std::string_view()), *r.Value);
  AddTo(temperatures_, r.TemperatureUnit(), r.TemperatureNumber);
}

std::string RowRanges(const std::set<std::int64_t>& rows) {
  std::string list;
  for (auto it = rows.begin(); it != rows.end();) {
    const std::int64_t first = *it;
    std::int64_t last = first;
    while (++it != rows.end() && *it == last + 1)
      ++last;
    if (!list.empty()) list += ", ";
    list += std::to_string(first);
    if (last != first) {
      list += '-';
      list += std::to_string(last);
    }
  }
  return list;
}

namespace {

// "2 readings out of step (rows 5-6)": the count, what befell them, and
// where: `where` the rows.
std::string CountedRows(std::size_t count, std::string_view what, std::string_view where,
                        const std::set<std::int64_t>& rows) {
  std::string text = std::to_string(count);
  text += count == 1 ? " reading " : " readings ";
  text += what;
  text += " (";
  text += where;
  text += rows.size() == 1 ? "row " : "rows ";
  text += RowRanges(rows);
  text += ')';
  return text;
}

}  // namespace

std::string ReadingStatistics::OutOfStepText() const {
  if (outOfStep_.empty()) return {};
  return CountedRows(outOfStep_.size(), "out of step", "", outOfStep_) +
         ", left out of the statistics";
}

std::string ReadingStatistics::LostText() const {
  if (lost_ == 0) return {};
  return CountedRows(lost_, "lost on the line", "before ", lostBefore_);
}

void StreamStatistics::Add(const Reading& reading) {
  pending_.push_back(reading);
  if (pending_.size() <= RecordAligner::kMostHeld) return;
  settled_.Add(pending_.front());
  pending_.pop_front();
}

void StreamStatistics::Correct(std::int64_t number) {
  for (Reading& pending : pending_)
    if (pending.number == number) pending.outOfStep = true;
}

ReadingStatistics StreamStatistics::Current() const {
  ReadingStatistics current = settled_;
  for (const Reading& pending : pending_)
    current.Add(pending);
  return current;
}

void ArrivalTimes::Note(std::int64_t number, std::chrono::system_clock::time_point when) {
  if (number <= last_) return;
  last_ = number;
  if (steps_.empty() || steps_.back().second != when) steps_.emplace_back(number, when);
}

std::optional<std::chrono::system_clock::time_point> ArrivalTimes::At(
    std::int64_t number) const {
  if (number > last_ || steps_.empty() || number < steps_.front().first) return std::nullopt;
  const auto after = std::upper_bound(
      steps_.begin(), steps_.end(), number,
      [](std::int64_t n, const auto& step) { return n < step.first; });
  return std::prev(after)->second;
}

std::string UtcIsoText(std::chrono::system_clock::time_point when) {
  if (when == kUnknownTime) return {};
  const auto micros =
      std::chrono::duration_cast<std::chrono::microseconds>(when.time_since_epoch()).count();
  const std::time_t seconds = static_cast<std::time_t>(micros / 1000000);
  std::tm utc{};
  ::gmtime_r(&seconds, &utc);
  char text[48];
  const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
  std::snprintf(text + length, sizeof text - length, ".%06lldZ",
                static_cast<long long>(micros % 1000000));
  return text;
}

std::string StatisticText(double x) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", x);
  // snprintf follows LC_NUMERIC; the statistics always use a point.
  for (char* c = text; *c != '\0'; ++c)
    if (*c == ',') *c = '.';
  return text;
}

std::string ReadingStatistics::Describe(const Accumulator& n) {
  std::string text = "n " + std::to_string(n.Count());
  text += ", min " + StatisticText(n.Minimum());
  text += ", max " + StatisticText(n.Maximum());
  text += ", mean " + StatisticText(n.Mean());
  text += ", sd ";
  text += n.Deviation() ? StatisticText(*n.Deviation()) : std::string("-");
  return text;
}

std::vector<std::string> ReadingStatistics::Lines() const {
  std::vector<std::string> lines;
  auto describe = [&lines](const Series& series, std::string_view what) {
    std::string line(what);
    line += series.unit.empty() ? std::string(" (no unit)") : " " + series.unit;
    line += ": " + Describe(series.numbers);
    lines.push_back(std::move(line));
  };
  for (const Series& series : values_)
    describe(series, "Value");
  for (const Series& series : temperatures_)
    describe(series, "Temperature");
  for (std::string line : {OutOfStepText(), LostText()})
    if (!line.empty()) lines.push_back(std::move(line));
  return lines;
}

void TransferRecord::Clear() {
  kept_.clear();
  statistics_ = {};
}

void TransferRecord::Add(const Reading& reading) {
  kept_.push_back(
      {reading.number, reading.record, reading.received, reading.outOfStep, reading.lostBefore});
  statistics_.Add(reading);
}

Reading TransferRecord::At(std::size_t index) const {
  const Kept& kept = kept_.at(index);
  return {kept.number,   kept.record,   DecodeRecord(kept.record),
          kept.received, kept.outOfStep, kept.lostBefore};
}

std::vector<TransferRecord::Kept>::const_iterator TransferRecord::FirstFrom(
    std::int64_t number) const {
  return std::lower_bound(kept_.begin(), kept_.end(), number,
                          [](const Kept& kept, std::int64_t n) { return kept.number < n; });
}

void TransferRecord::Correct(const Reading& corrected) {
  const auto at = FirstFrom(corrected.number);
  if (at != kept_.end() && at->number == corrected.number)
    kept_[static_cast<std::size_t>(at - kept_.begin())].outOfStep = true;
  statistics_.Correct(corrected.number);
}

ReadingStatistics TransferRecord::StatisticsBetween(std::int64_t first, std::int64_t last) const {
  ReadingStatistics statistics;
  for (auto at = FirstFrom(first); at != kept_.end() && at->number <= last; ++at)
    statistics.Add(At(static_cast<std::size_t>(at - kept_.begin())));
  return statistics;
}

}  // namespace orbek
