#include "app/COrbekApp.h"

#include <QCommandLineParser>
#include <cstdio>

#include "resources/Resources.h"
#include "ui/COrbekDlg.h"
#include "ui/DesktopScheme.h"

namespace orbek {

namespace {

void Name() {
  QCoreApplication::setApplicationName(QStringLiteral("Orbek"));
  QCoreApplication::setApplicationVersion(QStringLiteral(ORBEK_VERSION));
}

}  // namespace

WindowOptions AddWindowOptions(QCommandLineParser& parser) {
  parser.setApplicationDescription(
      QStringLiteral("Collects the readings of a water-quality meter over a serial port."));
  parser.addHelpOption();
  parser.addVersionOption();
  WindowOptions options{
      QCommandLineOption(QStringLiteral("port"),
                         QStringLiteral("Also offer the serial device at <path> (a virtual port, "
                                        "say). Repeatable."),
                         QStringLiteral("path")),
      QCommandLineOption(QStringLiteral("capture"),
                         QStringLiteral("Keep every record received, as raw bytes, in <file> "
                                        "(orbek-log --decode reads it)."),
                         QStringLiteral("file"))};
  parser.addOption(options.port);
  parser.addOption(options.capture);
  return options;
}

// The window's platform needs a display even to start; help and the version
// do not, so they are answered by a plain core application.
bool AnsweredWithoutWindow(int& argc, char** argv) {
  bool asked = false;
  for (int i = 1; i < argc; ++i) {
    const QByteArray argument(argv[i]);
    asked = asked || argument == "--help" || argument == "-h" || argument == "--help-all" ||
            argument == "-?" || argument == "--version" || argument == "-v";
  }
  if (!asked) return false;
  QCoreApplication app(argc, argv);
  Name();
  QCommandLineParser parser;
  AddWindowOptions(parser);
  parser.process(app);  // prints and exits for --help and --version
  return true;
}

COrbekApp::COrbekApp(int& argc, char** argv) : app_(argc, argv) {
  Name();
  QApplication::setDesktopFileName(QStringLiteral("org.orbek.Orbek"));
  UseLanguage(QLocale::system());  // the desktop's language, where Orbek has it
}

int COrbekApp::InitInstance() {
  QCommandLineParser parser;
  const WindowOptions options = AddWindowOptions(parser);
  parser.process(app_);

  // GNOME and others publish a dark style only through the portal.
  DesktopScheme scheme;
  QObject::connect(&scheme, &DesktopScheme::Changed, &ApplyScheme);

  const QStringList extraPorts = parser.values(options.port);
  COrbekDlg dlg(nullptr, [extraPorts] { return SerialPortCandidates(extraPorts); });
  QString error;
  if (!dlg.CaptureTo(parser.value(options.capture), &error)) {
    std::fprintf(stderr, "orbek: %s\n", qPrintable(error));
    return 2;
  }
  dlg.DoModal();
  return 0;
}

}  // namespace orbek
