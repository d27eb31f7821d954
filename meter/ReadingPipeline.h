#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "meter/RecordAligner.h"
#include "meter/RecordDecoder.h"

namespace orbek {

// What losing step cost one transfer, by reading number (since the start).
struct StepLoss {
  int times = 0;  // the stream was brought back in step this often
  std::size_t skippedBytes = 0;
  std::size_t lostReadings = 0;             // records the skipped bytes held, as far as can be told
  std::vector<std::int64_t> lostAfterRows;  // where they were; -1 before the first row
  std::set<std::int64_t> wrongRows;         // rows framed wrongly, or that may hold skipped bytes

  // Counts one skip of the aligner; `nextRow` is the number the next
  // reading will get.
  void Note(const RecordAligner::Event& skip, std::int64_t nextRow);
  // One paragraph for a person: what was affected and what was not.
  std::string Describe() const;
};

// One reading as it leaves the pipeline.
struct Reading {
  std::int64_t number = 0;  // since the transfer's start: the table's row, the CSV's "No."
  MeterRecord record;       // what the meter sent
  DecodedReading decoded;
  std::chrono::system_clock::time_point received;  // when the bytes that completed it came
  bool outOfStep = false;                          // as far as is known when it goes out
  std::size_t lostBefore = 0;  // readings the line lost right before this one
};

// Where the readings of a pipeline go, in order.
class ReadingSink {
 public:
  virtual ~ReadingSink() = default;
  virtual void OnReading(const Reading& reading) = 0;
  // A reading that went out already has been found to be out of step; it
  // comes again, marked.
  virtual void OnOutOfStep(const Reading& corrected) = 0;
  // The stream was brought back in step; `loss` sums up the transfer so far.
  virtual void OnStepRegained(const StepLoss& loss) = 0;
  // The end-of-transfer record: nothing follows until the next transfer.
  virtual void OnEnd(const MeterRecord& end) = 0;
};

// From the meter's bytes to readings: the one path every reading takes,
// live from the port, from a journal after a crash, and from a capture
// given to orbek-log --decode. The bytes are framed and kept in step by a
// RecordAligner, each record that goes on is decoded and numbered, and a
// reading the aligner later finds to have been framed wrongly goes out
// again marked, so that whoever keeps the last word on each reading ends up
// with what a replay of the same bytes gives.
class ReadingPipeline {
 public:
  explicit ReadingPipeline(ReadingSink& sink) : sink_(sink) {}

  // A new transfer: the numbering starts again from 0.
  void Reset();
  // Bytes as they came, at `arrived`.
  void Feed(std::span<const std::uint8_t> bytes,
            std::chrono::system_clock::time_point arrived = std::chrono::system_clock::now());
  // No more bytes are coming for this transfer: whatever is held goes on as
  // it was framed, an end record among it included. Returns the bytes left
  // over that make no whole record.
  std::size_t Flush();
  // `bytes` of the stream are missing here though the meter sent them (see
  // RecordAligner::Gap): the readings they held keep their numbers, which
  // no reading gets, and the next reading counts them as lost before it.
  // Returns how many were lost; they are numbered from Count() before.
  std::uint64_t Gap(std::uint64_t bytes);
  // After an end record, the next transfer of a capture made of several:
  // the numbering goes on, and the bytes after the end record are fed.
  void NextTransfer();

  std::int64_t Count() const { return next_; }
  const StepLoss& Loss() const { return loss_; }
  bool Ended() const { return aligner_.Ended(); }
  const RecordAligner& Aligner() const { return aligner_; }

 private:
  void Dispatch();
  void Deliver(const MeterRecord& record);
  void Regain(const RecordAligner::Event& skip);

  ReadingSink& sink_;
  RecordAligner aligner_;
  std::vector<RecordAligner::Event> events_;
  std::chrono::system_clock::time_point arrived_;
  StepLoss loss_;
  std::int64_t next_ = 0;
  std::size_t lostBeforeNext_ = 0;  // what the last skip cost, for the next reading
  // The last readings delivered, as many as the aligner may find framed
  // wrongly afterwards: their records and arrival times, to send them again.
  struct Recent {
    std::int64_t number;
    MeterRecord record;
    std::chrono::system_clock::time_point received;
    std::size_t lostBefore;
  };
  std::vector<Recent> recent_;
};

}  // namespace orbek
