// The real window in a process of its own, for tests that kill it or make
// its files fail: it answers every box (printing each on standard output),
// connects to the port given, presses Receive and runs until it is killed.
// With --save FILE it waits for the transfer to end, saves the table to FILE
// and closes. Usage: orbek_window_driver PORT [--save FILE]
#include <QAbstractButton>
#include <QApplication>
#include <QTimer>
#include <cstdio>

#include "tests/support/OrbekDlgProbe.h"
#include "ui/COrbekDlg.h"
#include "ui/MessageBox.h"
#include "ui/SaveDialog.h"

namespace {

QAbstractButton* Button(orbek::COrbekDlg& dlg, const char* name) {
  return dlg.findChild<QAbstractButton*>(QString::fromLatin1(name));
}

// Saves once the link has closed by itself at the end of the transfer,
// then closes the window.
void SaveWhenDone(orbek::COrbekDlg& dlg, const QString& file) {
  auto* watch = new QTimer(&dlg);
  QObject::connect(watch, &QTimer::timeout, &dlg, [&dlg, file, watch] {
    const orbek::OrbekDlgProbe probe(dlg);
    if (probe.RowCounter() == 0 || probe.Serial().PortOpen()) return;
    watch->stop();
    orbek::SetSaveDialogHandler([file] { return file; });
    Button(dlg, "SaveExcelButton")->click();
    dlg.accept();
  });
  watch->start(20);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QStringList arguments = app.arguments();
  if (arguments.size() != 2 && !(arguments.size() == 4 && arguments[2] == "--save")) {
    std::fprintf(stderr, "usage: orbek_window_driver PORT [--save FILE]\n");
    return 2;
  }
  orbek::SetMessageBoxHandler(
      [](const QString& text, const QString&, orbek::MessageButtons buttons) {
        std::printf("box: %s\n", text.toUtf8().constData());
        std::fflush(stdout);
        return buttons == orbek::MessageButtons::YesNo ? orbek::IDYES : orbek::IDOK;
      });
  const QString port = arguments[1];
  orbek::COrbekDlg dlg(nullptr, [port] { return std::vector<orbek::PortCandidate>{{port, {}}}; });
  dlg.OnInitDialog();
  dlg.show();
  if (arguments.size() == 4) SaveWhenDone(dlg, arguments[3]);
  QTimer::singleShot(0, &dlg, [&dlg] {
    Button(dlg, "ConnectButton")->click();
    Button(dlg, "ReceiveButton")->click();
    std::printf("receiving\n");
    std::fflush(stdout);
  });
  if (arguments.size() == 4) {
    dlg.exec();
    return 0;
  }
  return app.exec();
}
