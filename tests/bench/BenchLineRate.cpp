// What a reading costs at the line's own pace: the simulated meter sends
// 5,000 records at 115200 baud to a minimal C reader (the floor), to
// orbek-log alone, with --output, with --output and --mqtt, and to the
// window; each child's CPU time (user + system, from its rusage) a reading,
// and its ratio to the floor measured in the same run. Then 16 loggers at
// once, each with its own meter, --output and --mqtt to one broker: the
// readings not saved or not delivered, and the CPU ratio.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

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
#include "tools/sim/MeterSimulator.h"

extern char** environ;

namespace {

using orbek::sim::MeterSimulator;
using orbek::test::MqttBroker;
using orbek::test::MqttSubscriber;

constexpr std::size_t kReadings = 5000;
constexpr int kMeters = 16;

struct Child {
  pid_t pid = -1;
};

// Starts `program` with standard output and error to /dev/null (or
// `output`), in the state folder `state`.
Child Start(const std::vector<std::string>& arguments, const std::string& state) {
  std::vector<char*> argv;
  for (const auto& argument : arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  std::vector<std::string> variables = {"XDG_STATE_HOME=" + state, "QT_QPA_PLATFORM=offscreen"};
  for (char** variable = environ; *variable != nullptr; ++variable)
    if (std::string(*variable).rfind("XDG_STATE_HOME=", 0) != 0) variables.push_back(*variable);
  std::vector<char*> envp;
  for (auto& variable : variables)
    envp.push_back(variable.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  Child child;
  if (posix_spawn(&child.pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
    child.pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return child;
}

// The child's CPU seconds (user + system), or -1 when it failed.
double Wait(const Child& child) {
  int status = 0;
  rusage usage{};
  if (child.pid < 0 || ::wait4(child.pid, &status, 0, &usage) != child.pid) return -1;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

MeterSimulator::Options AtLineRate() {
  return MeterSimulator::Paced(orbek::sim::GenerateMeasurement(kReadings, 7),
                               MeterSimulator::Pace::Line);
}

// One child reading one meter at line rate: CPU microseconds a reading.
double MicrosPerReading(std::vector<std::string> arguments, const std::string& state) {
  MeterSimulator meter(AtLineRate());
  for (auto& argument : arguments)
    if (argument == "%port") argument = meter.DevicePath();
  const double seconds = Wait(Start(arguments, state));
  return seconds < 0 ? -1 : seconds * 1e6 / kReadings;
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
  std::vector<Child> children;
  for (int i = 0; i < kMeters; ++i) {
    meters.push_back(std::make_unique<MeterSimulator>(AtLineRate()));
    children.push_back(Start({ORBEK_LOG, "--port", meters.back()->DevicePath(), "--baud", "115200",
                              "--output", folder + "/many-" + std::to_string(i) + ".csv", "--mqtt",
                              url, "--mqtt-topic", "line/many/" + std::to_string(i)},
                             state));
  }
  double manySeconds = 0;
  int failed = 0;
  for (const Child& child : children) {
    const double seconds = Wait(child);
    failed += seconds < 0 ? 1 : 0;
    manySeconds += std::max(seconds, 0.0);
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
