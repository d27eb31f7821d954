#pragma once

namespace orbek {

// The range last given to the chart's left axis.
struct AxisRange {
  double minimum = 0.0;
  double maximum = 0.0;
};

inline constexpr AxisRange kInitialAxisRange{-5.0, 30.0};
// Room left around a reading that widens the axis, by series.
inline constexpr double kValueMargin = 100.0;
inline constexpr double kTemperatureMargin = 10.0;

// Widens `range` to take the value V and the temperature T, never narrowing
// it. The lower of the two readings (the temperature on a tie) may move the
// minimum, the higher one the maximum, each with its own series' margin; a
// reading equal to a bound widens too. Returns whether anything changed.
constexpr bool UpdateAxisRange(AxisRange& range, double value, double temperature) {
  const bool valueIsLow = temperature > value;
  const double low = valueIsLow ? value : temperature;
  const double lowMargin = valueIsLow ? kValueMargin : kTemperatureMargin;
  const double high = valueIsLow ? temperature : value;
  const double highMargin = valueIsLow ? kTemperatureMargin : kValueMargin;
  const AxisRange before = range;
  if (before.minimum >= low) range.minimum = low - lowMargin;
  if (before.maximum <= high) range.maximum = high + highMargin;
  return range.minimum != before.minimum || range.maximum != before.maximum;
}

}  // namespace orbek
