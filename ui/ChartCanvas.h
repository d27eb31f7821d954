#pragma once

#include <QByteArray>
#include <QColor>
#include <QPointF>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>

class QWidget;

namespace orbek {

// What draws the chart: the plot and its axes, the runs of each series,
// the pictures saved of it. The chart (CTchart1) keeps the readings and
// the look-back and hands a canvas what to draw. The canvas that draws is
// a module the window loads when the chart is first shown (see
// ChartEntry): its plotting library stays out of every start, and out of
// a run that only ever shows the table.
class ChartCanvas {
 public:
  // The left axis; the bottom axis shown; the bottom axis the program
  // drives, which the shown one follows unless the user looks back.
  enum class Axis { Left, Shown, Followed };
  using Range = std::pair<double, double>;

  virtual ~ChartCanvas() = default;

  // The plot, a child of the widget the canvas was made for.
  virtual QWidget* Widget() = 0;

  virtual void SetTitle(const QString& text) = 0;
  virtual void SetGrids(bool bottom, bool left) = 0;
  virtual void SetLegendVisible(bool visible) = 0;
  virtual void SetColours(const QColor& background, const QColor& ink) = 0;

  // A series is drawn as runs of one colour each; a run starts at the last
  // point of the one before, so the line stays unbroken.
  virtual void AddPoint(int series, double x, double y, std::uint32_t bgrColour, bool dashed) = 0;
  virtual void ClearSeries(int series) = 0;
  virtual void SetDashed(int series, bool dashed) = 0;

  virtual Range AxisRange(Axis axis) const = 0;
  // As the plotting library takes a range: a reversed one put in order, an
  // empty or unbounded one ignored.
  virtual void SetAxisRange(Axis axis, double lower, double upper) = 0;
  virtual void ScaleAxis(Axis axis, double factor, double centre) = 0;

  // Draws now; the left axis first fitted to the points when `fitLeft`.
  virtual void Replot(bool fitLeft) = 0;
  virtual QPointF ToPixels(double x, double y) const = 0;
  virtual double BottomAt(double pixelX) const = 0;

  // The plot as it is, in a PNG, SVG or PDF file's bytes; empty if it could
  // not be drawn.
  virtual QByteArray Picture(const QString& format, const QString& title) const = 0;
};

// What the chart module gives the window.
struct ChartEntry {
  // A canvas drawing into a new child of `host`, showing `ranges` (by
  // ChartCanvas::Axis); `shownRangeChanged` is called whenever the shown
  // bottom range changes, by the program or by the user's mouse.
  std::unique_ptr<ChartCanvas> (*makeCanvas)(QWidget& host, const ChartCanvas::Range ranges[3],
                                             std::function<void()> shownRangeChanged);
};

}  // namespace orbek

// The module's one exported name.
extern "C" const orbek::ChartEntry* orbek_chart_entry();
