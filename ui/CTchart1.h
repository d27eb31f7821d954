#pragma once

#include <QKeyEvent>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "ui/ChartCanvas.h"

namespace orbek {

class CTchart1;

// A chart operation that cannot be carried out (an empty handle, a series
// that does not exist).
class ChartError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Handle of one chart series: cheap to copy, empty when default-made.
class ChartSeries {
 public:
  ChartSeries() = default;

  void Clear();
  // Appends a point; `colour` is 0x00BBGGRR and the line to it is drawn in it.
  void AddXY(double x, double y, const QString& label, std::uint32_t colour);
  int Count() const;
  // Draws the series dashed, so that it is told apart without its colour.
  void SetDashed(bool dashed);

  // Read-back of point i, for the window's own checks and for tests.
  double X(int i) const;
  double Y(int i) const;
  std::uint32_t Colour(int i) const;

  bool IsEmpty() const { return chart_.isNull(); }

 private:
  friend class CTchart1;
  ChartSeries(CTchart1* chart, int index) : chart_(chart), index_(index) {}
  CTchart1& Chart() const;

  QPointer<CTchart1> chart_;
  int index_ = -1;
};

// Handle of the left (Y) or bottom (X) axis.
class ChartAxis {
 public:
  ChartAxis() = default;

  void SetMinMax(double minimum, double maximum);
  void SetMinimum(double minimum);
  void SetMaximum(double maximum);
  double Minimum() const;
  double Maximum() const;
  // Moves both bounds by `offset`. The axes have no limits to check against,
  // so `checkLimits` changes nothing.
  void Scroll(double offset, bool checkLimits);

 private:
  friend class ChartAxes;
  enum class Which { Left, Bottom };
  ChartAxis(CTchart1* chart, Which which) : chart_(chart), which_(which) {}
  ChartCanvas::Axis Drives() const;
  ChartCanvas::Range Range() const;
  void Set(double lower, double upper) const;

  QPointer<CTchart1> chart_;
  Which which_ = Which::Left;
};

// Handle of the chart's axes.
class ChartAxes {
 public:
  ChartAxes() = default;
  ChartAxis Left() const;
  ChartAxis Bottom() const;

 private:
  friend class CTchart1;
  explicit ChartAxes(CTchart1* chart) : chart_(chart) {}
  CTchart1* Chart() const;

  QPointer<CTchart1> chart_;
};

// The chart: line series against the row number. Adding a point costs the
// same however many the series holds; redraws are coalesced to at most one
// per frame, and none while the chart is hidden. It is drawn by a canvas
// the chart module makes when the chart is first shown; until then the chart
// keeps its points and ranges itself.
//
// The user may look back: the wheel zooms the bottom axis around the
// pointer, a drag pans it. The program's own bottom range (what the axis
// handle sets and scrolls) then goes on underneath while the view stays
// where the user put it, until a double-click or the Home key follows it
// again. Hovering near a point shows its description.
class CTchart1 : public QWidget {
  Q_OBJECT
  // Stored properties, set from the window form.
  Q_PROPERTY(QString titleText READ TitleText WRITE SetTitleText)
  Q_PROPERTY(bool bottomAxisGridVisible READ BottomAxisGridVisible WRITE SetBottomAxisGridVisible)
  Q_PROPERTY(bool leftAxisGridVisible READ LeftAxisGridVisible WRITE SetLeftAxisGridVisible)
  Q_PROPERTY(bool leftAxisAutomatic MEMBER leftAxisAutomatic_)
  Q_PROPERTY(bool leftAxisAutomaticMaximum MEMBER leftAxisAutomaticMaximum_)
  Q_PROPERTY(bool leftAxisAutomaticMinimum MEMBER leftAxisAutomaticMinimum_)
  Q_PROPERTY(bool legendVisible READ LegendVisible WRITE SetLegendVisible)
  Q_PROPERTY(bool view3D MEMBER view3D_)

 public:
  explicit CTchart1(QWidget* parent = nullptr);
  ~CTchart1() override;

  ChartAxes Axis() { return ChartAxes(this); }
  int SeriesCount() const { return static_cast<int>(series_.size()); }
  ChartSeries Series(int index);
  // Appends a line series (class 0 is the only class) and returns its index.
  int AddSeries(int seriesClass);

  QString TitleText() const { return title_; }
  void SetTitleText(const QString& text);
  bool BottomAxisGridVisible() const { return bottomGrid_; }
  void SetBottomAxisGridVisible(bool visible);
  bool LeftAxisGridVisible() const { return leftGrid_; }
  void SetLeftAxisGridVisible(bool visible);
  bool LegendVisible() const { return legend_; }
  void SetLegendVisible(bool visible);
  bool LeftAxisAutomatic() const { return leftAxisAutomatic_; }
  bool View3D() const { return view3D_; }

  // Whether the view shows the program's bottom range, and what it shows.
  bool Following() const { return following_; }
  void Follow();
  std::pair<double, double> ShownBottomRange() const;
  // What hovering over point `point` of series `series` shows.
  using PointDescriber = std::function<QString(int series, int point)>;
  void SetPointDescriber(PointDescriber describer);
  // The series and point within a few pixels of `position` on the plot.
  std::optional<std::pair<int, int>> PointAt(const QPointF& position) const;
  QString DescribePoint(int series, int point) const;
  // The keyboard's cursor: the readings at its point, empty before a key
  // moved it; and where a menu opened from the keyboard appears.
  QString CursorText() const;
  QPoint MenuPoint() const;
  // The drawing's place, which takes the focus and the keys.
  QWidget* PlotWidget() const;
  // The drawing itself, the chart module loaded first if it is not yet.
  QWidget* Drawing();

  // Saves the chart as shown, as PNG, SVG or PDF by the name's extension.
  // A chart not shown yet is drawn first.
  // Throws SaveError.
  void SavePicture(const QString& path);

  // How many redraws have run; lets tests see that points are coalesced.
  int ReplotCount() const { return replots_; }
  int FrameMs() const { return replotTimer_.interval(); }

 signals:
  // The bottom range shown changed: the program's scroll or the user's look
  // back.
  void ShownRangeChanged();
  // The keyboard's cursor moved to a reading; `text` describes it.
  void CursorMoved(const QString& text);

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  friend class ChartSeries;
  friend class ChartAxis;

  struct SeriesData {
    std::vector<double> xs, ys;
    std::vector<std::uint32_t> colours;
    bool dashed = false;
  };

  SeriesData& SeriesAt(int index);
  void ClearSeries(int index);
  void AddPoint(int index, double x, double y, std::uint32_t colour);
  void SetDashed(int index, bool dashed);
  ChartCanvas& Drawn();
  void Draw(ChartCanvas& canvas) const;
  void ScheduleReplot();
  void Replot();
  void FollowPalette();
  void ShownRangeMoved();
  void ShowFollowedRange();
  bool OnPlotEvent(QEvent& event);
  void ShowPointAt(const QPointF& position, const QPointF& global);
  bool OnKey(const QKeyEvent& key);
  void LookAt(double lower);
  void MoveCursor(int step);
  QPoint CursorPoint() const;

  static constexpr double kDefaultMinimum = 0.0;
  static constexpr double kDefaultMaximum = 10.0;
  static constexpr double kHoverPixels = 8.0;

  QWidget* host_;  // where the canvas draws; it takes the focus and the keys
  // The kept ranges until the chart is first shown, then the drawing one.
  std::unique_ptr<ChartCanvas> canvas_;
  bool drawn_ = false;
  QString whyNotDrawn_;  // the module's loader's reason, when it could not
  std::vector<SeriesData> series_;
  QTimer replotTimer_;
  QString title_;
  bool bottomGrid_ = false, leftGrid_ = false, legend_ = false;
  QColor background_, ink_;
  bool leftAxisAutomatic_ = false;
  bool leftAxisAutomaticMaximum_ = false;
  bool leftAxisAutomaticMinimum_ = false;
  bool view3D_ = false;
  int replots_ = 0;
  std::size_t pointsAtReplot_ = 0;  // of the longest series
  bool following_ = true;
  std::optional<int> cursor_;  // the keyboard cursor's point, of series 0
  bool showingFollowed_ = false;  // the view's range is being set to the followed one
  PointDescriber describer_;
};

}  // namespace orbek
