#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

#include "meter/RecordDecoder.h"
#include "tests/support/QtPrinters.h"
#include "tools/sim/SimRecords.h"

namespace orbek::test {

inline const QString kCsvHeader =
    "No.,Date and Time,Value,Unit,Temperature,Scale,Received (UTC),Out of step,Lost before";

// A reading's line in both programs' CSV, worked out from what the window's
// table shows for it: the value's digits as shown (none where the meter
// defines no number; zero without a sign), its unit as a symbol (a Latin k, the micro sign), the
// temperature's digits and scale. The time received is left blank: see
// BlankReceived.
inline QString CsvLine(std::int64_t number, const QString& stamp, const QString& valueText,
                       const QString& temperatureText, bool defined, bool outOfStep = false,
                       int lostBefore = 0) {
  QString unit = valueText.section(' ', 1).trimmed();
  // The meter shows a zero of a signed format as "-0.0"; its number is 0.
  QString digits = valueText.section(' ', 0, 0);
  if (digits.startsWith('-') && digits.toDouble() == 0) digits.remove(0, 1);
  unit.replace(QChar(0x03BC), QChar(0x00B5)).replace(QChar(0x039A), QLatin1Char('k'));
  return QStringList{QString::number(number),
                     stamp,
                     defined ? digits : QString(),
                     unit,
                     temperatureText.section(' ', 0, 0),
                     temperatureText.section(' ', 1),
                     QString(),
                     outOfStep ? QStringLiteral("out of step") : QString(),
                     QString::number(lostBefore)}
      .join(',');
}

inline QString CsvLine(std::int64_t number, const sim::RecordBytes& record) {
  const DecodedReading r = DecodeRecord(MeterRecord(record));
  return CsvLine(number, QString::fromStdString(r.TimestampText),
                 QString::fromStdString(r.ValueText), QString::fromStdString(r.TemperatureText),
                 r.Value.has_value());
}

// The header, then a line for each record, numbered from 0.
inline QStringList CsvLines(const std::vector<sim::RecordBytes>& records) {
  QStringList lines = {kCsvHeader};
  for (std::size_t i = 0; i < records.size(); ++i)
    lines << CsvLine(static_cast<std::int64_t>(i), records[i]);
  return lines;
}

// The lines with the time received left blank (it differs from run to
// run); comment lines and the header as they are.
inline QStringList BlankReceived(const QStringList& lines) {
  QStringList blanked;
  for (const QString& line : lines) {
    QStringList fields = line.split(',');
    if (!line.startsWith('#') && line != kCsvHeader && fields.size() == 9) fields[6].clear();
    blanked << fields.join(',');
  }
  return blanked;
}

}  // namespace orbek::test
