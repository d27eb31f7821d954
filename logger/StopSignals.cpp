#include "logger/StopSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "logger/Exit.h"
#include "storage/NativePath.h"

namespace orbek {

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
int pipeEnds[2] = {-1, -1};
volatile std::sig_atomic_t signalsSeen = 0;

// The hint is kept in two buffers; the handler reads the one `current`
// names, so it never sees a hint half written.
constexpr std::size_t kHintSize = 4096;
char hints[2][kHintSize];
std::size_t hintLengths[2] = {0, 0};
std::atomic<int> current{0};
int setupError = 0;  // why the pipe could not be made

void OnStopSignal(int) {
  const int saved = errno;
  signalsSeen = signalsSeen + 1;
  if (signalsSeen >= 2) {
    const int which = current.load();
    constexpr char kAtOnce[] = "orbek-log: stopped at once by a second signal\n";
    [[maybe_unused]] auto written = ::write(STDERR_FILENO, kAtOnce, sizeof kAtOnce - 1);
    written = ::write(STDERR_FILENO, hints[which], hintLengths[which]);
    ::_exit(kExitInterrupted);
  }
  const char byte = 1;
  [[maybe_unused]] const auto written = ::write(pipeEnds[1], &byte, 1);
  errno = saved;
}

}  // namespace

void InstallStopSignals() {
  if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) {
    // Without the pipe a stop cannot be noticed by the loop; the signals
    // then end the process as they would by default.
    setupError = errno;
    pipeEnds[0] = pipeEnds[1] = -1;
    return;
  }
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : kStopSignals)
    ::sigaction(signal, &action, nullptr);
  // A closed pipe is reported by the failed write, not by a signal.
  std::signal(SIGPIPE, SIG_IGN);
  // A file-size limit makes a write fail with a reason to report, instead of
  // killing the logger before it can stop the meter or say why.
  std::signal(SIGXFSZ, SIG_IGN);
}

QString StopSignalsProblem() {
  return ReasonFor(setupError);
}

int StopSignalDescriptor() {
  return pipeEnds[0];
}

bool TakeStopRequest() {
  char bytes[16];
  bool taken = false;
  while (pipeEnds[0] >= 0 && ::read(pipeEnds[0], bytes, sizeof bytes) > 0)
    taken = true;
  return taken;
}

void SetRecoveryHint(const QByteArray& line) {
  const int next = 1 - current.load();
  const std::size_t length =
      std::min<std::size_t>(static_cast<std::size_t>(line.size()), kHintSize);
  std::memcpy(hints[next], line.constData(), length);
  hintLengths[next] = length;
  current.store(next);
}

}  // namespace orbek
