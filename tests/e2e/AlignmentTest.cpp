// The window against a meter whose line loses, adds or cuts bytes.
#include <gtest/gtest.h>

#include <QTest>

#include "meter/RecordDecoder.h"
#include "tests/support/EventLoop.h"
#include "tests/support/OrbekDlgProbe.h"

namespace orbek {
namespace {

using sim::MeterSimulator;
using sim::RecordBytes;

class AlignmentTest : public ::testing::Test {
 protected:
  void Start(MeterSimulator::Options options) {
    meters_.push_back(std::make_unique<MeterSimulator>(std::move(options)));
    dlg_ = std::make_unique<COrbekDlg>(nullptr, MetersOnly(meters_));
    boxes_.window = dlg_.get();
    dlg_->OnInitDialog();
    Click("ConnectButton");
    boxes_.boxes.clear();
  }
  OrbekDlgProbe Probe() { return OrbekDlgProbe(*dlg_); }
  MeterSimulator& Meter() { return *meters_.front(); }
  void Click(const char* button) { QTest::mouseClick(&Probe().Button(button), Qt::LeftButton); }
  void ReceiveWholeTransfer() {
    Click("ReceiveButton");
    ASSERT_TRUE(test::WaitUntil([&] { return !Probe().Serial().PortOpen(); }, 20000));
    test::Pump(50);
  }
  // Row `row` shows record `record` exactly as the meter sent it.
  void ExpectRowShows(int row, const RecordBytes& record) {
    const auto reading = DecodeRecord(MeterRecord(record));
    auto& table = Probe().Table();
    EXPECT_EQ(table.ItemText(row, 1), QString::fromStdString(reading.TimestampText)) << row;
    EXPECT_EQ(table.ItemText(row, 2), QString::fromStdString(reading.ValueText)) << row;
    EXPECT_EQ(table.ItemText(row, 3), QString::fromStdString(reading.TemperatureText)) << row;
    EXPECT_EQ(Probe().ValueSeries().Y(row), reading.ValueNumber) << row;
  }
  std::vector<ShownBox> Warnings() const {
    std::vector<ShownBox> warnings;
    for (const auto& box : boxes_.boxes)
      if (box.caption == "Warning") warnings.push_back(box);
    return warnings;
  }

  BoxRecorder boxes_;
  std::vector<std::unique_ptr<MeterSimulator>> meters_;
  std::unique_ptr<COrbekDlg> dlg_;
};

TEST_F(AlignmentTest, ALostByteCostsOneReadingAndIsReportedOnce) {
  const auto sent = sim::GenerateRecords(60, 31);
  auto options = MeterSimulator::Paced(sent);
  options.dropByteAt = 5 * 12 + 3;
  Start(std::move(options));
  ReceiveWholeTransfer();
  ASSERT_EQ(Probe().RowCounter(), 59);
  for (int row = 0; row < 5; ++row)
    ExpectRowShows(row, sent[static_cast<std::size_t>(row)]);
  for (int row = 5; row < 59; ++row)
    ExpectRowShows(row, sent[static_cast<std::size_t>(row) + 1]);
  ASSERT_EQ(Warnings().size(), 1u);
  EXPECT_TRUE(Warnings()[0].text.contains("1 reading was lost (after row 4)"))
      << Warnings()[0].text.toStdString();
  EXPECT_EQ(boxes_.boxes.size(), 1u);
  ASSERT_TRUE(Meter().WaitForReceived(2, std::chrono::seconds(2)));
  EXPECT_EQ(Meter().Received(), (std::vector<std::uint8_t>{0xB1, 0xB0}));
}

TEST_F(AlignmentTest, StrayBytesBeforeTheRecordsAreSkipped) {
  const auto sent = sim::GenerateRecords(80, 32);
  auto options = MeterSimulator::Paced(sent);
  options.leadingBytes.assign(5, 0x5A);
  Start(std::move(options));
  ReceiveWholeTransfer();
  ASSERT_EQ(Warnings().size(), 1u);
  const int rows = Probe().RowCounter();
  ASSERT_GE(rows, 78);
  // The last rows are the meter's last records, back to within 8 of the start.
  for (int back = 1; back <= rows - 8; ++back)
    ExpectRowShows(rows - back, sent[sent.size() - static_cast<std::size_t>(back)]);
}

TEST_F(AlignmentTest, ReceivePressedWhileARecordArrivesLeavesTheStreamInStep) {
  const auto sent = sim::GenerateRecords(50, 33);
  const auto cut = sim::GenerateRecords(1, 34).front();
  auto options = MeterSimulator::Paced(sent);
  // The rest of the record that was on its way when Receive was pressed.
  options.leadingBytes.assign(cut.begin() + 7, cut.end());
  Start(std::move(options));
  Meter().WriteRaw({cut.begin(), cut.begin() + 7});
  ASSERT_TRUE(test::WaitUntil([&] { return Probe().Serial().InBufferCount() == 7; }));
  ReceiveWholeTransfer();
  const int rows = Probe().RowCounter();
  ASSERT_GE(rows, 48);
  for (int back = 1; back <= rows - 8; ++back)
    ExpectRowShows(rows - back, sent[sent.size() - static_cast<std::size_t>(back)]);
  EXPECT_EQ(Warnings().size(), 1u);
}

TEST_F(AlignmentTest, AWellFormedTransferOfOddRecordsIsNeverTouched) {
  // Mixed modes and units, a clock never set, month 13, hour 99, 0xBB in
  // every byte but the year.
  std::vector<RecordBytes> sent = sim::GenerateRecords(30, 35);
  for (std::size_t i = 0; i < sent.size(); ++i) {
    if (i % 5 == 1) std::fill(sent[i].begin() + 6, sent[i].end(), 0);
    if (i % 5 == 2) sent[i][6] = 13;
    if (i % 5 == 3) sent[i][8] = 99;
    if (i % 12 != 7) sent[i][i % 12] = 0xBB;
  }
  Start(MeterSimulator::Paced(sent));
  ReceiveWholeTransfer();
  ASSERT_EQ(Probe().RowCounter(), 30);
  for (int row = 0; row < 30; ++row)
    ExpectRowShows(row, sent[static_cast<std::size_t>(row)]);
  EXPECT_TRUE(boxes_.boxes.empty());
}

}  // namespace
}  // namespace orbek
