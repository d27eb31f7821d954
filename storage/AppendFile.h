#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

namespace orbek {

// A file that only grows at its end: the journal of a meter's bytes and the
// MQTT spool. Appending never waits for the disk: each append goes to the
// file at once (the page cache), and a thread of the file's own syncs it
// to the disk once a second when something came. While the file refuses
// bytes (a full disk, a failing device) they wait in memory, in order, up
// to `reserve` bytes, and go in at a later append or Sync; an append past
// the reserve is lost and its size returned, so the caller can say where.
//
// One thread appends; Sync, End and Error may be called from any.
class AppendFile {
 public:
  // What does not fit the reserve: the part that does not fit (bytes, the
  // journal), or the whole append (a line of the spool, which must never
  // be cut).
  enum class Overflow { KeepWhatFits, LoseWhole };

  // Takes over `descriptor`, open for writing, whose appends start at
  // `end`; throws nothing.
  AppendFile(int descriptor, std::int64_t end, std::size_t reserve, Overflow overflow);
  // Writes what waits, syncs, and closes the descriptor.
  ~AppendFile();
  AppendFile(const AppendFile&) = delete;
  AppendFile& operator=(const AppendFile&) = delete;

  // Appends; returns how many of the `size` bytes were lost.
  std::size_t Append(const char* data, std::size_t size);
  std::size_t Append(const QByteArray& bytes) {
    return Append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  }
  // Writes what waits in memory, as far as the file takes it; true when
  // nothing waits any more.
  bool WriteHeld();
  // Writes what waits and waits until everything is on the disk; false,
  // with Error(), when it is not.
  bool Sync();
  // Cuts the file back to `at` when nothing waits in memory (the spool, once
  // the broker has everything); false when it could not.
  bool Restart(std::int64_t at);

  std::int64_t End() const { return end_.load(std::memory_order_acquire); }  // bytes in the file
  std::size_t HeldBytes() const;
  QByteArray Held() const;  // what waits, in order
  QString Error() const;    // the last failure's reason, in words
  int Descriptor() const { return descriptor_; }

 private:
  bool WriteAtEnd(const char* data, std::size_t size, std::size_t* written);
  bool WriteHeldLocked();
  void NoteError(int error);
  void SyncLoop();

  const int descriptor_;
  const std::size_t reserve_;
  const Overflow overflow_;
  const bool seekable_;
  std::atomic<std::int64_t> end_;
  mutable std::mutex mutex_;  // the members below
  std::deque<QByteArray> held_;
  std::size_t heldBytes_ = 0;
  QString error_;
  std::uint64_t appended_ = 0, synced_ = 0;  // generations of appends
  bool stopping_ = false;
  std::condition_variable wake_;
  std::thread syncer_;  // started last
};

}  // namespace orbek
