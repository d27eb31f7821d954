#include "export/TransferSheets.h"

#include <QStringList>
#include <algorithm>
#include <chrono>

#include "export/ReadingsLayout.h"
#include "export/ReadingsOutput.h"
#include "export/WorkbookWriter.h"
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

// The readings a Data sheet holds, below its headings: the .xls limit, in
// either format, so that both carry the same sheets.
constexpr int kDataSheetRows = kXlsSheetRows - 1;

// The Details sheet's columns: labels, texts and the statistics' figures.
const std::map<int, double> kDetailsColumnWidths = {{0, 22}, {1, 20}, {2, 8}, {3, 12},
                                                    {4, 12}, {5, 12}, {6, 18}};

// More runs than this and the chart shows points, none joined.
constexpr std::size_t kMostRuns = 64;

std::vector<Cell> Plain(const std::vector<CellContent>& contents, bool bold = false) {
  std::vector<Cell> cells;
  for (const CellContent& content : contents)
    cells.push_back({content, {bold, VerticalAlignment::Bottom}});
  return cells;
}

struct DetailsRow {
  std::vector<CellContent> cells;
  bool heading = false;
};

// The Details sheet's rows: the details, their changes, the readings' count,
// losses and span, then the statistics under a heading row.
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

TransferSheets::TransferSheets(WorkbookWriter& writer, bool charts)
    : writer_(writer), charts_(charts) {
  details_ = writer_.AddSheet(QStringLiteral("Details"), kDetailsColumnWidths);
  NewDataSheet();
  firstData_ = data_;
}

void TransferSheets::NewDataSheet() {
  const int index = dataSheets_++;
  std::map<int, double> widths;
  std::vector<CellContent> headings;
  for (int c = 0; c < static_cast<int>(kDataHeadings.size()); ++c) {
    widths[c] = c == kDataMeterTime || c == kDataReceived ? 20 : 12;
    headings.push_back(Text(Utf8(kDataHeadings[static_cast<std::size_t>(c)])));
  }
  data_ = writer_.AddSheet(
      index == 0 ? QStringLiteral("Data") : QStringLiteral("Data%1").arg(index + 1), widths);
  writer_.AddRow(data_, 0, Plain(headings, true));
  row_ = 1;
}

void TransferSheets::Add(const Reading& reading) {
  if (row_ > kDataSheetRows) NewDataSheet();
  writer_.AddRow(data_, row_, Plain(DataRow(reading)));
  const DecodedReading& r = reading.decoded;
  timed_ = timed_ && r.Clock.real;
  if (data_ == firstData_) {
    Extend(valueRuns_, row_, Utf8(r.Unit.value_or("")), r.Value.has_value());
    Extend(temperatureRuns_, row_, Utf8(r.TemperatureUnit()), true);
  }
  ++row_;
  ++count_;
}

// A row without a number ends the run before it.
void TransferSheets::Extend(std::vector<Run>& runs, int row, const QString& unit, bool plotted) {
  if (!plotted) return;
  if (!runs.empty() && runs.back().unit == unit && runs.back().last == row - 1) {
    runs.back().last = row;
    return;
  }
  runs.push_back({row, row, unit});
}

void TransferSheets::Finish(const SampleDetails& details, const ReadingStatistics& statistics,
                            const std::vector<Reading>& ends,
                            const std::vector<DetailChange>& changes) {
  int row = 0;
  for (const DetailsRow& r : DetailsRows(details, statistics, ends, changes)) {
    std::vector<Cell> cells = Plain(r.cells, r.heading);
    // The labels down the first column are bold as well.
    if (!cells.empty()) cells[0].style.bold = true;
    writer_.AddRow(details_, row++, cells);
  }
  if (charts_ && count_ > 0) {
    // One above the other below the statistics, on one printed page.
    writer_.AddChart(Chart(false, row + 1));
    writer_.AddChart(Chart(true, row + 15));
  }
}

// The value's or the temperature's chart, on a scale of its own, against
// the meter's time where every reading has a real one and the reading's
// number otherwise; its axes say what they show, in what units.
WorkbookChart TransferSheets::Chart(bool temperature, int row) const {
  const std::vector<Run>& runs = temperature ? temperatureRuns_ : valueRuns_;
  QStringList units;
  for (const Run& run : runs)
    if (!run.unit.isEmpty() && !units.contains(run.unit)) units << run.unit;
  const QString what = temperature ? QStringLiteral("Temperature") : QStringLiteral("Value");
  WorkbookChart chart;
  chart.title = what;
  chart.dataSheet = firstData_;
  chart.xColumn = timed_ ? kDataMeterTime : kDataNumber;
  chart.xFormat = timed_ ? QStringLiteral("hh:mm:ss") : QString();
  chart.xTitle = timed_ ? QStringLiteral("Date and Time") : QStringLiteral("No.");
  chart.yTitle = units.isEmpty() ? what : QStringLiteral("%1 (%2)").arg(what, units.join(", "));
  chart.firstRow = 1;
  chart.lastRow = static_cast<int>(std::min<std::size_t>(count_, kDataSheetRows));
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
  chart.sheet = details_;
  chart.row = row;
  chart.column = 0;
  return chart;
}

void AddTransferSheets(Workbook& workbook, const TransferRecord& transfer, bool xlsx) {
  workbook.properties = PropertiesOf(transfer.details);
  InMemoryWriter writer(workbook);
  TransferSheets sheets(writer, xlsx);
  for (std::size_t i = 0; i < transfer.Count(); ++i)
    sheets.Add(transfer.At(i));
  std::vector<Reading> ends;
  if (!transfer.Empty()) ends = {transfer.At(0), transfer.At(transfer.Count() - 1)};
  sheets.Finish(transfer.details, transfer.Statistics(), ends, transfer.changes);
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
