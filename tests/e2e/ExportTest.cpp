// Save as Excel in the real window, after a transfer from the simulated meter.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

#include "export/ExcelAutomation.h"
#include "tests/support/EventLoop.h"
#include "tests/support/OrbekDlgProbe.h"
#include "tests/support/WorkbookCheck.h"
#include "ui/SaveDialog.h"

namespace orbek {
namespace {

using sim::MeterSimulator;

class ExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MeterSimulator::Options options;
    options.records = sim::GenerateRecords(100, 21);
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
  test::WriteExpectation(table, expectation);
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
