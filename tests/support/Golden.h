#pragma once

#include <QFile>
#include <QString>
#include <QStringList>
#include <vector>

#include "tests/support/CsvLayout.h"
#include "tools/sim/SimRecords.h"

namespace orbek::test {

// A committed transfer: its records as hex (the end record last) and the
// readings they must give, worked out by hand, as the window's table shows
// them with the numbers they plot.
struct GoldenTransfer {
  std::vector<sim::RecordBytes> records;  // what the meter sends, end record included
  QStringList csv;                        // the header line, then one line a reading

  std::vector<sim::RecordBytes> Readings() const { return {records.begin(), records.end() - 1}; }
  QByteArray Raw() const {
    QByteArray raw;
    for (const auto& record : records)
      raw.append(reinterpret_cast<const char*>(record.data()), 12);
    return raw;
  }
  // Field `column` of reading `row`: 0 number, 1 date and time, 2 value,
  // 3 temperature, 4 value number, 5 temperature number.
  QString Field(int row, int column) const { return csv.at(row + 1).split(',').at(column); }
  // The same readings as both programs' CSV has them, the time received
  // left blank.
  QStringList CsvLines() const {
    QStringList lines = {kCsvHeader};
    for (int row = 0; row + 1 < csv.size(); ++row)
      lines << CsvLine(Field(row, 0).toLongLong(), Field(row, 1), Field(row, 2), Field(row, 3),
                       !Field(row, 4).isEmpty());
    return lines;
  }
};

inline GoldenTransfer LoadGolden(const QString& name) {
  const QString base = QStringLiteral(ORBEK_TEST_DATA "/") + name;
  GoldenTransfer golden;
  golden.records = sim::LoadHexRecords((base + ".hex").toStdString());
  QFile csv(base + ".csv");
  if (csv.open(QIODevice::ReadOnly))
    golden.csv = QString::fromUtf8(csv.readAll()).split('\n', Qt::SkipEmptyParts);
  return golden;
}

}  // namespace orbek::test
