// What a reading costs at the line's own pace: the simulated meter sends
// 5,000 records at 115200 baud to a minimal C reader woken a record (the
// floor), to one that rests 20 ms and reads and writes a batch (the batched
// floor, what a program allowed the same rest can do at least), to
// orbek-log alone, with --output, with --output and --mqtt, and to the
// window in table and in chart view; each child's CPU time (user + system,
// from its rusage) a reading, the median of seven rounds, and its ratio to
// the floors'. The transfer's CPU alone runs from the start byte to the
// stop byte, by the scheduler's count of the child's threads, read by the
// meter as it receives each byte. Then 16 loggers at once, each with its
// own meter, --output and --mqtt to one broker: the readings not saved or
// not delivered, and the CPU ratios (their transfers' alone against the
// batched floor's). Last, orbek-log at 9600 baud, where the port must not
// rest: how often it waited and was woken, against the floor (woken once a
// record: a pseudo-terminal's own locks add waits of their own, the same
// for both), and a record's last byte to its line on standard output.
#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "meter/MeterCommands.h"
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
constexpr int kRounds = 7;

MeterSimulator::Options AtLineRate() {
  return MeterSimulator::Paced(orbek::sim::GenerateMeasurement(kReadings, 7),
                               MeterSimulator::Pace::Line);
}

std::vector<std::string> Environment(const std::string& state) {
  return {"XDG_STATE_HOME=" + state, "QT_QPA_PLATFORM=offscreen"};
}

// A child's CPU from the start byte to the stop byte, by its threads'
// scheduler counts, read as its meter receives each byte.
class TransferWatch {
 public:
  // Options whose meter reports its bytes here; the watch outlives it.
  MeterSimulator::Options Meter() {
    MeterSimulator::Options options = AtLineRate();
    options.onByte = [this](std::uint8_t byte) { Received(byte); };
    return options;
  }
  void Watch(pid_t pid) { pid_ = pid; }
  // -1 unless both bytes came while the child ran. A child that sent its
  // stop byte and ended before the meter read it is counted to its end:
  // `endSeconds` is its whole CPU, once it has been waited for.
  double Seconds(double endSeconds) const {
    if (atStart_ < 0) return -1;
    if (atStop_ >= atStart_) return atStop_ - atStart_;
    return stopSent_ && endSeconds >= atStart_ ? endSeconds - atStart_ : -1;
  }

 private:
  void Received(std::uint8_t byte) {
    // A program as small as the floor may send before posix_spawn has
    // returned; its process id comes a moment later.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (pid_ < 0 && std::chrono::steady_clock::now() < deadline)
      std::this_thread::yield();
    if (byte == orbek::StopCommand) {
      stopSent_ = true;
      if (atStart_ >= 0 && atStop_ < 0) atStop_ = QuietChild::ThreadsCpuSeconds(pid_);
    } else if (atStart_ < 0) {
      atStart_ = QuietChild::ThreadsCpuSeconds(pid_);
    }
  }

  std::atomic<pid_t> pid_{-1};
  std::atomic<double> atStart_{-1}, atStop_{-1};
  std::atomic<bool> stopSent_{false};
};

// What a child reading one meter at line rate cost a reading, in CPU
// microseconds: the whole run's, from its rusage, and the transfer's
// alone. -1 where it failed.
struct Cost {
  double whole = -1;
  double transfer = -1;
};

Cost MicrosPerReading(std::vector<std::string> arguments, const std::string& state) {
  TransferWatch watch;
  MeterSimulator meter(watch.Meter());
  for (auto& argument : arguments)
    if (argument == "%port") argument = meter.DevicePath();
  QuietChild child(arguments, Environment(state));
  watch.Watch(child.Pid());
  Cost cost;
  if (!child.Wait()) return cost;
  cost.whole = child.CpuSeconds() * 1e6 / kReadings;
  if (const double seconds = watch.Seconds(child.CpuSeconds()); seconds >= 0)
    cost.transfer = seconds * 1e6 / kReadings;
  return cost;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

constexpr std::size_t kSlowReadings = 400;  // five seconds at 9600 baud

struct SlowLine {
  long wakeups = -1;                // the child's voluntary switches
  std::vector<double> latenciesMs;  // a record's last byte to its line
};

// orbek-log (or the floor) at 9600 baud, its standard output read as it
// comes.
SlowLine AtSlowLine(std::size_t readings, const std::string& state, bool floor) {
  MeterSimulator meter(MeterSimulator::Paced(orbek::sim::GenerateMeasurement(readings, 9),
                                             MeterSimulator::Pace::Line));
  const std::vector<std::string> command =
      floor ? std::vector<std::string>{LINE_RATE_FLOOR, meter.DevicePath(), "--9600"}
            : std::vector<std::string>{ORBEK_LOG, "--port", meter.DevicePath(), "--baud", "9600",
                                       "--no-archive"};
  QuietChild child(command, Environment(state), QuietChild::Stdout::Kept);
  std::vector<std::chrono::steady_clock::time_point> lines;
  char* line = nullptr;
  std::size_t size = 0;
  while (child.Output() != nullptr && ::getline(&line, &size, child.Output()) > 0)
    if (line[0] >= '0' && line[0] <= '9') lines.push_back(std::chrono::steady_clock::now());
  std::free(line);
  SlowLine result;
  if (!child.Wait()) return result;
  result.wakeups = child.Wakeups();
  const auto sent = meter.SentTimes();
  for (std::size_t i = 0; i < std::min(sent.size(), lines.size()); ++i)
    result.latenciesMs.push_back(
        std::chrono::duration<double, std::milli>(lines[i] - sent[i]).count());
  return result;
}

double Percentile(std::vector<double> values, std::size_t percent) {
  std::sort(values.begin(), values.end());
  return values.empty() ? -1 : values[values.size() * percent / 100];
}

// At 9600 baud: the wake-ups of the transfer alone (less a transfer of
// none's), and every record's latency.
int SlowLineMetrics(const std::string& state) {
  const SlowLine slow = AtSlowLine(kSlowReadings, state, false);
  const SlowLine none = AtSlowLine(0, state, false);
  const SlowLine floor = AtSlowLine(kSlowReadings, state, true);
  const SlowLine floorNone = AtSlowLine(0, state, true);
  if (slow.wakeups < 0 || none.wakeups < 0 || floor.wakeups < 0 || floorNone.wakeups < 0 ||
      slow.latenciesMs.size() != kSlowReadings) {
    std::fprintf(stderr, "bench_line_rate: the run at 9600 baud failed (%zu lines)\n",
                 slow.latenciesMs.size());
    return 1;
  }

  const long ours = std::max(0L, slow.wakeups - none.wakeups);
  const long floors = std::max(1L, floor.wakeups - floorNone.wakeups);
  std::printf("line at 9600 baud: %ld waits for %zu readings (the floor %ld); latency median "
              "%.2f ms, 90th percentile %.2f ms, most %.2f ms; the floor's 99th percentile %.2f ms\n",
              ours, kSlowReadings, floors, Percentile(slow.latenciesMs, 50),
              Percentile(slow.latenciesMs, 90),
              *std::max_element(slow.latenciesMs.begin(), slow.latenciesMs.end()),
              Percentile(floor.latenciesMs, 99));
  std::printf("metric line_9600_wakeups_per_reading %.2f wakeups\n",
              static_cast<double>(ours) / static_cast<double>(floors));
  std::printf("metric line_9600_latency_ms_p99 %.2f ms\n", Percentile(slow.latenciesMs, 99));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  const std::string state = dir.filePath("state").toStdString();
  // --9600: that alone, while working on slow lines.
  if (argc > 1 && std::string(argv[1]) == "--9600") return SlowLineMetrics(state);
  // --window: the batched floor and the window's two views alone.
  const bool windowOnly = argc > 1 && std::string(argv[1]) == "--window";
  const std::string folder = dir.path().toStdString();
  if (!MqttBroker::Available()) {
    std::fprintf(stderr, "bench_line_rate: no mosquitto broker installed\n");
    return 1;
  }
  MqttBroker broker;
  const std::string url = broker.Url().toStdString();

  // Each reader runs once a round, the rounds one after another, and each
  // figure is the median of its rounds: a virtual machine's wake-ups cost
  // more or less from one moment to the next, the floor's as much as ours.
  enum Reader { kFloor, kBatched, kLogger, kOutput, kMqtt, kWindow, kChart, kReaders };
  const char* const names[kReaders] = {"floor",       "batched floor", "logger", "with --output",
                                       "with --mqtt", "window",        "window, chart"};
  std::vector<double> transfer[kReaders];
  std::vector<double> runs[kReaders];
  for (int round = 0; round < kRounds; ++round) {
    const std::string file = folder + "/round-" + std::to_string(round);
    // The line's cost: the archive, written after the stop byte, is
    // measured by bench_archive (the window's driver archives nothing).
    const std::vector<std::string> logger = {ORBEK_LOG, "--port", "%port", "--baud", "115200",
                                             "--no-archive"};
    auto with = [&logger](std::vector<std::string> more) {
      more.insert(more.begin(), logger.begin(), logger.end());
      return more;
    };
    const std::vector<std::string> commands[kReaders] = {
        {LINE_RATE_FLOOR, "%port"},
        {LINE_RATE_FLOOR, "%port", "--batched"},
        logger,
        with({"--replace", "--output", file + "-one.csv"}),
        with({"--replace", "--output", file + "-two.csv", "--mqtt", url, "--mqtt-topic",
              "line/one"}),
        {ORBEK_WINDOW_DRIVER, "%port", "--baud", "115200", "--close-at-end"},
        {ORBEK_WINDOW_DRIVER, "%port", "--baud", "115200", "--chart", "--close-at-end"}};
    for (int reader = 0; reader < kReaders; ++reader) {
      if (windowOnly && reader != kBatched && reader != kWindow && reader != kChart) continue;
      const Cost cost = MicrosPerReading(commands[reader], state);
      runs[reader].push_back(cost.whole);
      transfer[reader].push_back(cost.transfer);
    }
  }
  double median[kReaders] = {};  // 0 for a reader --window leaves out
  for (int reader = 0; reader < kReaders; ++reader) {
    if (runs[reader].empty()) continue;
    if (*std::min_element(runs[reader].begin(), runs[reader].end()) <= 0 ||
        *std::min_element(transfer[reader].begin(), transfer[reader].end()) < 0) {
      std::fprintf(stderr, "bench_line_rate: a run of the %s failed\n", names[reader]);
      return 1;
    }
    median[reader] = Median(runs[reader]);
    std::printf("line rate, %s:", names[reader]);
    for (const double run : runs[reader])
      std::printf(" %.1f", run);
    std::printf(" us a reading, median %.1f; the transfer alone, median %.1f\n",
                median[reader], Median(transfer[reader]));
  }
  const double floor = median[kFloor];
  double alone[kReaders];
  for (int reader = 0; reader < kReaders; ++reader)
    alone[reader] = transfer[reader].empty() ? 0 : Median(transfer[reader]);
  const double batched = std::max(alone[kBatched], 0.1);
  if (windowOnly) {
    std::printf("metric line_xfer_ratio_window_table %.2f x\n", alone[kWindow] / batched);
    std::printf("metric line_xfer_ratio_window_chart %.2f x\n", alone[kChart] / batched);
    return 0;
  }

  // Sixteen meters side by side, one broker.
  MqttSubscriber subscriber(broker.Port(), "line/many/#", "line-rate-many");
  std::vector<std::unique_ptr<TransferWatch>> watches;
  std::vector<std::unique_ptr<MeterSimulator>> meters;
  std::vector<std::unique_ptr<QuietChild>> children;
  for (int i = 0; i < kMeters; ++i) {
    watches.push_back(std::make_unique<TransferWatch>());
    meters.push_back(std::make_unique<MeterSimulator>(watches.back()->Meter()));
    children.push_back(std::make_unique<QuietChild>(
        std::vector<std::string>{ORBEK_LOG, "--port", meters.back()->DevicePath(), "--baud",
                                 "115200", "--no-archive", "--output",
                                 folder + "/many-" + std::to_string(i) + ".csv", "--mqtt", url,
                                 "--mqtt-topic", "line/many/" + std::to_string(i)},
        Environment(state)));
    watches.back()->Watch(children.back()->Pid());
  }
  double manySeconds = 0, manyTransfers = 0;
  int failed = 0;
  for (int i = 0; i < kMeters; ++i) {
    failed += children[i]->Wait() && watches[i]->Seconds(children[i]->CpuSeconds()) >= 0 ? 0 : 1;
    manySeconds += children[i]->CpuSeconds();
    manyTransfers += std::max(0.0, watches[i]->Seconds(children[i]->CpuSeconds()));
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

  std::printf("line rate, 16 meters: %.2f s of CPU, %.2f s in the transfers, %d runs failed\n",
              manySeconds, manyTransfers, failed);
  std::printf("metric line_cpu_us_per_reading_floor %.1f us\n", floor);
  std::printf("metric line_cpu_ratio_logger %.2f x\n", median[kLogger] / floor);
  std::printf("metric line_cpu_ratio_logger_output %.2f x\n", median[kOutput] / floor);
  std::printf("metric line_cpu_ratio_logger_mqtt %.2f x\n", median[kMqtt] / floor);
  std::printf("metric line_cpu_ratio_window %.2f x\n", median[kWindow] / floor);
  std::printf("metric line_floor_batched_us %.1f us\n", batched);
  std::printf("metric line_xfer_ratio_logger %.2f x\n", alone[kLogger] / batched);
  std::printf("metric line_xfer_ratio_logger_output %.2f x\n", alone[kOutput] / batched);
  std::printf("metric line_xfer_ratio_logger_mqtt %.2f x\n", alone[kMqtt] / batched);
  std::printf("metric line_xfer_ratio_window_table %.2f x\n", alone[kWindow] / batched);
  std::printf("metric line_xfer_ratio_window_chart %.2f x\n", alone[kChart] / batched);
  std::printf("metric line_16_meters_lost %lld readings\n", lost);
  std::printf("metric line_cpu_ratio_16_meters %.2f x\n",
              manySeconds * 1e6 / static_cast<double>(sent) / floor);
  std::printf("metric line_16_meters_ratio_batched %.2f x\n",
              manyTransfers * 1e6 / static_cast<double>(sent) / batched);
  return SlowLineMetrics(state);
}
