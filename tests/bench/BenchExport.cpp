// Exports a full 5001-row table of realistic readings to .xls and .xlsx and
// prints the median time of each as a metric line.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "export/TableExport.h"
#include "meter/RecordDecoder.h"
#include "tests/support/WorkbookCheck.h"
#include "tools/sim/SimRecords.h"

namespace {

orbek::test::TextTable ReadingsTable() {
  orbek::test::TextTable table;
  table.headers = {"No.", "Date and Time", "Measured Value", "Temperature"};
  table.pixelWidths = {159, 159, 159, 159};
  const auto records = orbek::sim::GenerateRecords(5001, 3);
  for (int r = 0; r < 5001; ++r) {
    const auto reading = orbek::DecodeRecord(orbek::MeterRecord(records[r]));
    table.rows.push_back({QString::number(r), QString::fromStdString(reading.TimestampText),
                          QString::fromStdString(reading.ValueText),
                          QString::fromStdString(reading.TemperatureText)});
  }
  return table;
}

double MedianMs(const orbek::ExportSource& table, const QString& path) {
  std::vector<double> times;
  for (int run = 0; run < 7; ++run) {
    QElapsedTimer timer;
    timer.start();
    orbek::ExportToExcel(table, path);
    times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  const auto table = ReadingsTable();
  const double xls = MedianMs(table, dir.filePath("readings.xls"));
  const double xlsx = MedianMs(table, dir.filePath("readings.xlsx"));
  std::printf("metric export_xls_ms %.1f ms\n", xls);
  std::printf("metric export_xlsx_ms %.1f ms\n", xlsx);
  return 0;
}
