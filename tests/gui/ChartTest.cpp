#include <gtest/gtest.h>

#include <qcustomplot.h>
#include <QApplication>
#include <QTest>
#include <QToolTip>
#include <functional>

#include "tests/support/EventLoop.h"
#include "ui/CTchart1.h"

namespace orbek {
namespace {

constexpr std::uint32_t kGreen = 64100;  // 0x00FA64
constexpr std::uint32_t kRed = 255;

// The chart's drawing, the chart module loaded for it.
QCustomPlot& PlotOf(CTchart1& chart) {
  return *qobject_cast<QCustomPlot*>(chart.Drawing());
}

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
  ASSERT_EQ(PlotOf(chart).graphCount(), 2);
  EXPECT_EQ(PlotOf(chart).graph(0)->pen().color(), QColor(100, 250, 0));
  EXPECT_EQ(PlotOf(chart).graph(1)->pen().color(), QColor(255, 0, 0));
  EXPECT_EQ(PlotOf(chart).graph(1)->dataCount(), 3) << "the red run starts at the green point";
  value.Clear();
  EXPECT_EQ(value.Count(), 0);
  EXPECT_EQ(PlotOf(chart).graphCount(), 0);
}

// A run that only ever shows the table never loads the plotting library:
// the chart keeps its points, styles and ranges without a drawing, and
// draws all of them once shown.
TEST(ChartTest, AChartNeverShownHasNoDrawingAndShownDrawsAllItKept) {
  CTchart1 chart;
  chart.resize(400, 300);
  chart.AddSeries(0);
  chart.AddSeries(0);
  chart.Series(1).SetDashed(true);
  chart.Axis().Left().SetMinMax(-5.0, 30.0);
  for (int x = 0; x < 30; ++x) {
    chart.Series(0).AddXY(x, 7.0, {}, x < 10 ? kGreen : kRed);
    chart.Series(1).AddXY(x, 25.0, {}, kRed);
    if (x > 0) chart.Axis().Bottom().Scroll(1.0, true);
  }
  EXPECT_EQ(chart.ShownBottomRange(), std::pair(10.0, 29.0)) << "the view followed";
  EXPECT_TRUE(chart.PlotWidget()->findChildren<QWidget*>().isEmpty()) << "drawn while hidden";

  chart.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
  QCustomPlot& plot = PlotOf(chart);
  EXPECT_TRUE(plot.isVisible());
  ASSERT_EQ(plot.graphCount(), 3) << "green and red runs of the value, one of the temperature";
  EXPECT_EQ(plot.graph(0)->dataCount(), 10);
  EXPECT_EQ(plot.graph(1)->dataCount(), 21) << "the red run starts at the last green point";
  EXPECT_EQ(plot.graph(2)->pen().style(), Qt::DashLine);
  EXPECT_EQ(plot.yAxis->range(), QCPRange(-5.0, 30.0));
  EXPECT_EQ(plot.xAxis->range(), QCPRange(10.0, 29.0));
  EXPECT_EQ(plot.xAxis2->range(), QCPRange(10.0, 29.0));
}

// Before the chart is first shown its ranges are kept without the plot;
// each change must come out as the plot itself takes it, or a chart shown
// mid-transfer would jump.
TEST(ChartTest, RangesKeptBeforeTheChartIsShownAreThoseThePlotKeeps) {
  using Change = std::function<void(ChartAxis)>;
  const struct {
    const char* what;
    Change change;
  } changes[] = {
      {"a range", [](ChartAxis a) { a.SetMinMax(-5.0, 30.0); }},
      {"a reversed range", [](ChartAxis a) { a.SetMinMax(12.0, 2.0); }},
      {"an empty range", [](ChartAxis a) { a.SetMinMax(4.0, 4.0); }},
      {"an unbounded range", [](ChartAxis a) { a.SetMinMax(-1e300, 1.0); }},
      {"a minimum past the maximum", [](ChartAxis a) { a.SetMinimum(50.0); }},
      {"a maximum under the minimum", [](ChartAxis a) { a.SetMaximum(-50.0); }},
      {"a scroll", [](ChartAxis a) { a.Scroll(2.5, true); }},
      {"a tiny range", [](ChartAxis a) { a.SetMinMax(1.0, 1.0 + 1e-12); }},
  };
  CTchart1 kept, drawn;
  drawn.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&drawn));
  for (const auto& c : changes) {
    for (CTchart1* chart : {&kept, &drawn}) {
      c.change(chart->Axis().Left());
      c.change(chart->Axis().Bottom());
    }
    for (const auto& axis : {&ChartAxes::Left, &ChartAxes::Bottom}) {
      const ChartAxis k = (kept.Axis().*axis)(), d = (drawn.Axis().*axis)();
      EXPECT_EQ(std::pair(k.Minimum(), k.Maximum()), std::pair(d.Minimum(), d.Maximum()))
          << "after " << c.what;
    }
    EXPECT_EQ(kept.ShownBottomRange(), drawn.ShownBottomRange()) << "after " << c.what;
  }
  EXPECT_TRUE(kept.PlotWidget()->findChildren<QWidget*>().isEmpty());
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
  int plotted = 0;  // the plot's own replots too, its constructor's among them
  QObject::connect(&PlotOf(chart), &QCustomPlot::afterReplot, [&plotted] { ++plotted; });
  chart.resize(640, 480);
  chart.AddSeries(0);
  ChartSeries series = chart.Series(0);
  for (int i = 0; i < 200; ++i)
    series.AddXY(i, i, {}, kGreen);
  test::Pump(60);
  EXPECT_EQ(chart.ReplotCount(), 0) << "drew while hidden";
  EXPECT_EQ(plotted, 0) << "the plot drew while hidden";
  chart.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
  const int afterShow = chart.ReplotCount();
  EXPECT_GE(afterShow, 1);
  EXPECT_GE(plotted, 1);
  for (int i = 200; i < 1200; ++i)
    series.AddXY(i, i, {}, kGreen);
  test::Pump(250);
  EXPECT_LE(chart.ReplotCount() - afterShow, 2) << "1000 points added in one pass";
  EXPECT_GE(chart.ReplotCount() - afterShow, 1);
}

// Twenty frames a second while the eye can follow the points across the
// view; five once a frame brings more points than the view shows, and
// twenty again when they slow.
TEST(ChartTest, PointsThatReplaceTheWholeViewAreDrawnFiveTimesASecond) {
  CTchart1 chart;
  chart.resize(640, 480);
  chart.AddSeries(0);
  chart.Axis().Bottom().SetMinMax(-19.0, 0.0);
  chart.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
  const struct {
    int pointsAFrame;
    int frameMs;
  } cases[] = {{1, 50}, {19, 50}, {21, 200}, {500, 200}, {5, 50}};
  ChartSeries series = chart.Series(0);
  for (const auto& c : cases) {
    for (int i = 0; i < c.pointsAFrame; ++i) {
      series.AddXY(series.Count(), 1.0, {}, kGreen);
      if (series.Count() > 1) chart.Axis().Bottom().Scroll(1.0, true);
    }
    test::Pump(250);
    EXPECT_EQ(chart.FrameMs(), c.frameMs) << c.pointsAFrame << " points a frame";
  }
}

}  // namespace
}  // namespace orbek

namespace orbek {
namespace {

// A chart on screen with `count` readings, scrolled the way the window
// scrolls it: the newest 20 at the right edge.
class LookBackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    chart_.resize(600, 400);
    chart_.AddSeries(0);
    chart_.AddSeries(0);
    chart_.Axis().Left().SetMinMax(-5.0, 30.0);
    chart_.Axis().Bottom().SetMinMax(-19.0, 0.0);
    for (int i = 0; i < 100; ++i)
      Add();
    chart_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart_));
    test::Pump(50);
  }
  void Add() {
    const int x = chart_.Series(0).Count();
    chart_.Series(0).AddXY(x, 7.0 + x % 5, {}, kGreen);
    chart_.Series(1).AddXY(x, 25.0, {}, kRed);
    if (chart_.Series(0).Count() > 1) chart_.Axis().Bottom().Scroll(1.0, true);
  }
  QCustomPlot& Plot() { return PlotOf(chart_); }
  QPointF Pixel(double x, double y) {
    return {Plot().xAxis->coordToPixel(x), Plot().yAxis->coordToPixel(y)};
  }
  void Send(QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent event(type, at, Plot().mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(&Plot(), &event);
  }
  void Wheel(QPointF at, int steps) {
    QWheelEvent event(at, Plot().mapToGlobal(at), QPoint(), QPoint(0, 120 * steps), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&Plot(), &event);
  }
  double ShownWidth() { return chart_.ShownBottomRange().second - chart_.ShownBottomRange().first; }

  CTchart1 chart_;
};

TEST_F(LookBackTest, TheViewFollowsTheNewestReadingsUntilTheUserLooksBack) {
  EXPECT_TRUE(chart_.Following());
  EXPECT_EQ(chart_.ShownBottomRange(), std::pair(80.0, 99.0));

  // The wheel zooms the bottom axis around the pointer; the left axis stays.
  const QPointF at = Pixel(90.0, 10.0);
  Wheel(at, 2);
  EXPECT_FALSE(chart_.Following());
  EXPECT_LT(ShownWidth(), 19.0);
  EXPECT_NEAR(Plot().xAxis->pixelToCoord(at.x()), 90.0, 0.01) << "zoomed around the pointer";
  EXPECT_EQ(Plot().yAxis->range(), QCPRange(-5.0, 30.0));
  Wheel(at, -4);
  EXPECT_GT(ShownWidth(), 19.0);

  // Readings go on arriving; the view stays where the user put it, while
  // the range the program scrolls moves on underneath.
  const auto kept = chart_.ShownBottomRange();
  for (int i = 0; i < 10; ++i)
    Add();
  EXPECT_EQ(chart_.ShownBottomRange(), kept);
  EXPECT_EQ(chart_.Axis().Bottom().Minimum(), 90.0);
  EXPECT_EQ(chart_.Axis().Bottom().Maximum(), 109.0);

  // A double-click follows again, exactly where the program's scrolling is.
  Send(QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton);
  EXPECT_TRUE(chart_.Following());
  EXPECT_EQ(chart_.ShownBottomRange(), std::pair(90.0, 109.0));
  Add();
  EXPECT_EQ(chart_.ShownBottomRange(), std::pair(91.0, 110.0));
}

TEST_F(LookBackTest, ADragPansAndHomeFollowsAgain) {
  const QPointF from = Pixel(95.0, 10.0), to = Pixel(90.0, 10.0);
  Send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
  Send(QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
  Send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
  Send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
  EXPECT_FALSE(chart_.Following());
  EXPECT_NEAR(chart_.ShownBottomRange().first, 85.0, 0.05);
  EXPECT_NEAR(ShownWidth(), 19.0, 1e-9) << "a pan keeps the zoom";
  Add();
  EXPECT_NEAR(chart_.ShownBottomRange().first, 85.0, 0.05);

  Plot().setFocus();
  QTest::keyClick(&Plot(), Qt::Key_Home);
  EXPECT_TRUE(chart_.Following());
  EXPECT_EQ(chart_.ShownBottomRange(), std::pair(81.0, 100.0));
}

TEST_F(LookBackTest, HoveringNearAPointNamesIt) {
  chart_.SetPointDescriber(
      [](int series, int point) { return QString("series %1 point %2").arg(series).arg(point); });
  const struct {
    QPointF at;
    std::optional<std::pair<int, int>> point;
  } cases[] = {
      {Pixel(95.0, 7.0), std::pair(0, 95)},
      {Pixel(95.0, 25.0) + QPointF(3, -3), std::pair(1, 95)},
      {Pixel(95.4, 16.0), std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(chart_.PointAt(c.at), c.point) << c.at.x() << "," << c.at.y();
    Send(QEvent::MouseMove, c.at, Qt::NoButton, Qt::NoButton);
    if (c.point) {
      EXPECT_EQ(QToolTip::text(),
                QString("series %1 point %2").arg(c.point->first).arg(c.point->second));
    }
  }
  EXPECT_TRUE(chart_.Following()) << "hovering is not looking back";
}

}  // namespace
}  // namespace orbek
