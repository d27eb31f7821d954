// Every way a reading leaves orbek-log tells the same story: the lines
// printed live, the lines a replay of the journal prints, the rows of the
// saved file and the messages the broker got, corrections included.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <map>

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

Story FoldCsv(const QString& text) {
  Story story;
  for (const QString& line : text.split('\n', Qt::SkipEmptyParts).mid(1))
    story[line.section(',', 0, 0).toLongLong()] = line;
  return story;
}

// What a message says, in the CSV's terms: the number, the texts, whether
// the value has a number, and the out-of-step mark.
QString Gist(long long number, const QString& stamp, const QString& value, const QString& temp,
             bool hasValue, bool outOfStep) {
  return QStringList{
      QString::number(number),       stamp, value, temp, hasValue ? "number" : "none",
      outOfStep ? "out of step" : ""}
      .join('|');
}

Story GistOfCsv(const Story& csv) {
  Story gist;
  for (const auto& [number, line] : csv) {
    const QStringList f = line.split(',');
    gist[number] = Gist(number, f.value(1), f.value(2), f.value(3), !f.value(4).isEmpty(),
                        f.value(6) == "out of step");
  }
  return gist;
}

Story GistOfMessages(const std::vector<MqttSubscriber::Message>& messages) {
  Story gist;
  for (const auto& message : messages) {
    const QJsonObject j = QJsonDocument::fromJson(message.payload).object();
    const long long number = j["reading"].toInteger(-1);
    gist[number] =
        Gist(number, j["meter_time"].toString(), j["value_text"].toString(),
             j["temperature_text"].toString(), !j["value"].isNull(), j["out_of_step"].toBool());
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
  const char* name;
  std::vector<sim::RecordBytes> records;
  std::optional<std::size_t> dropByteAt;
  std::vector<std::uint8_t> leadingBytes;
  std::optional<std::size_t> unplugAfter;  // then replugged, with --reconnect
  std::size_t cutAt = 0;
};

class OnePathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!MqttBroker::Available()) GTEST_SKIP() << "no mosquitto broker installed";
  }
  QTemporaryDir state_, files_;
};

TEST_F(OnePathTest, LiveReplayFileAndBrokerGiveTheSameReadingsAndMarks) {
  const auto golden = test::LoadGolden("golden-transfer");
  const auto plain = sim::GenerateRecords(120, 71);
  const std::vector<std::uint8_t> none;
  const Stream streams[] = {
      {"golden", golden.Readings(), std::nullopt, none, std::nullopt, 0},
      {"intact", plain, std::nullopt, none, std::nullopt, 0},
      {"lost-first-byte", plain, 0, none, std::nullopt, 0},
      {"lost-byte-mid", plain, 12 * 50 + 3, none, std::nullopt, 0},
      {"lost-year-byte", plain, 12 * 30 + 7, none, std::nullopt, 0},
      {"lost-byte-near-end", plain, 12 * 117 + 2, none, std::nullopt, 0},
      {"stray-bytes", plain, std::nullopt, {0x11, 0x22, 0x33}, std::nullopt, 0},
      {"stray-record-and-more", plain, std::nullopt, std::vector<std::uint8_t>(13, 0x05),
       std::nullopt, 0},
      {"0xBB-in-a-value",
       WithValueByte(plain, 0xBB),
       std::nullopt,
       {1, 2, 3, 4, 5},
       std::nullopt,
       0},
      {"0xBB-in-a-value-lost-byte", WithValueByte(plain, 0xBB), 12 * 60 + 1, none, std::nullopt, 0},
      {"unplug-mid-record", plain, std::nullopt, none, 40, 5},
      {"unplug-between-records", plain, std::nullopt, none, 70, 0},
  };
  MqttBroker broker;
  int run = 0;
  int corrections = 0;  // readings printed again, marked, after they went out
  for (const Stream& stream : streams) {
    SCOPED_TRACE(stream.name);
    const std::string topic = "onepath/" + std::to_string(run++);
    MqttSubscriber subscriber(broker.Port(), topic + "/reading", "onepath-" + topic);
    ASSERT_TRUE(subscriber.Subscribed());
    auto options = MeterSimulator::Paced(stream.records, MeterSimulator::Pace::Fixed, 400);
    options.dropByteAt = stream.dropByteAt;
    options.leadingBytes = stream.leadingBytes;
    options.unplugAfter = stream.unplugAfter;
    options.unplugCutsRecordAt = stream.cutAt;
    options.linkPath = files_.filePath(QString("tty-%1").arg(run)).toStdString();
    MeterSimulator meter(std::move(options));

    const QString capture = files_.filePath(QString("%1.capture").arg(stream.name));
    const QString output = files_.filePath(QString("%1.csv").arg(stream.name));
    QProcess logger;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_STATE_HOME", state_.path());
    logger.setProcessEnvironment(environment);
    logger.start(ORBEK_LOG, {"--port", QString::fromStdString(meter.PortPath()), "--reconnect",
                             "--capture", capture, "--output", output, "--mqtt", broker.Url(),
                             "--mqtt-topic", QString::fromStdString(topic)});
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
    // A stream whose end record was damaged never ends by itself: the
    // user stops it once the meter is quiet.
    ASSERT_TRUE(test::WaitUntil([&] { return !meter.Sending(); }, 20000));
    if (!logger.waitForFinished(3000)) logger.terminate();
    const auto live = test::Finish(logger);
    ASSERT_EQ(live.exitCode, 0) << (err + live.err).toStdString();

    QProcess decoder;
    decoder.start(ORBEK_LOG, {"--decode", capture});
    const auto replay = test::Finish(decoder);
    // A capture stopped by hand may end in part of a record.
    ASSERT_TRUE(replay.exitCode == 0 || replay.exitCode == 5) << replay.err.toStdString();
    QFile file(output);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const Story saved = FoldCsv(QString::fromUtf8(file.readAll()));

    ASSERT_FALSE(saved.empty());
    corrections += static_cast<int>(live.out.count('\n')) - 1 - static_cast<int>(saved.size());
    EXPECT_EQ(FoldCsv(live.out), saved);
    EXPECT_EQ(FoldCsv(replay.out), saved);
    // Corrections are further messages: wait for the last word on each.
    const Story want = GistOfCsv(saved);
    test::WaitUntil([&] { return GistOfMessages(subscriber.Messages("/reading")) == want; }, 10000);
    EXPECT_EQ(GistOfMessages(subscriber.Messages("/reading")), want);
  }
  EXPECT_GT(corrections, 0) << "no stream had a reading corrected after it went out";
}

}  // namespace
}  // namespace orbek
