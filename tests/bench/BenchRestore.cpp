// The window restoring a 5001-reading journal left by a window that did not
// close normally: from the answer Yes to every row and point in place and
// the window on screen.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

#include "tests/support/OrbekDlgProbe.h"
#include "tests/support/Records.h"

namespace {

constexpr int kReadings = 5001;

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir state;
  qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());
  QDir(state.path()).mkpath("orbek");
  {
    QFile journal(state.filePath("orbek/window-1-1.capture"));
    if (!journal.open(QIODevice::WriteOnly)) return 1;
    journal.write(orbek::test::Raw(orbek::sim::GenerateRecords(kReadings, 75)) +
                  orbek::test::Raw({orbek::sim::EndRecord()}));
  }

  orbek::BoxRecorder boxes(orbek::IDYES);
  QElapsedTimer sinceYes;
  boxes.onBox = [&] {
    if (boxes.boxes.back().buttons == orbek::MessageButtons::YesNo) sinceYes.start();
  };
  QElapsedTimer sinceStart;
  sinceStart.start();
  orbek::COrbekDlg dlg(nullptr, [] { return std::vector<orbek::PortCandidate>{}; });
  dlg.OnInitDialog();
  dlg.show();
  if (!QTest::qWaitForWindowExposed(&dlg)) return 1;
  QApplication::processEvents();
  const double restoreMs = static_cast<double>(sinceYes.nsecsElapsed()) / 1e6;
  const double totalMs = static_cast<double>(sinceStart.nsecsElapsed()) / 1e6;
  orbek::OrbekDlgProbe probe(dlg);
  if (!sinceYes.isValid() || probe.RowCounter() != kReadings ||
      probe.ValueSeries().Count() != kReadings) {
    std::fprintf(stderr, "bench_restore: %d of %d readings restored\n", probe.RowCounter(),
                 kReadings);
    return 1;
  }
  std::printf(
      "restore: %d readings in %.1f ms after Yes (%.1f ms from the window's start, the "
      "journal read and the scan included)\n",
      kReadings, restoreMs, totalMs);
  std::printf("metric restore_5001_ms %.1f ms\n", restoreMs);
  return 0;
}
