#pragma once

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <vector>

#include "export/TableExport.h"
#include "meter/RecordDecoder.h"
#include "meter/Transfer.h"
#include "tools/sim/SimRecords.h"

namespace orbek::test {

// A table held in memory, for exports without a window.
class TextTable : public ExportSource {
 public:
  QStringList headers;
  std::vector<int> pixelWidths;
  std::vector<QStringList> rows;

  int ItemCount() const override { return static_cast<int>(rows.size()); }
  int HeaderItemCount() const override { return static_cast<int>(headers.size()); }
  QString HeaderText(int column) const override { return headers.value(column); }
  int ColumnWidth(int column) const override { return pixelWidths.at(column); }
  QString ItemText(int row, int column) const override { return rows.at(row).value(column); }
};

// A table like the window's: its headings and widths, and `rows` readings.
inline TextTable ReadingsTextTable(int rows) {
  TextTable table;
  table.headers = {"No.", "Date and Time", "Measured Value", "Temperature"};
  table.pixelWidths = {159, 159, 159, 159};
  for (int r = 0; r < rows; ++r)
    table.rows.push_back(
        {QString::number(r), "2017-05-18 08:09:46", QString("%1 pH").arg(r), "25.0 \u00B0C"});
  return table;
}

// What the independent reader is to find: the sheets' names, the headings
// cut to 255 characters, widths of a sixth of the pixels, and every row's
// texts on the first sheet.
inline void WriteExpectation(const ExportSource& table, const QString& path,
                             const QStringList& sheets = {"Sheet1"}) {
  QJsonArray headers, widths, rows;
  for (int c = 0; c < table.HeaderItemCount(); ++c) {
    headers.append(table.HeaderText(c).left(255));
    widths.append(table.ColumnWidth(c) / 6);
  }
  for (int r = 0; r < table.ItemCount(); ++r) {
    QJsonArray row;
    for (int c = 0; c < table.HeaderItemCount(); ++c)
      row.append(table.ItemText(r, c));
    rows.append(row);
  }
  QFile file(path);
  file.open(QIODevice::WriteOnly);
  file.write(QJsonDocument(QJsonObject{{"sheets", QJsonArray::fromStringList(sheets)},
                                       {"headers", headers},
                                       {"widths", widths},
                                       {"rows", rows}})
                 .toJson(QJsonDocument::Compact));
}

struct CheckResult {
  int exitCode = -1;
  QString output;
};

// Runs a reader script with `arguments`; LibreOffice may take minutes.
inline CheckResult RunReader(const QStringList& arguments) {
  QProcess python;
  python.setProcessChannelMode(QProcess::MergedChannels);
  python.start("/usr/bin/python3", arguments);
  python.waitForFinished(400000);
  return {python.exitStatus() == QProcess::NormalExit ? python.exitCode() : -1,
          QString::fromUtf8(python.readAll())};
}

// Runs the reader script over `workbook`; with `libreoffice`, LibreOffice
// opens it too.
inline CheckResult CheckWorkbook(const QString& workbook, const QString& expectation,
                                 bool libreoffice = false) {
  QStringList arguments = {ORBEK_CHECK_WORKBOOK};
  if (libreoffice) arguments << "--libreoffice";
  return RunReader(arguments << workbook << expectation);
}

// What the transfer's reader script is to find of `records` sent with
// `details`: the readings decoded apart from whatever saved them.
inline void WriteTransferExpectation(const QString& path,
                                     const std::vector<sim::RecordBytes>& records,
                                     const SampleDetails& details) {
  const auto utf8 = [](std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  };
  QJsonArray readings, fields;
  for (std::size_t i = 0; i < records.size(); ++i) {
    const DecodedReading r = DecodeRecord(MeterRecord::FromSpan(records[i]));
    readings.append(
        QJsonObject{{"number", static_cast<int>(i)},
                    {"clock", r.Clock.real ? QJsonValue(utf8(r.TimestampText)) : QJsonValue()},
                    {"clock_text", utf8(r.TimestampText)},
                    {"value", r.Value ? QJsonValue(*r.Value) : QJsonValue()},
                    {"unit", utf8(r.Unit.value_or(""))},
                    {"temperature", r.TemperatureNumber},
                    {"scale", utf8(r.TemperatureUnit())},
                    {"out_of_step", false},
                    {"decimals", r.ValueDecimals}});
  }
  for (const DetailField& field : kDetailFields)
    fields.append(QJsonArray{utf8(field.label), utf8(details.*field.member)});
  const QJsonObject properties{{"title", utf8(details.sample)},
                               {"subject", utf8(details.location)},
                               {"author", utf8(details.operator_)},
                               {"keywords", utf8(details.probe)},
                               {"comments", utf8(details.note)}};
  QFile file(path);
  file.open(QIODevice::WriteOnly);
  file.write(
      QJsonDocument(
          QJsonObject{{"details", fields}, {"properties", properties}, {"readings", readings}})
          .toJson());
}

// Runs the transfer's reader script over `file` (a workbook or the
// window's CSV); with `libreoffice`, LibreOffice prints a workbook too.
inline CheckResult CheckTransfer(const QString& file, const QString& expectation,
                                 bool libreoffice = false) {
  QStringList arguments = {ORBEK_CHECK_TRANSFER};
  if (libreoffice) arguments << "--libreoffice";
  return RunReader(arguments << file << expectation);
}

inline bool HaveLibreOffice() {
  return QProcess::execute("sh", {"-c", "command -v soffice >/dev/null"}) == 0;
}

}  // namespace orbek::test
