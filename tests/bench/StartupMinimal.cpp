// The least a Qt program does to start, the baselines bench_startup
// divides by, each built as a program of its own with only the Qt it uses:
// with STARTUP_WIDGETS ("widgets") it is Qt's hello world, a QApplication
// showing one button with a line of text, and says "ready" once the window
// is drawn; without ("core DEVICE") it links Qt Core alone, makes a
// QCoreApplication, opens the device and sends the start byte from its
// event loop, as a logger would.
#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#ifdef STARTUP_WIDGETS
#include <QApplication>
#include <QPushButton>

#include "tests/bench/FirstPaint.h"
#endif
#include <cstdio>
#include <cstring>

namespace {

#ifdef STARTUP_WIDGETS
int Widgets(int argc, char** argv) {
  QApplication app(argc, argv);
  const orbek::bench::FirstPaint painted([](const QWidget&) { return true; },
                                         [] { QCoreApplication::quit(); });
  QPushButton window(QStringLiteral("Hello world!"));
  window.resize(400, 300);
  window.show();
  return QApplication::exec();
}
#else
int Core(int argc, char** argv, const char* device) {
  QCoreApplication app(argc, argv);
  QTimer::singleShot(0, [device] {
    const int fd = ::open(device, O_RDWR | O_NOCTTY);
    const unsigned char start = 0xB1;
    const bool sent = fd >= 0 && ::write(fd, &start, 1) == 1;
    if (fd >= 0) ::close(fd);
    QCoreApplication::exit(sent ? 0 : 1);
  });
  return QCoreApplication::exec();
}
#endif

}  // namespace

int main(int argc, char** argv) {
#ifdef STARTUP_WIDGETS
  if (argc == 2 && std::strcmp(argv[1], "widgets") == 0) return Widgets(argc, argv);
  std::fprintf(stderr, "usage: startup_minimal_widgets widgets\n");
#else
  if (argc == 3 && std::strcmp(argv[1], "core") == 0) return Core(argc, argv, argv[2]);
  std::fprintf(stderr, "usage: startup_minimal_core core DEVICE\n");
#endif
  return 2;
}
