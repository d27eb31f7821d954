// orbek-log turning a capture of 1,000,000 records into .csv and .xlsx:
// readings a second, peak resident memory, and the time of the workbook.
#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

#include "tests/support/QuietChild.h"
#include "tools/sim/SimRecords.h"

namespace {

constexpr std::size_t kReadings = 1000000;

struct Measured {
  double seconds = 0;
  double peakMb = 0;
  int status = -1;
};

// Runs orbek-log with standard output thrown away, as a service would.
Measured RunLogger(const std::vector<std::string>& arguments) {
  std::vector<std::string> command = {ORBEK_LOG};
  command.insert(command.end(), arguments.begin(), arguments.end());
  QElapsedTimer timer;
  timer.start();
  orbek::test::QuietChild child(command);
  Measured measured;
  measured.status = child.Wait() ? 0 : 1;
  measured.seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
  measured.peakMb = child.PeakMb();
  return measured;
}

}  // namespace

int main() {
  QTemporaryDir dir;
  const std::string capture = dir.filePath("million.bin").toStdString();
  {
    QFile file(QString::fromStdString(capture));
    if (!file.open(QIODevice::WriteOnly)) return 1;
    const auto records = orbek::sim::GenerateRecords(kReadings, 71, 10);
    for (const auto& record : records)
      file.write(reinterpret_cast<const char*>(record.data()), 12);
    const auto end = orbek::sim::EndRecord();
    file.write(reinterpret_cast<const char*>(end.data()), 12);
  }
  const Measured csv =
      RunLogger({"--decode", capture, "--output", dir.filePath("m.csv").toStdString()});
  const Measured xlsx =
      RunLogger({"--decode", capture, "--output", dir.filePath("m.xlsx").toStdString()});
  if (csv.status != 0 || xlsx.status != 0) {
    std::fprintf(stderr, "bench_logger: orbek-log failed (%d, %d)\n", csv.status, xlsx.status);
    return 1;
  }
  std::printf(
      "logger: 1,000,000 readings to .csv in %.2f s (%.1f MB), to .xlsx in %.2f s (%.1f MB)\n",
      csv.seconds, csv.peakMb, xlsx.seconds, xlsx.peakMb);
  std::printf("metric logger_readings_per_s %.0f readings/s\n", kReadings / csv.seconds);
  std::printf("metric logger_rss_mb_1m %.1f MB\n", std::max(csv.peakMb, xlsx.peakMb));
  std::printf("metric logger_xlsx_1m_s %.2f s\n", xlsx.seconds);
  return 0;
}
