#include <csignal>

#include "app/COrbekApp.h"

int main(int argc, char** argv) {
  // A file-size limit makes a save fail with a reason shown in a box,
  // instead of killing the window with every reading in it.
  std::signal(SIGXFSZ, SIG_IGN);
  if (orbek::AnsweredWithoutWindow(argc, argv)) return 0;
  orbek::COrbekApp app(argc, argv);
  return app.InitInstance();
}
