// The window's journal: what a killed window had received comes back at the
// next start; a window closed normally leaves nothing behind.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDesktopServices>
#include <QDir>
#include <QUrl>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "export/ExcelAutomation.h"
#include "meter/RecordDecoder.h"
#include "tests/support/EventLoop.h"
#include "tests/support/Files.h"
#include "tests/support/OrbekDlgProbe.h"
#include "ui/SaveDialog.h"

namespace orbek {
namespace {

using sim::MeterSimulator;
using test::WaitUntil;

QString JournalFolder() {
  return QFile::decodeName(qgetenv("XDG_STATE_HOME")) + "/orbek";
}

QStringList Files(const QString& pattern = "*") {
  return QDir(JournalFolder()).entryList({pattern}, QDir::Files | QDir::Hidden);
}

qint64 JournalSize() {
  const QStringList journals = Files("window-*.capture");
  return journals.size() == 1 ? QFileInfo(JournalFolder() + "/" + journals[0]).size() : 0;
}

using test::ReadAll;

// Takes the window's "open the folder" instead of the desktop.
class UrlRecorder : public QObject {
  Q_OBJECT
 public:
  UrlRecorder() { QDesktopServices::setUrlHandler("file", this, "Open"); }
  ~UrlRecorder() override { QDesktopServices::unsetUrlHandler("file"); }
  QList<QUrl> urls;
 public slots:
  void Open(const QUrl& url) { urls << url; }
};

// A window that receives `records` from a simulated meter, all of them.
struct Window {
  explicit Window(std::vector<sim::RecordBytes> records) {
    meters.push_back(std::make_unique<MeterSimulator>(MeterSimulator::Paced(std::move(records))));
    dlg = std::make_unique<COrbekDlg>(nullptr, MetersOnly(meters));
    dlg->OnInitDialog();
    dlg->show();
  }
  OrbekDlgProbe Probe() { return OrbekDlgProbe(*dlg); }
  void Transfer(int readings) {
    QTest::mouseClick(&Probe().Button("ConnectButton"), Qt::LeftButton);
    QTest::mouseClick(&Probe().Button("ReceiveButton"), Qt::LeftButton);
    ASSERT_TRUE(WaitUntil([&] { return !Probe().Serial().PortOpen(); }));
    ASSERT_EQ(Probe().RowCounter(), readings);
  }

  std::vector<std::unique_ptr<MeterSimulator>> meters;
  std::unique_ptr<COrbekDlg> dlg;
};

// The bottom axis follows the newest 20 readings; the left axis has grown
// as the readings came.
void ExpectChartAsReceived(OrbekDlgProbe probe, const std::vector<sim::RecordBytes>& records) {
  const int n = static_cast<int>(records.size());
  orbek::AxisRange range = kInitialAxisRange;
  for (const auto& record : records) {
    const DecodedReading r = DecodeRecord(MeterRecord(record));
    UpdateAxisRange(range, r.ValueNumber, r.TemperatureNumber);
  }
  EXPECT_EQ(probe.ValueSeries().Count(), n);
  EXPECT_EQ(probe.TemperatureSeries().Count(), n);
  EXPECT_EQ(probe.AxisRange().minimum, range.minimum);
  EXPECT_EQ(probe.AxisRange().maximum, range.maximum);
  EXPECT_EQ(probe.ChartAxes().Left().Minimum(), range.minimum);
  EXPECT_EQ(probe.ChartAxes().Left().Maximum(), range.maximum);
  EXPECT_EQ(probe.ChartAxes().Bottom().Minimum(), n - 20);
  EXPECT_EQ(probe.ChartAxes().Bottom().Maximum(), n - 1);
}

TEST(JournalTest, AKilledWindowsReadingsComeBackAndExportAsIfNeverInterrupted) {
  const auto records = sim::GenerateRecords(2000, 31);
  MeterSimulator meter(MeterSimulator::Paced(records, MeterSimulator::Pace::Fixed, 200));
  QProcess window;
  window.start(ORBEK_WINDOW_DRIVER, {QString::fromStdString(meter.DevicePath())});
  ASSERT_TRUE(window.waitForStarted());
  ASSERT_TRUE(WaitUntil([] { return JournalSize() >= 150 * 12; }, 20000))
      << window.readAllStandardError().toStdString();
  ::kill(static_cast<pid_t>(window.processId()), SIGKILL);
  window.waitForFinished();
  const qint64 size = JournalSize();
  ASSERT_EQ(size % 12, 0);
  const auto received = std::vector<sim::RecordBytes>(records.begin(), records.begin() + size / 12);
  const int n = static_cast<int>(received.size());
  ASSERT_LT(n, 2000) << "the transfer ended before the kill";

  BoxRecorder boxes(IDYES);
  Window restored({});
  ASSERT_EQ(boxes.boxes.size(), 2u) << "the scan's report, then the question";
  const ShownBox& question = boxes.boxes[1];
  EXPECT_EQ(question.caption, "Orbek");
  EXPECT_EQ(question.buttons, MessageButtons::YesNo);
  EXPECT_TRUE(question.text.contains(QString("%1 readings").arg(n))) << question.text.toStdString();
  EXPECT_TRUE(question.text.contains("readings-")) << question.text.toStdString();
  auto probe = restored.Probe();
  EXPECT_EQ(probe.RowCounter(), n);
  for (int row = 0; row < n; ++row) {
    const DecodedReading r = DecodeRecord(MeterRecord(received[static_cast<std::size_t>(row)]));
    ASSERT_EQ(probe.Table().ItemText(row, 1).toStdString(), r.TimestampText) << row;
    ASSERT_EQ(probe.Table().ItemText(row, 2).toStdString(), r.ValueText) << row;
    ASSERT_EQ(probe.Table().ItemText(row, 3).toStdString(), r.TemperatureText) << row;
  }
  EXPECT_TRUE(probe.Table().ItemText(n, 1).isEmpty());
  ExpectChartAsReceived(probe, received);
  // Hovering over a point names its reading as the table shows it.
  const DecodedReading fifth = DecodeRecord(MeterRecord(received[5]));
  EXPECT_EQ(probe.Chart().DescribePoint(1, 5),
            QString::fromStdString("No. 5\n" + fifth.TimestampText + "\n" + fifth.ValueText + "\n" +
                                   fifth.TemperatureText));

  // The same readings received without a break export to the same workbook.
  QTemporaryDir out;
  ExportToExcel(probe.Table(), out.filePath("restored.xls"));
  Window direct(received);
  direct.Transfer(n);
  ExportToExcel(direct.Probe().Table(), out.filePath("direct.xls"));
  EXPECT_EQ(ReadAll(out.filePath("restored.xls")), ReadAll(out.filePath("direct.xls")));
  direct.dlg->reject();

  // The restored readings stay journaled until the window closes normally.
  EXPECT_EQ(Files("window-*.capture").size(), 1);
  restored.dlg->reject();
  EXPECT_TRUE(Files().isEmpty()) << Files().join(' ').toStdString();
}

TEST(JournalTest, EachWindowKeepsItsOwnAndNoSetsAJournalAside) {
  BoxRecorder boxes(IDYES);
  Window first(sim::GenerateRecords(30, 32));
  first.Transfer(30);
  // A second window running beside the first is not offered its journal.
  boxes.boxes.clear();
  Window second(sim::GenerateRecords(20, 33));
  EXPECT_EQ(boxes.boxes.size(), 1u) << "only the scan's report";
  second.Transfer(20);
  EXPECT_EQ(Files("window-*.capture").size(), 2);
  second.dlg->reject();
  EXPECT_EQ(Files("window-*.capture").size(), 1);

  // The first window ends without the close question, as in a crash.
  first.dlg.reset();
  boxes.boxes.clear();
  boxes.AnswerYesNo(IDNO);
  Window next({});
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_TRUE(boxes.boxes[1].text.contains("30 readings")) << boxes.boxes[1].text.toStdString();
  EXPECT_EQ(next.Probe().RowCounter(), 0);
  const QStringList aside = Files("readings-*.capture");
  ASSERT_EQ(aside.size(), 1);
  EXPECT_TRUE(boxes.boxes[1].text.contains(aside[0])) << boxes.boxes[1].text.toStdString();
  EXPECT_TRUE(Files("window-*.capture").isEmpty());
  EXPECT_EQ(ReadAll(JournalFolder() + "/" + aside[0]).size(), 31 * 12) << "30 readings and the end";
}

// Receive clears the table but keeps the journal of what it showed; a
// journal that holds no transfer is not offered back as readings.
TEST(JournalTest, ReceiveKeepsTheClearedTransferAndGarbageIsNoTransfer) {
  BoxRecorder boxes(IDYES);
  {
    Window window(sim::GenerateRecords(15, 35));
    window.Transfer(15);
    // The link closed by itself; Receive clears and says it is not connected.
    QTest::mouseClick(&window.Probe().Button("ReceiveButton"), Qt::LeftButton);
    EXPECT_EQ(window.Probe().RowCounter(), 0);
    const QStringList aside = Files("readings-*.capture");
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(ReadAll(JournalFolder() + "/" + aside[0]).size(), 16 * 12);
    window.dlg->reject();
  }
  test::WriteFile(JournalFolder() + "/window-1-2.capture", QByteArray(1200, '\xFF'));
  boxes.boxes.clear();
  UrlRecorder opened;
  Window next({});
  ASSERT_EQ(boxes.boxes.size(), 2u) << "the scan's report and the transfer kept aside, no "
                                       "offer of garbage";
  EXPECT_TRUE(boxes.boxes[1].text.startsWith("1 transfer kept aside by earlier runs"))
      << boxes.boxes[1].text.toStdString();
  EXPECT_EQ(opened.urls, QList<QUrl>{QUrl::fromLocalFile(JournalFolder())});
  EXPECT_EQ(next.Probe().RowCounter(), 0);
  EXPECT_TRUE(Files("window-*.capture").isEmpty());
  EXPECT_EQ(Files("readings-*.capture").size(), 2) << "kept aside all the same";
}

// Receive over a transfer that was exported whole says nothing more; one
// that was not says where its readings are kept.
TEST(JournalTest, ReceiveSaysWhereAnUnexportedTransferIsKept) {
  BoxRecorder boxes(IDYES);
  QTemporaryDir out;
  for (const bool exported : {true, false}) {
    Window window(sim::GenerateRecords(12, 37));
    window.Transfer(12);
    if (exported) {
      SetSaveDialogHandler([&] { return out.filePath("whole.csv"); });
      QTest::mouseClick(&window.Probe().Button("SaveExcelButton"), Qt::LeftButton);
      SetSaveDialogHandler({});
    }
    boxes.boxes.clear();
    QTest::mouseClick(&window.Probe().Button("ReceiveButton"), Qt::LeftButton);
    const QStringList aside = Files("readings-*.capture");
    ASSERT_EQ(aside.size(), 1) << "kept aside either way";
    ASSERT_EQ(boxes.boxes.size(), exported ? 1u : 2u) << exported;
    EXPECT_EQ(boxes.boxes[0].text, "The meter has not connected to computer");
    if (!exported) {
      EXPECT_TRUE(boxes.boxes[1].text.contains("The 12 readings the table showed were not "
                                               "exported") &&
                  boxes.boxes[1].text.contains(aside[0]))
          << boxes.boxes[1].text.toStdString();
    }
    QFile::remove(JournalFolder() + "/" + aside[0]);
    window.dlg->reject();
  }
}

// Readings past the table's last row are not let go at the close.
TEST(JournalTest, ReadingsPastTheLastRowAreKeptAtTheClose) {
  BoxRecorder boxes(IDYES);
  Window window(sim::GenerateRecords(5050, 36));
  window.Transfer(5050);
  boxes.boxes.clear();
  window.dlg->reject();
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_TRUE(boxes.boxes[1].text.contains("Readings 5001 to 5049 came after the table's last row"))
      << boxes.boxes[1].text.toStdString();
  const QStringList aside = Files("readings-*.capture");
  ASSERT_EQ(aside.size(), 1);
  EXPECT_TRUE(boxes.boxes[1].text.contains(aside[0])) << boxes.boxes[1].text.toStdString();
  EXPECT_EQ(ReadAll(JournalFolder() + "/" + aside[0]).size(), 5051 * 12);
}

// A state folder that cannot be written costs the journal, not the transfer.
TEST(JournalTest, AJournalThatCannotBeMadeIsSaidAndTheTransferGoesOn) {
  QTemporaryDir blocked;
  QFile file(blocked.filePath("state"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));  // a file where the folder should be
  file.close();
  qputenv("XDG_STATE_HOME", blocked.filePath("state").toLocal8Bit());
  BoxRecorder boxes(IDYES);
  Window window(sim::GenerateRecords(25, 34));
  boxes.boxes.clear();
  window.Transfer(25);
  test::Pump(50);
  const auto journalBox = std::find_if(boxes.boxes.begin(), boxes.boxes.end(), [](const auto& box) {
    return box.text.contains("not kept should Orbek stop");
  });
  ASSERT_NE(journalBox, boxes.boxes.end());
  EXPECT_EQ(journalBox->caption, "Orbek");
}

}  // namespace
}  // namespace orbek

#include "JournalTest.moc"
