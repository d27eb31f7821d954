#include "link/MeterSession.h"

#include "link/MeterCommands.h"
#include "link/RecordInput.h"
#include "link/SerialError.h"

// Off unless asked for with QT_LOGGING_RULES="orbek.link.debug=true".
Q_LOGGING_CATEGORY(lcLink, "orbek.link", QtInfoMsg)

namespace orbek {

namespace {

// How the meter's records reach us: one 12-byte record per receive event,
// read as raw bytes.
constexpr std::int16_t kBufferSize = 1024;
constexpr std::int16_t kRecordBytes = static_cast<std::int16_t>(kMeterRecordSize);
constexpr std::int32_t kBinaryInput = 1;

QString Latin1(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

MeterSession::MeterSession(QObject* parent) : QObject(parent) {
  connect(&port_, &CMscomm1::OnComm, this, &MeterSession::OnComm);
}

MeterSession::~MeterSession() = default;

void MeterSession::Open(const QString& port, std::optional<int> baud) {
  port_.SetCommPort(port);
  port_.SetInBufferSize(kBufferSize);
  port_.SetOutBufferSize(kBufferSize);
  port_.SetInputLen(kRecordBytes);
  port_.SetInputMode(kBinaryInput);
  port_.SetRThreshold(kRecordBytes);
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
  records_ = 0;
  Send(StartCommand(intervalIndex), "start");
}

void MeterSession::Stop() {
  Send(StopCommand, "stop");
  Close();
}

void MeterSession::Close() {
  port_.SetPortOpen(false);
  port_.SetOutBufferCount(0);
  qCDebug(lcLink) << "closed" << port_.CommPort();
}

bool MeterSession::SetCapture(const QString& path, QString* error) {
  capture_.close();
  if (path.isEmpty()) return true;
  capture_.setFileName(path);
  if (capture_.open(QIODevice::WriteOnly | QIODevice::Truncate)) return true;
  if (error != nullptr)
    *error = QStringLiteral("cannot write the capture %1: %2").arg(path, capture_.errorString());
  return false;
}

void MeterSession::Send(std::uint8_t command, const char* what) {
  qCDebug(lcLink, "sent 0x%02X (%s)", command, what);
  port_.SetOutput(QByteArray(1, static_cast<char>(command)));
}

void MeterSession::OnComm() {
  switch (port_.CommEvent()) {
    case CMscomm1::kEventReceive:
      return TakeRecord();
    case CMscomm1::kEventDeviceLost:
      qCDebug(lcLink) << "device lost:" << port_.CommPort();
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

void MeterSession::TakeRecord() {
  const QByteArray input = port_.Input();
  const auto record = RecordAt(input);
  if (!record || input.size() != kRecordBytes) {
    // The port hands on whole records only; this would be a short read.
    qCDebug(lcLink).noquote() << "dropped" << input.size() << "bytes:" << input.toHex(' ');
    return;
  }
  Capture(input);
  if (IsEndOfTransfer(*record)) {
    qCDebug(lcLink).noquote() << "end record:" << input.toHex(' ');
    return EndTransfer();
  }
  qCDebug(lcLink).noquote() << "record" << records_ << input.toHex(' ');
  ++records_;
  emit RecordDecoded(*record, DecodeRecord(*record));
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

void MeterSession::Capture(const QByteArray& bytes) {
  if (!capture_.isOpen()) return;
  if (capture_.write(bytes) != bytes.size() || !capture_.flush()) {
    const QString message = QStringLiteral("Cannot write the capture %1: %2")
                                .arg(capture_.fileName(), capture_.errorString());
    capture_.close();
    emit Failed(message);
  }
}

}  // namespace orbek
