#include "ui/CTchart1.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "storage/Modules.h"
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
// frames come five a second, until the points slow. Each such frame draws
// every point in view anew, a millisecond or more.
constexpr int kRushingFrameMs = 200;

// Keeps the axes' ranges while nothing is drawn: before the chart is first
// shown, and for good if the chart module cannot be loaded (a label then
// says why). Ranges are taken as the plotting library takes them.
class KeptRanges : public ChartCanvas {
 public:
  KeptRanges(const Range ranges[3], std::function<void()> shownRangeChanged)
      : ranges_{ranges[0], ranges[1], ranges[2]},
        shownRangeChanged_(std::move(shownRangeChanged)) {}

  // Shows `why` in `host` in place of the chart.
  void SayWhy(QWidget& host, const QString& why) {
    label_ = new QLabel(why, &host);
    label_->setWordWrap(true);
    label_->setAlignment(Qt::AlignCenter);
    host.layout()->addWidget(label_);
  }

  QWidget* Widget() override { return label_; }
  void SetTitle(const QString&) override {}
  void SetGrids(bool, bool) override {}
  void SetLegendVisible(bool) override {}
  void SetColours(const QColor&, const QColor&) override {}
  void AddPoint(int, double, double, std::uint32_t, bool) override {}
  void ClearSeries(int) override {}
  void SetDashed(int, bool) override {}
  Range AxisRange(Axis axis) const override { return ranges_[static_cast<int>(axis)]; }
  void SetAxisRange(Axis axis, double lower, double upper) override {
    constexpr double kWidest = 1e250, kNarrowest = 1e-280;
    const double width = std::abs(upper - lower);
    if (!(lower > -kWidest && upper < kWidest && width > kNarrowest && width < kWidest)) return;
    const Range range = std::minmax(lower, upper);
    Range& kept = ranges_[static_cast<int>(axis)];
    if (range == kept) return;
    kept = range;
    if (axis == Axis::Shown && shownRangeChanged_) shownRangeChanged_();
  }
  void ScaleAxis(Axis axis, double factor, double centre) override {
    const auto [lower, upper] = AxisRange(axis);
    SetAxisRange(axis, (lower - centre) * factor + centre, (upper - centre) * factor + centre);
  }
  void Replot(bool) override {}
  QPointF ToPixels(double, double) const override { return {qQNaN(), qQNaN()}; }
  double BottomAt(double) const override { return qQNaN(); }
  QByteArray Picture(const QString&, const QString&) const override { return {}; }

 private:
  Range ranges_[3];
  std::function<void()> shownRangeChanged_;
  QLabel* label_ = nullptr;
};

// The chart module's entry, loaded at the first call; nullptr and the
// loader's reason if it cannot be.
const ChartEntry* ChartModule(QString* why) {
  static QString problem;
  static const ChartEntry* const entry = [] {
    using EntryFunction = const ChartEntry* (*)();
    const auto function = reinterpret_cast<EntryFunction>(
        ModuleEntry(QStringLiteral("orbek-chart.so"), "orbek_chart_entry", &problem));
    return function != nullptr ? function() : nullptr;
  }();
  *why = problem;
  return entry;
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

// The bottom axis the program drives is the followed one: the one shown
// follows it, unless the user is looking back (see CTchart1).
ChartCanvas::Axis ChartAxis::Drives() const {
  if (chart_.isNull()) throw ChartError("The chart axis handle is empty");
  return which_ == Which::Left ? ChartCanvas::Axis::Left : ChartCanvas::Axis::Followed;
}

ChartCanvas::Range ChartAxis::Range() const {
  const ChartCanvas::Axis axis = Drives();
  return chart_->canvas_->AxisRange(axis);
}

void ChartAxis::Set(double lower, double upper) const {
  const ChartCanvas::Axis axis = Drives();
  chart_->canvas_->SetAxisRange(axis, lower, upper);
  if (which_ == Which::Bottom) chart_->ShowFollowedRange();
  chart_->ScheduleReplot();
}

void ChartAxis::SetMinMax(double minimum, double maximum) {
  Set(minimum, maximum);
}

void ChartAxis::SetMinimum(double minimum) {
  Set(minimum, Range().second);
}

void ChartAxis::SetMaximum(double maximum) {
  Set(Range().first, maximum);
}

double ChartAxis::Minimum() const {
  return Range().first;
}
double ChartAxis::Maximum() const {
  return Range().second;
}

void ChartAxis::Scroll(double offset, bool /*checkLimits*/) {
  const auto [lower, upper] = Range();
  Set(lower + offset, upper + offset);
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

CTchart1::CTchart1(QWidget* parent) : QWidget(parent), host_(new QWidget(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(host_);
  (new QVBoxLayout(host_))->setContentsMargins(0, 0, 0, 0);
  // In the Tab order: the keys look back as the mouse does (OnKey).
  host_->setFocusPolicy(Qt::StrongFocus);
  host_->installEventFilter(this);
  const ChartCanvas::Range ranges[3] = {
      {kDefaultMinimum, kDefaultMaximum}, {-19.0, 0.0}, {-19.0, 0.0}};
  canvas_ = std::make_unique<KeptRanges>(ranges, [this] { ShownRangeMoved(); });
  FollowPalette();
  replotTimer_.setSingleShot(true);
  replotTimer_.setInterval(kFrameMs);
  connect(&replotTimer_, &QTimer::timeout, this, &CTchart1::Replot);
}

CTchart1::~CTchart1() = default;

// The drawing canvas, made by the chart module at the first call, and told
// all the chart holds so far. Without the module the chart keeps its
// readings and ranges and says why it draws nothing.
ChartCanvas& CTchart1::Drawn() {
  if (drawn_) return *canvas_;
  drawn_ = true;
  const ChartCanvas::Range ranges[3] = {canvas_->AxisRange(ChartCanvas::Axis::Left),
                                        canvas_->AxisRange(ChartCanvas::Axis::Shown),
                                        canvas_->AxisRange(ChartCanvas::Axis::Followed)};
  const ChartEntry* module = ChartModule(&whyNotDrawn_);
  if (module == nullptr) {
    static_cast<KeptRanges&>(*canvas_).SayWhy(
        *host_, tr("The chart cannot be drawn: %1").arg(whyNotDrawn_));
    return *canvas_;
  }
  canvas_ = module->makeCanvas(*host_, ranges, [this] { ShownRangeMoved(); });
  canvas_->Widget()->installEventFilter(this);
  Draw(*canvas_);
  return *canvas_;
}

void CTchart1::Draw(ChartCanvas& canvas) const {
  canvas.SetTitle(title_);
  canvas.SetGrids(bottomGrid_, leftGrid_);
  canvas.SetLegendVisible(legend_);
  canvas.SetColours(background_, ink_);
  for (std::size_t series = 0; series < series_.size(); ++series) {
    const SeriesData& data = series_[series];
    for (std::size_t i = 0; i < data.xs.size(); ++i)
      canvas.AddPoint(static_cast<int>(series), data.xs[i], data.ys[i], data.colours[i],
                      data.dashed);
  }
}

QWidget* CTchart1::Drawing() {
  return Drawn().Widget();
}

// On a dark palette the plot takes the palette's base and text colours; on
// a light one it stays the white chart it has always been.
void CTchart1::FollowPalette() {
  const QPalette& colours = palette();
  const bool dark =
      colours.color(QPalette::Window).lightness() < colours.color(QPalette::WindowText).lightness();
  background_ = dark ? colours.color(QPalette::Base) : QColor(Qt::white);
  ink_ = dark ? colours.color(QPalette::Text) : QColor(Qt::black);
  canvas_->SetColours(background_, ink_);
  ScheduleReplot();
}

void CTchart1::changeEvent(QEvent* event) {
  if (event->type() == QEvent::PaletteChange) FollowPalette();
  QWidget::changeEvent(event);
}

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
  canvas_->SetTitle(text);
  ScheduleReplot();
}

void CTchart1::SetBottomAxisGridVisible(bool visible) {
  bottomGrid_ = visible;
  canvas_->SetGrids(bottomGrid_, leftGrid_);
}
void CTchart1::SetLeftAxisGridVisible(bool visible) {
  leftGrid_ = visible;
  canvas_->SetGrids(bottomGrid_, leftGrid_);
}
void CTchart1::SetLegendVisible(bool visible) {
  legend_ = visible;
  canvas_->SetLegendVisible(visible);
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
  canvas_->ClearSeries(index);
  const bool dashed = data.dashed;  // a style of the series, not of its points
  data = SeriesData{};
  data.dashed = dashed;
  ScheduleReplot();
}

void CTchart1::AddPoint(int index, double x, double y, std::uint32_t colour) {
  SeriesData& data = SeriesAt(index);
  canvas_->AddPoint(index, x, y, colour, data.dashed);
  data.xs.push_back(x);
  data.ys.push_back(y);
  data.colours.push_back(colour);
  ScheduleReplot();
}

void CTchart1::SetDashed(int index, bool dashed) {
  SeriesAt(index).dashed = dashed;
  canvas_->SetDashed(index, dashed);
  ScheduleReplot();
}

// A hidden chart is drawn when it is shown again (showEvent).
void CTchart1::ScheduleReplot() {
  if (isVisible() && !replotTimer_.isActive()) replotTimer_.start();
}

void CTchart1::Replot() {
  if (!isVisible()) return;  // showEvent draws what changed meanwhile
  Drawn().Replot(leftAxisAutomatic_);
  ++replots_;
  std::size_t longest = 0;
  for (const SeriesData& data : series_)
    longest = std::max(longest, data.xs.size());
  const std::size_t gained = longest - std::min(longest, pointsAtReplot_);
  pointsAtReplot_ = longest;
  const auto [lower, upper] = canvas_->AxisRange(ChartCanvas::Axis::Followed);
  replotTimer_.setInterval(static_cast<double>(gained) > upper - lower ? kRushingFrameMs
                                                                       : kFrameMs);
}

// The wheel zooms the bottom axis around the pointer and a drag pans it
// (the canvas's own, held to the bottom axis). Either leaves the followed
// range to go on underneath; a double-click or Home shows it again.
void CTchart1::ShownRangeMoved() {
  if (!showingFollowed_) following_ = false;
  // A point described under a still pointer may have moved away.
  QWidget* drawing = drawn_ ? canvas_->Widget() : nullptr;
  if (drawing != nullptr && QToolTip::isVisible() && drawing->underMouse())
    ShowPointAt(drawing->mapFromGlobal(QCursor::pos()), QCursor::pos());
  emit ShownRangeChanged();
}

bool CTchart1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == host_ && event->type() == QEvent::KeyPress &&
      OnKey(*static_cast<QKeyEvent*>(event)))
    return true;
  if (drawn_ && watched == canvas_->Widget() && OnPlotEvent(*event)) return true;
  return QWidget::eventFilter(watched, event);
}

// Hovering near a point shows what it is; a double-click follows again.
// The canvas takes every mouse press for its drags, and Qt asks for a
// context menu only for a press nobody took: the chart's own menu opens on
// the right button here, as the table's does.
bool CTchart1::OnPlotEvent(QEvent& event) {
  QWidget& drawing = *canvas_->Widget();
  switch (event.type()) {
    case QEvent::MouseMove: {
      const auto& move = static_cast<QMouseEvent&>(event);
      if (move.buttons() == Qt::NoButton) ShowPointAt(move.position(), move.globalPosition());
      return false;
    }
    case QEvent::MouseButtonDblClick:
      Follow();
      return false;
    case QEvent::MouseButtonPress: {
      const auto& press = static_cast<QMouseEvent&>(event);
      if (press.button() != Qt::RightButton) return false;
      QContextMenuEvent menu(QContextMenuEvent::Mouse,
                             drawing.mapTo(this, press.position().toPoint()),
                             press.globalPosition().toPoint(), press.modifiers());
      QCoreApplication::sendEvent(this, &menu);
      return true;
    }
    default:
      return false;
  }
}

// The keyboard's look at the chart: Left and Right step a cursor from
// reading to reading (the view follows it), Page Up and Page Down pan a
// view's width, + and - zoom around the middle, Home follows the newest
// readings again.
bool CTchart1::OnKey(const QKeyEvent& key) {
  const auto [lower, upper] = ShownBottomRange();
  const double width = upper - lower;
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
      LookAt(lower + (key.key() == Qt::Key_PageUp ? -width : width));
      return true;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
    case Qt::Key_Minus:
      following_ = false;
      canvas_->ScaleAxis(ChartCanvas::Axis::Shown, key.key() == Qt::Key_Minus ? 1.25 : 0.8,
                         (lower + upper) / 2);
      ScheduleReplot();
      return true;
    default:
      return false;
  }
}

// Shows the bottom range from `lower` on, as wide as now.
void CTchart1::LookAt(double lower) {
  following_ = false;
  const auto [shownLower, shownUpper] = ShownBottomRange();
  canvas_->SetAxisRange(ChartCanvas::Axis::Shown, lower, lower + (shownUpper - shownLower));
  ScheduleReplot();
}

void CTchart1::MoveCursor(int step) {
  if (SeriesCount() == 0 || series_[0].xs.empty()) return;
  const auto& xs = series_[0].xs;
  const auto last = static_cast<int>(xs.size()) - 1;
  if (!cursor_) {
    // From the newest reading shown.
    const double upper = ShownBottomRange().second;
    cursor_ = static_cast<int>(std::upper_bound(xs.begin(), xs.end(), upper) - xs.begin()) - 1;
  } else {
    *cursor_ += step;
  }
  cursor_ = std::clamp(*cursor_, 0, last);
  const double x = xs[static_cast<std::size_t>(*cursor_)];
  const auto [lower, upper] = ShownBottomRange();
  if (x < lower) LookAt(x);
  if (x > upper) LookAt(x - (upper - lower));
  host_->setAccessibleDescription(CursorText());
  emit CursorMoved(CursorText());
  QToolTip::showText(host_->mapToGlobal(CursorPoint()), CursorText(), host_);
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
  const QPoint middle = host_->rect().center();
  if (!cursor_ || series_.empty() || *cursor_ >= static_cast<int>(series_[0].xs.size()))
    return middle;
  const auto point = static_cast<std::size_t>(*cursor_);
  const QPointF at = canvas_->ToPixels(series_[0].xs[point], series_[0].ys[point]);
  return std::isfinite(at.x()) && std::isfinite(at.y()) ? at.toPoint() : middle;
}

QWidget* CTchart1::PlotWidget() const {
  return host_;
}

QPoint CTchart1::MenuPoint() const {
  return host_->mapTo(this, CursorPoint());
}

void CTchart1::Follow() {
  following_ = true;
  ShowFollowedRange();
  ScheduleReplot();
}

void CTchart1::ShowFollowedRange() {
  if (!following_) return;
  showingFollowed_ = true;
  const auto [lower, upper] = canvas_->AxisRange(ChartCanvas::Axis::Followed);
  canvas_->SetAxisRange(ChartCanvas::Axis::Shown, lower, upper);
  showingFollowed_ = false;
}

std::pair<double, double> CTchart1::ShownBottomRange() const {
  return canvas_->AxisRange(ChartCanvas::Axis::Shown);
}

// The picture is drawn into memory first and saved whole, so a failed save
// leaves no half-written file. PNG at the chart's size on screen; SVG and
// PDF as vector graphics.
void CTchart1::SavePicture(const QString& path) {
  const QString format = QFileInfo(path).suffix().toLower();
  if (format != QLatin1String("png") && format != QLatin1String("svg") &&
      format != QLatin1String("pdf"))
    throw SaveError(tr("Cannot save %1: a picture's name must end in .png, .svg or "
                       ".pdf")
                        .arg(DisplayPath(path))
                        .toStdString());
  // Drawn even while hidden, as the chart stands.
  ChartCanvas& canvas = Drawn();
  const QByteArray picture = canvas.Picture(format, title_);
  if (picture.isEmpty())
    throw SaveError(whyNotDrawn_.isEmpty()
                        ? std::string("the chart could not be drawn")
                        : "the chart could not be drawn: " + whyNotDrawn_.toStdString());
  SaveBytes(path, picture);
}

void CTchart1::SetPointDescriber(PointDescriber describer) {
  describer_ = std::move(describer);
}

// The point nearest the pointer, of any series, within a few pixels.
std::optional<std::pair<int, int>> CTchart1::PointAt(const QPointF& position) const {
  const double x = canvas_->BottomAt(position.x());
  if (!std::isfinite(x)) return std::nullopt;  // nothing drawn
  std::optional<std::pair<int, int>> nearest;
  double nearestDistance = kHoverPixels;
  for (int series = 0; series < SeriesCount(); ++series) {
    const SeriesData& data = series_[static_cast<std::size_t>(series)];
    const auto at = std::lower_bound(data.xs.begin(), data.xs.end(), x) - data.xs.begin();
    for (auto i = std::max<std::ptrdiff_t>(at - 1, 0);
         i <= at && i < static_cast<std::ptrdiff_t>(data.xs.size()); ++i) {
      const auto point = static_cast<std::size_t>(i);
      const QPointF drawn = canvas_->ToPixels(data.xs[point], data.ys[point]);
      const double distance = std::hypot(drawn.x() - position.x(), drawn.y() - position.y());
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
  QToolTip::showText(global.toPoint(), DescribePoint(point->first, point->second), host_);
}

void CTchart1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  Replot();
}

}  // namespace orbek
