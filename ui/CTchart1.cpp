#include "ui/CTchart1.h"

#include <QBuffer>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <QToolTip>
#include <algorithm>
#include <cmath>

#include <qcustomplot.h>
#include <QVBoxLayout>

#include "storage/NativePath.h"
#include "storage/SafeSave.h"
#include "storage/SaveError.h"

namespace orbek {

namespace {

// Points arriving within 50 ms share one redraw: twenty a second follow a
// streaming meter smoothly enough for the eye, at a third of the cost of
// redrawing at the screen's rate.
constexpr int kFrameMs = 50;
// A frame that brought more points than the bottom axis shows replaced the
// whole view: no eye follows points that pass that fast, and the next
// frames come ten a second, until the points slow.
constexpr int kRushingFrameMs = 100;

QColor FromBgr(std::uint32_t colour) {
  return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

}  // namespace

// --- handles ---------------------------------------------------------------

CTchart1& ChartSeries::Chart() const {
  if (chart_.isNull()) throw ChartError("The chart series handle is empty");
  return *chart_;
}

void ChartSeries::Clear() {
  Chart().ClearSeries(index_);
}

void ChartSeries::AddXY(double x, double y, const QString& /*label*/, std::uint32_t colour) {
  Chart().AddPoint(index_, x, y, colour);
}

void ChartSeries::SetDashed(bool dashed) {
  Chart().SetDashed(index_, dashed);
}

int ChartSeries::Count() const {
  return static_cast<int>(Chart().SeriesAt(index_).xs.size());
}

double ChartSeries::X(int i) const {
  return Chart().SeriesAt(index_).xs.at(i);
}
double ChartSeries::Y(int i) const {
  return Chart().SeriesAt(index_).ys.at(i);
}
std::uint32_t ChartSeries::Colour(int i) const {
  return Chart().SeriesAt(index_).colours.at(i);
}

// The bottom axis the program drives is the hidden second X axis: the one
// shown follows it, unless the user is looking back (see CTchart1).
QCPAxis& ChartAxis::Axis() const {
  if (chart_.isNull()) throw ChartError("The chart axis handle is empty");
  QCustomPlot& plot = chart_->Plot();
  return *(which_ == Which::Left ? plot.yAxis : plot.xAxis2);
}

void ChartAxis::Changed() const {
  if (which_ == Which::Bottom) chart_->ShowFollowedRange();
  chart_->ScheduleReplot();
}

void ChartAxis::SetMinMax(double minimum, double maximum) {
  Axis().setRange(minimum, maximum);
  Changed();
}

void ChartAxis::SetMinimum(double minimum) {
  Axis().setRangeLower(minimum);
  Changed();
}

void ChartAxis::SetMaximum(double maximum) {
  Axis().setRangeUpper(maximum);
  Changed();
}

double ChartAxis::Minimum() const {
  return Axis().range().lower;
}
double ChartAxis::Maximum() const {
  return Axis().range().upper;
}

void ChartAxis::Scroll(double offset, bool /*checkLimits*/) {
  Axis().moveRange(offset);
  Changed();
}

CTchart1* ChartAxes::Chart() const {
  if (chart_.isNull()) throw ChartError("The chart axes handle is empty");
  return chart_.data();
}

ChartAxis ChartAxes::Left() const {
  return ChartAxis(Chart(), ChartAxis::Which::Left);
}
ChartAxis ChartAxes::Bottom() const {
  return ChartAxis(Chart(), ChartAxis::Which::Bottom);
}

// --- the chart -------------------------------------------------------------

CTchart1::CTchart1(QWidget* parent) : QWidget(parent), plot_(new QCustomPlot(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(plot_);
  plot_->setNoAntialiasingOnDrag(true);
  plot_->setNotAntialiasedElements(QCP::aeAll);
  plot_->xAxis->setRange(-19.0, 0.0);
  plot_->xAxis2->setRange(-19.0, 0.0);
  plot_->yAxis->setRange(kDefaultMinimum, kDefaultMaximum);
  SetUpLookingBack();
  SetBottomAxisGridVisible(false);
  SetLeftAxisGridVisible(false);
  SetLegendVisible(false);
  FollowPalette();
  replotTimer_.setSingleShot(true);
  replotTimer_.setInterval(kFrameMs);
  connect(&replotTimer_, &QTimer::timeout, this, &CTchart1::Replot);
  // QCustomPlot queues a replot from its constructor, which draws even a
  // hidden plot: a millisecond of the window's start-up, the chart being
  // hidden until asked for. showEvent draws it instead.
  QCoreApplication::removePostedEvents(plot_, QEvent::MetaCall);
}

// On a dark palette the plot takes the palette's base and text colours; on
// a light one it stays the white chart it has always been.
void CTchart1::FollowPalette() {
  const QPalette& colours = palette();
  const bool dark =
      colours.color(QPalette::Window).lightness() < colours.color(QPalette::WindowText).lightness();
  const QColor background = dark ? colours.color(QPalette::Base) : QColor(Qt::white);
  const QColor ink = dark ? colours.color(QPalette::Text) : QColor(Qt::black);
  plot_->setBackground(background);
  for (QCPAxis* axis : {plot_->xAxis, plot_->yAxis, plot_->xAxis2, plot_->yAxis2}) {
    axis->setBasePen(QPen(ink));
    axis->setTickPen(QPen(ink));
    axis->setSubTickPen(QPen(ink));
    axis->setTickLabelColor(ink);
    axis->setLabelColor(ink);
  }
  ScheduleReplot();
}

void CTchart1::changeEvent(QEvent* event) {
  if (event->type() == QEvent::PaletteChange) FollowPalette();
  QWidget::changeEvent(event);
}

CTchart1::~CTchart1() = default;

ChartSeries CTchart1::Series(int index) {
  SeriesAt(index);  // throws for a series that does not exist
  return ChartSeries(this, index);
}

int CTchart1::AddSeries(int /*seriesClass*/) {
  series_.emplace_back();
  return SeriesCount() - 1;
}

void CTchart1::SetTitleText(const QString& text) {
  title_ = text;
  // An empty title takes no room; a title gets the layout's top row.
  auto* layout = plot_->plotLayout();
  auto* element =
      layout->rowCount() > 1 ? qobject_cast<QCPTextElement*>(layout->element(0, 0)) : nullptr;
  if (text.isEmpty() && element != nullptr) {
    layout->remove(element);
    layout->simplify();
  } else if (!text.isEmpty() && element == nullptr) {
    layout->insertRow(0);
    layout->addElement(0, 0, new QCPTextElement(plot_, text));
  } else if (element != nullptr) {
    element->setText(text);
  }
  ScheduleReplot();
}

bool CTchart1::BottomAxisGridVisible() const {
  return plot_->xAxis->grid()->visible();
}
void CTchart1::SetBottomAxisGridVisible(bool visible) {
  plot_->xAxis->grid()->setVisible(visible);
}
bool CTchart1::LeftAxisGridVisible() const {
  return plot_->yAxis->grid()->visible();
}
void CTchart1::SetLeftAxisGridVisible(bool visible) {
  plot_->yAxis->grid()->setVisible(visible);
}
bool CTchart1::LegendVisible() const {
  return plot_->legend->visible();
}
void CTchart1::SetLegendVisible(bool visible) {
  plot_->legend->setVisible(visible);
}

CTchart1::SeriesData& CTchart1::SeriesAt(int index) {
  if (index < 0 || index >= SeriesCount())
    throw ChartError(QStringLiteral("The chart has no series %1 (it has %2)")
                         .arg(index)
                         .arg(SeriesCount())
                         .toStdString());
  return series_[static_cast<std::size_t>(index)];
}

void CTchart1::ClearSeries(int index) {
  SeriesData& data = SeriesAt(index);
  cursor_.reset();
  for (QCPGraph* run : data.runs)
    plot_->removeGraph(run);
  const bool dashed = data.dashed;  // a style of the series, not of its points
  data = SeriesData{};
  data.dashed = dashed;
  ScheduleReplot();
}

void CTchart1::AddPoint(int index, double x, double y, std::uint32_t colour) {
  SeriesData& data = SeriesAt(index);
  if (data.runs.empty() || data.colours.back() != colour) {
    QCPGraph* run = NewRun(colour, data.dashed);
    if (!data.xs.empty()) run->addData(data.xs.back(), data.ys.back());
    data.runs.push_back(run);
  }
  data.runs.back()->addData(x, y);
  data.xs.push_back(x);
  data.ys.push_back(y);
  data.colours.push_back(colour);
  ScheduleReplot();
}

void CTchart1::SetDashed(int index, bool dashed) {
  SeriesData& data = SeriesAt(index);
  data.dashed = dashed;
  for (QCPGraph* run : data.runs) {
    QPen pen = run->pen();
    pen.setStyle(dashed ? Qt::DashLine : Qt::SolidLine);
    run->setPen(pen);
  }
  ScheduleReplot();
}

QCPGraph* CTchart1::NewRun(std::uint32_t colour, bool dashed) {
  QCPGraph* run = plot_->addGraph();
  run->setPen(QPen(FromBgr(colour), 1.5, dashed ? Qt::DashLine : Qt::SolidLine));
  run->setLineStyle(QCPGraph::lsLine);
  run->setAdaptiveSampling(true);
  return run;
}

// A hidden chart is drawn when it is shown again (showEvent).
void CTchart1::ScheduleReplot() {
  if (isVisible() && !replotTimer_.isActive()) replotTimer_.start();
}

void CTchart1::Replot() {
  if (!isVisible()) return;  // showEvent draws what changed meanwhile
  if (leftAxisAutomatic_) plot_->yAxis->rescale(true);
  plot_->replot(QCustomPlot::rpImmediateRefresh);
  ++replots_;
  std::size_t longest = 0;
  for (const SeriesData& data : series_)
    longest = std::max(longest, data.xs.size());
  const std::size_t gained = longest - std::min(longest, pointsAtReplot_);
  pointsAtReplot_ = longest;
  replotTimer_.setInterval(
      static_cast<double>(gained) > plot_->xAxis2->range().size() ? kRushingFrameMs : kFrameMs);
}

// The wheel zooms the bottom axis around the pointer and a drag pans it
// (QCustomPlot's own range interactions, held to the bottom axis). Either
// leaves the followed range to go on underneath; a double-click or Home
// shows it again. Hovering near a point shows what it is.
void CTchart1::SetUpLookingBack() {
  plot_->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
  plot_->axisRect()->setRangeDrag(Qt::Horizontal);
  plot_->axisRect()->setRangeZoom(Qt::Horizontal);
  plot_->axisRect()->setRangeDragAxes(plot_->xAxis, nullptr);
  plot_->axisRect()->setRangeZoomAxes(plot_->xAxis, nullptr);
  // In the Tab order: the keys look back as the mouse does (OnKey).
  plot_->setFocusPolicy(Qt::StrongFocus);
  plot_->setMouseTracking(true);
  plot_->installEventFilter(this);
  connect(plot_->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
          [this](const QCPRange&) {
            if (!showingFollowed_) following_ = false;
            // A point described under a still pointer may have moved away.
            if (QToolTip::isVisible() && plot_->underMouse())
              ShowPointAt(plot_->mapFromGlobal(QCursor::pos()), QCursor::pos());
            emit ShownRangeChanged();
          });
  connect(plot_, &QCustomPlot::mouseDoubleClick, this, [this](QMouseEvent*) { Follow(); });
  connect(plot_, &QCustomPlot::mouseMove, this, [this](QMouseEvent* event) {
    if (event->buttons() == Qt::NoButton) ShowPointAt(event->pos(), event->globalPosition());
  });
}

bool CTchart1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == plot_ && event->type() == QEvent::KeyPress &&
      OnKey(*static_cast<QKeyEvent*>(event)))
    return true;
  // QCustomPlot takes every mouse press for its drags, and Qt asks for a
  // context menu only for a press nobody took: the chart's own menu opens
  // on the right button here, as the table's does.
  if (watched == plot_ && event->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
    const auto* press = static_cast<QMouseEvent*>(event);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, plot_->mapTo(this, press->position().toPoint()),
                           press->globalPosition().toPoint(), press->modifiers());
    QCoreApplication::sendEvent(this, &menu);
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

// The keyboard's look at the chart: Left and Right step a cursor from
// reading to reading (the view follows it), Page Up and Page Down pan a
// view's width, + and - zoom around the middle, Home follows the newest
// readings again.
bool CTchart1::OnKey(const QKeyEvent& key) {
  QCPAxis& bottom = *plot_->xAxis;
  const double width = bottom.range().size();
  switch (key.key()) {
    case Qt::Key_Home:
      cursor_.reset();
      Follow();
      return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
      MoveCursor(key.key() == Qt::Key_Left ? -1 : 1);
      return true;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      LookAt(bottom.range().lower + (key.key() == Qt::Key_PageUp ? -width : width));
      return true;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
    case Qt::Key_Minus:
      following_ = false;
      bottom.scaleRange(key.key() == Qt::Key_Minus ? 1.25 : 0.8, bottom.range().center());
      ScheduleReplot();
      return true;
    default:
      return false;
  }
}

// Shows the bottom range from `lower` on, as wide as now.
void CTchart1::LookAt(double lower) {
  following_ = false;
  plot_->xAxis->setRange(lower, lower + plot_->xAxis->range().size());
  ScheduleReplot();
}

void CTchart1::MoveCursor(int step) {
  if (SeriesCount() == 0 || series_[0].xs.empty()) return;
  const auto& xs = series_[0].xs;
  const auto last = static_cast<int>(xs.size()) - 1;
  if (!cursor_) {
    // From the newest reading shown.
    const double upper = plot_->xAxis->range().upper;
    cursor_ = static_cast<int>(std::upper_bound(xs.begin(), xs.end(), upper) - xs.begin()) - 1;
  } else {
    *cursor_ += step;
  }
  cursor_ = std::clamp(*cursor_, 0, last);
  const double x = xs[static_cast<std::size_t>(*cursor_)];
  const QCPRange range = plot_->xAxis->range();
  if (x < range.lower) LookAt(x);
  if (x > range.upper) LookAt(x - range.size());
  plot_->setAccessibleDescription(CursorText());
  emit CursorMoved(CursorText());
  QToolTip::showText(plot_->mapToGlobal(CursorPoint()), CursorText(), plot_);
}

// The cursor's readings, every series at its point.
QString CTchart1::CursorText() const {
  if (!cursor_) return {};
  QStringList parts;
  for (int series = 0; series < SeriesCount(); ++series)
    if (*cursor_ < static_cast<int>(series_[static_cast<std::size_t>(series)].xs.size()))
      parts << DescribePoint(series, *cursor_);
  return parts.join(QLatin1Char('\n'));
}

// Where the cursor's point is drawn, or the middle of the plot.
QPoint CTchart1::CursorPoint() const {
  if (!cursor_ || series_.empty() ||
      *cursor_ >= static_cast<int>(series_[0].xs.size()))
    return plot_->rect().center();
  const auto point = static_cast<std::size_t>(*cursor_);
  return QPointF(plot_->xAxis->coordToPixel(series_[0].xs[point]),
                 plot_->yAxis->coordToPixel(series_[0].ys[point]))
      .toPoint();
}

QWidget* CTchart1::PlotWidget() const {
  return plot_;
}

QPoint CTchart1::MenuPoint() const {
  return plot_->mapTo(this, CursorPoint());
}

void CTchart1::Follow() {
  following_ = true;
  ShowFollowedRange();
  ScheduleReplot();
}

void CTchart1::ShowFollowedRange() {
  if (!following_) return;
  showingFollowed_ = true;
  plot_->xAxis->setRange(plot_->xAxis2->range());
  showingFollowed_ = false;
}

std::pair<double, double> CTchart1::ShownBottomRange() const {
  return {plot_->xAxis->range().lower, plot_->xAxis->range().upper};
}

// The picture is drawn into memory first and saved whole, so a failed save
// leaves no half-written file. PNG at the chart's size on screen; SVG and
// PDF as vector graphics.
void CTchart1::SavePicture(const QString& path) const {
  const QString suffix = QFileInfo(path).suffix().toLower();
  const int width = plot_->width(), height = plot_->height();
  QBuffer picture;
  picture.open(QIODevice::WriteOnly);
  bool drawn = false;
  if (suffix == QLatin1String("png")) {
    drawn = plot_->toPixmap(width, height).save(&picture, "PNG");
  } else if (suffix == QLatin1String("svg")) {
    QSvgGenerator svg;
    svg.setOutputDevice(&picture);
    svg.setSize(QSize(width, height));
    svg.setViewBox(QRect(0, 0, width, height));
    svg.setTitle(title_);
    QCPPainter painter;
    drawn = painter.begin(&svg);
    if (drawn) plot_->toPainter(&painter, width, height);
    drawn = drawn && painter.end();
  } else if (suffix == QLatin1String("pdf")) {
    QPdfWriter pdf(&picture);
    pdf.setPageSize(QPageSize(QSizeF(width, height), QPageSize::Point));
    pdf.setPageMargins(QMarginsF());
    pdf.setResolution(72);
    QCPPainter painter;
    drawn = painter.begin(&pdf);
    if (drawn) plot_->toPainter(&painter, width, height);
    drawn = drawn && painter.end();
  } else {
    throw SaveError(tr("Cannot save %1: a picture's name must end in .png, .svg or "
                       ".pdf")
                        .arg(DisplayPath(path))
                        .toStdString());
  }
  if (!drawn) throw SaveError("the chart could not be drawn");
  SaveBytes(path, picture.data());
}

void CTchart1::SetPointDescriber(PointDescriber describer) {
  describer_ = std::move(describer);
}

// The point nearest the pointer, of any series, within a few pixels.
std::optional<std::pair<int, int>> CTchart1::PointAt(const QPointF& position) const {
  const double x = plot_->xAxis->pixelToCoord(position.x());
  std::optional<std::pair<int, int>> nearest;
  double nearestDistance = kHoverPixels;
  for (int series = 0; series < SeriesCount(); ++series) {
    const SeriesData& data = series_[static_cast<std::size_t>(series)];
    const auto at = std::lower_bound(data.xs.begin(), data.xs.end(), x) - data.xs.begin();
    for (auto i = std::max<std::ptrdiff_t>(at - 1, 0);
         i <= at && i < static_cast<std::ptrdiff_t>(data.xs.size()); ++i) {
      const auto point = static_cast<std::size_t>(i);
      const double distance = std::hypot(plot_->xAxis->coordToPixel(data.xs[point]) - position.x(),
                                         plot_->yAxis->coordToPixel(data.ys[point]) - position.y());
      if (distance <= nearestDistance) {
        nearestDistance = distance;
        nearest = std::pair(series, static_cast<int>(i));
      }
    }
  }
  return nearest;
}

QString CTchart1::DescribePoint(int series, int point) const {
  const SeriesData& data = series_[static_cast<std::size_t>(series)];
  if (describer_) return describer_(series, point);
  return QStringLiteral("%1, %2")
      .arg(data.xs[static_cast<std::size_t>(point)])
      .arg(data.ys[static_cast<std::size_t>(point)]);
}

void CTchart1::ShowPointAt(const QPointF& position, const QPointF& global) {
  const auto point = PointAt(position);
  if (!point) {
    QToolTip::hideText();
    return;
  }
  QToolTip::showText(global.toPoint(), DescribePoint(point->first, point->second), plot_);
}

void CTchart1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  Replot();
}

}  // namespace orbek
