#include "tools/sim/MeterSimulator.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <tuple>
#include <vector>

#include "link/PortLockFolders.h"

namespace orbek::sim {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint8_t kStop = 0xB0;
constexpr std::uint8_t kFirstStart = 0xB1;
constexpr std::uint8_t kLastStart = 0xB6;
// Records queued ahead at the maximum pace; the pty takes about 4 KiB.
constexpr std::size_t kMaxPending = 100 * 12;

[[noreturn]] void ThrowErrno(const std::string& what) {
  throw std::runtime_error(what + ": " + std::strerror(errno));
}

int BaudOf(speed_t speed) {
  switch (speed) {
    case B1200:
      return 1200;
    case B2400:
      return 2400;
    case B4800:
      return 4800;
    case B19200:
      return 19200;
    case B38400:
      return 38400;
    case B57600:
      return 57600;
    case B115200:
      return 115200;
    case B230400:
      return 230400;
    default:
      return 9600;
  }
}

// Whether a live program still holds the UUCP-style lock of a device (the
// kind QSerialPort and minicom write: the holder's pid on the first line).
// A pseudo-terminal's number is reused as soon as its master closes, while a
// program that had the old one open may not have noticed yet.
bool LockedByALiveProgram(const std::string& devicePath) {
  std::string name = devicePath.rfind("/dev/", 0) == 0 ? devicePath.substr(5) : devicePath;
  std::replace(name.begin(), name.end(), '/', '_');
  for (const char* folder : kPortLockFolders) {
    std::ifstream lock(std::string(folder) + "/LCK.." + name);
    long pid = 0;
    if (lock >> pid && pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM))
      return true;
  }
  return false;
}

// A new pseudo-terminal whose device no live program holds locked; the
// numbers passed over stay taken until one is found, so none comes back.
std::pair<int, std::string> OpenFreePty() {
  constexpr int kTries = 64;
  std::vector<int> passedOver;
  std::pair<int, std::string> found{-1, {}};
  for (int attempt = 0; attempt < kTries && found.first < 0; ++attempt) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) break;
    // Programs the tests start must not inherit the meter's end of the line:
    // a copy held open there would keep the line up after an unplug.
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    char name[128];
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
        ::ptsname_r(master, name, sizeof name) != 0) {
      const int error = errno;
      ::close(master);
      errno = error;
      break;
    }
    if (LockedByALiveProgram(name))
      passedOver.push_back(master);
    else
      found = {master, name};
  }
  const int error = found.first < 0 && passedOver.size() == kTries ? EBUSY : errno;
  for (const int master : passedOver)
    ::close(master);
  errno = error;
  return found;
}

}  // namespace

MeterSimulator::Options MeterSimulator::Paced(std::vector<RecordBytes> records, Pace pace,
                                              double recordsPerSecond) {
  Options options;
  options.records = std::move(records);
  options.pace = pace;
  options.recordsPerSecond = recordsPerSecond;
  return options;
}

MeterSimulator::MeterSimulator(Options options) : options_(std::move(options)) {
  OpenPty();
  thread_ = std::thread([this] { Run(); });
}

void MeterSimulator::OpenPty() {
  std::tie(master_, devicePath_) = OpenFreePty();
  if (master_ < 0) ThrowErrno("pseudo-terminal set-up");
  slave_ = ::open(devicePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave_ < 0) {
    ::close(master_);
    ThrowErrno("open " + devicePath_);
  }
  // Raw from the start: a slave left in cooked mode would echo our records
  // back to us as if they were commands.
  termios settings{};
  ::tcgetattr(slave_, &settings);
  ::cfmakeraw(&settings);
  ::cfsetspeed(&settings, B9600);
  ::tcsetattr(slave_, TCSANOW, &settings);
  ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  Link();
}

// Points the link at the device, replacing an earlier link but never a file.
void MeterSimulator::Link() const {
  if (options_.linkPath.empty()) return;
  Unlink();
  if (::symlink(devicePath_.c_str(), options_.linkPath.c_str()) != 0)
    ThrowErrno("link " + options_.linkPath);
}

void MeterSimulator::Unlink() const {
  struct stat link {};
  if (!options_.linkPath.empty() && ::lstat(options_.linkPath.c_str(), &link) == 0 &&
      S_ISLNK(link.st_mode))
    ::unlink(options_.linkPath.c_str());
}

void MeterSimulator::Replug() {
  if (!unplugged_) Unplug();
  if (thread_.joinable()) thread_.join();
  OpenPty();
  {
    std::lock_guard lock(mutex_);
    unplugNow_ = false;
    unplugRequested_ = false;
    unplugged_ = false;
    sending_ = resumeSending_;
    nextDue_ = Clock::now();
  }
  thread_ = std::thread([this] { Run(); });
}

MeterSimulator::~MeterSimulator() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  ClosePty(false);
  Unlink();
}

std::vector<std::uint8_t> MeterSimulator::Received() const {
  std::lock_guard lock(mutex_);
  return received_;
}

bool MeterSimulator::WaitForReceived(std::size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return received_.size() >= count; });
}

void MeterSimulator::WriteRaw(const std::vector<std::uint8_t>& bytes) {
  std::lock_guard lock(mutex_);
  pending_.insert(pending_.end(), bytes.begin(), bytes.end());
}

void MeterSimulator::Unplug() {
  unplugNow_ = true;
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, std::chrono::seconds(5), [&] { return unplugged_.load(); });
}

void MeterSimulator::Run() {
  while (!stop_ && !unplugged_) {
    pollfd poller{master_, POLLIN, 0};
    {
      std::lock_guard lock(mutex_);
      if (!pending_.empty()) poller.events |= POLLOUT;
    }
    const timespec timeout = PollTimeout();
    ::ppoll(&poller, 1, &timeout, nullptr);
    ReadCommands();
    QueueDueRecords();
    FlushPending();
    if (unplugNow_ || (unplugRequested_ && PendingEmpty())) ClosePty(true);
  }
}

void MeterSimulator::ReadCommands() {
  std::uint8_t buffer[256];
  for (;;) {
    const ssize_t count = ::read(master_, buffer, sizeof buffer);
    if (count <= 0) return;  // EAGAIN, or EIO while nobody holds the slave
    for (ssize_t i = 0; i < count; ++i)
      HandleByte(buffer[i]);
  }
}

void MeterSimulator::HandleByte(std::uint8_t byte) {
  if (options_.onByte) options_.onByte(byte);
  std::lock_guard lock(mutex_);
  received_.push_back(byte);
  if (byte >= kFirstStart && byte <= kLastStart) {
    nextRecord_ = 0;
    recordsSent_ = 0;
    recordBytesSent_ = 0;
    sentTimes_.clear();
    // A transfer under way starts afresh: what it had not yet put on the
    // line goes. Bytes written raw stay.
    if (sending_) {
      pending_.clear();
      recordEnds_.clear();
    }
    pending_.insert(pending_.end(), options_.leadingBytes.begin(), options_.leadingBytes.end());
    nextDue_ = Clock::now();
    sending_ = true;
  } else if (byte == kStop) {
    sending_ = false;
  }
  changed_.notify_all();
}

void MeterSimulator::QueueDueRecords() {
  std::lock_guard lock(mutex_);
  while (sending_ && pending_.size() < kMaxPending && Clock::now() >= nextDue_) {
    if (options_.unplugAfter && recordsSent_ >= *options_.unplugAfter) {
      options_.unplugAfter.reset();
      if (options_.unplugCutsRecordAt > 0 && nextRecord_ < options_.records.size()) {
        const RecordBytes& cut = options_.records[nextRecord_++];
        pending_.insert(pending_.end(), cut.begin(), cut.begin() + options_.unplugCutsRecordAt);
      }
      unplugRequested_ = true;
      return;
    }
    if (nextRecord_ < options_.records.size()) {
      if (nextRecord_ == options_.noiseBeforeRecord)
        pending_.insert(pending_.end(), options_.noise.begin(), options_.noise.end());
      QueueRecord(options_.records[nextRecord_++]);
      recordEnds_.push_back(pending_.size());
      ++recordsSent_;
      nextDue_ += std::chrono::duration_cast<Clock::duration>(RecordPeriod());
      continue;
    }
    if (options_.sendEndRecord) QueueRecord(EndRecord());
    sending_ = false;
  }
  if (options_.pace == Pace::Max) nextDue_ = Clock::now();
}

void MeterSimulator::QueueRecord(const RecordBytes& record) {
  for (const std::uint8_t byte : record)
    if (recordBytesSent_++ != options_.dropByteAt) pending_.push_back(byte);
}

void MeterSimulator::FlushPending() {
  std::lock_guard lock(mutex_);
  while (!pending_.empty()) {
    const ssize_t written = ::write(master_, pending_.data(), pending_.size());
    if (written <= 0) break;  // the line is full; poll says when it drains
    pending_.erase(pending_.begin(), pending_.begin() + written);
    NoteSentRecords(static_cast<std::size_t>(written));
  }
  changed_.notify_all();
}

// Records whose last byte has just gone out are sent now; the rest of the
// queue moves up by what was written.
void MeterSimulator::NoteSentRecords(std::size_t written) {
  const auto now = Clock::now();
  std::size_t sent = 0;
  for (; sent < recordEnds_.size() && recordEnds_[sent] <= written; ++sent)
    sentTimes_.push_back(now);
  recordEnds_.erase(recordEnds_.begin(), recordEnds_.begin() + static_cast<std::ptrdiff_t>(sent));
  for (std::size_t& end : recordEnds_)
    end -= written;
}

std::vector<Clock::time_point> MeterSimulator::SentTimes() const {
  std::lock_guard lock(mutex_);
  return sentTimes_;
}

// Until the next record is due, to the nanosecond: a meter at 115200 baud
// sends one a millisecond, and a timeout in whole milliseconds would spin
// through the last one.
timespec MeterSimulator::PollTimeout() const {
  using std::chrono::nanoseconds;
  std::lock_guard lock(mutex_);
  nanoseconds wait = std::chrono::milliseconds(20);
  if (unplugNow_ || unplugRequested_ || !pending_.empty()) {
    wait = std::chrono::milliseconds(5);
  } else if (sending_) {
    wait = std::clamp<nanoseconds>(nextDue_ - Clock::now(), nanoseconds(0), wait);
  }
  return {static_cast<time_t>(wait.count() / 1000000000),
          static_cast<long>(wait.count() % 1000000000)};
}

int MeterSimulator::LineBaud() const {
  termios settings{};
  ::tcgetattr(slave_, &settings);
  return BaudOf(::cfgetospeed(&settings));
}

std::chrono::nanoseconds MeterSimulator::RecordPeriod() const {
  using std::chrono::nanoseconds;
  switch (options_.pace) {
    case Pace::Max:
      return nanoseconds(0);
    case Pace::Fixed:
      return nanoseconds(static_cast<long>(1e9 / options_.recordsPerSecond));
    case Pace::Line:
      break;
  }
  // 12 bytes of 10 bits each (start, 8 data, stop) at the rate the reader set.
  return nanoseconds(static_cast<long>(120 * 1e9 / LineBaud()));
}

bool MeterSimulator::PendingEmpty() const {
  std::lock_guard lock(mutex_);
  return pending_.empty();
}

void MeterSimulator::ClosePty(bool letReaderDrain) {
  if (unplugged_ || master_ < 0) return;
  // Let the reader take what is already on the line, so the records sent
  // before the unplug are the ones it gets. Bytes written to the master
  // reach the slave's queue a moment later, so the queue must stay empty
  // over several looks before it counts as read.
  int emptyLooks = 0;
  for (int i = 0; letReaderDrain && i < 400 && emptyLooks < 4; ++i) {
    ::usleep(5000);
    int waiting = 0;
    if (::ioctl(slave_, FIONREAD, &waiting) != 0) break;
    emptyLooks = waiting == 0 ? emptyLooks + 1 : 0;
  }
  Unlink();
  ::close(slave_);
  ::close(master_);
  std::lock_guard lock(mutex_);
  resumeSending_ = sending_;
  sending_ = false;
  pending_.clear();
  recordEnds_.clear();
  unplugged_ = true;
  changed_.notify_all();
}

}  // namespace orbek::sim
