#include <gtest/gtest.h>

#include <qcustomplot.h>
#include <QTest>

#include "intake/CTchart1.h"
#include "tests/support/EventLoop.h"

namespace orbek {
namespace {

constexpr std::uint32_t kGreen = 64100;  // 0x00FA64
constexpr std::uint32_t kRed = 255;

TEST(ChartTest, SeriesKeepTheirPointsWithTheirColours) {
  CTchart1 chart;
  EXPECT_EQ(chart.AddSeries(0), 0);
  EXPECT_EQ(chart.AddSeries(0), 1);
  ChartSeries value = chart.Series(0);
  ChartSeries copy = value;  // handles are cheap copies of the same series
  value.AddXY(0, 7.0, {}, kGreen);
  copy.AddXY(1, 7.5, {}, kRed);
  value.AddXY(2, 8.0, {}, kRed);
  ASSERT_EQ(value.Count(), 3);
  EXPECT_EQ(chart.Series(1).Count(), 0);
  const double xs[] = {0, 1, 2}, ys[] = {7.0, 7.5, 8.0};
  const std::uint32_t colours[] = {kGreen, kRed, kRed};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(value.X(i), xs[i]);
    EXPECT_EQ(value.Y(i), ys[i]);
    EXPECT_EQ(value.Colour(i), colours[i]);
  }
  // The line to each point is drawn in the point's colour, unbroken.
  ASSERT_EQ(chart.Plot().graphCount(), 2);
  EXPECT_EQ(chart.Plot().graph(0)->pen().color(), QColor(100, 250, 0));
  EXPECT_EQ(chart.Plot().graph(1)->pen().color(), QColor(255, 0, 0));
  EXPECT_EQ(chart.Plot().graph(1)->dataCount(), 3) << "the red run starts at the green point";
  value.Clear();
  EXPECT_EQ(value.Count(), 0);
  EXPECT_EQ(chart.Plot().graphCount(), 0);
}

TEST(ChartTest, AxesTakeRangesBoundsAndScroll) {
  CTchart1 chart;
  ChartAxis left = chart.Axis().Left();
  ChartAxis bottom = chart.Axis().Bottom();
  left.SetMinMax(-5.0, 30.0);
  bottom.SetMinMax(-19.0, 0.0);
  EXPECT_EQ(left.Minimum(), -5.0);
  EXPECT_EQ(left.Maximum(), 30.0);
  left.SetMinimum(-300.0);
  left.SetMaximum(250.0);
  EXPECT_EQ(left.Minimum(), -300.0);
  EXPECT_EQ(left.Maximum(), 250.0);
  bottom.Scroll(1.0, true);
  bottom.Scroll(1.0, true);
  EXPECT_EQ(bottom.Minimum(), -17.0);
  EXPECT_EQ(bottom.Maximum(), 2.0);
  EXPECT_EQ(left.Minimum(), -300.0) << "scrolling one axis moved the other";
}

TEST(ChartTest, MissingSeriesAndEmptyHandlesRaiseErrors) {
  CTchart1 chart;
  chart.AddSeries(0);
  EXPECT_THROW(chart.Series(1), ChartError);
  EXPECT_THROW(chart.Series(-1), ChartError);
  EXPECT_THROW(ChartSeries().AddXY(0, 0, {}, kRed), ChartError);
  EXPECT_THROW(ChartAxes().Left(), ChartError);
  ChartSeries orphan;
  {
    CTchart1 gone;
    gone.AddSeries(0);
    orphan = gone.Series(0);
  }
  EXPECT_THROW(orphan.Count(), ChartError) << "a handle outliving its chart";
}

TEST(ChartTest, PointsShareRedrawsAndAHiddenChartDrawsNone) {
  CTchart1 chart;
  chart.resize(640, 480);
  chart.AddSeries(0);
  ChartSeries series = chart.Series(0);
  for (int i = 0; i < 200; ++i)
    series.AddXY(i, i, {}, kGreen);
  test::Pump(60);
  EXPECT_EQ(chart.ReplotCount(), 0) << "drew while hidden";
  chart.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
  const int afterShow = chart.ReplotCount();
  EXPECT_GE(afterShow, 1);
  for (int i = 200; i < 1200; ++i)
    series.AddXY(i, i, {}, kGreen);
  test::Pump(60);
  EXPECT_LE(chart.ReplotCount() - afterShow, 2) << "1000 points added in one pass";
  EXPECT_GE(chart.ReplotCount() - afterShow, 1);
}

}  // namespace
}  // namespace orbek
