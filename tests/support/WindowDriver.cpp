// The real window in a process of its own, for tests that kill it: it
// answers every box, connects to the port given, presses Receive and runs
// until it is killed. Usage: orbek_window_driver PORT
#include <QAbstractButton>
#include <QApplication>
#include <QTimer>
#include <cstdio>

#include "ui/COrbekDlg.h"
#include "ui/MessageBox.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: orbek_window_driver PORT\n");
    return 2;
  }
  orbek::SetMessageBoxHandler([](const QString&, const QString&, orbek::MessageButtons buttons) {
    return buttons == orbek::MessageButtons::YesNo ? orbek::IDYES : orbek::IDOK;
  });
  const QString port = QString::fromLocal8Bit(argv[1]);
  orbek::COrbekDlg dlg(nullptr, [port] { return std::vector<orbek::PortCandidate>{{port, {}}}; });
  dlg.OnInitDialog();
  dlg.show();
  QTimer::singleShot(0, &dlg, [&dlg] {
    dlg.findChild<QAbstractButton*>(QStringLiteral("ConnectButton"))->click();
    dlg.findChild<QAbstractButton*>(QStringLiteral("ReceiveButton"))->click();
    std::printf("receiving\n");
    std::fflush(stdout);
  });
  return app.exec();
}
