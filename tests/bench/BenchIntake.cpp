// The real window, offscreen, receives a 5001-record transfer from the
// simulated meter running as its own process at the line's full pace.
// Prints the time from the start byte to the last row and point, the CPU
// spent per record and the peak resident memory.
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

#include "tests/support/EventLoop.h"
#include "tests/support/OrbekDlgProbe.h"

namespace {

constexpr int kRecords = 5001;

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double PeakRssMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

struct Transfer {
  double ms, cpuUsPerRecord;
};

// Presses Receive and waits for the whole transfer to be in the table and chart.
Transfer ReceiveAll(orbek::OrbekDlgProbe& probe) {
  const double cpuBefore = CpuSeconds();
  QElapsedTimer timer;
  timer.start();
  QTest::mouseClick(&probe.Button("ReceiveButton"), Qt::LeftButton);
  const bool complete = orbek::test::WaitUntil(
      [&] { return probe.RowCounter() == kRecords && probe.ValueSeries().Count() == kRecords; },
      60000);
  const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
  if (!complete) {
    std::fprintf(stderr, "bench_intake: only %d of %d records arrived\n", probe.RowCounter(),
                 kRecords);
    std::exit(1);
  }
  return {ms, (CpuSeconds() - cpuBefore) * 1e6 / kRecords};
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir dir;
  // The window's journals go to a folder of the benchmark's own.
  qputenv("XDG_STATE_HOME", dir.path().toLocal8Bit());
  const QString link = dir.filePath("ttyMETER");
  QProcess meter;
  meter.start(ORBEK_METER_SIM, {"--link", link, "--rate", "max", "--count",
                                QString::number(kRecords), "--quiet", "--no-end"});
  if (!meter.waitForReadyRead(5000)) {
    std::fprintf(stderr, "bench_intake: the simulated meter did not start\n");
    return 1;
  }

  orbek::BoxRecorder boxes;
  orbek::COrbekDlg dlg(nullptr, [link] { return std::vector<orbek::PortCandidate>{{link, {}}}; });
  dlg.OnInitDialog();
  dlg.show();
  if (!QTest::qWaitForWindowExposed(&dlg)) return 1;
  orbek::OrbekDlgProbe probe(dlg);
  probe.Combo("BaudCombo").setCurrentIndex(0);  // 115200
  QTest::mouseClick(&probe.Button("ConnectButton"), Qt::LeftButton);

  const Transfer table = ReceiveAll(probe);
  QTest::mouseClick(&probe.Button("GraphButton"), Qt::LeftButton);
  const Transfer chart = ReceiveAll(probe);
  std::printf("table view: %.1f ms, chart view: %.1f ms for %d records\n", table.ms, chart.ms,
              kRecords);
  std::printf("metric intake_5001_chart_view_ms %.1f ms\n", chart.ms);
  std::printf("metric intake_5001_ms %.1f ms\n", table.ms);
  std::printf("metric cpu_us_per_record %.1f us\n",
              std::max(table.cpuUsPerRecord, chart.cpuUsPerRecord));
  std::printf("metric peak_rss_mb %.1f MB\n", PeakRssMb());
  meter.terminate();
  meter.waitForFinished(5000);
  return 0;
}
