#pragma once

#include <QApplication>

namespace orbek {

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
