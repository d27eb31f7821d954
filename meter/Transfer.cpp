#include "meter/Transfer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <iterator>

namespace orbek {

bool SampleDetails::Empty() const {
  return std::all_of(kDetailFields.begin(), kDetailFields.end(),
                     [this](const DetailField& field) { return (this->*field.member).empty(); });
}

namespace {

// The code points of UTF-8 text, one by one; none once the text is not
// UTF-8 (a bad lead or continuation byte, an overlong form, a surrogate or
// a code point past U+10FFFF).
class Utf8Reader {
 public:
  explicit Utf8Reader(std::string_view text) : text_(text) {}
  bool Done() const { return at_ >= text_.size(); }
  std::optional<char32_t> Next() {
    const auto byte = [this](std::size_t i) { return static_cast<unsigned char>(text_[i]); };
    const unsigned char lead = byte(at_);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    if ((lead >= 0x80 && lead < 0xC2) || lead > 0xF4 || at_ + length > text_.size())
      return std::nullopt;
    char32_t point = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
      if ((byte(at_ + i) & 0xC0) != 0x80) return std::nullopt;
      point = (point << 6) | (byte(at_ + i) & 0x3F);
    }
    constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (point < kLeast[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
      return std::nullopt;
    at_ += length;
    return point;
  }

 private:
  std::string_view text_;
  std::size_t at_ = 0;
};

bool IsControl(char32_t point, bool note) {
  if (note && (point == U'\n' || point == U'\t' || point == U'\r')) return false;
  return point < 0x20 || (point >= 0x7F && point < 0xA0);
}

// The first control character of a text, for the message.
std::optional<char32_t> FirstControl(std::string_view text, bool note) {
  Utf8Reader reader(text);
  while (!reader.Done()) {
    const auto point = reader.Next();
    if (point && IsControl(*point, note)) return point;
  }
  return std::nullopt;
}

std::optional<DetailsProblem::Kind> ProblemOf(std::string_view text, bool note) {
  Utf8Reader reader(text);
  std::size_t units = 0;
  while (!reader.Done()) {
    const auto point = reader.Next();
    if (!point) return DetailsProblem::Kind::NotUtf8;
    if (IsControl(*point, note)) return DetailsProblem::Kind::ControlCharacter;
    units += *point > 0xFFFF ? 2 : 1;
  }
  if (units > kMostDetailCharacters) return DetailsProblem::Kind::TooLong;
  return std::nullopt;
}

}  // namespace

std::optional<DetailsProblem> FindDetailsProblem(const SampleDetails& details) {
  for (const DetailField& field : kDetailFields) {
    if (const auto kind = ProblemOf(details.*field.member, field.IsNote()))
      return DetailsProblem{&field, *kind};
  }
  return std::nullopt;
}

std::string ReasonOf(const DetailsProblem& problem, const SampleDetails& details) {
  switch (problem.kind) {
    case DetailsProblem::Kind::NotUtf8:
      return "the text is not UTF-8; give it in the system's UTF-8 encoding";
    case DetailsProblem::Kind::ControlCharacter: {
      const bool note = problem.field->IsNote();
      const auto control = FirstControl(details.*problem.field->member, note).value_or(0);
      char code[16];
      std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(control));
      return std::string("a control character (") + code + ") cannot be kept" +
             (note ? " (line breaks and tabs can)" : "");
    }
    case DetailsProblem::Kind::TooLong:
      return "longer than the " + std::to_string(kMostDetailCharacters) +
             " characters a workbook's cell holds";
  }
  return {};
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

ReadingStatistics::Entry ReadingStatistics::Entry::Of(const Reading& reading) {
  const DecodedReading& r = reading.decoded;
  return {reading.number, reading.outOfStep,   Plausible(r),       reading.lostBefore, r.Value,
          r.Unit,         r.TemperatureNumber, r.TemperatureUnit()};
}

void ReadingStatistics::Add(const Entry& entry) {
  ++readings_;
  if (entry.plausible) ++plausible_;
  if (entry.lostBefore > 0) {
    lost_ += entry.lostBefore;
    lostBefore_.insert(entry.number);
  }
  if (entry.outOfStep) {
    outOfStep_.insert(entry.number);
    return;
  }
  if (entry.value) AddTo(values_, entry.unit.value_or(std::string_view()), *entry.value);
  AddTo(temperatures_, entry.scale, entry.temperature);
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
  pending_.push_back(ReadingStatistics::Entry::Of(reading));
  if (pending_.size() <= RecordAligner::kMostHeld) return;
  settled_.Add(pending_.front());
  pending_.pop_front();
}

void StreamStatistics::Correct(std::int64_t number) {
  for (ReadingStatistics::Entry& pending : pending_)
    if (pending.number == number) pending.outOfStep = true;
}

ReadingStatistics StreamStatistics::Current() const {
  ReadingStatistics current = settled_;
  for (const ReadingStatistics::Entry& pending : pending_)
    current.Add(pending);
  return current;
}

void ArrivalTimes::Note(std::int64_t number, std::chrono::system_clock::time_point when) {
  if (number <= last_) return;
  last_ = number;
  if (steps_.empty() || steps_.back().second != when) steps_.emplace_back(number, when);
}

std::optional<std::chrono::system_clock::time_point> ArrivalTimes::At(std::int64_t number) const {
  if (number > last_ || steps_.empty() || number < steps_.front().first) return std::nullopt;
  const auto after =
      std::upper_bound(steps_.begin(), steps_.end(), number,
                       [](std::int64_t n, const auto& step) { return n < step.first; });
  return std::prev(after)->second;
}

ArrivalTimes ArrivalTimes::FromSteps(std::vector<Step> steps, std::int64_t last) {
  ArrivalTimes times;
  times.steps_ = std::move(steps);
  times.last_ = last;
  return times;
}

// Made for every reading, for each place it goes: plain arithmetic on the
// calendar, without the C library's time conversion and formatting.
std::string UtcIsoText(std::chrono::system_clock::time_point when) {
  using namespace std::chrono;
  if (when == kUnknownTime) return {};
  const auto micros = floor<microseconds>(when);
  const auto day = floor<days>(micros);
  const year_month_day date{day};
  const hh_mm_ss time{micros - day};
  std::string text = "0000-00-00T00:00:00.000000Z";
  const auto put = [&](std::size_t at, long long value, int digits) {
    for (int i = digits - 1; i >= 0; --i, value /= 10)
      text[at + static_cast<std::size_t>(i)] = static_cast<char>('0' + value % 10);
  };
  put(0, static_cast<int>(date.year()), 4);  // a nanosecond clock spans 1678 to 2262
  put(5, static_cast<unsigned>(date.month()), 2);
  put(8, static_cast<unsigned>(date.day()), 2);
  put(11, time.hours().count(), 2);
  put(14, time.minutes().count(), 2);
  put(17, time.seconds().count(), 2);
  put(20, time.subseconds().count(), 6);
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

namespace {

// A number with exactly `decimals` places (a meter's reading: a whole
// number of hundredths, say) is written from that whole number, for a
// fraction of what to_chars costs, to the same text; false for others.
bool WriteWholeOfPlaces(double x, int decimals, FixedText& text) {
  constexpr double kPowers[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6};
  if (decimals < 0 || decimals >= static_cast<int>(std::size(kPowers))) return false;
  const double scaled = x * kPowers[decimals];
  const double whole = std::nearbyint(scaled);
  // Far from a rounding boundary, and whole in 53 bits; -0 is left to
  // to_chars, which keeps its sign.
  if (!(std::abs(scaled - whole) < 1e-6) || !(std::abs(whole) < 1e15) ||
      (whole == 0 && std::signbit(x)))
    return false;
  const long long n = static_cast<long long>(whole);
  char digits[24];
  const auto magnitude = static_cast<unsigned long long>(n < 0 ? -n : n);
  char* end = std::to_chars(digits, digits + sizeof digits, magnitude).ptr;
  const auto count = static_cast<int>(end - digits);
  const int places = decimals, integer = std::max(1, count - places);
  char* out = text.room.data();
  if (n < 0) *out++ = '-';
  // Digits, then the point, with zeros ahead of a small number: 5 at three
  // places is "0.005".
  for (int i = 0; i < integer + places; ++i) {
    if (i == integer) *out++ = '.';
    const int from = i - (integer + places - count);
    *out++ = from < 0 ? '0' : digits[from];
  }
  text.size = static_cast<std::size_t>(out - text.room.data());
  return true;
}

}  // namespace

FixedText FixedNumberText(double x, int decimals) {
  FixedText text;
  if (WriteWholeOfPlaces(x, decimals, text)) return text;
  const auto written = std::to_chars(text.room.data(), text.room.data() + text.room.size(), x,
                                     std::chars_format::fixed, decimals);
  // A number too long for the room (never a meter's) is left out, not cut.
  text.size =
      written.ec == std::errc() ? static_cast<std::size_t>(written.ptr - text.room.data()) : 0;
  return text;
}

FixedText IntegerText(std::int64_t value) {
  FixedText text;
  text.size = static_cast<std::size_t>(
      std::to_chars(text.room.data(), text.room.data() + text.room.size(), value).ptr -
      text.room.data());
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

void TransferRecord::ChangeDetails(const SampleDetails& now,
                                   std::chrono::system_clock::time_point when) {
  for (const DetailField& field : kDetailFields)
    if (details.*field.member != now.*field.member)
      changes.push_back({&field, details.*field.member, now.*field.member, when});
  details = now;
}

void TransferRecord::Clear() {
  kept_.clear();
  changes.clear();
  statistics_ = {};
}

void TransferRecord::Add(const Reading& reading) {
  kept_.push_back(
      {reading.number, reading.record, reading.received, reading.outOfStep, reading.lostBefore});
  statistics_.Add(reading);
}

Reading TransferRecord::At(std::size_t index) const {
  const Kept& kept = kept_.at(index);
  return {kept.number,   kept.record,    DecodeRecord(kept.record),
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
