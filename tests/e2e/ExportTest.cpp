// Save as Excel in the real window, after a transfer from the simulated meter.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>

#include "export/ExcelAutomation.h"
#include "tests/support/EventLoop.h"
#include "tests/support/OrbekDlgProbe.h"
#include "tests/support/WorkbookCheck.h"
#include "ui/SampleDetailsDialog.h"
#include "ui/SaveDialog.h"

namespace orbek {
namespace {

using sim::MeterSimulator;

class ExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MeterSimulator::Options options;
    options.records = records_ = sim::GenerateRecords(100, 21);
    options.pace = MeterSimulator::Pace::Max;
    meters_.push_back(std::make_unique<MeterSimulator>(std::move(options)));
    dlg_ = std::make_unique<COrbekDlg>(nullptr, MetersOnly(meters_));
    dlg_->OnInitDialog();
    dlg_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg_.get()));
    boxes_.boxes.clear();
  }
  void TearDown() override { SetSaveDialogHandler({}); }

  OrbekDlgProbe Probe() { return OrbekDlgProbe(*dlg_); }
  void Click(const char* button) { QTest::mouseClick(&Probe().Button(button), Qt::LeftButton); }
  void Transfer() {
    Click("ConnectButton");
    Click("ReceiveButton");
    ASSERT_TRUE(test::WaitUntil([&] { return !Probe().Serial().PortOpen(); }));
    ASSERT_EQ(Probe().RowCounter(), 100);
    boxes_.boxes.clear();
  }
  void SaveAs(const QString& path) {
    SetSaveDialogHandler([path] { return path; });
    Click("SaveExcelButton");
  }

  // Fills the details dialog the shortcut opens, as a user would.
  void GiveDetails(const std::map<QString, QString>& fields) {
    QTimer::singleShot(0, [&fields] {
      auto* dialog = qobject_cast<SampleDetailsDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr) << "no details dialog";
      for (const auto& [key, text] : fields) {
        if (auto* line = dialog->findChild<QLineEdit*>(key)) line->setText(text);
        if (auto* note = dialog->findChild<QPlainTextEdit*>(key)) note->setPlainText(text);
      }
      dialog->accept();
    });
    QTest::keyClick(dlg_.get(), Qt::Key_D, Qt::ControlModifier);
  }

  std::vector<sim::RecordBytes> records_;
  BoxRecorder boxes_;
  std::vector<std::unique_ptr<MeterSimulator>> meters_;
  std::unique_ptr<COrbekDlg> dlg_;
  QTemporaryDir dir_;
};

TEST_F(ExportTest, EveryCellOfATransferReadsBackInBothFormats) {
  Transfer();
  const auto& table = Probe().Table();
  QString all;
  for (int r = 0; r < 100; ++r)
    all += table.ItemText(r, 2) + table.ItemText(r, 3);
  for (const char* unit : {"\u03BCS/cm", "\u039A\u03A9", "\u00B0F", "\u00B0C"})
    ASSERT_TRUE(all.contains(QString::fromUtf8(unit))) << "no reading in " << unit;

  const QString expectation = dir_.filePath("expected.json");
  test::WriteExpectation(table, expectation, {"Sheet1", "Details", "Data"});
  for (const QString& name : QStringList{"readings.xls", "readings.xlsx"}) {
    const QString path = dir_.filePath(name);
    boxes_.boxes.clear();
    SaveAs(path);
    ASSERT_EQ(boxes_.boxes.size(), 1u);
    EXPECT_EQ(boxes_.boxes[0].text, "Data has been exported into Excel file");
    EXPECT_EQ(boxes_.boxes[0].caption, "Message");
    const auto result =
        test::CheckWorkbook(path, expectation, name.endsWith(".xls") && test::HaveLibreOffice());
    EXPECT_EQ(result.exitCode, 0) << result.output.toStdString();
  }
  EXPECT_EQ(Probe().Table().ItemText(99, 1), table.ItemText(99, 1))
      << "the export changed the table";
}

// The details given through their dialog (and remembered for the next
// window) go with every reading into each format the save dialog offers:
// the Data sheet's and the CSV's numbers are the decoder's, the statistics
// those worked out apart, and LibreOffice prints the .xlsx's chart.
TEST_F(ExportTest, ATransfersDetailsEveryReadingAndItsStatisticsReadBackInEveryFormat) {
  const SampleDetails details{"S-12", "Ana Lima", "Tank 3, north inlet", "P-0042",
                              "after calibration"};
  GiveDetails({{"sample", "S-12"},
               {"operator", "Ana Lima"},
               {"location", "Tank 3, north inlet"},
               {"probe", "P-0042"},
               {"note", "after calibration"}});
  EXPECT_EQ(Probe().Transfer().details, details);
  Transfer();
  const QString expectation = dir_.filePath("transfer.json");
  test::WriteTransferExpectation(expectation, records_, details);
  for (const QString name : {"t.xls", "t.xlsx", "t.csv"}) {
    SCOPED_TRACE(name.toStdString());
    const QString path = dir_.filePath(name);
    boxes_.boxes.clear();
    SaveAs(path);
    ASSERT_EQ(boxes_.boxes.size(), 1u);
    EXPECT_EQ(boxes_.boxes[0].caption, "Message") << boxes_.boxes[0].text.toStdString();
    const auto result =
        test::CheckTransfer(path, expectation, !name.endsWith(".csv") && test::HaveLibreOffice());
    EXPECT_EQ(result.exitCode, 0) << result.output.toStdString();
  }

  COrbekDlg next(nullptr, MetersOnly(meters_));
  EXPECT_EQ(OrbekDlgProbe(next).Transfer().details, details) << "the details were not remembered";
}

// Sheet1 stays byte for byte what the table alone gives.
TEST_F(ExportTest, TheTransfersSheetsLeaveSheet1AsItWas) {
  Transfer();
  for (const QString suffix : {".xls", ".xlsx"}) {
    const QString plain = dir_.filePath("plain" + suffix), full = dir_.filePath("full" + suffix);
    ExportToExcel(Probe().Table(), plain);
    SaveAs(full);
    QProcess python;
    python.start("/usr/bin/python3", {ORBEK_CHECK_TRANSFER, "--same-sheet1", plain, full});
    ASSERT_TRUE(python.waitForFinished(60000));
    EXPECT_EQ(python.exitCode(), 0) << python.readAll().toStdString();
  }
}

// The chart's picture in each format, and the report, from the chart's
// menu; the report's pages render.
TEST_F(ExportTest, TheChartAndTheReportAreSavedFromTheirMenus) {
  Transfer();
  Click("GraphButton");
  QAction* picture = nullptr;
  QAction* report = nullptr;
  for (QAction* action : Probe().Chart().actions()) {
    if (action->text().startsWith("Save Chart")) picture = action;
    if (action->text().startsWith("Save Report")) report = action;
  }
  ASSERT_TRUE(picture && report) << "the chart's menu lacks its actions";
  const struct {
    const char* name;
    QByteArray start;
  } pictures[] = {{"chart.png", "\x89PNG"}, {"chart.svg", "<?xml"}, {"chart.pdf", "%PDF"}};
  for (const auto& p : pictures) {
    const QString path = dir_.filePath(p.name);
    SetSaveDialogHandler([path] { return path; });
    picture->trigger();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << p.name;
    EXPECT_TRUE(file.readAll().startsWith(p.start)) << p.name;
  }
  boxes_.boxes.clear();
  const QString path = dir_.filePath("chart.gif");
  SetSaveDialogHandler([path] { return path; });
  picture->trigger();
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_TRUE(boxes_.boxes[0].text.contains(".png, .svg or .pdf"));

  const QString pdf = dir_.filePath("report.pdf");
  SetSaveDialogHandler([pdf] { return pdf; });
  report->trigger();
  QProcess render;
  render.start("pdftoppm", {"-r", "20", "-png", pdf, dir_.filePath("page")});
  ASSERT_TRUE(render.waitForFinished(60000));
  EXPECT_EQ(render.exitCode(), 0);
  const QStringList pages = QDir(dir_.path()).entryList({"page*.png"});
  EXPECT_EQ(pages.size(), 2) << "a first page and 100 readings on one more, side by side";
  QProcess text;
  text.start("pdftotext", {pdf, "-"});
  ASSERT_TRUE(text.waitForFinished(60000));
  const QString words = QString::fromUtf8(text.readAllStandardOutput());
  EXPECT_TRUE(words.contains("Page 2 of 2"));
  EXPECT_TRUE(QRegularExpression(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d UTC[+-]\d\d:\d\d)")
                  .match(words)
                  .hasMatch())
      << "the time made says its zone";
  EXPECT_TRUE(words.contains(Probe().Table().ItemText(99, 1))) << "the last reading is missing";
}

TEST_F(ExportTest, CancelStartsNothing) {
  Transfer();
  SaveAs(QString());
  EXPECT_TRUE(boxes_.boxes.empty());
  EXPECT_TRUE(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(ExportTest, MissingComponentSaysConnectingIsFailed) {
  CXlApplication::SetAvailable(false);
  SaveAs(dir_.filePath("readings.xls"));
  CXlApplication::SetAvailable(true);
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].text, "Connecting is failed");
  EXPECT_EQ(boxes_.boxes[0].caption, "Error");
  EXPECT_FALSE(QFile::exists(dir_.filePath("readings.xls")));
}

TEST_F(ExportTest, FailedSaveShowsWhyAndKeepsTheOldFile) {
  Transfer();
  const QString path = dir_.filePath("readings.xls");
  const QByteArray old = "yesterday's readings";
  {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(old);
  }
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit before{};
  getrlimit(RLIMIT_FSIZE, &before);
  rlimit small = before;
  small.rlim_cur = 8192;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  SaveAs(path);
  setrlimit(RLIMIT_FSIZE, &before);
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].caption, "Orbek");
  EXPECT_TRUE(boxes_.boxes[0].text.contains(path)) << boxes_.boxes[0].text.toStdString();
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), old);
  EXPECT_EQ(Probe().RowCounter(), 100);
  EXPECT_FALSE(Probe().Table().ItemText(99, 2).isEmpty()) << "the table lost its readings";

  boxes_.boxes.clear();
  SaveAs(dir_.filePath("no such folder/readings.xls"));
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_TRUE(boxes_.boxes[0].text.contains("no such folder"));
}

}  // namespace
}  // namespace orbek
