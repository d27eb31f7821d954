#include "report/TransferReport.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDateTime>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <vector>

#include "export/ReadingsLayout.h"
#include "storage/SafeSave.h"
#include "storage/SaveError.h"

namespace orbek {

namespace {

// The window's chart colours: the green and red of its legend.
const QColor kValueLine(0x2E, 0x9E, 0x00);  // a darker green, to read on white paper
const QColor kTemperatureColour(0xFF, 0x00, 0x00);

// The page, in points (1/72 inch): A4 with margins of 40 points.
constexpr double kPageWidth = 595.0, kPageHeight = 842.0, kMargin = 40.0;
constexpr double kContentWidth = kPageWidth - 2 * kMargin;
constexpr double kRowHeight = 13.0;
constexpr double kFooterHeight = 24.0;
constexpr int kResolution = 300;

QString Utf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QFont Font(double size, bool bold = false) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(static_cast<int>(std::lround(size)));
  font.setBold(bold);
  return font;
}

// Round steps (1, 2 or 5 times a power of ten) giving about `wanted` ticks.
std::vector<double> Ticks(double low, double high, int wanted) {
  if (!(high > low)) return {low};
  const double rough = (high - low) / wanted;
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  double step = power;
  for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
    step = factor * power;
    if (step >= rough) break;
  }
  std::vector<double> ticks;
  for (double t = std::ceil(low / step) * step; t <= high + step * 1e-9; t += step)
    ticks.push_back(std::abs(t) < step * 1e-9 ? 0.0 : t);
  return ticks;
}

QString TickText(double x) {
  return QString::number(x, 'g', 6);
}

struct Span {
  double low = 0.0, high = 1.0;
  void Widen() {
    if (high - low < 1e-9) {
      low -= 1.0;
      high += 1.0;
    }
    const double pad = (high - low) * 0.05;
    low -= pad;
    high += pad;
  }
};

// What the chart plots of a reading.
struct Point {
  double number, value, temperature;
};

// Points of one series, at most two a column of the plot (the lowest and
// the highest), so a long transfer draws quickly and stays small.
QPolygonF Trace(const std::vector<Point>& readings, double Point::*y, const QRectF& plot, Span xs,
                Span ys) {
  QPolygonF points;
  const auto mapX = [&](double x) {
    return plot.left() + (x - xs.low) / (xs.high - xs.low) * plot.width();
  };
  const auto mapY = [&](double v) {
    return plot.bottom() - (v - ys.low) / (ys.high - ys.low) * plot.height();
  };
  int column = -1;
  double low = 0.0, high = 0.0, lowX = 0.0, highX = 0.0;
  const auto flush = [&] {
    if (column < 0) return;
    if (lowX <= highX) {
      points << QPointF(lowX, mapY(low));
      if (high != low) points << QPointF(highX, mapY(high));
    } else {
      points << QPointF(highX, mapY(high)) << QPointF(lowX, mapY(low));
    }
  };
  for (const Point& reading : readings) {
    const double px = mapX(reading.number);
    const double v = reading.*y;
    const int c = static_cast<int>(std::floor(px));
    if (c != column) {
      flush();
      column = c;
      low = high = v;
      lowX = highX = px;
    } else if (v < low) {
      low = v;
      lowX = px;
    } else if (v > high) {
      high = v;
      highX = px;
    }
  }
  flush();
  return points;
}

void DrawAxis(QPainter& painter, const QRectF& plot, Span span, bool right, const QColor& colour) {
  painter.setFont(Font(7));
  const QFontMetricsF metrics(painter.font());
  for (const double tick : Ticks(span.low, span.high, 6)) {
    const double y = plot.bottom() - (tick - span.low) / (span.high - span.low) * plot.height();
    const QString text = TickText(tick);
    painter.setPen(QPen(QColor(0xDD, 0xDD, 0xDD), 0.4));
    if (!right) painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    painter.setPen(colour);
    const double x = right ? plot.right() + 3 : plot.left() - 3 - metrics.horizontalAdvance(text);
    painter.drawText(QPointF(x, y + metrics.ascent() / 2 - 1), text);
  }
}

}  // namespace

void DrawTransferChart(QPainter& painter, const QRectF& area, const TransferRecord& transfer,
                       std::pair<std::int64_t, std::int64_t> range) {
  painter.save();
  const QRectF plot = area.adjusted(40, 18, -40, -18);
  std::vector<Point> shown;
  Span xs{static_cast<double>(range.first), static_cast<double>(range.second)};
  Span values{0, 0}, temperatures{0, 0};
  bool first = true;
  for (std::size_t i = 0; i < transfer.Count(); ++i) {
    const Reading reading = transfer.At(i);
    if (reading.number < range.first || reading.number > range.second) continue;
    const double v = reading.decoded.ValueNumber, t = reading.decoded.TemperatureNumber;
    shown.push_back({static_cast<double>(reading.number), v, t});
    if (first) {
      values = {v, v};
      temperatures = {t, t};
      first = false;
    }
    values = {std::min(values.low, v), std::max(values.high, v)};
    temperatures = {std::min(temperatures.low, t), std::max(temperatures.high, t)};
  }
  values.Widen();
  temperatures.Widen();
  if (xs.high <= xs.low) xs.high = xs.low + 1;

  painter.setPen(QPen(Qt::black, 0.6));
  painter.drawRect(plot);
  DrawAxis(painter, plot, values, false, kValueLine);
  DrawAxis(painter, plot, temperatures, true, kTemperatureColour);
  painter.setFont(Font(7));
  const QFontMetricsF metrics(painter.font());
  painter.setPen(Qt::black);
  for (const double tick : Ticks(xs.low, xs.high, 8)) {
    const double x = plot.left() + (tick - xs.low) / (xs.high - xs.low) * plot.width();
    const QString text = TickText(tick);
    painter.drawText(QPointF(x - metrics.horizontalAdvance(text) / 2, plot.bottom() + 10), text);
  }
  painter.setClipRect(plot);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(kValueLine, 0.8));
  painter.drawPolyline(Trace(shown, &Point::value, plot, xs, values));
  QPen dashed(kTemperatureColour, 0.8, Qt::DashLine);
  painter.setPen(dashed);
  painter.drawPolyline(Trace(shown, &Point::temperature, plot, xs, temperatures));
  painter.setClipping(false);

  // The legend tells the lines apart by their style as well as colour.
  painter.setFont(Font(8));
  double x = plot.left();
  const double y = area.top() + 8;
  for (const auto& [text, pen] : {std::pair{ColumnHeadingText(kValueColumn), QPen(kValueLine, 1.2)},
                                  std::pair{ColumnHeadingText(kTemperatureColumn), dashed}}) {
    QPen legend = pen;
    legend.setWidthF(1.2);
    painter.setPen(legend);
    painter.drawLine(QPointF(x, y), QPointF(x + 20, y));
    painter.setPen(Qt::black);
    painter.drawText(QPointF(x + 24, y + 3), text);
    x += 30 + QFontMetricsF(painter.font()).horizontalAdvance(text) + 16;
  }
  painter.restore();
}

namespace {

class ReportPages {
 public:
  ReportPages(QPdfWriter& writer, const TransferRecord& transfer, const ReportOrigin& origin)
      : writer_(writer), transfer_(transfer), origin_(origin), painter_(&writer) {
    painter_.scale(kResolution / 72.0, kResolution / 72.0);
    const double tableTop = kMargin + 2 * kRowHeight;
    rowsPerPage_ =
        static_cast<int>((kPageHeight - tableTop - kMargin - kFooterHeight) / kRowHeight);
    const auto rows = static_cast<int>(transfer.Count());
    pages_ = 1 + (rows + rowsPerPage_ - 1) / rowsPerPage_;
  }

  bool Write() {
    if (!painter_.isActive()) return false;
    FirstPage();
    for (std::size_t at = 0; at < transfer_.Count(); at += static_cast<std::size_t>(rowsPerPage_)) {
      if (!writer_.newPage()) return false;
      ++page_;
      TablePage(at);
    }
    return painter_.end();
  }

 private:
  double Text(double y, const QString& text, double size, bool bold = false) {
    painter_.setFont(Font(size, bold));
    painter_.setPen(Qt::black);
    const QRectF box(kMargin, y, kContentWidth, 1000);
    const QRectF used = painter_.boundingRect(box, Qt::TextWordWrap, text);
    painter_.drawText(box, Qt::TextWordWrap, text);
    return y + used.height();
  }

  // Labels and their texts; a text takes at most kMostTextHeight points
  // (a long note is cut there), so the first page keeps its chart.
  double Pairs(double y, const std::vector<std::pair<QString, QString>>& rows, double labelWidth) {
    constexpr double kMostTextHeight = 6 * kRowHeight;
    for (const auto& [label, value] : rows) {
      painter_.setFont(Font(9, true));
      painter_.drawText(QPointF(kMargin, y + 10), label);
      painter_.setFont(Font(9));
      const QRectF box(kMargin + labelWidth, y, kContentWidth - labelWidth, kMostTextHeight);
      const double height =
          std::min(painter_.boundingRect(box, Qt::TextWordWrap, value).height(), kMostTextHeight);
      painter_.save();
      painter_.setClipRect(box);
      painter_.drawText(box, Qt::TextWordWrap, value);
      painter_.restore();
      y += std::max(kRowHeight, height + 2);
    }
    return y;
  }

  void FirstPage() {
    double y = kMargin;
    y = Text(y, QCoreApplication::translate("TransferReport", "Transfer report"), 18, true) + 6;
    const std::size_t count = transfer_.Count();
    std::vector<std::pair<QString, QString>> about = {
        {QCoreApplication::translate("TransferReport", "Readings"), QString::number(count)},
        {QCoreApplication::translate("TransferReport", "Source"), origin_.source},
        {QCoreApplication::translate("TransferReport", "Made"),
         QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))}};
    std::optional<Reading> first, last;
    if (count > 0) {
      first = transfer_.At(0);
      last = transfer_.At(count - 1);
    }
    if (first)
      about.insert(about.begin() + 1, {QCoreApplication::translate("TransferReport", "Meter time"),
                                       QCoreApplication::translate("TransferReport", "%1 to %2")
                                           .arg(Utf8(first->decoded.TimestampText),
                                                Utf8(last->decoded.TimestampText))});
    y = Pairs(y, about, 120) + 8;
    y = Text(y, QCoreApplication::translate("TransferReport", "Sample"), 12, true) + 2;
    std::vector<std::pair<QString, QString>> details;
    for (const DetailField& field : kDetailFields) {
      const std::string& value = transfer_.details.*field.member;
      details.emplace_back(Utf8(field.label), value.empty() ? QStringLiteral("\u2013")
                                                            : QString::fromStdString(value));
    }
    y = Pairs(y, details, 120) + 8;
    y = Text(y, QCoreApplication::translate("TransferReport", "Statistics"), 12, true) + 2;
    y = Statistics(y) + 10;
    const double chartHeight = std::min(300.0, kPageHeight - kMargin - kFooterHeight - y);
    if (first && chartHeight > 120)
      DrawTransferChart(painter_, QRectF(kMargin, y, kContentWidth, chartHeight), transfer_,
                        {first->number, last->number});
    Footer();
  }

  double Statistics(double y) {
    static const std::array<double, 6> kColumns = {0, 150, 215, 280, 345, 430};
    const QStringList heads = {QCoreApplication::translate("TransferReport", "Series"),
                               QCoreApplication::translate("TransferReport", "n"),
                               QCoreApplication::translate("TransferReport", "Minimum"),
                               QCoreApplication::translate("TransferReport", "Maximum"),
                               QCoreApplication::translate("TransferReport", "Mean"),
                               QCoreApplication::translate("TransferReport", "Std. deviation")};
    painter_.setFont(Font(9, true));
    for (int c = 0; c < heads.size(); ++c)
      painter_.drawText(QPointF(kMargin + kColumns[static_cast<std::size_t>(c)], y + 10), heads[c]);
    y += kRowHeight;
    painter_.setFont(Font(9));
    const ReadingStatistics& statistics = transfer_.Statistics();
    auto row = [&](const ReadingStatistics::Series& series, const QString& what) {
      const Accumulator& n = series.numbers;
      const QStringList cells = {
          what + QLatin1Char(' ') +
              (series.unit.empty() ? QCoreApplication::translate("TransferReport", "(no unit)")
                                   : Utf8(series.unit)),
          QString::number(n.Count()),
          QString::fromStdString(StatisticText(n.Minimum())),
          QString::fromStdString(StatisticText(n.Maximum())),
          QString::fromStdString(StatisticText(n.Mean())),
          n.Deviation() ? QString::fromStdString(StatisticText(*n.Deviation()))
                        : QStringLiteral("\u2013")};
      for (int c = 0; c < cells.size(); ++c)
        painter_.drawText(QPointF(kMargin + kColumns[static_cast<std::size_t>(c)], y + 10),
                          cells[c]);
      y += kRowHeight;
    };
    for (const auto& series : statistics.Values())
      row(series, QCoreApplication::translate("TransferReport", "Value"));
    for (const auto& series : statistics.Temperatures())
      row(series, QCoreApplication::translate("TransferReport", "Temperature"));
    if (statistics.Empty())
      y = Text(y, QCoreApplication::translate("TransferReport", "No readings."), 9);
    return y;
  }

  void TablePage(std::size_t first) {
    static const std::array<double, 5> kColumns = {0, 50, 180, 320, 420};
    double y = kMargin;
    painter_.setFont(Font(9, true));
    painter_.setPen(Qt::black);
    for (std::size_t c = 0; c < kColumnHeadings.size(); ++c)
      painter_.drawText(QPointF(kMargin + kColumns[c], y + 10),
                        ColumnHeadingText(static_cast<int>(c)));
    y += kRowHeight;
    painter_.setPen(QPen(Qt::black, 0.5));
    painter_.drawLine(QPointF(kMargin, y), QPointF(kPageWidth - kMargin, y));
    y += 3;
    painter_.setFont(Font(9));
    const std::size_t end =
        std::min(transfer_.Count(), first + static_cast<std::size_t>(rowsPerPage_));
    for (std::size_t i = first; i < end; ++i) {
      const Reading r = transfer_.At(i);
      const QStringList cells = {
          QString::number(r.number), Utf8(r.decoded.TimestampText), Utf8(r.decoded.ValueText),
          Utf8(r.decoded.TemperatureText),
          r.outOfStep ? QCoreApplication::translate("TransferReport", "out of step") : QString()};
      for (int c = 0; c < cells.size(); ++c)
        painter_.drawText(QPointF(kMargin + kColumns[static_cast<std::size_t>(c)], y + 10),
                          cells[c]);
      y += kRowHeight;
    }
    Footer();
  }

  void Footer() {
    const double y = kPageHeight - kMargin + 4;
    painter_.setFont(Font(7));
    painter_.setPen(QColor(0x55, 0x55, 0x55));
    const QRectF line(kMargin, y, kContentWidth, 12);
    painter_.drawText(line, Qt::AlignLeft, origin_.program);
    painter_.drawText(
        line, Qt::AlignHCenter,
        QCoreApplication::translate("TransferReport", "Page %1 of %2").arg(page_).arg(pages_));
    painter_.drawText(line, Qt::AlignRight, origin_.source);
  }

  QPdfWriter& writer_;
  const TransferRecord& transfer_;
  const ReportOrigin& origin_;
  QPainter painter_;
  int rowsPerPage_ = 1;
  int pages_ = 1;
  int page_ = 1;
};

}  // namespace

void WriteTransferReport(const QString& path, const TransferRecord& transfer,
                         const ReportOrigin& origin) {
  QBuffer pdf;
  pdf.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&pdf);
    writer.setResolution(kResolution);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, {}));
    writer.setTitle(QCoreApplication::translate("TransferReport", "Transfer report"));
    writer.setCreator(origin.program);
    ReportPages pages(writer, transfer, origin);
    if (!pages.Write()) throw SaveError("the report's pages could not be drawn");
  }
  SaveBytes(path, pdf.data());
}

}  // namespace orbek
