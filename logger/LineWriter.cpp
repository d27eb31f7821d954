#include "logger/LineWriter.h"

#include "storage/NativePath.h"

#include <limits.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace orbek {

namespace {

constexpr auto kGather = std::chrono::milliseconds(2);
constexpr std::size_t kBatchLines = 512;
// How often a writer waiting for room looks whether it should give up.
constexpr int kPollMs = 50;

// A pipe, a socket or a terminal can make a write wait for ever; a file or
// /dev/null cannot.
bool CanBlock(int descriptor) {
  struct stat info {};
  if (::fstat(descriptor, &info) != 0) return true;
  return S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode) || ::isatty(descriptor) == 1;
}

std::int64_t LinesIn(const QByteArray& bytes) {
  return std::count(bytes.begin(), bytes.end(), '\n');
}

}  // namespace

LineWriter::LineWriter(int descriptor, std::size_t capacity, std::function<void(QString)> onFailure)
    : descriptor_(descriptor),
      capacity_(capacity),
      canBlock_(CanBlock(descriptor)),
      onFailure_(std::move(onFailure)) {
  thread_ = std::thread([this] { Run(); });
}

LineWriter::~LineWriter() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

bool LineWriter::TryPush(QByteArray line) {
  return Enqueue(std::move(line), false);
}

bool LineWriter::Push(QByteArray line) {
  return Enqueue(std::move(line), true);
}

// The line break goes in place: a line made for this has room kept for it.
// With nothing queued and room on the descriptor, the line is written here
// and then: a meter's reading a time costs one write, not a hand-over to
// the writer's thread.
bool LineWriter::Enqueue(QByteArray line, bool wait) {
  QByteArray bytes = std::move(line);
  bytes += '\n';
  bool wake = false;
  {
    std::unique_lock lock(mutex_);
    if (wait) changed_.wait(lock, [&] { return failed_ || givenUp_ || lines_.size() < capacity_; });
    if (failed_ || givenUp_ || lines_.size() >= capacity_) {
      ++unwritten_;
      return false;
    }
    ++accepted_;
    if (lines_.empty() && !writing_ && !gathering_) {
      const qsizetype written = WriteNow(bytes);
      if (written == bytes.size()) {
        ++written_;
        return true;
      }
      bytes.remove(0, written);  // the writer goes on from there, and says why it stopped
    }
    // The writer waits for a first line, then for a batch; gathered lines
    // wait for Flush().
    wake = gathering_ ? lines_.size() + 1 == std::min(kBatchLines, capacity_)
                      : lines_.empty() || lines_.size() + 1 == kBatchLines;
    lines_.push_back(std::move(bytes));
  }
  if (wake) changed_.notify_all();
  return true;
}

void LineWriter::Gather(bool gather) {
  {
    std::lock_guard lock(mutex_);
    gathering_ = gather;
  }
  if (!gather) Flush();
}

// The lines gathered since the last flush in one write, where the writer
// has nothing of its own under way; otherwise they are the writer's.
void LineWriter::Flush() {
  {
    std::lock_guard lock(mutex_);
    if (lines_.empty()) return;
    if (!writing_ && !failed_ && !givenUp_) {
      QByteArray all;
      for (const QByteArray& line : lines_)
        all += line;
      qsizetype done = WriteNow(all);
      while (done > 0) {
        QByteArray& first = lines_.front();
        if (first.size() > done) {
          first.remove(0, done);  // the writer goes on from there
          break;
        }
        done -= first.size();
        written_ += LinesIn(first);
        lines_.pop_front();
      }
      if (lines_.empty()) return;
    }
  }
  changed_.notify_all();
}

// Under the mutex, with nothing under way: writes what cannot make the
// caller wait (a pipe's atomic size where a reader may be slow). Returns
// the bytes written; the rest is the writer's.
qsizetype LineWriter::WriteNow(const QByteArray& bytes) {
  if (canBlock_) {
    if (bytes.size() > PIPE_BUF) return 0;
    pollfd room{descriptor_, POLLOUT, 0};
    if (::poll(&room, 1, 0) != 1 || (room.revents & POLLOUT) == 0) return 0;
  }
  ssize_t written = -1;
  do {
    written = ::write(descriptor_, bytes.constData(), static_cast<std::size_t>(bytes.size()));
  } while (written < 0 && errno == EINTR);
  return written > 0 ? written : 0;
}

bool LineWriter::Drain(std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  drain_ = true;
  changed_.notify_all();
  const bool done =
      changed_.wait_for(lock, limit, [&] { return failed_ || (lines_.empty() && !writing_); });
  drain_ = false;
  if (done) return !failed_;
  // The reader has not taken them in time: the writer stops at its next
  // look, and every line not written is counted.
  givenUp_ = true;
  for (const QByteArray& line : lines_)
    unwritten_ += LinesIn(line);
  lines_.clear();
  changed_.notify_all();
  return false;
}

void LineWriter::Run() {
  for (;;) {
    QByteArray batch;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return stop_ || !lines_.empty(); });
      if (lines_.empty()) return;  // stopping, all written
      // A moment for more lines to gather, so that a fast producer costs a
      // write a batch rather than a write a line.
      changed_.wait_for(lock, kGather,
                        [&] { return stop_ || drain_ || lines_.size() >= kBatchLines; });
      while (!lines_.empty() && batch.size() < 64 * 1024) {
        batch += lines_.front();
        lines_.pop_front();
      }
      writing_ = true;
    }
    changed_.notify_all();
    const bool written = WriteAll(batch);
    {
      std::lock_guard lock(mutex_);
      writing_ = false;
      if (!written) {
        failed_ = !givenUp_;
        for (const QByteArray& line : lines_)
          unwritten_ += LinesIn(line);
        lines_.clear();
      }
    }
    changed_.notify_all();
    if (!written) return;
  }
}

// Where a write can wait, it waits for room with poll and writes a pipe's
// atomic size at a time, so that a reader that never reads cannot hold the
// writer for ever.
bool LineWriter::WriteAll(const QByteArray& bytes) {
  qsizetype done = 0;
  while (done < bytes.size()) {
    if (givenUp_) {
      GiveUp(bytes.mid(done));
      return false;
    }
    auto chunk = static_cast<std::size_t>(bytes.size() - done);
    if (canBlock_) {
      pollfd room{descriptor_, POLLOUT, 0};
      const int ready = ::poll(&room, 1, kPollMs);
      if (ready == 0 || (ready < 0 && errno == EINTR)) continue;
      chunk = std::min<std::size_t>(PIPE_BUF, chunk);
    }
    const ssize_t written = ::write(descriptor_, bytes.constData() + done, chunk);
    if (written < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (written <= 0) {
      const int error = written < 0 ? errno : EIO;
      unwritten_ += LinesIn(bytes.mid(done));
      if (onFailure_) onFailure_(ReasonFor(error));
      return false;
    }
    written_ += LinesIn(QByteArray::fromRawData(bytes.constData() + done, written));
    done += written;
  }
  return true;
}

void LineWriter::GiveUp(const QByteArray& unwrittenBytes) {
  // A line cut in the middle did not reach its reader whole.
  unwritten_ += LinesIn(unwrittenBytes);
}

}  // namespace orbek
