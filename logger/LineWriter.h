#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace orbek {

// Writes lines to a file descriptor (standard output) on a thread of its
// own, so that whoever produces them never waits for a reader that is slow
// or paused: up to `capacity` lines wait in a queue. A write that fails (a
// closed pipe, a full disk) stops the writer; `onFailure` is then called
// once, on the writer's thread, with the system's reason. The writer waits
// for room with poll and writes at most a pipe's atomic size at once, so it
// can always be told to give up.
class LineWriter {
 public:
  LineWriter(int descriptor, std::size_t capacity, std::function<void(QString)> onFailure);
  ~LineWriter();
  LineWriter(const LineWriter&) = delete;
  LineWriter& operator=(const LineWriter&) = delete;

  // Queues a line, UTF-8 without its newline. False when the queue is full and
  // the line was skipped, or the writer has failed.
  bool TryPush(QByteArray line);
  // Queues a line, waiting for room; false once the writer has failed or
  // given up.
  bool Push(QByteArray line);
  // While gathering, lines wait until Flush() and go out in one write: a
  // producer that makes several lines at a time (the records of one read)
  // costs a system call a batch, not a line. Ending the gathering flushes.
  void Gather(bool gather);
  void Flush();
  // Waits up to `limit` until every queued line is written; then gives up
  // on what is left. True when everything was written.
  bool Drain(std::chrono::milliseconds limit);
  bool Failed() const { return failed_; }
  // Lines that did not reach the descriptor: skipped for a full queue, left
  // when the writer failed or gave up.
  std::int64_t Unwritten() const { return unwritten_; }
  // Lines taken into the queue so far, and lines written whole: lines go
  // out in the order they were taken, so those taken after the first
  // `Written()` never reached the descriptor whole.
  std::int64_t Accepted() const { return accepted_; }
  std::int64_t Written() const { return written_; }
  // Lines taken and not yet written are at most this many: a full queue
  // and the batch taken from it before.
  std::size_t MostPending() const { return 2 * capacity_ + 1; }

 private:
  bool Enqueue(QByteArray line, bool wait);
  qsizetype WriteNow(const QByteArray& bytes);
  void Run();
  bool WriteAll(const QByteArray& bytes);
  void GiveUp(const QByteArray& unwrittenBytes);

  const int descriptor_;
  const std::size_t capacity_;
  const bool canBlock_;  // a pipe, a socket or a terminal
  std::function<void(QString)> onFailure_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<QByteArray> lines_;
  bool writing_ = false;
  bool gathering_ = false;
  bool drain_ = false;
  bool stop_ = false;
  std::atomic<bool> givenUp_{false};
  std::atomic<bool> failed_{false};
  std::atomic<std::int64_t> unwritten_{0};
  std::atomic<std::int64_t> accepted_{0};
  std::atomic<std::int64_t> written_{0};
  std::thread thread_;
};

}  // namespace orbek
