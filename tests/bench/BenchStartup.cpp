// Start-up of the window under the offscreen platform: from process start to
// the scan's report box, and to the window shown and ready once the box is
// answered. The benchmark runs itself as the program, so the time spent
// loading libraries and plugins counts.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <QTemporaryDir>
#include "app/COrbekApp.h"
#include "tools/sim/MeterSimulator.h"

#include "ui/MessageBox.h"

extern char** environ;

namespace {

long long NowUs() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The program itself, reporting when its moments come.
int Child(int argc, char** argv) {
  orbek::COrbekApp app(argc, argv);
  orbek::SetMessageBoxHandler([](const QString&, const QString&, orbek::MessageButtons) {
    std::printf("box %lld\n", NowUs());
    std::fflush(stdout);
    // Once the box is answered, the window is shown and the event loop runs.
    QTimer::singleShot(0, [] {
      std::printf("ready %lld\n", NowUs());
      std::fflush(stdout);
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

Sample RunOnce(const std::string& self, const std::string& port) {
  int pipe[2];
  if (::pipe(pipe) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipe[0]);
  std::vector<std::string> args = {self, "--child", "--port", port};
  std::vector<char*> argv;
  for (auto& a : args)
    argv.push_back(a.data());
  argv.push_back(nullptr);
  const long long start = NowUs();
  pid_t child = 0;
  posix_spawn(&child, self.c_str(), &actions, nullptr, argv.data(), environ);
  ::close(pipe[1]);
  std::string out;
  char buffer[256];
  for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;)
    out.append(buffer, static_cast<std::size_t>(n));
  ::close(pipe[0]);
  int status = 0;
  waitpid(child, &status, 0);
  posix_spawn_file_actions_destroy(&actions);
  long long box = 0, ready = 0;
  std::sscanf(out.c_str(), "box %lld\nready %lld", &box, &ready);
  return {(box - start) / 1000.0, (ready - start) / 1000.0};
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
  orbek::sim::MeterSimulator meter(orbek::sim::MeterSimulator::Options{});
  std::vector<double> boxes, readies;
  for (int run = 0; run < 7; ++run) {
    const Sample sample = RunOnce(argv[0], meter.DevicePath());
    if (sample.box <= 0 || sample.ready <= 0) {
      std::fprintf(stderr, "bench_startup: the program did not report its start-up\n");
      return 1;
    }
    boxes.push_back(sample.box);
    readies.push_back(sample.ready);
  }
  std::printf("metric startup_to_scan_box_ms %.1f ms\n", Median(boxes));
  std::printf("metric startup_to_window_ms %.1f ms\n", Median(readies));
  return 0;
}
