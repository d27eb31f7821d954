// Every way a reading leaves orbek-log tells the same story: the lines
// printed live, the lines a replay of the journal prints, the rows of the
// saved file, the messages the broker got and the file exported from the
// archive, corrections included; for named streams and for generated ones
// with random faults on the line.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <map>
#include <random>

#include "tests/support/EventLoop.h"
#include "tests/support/Golden.h"
#include "tests/support/LoggerProcess.h"
#include "tests/support/MqttBroker.h"
#include "tools/sim/MeterSimulator.h"

namespace orbek {
namespace {

using sim::MeterSimulator;
using test::MqttBroker;
using test::MqttSubscriber;

// Reading number -> the last line said about it.
using Story = std::map<long long, QString>;

// The CSV's reading lines by number, the last of each; the details'
// comment lines and the header are left out.
Story FoldCsv(const QString& text) {
  Story story;
  for (const QString& line : text.split('\n', Qt::SkipEmptyParts))
    if (!line.startsWith('#') && line != test::kCsvHeader)
      story[line.section(',', 0, 0).toLongLong()] = line;
  return story;
}

Story WithoutReceived(const Story& story) {
  Story blanked;
  for (const auto& [number, line] : story)
    blanked[number] = test::BlankReceived({line}).front();
  return blanked;
}

// What a message says, in the CSV's terms: number, meter time, value (as a
// number), unit, temperature, scale, received, out of step, lost before.
QString Gist(const QStringList& fields) {
  QStringList gist = fields;
  if (!gist.value(2).isEmpty()) gist[2] = QString::number(gist[2].toDouble(), 'g', 15);
  if (!gist.value(4).isEmpty()) gist[4] = QString::number(gist[4].toDouble(), 'g', 15);
  return gist.join('|');
}

Story GistOfCsv(const Story& csv) {
  Story gist;
  for (const auto& [number, line] : csv)
    gist[number] = Gist(line.split(','));
  return gist;
}

Story GistOfMessages(const std::vector<MqttSubscriber::Message>& messages) {
  Story gist;
  for (const auto& message : messages) {
    const QJsonObject j = QJsonDocument::fromJson(message.payload).object();
    const long long number = j["reading"].toInteger(-1);
    const auto text = [&j](const char* key) { return j[key].isNull() ? "" : j[key].toString(); };
    const auto number_ = [&j](const char* key) {
      return j[key].isNull() ? QString() : QString::number(j[key].toDouble(), 'g', 15);
    };
    gist[number] = Gist({QString::number(number), text("meter_time"), number_("value"),
                         text("unit"), number_("temperature"), text("temperature_unit"),
                         text("received"), j["out_of_step"].toBool() ? "out of step" : "",
                         QString::number(j["lost_before"].toInteger(-1))});
  }
  return gist;
}

std::vector<sim::RecordBytes> WithValueByte(std::vector<sim::RecordBytes> records,
                                            std::uint8_t byte) {
  for (auto& record : records)
    record[2] = byte;
  return records;
}

struct Stream {
  std::string name;
  std::vector<sim::RecordBytes> records;
  std::optional<std::size_t> dropByteAt;
  std::vector<std::uint8_t> leadingBytes;
  std::optional<std::size_t> unplugAfter;  // then replugged, with --reconnect
  std::size_t cutAt = 0;
  std::size_t noiseBefore = 0;
  std::vector<std::uint8_t> noise;
  bool alreadySending = false;  // started by a run that crashed
};

// A stream with random faults on the line, as `seed` draws them.
Stream Generated(unsigned seed) {
  std::mt19937 random(seed);
  const auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };
  const auto bytes = [&](std::size_t most) {
    std::vector<std::uint8_t> noise(1 + random() % most);
    for (auto& byte : noise)
      byte = static_cast<std::uint8_t>(random());
    return noise;
  };
  Stream stream;
  stream.name = "generated-" + std::to_string(seed);
  const std::size_t readings = 20 + random() % 50;
  const int step = chance(50) ? 1 : 60;
  stream.records = sim::GenerateRecords(readings, seed, step);
  const std::size_t count = stream.records.size();
  if (chance(50)) stream.dropByteAt = chance(25) ? random() % 12 : random() % (12 * count);
  if (chance(25)) stream.leadingBytes = bytes(15);
  if (chance(25)) {
    stream.noiseBefore = 1 + random() % (count - 1);
    stream.noise = bytes(40);
  }
  stream.alreadySending = chance(20);
  if (chance(10)) {
    stream.unplugAfter = 5 + random() % (count - 10);
    stream.cutAt = random() % 12;
  }
  return stream;
}

// A run that crashed left the meter sending: its start byte, and nobody
// reading since.
void StartAsACrashedRunWould(const std::string& device) {
  const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  const std::uint8_t start = 0xB1;
  ASSERT_EQ(::write(fd, &start, 1), 1);
  test::Pump(30);
  ::close(fd);
}

class OnePathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!MqttBroker::Available()) GTEST_SKIP() << "no mosquitto broker installed";
  }
  void TearDown() override {
    if (run_ == 0) return;
    // Every transfer went into the archive as it was received.
    const auto verified = Archive({"--verify-archive"});
    EXPECT_EQ(verified.exitCode, 0) << verified.err.toStdString();
    EXPECT_TRUE(verified.err.contains(QString(": %1 transfers,").arg(run_)))
        << verified.err.toStdString();
  }
  test::Run Archive(const QStringList& arguments) {
    QProcess archive;
    archive.setProcessEnvironment(Environment());
    archive.start(ORBEK_LOG, arguments);
    return test::Finish(archive);
  }
  QProcessEnvironment Environment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_STATE_HOME", state_.path());
    environment.insert("XDG_DATA_HOME", state_.path());
    return environment;
  }
  // Runs the stream through orbek-log with a capture, a file and a broker,
  // then --decode of the capture, and compares them all reading by reading.
  void ExpectOneStory(const Stream& stream);

  QTemporaryDir state_, files_;
  std::unique_ptr<MqttBroker> broker_ = std::make_unique<MqttBroker>();
  int run_ = 0;
  int corrections_ = 0;  // readings printed again, marked, after they went out
  int losses_ = 0;       // runs whose line lost readings
  int unreadable_ = 0;   // runs never brought back in step
};

void OnePathTest::ExpectOneStory(const Stream& stream) {
  SCOPED_TRACE(stream.name);
  const std::string topic = "onepath/" + std::to_string(run_++);
  MqttSubscriber subscriber(broker_->Port(), topic + "/reading", "onepath-" + topic);
  ASSERT_TRUE(subscriber.Subscribed());
  auto options = MeterSimulator::Paced(stream.records, MeterSimulator::Pace::Fixed, 1000);
  options.dropByteAt = stream.dropByteAt;
  options.leadingBytes = stream.leadingBytes;
  options.noiseBeforeRecord = stream.noiseBefore;
  options.noise = stream.noise;
  options.unplugAfter = stream.unplugAfter;
  options.unplugCutsRecordAt = stream.cutAt;
  options.linkPath = files_.filePath(QString("tty-%1").arg(run_)).toStdString();
  MeterSimulator meter(std::move(options));
  if (stream.alreadySending) StartAsACrashedRunWould(meter.DevicePath());

  const QString name = QString::fromStdString(stream.name);
  const QString capture = files_.filePath(name + ".capture");
  const QString output = files_.filePath(name + ".csv");
  QProcess logger;
  logger.setProcessEnvironment(Environment());
  logger.start(ORBEK_LOG, {"--port", QString::fromStdString(meter.PortPath()), "--reconnect",
                           "--capture", capture, "--output", output, "--mqtt", broker_->Url(),
                           "--mqtt-topic", QString::fromStdString(topic), "--sample", name});
  QString err;
  if (stream.unplugAfter) {
    ASSERT_TRUE(test::WaitUntil(
        [&] {
          err += QString::fromUtf8(logger.readAllStandardError());
          return err.contains("was lost");
        },
        10000))
        << err.toStdString();
    meter.Replug();
  }
  // A stream whose end record was damaged never ends by itself: the user
  // stops it once the meter is quiet.
  ASSERT_TRUE(test::WaitUntil([&] { return !meter.Sending(); }, 20000));
  if (!logger.waitForFinished(3000)) logger.terminate();
  const auto live = test::Finish(logger);
  err += live.err;

  QFile file(output);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << err.toStdString();
  const QString text = QString::fromUtf8(file.readAll());
  const Story saved = FoldCsv(text);
  ASSERT_FALSE(saved.empty()) << err.toStdString();
  // Standard output starts as the file does, with nothing before it.
  EXPECT_TRUE(live.out.startsWith(text.section('\n', 0, 1))) << live.out.left(300).toStdString();
  EXPECT_EQ(saved.rbegin()->first + 1, static_cast<long long>(saved.size())) << "a gap in No.";
  EXPECT_TRUE(err.contains(QString("orbek-log: %1 readings\n").arg(saved.size())))
      << err.toStdString();
  int lost = 0;
  for (const auto& [number, line] : saved)
    lost += line.section(',', 8, 8).toInt();
  losses_ += lost > 0 ? 1 : 0;
  // Faults close together at the start can leave the stream out of step
  // for good: the run says its records do not look like a meter's.
  const bool foreign = err.contains("does not look like a meter's records");
  unreadable_ += foreign ? 1 : 0;
  EXPECT_EQ(live.exitCode, foreign ? 11 : lost > 0 ? 10 : 0) << err.toStdString();
  corrections_ += static_cast<int>(live.out.count('\n')) - static_cast<int>(text.count('\n'));
  EXPECT_EQ(FoldCsv(live.out), saved);

  QProcess decoder;
  decoder.start(ORBEK_LOG, {"--decode", capture});
  const auto replay = test::Finish(decoder);
  // A capture stopped by hand may end in part of a record.
  EXPECT_TRUE(replay.exitCode == live.exitCode || replay.exitCode == 5) << replay.err.toStdString();
  EXPECT_EQ(FoldCsv(replay.out), WithoutReceived(saved));

  // The archive gives back the file saved, byte for byte.
  const QString id = QRegularExpression("archived as transfer ([0-9a-f-]+)").match(err).captured(1);
  ASSERT_FALSE(id.isEmpty()) << err.toStdString();
  const QString exported = files_.filePath(name + "-archived.csv");
  const auto exporting = Archive({"--export", id, "--output", exported});
  ASSERT_EQ(exporting.exitCode, 0) << exporting.err.toStdString();
  QFile fromArchive(exported);
  ASSERT_TRUE(fromArchive.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromUtf8(fromArchive.readAll()), text);

  // Corrections are further messages: wait for the last word on each.
  const Story want = GistOfCsv(saved);
  test::WaitUntil([&] { return GistOfMessages(subscriber.Messages("/reading")) == want; }, 10000);
  EXPECT_EQ(GistOfMessages(subscriber.Messages("/reading")), want);
}

TEST_F(OnePathTest, LiveReplayFileAndBrokerGiveTheSameReadingsAndMarks) {
  const auto golden = test::LoadGolden("golden-transfer");
  const auto plain = sim::GenerateRecords(120, 71);
  const std::vector<std::uint8_t> none;
  const Stream streams[] = {
      {"golden", golden.Readings(), std::nullopt, none, std::nullopt, 0, 0, {}, false},
      {"intact", plain, std::nullopt, none, std::nullopt, 0, 0, {}, false},
      {"lost-first-byte", plain, 0, none, std::nullopt, 0, 0, {}, false},
      {"lost-byte-mid", plain, 12 * 50 + 3, none, std::nullopt, 0, 0, {}, false},
      {"lost-year-byte", plain, 12 * 30 + 7, none, std::nullopt, 0, 0, {}, false},
      {"lost-byte-near-end", plain, 12 * 117 + 2, none, std::nullopt, 0, 0, {}, false},
      {"stray-bytes", plain, std::nullopt, {0x11, 0x22, 0x33}, std::nullopt, 0, 0, {}, false},
      {"stray-record-and-more", plain, std::nullopt, std::vector<std::uint8_t>(13, 0x05),
       std::nullopt, 0, 0, {}, false},
      {"0xBB-in-a-value", WithValueByte(plain, 0xBB), std::nullopt, {1, 2, 3, 4, 5}, std::nullopt,
       0, 0, {}, false},
      {"0xBB-in-a-value-lost-byte", WithValueByte(plain, 0xBB), 12 * 60 + 1, none, std::nullopt,
       0, 0, {}, false},
      {"unplug-mid-record", plain, std::nullopt, none, 40, 5, 0, {}, false},
      {"unplug-between-records", plain, std::nullopt, none, 70, 0, 0, {}, false},
      {"already-sending", plain, std::nullopt, none, std::nullopt, 0, 0, {}, true},
      {"already-sending-lost-first-byte", plain, 3, none, std::nullopt, 0, 0, {}, true},
      {"noise-burst", plain, std::nullopt, none, std::nullopt, 0, 30,
       std::vector<std::uint8_t>(29, 0xC3), false},
  };
  for (const Stream& stream : streams)
    ExpectOneStory(stream);
  EXPECT_GT(corrections_, 0) << "no stream had a reading corrected after it went out";
  EXPECT_GT(losses_, 0);
}

// ORBEK_PROPERTY_STREAMS sets how many; ORBEK_PROPERTY_SEED runs the one
// stream a failure named ("generated-55") again.
TEST_F(OnePathTest, GeneratedStreamsWithRandomFaultsTellOneStory) {
  const int only = qEnvironmentVariableIntValue("ORBEK_PROPERTY_SEED");
  const int count = qEnvironmentVariableIntValue("ORBEK_PROPERTY_STREAMS");
  const unsigned first = only > 0 ? static_cast<unsigned>(only) : 1;
  const unsigned streams = only > 0 ? 1 : count > 0 ? static_cast<unsigned>(count) : 200;
  for (unsigned seed = first; seed < first + streams; ++seed) {
    ExpectOneStory(Generated(seed));
    if (HasFatalFailure()) return;
  }
  std::printf("one story: %u streams, %d with readings lost, %d never back in step, "
              "%d corrections\n",
              streams, losses_, unreadable_, corrections_);
  if (only > 0) return;
  EXPECT_GT(losses_, 0);
  EXPECT_LT(unreadable_ * 50, static_cast<int>(streams)) << "more than 2% never back in step";
}

}  // namespace
}  // namespace orbek
