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
// The table of readings: this many blocks of rows across a page.
constexpr double kTableRowHeight = 9.5;
constexpr int kBlocks = 2;
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

// What the chart plots of a reading; `run` numbers the runs of readings
// with one unit and a value, whose lines are never joined to another's.
struct Point {
  double number, value, temperature;
  int run;
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
  bool first = true, firstValue = true;
  int run = 0;
  std::optional<std::string_view> unit;
  QStringList units, scales;
  for (std::size_t i = 0; i < transfer.Count(); ++i) {
    const Reading reading = transfer.At(i);
    if (reading.number < range.first || reading.number > range.second) continue;
    const DecodedReading& d = reading.decoded;
    const double v = d.ValueNumber, t = d.TemperatureNumber;
    if (!d.Value || d.Unit != unit || first) ++run;
    unit = d.Value ? d.Unit : std::nullopt;
    shown.push_back({static_cast<double>(reading.number), v, t, d.Value ? run : -1});
    const QString name = Utf8(d.Unit.value_or(std::string_view()));
    if (d.Value && !name.isEmpty() && !units.contains(name)) units << name;
    if (!scales.contains(Utf8(d.TemperatureUnit()))) scales << Utf8(d.TemperatureUnit());
    if (first) temperatures = {t, t};
    first = false;
    temperatures = {std::min(temperatures.low, t), std::max(temperatures.high, t)};
    if (!d.Value) continue;
    if (firstValue) values = {v, v};
    firstValue = false;
    values = {std::min(values.low, v), std::max(values.high, v)};
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
  for (std::size_t from = 0; from < shown.size();) {
    std::size_t to = from;
    while (to < shown.size() && shown[to].run == shown[from].run)
      ++to;
    if (shown[from].run >= 0)
      painter.drawPolyline(Trace({shown.begin() + static_cast<std::ptrdiff_t>(from),
                                  shown.begin() + static_cast<std::ptrdiff_t>(to)},
                                 &Point::value, plot, xs, values));
    from = to;
  }
  QPen dashed(kTemperatureColour, 0.8, Qt::DashLine);
  painter.setPen(dashed);
  painter.drawPolyline(Trace(shown, &Point::temperature, plot, xs, temperatures));
  painter.setClipping(false);

  // The legend tells the lines apart by their style as well as colour, and
  // names the units of each scale.
  painter.setFont(Font(8));
  double x = plot.left();
  const double y = area.top() + 8;
  const auto titled = [](int column, const QStringList& in) {
    return in.isEmpty() ? ColumnHeadingText(column)
                        : QStringLiteral("%1 (%2)").arg(ColumnHeadingText(column), in.join(", "));
  };
  for (const auto& [text, pen] :
       {std::pair{titled(kValueColumn, units), QPen(kValueLine, 1.2)},
        std::pair{titled(kTemperatureColumn, scales), dashed}}) {
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
    const double tableTop = kMargin + 3 * kTableRowHeight;
    rowsPerBlock_ =
        static_cast<int>((kPageHeight - tableTop - kMargin - kFooterHeight) / kTableRowHeight);
    const int perPage = rowsPerBlock_ * kBlocks;
    const auto rows = static_cast<int>(transfer.Count());
    pages_ = 1 + (rows + perPage - 1) / perPage;
  }

  bool Write() {
    if (!painter_.isActive()) return false;
    FirstPage();
    const auto perPage = static_cast<std::size_t>(rowsPerBlock_ * kBlocks);
    for (std::size_t at = 0; at < transfer_.Count(); at += perPage) {
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

  // Labels and their texts, wrapped; a text takes at most kMostTextHeight
  // points, so the first page keeps its chart, and a longer one says where
  // it was cut and where the whole of it is.
  double Pairs(double y, const std::vector<std::pair<QString, QString>>& rows, double labelWidth) {
    constexpr double kMostTextHeight = 6 * kRowHeight;
    for (const auto& [label, value] : rows) {
      painter_.setFont(Font(9, true));
      painter_.drawText(QPointF(kMargin, y + 10), label);
      painter_.setFont(Font(9));
      const QRectF box(kMargin + labelWidth, y, kContentWidth - labelWidth, kMostTextHeight);
      const double needed = painter_.boundingRect(box, Qt::TextWordWrap, value).height();
      const bool cut = needed > kMostTextHeight;
      const QRectF shown = cut ? box.adjusted(0, 0, 0, -kRowHeight) : box;
      painter_.save();
      painter_.setClipRect(shown);
      painter_.drawText(shown, Qt::TextWordWrap, value);
      painter_.restore();
      if (cut) {
        painter_.setFont(Font(8, true));
        painter_.drawText(QPointF(shown.left(), shown.bottom() + 10),
                          QCoreApplication::translate(
                              "TransferReport", "[\u2026 cut here: the whole text is in the saved files]"));
      }
      y += std::max(kRowHeight, std::min(needed, kMostTextHeight) + 2);
    }
    return y;
  }

  // When the report was made, with the zone it was made in.
  static QString Now() {
    const QDateTime now = QDateTime::currentDateTime();
    const int offset = now.offsetFromUtc();
    return now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
           QStringLiteral(" UTC%1%2:%3")
               .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
               .arg(std::abs(offset) / 3600, 2, 10, QLatin1Char('0'))
               .arg(std::abs(offset) % 3600 / 60, 2, 10, QLatin1Char('0'));
  }

  // "2 (rows 5-6)", or "0".
  static QString CountAndRows(std::size_t count, const std::set<std::int64_t>& rows,
                              const char* where) {
    if (count == 0) return QStringLiteral("0");
    return QStringLiteral("%1 (%2 %3)")
        .arg(count)
        .arg(QCoreApplication::translate("TransferReport", where),
             QString::fromStdString(RowRanges(rows)));
  }

  void FirstPage() {
    double y = kMargin;
    y = Text(y, QCoreApplication::translate("TransferReport", "Transfer report"), 18, true) + 6;
    const std::size_t count = transfer_.Count();
    const ReadingStatistics statistics = transfer_.Statistics();
    std::vector<std::pair<QString, QString>> about = {
        {QCoreApplication::translate("TransferReport", "Readings"), QString::number(count)},
        {QCoreApplication::translate("TransferReport", "Out of step"),
         CountAndRows(statistics.OutOfStepRows().size(), statistics.OutOfStepRows(),
                      QT_TRANSLATE_NOOP("TransferReport", "rows"))},
        {QCoreApplication::translate("TransferReport", "Lost on the line"),
         CountAndRows(statistics.Lost(), statistics.LostBeforeRows(),
                      QT_TRANSLATE_NOOP("TransferReport", "before rows"))},
        {QCoreApplication::translate("TransferReport", "Source"), origin_.source},
        {QCoreApplication::translate("TransferReport", "Made"), Now()}};
    for (const QString& line : origin_.received)
      about.emplace_back(QCoreApplication::translate("TransferReport", "Received"), line);
    for (const QString& line : origin_.reviewed)
      about.emplace_back(QCoreApplication::translate("TransferReport", "Reviewed"), line);
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
    // Changes made after the transfer ended, each with its time.
    for (const DetailChange& change : transfer_.changes)
      details.emplace_back(
          QCoreApplication::translate("TransferReport", "Changed"),
          QCoreApplication::translate("TransferReport", "%1: \u201C%2\u201D to \u201C%3\u201D, %4")
              .arg(Utf8(change.field->label), QString::fromStdString(change.before),
                   QString::fromStdString(change.after),
                   QDateTime::fromMSecsSinceEpoch(
                       std::chrono::duration_cast<std::chrono::milliseconds>(
                           change.when.time_since_epoch())
                           .count(),
                       Qt::UTC)
                           .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss 'UTC'"))));
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

  // The readings in blocks side by side across the page's width, each row
  // marked when it is out of step (*) or readings were lost before it (+n).
  void TablePage(std::size_t first) {
    static const std::array<double, 5> kColumns = {0, 26, 116, 182, 234};
    constexpr double kBlockWidth = kContentWidth / kBlocks;
    double y = kMargin;
    painter_.setFont(Font(7));
    painter_.setPen(Qt::black);
    painter_.drawText(QPointF(kMargin, y + 8),
                      QCoreApplication::translate(
                          "TransferReport", "* out of step, left out of the statistics; "
                                            "+n: n readings lost on the line before the row"));
    y += kTableRowHeight;
    painter_.setFont(Font(7, true));
    for (int block = 0; block < kBlocks; ++block)
      for (std::size_t c = 0; c < kColumnHeadings.size(); ++c)
        painter_.drawText(QPointF(kMargin + block * kBlockWidth + kColumns[c], y + 8),
                          ColumnHeadingText(static_cast<int>(c)));
    y += kTableRowHeight;
    painter_.setPen(QPen(Qt::black, 0.5));
    painter_.drawLine(QPointF(kMargin, y), QPointF(kPageWidth - kMargin, y));
    y += 2;
    painter_.setFont(Font(7));
    const auto perBlock = static_cast<std::size_t>(rowsPerBlock_);
    const std::size_t end = std::min(transfer_.Count(), first + perBlock * kBlocks);
    for (std::size_t i = first; i < end; ++i) {
      const Reading r = transfer_.At(i);
      QString mark = r.outOfStep ? QStringLiteral("*") : QString();
      if (r.lostBefore > 0) mark += QStringLiteral("+%1").arg(r.lostBefore);
      const QStringList cells = {QString::number(r.number), Utf8(r.decoded.TimestampText),
                                 Utf8(r.decoded.ValueText), Utf8(r.decoded.TemperatureText),
                                 mark};
      const double x = kMargin + static_cast<double>((i - first) / perBlock) * kBlockWidth;
      const double rowY = y + static_cast<double>((i - first) % perBlock) * kTableRowHeight;
      for (int c = 0; c < cells.size(); ++c)
        painter_.drawText(QPointF(x + kColumns[static_cast<std::size_t>(c)], rowY + 8), cells[c]);
    }
    Footer();
  }

  void Footer() {
    const double y = kPageHeight - kMargin + 4;
    painter_.setFont(Font(7));
    painter_.setPen(QColor(0x55, 0x55, 0x55));
    const QRectF line(kMargin, y, kContentWidth, 12);
    painter_.drawText(line, Qt::AlignLeft, origin_.program);
    QString centre =
        QCoreApplication::translate("TransferReport", "Page %1 of %2").arg(page_).arg(pages_);
    if (!transfer_.details.sample.empty())
      centre = QCoreApplication::translate("TransferReport", "Sample %1").arg(
                   QString::fromStdString(transfer_.details.sample)
                       .left(40)) +
               QStringLiteral(" \u00B7 ") + centre;
    painter_.drawText(line, Qt::AlignHCenter, centre);
    painter_.drawText(line, Qt::AlignRight, origin_.source);
  }

  QPdfWriter& writer_;
  const TransferRecord& transfer_;
  const ReportOrigin& origin_;
  QPainter painter_;
  int rowsPerBlock_ = 1;
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
