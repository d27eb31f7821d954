#include "app/COrbekApp.h"

#include <QCommandLineParser>
#include <cstdio>

#include "ui/COrbekDlg.h"

namespace orbek {

COrbekApp::COrbekApp(int& argc, char** argv) : app_(argc, argv) {
  QApplication::setApplicationName(QStringLiteral("Orbek"));
  QApplication::setApplicationVersion(QStringLiteral(ORBEK_VERSION));
  QApplication::setDesktopFileName(QStringLiteral("org.orbek.Orbek"));
}

int COrbekApp::InitInstance() {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Collects the readings of a water-quality meter over a serial port."));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption port(
      QStringLiteral("port"),
      QStringLiteral("Also offer the serial device at <path> (a virtual port, say). Repeatable."),
      QStringLiteral("path"));
  parser.addOption(port);
  const QCommandLineOption capture(
      QStringLiteral("capture"),
      QStringLiteral("Keep every record received, as raw bytes, in <file> (orbek-log --decode "
                     "reads it)."),
      QStringLiteral("file"));
  parser.addOption(capture);
  parser.process(app_);

  const QStringList extraPorts = parser.values(port);
  COrbekDlg dlg(nullptr, [extraPorts] { return SerialPortCandidates(extraPorts); });
  QString error;
  if (!dlg.CaptureTo(parser.value(capture), &error)) {
    std::fprintf(stderr, "orbek: %s\n", qPrintable(error));
    return 2;
  }
  dlg.DoModal();
  return 0;
}

}  // namespace orbek
