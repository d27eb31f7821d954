#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

#include "meter/MeterRecord.h"

namespace orbek {

// Keeps a stream of meter records in step. The record has no framing, so a
// byte lost or added on the line would put every later record out of step;
// nothing in one record tells. Consecutive records of one transfer do tell:
// the meter's clock gives each a valid date and time, the year stays (or
// turns over), and time never runs backwards or jumps by days. A stream in
// step shows that at its own framing; a stream out of step shows it, if at
// all, at another byte offset.
//
// The aligner frames records by counting bytes, exactly as before, and
// passes on every record whose timestamp can follow the one before. When a
// record cannot, it holds the records from there and looks for clear
// evidence: another byte offset at which at least three consecutive steps
// follow one another with the clock moving. Found, it skips the bytes before
// that offset and goes on from there; the held records are framed anew, so
// only the record that lost or gained a byte is lost. Not found (a clock
// that jumped, a clock never set, months of 13), the held records go on
// unchanged: a stream in step is never altered. An end record met while
// another offset still looks likely is held too, since its 0xBB may be a
// value byte of a record out of step.
class RecordAligner {
 public:
  // Records held at the most before the doubt is dropped and they go on as
  // they were framed; as many records passed on may later be found to have
  // been framed wrongly.
  static constexpr std::size_t kMostHeld = 8;

  struct Event {
    enum class Kind {
      Record,  // a record to show
      End,     // the end-of-transfer record; nothing follows
      Skipped  // bytes dropped to regain step
    };
    Kind kind = Kind::Record;
    MeterRecord record;         // Record and End
    std::size_t skipped = 0;    // Skipped: how many bytes
    std::size_t lost = 0;       // Skipped: records those bytes held, as far as can be told
    std::size_t misframed = 0;  // Skipped: the last records passed on, now known to have
                                // been framed wrongly
    bool doubtful = false;      // Skipped: the next record may hold some of the
                                // skipped bytes (a few bytes too many within a record)
  };

  // A new transfer: everything held is dropped.
  void Reset();

  // Takes bytes from the line and appends what they complete to `events`,
  // in order. After an End nothing more is taken until Reset.
  void Feed(std::span<const std::uint8_t> bytes, std::vector<Event>& events);
  // No more bytes are coming: whatever is held goes on as it was framed.
  // Returns the bytes left over that make no whole record.
  std::size_t Flush(std::vector<Event>& events);
  // `bytes` of the stream are known to be missing here (a journal whose
  // disk and memory were both full): what is held goes on as framed, and
  // the bytes that complete the last record the gap cut are dropped as they
  // come, so no record is made of bytes from both sides. Returns the
  // records the gap took or cut.
  std::uint64_t Gap(std::uint64_t bytes, std::vector<Event>& events);

  // Records are held while the stream's step is in doubt.
  bool Holding() const { return holding_; }
  // An end record is among the held ones.
  bool EndHeld() const;
  // Another offset has shown at least two steps in a row: an end record held
  // now is more likely a value byte out of step than the end.
  bool StrongEvidence() const;
  bool Ended() const { return ended_; }
  // The bytes fed after the end record, for a capture that holds more.
  const std::vector<std::uint8_t>& RestAfterEnd() const { return rest_; }
  // Bytes of a record not yet complete: non-zero once the stream's records
  // no longer start where the line's chunks of 12 do.
  std::size_t PartialBytes() const { return Held() % kMeterRecordSize; }

 private:
  struct Candidate {
    std::size_t offset = 0;
    std::size_t steps = 0;  // consecutive steps that follow, the link included
    bool advanced = false;  // the clock moved in one of them
    bool broken = false;
    std::size_t misframed = 0;  // recent records passed on that it does not follow
  };
  enum class Verdict { Wait, Release, Realign };

  void Process(std::vector<Event>& events);
  bool EndInDoubt() const;
  bool Accepts(const MeterRecord& record);
  void Pass(std::vector<Event>& events);
  Verdict Judge(std::size_t& offset) const;
  Candidate Follow(std::size_t offset) const;
  Candidate FirstUnbroken(std::size_t residue) const;
  bool HeldFramesAgree() const;
  void Release(std::vector<Event>& events);
  void Realign(std::size_t offset, std::vector<Event>& events);
  MeterRecord FrameAt(std::size_t offset) const;
  bool HeldCutRecord(std::size_t count) const;
  std::size_t HeldFrames() const { return Held() / kMeterRecordSize; }
  std::size_t Held() const { return held_.size() - start_; }
  void Consume(std::size_t count);

  void End(const MeterRecord& record, std::size_t at, std::vector<Event>& events);

  std::vector<std::uint8_t> held_;  // bytes not yet passed on, from start_
  std::size_t start_ = 0;
  std::size_t skip_ = 0;            // bytes still to drop after a gap
  std::vector<std::uint8_t> rest_;  // after the end record
  std::deque<MeterRecord> recent_;  // the last records passed on, newest last
  bool checking_ = true;            // off for a stream whose clock tells nothing
  bool verified_ = false;           // a record has followed another since the last change
  bool holding_ = false;
  bool ended_ = false;
  bool passedAny_ = false;  // a record of this transfer has gone on
};

// Whether `next` can follow `previous` in one transfer: both carry a valid
// date and time, the year stays or turns over, and the clock moved forward by
// at most two days. Equal stamps follow too.
enum class ClockStep { Broken, Same, Advanced };
ClockStep StepBetween(const MeterRecord& previous, const MeterRecord& next);

}  // namespace orbek
