// The window's archive as a lab uses it: a transfer archived as it ends,
// its file the same as the archive gives back, found again with Ctrl+H and
// opened under a banner, its details changed only with a reason, reviewed,
// and the review on its report's first page.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "archive/Archive.h"
#include "archive/ArchiveWaiting.h"
#include "export/ReadingsOutput.h"
#include "resources/Resources.h"
#include "tests/support/Files.h"
#include "tests/support/LoggerProcess.h"
#include "tests/support/OrbekDlgProbe.h"
#include "ui/HistoryDialog.h"
#include "ui/SampleDetailsDialog.h"
#include "ui/SaveDialog.h"

namespace orbek {
namespace {

using sim::MeterSimulator;

// Acts on the modal dialog of type T once it is up (its exec() runs its
// own event loop, in which this timer fires).
template <typename T>
void WhenShown(std::function<void(T&)> act) {
  auto* timer = new QTimer;
  timer->setInterval(20);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    act(*dialog);
  });
  timer->start();
}

class ArchiveWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    location_.kind = ArchiveLocation::Kind::SQLite;
    location_.file = dir_.filePath("archive.sqlite");
    meters_.push_back(std::make_unique<MeterSimulator>(
        MeterSimulator::Paced(sim::GenerateRecords(30, 41))));
    dlg_ = std::make_unique<COrbekDlg>(nullptr, MetersOnly(meters_));
    dlg_->SetArchive(location_);
    dlg_->OnInitDialog();
    dlg_->show();
    dlg_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg_.get()));
  }
  OrbekDlgProbe Probe() { return OrbekDlgProbe(*dlg_); }
  // A window shortcut, once the window is active again after a dialog.
  void Press(int key) {
    dlg_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg_.get()));
    QTest::keyClick(dlg_.get(), Qt::Key(key), Qt::ControlModifier);
  }
  std::vector<AuditEvent> Events(const QString& kind) {
    std::vector<AuditEvent> found;
    for (const AuditEvent& event : Archive(location_).Events())
      if (event.kind == kind) found.push_back(event);
    return found;
  }

  QTemporaryDir dir_;
  static test::Run Log(const QStringList& arguments) {
    QProcess program;
    program.start(ORBEK_LOG, arguments);
    return test::Finish(program);
  }

  ArchiveLocation location_;
  BoxRecorder boxes_;
  std::vector<std::unique_ptr<MeterSimulator>> meters_;
  std::unique_ptr<COrbekDlg> dlg_;
};

TEST_F(ArchiveWindowTest, ATransferIsArchivedFoundOpenedChangedWithAReasonAndReviewed) {
  QTest::mouseClick(&Probe().Button("ConnectButton"), Qt::LeftButton);
  QTest::mouseClick(&Probe().Button("ReceiveButton"), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !Probe().Serial().PortOpen(); }, 10000));
  ASSERT_EQ(Probe().RowCounter(), 30);

  // Saved from the window, and the same bytes from the archive.
  const QString saved = dir_.filePath("window.csv");
  SetSaveDialogHandler([saved] { return saved; });
  QTest::mouseClick(&Probe().Button("SaveExcelButton"), Qt::LeftButton);
  SetSaveDialogHandler({});
  // orbek-log finds it, exports the same bytes, and verifies the archive.
  const std::vector<HistoryEntry> history = Archive(location_).History({});
  ASSERT_EQ(history.size(), 1u);
  const QString id = QString::fromLatin1(history.front().id);
  const QString exported = dir_.filePath("exported.csv");
  const QStringList archive = {"--archive", location_.file};
  EXPECT_TRUE(Log(QStringList{"--history"} + archive).out.contains(id));
  EXPECT_EQ(Log(QStringList{"--export", id, "--output", exported} + archive).exitCode, 0);
  EXPECT_EQ(test::ReadAll(exported), test::ReadAll(saved));
  EXPECT_EQ(Log(QStringList{"--verify-archive"} + archive).exitCode, 0);
  const auto files = Events("file saved");
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files.front().after, saved);

  // Ctrl+H, then Enter: the newest transfer opens under its banner.
  WhenShown<HistoryDialog>([](HistoryDialog& dialog) {
    QTest::keyClick(&dialog, Qt::Key_Return);
  });
  Press(Qt::Key_H);
  ASSERT_TRUE(QTest::qWaitFor([&] { return Probe().Label("ArchiveBanner").isVisible(); }, 5000));
  EXPECT_TRUE(Probe().Label("ArchiveBanner").text().contains("read-only"));
  EXPECT_EQ(Probe().RowCounter(), 30);

  // A detail of an ended transfer changes only with its reason.
  WhenShown<SampleDetailsDialog>([](SampleDetailsDialog& dialog) {
    dialog.findChild<QLineEdit*>("sample")->setText("S-77");
    WhenShown<QInputDialog>([](QInputDialog& reason) {
      reason.setTextValue("the label was misread");
      reason.accept();
    });
    dialog.accept();
  });
  Press(Qt::Key_D);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !Events("detail").empty(); }, 5000));
  const AuditEvent change = Events("detail").back();
  EXPECT_EQ(change.subject, "sample");
  EXPECT_EQ(change.after, "S-77");
  EXPECT_EQ(change.reason, "the label was misread");
  EXPECT_EQ(Archive(location_).History({"S-77", {}, {}, -1}).size(), 1u);

  WhenShown<ReviewDialog>([](ReviewDialog& dialog) {
    dialog.findChild<QLineEdit*>("Reviewer")->setText("Dr. Quist");
    dialog.accept();
  });
  Press(Qt::Key_R);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !Events("reviewed").empty(); }, 5000));
  EXPECT_EQ(Events("reviewed").front().subject, "Dr. Quist");

  // The report names who received and who reviewed it.
  const QString report = dir_.filePath("report.pdf");
  SetSaveDialogHandler([report] { return report; });
  Press(Qt::Key_P);
  SetSaveDialogHandler({});
  QProcess text;
  text.start("pdftotext", {"-l", "1", report, "-"});
  ASSERT_TRUE(text.waitForFinished(30000));
  const QString firstPage = QString::fromUtf8(text.readAllStandardOutput());
  EXPECT_TRUE(firstPage.contains("Dr. Quist")) << firstPage.toStdString();
  EXPECT_TRUE(firstPage.contains("Received")) << firstPage.toStdString();
  // orbek-log's export, then the report: a report of an opened transfer is
  // an export too.
  EXPECT_EQ(Events("exported").size(), 2u);
  EXPECT_EQ(Archive(location_).Verify(), QStringList());
}

// The archive's server is down: the transfer waits, the user hears where
// once, and nothing is lost.
TEST_F(ArchiveWindowTest, AnArchiveThatCannotTakeTheTransferLeavesItWaiting) {
  test::WriteFile(location_.file, QByteArray(4096, 'x'));  // damaged
  QTest::mouseClick(&Probe().Button("ConnectButton"), Qt::LeftButton);
  QTest::mouseClick(&Probe().Button("ReceiveButton"), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !Probe().Serial().PortOpen(); }, 10000));
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        for (const ShownBox& box : boxes_.boxes)
          if (box.text.contains("waits in")) return true;
        return false;
      },
      5000));
  EXPECT_EQ(ArchiveWaiting(location_).Files().size(), 1);
}

// The History view reads in every language, and a screen reader hears a
// name for each of its controls.
TEST_F(ArchiveWindowTest, TheHistoryIsTranslatedAndEachControlIsNamed) {
  for (const char* language : {"de", "fr", "es", "pt", "zh_CN", "en"}) {
    SCOPED_TRACE(language);
    UseLanguage(QLocale(QString::fromLatin1(language)));
    HistoryDialog dialog(location_, dlg_.get());
    dialog.show();
    EXPECT_EQ(dialog.windowTitle() == "History", std::string_view(language) == "en");
    for (QWidget* control : dialog.findChildren<QWidget*>()) {
      if (!control->isVisible() || control->focusPolicy() == Qt::NoFocus ||
          control->objectName().startsWith("qt_"))
        continue;
      QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
      EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty())
          << control->metaObject()->className() << " " << control->objectName().toStdString();
    }
  }
  UseLanguage(QLocale(QLocale::English));
}

}  // namespace
}  // namespace orbek
