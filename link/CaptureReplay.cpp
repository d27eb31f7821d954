#include "link/CaptureReplay.h"

#include "meter/Transfer.h"

namespace orbek {

namespace {

constexpr qint64 kPiece = 64 * 1024;

// Bytes not yet read from the capture, where that can be told.
std::size_t Unread(const QIODevice& capture) {
  return capture.isSequential() ? 0 : static_cast<std::size_t>(capture.size() - capture.pos());
}

}  // namespace

ReplayResult ReplayCapture(QIODevice& capture, bool all, ReadingSink& sink,
                           const std::function<bool()>& stop, const QByteArray& tail) {
  ReplayResult result;
  ReadingPipeline pipeline(sink);
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
    pipeline.Feed(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes), static_cast<std::size_t>(got)),
        kUnknownTime);
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
  if (!pipeline.Ended()) {
    result.partialBytes = pipeline.Flush();
    if (pipeline.Ended()) ++result.transfers;
  }
  result.readings = pipeline.Count();
  result.loss = pipeline.Loss();
  return result;
}

}  // namespace orbek
