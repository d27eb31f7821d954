#include "storage/AppendFile.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "storage/NativePath.h"

namespace orbek {

namespace {

constexpr auto kSyncEvery = std::chrono::seconds(1);

}  // namespace

AppendFile::AppendFile(int descriptor, std::int64_t end, std::size_t reserve, Overflow overflow)
    : descriptor_(descriptor),
      reserve_(reserve),
      overflow_(overflow),
      // A capture may go to a pipe or a terminal, which have no offsets.
      seekable_(::lseek(descriptor, 0, SEEK_CUR) >= 0),
      end_(end) {
  syncer_ = std::thread([this] { SyncLoop(); });
}

AppendFile::~AppendFile() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  syncer_.join();
  Sync();
  if (descriptor_ >= 0) ::close(descriptor_);
}

// The one write loop: as much of `data` at the file's end as the file
// takes. A write that takes nothing without an error is a full disk.
bool AppendFile::WriteAtEnd(const char* data, std::size_t size, std::size_t* written) {
  *written = 0;
  while (*written < size) {
    const ssize_t took =
        seekable_ ? ::pwrite(descriptor_, data + *written, size - *written, End())
                  : ::write(descriptor_, data + *written, size - *written);
    if (took < 0 && errno == EINTR) continue;
    if (took <= 0) {
      NoteError(took < 0 ? errno : ENOSPC);
      return false;
    }
    *written += static_cast<std::size_t>(took);
    end_.fetch_add(took, std::memory_order_acq_rel);
  }
  return true;
}

std::size_t AppendFile::Append(const char* data, std::size_t size) {
  const std::lock_guard lock(mutex_);
  ++appended_;
  std::size_t written = 0;
  if ((held_.empty() || WriteHeldLocked()) && WriteAtEnd(data, size, &written)) return 0;
  const std::size_t rest = size - written;
  const std::size_t room = reserve_ - std::min(reserve_, heldBytes_);
  const std::size_t kept =
      overflow_ == Overflow::KeepWhatFits ? std::min(room, rest) : (rest <= room ? rest : 0);
  if (kept > 0) {
    held_.emplace_back(data + written, static_cast<qsizetype>(kept));
    heldBytes_ += kept;
  }
  return rest - kept;
}

bool AppendFile::WriteHeld() {
  const std::lock_guard lock(mutex_);
  return WriteHeldLocked();
}

bool AppendFile::WriteHeldLocked() {
  while (!held_.empty()) {
    QByteArray& first = held_.front();
    std::size_t written = 0;
    const bool whole =
        WriteAtEnd(first.constData(), static_cast<std::size_t>(first.size()), &written);
    heldBytes_ -= written;
    if (!whole) {
      first.remove(0, static_cast<qsizetype>(written));
      return false;
    }
    held_.pop_front();
  }
  return true;
}

bool AppendFile::Sync() {
  std::uint64_t wanted = 0;
  {
    const std::lock_guard lock(mutex_);
    if (!WriteHeldLocked()) return false;
    wanted = appended_;
  }
  // A pipe or a terminal has no disk to reach.
  if (seekable_ && ::fdatasync(descriptor_) != 0) {
    const int error = errno;
    const std::lock_guard lock(mutex_);
    NoteError(error);
    return false;
  }
  const std::lock_guard lock(mutex_);
  synced_ = std::max(synced_, wanted);
  return true;
}

bool AppendFile::Restart(std::int64_t at) {
  const std::lock_guard lock(mutex_);
  if (!held_.empty()) return false;
  if (::ftruncate(descriptor_, at) != 0) {
    NoteError(errno);  // nothing between the call and here sets errno
    return false;
  }
  end_.store(at, std::memory_order_release);
  return true;
}

std::size_t AppendFile::HeldBytes() const {
  const std::lock_guard lock(mutex_);
  return heldBytes_;
}

QByteArray AppendFile::Held() const {
  const std::lock_guard lock(mutex_);
  QByteArray held;
  held.reserve(static_cast<qsizetype>(heldBytes_));
  for (const QByteArray& chunk : held_)
    held += chunk;
  return held;
}

QString AppendFile::Error() const {
  const std::lock_guard lock(mutex_);
  return error_;
}

// Under the mutex.
void AppendFile::NoteError(int error) {
  error_ = ReasonFor(error);
}

// Wakes once a second and syncs what came since the last sync; the
// appending thread never waits for the disk. The wake-up is the clock's,
// never an append's, which would cost a system call a record.
void AppendFile::SyncLoop() {
  std::unique_lock lock(mutex_);
  while (!wake_.wait_for(lock, kSyncEvery, [&] { return stopping_; })) {
    if (appended_ == synced_) continue;
    lock.unlock();
    Sync();
    lock.lock();
  }
}

}  // namespace orbek
