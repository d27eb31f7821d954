#pragma once

#include <atomic>
#include <chrono>
#include <ctime>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tools/sim/SimRecords.h"

namespace orbek::sim {

// A meter on the master side of a pseudo-terminal pair. The slave side is a
// serial device like any other: open its DevicePath(), send a start byte
// (0xB1..0xB6) and it sends its records and then the end-of-transfer record;
// send 0xB0 and it stops. A start byte during a transfer starts it afresh:
// what was not yet on the line is dropped. Every byte it receives is kept
// for inspection.
class MeterSimulator {
 public:
  enum class Pace {
    Line,   // as fast as the baud rate set on the line carries 12-byte records
    Max,    // as fast as the line takes them
    Fixed,  // Options::recordsPerSecond
  };

  struct Options {
    std::vector<RecordBytes> records;
    Pace pace = Pace::Line;
    double recordsPerSecond = 10.0;
    bool sendEndRecord = true;
    // Close the pseudo-terminal, as if the meter were unplugged, after this
    // many records of a transfer (once).
    std::optional<std::size_t> unplugAfter;
    // With unplugAfter: the next record gets only this many of its bytes
    // onto the line before the unplug; the rest of it is lost.
    std::size_t unplugCutsRecordAt = 0;
    // Also reach the device through this symbolic link, which goes with an
    // unplug and comes back with a replug, as a device's by-id name does.
    std::string linkPath;
    // A line that misbehaves: these bytes go out right after a start byte,
    // before the first record (noise, or the tail of a record cut short).
    std::vector<std::uint8_t> leadingBytes;
    // This byte of a transfer's records (counted from 0 over all of them)
    // is lost on the line.
    std::optional<std::size_t> dropByteAt;
    // A burst of noise on the line: these bytes go out just before record
    // `noiseBeforeRecord` of a transfer.
    std::size_t noiseBeforeRecord = 0;
    std::vector<std::uint8_t> noise;
    // Called on the simulator's thread for every byte received.
    std::function<void(std::uint8_t)> onByte;
  };

  // Options that send `records` at `pace` (`recordsPerSecond` for Fixed).
  static Options Paced(std::vector<RecordBytes> records, Pace pace = Pace::Max,
                       double recordsPerSecond = 10.0);

  explicit MeterSimulator(Options options);
  ~MeterSimulator();
  MeterSimulator(const MeterSimulator&) = delete;
  MeterSimulator& operator=(const MeterSimulator&) = delete;

  const std::string& DevicePath() const { return devicePath_; }

  // Every byte received so far, in order.
  std::vector<std::uint8_t> Received() const;
  // Waits until at least `count` bytes have been received.
  bool WaitForReceived(std::size_t count, std::chrono::milliseconds timeout) const;
  // Records sent in the current or last transfer (the end record not counted).
  std::size_t RecordsSent() const { return recordsSent_; }
  bool Sending() const { return sending_; }

  // When each record of the current or last transfer was all on the line
  // (its last byte written), in the order sent.
  std::vector<std::chrono::steady_clock::time_point> SentTimes() const;

  // The baud rate the reading side has set on the line.
  int LineBaud() const;

  // Writes bytes straight to the line, outside any transfer.
  void WriteRaw(const std::vector<std::uint8_t>& bytes);
  // Closes the pseudo-terminal: the device goes away.
  void Unplug();
  // Plugs the meter in again (unplugging it first if need be): a new
  // pseudo-terminal behind the same link. A transfer under way goes on where
  // it was, without a new start byte, as a meter recording at an interval
  // keeps sending.
  void Replug();
  // The link, or the device itself without one.
  std::string PortPath() const {
    return options_.linkPath.empty() ? devicePath_ : options_.linkPath;
  }

 private:
  void Run();
  void ReadCommands();
  void HandleByte(std::uint8_t byte);
  void QueueDueRecords();
  void QueueRecord(const RecordBytes& record);
  void FlushPending();
  void NoteSentRecords(std::size_t written);
  timespec PollTimeout() const;
  std::chrono::nanoseconds RecordPeriod() const;
  bool PendingEmpty() const;
  void ClosePty(bool letReaderDrain);
  void OpenPty();
  void Link() const;
  void Unlink() const;

  Options options_;
  int master_ = -1;
  int slave_ = -1;  // kept open so the line settings persist between users
  std::string devicePath_;

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<std::uint8_t> received_;
  std::vector<std::uint8_t> pending_;  // queued for the line
  std::atomic<bool> sending_{false};
  std::atomic<std::size_t> recordsSent_{0};
  std::size_t nextRecord_ = 0;
  std::size_t recordBytesSent_ = 0;  // of the current transfer, for dropByteAt
  std::vector<std::size_t> recordEnds_;  // where queued records end in pending_
  std::vector<std::chrono::steady_clock::time_point> sentTimes_;
  std::chrono::steady_clock::time_point nextDue_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> unplugRequested_{false};  // after the queued bytes leave
  std::atomic<bool> unplugNow_{false};
  std::atomic<bool> unplugged_{false};
  bool resumeSending_ = false;  // a transfer was under way at the unplug
  std::thread thread_;
};

}  // namespace orbek::sim
