#include "app/LineWriter.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace orbek {

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

bool LineWriter::TryPush(const QString& line) {
  {
    std::lock_guard lock(mutex_);
    if (failed_ || lines_.size() >= capacity_) return false;
    lines_.push_back(line.toUtf8() + '\n');
  }
  changed_.notify_all();
  return true;
}

bool LineWriter::Push(const QString& line) {
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return failed_ || lines_.size() < capacity_; });
    if (failed_) return false;
    lines_.push_back(line.toUtf8() + '\n');
  }
  changed_.notify_all();
  return true;
}

void LineWriter::Drain() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return failed_ || (lines_.empty() && !writing_); });
}

void LineWriter::Run() {
  for (;;) {
    QByteArray batch;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return stop_ || !lines_.empty(); });
      if (lines_.empty()) return;  // stopping, all written
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
