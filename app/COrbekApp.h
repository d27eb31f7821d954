#pragma once

#include <QApplication>
#include <QCommandLineParser>

namespace orbek {

// The window's command line: --help, --version, --port, --capture and the
// archive's --archive, --no-archive and --archive-credentials.
struct WindowOptions {
  QCommandLineOption port, capture, archive, noArchive, archiveCredentials;
};
WindowOptions AddWindowOptions(QCommandLineParser& parser);

// --help or --version answered without a display: true when the command
// line asks for one of them, which has then been printed.
bool AnsweredWithoutWindow(int& argc, char** argv);

// The process: reads the command line, runs the main window modally and
// ends when it closes.
class COrbekApp {
 public:
  COrbekApp(int& argc, char** argv);

  // Returns the process's exit code.
  int InitInstance();

 private:
  QApplication app_;
};

}  // namespace orbek
