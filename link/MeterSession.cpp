#include "link/MeterSession.h"

#include <unistd.h>

#include "link/SerialError.h"
#include "meter/MeterCommands.h"

// Off unless asked for with QT_LOGGING_RULES="orbek.link.debug=true".
Q_LOGGING_CATEGORY(lcLink, "orbek.link", QtInfoMsg)

namespace orbek {

namespace {

// How the meter's records reach us: one 12-byte record per receive event,
// read as raw bytes.
constexpr std::int16_t kBufferSize = 1024;
constexpr std::int16_t kRecordBytes = static_cast<std::int16_t>(kMeterRecordSize);
constexpr std::int32_t kBinaryInput = 1;

// How long the line must stay quiet before an end record the aligner holds
// in doubt is taken for the end: the meter sends nothing after its end
// record, and its next reading comes within an interval.
// A capture reaches the disk at least this often, so a crash or a power
// cut loses at most this much of it.
constexpr int kCaptureSyncMs = 1000;

int QuietMs(int intervalIndex) {
  const bool known =
      intervalIndex >= 0 && intervalIndex < static_cast<int>(kIntervalChoices.size());
  const int seconds = known ? kIntervalChoices[static_cast<std::size_t>(intervalIndex)].seconds : 0;
  return 1000 + 2000 * seconds;
}

QString Latin1(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// "3, 5-7, 12" for rows 3, 5, 6, 7 and 12.
QString RowList(const std::set<std::int64_t>& rows) {
  QStringList parts;
  for (auto it = rows.begin(); it != rows.end();) {
    const std::int64_t first = *it;
    std::int64_t last = first;
    while (++it != rows.end() && *it == last + 1)
      ++last;
    parts << (first == last ? QString::number(first)
                            : QStringLiteral("%1-%2").arg(first).arg(last));
  }
  return parts.join(QStringLiteral(", "));
}

}  // namespace

void StepLoss::Note(const RecordAligner::Event& skip, std::int64_t nextRow) {
  ++times;
  skippedBytes += skip.skipped;
  lostReadings += skip.lost;
  if (skip.lost > 0) lostAfterRows.push_back(nextRow > 0 ? nextRow - 1 : -1);
  for (auto row = nextRow - static_cast<std::int64_t>(skip.misframed); row < nextRow; ++row)
    wrongRows.insert(row);
  if (skip.doubtful) wrongRows.insert(nextRow);
}

QString StepLoss::Describe() const {
  QString text = QStringLiteral(
      "The meter's records fell out of step on the line and were brought "
      "back in step");
  text += times == 1 ? QStringLiteral(". ") : QStringLiteral(" (%1 times). ").arg(times);
  if (!wrongRows.empty())
    text += QStringLiteral("%1 %2 may show wrong readings. ")
                .arg(wrongRows.size() == 1 ? QStringLiteral("Row") : QStringLiteral("Rows"),
                     RowList(wrongRows));
  if (lostReadings > 0) {
    std::set<std::int64_t> after(lostAfterRows.begin(), lostAfterRows.end());
    const bool beforeFirst = after.erase(-1) > 0;
    QStringList where;
    if (beforeFirst) where << QStringLiteral("before the first row");
    if (!after.empty()) where << QStringLiteral("after row %1").arg(RowList(after));
    text += QStringLiteral("%1 %2 lost (%3). ")
                .arg(lostReadings)
                .arg(lostReadings == 1 ? QStringLiteral("reading was")
                                       : QStringLiteral("readings were"),
                     where.join(QStringLiteral(", ")));
  }
  text += QStringLiteral("%1 %2 skipped; every other reading is as the meter sent it.")
              .arg(skippedBytes)
              .arg(skippedBytes == 1 ? QStringLiteral("byte was") : QStringLiteral("bytes were"));
  return text;
}

MeterSession::MeterSession(QObject* parent) : QObject(parent) {
  connect(&port_, &CMscomm1::OnComm, this, &MeterSession::OnComm);
  quiet_.setSingleShot(true);
  connect(&quiet_, &QTimer::timeout, this, &MeterSession::OnQuiet);
  captureSync_.setInterval(kCaptureSyncMs);
  connect(&captureSync_, &QTimer::timeout, this, &MeterSession::SyncCapture);
  NewTransfer(0);
}

MeterSession::~MeterSession() {
  SyncCapture();
}

void MeterSession::Open(const QString& port, std::optional<int> baud) {
  NewTransfer(0);
  SetUpAndOpen(port, baud);
}

// The aligner goes on as it was: a record cut by the unplug is skipped the
// way a line that lost bytes is, and a capture replays the same way.
void MeterSession::Reopen(const QString& port) {
  SetUpAndOpen(port, std::nullopt);
}

void MeterSession::SetUpAndOpen(const QString& port, std::optional<int> baud) {
  port_.SetCommPort(port);
  port_.SetInBufferSize(kBufferSize);
  port_.SetOutBufferSize(kBufferSize);
  port_.SetInputLen(kRecordBytes);
  port_.SetInputMode(kBinaryInput);
  FollowRecords();
  if (const auto settings = baud ? SettingsForBaud(*baud) : std::nullopt)
    port_.SetSettings(Latin1(*settings));
  port_.SetPortOpen(true);
  qCDebug(lcLink) << "opened" << port << "with" << port_.Settings();
}

void MeterSession::Start(int intervalIndex) {
  // Bytes that were waiting belong to no transfer of ours.
  const QByteArray dropped = port_.Input();
  if (!dropped.isEmpty())
    qCDebug(lcLink).noquote() << "dropped" << dropped.size()
                              << "bytes waiting before the start:" << dropped.toHex(' ');
  NewTransfer(intervalIndex);
  FollowRecords();
  Send(StartCommand(intervalIndex), "start");
}

// A receive event for every record: once 12 bytes wait while the records
// start where the port's chunks of 12 do, and for every byte once they no
// longer do, so that the last record does not wait for bytes that never
// come.
void MeterSession::FollowRecords() {
  port_.SetRThreshold(aligner_.PartialBytes() == 0 ? kRecordBytes : 1);
}

void MeterSession::NewTransfer(int intervalIndex) {
  aligner_.Reset();
  quiet_.stop();
  quiet_.setInterval(QuietMs(intervalIndex));
  loss_ = {};
  records_ = 0;
}

void MeterSession::Stop() {
  Send(StopCommand, "stop");
  Close();
}

void MeterSession::Close() {
  FlushHeld(false);
  port_.SetPortOpen(false);
  port_.SetOutBufferCount(0);
  qCDebug(lcLink) << "closed" << port_.CommPort();
}

QString MeterSession::Hex(const MeterRecord& record) {
  return QByteArray(reinterpret_cast<const char*>(record.bytes().data()),
                    static_cast<qsizetype>(kMeterRecordSize))
      .toHex(' ');
}

bool MeterSession::SetCapture(const QString& path, QString* error) {
  if (path.isEmpty()) {
    SetCaptureFile(nullptr, {});
    return true;
  }
  auto file = std::make_unique<QFile>(path);
  if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    if (error != nullptr)
      *error = QStringLiteral("cannot write the capture %1: %2").arg(path, file->errorString());
    return false;
  }
  SetCaptureFile(std::move(file), path);
  return true;
}

void MeterSession::SetCaptureFile(std::unique_ptr<QFileDevice> file, const QString& name) {
  SyncCapture();
  captureSync_.stop();
  capture_ = std::move(file);
  captureName_ = name;
  if (capture_) captureSync_.start();
}

void MeterSession::Send(std::uint8_t command, const char* what) {
  qCDebug(lcLink, "sent 0x%02X (%s)", command, what);
  port_.SetOutput(QByteArray(1, static_cast<char>(command)));
}

void MeterSession::OnComm() {
  switch (port_.CommEvent()) {
    case CMscomm1::kEventReceive:
      return TakeBytes();
    case CMscomm1::kEventDeviceLost:
      qCDebug(lcLink) << "device lost:" << port_.CommPort();
      FlushHeld(false);
      emit DeviceLost(port_.CommPort());
      return;
    case CMscomm1::kEventIoError:
      emit Failed(QStringLiteral("Reading from or writing to %1 failed: %2")
                      .arg(port_.CommPort(), port_.ErrorString()));
      return;
    default:
      return;
  }
}

// The port hands on one record's worth of bytes per event (and all that
// wait are taken); the aligner frames them, so that a byte lost or added on
// the line costs one reading.
void MeterSession::TakeBytes() {
  QByteArray input = port_.Input();
  while (port_.PortOpen() && port_.InBufferCount() > 0)
    input += port_.Input();
  if (input.isEmpty()) return;
  Capture(input);
  std::vector<RecordAligner::Event> events;
  aligner_.Feed(std::span(reinterpret_cast<const std::uint8_t*>(input.constData()),
                          static_cast<std::size_t>(input.size())),
                events);
  Deliver(events);
  WatchForQuiet();
  if (IsOpen()) FollowRecords();
}

void MeterSession::Deliver(const std::vector<RecordAligner::Event>& events) {
  for (const auto& event : events) {
    switch (event.kind) {
      case RecordAligner::Event::Kind::Record:
        Deliver(event.record);
        break;
      case RecordAligner::Event::Kind::Skipped:
        NoteSkip(event);
        break;
      case RecordAligner::Event::Kind::End:
        qCDebug(lcLink).noquote() << "end record:" << Hex(event.record);
        return EndTransfer();
    }
  }
}

void MeterSession::Deliver(const MeterRecord& record) {
  qCDebug(lcLink).noquote() << "record" << records_ << Hex(record);
  ++records_;
  emit RecordDecoded(record, DecodeRecord(record));
}

void MeterSession::NoteSkip(const RecordAligner::Event& skip) {
  qCDebug(lcLink) << "out of step: skipped" << skip.skipped << "bytes after record" << records_ - 1;
  loss_.Note(skip, records_);
  emit StepRegained(loss_, loss_.times == 1);
}

// An end record held in doubt is taken for the end once the line falls
// quiet, unless another framing already shows steps in a row.
void MeterSession::WatchForQuiet() {
  if (aligner_.EndHeld() && !aligner_.StrongEvidence()) {
    quiet_.start();
  } else {
    quiet_.stop();
  }
}

void MeterSession::OnQuiet() {
  if (!IsOpen()) return;
  qCDebug(lcLink) << "the line fell quiet with an end record held";
  FlushHeld(true);
}

// Passes on what the aligner holds before the link goes; an end record
// among it needs no stop byte then.
void MeterSession::FlushHeld(bool honourEnd) {
  quiet_.stop();
  std::vector<RecordAligner::Event> events;
  aligner_.Flush(events);
  for (const auto& event : events) {
    if (event.kind == RecordAligner::Event::Kind::Record) Deliver(event.record);
    if (event.kind == RecordAligner::Event::Kind::End && honourEnd) return EndTransfer();
  }
}

void MeterSession::EndTransfer() {
  try {
    Stop();
  } catch (const SerialError& error) {
    // The meter ends its transfer by itself; the port must close all the same.
    emit Failed(QString::fromUtf8(error.what()));
    if (IsOpen()) Close();
  }
  emit TransferEnded();
}

void MeterSession::SyncCapture() {
  if (capture_ && captureDirty_) ::fdatasync(capture_->handle());
  captureDirty_ = false;
}

void MeterSession::Capture(const QByteArray& bytes) {
  if (!capture_) return;
  captureDirty_ = true;
  if (capture_->write(bytes) != bytes.size() || !capture_->flush()) {
    const QString message = QStringLiteral("Cannot write the capture %1: %2")
                                .arg(captureName_, capture_->errorString());
    capture_.reset();
    captureSync_.stop();
    emit Failed(message);
  }
}

}  // namespace orbek
