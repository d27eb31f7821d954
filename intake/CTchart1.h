#pragma once

#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <stdexcept>
#include <vector>

class QCustomPlot;
class QCPAxis;
class QCPGraph;

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
  QCPAxis& Axis() const;

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

// The chart: line series against the row number, over QCustomPlot. Adding a
// point costs the same however many the series holds; redraws are
// coalesced to at most one per frame, and none while the chart is hidden.
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
  bool BottomAxisGridVisible() const;
  void SetBottomAxisGridVisible(bool visible);
  bool LeftAxisGridVisible() const;
  void SetLeftAxisGridVisible(bool visible);
  bool LegendVisible() const;
  void SetLegendVisible(bool visible);
  bool LeftAxisAutomatic() const { return leftAxisAutomatic_; }
  bool View3D() const { return view3D_; }

  // How many redraws have run; lets tests see that points are coalesced.
  int ReplotCount() const { return replots_; }
  QCustomPlot& Plot() const { return *plot_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  friend class ChartSeries;
  friend class ChartAxis;

  // A series is drawn as runs of one colour each; a run starts at the last
  // point of the one before, so the line stays unbroken.
  struct SeriesData {
    std::vector<QCPGraph*> runs;
    std::vector<double> xs, ys;
    std::vector<std::uint32_t> colours;
  };

  SeriesData& SeriesAt(int index);
  void ClearSeries(int index);
  void AddPoint(int index, double x, double y, std::uint32_t colour);
  QCPGraph* NewRun(std::uint32_t colour);
  void ScheduleReplot();
  void Replot();

  static constexpr double kDefaultMinimum = 0.0;
  static constexpr double kDefaultMaximum = 10.0;

  QCustomPlot* plot_;
  std::vector<SeriesData> series_;
  QTimer replotTimer_;
  QString title_;
  bool leftAxisAutomatic_ = false;
  bool leftAxisAutomaticMaximum_ = false;
  bool leftAxisAutomaticMinimum_ = false;
  bool view3D_ = false;
  int replots_ = 0;
};

}  // namespace orbek
