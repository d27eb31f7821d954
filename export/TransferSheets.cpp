#include "export/TransferSheets.h"

#include <QStringList>
#include <algorithm>
#include <chrono>

#include "export/ReadingsLayout.h"
#include "export/ReadingsOutput.h"
#include "storage/SafeSave.h"
#include "storage/SaveError.h"

namespace orbek {

namespace {

QString Utf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

CellContent Text(const QString& text) {
  return text.isEmpty() ? CellContent{} : CellContent{CellContent::Kind::Text, text, 0.0};
}

CellContent Number(double number) {
  return {CellContent::Kind::Number, {}, number};
}

// A number shown with the meter's places after the point: 7.00, not 7.
CellContent Fixed(double number, int decimals) {
  return {CellContent::Kind::Number, {}, number, decimals};
}

// Days since 1899-12-30, UTC, to the millisecond.
CellContent ReceivedTime(std::chrono::system_clock::time_point when) {
  constexpr double kUnixEpochDay = 25569.0;
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch());
  return {CellContent::Kind::DateTime,
          {},
          kUnixEpochDay + static_cast<double>(ms.count()) / 86'400'000.0};
}

void PutRow(Worksheet& sheet, int row, const std::vector<CellContent>& cells, bool bold = false) {
  for (std::size_t c = 0; c < cells.size(); ++c) {
    Cell& cell = sheet.At(row, static_cast<int>(c));
    cell.content = cells[c];
    cell.style.bold = bold;
  }
}

void PutHeadings(Worksheet& sheet) {
  std::vector<CellContent> headings;
  for (const std::string_view heading : kDataHeadings)
    headings.push_back(Text(Utf8(heading)));
  PutRow(sheet, 0, headings, true);
  for (int c = 0; c < static_cast<int>(kDataHeadings.size()); ++c)
    sheet.SetColumnWidth(c, c == kDataMeterTime || c == kDataReceived ? 20 : 12);
}

std::vector<CellContent> DataRow(const Reading& reading) {
  const DecodedReading& r = reading.decoded;
  return {Number(static_cast<double>(reading.number)),
          MeterTimeCell(r),
          r.Value ? Fixed(*r.Value, r.ValueDecimals) : CellContent{},
          Text(Utf8(r.Unit.value_or(std::string_view()))),
          Fixed(r.TemperatureNumber, 1),
          Text(Utf8(r.TemperatureUnit())),
          reading.received == kUnknownTime ? CellContent{} : ReceivedTime(reading.received),
          Text(reading.outOfStep ? QString::fromLatin1(csv::kOutOfStep) : QString()),
          Number(static_cast<double>(reading.lostBefore))};
}

// Data, Data2, ...: returns the index of the first.
int AddDataSheets(Workbook& workbook, const TransferRecord& transfer) {
  constexpr std::size_t kPerSheet = Worksheet::kMaxRows - 1;
  const int first = workbook.SheetCount();
  std::size_t at = 0;
  do {
    const int index = workbook.SheetCount() - first;
    Worksheet& sheet = workbook.AddSheet(index == 0 ? QStringLiteral("Data")
                                                    : QStringLiteral("Data%1").arg(index + 1));
    PutHeadings(sheet);
    const std::size_t end = std::min(transfer.Count(), at + kPerSheet);
    for (int row = 1; at < end; ++at, ++row)
      PutRow(sheet, row, DataRow(transfer.At(at)));
  } while (at < transfer.Count());
  return first;
}

// Rows of the Data sheet (from 1) whose readings share a unit (a scale for
// the temperature) and have a number: a chart joins the readings of a run
// and never two runs.
struct Run {
  int first, last;
  QString unit;
};
std::vector<Run> RunsOf(const TransferRecord& transfer, bool temperature, int lastRow) {
  std::vector<Run> runs;
  bool open = false;
  for (int row = 1; row <= lastRow; ++row) {
    const DecodedReading r = transfer.At(static_cast<std::size_t>(row - 1)).decoded;
    if (!temperature && !r.Value) {
      open = false;
      continue;
    }
    const QString unit = Utf8(temperature ? r.TemperatureUnit() : r.Unit.value_or(""));
    if (open && runs.back().unit == unit) {
      runs.back().last = row;
      continue;
    }
    runs.push_back({row, row, unit});
    open = true;
  }
  return runs;
}

// More runs than this and the chart shows points, none joined.
constexpr std::size_t kMostRuns = 64;

// One chart of the value or of the temperature, on a scale of its own,
// against the meter's time where every reading has a real one and the
// reading's number otherwise; its axes say what they show, in what units.
WorkbookChart ReadingsChart(const TransferRecord& transfer, bool temperature, int dataSheet,
                            int detailsSheet, int row) {
  bool timed = true;
  for (std::size_t i = 0; i < transfer.Count() && timed; ++i)
    timed = transfer.At(i).decoded.Clock.real;
  const int lastRow =
      static_cast<int>(std::min<std::size_t>(transfer.Count(), Worksheet::kMaxRows - 1));
  const std::vector<Run> runs = RunsOf(transfer, temperature, lastRow);
  QStringList units;
  for (const Run& run : runs)
    if (!run.unit.isEmpty() && !units.contains(run.unit)) units << run.unit;
  const QString what = temperature ? QStringLiteral("Temperature") : QStringLiteral("Value");
  WorkbookChart chart;
  chart.title = what;
  chart.dataSheet = dataSheet;
  chart.xColumn = timed ? kDataMeterTime : kDataNumber;
  chart.xFormat = timed ? QStringLiteral("hh:mm:ss") : QString();
  chart.xTitle = timed ? QStringLiteral("Date and Time") : QStringLiteral("No.");
  chart.yTitle = units.isEmpty() ? what : QStringLiteral("%1 (%2)").arg(what, units.join(", "));
  chart.firstRow = 1;
  chart.lastRow = lastRow;
  // The window's green and red; the temperature dashed as well.
  const int column = temperature ? kDataTemperature : kDataValue;
  const std::uint32_t colour = temperature ? 0xFF0000 : 0x00A000;
  chart.lines = runs.size() <= kMostRuns;
  if (!chart.lines) {
    chart.series.push_back({column, colour, temperature, -1, -1, what});
  } else {
    for (const Run& run : runs)
      chart.series.push_back({column, colour, temperature, run.first, run.last,
                              run.unit.isEmpty() ? what : run.unit});
  }
  chart.sheet = detailsSheet;
  chart.row = row;
  chart.column = 0;
  return chart;
}

}  // namespace

DocumentProperties PropertiesOf(const SampleDetails& details) {
  DocumentProperties properties;
  properties.title = QString::fromStdString(details.sample);
  properties.subject = QString::fromStdString(details.location);
  properties.author = QString::fromStdString(details.operator_);
  properties.keywords = QString::fromStdString(details.probe);
  properties.comments = QString::fromStdString(details.note);
  return properties;
}

std::vector<DetailsRow> DetailsRows(const SampleDetails& details,
                                    const ReadingStatistics& statistics,
                                    const std::vector<Reading>& ends,
                                    const std::vector<DetailChange>& changes) {
  std::vector<DetailsRow> rows;
  for (const DetailField& field : kDetailFields)
    rows.push_back(
        {{Text(Utf8(field.label)), Text(QString::fromStdString(details.*field.member))}, false});
  for (const DetailChange& change : changes)
    rows.push_back({{Text(QStringLiteral("Changed")), Text(Utf8(change.field->label)),
                     Text(QString::fromStdString(change.before)),
                     Text(QString::fromStdString(change.after)), ReceivedTime(change.when)},
                    false});
  rows.push_back(
      {{Text(QStringLiteral("Readings")), Number(static_cast<double>(statistics.Readings()))},
       false});
  // What the line cost, always in these rows: a count, then the rows.
  const auto rowsText = [](const std::set<std::int64_t>& rows, const char* where) {
    return rows.empty() ? CellContent{}
                        : Text(QString::fromLatin1(where) + QString::fromStdString(RowRanges(rows)));
  };
  rows.push_back({{Text(QStringLiteral("Out of step")),
                   Number(static_cast<double>(statistics.OutOfStepRows().size())),
                   rowsText(statistics.OutOfStepRows(), "rows ")},
                  false});
  rows.push_back({{Text(QStringLiteral("Lost on the line")),
                   Number(static_cast<double>(statistics.Lost())),
                   rowsText(statistics.LostBeforeRows(), "before rows ")},
                  false});
  if (ends.size() == 2) {
    rows.push_back(
        {{Text(QStringLiteral("First reading")), MeterTimeCell(ends[0].decoded)}, false});
    rows.push_back({{Text(QStringLiteral("Last reading")), MeterTimeCell(ends[1].decoded)}, false});
  }
  rows.push_back({{}, false});
  rows.push_back(
      {{Text(QStringLiteral("Statistics")), Text(QStringLiteral("Unit")), Text(QStringLiteral("n")),
        Text(QStringLiteral("Minimum")), Text(QStringLiteral("Maximum")),
        Text(QStringLiteral("Mean")), Text(QStringLiteral("Standard deviation"))},
       true});
  auto put = [&](const ReadingStatistics::Series& series, const QString& what) {
    const Accumulator& n = series.numbers;
    rows.push_back({{Text(what), Text(Utf8(series.unit)), Number(static_cast<double>(n.Count())),
                     Number(n.Minimum()), Number(n.Maximum()), Number(n.Mean()),
                     n.Deviation() ? Number(*n.Deviation()) : CellContent{}},
                    false});
  };
  for (const auto& series : statistics.Values())
    put(series, QStringLiteral("Value"));
  for (const auto& series : statistics.Temperatures())
    put(series, QStringLiteral("Temperature"));
  return rows;
}

void AddTransferSheets(Workbook& workbook, const TransferRecord& transfer, bool xlsx) {
  workbook.properties = PropertiesOf(transfer.details);
  const int detailsIndex = workbook.SheetCount();
  Worksheet& details = workbook.AddSheet(QStringLiteral("Details"));
  for (std::size_t c = 0; c < kDetailsColumnWidths.size(); ++c)
    details.SetColumnWidth(static_cast<int>(c), kDetailsColumnWidths[c]);
  std::vector<Reading> ends;
  if (!transfer.Empty()) ends = {transfer.At(0), transfer.At(transfer.Count() - 1)};
  int row = 0;
  for (const DetailsRow& r :
       DetailsRows(transfer.details, transfer.Statistics(), ends, transfer.changes)) {
    PutRow(details, row, r.cells, r.heading);
    // The labels down the first column are bold as well.
    if (!r.cells.empty()) details.At(row, 0).style.bold = true;
    ++row;
  }
  const int data = AddDataSheets(workbook, transfer);
  if (xlsx && !transfer.Empty()) {
    // One above the other below the statistics, on one printed page.
    workbook.charts.push_back(ReadingsChart(transfer, false, data, detailsIndex, row + 1));
    workbook.charts.push_back(ReadingsChart(transfer, true, data, detailsIndex, row + 15));
  }
}

void SaveTransferCsv(const QString& path, const TransferRecord& transfer) {
  QByteArray text;
  for (const QByteArray& line : csv::DetailLines(transfer.details))
    text += line + '\n';
  text += csv::Header() + '\n';
  for (std::size_t i = 0; i < transfer.Count(); ++i)
    text += csv::Line(transfer.At(i)) + '\n';
  SaveBytes(path, text);
}

}  // namespace orbek
