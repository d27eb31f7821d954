#include "logger/LineWriter.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace orbek {

namespace {

constexpr auto kGather = std::chrono::milliseconds(2);
constexpr std::size_t kBatchLines = 512;

}  // namespace

LineWriter::LineWriter(int descriptor, std::size_t capacity, std::function<void(QString)> onFailure)
    : descriptor_(descriptor), capacity_(capacity), onFailure_(std::move(onFailure)) {
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

bool LineWriter::TryPush(const QByteArray& line) {
  QByteArray bytes = line + '\n';
  bool wake = false;
  {
    std::lock_guard lock(mutex_);
    if (failed_ || lines_.size() >= capacity_) return false;
    // The writer waits for a first line, then for a batch.
    wake = lines_.empty() || lines_.size() + 1 == kBatchLines;
    lines_.push_back(std::move(bytes));
  }
  if (wake) changed_.notify_all();
  return true;
}

bool LineWriter::Push(const QByteArray& line) {
  QByteArray bytes = line + '\n';
  bool wake = false;
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return failed_ || lines_.size() < capacity_; });
    if (failed_) return false;
    wake = lines_.empty() || lines_.size() + 1 == kBatchLines;
    lines_.push_back(std::move(bytes));
  }
  if (wake) changed_.notify_all();
  return true;
}

void LineWriter::Drain() {
  std::unique_lock lock(mutex_);
  drain_ = true;
  changed_.notify_all();
  changed_.wait(lock, [&] { return failed_ || (lines_.empty() && !writing_); });
  drain_ = false;
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
        failed_ = true;
        lines_.clear();
      }
    }
    changed_.notify_all();
    if (!written) return;
  }
}

bool LineWriter::WriteAll(const QByteArray& bytes) {
  qsizetype done = 0;
  while (done < bytes.size()) {
    const ssize_t written = ::write(descriptor_, bytes.constData() + done,
                                    static_cast<std::size_t>(bytes.size() - done));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      if (onFailure_) onFailure_(QString::fromLocal8Bit(std::strerror(written < 0 ? errno : EIO)));
      return false;
    }
    done += written;
  }
  return true;
}

}  // namespace orbek
