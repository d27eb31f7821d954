// Start-up of the window under the offscreen platform: from process start to
// the scan's report box, and to the window drawn once the box is answered.
// The benchmark runs itself as the program, so the time spent loading
// libraries and plugins counts. Then the ratios, each run in turn with its
// baseline: the window drawn against Qt's hello world drawn, and orbek-log's
// start byte on the line against a minimal QCoreApplication's.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <QTemporaryDir>
#include "app/COrbekApp.h"
#include "tests/bench/FirstPaint.h"
#include "tools/sim/MeterSimulator.h"
#include "ui/MessageBox.h"

extern char** environ;

namespace {

// A virtual machine's start-ups vary by a third from one run to the next;
// the median of this many, each program in turn, holds still.
constexpr int kRuns = 21;

using orbek::bench::FirstPaint;
using orbek::bench::NowUs;

// The program itself, reporting when its moments come: the scan's box, and
// the window drawn once the box is answered.
int Child(int argc, char** argv) {
  orbek::COrbekApp app(argc, argv);
  std::unique_ptr<FirstPaint> painted;
  orbek::SetMessageBoxHandler([&painted](const QString&, const QString&, orbek::MessageButtons) {
    std::printf("box %lld\n", NowUs());
    std::fflush(stdout);
    painted = std::make_unique<FirstPaint>(
        [](const QWidget& window) { return qobject_cast<const QDialog*>(&window) != nullptr; },
        [] {
          for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QDialog*>(window); dialog && dialog->isVisible())
              dialog->done(0);
        });
    return orbek::IDOK;
  });
  return app.InitInstance();
}

struct Sample {
  double box = 0, ready = 0;
};

// Spawns `args` with its standard output to `out` (or nowhere); the
// moment it was spawned.
long long Spawn(std::vector<std::string> args, int out, pid_t* child) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (out >= 0) {
    posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  }
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv;
  for (auto& a : args)
    argv.push_back(a.data());
  argv.push_back(nullptr);
  const long long start = NowUs();
  if (posix_spawn(child, argv[0], &actions, nullptr, argv.data(), environ) != 0) *child = -1;
  posix_spawn_file_actions_destroy(&actions);
  return start;
}

// Runs `args` to its end: what it printed, and when it started.
std::string RunPrinting(const std::vector<std::string>& args, long long* start) {
  int pipe[2];
  if (::pipe2(pipe, O_CLOEXEC) != 0) return {};
  pid_t child = -1;
  *start = Spawn(args, pipe[1], &child);
  ::close(pipe[1]);
  std::string out;
  char buffer[256];
  for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;)
    out.append(buffer, static_cast<std::size_t>(n));
  ::close(pipe[0]);
  int status = 0;
  if (child > 0) waitpid(child, &status, 0);
  return out;
}

Sample RunOnce(const std::string& self, const std::string& port) {
  long long start = 0;
  const std::string out = RunPrinting({self, "--child", "--port", port}, &start);
  long long box = 0, ready = 0;
  std::sscanf(out.c_str(), "box %lld\nready %lld", &box, &ready);
  return {(box - start) / 1000.0, (ready - start) / 1000.0};
}

// Qt's hello world: milliseconds to its window drawn.
double MinimalWidgetsMs() {
  long long start = 0;
  const std::string out = RunPrinting({STARTUP_MINIMAL_WIDGETS, "widgets"}, &start);
  long long ready = 0;
  return std::sscanf(out.c_str(), "ready %lld", &ready) == 1 ? (ready - start) / 1000.0 : -1;
}

// Milliseconds from spawning `args` (%port: a meter's device) to the start
// byte reaching the meter.
double ToStartByteMs(std::vector<std::string> args) {
  std::atomic<long long> arrived{0};
  orbek::sim::MeterSimulator::Options options;
  options.onByte = [&arrived](std::uint8_t) {
    long long none = 0;
    arrived.compare_exchange_strong(none, NowUs());
  };
  orbek::sim::MeterSimulator meter(options);
  for (auto& arg : args)
    if (arg == "%port") arg = meter.DevicePath();
  pid_t child = -1;
  const long long start = Spawn(args, -1, &child);
  int status = 0;
  if (child > 0) waitpid(child, &status, 0);
  meter.WaitForReceived(1, std::chrono::seconds(5));
  return arrived > 0 ? (arrived - start) / 1000.0 : -1;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--child") {
    std::vector<char*> rest = {argv[0]};
    for (int i = 2; i < argc; ++i)
      rest.push_back(argv[i]);
    int count = static_cast<int>(rest.size());
    return Child(count, rest.data());
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // The window's journals go to a folder of the benchmark's own.
  QTemporaryDir state;
  setenv("XDG_STATE_HOME", state.path().toLocal8Bit().constData(), 1);
  setenv("XDG_DATA_HOME", state.path().toLocal8Bit().constData(), 1);
  orbek::sim::MeterSimulator meter(orbek::sim::MeterSimulator::Options{});
  std::vector<double> boxes, readies, widgets, logs, cores;
  for (int run = 0; run < kRuns; ++run) {
    const Sample sample = RunOnce(argv[0], meter.DevicePath());
    widgets.push_back(MinimalWidgetsMs());
    logs.push_back(ToStartByteMs({ORBEK_LOG, "--port", "%port"}));
    cores.push_back(ToStartByteMs({STARTUP_MINIMAL_CORE, "core", "%port"}));
    if (sample.box <= 0 || sample.ready <= 0 || widgets.back() <= 0 || logs.back() <= 0 ||
        cores.back() <= 0) {
      std::fprintf(stderr, "bench_startup: a program did not report its start-up\n");
      return 1;
    }
    boxes.push_back(sample.box);
    readies.push_back(sample.ready);
  }
  std::printf(
      "start-up: window %.1f ms, Qt's hello world %.1f ms; orbek-log %.1f ms, "
      "minimal QCoreApplication %.1f ms (medians of %d, run in turn)\n",
      Median(readies), Median(widgets), Median(logs), Median(cores), kRuns);
  std::printf("metric startup_to_scan_box_ms %.1f ms\n", Median(boxes));
  std::printf("metric startup_to_window_ms %.1f ms\n", Median(readies));
  std::printf("metric startup_ratio_window %.2f x\n", Median(readies) / Median(widgets));
  std::printf("metric startup_ratio_log %.2f x\n", Median(logs) / Median(cores));
  return 0;
}
