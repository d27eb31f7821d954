#include "link/CaptureReplay.h"

#include "meter/Transfer.h"

namespace orbek {

namespace {

constexpr qint64 kPiece = 64 * 1024;

// Bytes not yet read from the capture, where that can be told.
std::size_t Unread(const QIODevice& capture) {
  return capture.isSequential() ? 0 : static_cast<std::size_t>(capture.size() - capture.pos());
}

// Feeds bytes that stand at `position` of the capture, stopping at each
// gap there to tell the pipeline what is missing.
class GapFeeder {
 public:
  GapFeeder(ReadingPipeline& pipeline, const std::vector<Journal::Gap>& gaps,
            ReplayResult& result)
      : pipeline_(pipeline), gaps_(gaps), result_(result) {}

  void Feed(const char* bytes, std::size_t size) {
    while (size > 0 || AtGap()) {
      if (AtGap()) {
        const std::int64_t first = pipeline_.Count();
        const auto lost = static_cast<std::int64_t>(pipeline_.Gap(gaps_[next_++].bytes));
        if (lost > 0) result_.missing.push_back({first, lost});
        continue;
      }
      std::size_t take = size;
      if (next_ < gaps_.size())
        take = static_cast<std::size_t>(std::min<std::uint64_t>(take, gaps_[next_].at - position_));
      pipeline_.Feed(std::span(reinterpret_cast<const std::uint8_t*>(bytes), take), kUnknownTime);
      bytes += take;
      size -= take;
      position_ += take;
    }
  }

 private:
  bool AtGap() const { return next_ < gaps_.size() && gaps_[next_].at == position_; }

  ReadingPipeline& pipeline_;
  const std::vector<Journal::Gap>& gaps_;
  ReplayResult& result_;
  std::size_t next_ = 0;
  std::uint64_t position_ = 0;
};

}  // namespace

ReplayResult ReplayCapture(QIODevice& capture, bool all, ReadingSink& sink,
                           const std::function<bool()>& stop, const QByteArray& tail,
                           const std::vector<Journal::Gap>& gaps) {
  ReplayResult result;
  ReadingPipeline pipeline(sink);
  GapFeeder feeder(pipeline, gaps, result);
  QByteArray piece(kPiece, '\0');
  bool tailFed = tail.isEmpty();
  for (;;) {
    if (stop && stop()) {
      result.stopped = true;
      break;
    }
    qint64 got = capture.read(piece.data(), kPiece);
    if (got < 0) {
      result.readError = capture.errorString();
      break;
    }
    const char* bytes = piece.constData();
    if (got == 0 && !tailFed) {
      bytes = tail.constData();
      got = tail.size();
      tailFed = true;
    }
    if (got == 0) break;
    // A capture keeps the bytes, not when they came.
    feeder.Feed(bytes, static_cast<std::size_t>(got));
    while (pipeline.Ended()) {
      ++result.transfers;
      if (!all) {
        // Counted, not read: what follows is not decoded.
        result.afterEnd = pipeline.Aligner().RestAfterEnd().size() + Unread(capture);
        result.readings = pipeline.Count();
        result.loss = pipeline.Loss();
        return result;
      }
      pipeline.NextTransfer();
    }
  }
  if (!pipeline.Ended() && !result.stopped && result.readError.isEmpty())
    feeder.Feed(nullptr, 0);  // a gap after the last byte kept
  if (!pipeline.Ended()) {
    result.partialBytes = pipeline.Flush();
    if (pipeline.Ended()) ++result.transfers;
  }
  result.readings = pipeline.Count();
  result.loss = pipeline.Loss();
  return result;
}

}  // namespace orbek
