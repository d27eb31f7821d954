#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "meter/MeterRecord.h"

namespace orbek {

// Unit texts by UnitIndex, UTF-8. Entry 0 starts with GREEK CAPITAL KAPPA,
// not the Latin K it resembles; entries 5 and 11 are a single space.
extern const std::array<std::string_view, 16> Unit3;

// The same units as symbols a program looks for: "k\u03A9" with a Latin k
// and a capital omega, "\u00B5S/cm" with the micro sign. None for the blank
// entries. The table's texts keep Unit3's.
extern const std::array<std::optional<std::string_view>, 16> UnitSymbol;
// The units' codes in UCUM (the Unified Code for Units of Measure), where
// it has one: "kOhm", "uS/cm", "[pH]"; none for salinity's PSU and the blanks.
extern const std::array<std::optional<std::string_view>, 16> UnitUcum;

inline constexpr std::string_view kCelsiusText = "\u00B0C";
inline constexpr std::string_view kFahrenheitText = "\u00B0F";

// The meter's clock as a record carries it. The meter checks nothing, so
// the fields may name no moment at all (month 13, hour 99, 31 April);
// `real` is the one verdict on that, used wherever a date is needed.
struct MeterClock {
  int year = 2000;
  unsigned month = 0, day = 0, hour = 0, minute = 0, second = 0;
  bool real = false;  // a date of the calendar and a time of the day
};

enum class TemperatureScale { Celsius, Fahrenheit };

// What one record shows in the readings table and plots on the chart (the
// texts and the two numbers), and the same as typed fields for everything
// that stores or sends a reading: nothing parses the texts back.
struct DecodedReading {
  std::string TimestampText;
  std::string ValueText;
  std::string TemperatureText;
  double ValueNumber = 0.0;  // as plotted: 0 where the record carries no number
  double TemperatureNumber = 0.0;

  MeterClock Clock;
  std::optional<double> Value;           // none where the record's mode defines no number
  std::optional<std::string_view> Unit;  // UnitSymbol's: none where the unit text is blank
  std::optional<std::string_view> UnitCode;  // UnitUcum's
  int ValueDecimals = 0;                     // the meter's places after the point
  TemperatureScale Scale = TemperatureScale::Celsius;

  std::string_view TemperatureUnit() const {
    return Scale == TemperatureScale::Fahrenheit ? kFahrenheitText : kCelsiusText;
  }
};

struct FormattedNumber {
  std::string Text;
  double Number = 0.0;
  bool defined = true;  // false where the meter defines no number for the record
  int decimals = 0;     // places after the point in the text
};

// True for the record that ends a transfer: byte 7 is EndOfTransferMarker.
// No other byte is looked at.
bool IsEndOfTransfer(const MeterRecord& record);

// "YYYY-MM-DD hh:mm:ss"; a field of 100 or more is written in full.
std::string FormatTimestamp(const MeterRecord& record);

// The clock's fields, with the verdict on whether they name a real moment.
MeterClock ClockOf(const MeterRecord& record);

// The value with its unit ("7.00 pH", "-123.4 mV", "1413 \u03BCS/cm").
// Formats the meter leaves undefined show the raw Value and give the number 0.
FormattedNumber FormatValue(const MeterRecord& record);

// The temperature with "°C" or "°F"; Fahrenheit is not converted.
FormattedNumber FormatTemperature(const MeterRecord& record);

// All of the above for an ordinary reading (not an end-of-transfer record).
DecodedReading DecodeRecord(const MeterRecord& record);

// A reading a meter may have sent: its clock names a real moment, or its
// value has a format the meter defines. Random bytes seldom give one.
inline bool Plausible(const DecodedReading& reading) {
  return reading.Clock.real || reading.Value.has_value();
}

}  // namespace orbek
