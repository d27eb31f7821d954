// The meter session against the simulated meter over a pseudo-terminal.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <memory>
#include <thread>
#include <vector>

#include "link/MeterSession.h"
#include "link/SerialError.h"
#include "storage/Journal.h"
#include "storage/SaveError.h"
#include "tests/support/EventLoop.h"
#include "tests/support/Records.h"
#include "tools/sim/MeterSimulator.h"

namespace orbek {
namespace {

using sim::MeterSimulator;
using test::Pump;
using test::WaitUntil;

// A session with every signal it sends recorded.
class MeterSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QObject::connect(&session_, &MeterSession::ReadingArrived, [this](const Reading& reading) {
      records_.push_back(reading.record);
      readings_.push_back(reading.decoded);
    });
    QObject::connect(&session_, &MeterSession::TransferEnded, [this] { ++ended_; });
    QObject::connect(&session_, &MeterSession::DeviceLost,
                     [this](const QString& port) { lost_.push_back(port); });
    QObject::connect(&session_, &MeterSession::Failed,
                     [this](const LinkProblem& problem) { failures_.push_back(problem.Text()); });
  }

  void Start(MeterSimulator::Options options, int baud = 115200) {
    meter_ = std::make_unique<MeterSimulator>(std::move(options));
    session_.Open(Path(), baud);
  }
  QString Path() const { return QString::fromStdString(meter_->DevicePath()); }

  MeterSession session_;
  std::unique_ptr<MeterSimulator> meter_;
  std::vector<MeterRecord> records_;
  std::vector<DecodedReading> readings_;
  int ended_ = 0;
  std::vector<QString> lost_;
  std::vector<QString> failures_;
};

MeterSimulator::Options Silent() {
  MeterSimulator::Options options;
  options.sendEndRecord = false;
  return options;
}

TEST_F(MeterSessionTest, OpenSetsThePortUpForRecordsAndKeepsSettingsWithoutABaudRate) {
  Start(Silent(), 19200);
  const CMscomm1& port = session_.Port();
  EXPECT_TRUE(session_.IsOpen());
  EXPECT_EQ(port.InBufferSize(), 1024);
  EXPECT_EQ(port.OutBufferSize(), 1024);
  EXPECT_EQ(port.InputLen(), 12);
  EXPECT_EQ(port.InputMode(), 1);
  EXPECT_EQ(port.RThreshold(), 12);
  EXPECT_EQ(port.Settings(), "19200,n,8,1");
  EXPECT_EQ(meter_->LineBaud(), 19200);
  session_.Close();
  session_.Open(Path(), std::nullopt);
  EXPECT_EQ(port.Settings(), "19200,n,8,1");
  Pump(20);
  EXPECT_TRUE(meter_->Received().empty()) << "opening sent something";
}

TEST_F(MeterSessionTest, StartSendsTheIntervalsByte) {
  const std::pair<int, std::uint8_t> cases[] = {{0, 0xB1}, {1, 0xB2}, {5, 0xB6}, {-1, 0xB0}};
  for (const auto& [interval, byte] : cases) {
    Start(Silent());
    session_.Start(interval);
    ASSERT_TRUE(meter_->WaitForReceived(1, std::chrono::seconds(2)));
    EXPECT_EQ(meter_->Received(), std::vector<std::uint8_t>{byte}) << interval;
    session_.Close();
  }
}

TEST_F(MeterSessionTest, TransferArrivesInOrderThenStopsTheMeterAndCloses) {
  const auto sent = sim::GenerateRecords(40, 21);
  Start(MeterSimulator::Paced(sent));
  session_.Start(0);
  ASSERT_TRUE(WaitUntil([&] { return ended_ == 1; }));
  ASSERT_EQ(records_.size(), sent.size());
  for (std::size_t i = 0; i < sent.size(); ++i) {
    EXPECT_EQ(records_[i].bytes(), sent[i]) << i;
    EXPECT_EQ(readings_[i].ValueText, DecodeRecord(records_[i]).ValueText) << i;
  }
  EXPECT_FALSE(session_.IsOpen());
  ASSERT_TRUE(meter_->WaitForReceived(2, std::chrono::seconds(2)));
  EXPECT_EQ(meter_->Received(), (std::vector<std::uint8_t>{0xB1, 0xB0}));
  EXPECT_TRUE(lost_.empty());
  EXPECT_TRUE(failures_.empty());
}

TEST_F(MeterSessionTest, StartDropsOneRecordsWorthOfWaitingBytes) {
  Start(Silent());
  meter_->WriteRaw(std::vector<std::uint8_t>(5, 0x77));
  ASSERT_TRUE(WaitUntil([&] { return session_.Port().InBufferCount() == 5; }));
  session_.Start(0);
  const auto after = sim::GenerateRecords(3, 4);
  meter_->WriteRaw(sim::Concatenate(after));
  ASSERT_TRUE(WaitUntil([&] { return records_.size() == 3; }));
  for (std::size_t i = 0; i < after.size(); ++i)
    EXPECT_EQ(records_[i].bytes(), after[i]) << i;
}

// A run that crashed left the meter sending. Its transfer is stopped and
// let go quiet before ours starts, so that none of its records, its end
// record above all, is taken for ours.
TEST_F(MeterSessionTest, AMeterStillSendingAnEarlierTransferIsStoppedBeforeTheStart) {
  const auto records = sim::GenerateRecords(40, 9);
  meter_ = std::make_unique<MeterSimulator>(
      MeterSimulator::Paced(records, MeterSimulator::Pace::Fixed, 1000));
  {
    QFile crashed(Path());
    ASSERT_TRUE(crashed.open(QIODevice::ReadWrite | QIODevice::Unbuffered));
    ASSERT_EQ(crashed.write("\xB1", 1), 1);
  }
  ASSERT_TRUE(WaitUntil([&] { return meter_->Sending(); }));
  Pump(15);
  session_.Open(Path(), 115200);
  session_.Start(0);
  ASSERT_TRUE(WaitUntil([&] { return ended_ == 1; }, 5000));
  // The crashed run's start, our stop and start, and the stop at our end
  // (which the meter may read a moment after our transfer ended).
  ASSERT_TRUE(meter_->WaitForReceived(4, std::chrono::seconds(2)));
  EXPECT_EQ(meter_->Received(), (std::vector<std::uint8_t>{0xB1, 0xB0, 0xB1, 0xB0}));
  ASSERT_EQ(records_.size(), records.size());
  for (std::size_t i = 0; i < records.size(); ++i)
    EXPECT_EQ(records_[i].bytes(), records[i]) << i;
}

// Records that came while the port rested are the transfer's: stopping or
// closing reads them before the port goes.
TEST_F(MeterSessionTest, StopAndCloseTakeTheRecordsThatCameDuringARest) {
  for (const bool stop : {true, false}) {
    records_.clear();
    Start(Silent());
    session_.Start(0);
    const auto sent = sim::GenerateRecords(5, 6);
    meter_->WriteRaw({sent[0].begin(), sent[0].end()});
    ASSERT_TRUE(WaitUntil([&] { return records_.size() == 1; }));
    meter_->WriteRaw(sim::Concatenate({sent.begin() + 1, sent.end()}));
    // The simulator writes within 20 ms; no event is handled meanwhile, so
    // the port still rests.
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    stop ? session_.Stop() : session_.Close();
    ASSERT_EQ(records_.size(), sent.size()) << (stop ? "Stop" : "Close");
    EXPECT_EQ(records_.back().bytes(), sent.back());
  }
}

// A meter finishes the record it is sending when the stop byte comes, and
// an adapter may hand it on some milliseconds later.
TEST_F(MeterSessionTest, StopTakesTheRecordStillOnItsWay) {
  for (const int delayMs : {0, 30}) {
    records_.clear();
    const auto sent = sim::GenerateRecords(2, 9);
    auto options = Silent();
    options.onByte = [&](std::uint8_t byte) {
      if (byte != 0xB0) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
      meter_->WriteRaw({sent[1].begin(), sent[1].end()});
    };
    Start(std::move(options));
    session_.Start(0);
    meter_->WriteRaw({sent[0].begin(), sent[0].end()});
    ASSERT_TRUE(WaitUntil([&] { return records_.size() == 1; }));
    session_.Stop();
    ASSERT_EQ(records_.size(), sent.size()) << delayMs << " ms after the stop byte";
    EXPECT_EQ(records_.back().bytes(), sent.back());
    meter_.reset();
  }
}

TEST_F(MeterSessionTest, DeviceLossIsReportedOnceWithThePort) {
  auto options = MeterSimulator::Paced(sim::GenerateRecords(50, 2));
  options.unplugAfter = 10;
  Start(std::move(options));
  session_.Start(0);
  ASSERT_TRUE(WaitUntil([&] { return !lost_.empty(); }));
  Pump(50);
  EXPECT_EQ(lost_, std::vector<QString>{Path()});
  EXPECT_EQ(records_.size(), 10u);
  EXPECT_EQ(ended_, 0);
  EXPECT_FALSE(session_.IsOpen());
}

TEST_F(MeterSessionTest, CaptureHoldsEveryRecordReceivedAndTheEndRecord) {
  QTemporaryDir dir;
  const QString path = dir.filePath("capture.bin");
  auto journal = Journal::Create(path, false);
  session_.SetJournal(journal.get());
  const auto sent = sim::GenerateRecords(25, 8);
  Start(MeterSimulator::Paced(sent));
  session_.Start(3);
  ASSERT_TRUE(WaitUntil([&] { return ended_ == 1; }));
  QFile capture(path);
  ASSERT_TRUE(capture.open(QIODevice::ReadOnly));
  auto expected = sent;
  expected.push_back(sim::EndRecord());
  EXPECT_EQ(capture.readAll(), test::Raw(expected));

  try {
    Journal::Create(dir.filePath("no/such/folder/c.bin"), true);
    ADD_FAILURE() << "a journal in a missing folder was made";
  } catch (const SaveError& error) {
    EXPECT_NE(std::string(error.what()).find("no/such/folder"), std::string::npos) << error.what();
  }
  EXPECT_THROW(Journal::Create(path, false), SaveError) << "an existing journal was replaced";
}

TEST_F(MeterSessionTest, ACaptureThatCannotBeWrittenIsReportedOnceAndReadingsGoOn) {
  auto journal = Journal::Create("/dev/full", true);
  session_.SetJournal(journal.get());
  Start(MeterSimulator::Paced(sim::GenerateRecords(10, 5)));
  session_.Start(0);
  ASSERT_TRUE(WaitUntil([&] { return ended_ == 1; }));
  EXPECT_EQ(records_.size(), 10u);
  ASSERT_EQ(failures_.size(), 1u);
  EXPECT_TRUE(failures_[0].contains("/dev/full")) << failures_[0].toStdString();
}

TEST_F(MeterSessionTest, ActionsOnAPortThatCannotOpenThrow) {
  EXPECT_THROW(session_.Open("/dev/ttyNOSUCHPORT", 9600), SerialError);
  EXPECT_FALSE(session_.IsOpen());
  EXPECT_THROW(session_.Start(0), SerialError);
  EXPECT_THROW(session_.Stop(), SerialError);
}

}  // namespace
}  // namespace orbek
