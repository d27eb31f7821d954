#pragma once

#include <array>
#include <string>
#include <string_view>

#include "meter/MeterRecord.h"

namespace orbek {

// Unit texts by UnitIndex, UTF-8. Entry 0 starts with GREEK CAPITAL KAPPA,
// not the Latin K it resembles; entries 5 and 11 are a single space.
extern const std::array<std::string_view, 16> Unit3;

inline constexpr std::string_view kCelsiusText = "\u00B0C";
inline constexpr std::string_view kFahrenheitText = "\u00B0F";

// What one record shows in the readings table and plots on the chart.
struct DecodedReading {
  std::string TimestampText;
  std::string ValueText;
  std::string TemperatureText;
  double ValueNumber = 0.0;
  double TemperatureNumber = 0.0;
};

struct FormattedNumber {
  std::string Text;
  double Number = 0.0;
};

// True for the record that ends a transfer: byte 7 is EndOfTransferMarker.
// No other byte is looked at.
bool IsEndOfTransfer(const MeterRecord& record);

// "YYYY-MM-DD hh:mm:ss"; a field of 100 or more is written in full.
std::string FormatTimestamp(const MeterRecord& record);

// The value with its unit ("7.00 pH", "-123.4 mV", "1413 \u03BCS/cm").
// Formats the meter leaves undefined show the raw Value and give the number 0.
FormattedNumber FormatValue(const MeterRecord& record);

// The temperature with "°C" or "°F"; Fahrenheit is not converted.
FormattedNumber FormatTemperature(const MeterRecord& record);

// All of the above for an ordinary reading (not an end-of-transfer record).
DecodedReading DecodeRecord(const MeterRecord& record);

}  // namespace orbek
