// orbek-log publishing to a Mosquitto broker of the test's own.
#include <gtest/gtest.h>
#include <signal.h>

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <set>

#include "meter/RecordDecoder.h"
#include "mqtt/MqttPublisher.h"
#include "tests/support/EventLoop.h"
#include "tests/support/LoggerProcess.h"
#include "tests/support/CsvLayout.h"
#include "tests/support/MqttBroker.h"
#include "tools/sim/MeterSimulator.h"

namespace orbek {
namespace {

using sim::MeterSimulator;
using test::Finish;
using test::MqttBroker;
using test::MqttSubscriber;

constexpr char kTopic[] = "lab/meter1";

class MqttTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!MqttBroker::Available()) GTEST_SKIP() << "no mosquitto broker installed";
  }

  // orbek-log with a state folder of the test's own (the spool goes there).
  void StartLogger(QProcess& logger, QStringList arguments) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_STATE_HOME", state_.path());
    logger.setProcessEnvironment(environment);
    logger.start(ORBEK_LOG, arguments);
    ASSERT_TRUE(logger.waitForStarted());
  }
  test::Run RunLogger(const QStringList& arguments) {
    QProcess logger;
    StartLogger(logger, arguments);
    return Finish(logger);
  }
  QString WriteCapture(const std::vector<sim::RecordBytes>& records) {
    const QString path = files_.filePath("capture.bin");
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(test::Raw(records) + test::Raw({sim::EndRecord()}));
    return path;
  }
  QStringList SpoolFiles() const { return QDir(state_.filePath("orbek")).entryList(QDir::Files); }

  QTemporaryDir state_;
  QTemporaryDir files_;
};

QJsonObject Json(const MqttSubscriber::Message& message) {
  return QJsonDocument::fromJson(message.payload).object();
}

// Every reading number from 0 to count-1 at least once, first seen in order.
::testing::AssertionResult AllInOrder(const std::vector<MqttSubscriber::Message>& messages,
                                      std::int64_t count) {
  std::set<std::int64_t> seen;
  std::int64_t highest = -1;
  for (const auto& message : messages) {
    const std::int64_t number = Json(message)["reading"].toInteger(-1);
    if (seen.insert(number).second) {
      if (number != highest + 1)
        return ::testing::AssertionFailure() << "reading " << number << " after " << highest;
      highest = number;
    }
  }
  if (static_cast<std::int64_t>(seen.size()) != count)
    return ::testing::AssertionFailure() << seen.size() << " readings of " << count;
  return ::testing::AssertionSuccess();
}

// Fields the record does not carry are null, not invented: a value without
// a format, a blank unit, a clock that names no real moment.
TEST(ReadingMessageTest, WhatARecordDoesNotCarryIsNull) {
  const struct {
    sim::RecordBytes record;
    const char* nullField;
  } cases[] = {
      {{0x02, 0x00, 0xBC, 0x02, 0xFA, 0x00, 5, 17, 8, 18, 46, 9}, "value"},
      {{0x45, 0x04, 0x7B, 0x00, 0xFA, 0x00, 5, 17, 8, 18, 46, 9}, "unit"},
      {{0x82, 0x01, 0xBC, 0x02, 0xFA, 0x00, 4, 17, 8, 31, 46, 9}, "meter_time_iso"},
  };
  for (const auto& c : cases) {
    const MeterRecord record(c.record);
    const Reading reading{3, record, DecodeRecord(record), std::chrono::system_clock::now(), true};
    const QJsonObject json = QJsonDocument::fromJson(ReadingMessage("t", reading)).object();
    EXPECT_TRUE(json[c.nullField].isNull()) << c.nullField;
    EXPECT_EQ(json["reading"].toInt(), 3);
    EXPECT_TRUE(json["out_of_step"].toBool());
    for (const char* field : {"value", "unit", "meter_time_iso"}) {
      if (std::string_view(field) != c.nullField) {
        EXPECT_FALSE(json[field].isNull()) << field;
      }
    }
  }
}

// What a user typed comes back from the JSON as typed: quotes,
// backslashes, accents and symbols beside plain text.
TEST(ReadingMessageTest, DetailsComeBackAsTyped) {
  SampleDetails details;
  details.sample = "S-\"4711\"\\b";
  details.operator_ = "Ana \xc3\x93'Brien";
  details.location = "\\\\lab\\2 \xe2\x9c\x93\"";
  const MeterRecord record(sim::GenerateRecords(1, 5)[0]);
  const Reading reading{0, record, DecodeRecord(record), std::chrono::system_clock::now(), false};
  const QJsonObject json =
      QJsonDocument::fromJson(ReadingMessage("t\"1", reading, details)).object();
  EXPECT_EQ(json["transfer"].toString().toStdString(), "t\"1");
  EXPECT_EQ(json["sample"].toString().toStdString(), details.sample);
  EXPECT_EQ(json["operator"].toString().toStdString(), details.operator_);
  EXPECT_EQ(json["location"].toString().toStdString(), details.location);
}

TEST_F(MqttTest, EveryReadingArrivesInOrderAsDocumentedJson) {
  MqttBroker broker;
  MqttSubscriber subscriber(broker.Port(), std::string(kTopic) + "/#");
  ASSERT_TRUE(subscriber.Subscribed());
  const auto records = sim::GenerateRecords(150, 95);
  MeterSimulator meter(MeterSimulator::Paced(records));
  const auto run =
      RunLogger({"--port", QString::fromStdString(meter.DevicePath()), "--mqtt", broker.Url(),
                 "--mqtt-topic", kTopic, "--sample", "S-12", "--operator", "Ana \"Lima\"",
                 "--probe", "P-1", "--note", "kept out of the messages"});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  ASSERT_TRUE(subscriber.WaitFor(150, "/reading"));
  const auto readings = subscriber.Messages("/reading");
  ASSERT_EQ(readings.size(), 150u) << "no copies without a reason";
  EXPECT_TRUE(AllInOrder(readings, 150));
  const QString transfer = Json(readings[0])["transfer"].toString();
  EXPECT_EQ(transfer.size(), 36) << transfer.toStdString();
  const QStringList csvLines =
      run.out.split('\n', Qt::SkipEmptyParts).filter(QRegularExpression("^[^#]"));
  for (std::size_t i = 0; i < readings.size(); ++i) {
    const QJsonObject json = Json(readings[i]);
    const DecodedReading expected = DecodeRecord(MeterRecord(records[i]));
    const auto where = "reading " + std::to_string(i);
    EXPECT_EQ(json["transfer"].toString(), transfer) << where;
    EXPECT_EQ(json["meter_time"].toString().toStdString(), expected.TimestampText) << where;
    EXPECT_EQ(json["meter_time_iso"].toString(),
              QString::fromStdString(expected.TimestampText).replace(' ', 'T'))
        << where;
    EXPECT_EQ(json["value_text"].toString().toStdString(), expected.ValueText) << where;
    EXPECT_DOUBLE_EQ(json["value"].toDouble(), expected.ValueNumber) << where;
    EXPECT_EQ(json["unit"].toString(), test::CsvLine(0, records[i]).section(',', 3, 3)) << where;
    EXPECT_EQ(json["unit_ucum"].isNull(), !expected.UnitCode) << where;
    EXPECT_EQ(json["lost_before"].toInt(-1), 0) << where;
    EXPECT_EQ(json["temperature_text"].toString().toStdString(), expected.TemperatureText) << where;
    EXPECT_DOUBLE_EQ(json["temperature"].toDouble(), expected.TemperatureNumber) << where;
    EXPECT_EQ(json["temperature_unit"].toString(),
              QString::fromStdString(expected.TemperatureText).section(' ', 1))
        << where;
    EXPECT_TRUE(json["received"].toString().endsWith('Z')) << where;
    EXPECT_FALSE(json["out_of_step"].toBool()) << where;
    // The sample's details each reading is filed under; the rest is the
    // transfer's alone.
    EXPECT_EQ(json["sample"].toString(), "S-12") << where;
    EXPECT_EQ(json["operator"].toString(), "Ana \"Lima\"") << where;
    EXPECT_TRUE(json.contains("location") && json["location"].isNull()) << where;
    EXPECT_FALSE(json.contains("probe") || json.contains("note")) << where;
    EXPECT_TRUE(csvLines.value(static_cast<qsizetype>(i) + 1)
                    .startsWith(QString::number(i) + "," + json["meter_time"].toString()))
        << where;
  }
  const auto status = subscriber.Messages("/status");
  ASSERT_GE(status.size(), 2u);
  EXPECT_EQ(status.front().payload, "online");
  EXPECT_EQ(status.back().payload, "offline");
  EXPECT_TRUE(SpoolFiles().isEmpty()) << SpoolFiles().join(' ').toStdString();

  // The status stays with the broker for whoever subscribes later.
  MqttSubscriber late(broker.Port(), std::string(kTopic) + "/status", "orbek-test-late");
  ASSERT_TRUE(late.WaitFor(1, "/status", 5000));
  EXPECT_EQ(late.Messages("/status")[0].payload, "offline");
  EXPECT_TRUE(late.Messages("/status")[0].retained);
}

// A meter at line rate brings a read of a few readings every 20 ms: they go
// to the broker together, a few sends a second, not one a read; a reading
// after a quiet spell goes at once; every one arrives, in order.
TEST_F(MqttTest, ReadingsThatTrickleInGoOutTogetherAndALoneOneAtOnce) {
  MqttBroker broker;
  MqttSubscriber subscriber(broker.Port(), std::string(kTopic) + "/reading");
  ASSERT_TRUE(subscriber.Subscribed());
  MqttPublisher publisher({broker.Url(), kTopic, {}, {}, false, files_.filePath("spool")},
                          [](const QString&) {});
  publisher.Connect(5000);
  constexpr int kReads = 50, kPerRead = 20;
  QElapsedTimer streamed;
  streamed.start();
  for (int read = 0, number = 0; read < kReads; ++read) {
    publisher.Gather(true);
    for (int i = 0; i < kPerRead; ++i)
      publisher.Publish(QByteArray::number(number++));
    publisher.Gather(false);
    QThread::msleep(20);
  }
  EXPECT_LE(publisher.Batches(), streamed.elapsed() / 100 + 2) << "a send a read, or nearly";

  QThread::msleep(300);
  const std::int64_t before = publisher.Batches();
  QElapsedTimer waited;
  waited.start();
  publisher.Publish("alone");
  ASSERT_TRUE(test::WaitUntil([&] { return publisher.Batches() > before; }, 2000));
  EXPECT_LT(waited.elapsed(), 75) << "a reading after a quiet spell waited for a rest";

  EXPECT_EQ(publisher.Finish(5000), 0);
  constexpr std::size_t kAll = kReads * kPerRead + 1;
  ASSERT_TRUE(subscriber.WaitFor(kAll, "/reading"));
  const auto messages = subscriber.Messages("/reading");
  ASSERT_EQ(messages.size(), kAll);
  for (std::size_t i = 0; i + 1 < kAll; ++i)
    ASSERT_EQ(messages[i].payload, QByteArray::number(static_cast<qulonglong>(i))) << i;
  EXPECT_EQ(messages.back().payload, "alone");
}

TEST_F(MqttTest, ABrokerRestartedMidTransferLosesNoReading) {
  MqttBroker broker;
  MqttSubscriber subscriber(broker.Port(), std::string(kTopic) + "/reading");
  ASSERT_TRUE(subscriber.Subscribed());
  constexpr std::size_t kCount = 300;
  MeterSimulator meter(
      MeterSimulator::Paced(sim::GenerateRecords(kCount, 96), MeterSimulator::Pace::Fixed, 100));
  QProcess logger;
  StartLogger(logger, {"--port", QString::fromStdString(meter.DevicePath()), "--mqtt", broker.Url(),
                       "--mqtt-topic", kTopic});
  ASSERT_TRUE(subscriber.WaitFor(50, "/reading"));
  broker.Stop();
  QThread::msleep(1500);
  broker.Start();
  ASSERT_TRUE(broker.Running());
  const auto run = Finish(logger);
  EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_TRUE(run.err.contains("lost the broker")) << run.err.toStdString();
  // The restart delivers some readings twice: a count of messages can be
  // reached before the last readings have come.
  test::WaitUntil([&] { return bool(AllInOrder(subscriber.Messages("/reading"), kCount)); }, 20000);
  EXPECT_TRUE(AllInOrder(subscriber.Messages("/reading"), kCount));
  EXPECT_TRUE(SpoolFiles().isEmpty());
}

TEST_F(MqttTest, ReadingsWaitInTheSpoolUntilABrokerTakesThem) {
  const int port = test::FreePort();
  const QString url = QStringLiteral("mqtt://127.0.0.1:%1").arg(port);
  const QString capture = WriteCapture(sim::GenerateRecords(40, 97));
  const auto away = RunLogger({"--decode", capture, "--mqtt", url, "--mqtt-topic", kTopic});
  EXPECT_EQ(away.exitCode, 8) << away.err.toStdString();
  EXPECT_TRUE(away.err.contains("cannot reach the broker")) << away.err.toStdString();
  EXPECT_TRUE(away.err.contains("40 readings")) << away.err.toStdString();
  ASSERT_EQ(SpoolFiles().size(), 1);

  // The broker comes up; the next run to the topic sends the waiting
  // readings first, then its own.
  MqttBroker broker(port);
  MqttSubscriber subscriber(broker.Port(), std::string(kTopic) + "/reading");
  const auto back = RunLogger({"--decode", capture, "--mqtt", url, "--mqtt-topic", kTopic});
  EXPECT_EQ(back.exitCode, 0) << back.err.toStdString();
  EXPECT_TRUE(back.err.contains("40 readings of an earlier run")) << back.err.toStdString();
  ASSERT_TRUE(subscriber.WaitFor(80, "/reading"));
  const auto readings = subscriber.Messages("/reading");
  ASSERT_EQ(readings.size(), 80u);
  const QString first = Json(readings[0])["transfer"].toString();
  const QString second = Json(readings[40])["transfer"].toString();
  EXPECT_NE(first, second);
  for (std::size_t i = 0; i < readings.size(); ++i) {
    EXPECT_EQ(Json(readings[i])["transfer"].toString(), i < 40 ? first : second) << i;
    EXPECT_EQ(Json(readings[i])["reading"].toInt(), static_cast<int>(i % 40)) << i;
  }
  EXPECT_TRUE(SpoolFiles().isEmpty());
}

TEST_F(MqttTest, WrongCredentialsAreRefusedBeforeTheMeterIsToldAnything) {
  MqttBroker broker(0, "orbek", "s3cret:with colon");
  const struct {
    QByteArray file;
    int exitCode;
  } cases[] = {
      {"orbek\nwrong\n", 7},
      {"someone\ns3cret:with colon\n", 7},
      {"orbek\ns3cret:with colon\n", 0},
  };
  for (const auto& c : cases) {
    const QString credentials = files_.filePath("credentials");
    QFile file(credentials);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(c.file);
    file.close();
    std::vector<std::uint8_t> received;
    MeterSimulator::Options options = MeterSimulator::Paced(sim::GenerateRecords(5, 98));
    MeterSimulator meter(std::move(options));
    const auto run =
        RunLogger({"--port", QString::fromStdString(meter.DevicePath()), "--mqtt", broker.Url(),
                   "--mqtt-topic", kTopic, "--mqtt-credentials", credentials});
    EXPECT_EQ(run.exitCode, c.exitCode) << c.file.toStdString() << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("s3cret")) << "the password was printed";
    if (c.exitCode == 7) {
      EXPECT_TRUE(run.err.contains("refused the connection")) << run.err.toStdString();
      EXPECT_TRUE(run.out.isEmpty()) << "the meter was started";
    }
  }
}

TEST_F(MqttTest, TheLastWillSaysOfflineWhenTheLoggerVanishes) {
  MqttBroker broker;
  MqttSubscriber subscriber(broker.Port(), std::string(kTopic) + "/status");
  MeterSimulator meter(
      MeterSimulator::Paced(sim::GenerateRecords(1000, 99), MeterSimulator::Pace::Fixed, 10));
  QProcess logger;
  StartLogger(logger, {"--port", QString::fromStdString(meter.DevicePath()), "--mqtt", broker.Url(),
                       "--mqtt-topic", kTopic});
  ASSERT_TRUE(subscriber.WaitFor(1, "/status", 10000));
  EXPECT_EQ(subscriber.Messages("/status")[0].payload, "online");
  ::kill(static_cast<pid_t>(logger.processId()), SIGKILL);
  logger.waitForFinished();
  ASSERT_TRUE(subscriber.WaitFor(2, "/status", 10000));
  EXPECT_EQ(subscriber.Messages("/status")[1].payload, "offline");
}

// A broker whose certificate a test authority signed: refused unless that
// authority is given, or the check is turned off by name.
TEST_F(MqttTest, TlsChecksTheBrokersCertificateUnlessToldNotTo) {
  const QString dir = files_.path();
  const QString script =
      "cd '" + dir +
      "' && "
      "openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.crt -days 2 "
      "-subj '/CN=Orbek Test CA' && "
      "openssl req -newkey rsa:2048 -nodes -keyout server.key -out server.csr -subj "
      "'/CN=127.0.0.1' "
      "&& printf 'subjectAltName=IP:127.0.0.1\\n' > ext.cnf && "
      "openssl x509 -req -in server.csr -CA ca.crt -CAkey ca.key -CAcreateserial -out server.crt "
      "-days 2 -extfile ext.cnf";
  if (QProcess::execute("bash", {"-c", "{ " + script + "; } >/dev/null 2>&1"}) != 0)
    GTEST_SKIP() << "openssl could not make the test certificates";
  MqttBroker broker(0, {}, {},
                    "cafile " + dir + "/ca.crt\ncertfile " + dir + "/server.crt\nkeyfile " + dir +
                        "/server.key\n");
  const QString address = QStringLiteral("mqtts://127.0.0.1:%1").arg(broker.Port());
  // The certificate names the address, not the name: a broker reached by
  // a name its certificate does not hold is not the one it vouches for.
  const QString name = QStringLiteral("mqtts://localhost:%1").arg(broker.Port());
  const QString capture = WriteCapture(sim::GenerateRecords(5, 101));
  const struct {
    QString url;
    QStringList options;
    int exitCode;
  } cases[] = {
      {address, {}, 7},
      {address, {"--mqtt-ca", dir + "/ca.crt"}, 0},
      {address, {"--mqtt-insecure"}, 0},
      {name, {"--mqtt-ca", dir + "/ca.crt"}, 7},
      {name, {"--mqtt-insecure"}, 0},
  };
  for (const auto& c : cases) {
    const auto run = RunLogger(
        QStringList{"--decode", capture, "--mqtt", c.url, "--mqtt-topic", kTopic} + c.options);
    EXPECT_EQ(run.exitCode, c.exitCode)
        << c.options.join(' ').toStdString() << run.err.toStdString();
    if (c.exitCode == 7) {
      EXPECT_TRUE(run.err.contains("certificate could not be verified")) << run.err.toStdString();
    }
  }
}

TEST_F(MqttTest, OptionsThatCannotWorkSayWhy) {
  const struct {
    QStringList arguments;
    const char* says;
  } cases[] = {
      {{"--mqtt", "http://127.0.0.1"}, "mqtt://host"},
      {{"--mqtt", "mqtt://user:pw@127.0.0.1"}, "--mqtt-credentials"},
      {{"--mqtt", "mqtt://127.0.0.1", "--mqtt-topic", "lab/+"}, "+ or #"},
      {{"--mqtt-topic", "lab"}, "need --mqtt"},
      {{"--mqtt", "mqtt://127.0.0.1", "--mqtt-credentials", "/nonexistent"}, "credentials"},
  };
  const QString capture = WriteCapture(sim::GenerateRecords(3, 100));
  for (const auto& c : cases) {
    const auto run = RunLogger(QStringList{"--decode", capture} + c.arguments);
    EXPECT_EQ(run.exitCode, 2) << c.arguments.join(' ').toStdString();
    EXPECT_TRUE(run.err.contains(c.says)) << run.err.toStdString();
  }
}

}  // namespace
}  // namespace orbek
