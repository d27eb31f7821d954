// The real window in a process of its own, for tests that kill it or make
// its files fail, and for the line-rate benchmark: it answers every box
// (printing each on standard output), connects to the port given at the
// baud rate given (the window's default otherwise), presses Receive and
// runs until it is killed. With --save FILE it waits for the transfer to
// end, saves the table to FILE and closes; with --close-at-end it closes
// when the transfer ends. With --idle it only shows the window, for a
// screen reader's test to drive. With --chart it shows the chart, the view
// a user watches during a transfer, before it connects. The platform is
// offscreen unless QT_QPA_PLATFORM names another.
// Usage: orbek_window_driver PORT [--baud RATE] [--chart]
//        [--save FILE | --close-at-end | --idle]
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
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

// Once the link has closed by itself at the end of the transfer (or the
// meter went away): saves to `file` if one is given, then closes the window.
void AtTheEnd(orbek::COrbekDlg& dlg, const QString& file) {
  const auto end = [&dlg, file] {
    if (!file.isEmpty()) {
      orbek::SetSaveDialogHandler([file] { return file; });
      Button(dlg, "SaveExcelButton")->click();
    }
    dlg.accept();
  };
  orbek::MeterSession& session = orbek::OrbekDlgProbe(dlg).Session();
  QObject::connect(&session, &orbek::MeterSession::TransferEnded, &dlg, end, Qt::QueuedConnection);
  QObject::connect(&session, &orbek::MeterSession::DeviceLost, &dlg, end, Qt::QueuedConnection);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QStringList arguments = app.arguments();
  if (arguments.size() < 2) {
    std::fprintf(stderr,
                 "usage: orbek_window_driver PORT [--baud RATE] [--save FILE | "
                 "--close-at-end | --idle]\n");
    return 2;
  }
  const QString port = arguments[1];
  const qsizetype baudAt = arguments.indexOf("--baud");
  const QString baud = baudAt > 0 ? arguments.value(baudAt + 1) : QString();
  const qsizetype saveAt = arguments.indexOf("--save");
  const QString save = saveAt > 0 ? arguments.value(saveAt + 1) : QString();
  const bool closeAtEnd = saveAt > 0 || arguments.contains("--close-at-end");
  orbek::SetMessageBoxHandler(
      [](const QString& text, const QString&, orbek::MessageButtons buttons) {
        std::printf("box: %s\n", text.toUtf8().constData());
        std::fflush(stdout);
        return buttons == orbek::MessageButtons::YesNo ? orbek::IDYES : orbek::IDOK;
      });
  orbek::COrbekDlg dlg(nullptr, [port] { return std::vector<orbek::PortCandidate>{{port, {}}}; });
  dlg.OnInitDialog();
  dlg.show();
  if (!baud.isEmpty()) {
    auto& combo = orbek::OrbekDlgProbe(dlg).Combo("BaudCombo");
    combo.setCurrentIndex(combo.findText(baud));
  }
  if (closeAtEnd) AtTheEnd(dlg, save);
  if (arguments.contains("--idle")) return app.exec();
  const bool chart = arguments.contains("--chart");
  QTimer::singleShot(0, &dlg, [&dlg, chart] {
    if (chart) Button(dlg, "GraphButton")->click();
    Button(dlg, "ConnectButton")->click();
    Button(dlg, "ReceiveButton")->click();
    std::printf("receiving\n");
    std::fflush(stdout);
  });
  if (closeAtEnd) {
    dlg.exec();
    return 0;
  }
  return app.exec();
}
