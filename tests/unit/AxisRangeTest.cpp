#include <gtest/gtest.h>

#include "ui/AxisRange.h"

namespace orbek {
namespace {

struct AxisCase {
  const char* what;
  AxisRange before;
  double value, temperature;
  AxisRange after;
  bool changed;
};

TEST(AxisRangeTest, WidensByTheSeriesMarginAndNeverNarrows) {
  const AxisCase cases[] = {
      {"inside", {-5, 30}, 7.0, 25.0, {-5, 30}, false},
      {"value above", {-5, 30}, 150.0, 25.0, {-5, 250}, true},
      {"value below", {-5, 250}, -200.0, 25.0, {-300, 250}, true},
      {"a value equal to the minimum widens", {-5, 30}, -5.0, 25.0, {-105, 30}, true},
      {"a tie: the temperature is low, the value high", {-5, 30}, 40.0, 40.0, {-5, 140}, true},
      {"temperature above", {-5, 30}, 7.0, 35.0, {-5, 45}, true},
      {"a temperature equal to the maximum widens", {-5, 30}, 7.0, 30.0, {-5, 40}, true},
      {"temperature below", {-5, 30}, 7.0, -8.0, {-18, 30}, true},
      {"both outside", {-5, 30}, 500.0, -20.0, {-30, 600}, true},
      {"value low, temperature high", {-5, 30}, -50.0, 45.0, {-150, 55}, true},
      {"a narrower reading keeps the range", {-300, 250}, 0.0, 0.0, {-300, 250}, false},
  };
  for (const auto& c : cases) {
    AxisRange range = c.before;
    EXPECT_EQ(UpdateAxisRange(range, c.value, c.temperature), c.changed) << c.what;
    EXPECT_EQ(range.minimum, c.after.minimum) << c.what;
    EXPECT_EQ(range.maximum, c.after.maximum) << c.what;
  }
}

}  // namespace
}  // namespace orbek
