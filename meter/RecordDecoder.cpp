#include "meter/RecordDecoder.h"

#include <charconv>
#include <optional>
#include <utility>

namespace orbek {

const std::array<std::string_view, 16> Unit3 = {
    "\u039A\u03A9",  // 0  kilo-ohm, written with Greek kappa and omega
    "%",             // 1
    "pH",            // 2
    "mV",            // 3
    "R.mV",          // 4
    " ",             // 5
    "mS/cm",         // 6
    "\u03BCS/cm",    // 7  micro-siemens, Greek small mu
    "ppm",           // 8
    "ppt",           // 9
    "PSU",           // 10
    " ",             // 11
    "mg/L",          // 12
    "mol/L",         // 13
    "mmol/L",        // 14
    "\u03A9",        // 15 ohm
};

const std::array<std::optional<std::string_view>, 16> UnitSymbol = {
    "k\u03A9", "%",   "pH",  "mV",   "R.mV",   std::nullopt, "mS/cm",  "\u00B5S/cm",
    "ppm",     "ppt", "PSU", std::nullopt, "mg/L", "mol/L", "mmol/L", "\u03A9",
};

// A relative millivolt (R.mV) is a millivolt against a reference the user
// set; its symbol keeps the distinction, its code cannot.
const std::array<std::optional<std::string_view>, 16> UnitUcum = {
    "kOhm",   "%",          "[pH]",  "mV",     "mV",     std::nullopt, "mS/cm", "uS/cm",
    "[ppm]", "[ppth]", std::nullopt, std::nullopt, "mg/L", "mol/L", "mmol/L", "Ohm",
};

namespace {

// How a Value is shown: `decimals` places after the point, optionally behind
// a separate minus sign. The number plotted is Value times `scale`.
struct ValueFormat {
  int decimals;
  double scale;
  bool negative = false;
};

constexpr double ScaleFor(int decimals) {
  switch (decimals) {
    case 1:
      return 0.1;
    case 2:
      return 0.01;
    case 3:
      return 0.001;
    default:
      return 1.0;
  }
}

constexpr ValueFormat Decimals(int decimals) {
  return {decimals, ScaleFor(decimals)};
}

// The format families by Mode; nullopt where the meter defines none.
std::optional<ValueFormat> ValueFormatOf(const MeterRecord& record) {
  const int mode = record.Mode();
  if (mode == 1) {
    // DecimalsCode 0 means three decimals here, unlike modes 4..11.
    const int code = record.DecimalsCode();
    return Decimals(code == 1 || code == 2 ? code : 3);
  }
  if (mode == 2 || mode == 3) {
    switch (record.SignCode()) {
      case 1:
      case 2:
        return Decimals(1);
      case 3:
      case 5:
        return ValueFormat{1, 0.1, true};
      default:
        return std::nullopt;
    }
  }
  if (mode >= 4 && mode <= 11) return Decimals(record.DecimalsCode());
  return std::nullopt;
}

// A fixed buffer the texts are composed in, so each text costs at most one
// allocation (none for the short value and temperature texts).
class TextBuffer {
 public:
  void Append(char c) { *end_++ = c; }
  void Append(std::string_view text) {
    for (const char c : text)
      *end_++ = c;
  }
  void AppendRepeated(std::size_t count, char c) {
    for (std::size_t i = 0; i < count; ++i)
      *end_++ = c;
  }
  void AppendUnsigned(unsigned value) { end_ = std::to_chars(end_, Limit(), value).ptr; }

  // The decimal digits of `count` with a point `decimals` places from the
  // right and at least one digit before it: what "%.*f" prints for
  // count * 10^-decimals, without the locale and without rounding.
  void AppendFixed(unsigned count, int decimals) {
    char digits[12];
    const auto last = std::to_chars(digits, digits + sizeof digits, count).ptr;
    const std::string_view all(digits, static_cast<std::size_t>(last - digits));
    if (decimals == 0) return Append(all);
    const auto places = static_cast<std::size_t>(decimals);
    if (all.size() <= places) {
      Append("0.");
      AppendRepeated(places - all.size(), '0');
      return Append(all);
    }
    Append(all.substr(0, all.size() - places));
    Append('.');
    Append(all.substr(all.size() - places));
  }

  // Separator, then a field of at least two digits. Date and time fields are
  // almost always below 100, so those are written as two digits directly.
  void AppendField(char separator, unsigned field) {
    Append(separator);
    if (field >= 100) return AppendUnsigned(field);
    *end_++ = static_cast<char>('0' + field / 10);
    *end_++ = static_cast<char>('0' + field % 10);
  }

  std::string str() const { return std::string(buffer_, static_cast<std::size_t>(end_ - buffer_)); }

 private:
  char* Limit() { return buffer_ + sizeof buffer_; }

  // The longest text is a timestamp of 2255-255-255 255:255:255 (25 bytes).
  char buffer_[48];
  char* end_ = buffer_;
};

// The days of `month` (1..12) in the Gregorian calendar.
constexpr unsigned DaysInMonth(int year, unsigned month) {
  constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month != 2) return kDays[month - 1];
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0 ? 29 : 28;
}
static_assert(DaysInMonth(2000, 2) == 29 && DaysInMonth(2100, 2) == 28 &&
              DaysInMonth(2017, 4) == 30);

}  // namespace

bool IsEndOfTransfer(const MeterRecord& record) {
  return record.YearOffset() == EndOfTransferMarker;
}

std::string FormatTimestamp(const MeterRecord& record) {
  TextBuffer text;
  text.AppendUnsigned(2000u + record.YearOffset());
  text.AppendField('-', record.Month());
  text.AppendField('-', record.Day());
  text.AppendField(' ', record.Hour());
  text.AppendField(':', record.Minute());
  text.AppendField(':', record.Second());
  return text.str();
}

MeterClock ClockOf(const MeterRecord& record) {
  MeterClock clock;
  clock.year = 2000 + record.YearOffset();
  clock.month = record.Month();
  clock.day = record.Day();
  clock.hour = record.Hour();
  clock.minute = record.Minute();
  clock.second = record.Second();
  clock.real = !IsEndOfTransfer(record) && clock.month >= 1 && clock.month <= 12 &&
               clock.day >= 1 && clock.day <= DaysInMonth(clock.year, clock.month) &&
               clock.hour < 24 && clock.minute < 60 && clock.second < 60;
  return clock;
}

FormattedNumber FormatValue(const MeterRecord& record) {
  const unsigned count = record.Value();
  TextBuffer text;
  double number = 0.0;
  bool defined = false;
  int decimals = 0;
  if (const auto format = ValueFormatOf(record)) {
    defined = true;
    if (format->negative) text.Append('-');
    text.AppendFixed(count, format->decimals);
    decimals = format->decimals;
    // -W is taken as an integer first, so a zero reading plots as +0.0.
    const int signedCount = format->negative ? -static_cast<int>(count) : static_cast<int>(count);
    number = static_cast<double>(signedCount) * format->scale;
  } else {
    // No format defined: show the raw count so nothing the meter sent is hidden.
    text.AppendUnsigned(count);
  }
  text.Append(' ');
  text.Append(Unit3[record.UnitIndex()]);
  return {text.str(), number, defined, decimals};
}

FormattedNumber FormatTemperature(const MeterRecord& record) {
  const unsigned word = record.Temperature();
  const bool fahrenheit = word >= 0x8000;
  const unsigned magnitude = fahrenheit ? word - 0x8000 : word;
  TextBuffer text;
  text.AppendFixed(magnitude, 1);
  text.Append(' ');
  text.Append(fahrenheit ? kFahrenheitText : kCelsiusText);
  return {text.str(), static_cast<double>(magnitude) * 0.1, true, 1};
}

DecodedReading DecodeRecord(const MeterRecord& record) {
  auto value = FormatValue(record);
  auto temperature = FormatTemperature(record);
  DecodedReading reading;
  reading.TimestampText = FormatTimestamp(record);
  reading.ValueText = std::move(value.Text);
  reading.TemperatureText = std::move(temperature.Text);
  reading.ValueNumber = value.Number;
  reading.TemperatureNumber = temperature.Number;
  reading.Clock = ClockOf(record);
  if (value.defined) reading.Value = value.Number;
  reading.ValueDecimals = value.decimals;
  reading.Unit = UnitSymbol[record.UnitIndex()];
  reading.UnitCode = UnitUcum[record.UnitIndex()];
  reading.Scale =
      record.Temperature() >= 0x8000 ? TemperatureScale::Fahrenheit : TemperatureScale::Celsius;
  return reading;
}

}  // namespace orbek
