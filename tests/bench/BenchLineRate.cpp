// What a reading costs at the line's own pace: the simulated meter sends
// 5,000 records at 115200 baud to a minimal C reader (the floor), to
// orbek-log alone, with --output, with --output and --mqtt, and to the
// window; each child's CPU time (user + system, from its rusage) a reading,
// and its ratio to the floor measured in the same run. Then 16 loggers at
// once, each with its own meter, --output and --mqtt to one broker: the
// readings not saved or not delivered, and the CPU ratio.
#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tests/support/MqttBroker.h"
#include "tests/support/QuietChild.h"
#include "tools/sim/MeterSimulator.h"

namespace {

using orbek::sim::MeterSimulator;
using orbek::test::MqttBroker;
using orbek::test::MqttSubscriber;
using orbek::test::QuietChild;

constexpr std::size_t kReadings = 5000;
constexpr int kMeters = 16;

MeterSimulator::Options AtLineRate() {
  return MeterSimulator::Paced(orbek::sim::GenerateMeasurement(kReadings, 7),
                               MeterSimulator::Pace::Line);
}

std::vector<std::string> Environment(const std::string& state) {
  return {"XDG_STATE_HOME=" + state, "QT_QPA_PLATFORM=offscreen"};
}

// One child reading one meter at line rate: CPU microseconds a reading.
double MicrosPerReading(std::vector<std::string> arguments, const std::string& state) {
  MeterSimulator meter(AtLineRate());
  for (auto& argument : arguments)
    if (argument == "%port") argument = meter.DevicePath();
  QuietChild child(arguments, Environment(state));
  return child.Wait() ? child.CpuSeconds() * 1e6 / kReadings : -1;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  const std::string state = dir.filePath("state").toStdString();
  const std::string folder = dir.path().toStdString();
  if (!MqttBroker::Available()) {
    std::fprintf(stderr, "bench_line_rate: no mosquitto broker installed\n");
    return 1;
  }
  MqttBroker broker;
  const std::string url = broker.Url().toStdString();

  const double floor = MicrosPerReading({LINE_RATE_FLOOR, "%port"}, state);
  const double logger = MicrosPerReading({ORBEK_LOG, "--port", "%port", "--baud", "115200"}, state);
  const double output = MicrosPerReading(
      {ORBEK_LOG, "--port", "%port", "--baud", "115200", "--output", folder + "/one.csv"}, state);
  const double mqtt =
      MicrosPerReading({ORBEK_LOG, "--port", "%port", "--baud", "115200", "--output",
                        folder + "/two.csv", "--mqtt", url, "--mqtt-topic", "line/one"},
                       state);
  const double window =
      MicrosPerReading({ORBEK_WINDOW_DRIVER, "%port", "--baud", "115200", "--close-at-end"}, state);
  if (floor <= 0 || logger < 0 || output < 0 || mqtt < 0 || window < 0) {
    std::fprintf(stderr, "bench_line_rate: a run failed (%.1f %.1f %.1f %.1f %.1f)\n", floor,
                 logger, output, mqtt, window);
    return 1;
  }

  // Sixteen meters side by side, one broker.
  MqttSubscriber subscriber(broker.Port(), "line/many/#", "line-rate-many");
  std::vector<std::unique_ptr<MeterSimulator>> meters;
  std::vector<std::unique_ptr<QuietChild>> children;
  for (int i = 0; i < kMeters; ++i) {
    meters.push_back(std::make_unique<MeterSimulator>(AtLineRate()));
    children.push_back(std::make_unique<QuietChild>(
        std::vector<std::string>{ORBEK_LOG, "--port", meters.back()->DevicePath(), "--baud",
                                 "115200", "--output",
                                 folder + "/many-" + std::to_string(i) + ".csv", "--mqtt", url,
                                 "--mqtt-topic", "line/many/" + std::to_string(i)},
        Environment(state)));
  }
  double manySeconds = 0;
  int failed = 0;
  for (const auto& child : children) {
    failed += child->Wait() ? 0 : 1;
    manySeconds += child->CpuSeconds();
  }
  subscriber.WaitFor(kMeters * kReadings, "/reading", 20000);
  std::set<std::pair<std::string, long long>> delivered;
  for (const auto& message : subscriber.Messages("/reading"))
    delivered.insert(
        {message.topic,
         QJsonDocument::fromJson(message.payload).object().value("reading").toInteger(-1)});
  long long saved = 0;
  for (int i = 0; i < kMeters; ++i) {
    QFile file(dir.filePath(QString("many-%1.csv").arg(i)));
    if (file.open(QIODevice::ReadOnly)) saved += file.readAll().count('\n') - 1;
  }
  const long long sent = static_cast<long long>(kMeters * kReadings);
  const long long lost =
      (sent - std::min(saved, sent)) +
      (sent - std::min<long long>(static_cast<long long>(delivered.size()), sent));

  std::printf(
      "line rate: %.1f us a reading for the floor; logger %.1f, with --output %.1f, "
      "with --mqtt %.1f, window %.1f; 16 meters %.2f s of CPU, %d runs failed\n",
      floor, logger, output, mqtt, window, manySeconds, failed);
  std::printf("metric line_cpu_us_per_reading_floor %.1f us\n", floor);
  std::printf("metric line_cpu_ratio_logger %.2f x\n", logger / floor);
  std::printf("metric line_cpu_ratio_logger_output %.2f x\n", output / floor);
  std::printf("metric line_cpu_ratio_logger_mqtt %.2f x\n", mqtt / floor);
  std::printf("metric line_cpu_ratio_window %.2f x\n", window / floor);
  std::printf("metric line_16_meters_lost %lld readings\n", lost);
  std::printf("metric line_cpu_ratio_16_meters %.2f x\n",
              manySeconds * 1e6 / static_cast<double>(sent) / floor);
  return 0;
}
