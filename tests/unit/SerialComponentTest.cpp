#include <gtest/gtest.h>

#include <QByteArray>
#include <chrono>
#include <memory>
#include <vector>

#include "link/CMscomm1.h"
#include "link/SerialError.h"
#include "tests/support/EventLoop.h"
#include "tools/sim/MeterSimulator.h"

namespace orbek {
namespace {

using sim::Concatenate;
using sim::MeterSimulator;
using test::Pump;
using test::WaitUntil;

// A port set up the way Connect sets it up, with every OnComm recorded.
class SerialComponentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    meter_ = std::make_unique<MeterSimulator>(MeterSimulator::Options{});
    QObject::connect(&comm_, &CMscomm1::OnComm, [this] {
      events_.push_back(comm_.CommEvent());
      if (comm_.CommEvent() == CMscomm1::kEventReceive && readOnEvent_)
        reads_.push_back(comm_.Input());
    });
  }

  void OpenLikeConnect() {
    comm_.SetCommPort(QString::fromStdString(meter_->DevicePath()));
    comm_.SetInBufferSize(1024);
    comm_.SetOutBufferSize(1024);
    comm_.SetInputLen(12);
    comm_.SetInputMode(1);
    comm_.SetRThreshold(12);
    comm_.SetSettings("115200,n,8,1");
    comm_.SetPortOpen(true);
  }

  std::unique_ptr<MeterSimulator> meter_;
  CMscomm1 comm_;
  bool readOnEvent_ = true;
  std::vector<std::int16_t> events_;
  std::vector<QByteArray> reads_;
};

TEST_F(SerialComponentTest, OpensSetsUpAndCloses) {
  OpenLikeConnect();
  EXPECT_TRUE(comm_.PortOpen());
  EXPECT_EQ(comm_.Settings(), "115200,n,8,1");
  comm_.SetPortOpen(false);
  EXPECT_FALSE(comm_.PortOpen());
  comm_.SetOutBufferCount(0);  // accepted on a closed port
  EXPECT_EQ(comm_.OutBufferCount(), 0);
}

TEST_F(SerialComponentTest, SettingsReachTheLine) {
  OpenLikeConnect();
  EXPECT_EQ(meter_->LineBaud(), 115200);
  for (const auto& [settings, baud] : {std::pair{"9600,n,8,1", 9600}, {"19200,n,8,1", 19200}}) {
    comm_.SetSettings(settings);  // applied at once to an open port
    EXPECT_EQ(meter_->LineBaud(), baud) << settings;
  }
  comm_.SetPortOpen(false);
  comm_.SetSettings("115200,n,8,1");
  comm_.SetPortOpen(true);
  EXPECT_EQ(meter_->LineBaud(), 115200) << "settings made while closed apply at the open";
}

TEST_F(SerialComponentTest, OutputLeavesBeforeThePortCloses) {
  OpenLikeConnect();
  comm_.SetOutput(QByteArray(1, char(0xB1)));
  comm_.SetOutput(QByteArray(1, char(0xB0)));
  comm_.SetPortOpen(false);
  comm_.SetOutBufferCount(0);
  ASSERT_TRUE(meter_->WaitForReceived(2, std::chrono::seconds(2)));
  EXPECT_EQ(meter_->Received(), (std::vector<std::uint8_t>{0xB1, 0xB0}));
}

TEST_F(SerialComponentTest, BurstOfRecordsGivesOneEventPerRecordInOrder) {
  OpenLikeConnect();
  const auto records = sim::GenerateRecords(50, 7);
  meter_->WriteRaw(Concatenate(records));
  ASSERT_TRUE(WaitUntil([&] { return reads_.size() >= 50; }));
  Pump(50);
  ASSERT_EQ(reads_.size(), 50u);
  for (std::size_t i = 0; i < records.size(); ++i)
    EXPECT_EQ(reads_[i], QByteArray(reinterpret_cast<const char*>(records[i].data()), 12)) << i;
  EXPECT_EQ(events_, std::vector<std::int16_t>(50, CMscomm1::kEventReceive));
}

TEST_F(SerialComponentTest, RecordArrivingByteByByteGivesOneEventWhenComplete) {
  OpenLikeConnect();
  const auto record = sim::GenerateRecords(1, 3).front();
  for (std::size_t i = 0; i + 1 < record.size(); ++i) {
    meter_->WriteRaw({record[i]});
    ASSERT_TRUE(WaitUntil([&] { return comm_.InBufferCount() == static_cast<qsizetype>(i + 1); }));
    EXPECT_TRUE(events_.empty()) << "an event after byte " << i;
  }
  meter_->WriteRaw({record.back()});
  ASSERT_TRUE(WaitUntil([&] { return reads_.size() == 1; }));
  EXPECT_EQ(reads_[0], QByteArray(reinterpret_cast<const char*>(record.data()), 12));
}

TEST_F(SerialComponentTest, EventsStopWhenTheHandlerDoesNotRead) {
  readOnEvent_ = false;
  OpenLikeConnect();
  meter_->WriteRaw(std::vector<std::uint8_t>(36, 0x11));
  ASSERT_TRUE(WaitUntil([&] { return comm_.InBufferCount() == 36; }));
  Pump(30);
  // Unread bytes raise an event when more arrive, not again and again.
  ASSERT_GE(events_.size(), 1u);
  const std::size_t raised = events_.size();
  Pump(100);
  EXPECT_EQ(events_.size(), raised) << "events kept coming with no new bytes";
  meter_->WriteRaw({0x22});
  ASSERT_TRUE(WaitUntil([&] { return events_.size() == raised + 1; }));
}

TEST_F(SerialComponentTest, InputLenBoundsARead) {
  readOnEvent_ = false;
  OpenLikeConnect();
  comm_.SetRThreshold(0);
  meter_->WriteRaw(std::vector<std::uint8_t>(30, 0x42));
  ASSERT_TRUE(WaitUntil([&] { return comm_.InBufferCount() == 30; }));
  EXPECT_TRUE(events_.empty()) << "threshold 0 raises no receive events";
  EXPECT_EQ(comm_.Input().size(), 12);
  EXPECT_EQ(comm_.Input().size(), 12);
  EXPECT_EQ(comm_.Input().size(), 6);
  EXPECT_EQ(comm_.Input().size(), 0);
  meter_->WriteRaw(std::vector<std::uint8_t>(20, 0x43));
  ASSERT_TRUE(WaitUntil([&] { return comm_.InBufferCount() == 20; }));
  comm_.SetInputLen(0);
  EXPECT_EQ(comm_.Input().size(), 20);
}

// A stream read with a rest of 20 ms after each read: every record
// arrives, in order. At 115200 baud (a record a millisecond) the port rests
// and most records come in a read with others, their events back to back;
// at 19200 a rest gathers three records, and the port rests at every read;
// at 9600 baud a rest would gather less than two records for its two
// wake-ups, so every record is read as it comes, 12.5 ms after the last,
// the read that follows a rest included.
TEST_F(SerialComponentTest, APacedPortRestsWhereARestGathersRecordsAndLosesNothing) {
  struct Case {
    const char* settings;
    std::size_t records;
    bool rests;
    double readsPerRecord;  // at most, resting; at least, not
  };
  for (const Case& c : {Case{"115200,n,8,1", 200, true, 0.3}, Case{"19200,n,8,1", 80, true, 0.6},
                        Case{"9600,n,8,1", 60, false, 0.9}}) {
    const auto records = sim::GenerateRecords(c.records, 11);
    meter_ = std::make_unique<MeterSimulator>(
        MeterSimulator::Paced(records, MeterSimulator::Pace::Line));
    reads_.clear();
    OpenLikeConnect();
    comm_.SetSettings(c.settings);
    comm_.SetReceivePacing(20);
    using Clock = std::chrono::steady_clock;
    Clock::time_point last;
    std::size_t sharingARead = 0;  // events within a millisecond of the one before
    const auto timing = QObject::connect(&comm_, &CMscomm1::OnComm, [&] {
      const auto now = Clock::now();
      sharingARead += now - last < std::chrono::milliseconds(1) ? 1 : 0;
      last = now;
    });
    comm_.SetOutput(QByteArray(1, char(0xB1)));
    ASSERT_TRUE(WaitUntil([&] { return reads_.size() > records.size(); }, 10000))
        << c.settings;  // the end record too
    for (std::size_t i = 0; i < records.size(); ++i)
      ASSERT_EQ(reads_[i], QByteArray(reinterpret_cast<const char*>(records[i].data()), 12))
          << c.settings << " record " << i;
    const double reads =
        static_cast<double>(comm_.DeviceReads()) / static_cast<double>(c.records);
    std::printf("paced port at %s: %.2f reads a record\n", c.settings, reads);
    if (c.rests) {
      EXPECT_GT(sharingARead, c.records / 3) << c.settings;
      EXPECT_LE(reads, c.readsPerRecord) << c.settings;
    } else {
      EXPECT_GE(reads, c.readsPerRecord) << c.settings << ": a slow line rested";
    }
    QObject::disconnect(timing);
    comm_.SetPortOpen(false);
  }
}

TEST_F(SerialComponentTest, DeviceLossClosesThePortAndRaisesOneEvent) {
  OpenLikeConnect();
  meter_->WriteRaw(Concatenate(sim::GenerateRecords(5, 9)));
  ASSERT_TRUE(WaitUntil([&] { return reads_.size() == 5; }));
  meter_->Unplug();
  ASSERT_TRUE(WaitUntil([&] { return !comm_.PortOpen(); }));
  Pump(100);
  ASSERT_EQ(events_.size(), 6u);
  EXPECT_EQ(events_.back(), CMscomm1::kEventDeviceLost);
  EXPECT_EQ(reads_.size(), 5u);
  EXPECT_THROW(comm_.SetOutput(QByteArray(1, char(0xB0))), SerialError);
}

TEST_F(SerialComponentTest, FailuresNameThePortAndTheReason) {
  comm_.SetCommPort("/dev/ttyNOSUCHPORT");
  try {
    comm_.SetPortOpen(true);
    FAIL() << "opened a missing port";
  } catch (const SerialError& error) {
    EXPECT_NE(std::string(error.what()).find("/dev/ttyNOSUCHPORT"), std::string::npos);
  }
  EXPECT_FALSE(comm_.PortOpen());

  OpenLikeConnect();
  CMscomm1 second;
  second.SetCommPort(QString::fromStdString(meter_->DevicePath()));
  try {
    second.SetPortOpen(true);
    FAIL() << "opened a port held by another user";
  } catch (const SerialError& error) {
    EXPECT_NE(std::string(error.what()).find(meter_->DevicePath()), std::string::npos);
    EXPECT_NE(std::string(error.what()).find("in use"), std::string::npos) << error.what();
  }
  EXPECT_FALSE(second.PortOpen());
  EXPECT_TRUE(comm_.PortOpen());
  EXPECT_THROW(comm_.SetOutBufferCount(5), SerialError);
  EXPECT_THROW(comm_.SetCommPort("/dev/ttyS0"), SerialError) << "changed while open";
}

TEST(SerialSettingsTest, AcceptsLineSettingsAndRejectsMalformedOnes) {
  CMscomm1 comm;
  for (const char* good :
       {"115200,n,8,1", "19200,n,8,1", "9600,n,8,1", "9600,N,8,1", "4800,e,7,2", "9600,o,8,1.5"}) {
    EXPECT_NO_THROW(comm.SetSettings(good)) << good;
    EXPECT_EQ(comm.Settings(), good);
  }
  for (const char* bad :
       {"", "9600", "9600,n,8", "fast,n,8,1", "9600,x,8,1", "9600,n,9,1", "9600,n,8,3",
        "9600,n,8,1,1", "-9600,n,8,1", "9600,n,8,1.", "9600,,8,1", "96 00,n,8,1", "12345678,n,8,1",
        "9600,ne,8,1", "\u0669\u0666\u0660\u0660,n,8,1" /* Arabic-Indic digits */}) {
    EXPECT_THROW(comm.SetSettings(bad), SerialError) << bad;
    EXPECT_EQ(comm.Settings(), "9600,o,8,1.5") << "a rejected setting changed nothing";
  }
}

}  // namespace
}  // namespace orbek

namespace orbek {
namespace {

TEST(SerialSettingsTest, ParsesEachFieldOfTheSettings) {
  struct Case {
    const char* settings;
    qint32 baud;
    QSerialPort::Parity parity;
    QSerialPort::DataBits dataBits;
    QSerialPort::StopBits stopBits;
  };
  const Case cases[] = {
      {"115200,n,8,1", 115200, QSerialPort::NoParity, QSerialPort::Data8, QSerialPort::OneStop},
      {" 19200 , E , 7 , 2 ", 19200, QSerialPort::EvenParity, QSerialPort::Data7,
       QSerialPort::TwoStop},
      {"9600,o,5,1.5", 9600, QSerialPort::OddParity, QSerialPort::Data5,
       QSerialPort::OneAndHalfStop},
      {"300,M,6,1", 300, QSerialPort::MarkParity, QSerialPort::Data6, QSerialPort::OneStop},
      {"1200,s,8,1", 1200, QSerialPort::SpaceParity, QSerialPort::Data8, QSerialPort::OneStop},
  };
  for (const auto& c : cases) {
    const auto line = CMscomm1::ParseSettings(c.settings);
    EXPECT_EQ(line.baud, c.baud) << c.settings;
    EXPECT_EQ(line.parity, c.parity) << c.settings;
    EXPECT_EQ(line.dataBits, c.dataBits) << c.settings;
    EXPECT_EQ(line.stopBits, c.stopBits) << c.settings;
  }
}

}  // namespace
}  // namespace orbek
