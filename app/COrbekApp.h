#pragma once

#include <QApplication>
#include <QCommandLineParser>
#include <future>

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
  // Fontconfig reads its configuration, some forty XML files, the first
  // time a text is measured: a sixth of the window's start-up. It reads it
  // here, alongside the application's own start, and is waited for before
  // the window's first text.
  std::future<void> fontConfig_;
  QApplication app_;
};

}  // namespace orbek
