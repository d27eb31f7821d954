#include "app/ReadingLog.h"

#include <QFileInfo>

#include "export/SafeSave.h"
#include "export/WorkbookError.h"
#include "intake/ReadingsLayout.h"

namespace orbek {

namespace {

// A field as CSV wants it: quoted when it holds a comma, a quote or a line
// break.
QString CsvField(const QString& text) {
  if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
      !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
    return text;
  QString quoted = text;
  quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
  return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// Fifteen significant digits: every reading's number exactly as the meter
// meant it (123.4, not 123.40000000000001), with a point whatever the locale.
QString Number(double value) {
  return QString::number(value, 'g', 15);
}

}  // namespace

QString ReadingLog::Add(const DecodedReading& reading) {
  readings_.push_back(reading);
  return CsvLine(Count() - 1);
}

void ReadingLog::MarkOutOfStep(std::int64_t row) {
  outOfStep_.insert(row);
}

QString ReadingLog::CsvHeader() {
  return QStringLiteral("No.,Date and Time,Measured Value,Temperature,Value,Temperature Value");
}

QString ReadingLog::CsvLine(int row) const {
  const DecodedReading& r = readings_[static_cast<std::size_t>(row)];
  QStringList fields = {QString::number(row),
                        CsvField(QString::fromStdString(r.TimestampText)),
                        CsvField(QString::fromStdString(r.ValueText)),
                        CsvField(QString::fromStdString(r.TemperatureText)),
                        Number(r.ValueNumber),
                        Number(r.TemperatureNumber)};
  if (outOfStep_.contains(row)) fields << QString::fromLatin1(kOutOfStepMark);
  return fields.join(QLatin1Char(','));
}

QString ReadingLog::Csv() const {
  QString csv = CsvHeader() + QLatin1Char('\n');
  for (int row = 0; row < Count(); ++row)
    csv += CsvLine(row) + QLatin1Char('\n');
  return csv;
}

void ReadingLog::Save(const QString& path) const {
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == QLatin1String("csv")) return SaveBytes(path, Csv().toUtf8());
  if (suffix != QLatin1String("xls") && suffix != QLatin1String("xlsx"))
    throw WorkbookError(QStringLiteral("Cannot save %1: the name must end in .csv, .xls or .xlsx")
                            .arg(path)
                            .toStdString());
  try {
    ExportToExcel(*this, path);
  } catch (const WorkbookUnavailable&) {
    throw WorkbookError(
        QStringLiteral("Cannot save %1: Connecting is failed").arg(path).toStdString());
  }
}

int ReadingLog::ItemCount() const {
  return std::max(kTableRows, Count());
}

QString ReadingLog::HeaderText(int column) const {
  if (column < 0 || column >= HeaderItemCount()) return {};
  const auto heading = kColumnHeadings[static_cast<std::size_t>(column)];
  return QString::fromLatin1(heading.data(), static_cast<qsizetype>(heading.size()));
}

QString ReadingLog::ItemText(int row, int column) const {
  if (column == 0) return QString::number(row);
  if (row >= Count()) return {};
  const DecodedReading& r = readings_[static_cast<std::size_t>(row)];
  switch (column) {
    case kTimestampColumn:
      return QString::fromStdString(r.TimestampText);
    case kValueColumn:
      return QString::fromStdString(r.ValueText);
    case kTemperatureColumn:
      return QString::fromStdString(r.TemperatureText);
    default:
      return {};
  }
}

}  // namespace orbek
