#include "meter/RecordAligner.h"

#include <algorithm>
#include <array>

#include "meter/RecordDecoder.h"

namespace orbek {

namespace {

constexpr std::size_t N = kMeterRecordSize;
// Steps in a row another offset must show before the stream moves to it.
constexpr std::size_t kStepsToRealign = 3;
constexpr std::size_t kMostHeld = RecordAligner::kMostHeld;
// Records passed on that a new offset may link to: a record framed wrongly
// may pass for a reading now and then, and the last good one lies behind it.
constexpr std::size_t kRecentRecords = kMostHeld;
// The longest pause between two readings of one transfer: the slowest
// interval is 30 minutes; a day turning over within a stored series is fine.
constexpr std::int64_t kMostSecondsBetween = 2 * 24 * 3600;

bool ValidStamp(const MeterRecord& r) {
  return ClockOf(r).real;
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const auto yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

std::int64_t Seconds(const MeterRecord& r) {
  const std::int64_t days = DaysFromCivil(2000 + r.YearOffset(), r.Month(), r.Day());
  return days * 86400 + r.Hour() * 3600 + r.Minute() * 60 + r.Second();
}

}  // namespace

ClockStep StepBetween(const MeterRecord& previous, const MeterRecord& next) {
  if (!ValidStamp(previous) || !ValidStamp(next)) return ClockStep::Broken;
  if (next.YearOffset() != previous.YearOffset() && next.YearOffset() != previous.YearOffset() + 1)
    return ClockStep::Broken;
  const std::int64_t seconds = Seconds(next) - Seconds(previous);
  if (seconds < 0 || seconds > kMostSecondsBetween) return ClockStep::Broken;
  return seconds == 0 ? ClockStep::Same : ClockStep::Advanced;
}

void RecordAligner::Reset() {
  *this = RecordAligner();
}

void RecordAligner::Feed(std::span<const std::uint8_t> bytes, std::vector<Event>& events) {
  if (ended_) {
    rest_.insert(rest_.end(), bytes.begin(), bytes.end());
    return;
  }
  // Taken as if byte by byte, so that how the line's bytes were split into
  // reads never changes a verdict: the same bytes frame the same way live
  // and in a replay of the journal. In step, nothing can change before a
  // record is whole; while holding, a verdict may change with every byte.
  std::size_t at = std::min(skip_, bytes.size());
  skip_ -= at;
  while (at < bytes.size()) {
    if (ended_) {
      rest_.insert(rest_.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.end());
      return;
    }
    const std::size_t want = holding_ || Held() >= N ? 1 : N - Held();
    const std::size_t take = std::min(want, bytes.size() - at);
    held_.insert(held_.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at),
                 bytes.begin() + static_cast<std::ptrdiff_t>(at + take));
    at += take;
    Process(events);
  }
}

std::size_t RecordAligner::Flush(std::vector<Event>& events) {
  if (ended_) return 0;
  Release(events);
  return ended_ ? 0 : Held();
}

std::uint64_t RecordAligner::Gap(std::uint64_t bytes, std::vector<Event>& events) {
  if (ended_) return 0;
  // Bytes still owed to a record an earlier gap cut are that record's.
  const std::uint64_t owed = std::min<std::uint64_t>(skip_, bytes);
  skip_ -= static_cast<std::size_t>(owed);
  bytes -= owed;
  if (bytes == 0) return 0;
  // The records before the gap follow one another as framed; the clock
  // still tells after it.
  const bool checking = checking_;
  if (holding_) Release(events);
  if (ended_) return 0;
  checking_ = checking;
  const std::uint64_t cut = Held() + bytes;
  Consume(Held());
  skip_ = static_cast<std::size_t>((N - cut % N) % N);
  return cut / N + (cut % N != 0 ? 1 : 0);
}

bool RecordAligner::EndHeld() const {
  if (!holding_) return false;
  for (std::size_t at = 0; at + N <= Held(); at += N)
    if (IsEndOfTransfer(FrameAt(at))) return true;
  return false;
}

bool RecordAligner::StrongEvidence() const {
  if (!holding_) return false;
  for (std::size_t residue = 1; residue < N; ++residue) {
    const Candidate c = FirstUnbroken(residue);
    if (!c.broken && c.steps >= 2) return true;
  }
  return false;
}

// The nearest offset of a residue whose frames are not broken (one past
// the held bytes waits for more): a record that lost or gained bytes is
// skipped, and so is a burst of noise, as long as the held records allow.
RecordAligner::Candidate RecordAligner::FirstUnbroken(std::size_t residue) const {
  for (std::size_t offset = residue;; offset += N) {
    const Candidate c = Follow(offset);
    if (!c.broken) return c;
  }
}

void RecordAligner::Process(std::vector<Event>& events) {
  while (!ended_) {
    if (!holding_) {
      if (Held() < N) return;
      const MeterRecord record = FrameAt(0);
      if (IsEndOfTransfer(record) && !EndInDoubt()) return End(record, 0, events);
      if (IsEndOfTransfer(record) || !Accepts(record)) {
        holding_ = true;
        continue;
      }
      Pass(events);
      continue;
    }
    std::size_t offset = 0;
    switch (Judge(offset)) {
      case Verdict::Wait:
        return;
      case Verdict::Release:
        Release(events);
        break;
      case Verdict::Realign:
        Realign(offset, events);
        break;
    }
  }
}

// A record goes on at once when its clock can follow the last one, or when
// it is the first of a transfer and its stamp is valid, or when the stream
// has shown that its clock tells nothing.
// Before any record has followed another, the stream may be out of step and
// a value byte of 0xBB may stand where the year belongs: such an end record
// waits for the evidence, or for the line to fall quiet (Flush).
bool RecordAligner::EndInDoubt() const {
  return checking_ && !verified_;
}

bool RecordAligner::Accepts(const MeterRecord& record) {
  if (!checking_) return true;
  if (recent_.empty()) return ValidStamp(record);
  return StepBetween(recent_.back(), record) != ClockStep::Broken;
}

void RecordAligner::Pass(std::vector<Event>& events) {
  const MeterRecord record = FrameAt(0);
  if (!recent_.empty() && StepBetween(recent_.back(), record) != ClockStep::Broken) {
    checking_ = true;
    verified_ = true;
  }
  events.push_back({Event::Kind::Record, record});
  passedAny_ = true;
  recent_.push_back(record);
  if (recent_.size() > kRecentRecords) recent_.pop_front();
  Consume(N);
}

RecordAligner::Verdict RecordAligner::Judge(std::size_t& offset) const {
  // One candidate a residue: the nearer offset unless it is already broken.
  std::size_t alive = 0, confirmed = 0;
  for (std::size_t residue = 1; residue < N; ++residue) {
    const Candidate c = FirstUnbroken(residue);
    if (c.broken) continue;
    ++alive;
    if (c.steps >= kStepsToRealign && c.advanced) {
      ++confirmed;
      offset = c.offset;
    }
  }
  if (HeldFramesAgree() || alive == 0) return Verdict::Release;
  if (confirmed == 1) return Verdict::Realign;
  if (HeldFrames() >= kMostHeld) return Verdict::Release;
  return Verdict::Wait;
}

// The steps that follow at `offset` into the held bytes, linked to the
// newest record passed on that the first of them can follow.
RecordAligner::Candidate RecordAligner::Follow(std::size_t offset) const {
  Candidate c;
  c.offset = offset;
  if (offset + N > Held()) return c;
  const MeterRecord first = FrameAt(offset);
  std::optional<MeterRecord> previous;
  c.misframed = recent_.size();
  for (std::size_t back = 0; back < recent_.size(); ++back) {
    const MeterRecord& earlier = recent_[recent_.size() - 1 - back];
    if (StepBetween(earlier, first) != ClockStep::Broken) {
      previous = earlier;
      c.misframed = back;
      break;
    }
  }
  for (std::size_t at = offset; at + N <= Held(); at += N) {
    const MeterRecord frame = FrameAt(at);
    if (IsEndOfTransfer(frame) && at != offset) break;  // the transfer may end here
    if (previous) {
      const ClockStep step = StepBetween(*previous, frame);
      if (step == ClockStep::Broken) {
        c.broken = true;
        return c;
      }
      ++c.steps;
      c.advanced = c.advanced || step == ClockStep::Advanced;
    } else if (!ValidStamp(frame)) {
      c.broken = true;
      return c;
    }
    previous = frame;
  }
  return c;
}

// The record that raised the doubt starts a run of records that follow one
// another: the clock jumped, and the stream is in step.
bool RecordAligner::HeldFramesAgree() const {
  if (HeldFrames() < 3) return false;
  for (std::size_t at = 0; at + 2 * N <= 3 * N; at += N)
    if (StepBetween(FrameAt(at), FrameAt(at + N)) == ClockStep::Broken) return false;
  return true;
}

void RecordAligner::Release(std::vector<Event>& events) {
  holding_ = false;
  checking_ = false;
  while (!ended_ && Held() >= N) {
    const MeterRecord record = FrameAt(0);
    if (IsEndOfTransfer(record)) return End(record, 0, events);
    Pass(events);
  }
}

void RecordAligner::End(const MeterRecord& record, std::size_t at, std::vector<Event>& events) {
  events.push_back({Event::Kind::End, record});
  ended_ = true;
  holding_ = false;
  rest_.assign(held_.begin() + static_cast<std::ptrdiff_t>(start_ + at + N), held_.end());
  held_.clear();
  start_ = 0;
}

void RecordAligner::Realign(std::size_t offset, std::vector<Event>& events) {
  const Candidate c = Follow(offset);
  Event skipped;
  skipped.kind = Event::Kind::Skipped;
  skipped.skipped = offset;
  skipped.misframed = c.misframed;
  // Linked to a good record, fewer bytes than a record held one that lost
  // or gained bytes (or were noise, when they are few); more, a burst of
  // noise, with a record cut short at its end if one shows there. Before
  // the transfer's first record only a record cut short is one.
  const bool linked = c.misframed < recent_.size();
  if (linked && offset < N) {
    skipped.lost = (offset + N / 2) / N;
  } else if ((linked || !passedAny_) && HeldCutRecord(offset)) {
    skipped.lost = 1;
  }
  // A few bytes added within a record leave its time intact in the frame
  // that follows them, and that frame is taken; its value may be wrong.
  skipped.doubtful = linked && offset % N < N / 2;
  recent_.resize(recent_.size() - c.misframed);
  Consume(offset);
  holding_ = false;
  checking_ = true;
  verified_ = false;
  events.push_back(skipped);
}

// Whether the `count` bytes skipped before a transfer's first record end
// in a record that lost some of its bytes on the line, rather than noise:
// put back from the record after them (the meter's clock barely moves from
// one record to the next), at least half of its clock bytes its own, they
// make a record whose clock steps to that one's. Noise seldom does.
bool RecordAligner::HeldCutRecord(std::size_t count) const {
  constexpr std::size_t kClockStart = 6;  // the clock's bytes are the record's last six
  const std::size_t kept = count % N;
  if (kept < N / 2) return false;
  const std::size_t missing = N - kept;
  const std::size_t from = count - kept;
  const MeterRecord next = FrameAt(count);
  for (std::size_t gap = 0; gap <= kept; ++gap) {
    const std::size_t borrowed =
        gap + missing <= kClockStart ? 0 : gap + missing - std::max(gap, kClockStart);
    if (2 * borrowed > N - kClockStart) continue;
    MeterRecord::Bytes bytes{};
    for (std::size_t i = 0; i < N; ++i) {
      if (i < gap) {
        bytes[i] = held_[start_ + from + i];
      } else if (i < gap + missing) {
        bytes[i] = next.bytes()[i];
      } else {
        bytes[i] = held_[start_ + from + i - missing];
      }
    }
    if (StepBetween(MeterRecord(bytes), next) != ClockStep::Broken) return true;
  }
  return false;
}

void RecordAligner::Consume(std::size_t count) {
  start_ += count;
  // The bytes passed on are dropped now and then, not at every record.
  if (start_ >= 4096 && start_ * 2 >= held_.size()) {
    held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(start_));
    start_ = 0;
  }
}

MeterRecord RecordAligner::FrameAt(std::size_t offset) const {
  return MeterRecord::FromSpan(std::span<const std::uint8_t, N>(held_.data() + start_ + offset, N));
}

}  // namespace orbek
