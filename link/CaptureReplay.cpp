#include "link/CaptureReplay.h"

#include "meter/RecordAligner.h"

namespace orbek {

namespace {

constexpr qint64 kPiece = 64 * 1024;

std::span<const std::uint8_t> Bytes(const QByteArray& bytes) {
  return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
          static_cast<std::size_t>(bytes.size())};
}

}  // namespace

ReplayResult ReplayCapture(
    QIODevice& capture, bool all,
    const std::function<void(std::int64_t, const DecodedReading&)>& onReading,
    const std::function<void(const StepLoss&)>& onSkip, const std::function<bool()>& stop) {
  ReplayResult result;
  RecordAligner aligner;
  std::vector<RecordAligner::Event> events;
  auto take = [&] {
    for (const auto& event : events) {
      if (event.kind == RecordAligner::Event::Kind::Record) {
        onReading(result.readings++, DecodeRecord(event.record));
      } else if (event.kind == RecordAligner::Event::Kind::Skipped) {
        result.loss.Note(event, result.readings);
        onSkip(result.loss);
      } else {
        ++result.transfers;
      }
    }
    events.clear();
  };
  for (;;) {
    if (stop && stop()) {
      result.stopped = true;
      break;
    }
    const QByteArray piece = capture.read(kPiece);
    if (piece.isEmpty()) break;
    aligner.Feed(Bytes(piece), events);
    take();
    if (!all && aligner.Ended()) {
      // Counted, not read: what follows is not decoded.
      const qint64 unread = capture.isSequential() ? 0 : capture.size() - capture.pos();
      result.afterEnd = aligner.RestAfterEnd().size() + static_cast<std::size_t>(unread);
      return result;
    }
    while (aligner.Ended() && !aligner.RestAfterEnd().empty()) {
      const std::vector<std::uint8_t> rest = aligner.RestAfterEnd();
      aligner.Reset();
      aligner.Feed(rest, events);
      take();
    }
  }
  if (!aligner.Ended()) {
    result.partialBytes = aligner.Flush(events);
    take();
  }
  return result;
}

}  // namespace orbek
