// orbek-log publishing to a local Mosquitto broker: readings a second for a
// 100,000-record capture, all acknowledged and received; and the latency
// from a record's arrival at the port to its delivery to a subscriber,
// with the meter sending at line rate.
#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

#include "tests/support/MqttBroker.h"
#include "tests/support/Records.h"
#include "tools/sim/MeterSimulator.h"

namespace {

using orbek::test::MqttBroker;
using orbek::test::MqttSubscriber;

constexpr std::size_t kThroughputReadings = 100000;
constexpr std::size_t kLatencyReadings = 3000;

bool RunLogger(const QStringList& arguments, const QString& state) {
  QProcess logger;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("XDG_STATE_HOME", state);
  logger.setProcessEnvironment(environment);
  logger.setStandardOutputFile(QProcess::nullDevice());
  logger.setStandardErrorFile(QProcess::nullDevice());
  logger.start(ORBEK_LOG, arguments);
  return logger.waitForFinished(600000) && logger.exitStatus() == QProcess::NormalExit &&
         logger.exitCode() == 0;
}

// "2026-12-08T10:15:00.123456Z" as a time point.
std::chrono::system_clock::time_point Received(const QByteArray& payload) {
  const QString text = QJsonDocument::fromJson(payload).object().value("received").toString();
  QDateTime seconds = QDateTime::fromString(text.left(19), Qt::ISODate);
  seconds.setTimeSpec(Qt::UTC);
  const long long micros = text.mid(20, 6).toLongLong();
  return std::chrono::system_clock::time_point(
      std::chrono::microseconds(seconds.toMSecsSinceEpoch() * 1000 + micros));
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (!MqttBroker::Available()) {
    std::fprintf(stderr, "bench_mqtt: no mosquitto broker installed\n");
    return 1;
  }
  QTemporaryDir dir;
  MqttBroker broker;

  const QString capture = dir.filePath("capture.bin");
  {
    QFile file(capture);
    if (!file.open(QIODevice::WriteOnly)) return 1;
    file.write(orbek::test::Raw(orbek::sim::GenerateRecords(kThroughputReadings, 73)) +
               orbek::test::Raw({orbek::sim::EndRecord()}));
  }
  // The logger ends with exit code 0 only once the broker has acknowledged
  // every reading.
  QElapsedTimer timer;
  timer.start();
  if (!RunLogger({"--decode", capture, "--mqtt", broker.Url(), "--mqtt-topic", "bench/acked"},
                 dir.path())) {
    std::fprintf(stderr, "bench_mqtt: not every reading was acknowledged\n");
    return 1;
  }
  const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;

  // The same with a subscriber taking every one at QoS 1 from the same
  // broker, which then does twice the work on the same two cores.
  MqttSubscriber all(broker.Port(), "bench/all/reading", "bench-all");
  timer.restart();
  if (!RunLogger({"--decode", capture, "--mqtt", broker.Url(), "--mqtt-topic", "bench/all"},
                 dir.path()) ||
      !all.WaitFor(kThroughputReadings, "/reading", 120000)) {
    std::fprintf(stderr, "bench_mqtt: %zu of %zu readings arrived\n",
                 all.Messages("/reading").size(), kThroughputReadings);
    return 1;
  }
  const double delivered = static_cast<double>(timer.nsecsElapsed()) / 1e9;

  MqttSubscriber live(broker.Port(), "bench/live/reading", "bench-live");
  orbek::sim::MeterSimulator meter(orbek::sim::MeterSimulator::Paced(
      orbek::sim::GenerateRecords(kLatencyReadings, 74), orbek::sim::MeterSimulator::Pace::Line));
  if (!RunLogger({"--port", QString::fromStdString(meter.DevicePath()), "--baud", "115200",
                  "--mqtt", broker.Url(), "--mqtt-topic", "bench/live"},
                 dir.path()) ||
      !live.WaitFor(kLatencyReadings, "/reading", 60000)) {
    std::fprintf(stderr, "bench_mqtt: the live transfer did not arrive whole\n");
    return 1;
  }
  std::vector<double> latencies;
  for (const auto& message : live.Messages("/reading"))
    latencies.push_back(
        std::chrono::duration<double, std::milli>(message.arrived - Received(message.payload))
            .count());
  std::sort(latencies.begin(), latencies.end());
  const double p50 = latencies[latencies.size() / 2];
  const double p99 = latencies[latencies.size() * 99 / 100];
  std::printf(
      "mqtt: %zu readings published and acknowledged in %.2f s (%.2f s to a "
      "subscriber as well); live at 115200 baud: latency p50 %.2f ms, p99 %.2f ms, "
      "max %.2f ms\n",
      kThroughputReadings, seconds, delivered, p50, p99, latencies.back());
  std::printf("metric mqtt_readings_per_s %.0f readings/s\n", kThroughputReadings / seconds);
  std::printf("metric mqtt_latency_ms_p99 %.2f ms\n", p99);
  return 0;
}
