#include "app/COrbekApp.h"

#include <fontconfig/fontconfig.h>
#include <QCommandLineParser>
#include <QDBusConnection>
#include <QSettings>
#include <QThread>
#include <cstdio>
#include <exception>
#include <future>
#include <memory>

#include "archive/ArchiveLocation.h"
#include "resources/Resources.h"
#include "ui/COrbekDlg.h"
#include "ui/DesktopScheme.h"

namespace orbek {

namespace {

void Name() {
  QCoreApplication::setApplicationName(QStringLiteral("Orbek"));
  QCoreApplication::setApplicationVersion(QStringLiteral(ORBEK_VERSION));
}

// The command line's archive, else the one the configuration names.
std::optional<ArchiveLocation> ArchiveFrom(const QCommandLineParser& parser,
                                           const WindowOptions& options, QString* problem) {
  const bool given = parser.isSet(options.archive) || parser.isSet(options.noArchive) ||
                     parser.isSet(options.archiveCredentials);
  if (given)
    return ArchiveLocation::FromOptions(parser.isSet(options.noArchive),
                                        parser.value(options.archive),
                                        parser.value(options.archiveCredentials), problem);
  QSettings config(ArchiveLocation::ConfigFile(), QSettings::IniFormat);
  const QString location = config.value(QStringLiteral("archive/location")).toString();
  std::optional<ArchiveLocation> archive = ArchiveLocation::FromOptions(
      location == QLatin1String("off"), location == QLatin1String("off") ? QString() : location,
      config.value(QStringLiteral("archive/credentials")).toString(), problem);
  if (!archive && problem)
    *problem = QStringLiteral("%1: %2").arg(ArchiveLocation::ConfigFile(), *problem);
  return archive;
}

// Work done on a thread of its own, one Qt's serial ports can be opened in;
// waited for when it goes.
class Meanwhile {
 public:
  explicit Meanwhile(std::function<void()> work) : thread_(QThread::create(std::move(work))) {
    thread_->start();
  }
  ~Meanwhile() { thread_->wait(); }
  Meanwhile(const Meanwhile&) = delete;
  Meanwhile& operator=(const Meanwhile&) = delete;

 private:
  std::unique_ptr<QThread> thread_;
};

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
                         QStringLiteral("file")),
      QCommandLineOption(QStringLiteral("archive"),
                         QStringLiteral("Archive transfers in the SQLite file <archive> or on the "
                                        "PostgreSQL server postgresql://[user@]host[:port]/db "
                                        "(default: $XDG_DATA_HOME/orbek/archive.sqlite, or what "
                                        "$XDG_CONFIG_HOME/orbek/orbek.conf names)."),
                         QStringLiteral("archive")),
      QCommandLineOption(QStringLiteral("no-archive"),
                         QStringLiteral("Do not archive transfers.")),
      QCommandLineOption(QStringLiteral("archive-credentials"),
                         QStringLiteral("The archive server's user name and password, a line "
                                        "each, in <file>."),
                         QStringLiteral("file"))};
  for (const QCommandLineOption* option : {&options.port, &options.capture, &options.archive,
                                           &options.noArchive, &options.archiveCredentials})
    parser.addOption(*option);
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

COrbekApp::COrbekApp(int& argc, char** argv)
    : fontConfig_(std::async(std::launch::async, [] { FcInit(); })), app_(argc, argv) {
  Name();
  QApplication::setDesktopFileName(QStringLiteral("org.orbek.Orbek"));
  UseLanguage(QLocale::system());  // the desktop's language, where Orbek has it
}

int COrbekApp::InitInstance() {
  QCommandLineParser parser;
  const WindowOptions options = AddWindowOptions(parser);
  parser.process(app_);

  const QStringList extraPorts = parser.values(options.port);
  const COrbekDlg::PortCandidateSource candidates = [extraPorts] {
    return SerialPortCandidates(extraPorts);
  };
  // The window's bitmaps, the session bus and the first scan's probe were
  // a quarter of its start-up; another core does them while the form is built.
  std::promise<ProbeResult> probed;
  std::future<ProbeResult> firstScan = probed.get_future();
  const Meanwhile meanwhile([prepare = PrepareBitmaps(), candidates, &probed] {
    prepare();
    QDBusConnection::sessionBus();  // connects, for the scheme below
    try {
      probed.set_value(ProbePorts(candidates()));
    } catch (...) {
      probed.set_exception(std::current_exception());
    }
  });
  fontConfig_.wait();
  COrbekDlg dlg(nullptr, candidates);
  dlg.ScanFirstFrom(std::move(firstScan));
  // GNOME and others publish a dark style only through the portal.
  DesktopScheme scheme;
  QObject::connect(&scheme, &DesktopScheme::Changed, &ApplyScheme);
  QString error;
  if (!dlg.CaptureTo(parser.value(options.capture), &error)) {
    std::fprintf(stderr, "orbek: %s\n", qPrintable(error));
    return 2;
  }
  QString problem;
  const std::optional<ArchiveLocation> archive = ArchiveFrom(parser, options, &problem);
  if (!archive) {
    std::fprintf(stderr, "orbek: %s\n", qPrintable(problem));
    return 2;
  }
  dlg.SetArchive(*archive);
  dlg.DoModal();
  return 0;
}

}  // namespace orbek
