#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace orbek {

// Writes lines to a file descriptor (standard output) on a thread of its
// own, so that whoever produces them never waits for a reader that is slow
// or paused: up to `capacity` lines wait in a queue. A write that fails (a
// closed pipe, a full disk) stops the writer; `onFailure` is then called
// once, on the writer's thread, with the system's reason.
class LineWriter {
 public:
  LineWriter(int descriptor, std::size_t capacity, std::function<void(QString)> onFailure);
  ~LineWriter();
  LineWriter(const LineWriter&) = delete;
  LineWriter& operator=(const LineWriter&) = delete;

  // Queues a line, UTF-8 without its newline. False when the queue is full and
  // the line was skipped, or the writer has failed.
  bool TryPush(const QByteArray& line);
  // Queues a line, waiting for room; false once the writer has failed.
  bool Push(const QByteArray& line);
  // Waits until every queued line is written or the writer has failed.
  void Drain();
  bool Failed() const { return failed_; }

 private:
  void Run();
  bool WriteAll(const QByteArray& bytes);

  const int descriptor_;
  const std::size_t capacity_;
  std::function<void(QString)> onFailure_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<QByteArray> lines_;
  bool writing_ = false;
  bool drain_ = false;
  bool stop_ = false;
  std::atomic<bool> failed_{false};
  std::thread thread_;
};

}  // namespace orbek
