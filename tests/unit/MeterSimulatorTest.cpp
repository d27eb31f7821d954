#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "meter/RecordDecoder.h"
#include "tools/sim/MeterSimulator.h"

namespace orbek::sim {
namespace {

// The reading side of the line: the device opened raw, as a program would.
class RawPort {
 public:
  explicit RawPort(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY)) {
    if (fd_ < 0) throw std::runtime_error("cannot open " + path);
    termios settings{};
    ::tcgetattr(fd_, &settings);
    ::cfmakeraw(&settings);
    ::cfsetspeed(&settings, B115200);
    ::tcsetattr(fd_, TCSANOW, &settings);
  }
  ~RawPort() { ::close(fd_); }

  void Send(std::uint8_t byte) { ASSERT_EQ(::write(fd_, &byte, 1), 1); }

  // Reads until `count` bytes came or nothing came for `quietMs`.
  std::vector<std::uint8_t> Read(std::size_t count, int quietMs = 500) {
    std::vector<std::uint8_t> bytes;
    while (bytes.size() < count) {
      pollfd poller{fd_, POLLIN, 0};
      if (::poll(&poller, 1, quietMs) != 1) break;
      std::uint8_t buffer[512];
      const ssize_t got = ::read(fd_, buffer, std::min(sizeof buffer, count - bytes.size()));
      if (got <= 0) break;
      bytes.insert(bytes.end(), buffer, buffer + got);
    }
    return bytes;
  }

 private:
  int fd_;
};

TEST(MeterSimulatorTest, StartByteGivesTheRecordsThenTheEndRecord) {
  const auto records = GenerateRecords(40, 5);
  MeterSimulator meter(MeterSimulator::Paced(records, MeterSimulator::Pace::Max));
  RawPort port(meter.DevicePath());
  for (const std::uint8_t start : {0xB1, 0xB6}) {
    port.Send(start);
    auto expected = Concatenate(records);
    const auto end = EndRecord();
    expected.insert(expected.end(), end.begin(), end.end());
    EXPECT_EQ(port.Read(expected.size()), expected) << "start byte " << int(start);
    EXPECT_TRUE(port.Read(1, 100).empty()) << "sent more than the transfer";
    EXPECT_EQ(meter.RecordsSent(), records.size());
  }
  EXPECT_EQ(meter.Received(), (std::vector<std::uint8_t>{0xB1, 0xB6}));
}

TEST(MeterSimulatorTest, StopByteStopsTheTransfer) {
  MeterSimulator meter(
      MeterSimulator::Paced(GenerateRecords(2000, 2), MeterSimulator::Pace::Fixed, 200.0));
  RawPort port(meter.DevicePath());
  port.Send(0xB1);
  ASSERT_EQ(port.Read(5 * 12).size(), 5u * 12);
  port.Send(0xB0);
  ASSERT_TRUE(meter.WaitForReceived(2, std::chrono::seconds(2)));
  port.Read(100 * 12, 100);  // what was on the way
  EXPECT_TRUE(port.Read(12, 300).empty()) << "still sending after the stop byte";
  EXPECT_LT(meter.RecordsSent(), 2000u);
  EXPECT_FALSE(meter.Sending());
}

TEST(MeterSimulatorTest, OtherBytesAreRecordedAndIgnored) {
  MeterSimulator meter(MeterSimulator::Paced(GenerateRecords(3, 1), MeterSimulator::Pace::Max));
  RawPort port(meter.DevicePath());
  for (const std::uint8_t byte : {0x00, 0xAF, 0xB7, 0xFF})
    port.Send(byte);
  ASSERT_TRUE(meter.WaitForReceived(4, std::chrono::seconds(2)));
  EXPECT_TRUE(port.Read(1, 200).empty());
  EXPECT_EQ(meter.Received(), (std::vector<std::uint8_t>{0x00, 0xAF, 0xB7, 0xFF}));
}

// A pseudo-terminal number comes back as soon as its meter goes; a program
// that had that device open may still hold its lock, and a new meter there
// could never be opened.
TEST(MeterSimulatorTest, ANumberAProgramStillHoldsLockedIsPassedOver) {
  std::string held;
  {
    const MeterSimulator gone(MeterSimulator::Paced({}, MeterSimulator::Pace::Max));
    held = gone.DevicePath();
  }
  std::string device = held.substr(std::string("/dev/").size());  // pts/N
  std::replace(device.begin(), device.end(), '/', '_');
  const std::string lockName = "/tmp/LCK.." + device;
  {
    std::ofstream lock(lockName);
    lock << "     " << ::getpid() << "\n";
  }
  for (int meter = 0; meter < 4; ++meter) {
    const MeterSimulator next(MeterSimulator::Paced({}, MeterSimulator::Pace::Max));
    EXPECT_NE(next.DevicePath(), held);
  }
  std::remove(lockName.c_str());
}

// The simulator encodes on its own; the decoder must read back what it meant.
TEST(SimRecordsTest, EncodedReadingsDecodeAsMeant) {
  struct Case {
    SimReading reading;
    const char* timestamp;
    const char* value;
    const char* temperature;
  };
  const Case cases[] = {
      {{0x82, 1, 700, 250, false, 2017, 5, 18, 8, 9, 46},
       "2017-05-18 08:09:46",
       "7.00 pH",
       "25.0 \u00B0C"},
      {{0x63, 2, 1234, 770, true, 2099, 12, 31, 23, 59, 59},
       "2099-12-31 23:59:59",
       "-123.4 mV",
       "77.0 \u00B0F"},
      {{0x07, 5, 1413, 0, false, 2000, 1, 2, 3, 4, 5},
       "2000-01-02 03:04:05",
       "1413 \u03BCS/cm",
       "0.0 \u00B0C"},
  };
  for (const auto& c : cases) {
    const auto reading = DecodeRecord(MeterRecord(EncodeRecord(c.reading)));
    EXPECT_EQ(reading.TimestampText, c.timestamp);
    EXPECT_EQ(reading.ValueText, c.value);
    EXPECT_EQ(reading.TemperatureText, c.temperature);
  }
  EXPECT_TRUE(IsEndOfTransfer(MeterRecord(EndRecord())));
}

TEST(SimRecordsTest, GeneratedReadingsAreConsecutiveOrdinaryRecords) {
  const auto records = GenerateRecords(500, 11);
  ASSERT_EQ(records.size(), 500u);
  std::string previous;
  for (const auto& bytes : records) {
    const MeterRecord record(bytes);
    ASSERT_FALSE(IsEndOfTransfer(record));
    ASSERT_GE(record.Mode(), 1);
    ASSERT_LE(record.Mode(), 11);
    const auto stamp = FormatTimestamp(record);
    ASSERT_GT(stamp, previous);
    previous = stamp;
  }
}

TEST(SimRecordsTest, HexRecordsParseAndMalformedLinesAreNamed) {
  const auto records = ParseHexRecords(
      "# a comment\n82 01 BC 02 FA 00 05 11 08 12 2E 09\n\n  00 00 00 00 00 00 00 bb 00 00 00 00 "
      "# end\n");
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0][2], 0xBC);
  EXPECT_EQ(records[1][7], 0xBB);
  const std::pair<const char*, const char*> bad[] = {
      {"82 01 BC", "line 1"},
      {"\n82 01 BC 02 FA 00 05 11 08 12 2E 09 00", "line 2"},
      {"82 01 BC 02 FA 00 05 11 08 12 2E XX", "line 1"},
      {"82 01 BC 02 FA 00 05 11 08 12 2E 100", "line 1"},
  };
  for (const auto& [text, where] : bad) {
    try {
      ParseHexRecords(text);
      ADD_FAILURE() << "accepted: " << text;
    } catch (const std::runtime_error& error) {
      EXPECT_NE(std::string(error.what()).find(where), std::string::npos) << error.what();
    }
  }
}

TEST(MeterSimulatorProgramTest, PublishesItsLinkAndAnswersAStartByte) {
  QTemporaryDir dir;
  const QString link = dir.filePath("ttyMETER");
  QProcess program;
  program.start(ORBEK_METER_SIM, {"--link", link, "--count", "3", "--rate", "max", "--quiet",
                                  "--seed", "4", "--varied"});
  ASSERT_TRUE(program.waitForReadyRead(5000));
  EXPECT_EQ(program.readLine().trimmed(), link);
  {
    RawPort port(link.toStdString());
    port.Send(0xB1);
    const auto bytes = port.Read(4 * 12);
    ASSERT_EQ(bytes.size(), 4u * 12);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 36),
              Concatenate(GenerateRecords(3, 4)));
    EXPECT_EQ(bytes[36 + 7], 0xBB);
  }
  program.terminate();
  ASSERT_TRUE(program.waitForFinished(5000));
  EXPECT_EQ(program.exitCode(), 0);
  EXPECT_FALSE(QFileInfo::exists(link)) << "the link outlived the simulator";
}

}  // namespace
}  // namespace orbek::sim

namespace orbek::sim {
namespace {

TEST(GenerateMeasurementTest, ATransferMeasuresOneQuantityWithADriftingTemperature) {
  for (unsigned seed = 1; seed <= 10; ++seed) {
    const auto records = GenerateMeasurement(500, seed, 10);
    ASSERT_EQ(records.size(), 500u);
    int lowest = 65535, highest = 0;
    for (const auto& record : records) {
      EXPECT_EQ(record[0], records.front()[0]) << "flags changed within a transfer, seed " << seed;
      EXPECT_EQ(record[1], records.front()[1]) << "mode changed within a transfer, seed " << seed;
      const int tenths = record[4] | (record[5] << 8);
      EXPECT_GE(tenths, 195) << seed;
      EXPECT_LE(tenths, 255) << seed;
      const int value = record[2] | (record[3] << 8);
      lowest = std::min(lowest, value);
      highest = std::max(highest, value);
    }
    EXPECT_LT(highest - lowest, 120) << "a jagged line, seed " << seed;
    EXPECT_GT(highest - lowest, 0) << "a flat line, seed " << seed;
  }
  EXPECT_NE(GenerateMeasurement(5, 1)[0][1], GenerateMeasurement(5, 2)[0][1])
      << "the seed chooses the quantity";
}

}  // namespace
}  // namespace orbek::sim
