#include "link/MeterSession.h"

#include <QElapsedTimer>

#include "link/SerialError.h"
#include "meter/MeterCommands.h"
#include "storage/Journal.h"
#include "storage/NativePath.h"

// Off unless asked for with QT_LOGGING_RULES="orbek.link.debug=true".
Q_LOGGING_CATEGORY(lcLink, "orbek.link", QtInfoMsg)

namespace orbek {

namespace {

// How the meter's records reach us: one 12-byte record per receive event,
// read as raw bytes.
constexpr std::int16_t kBufferSize = 1024;
constexpr std::int16_t kRecordBytes = static_cast<std::int16_t>(kMeterRecordSize);
constexpr std::int32_t kBinaryInput = 1;
// While records stream in, the port is read every 20 ms: about 20 records
// at 115200 baud in one wake-up instead of 20 wake-ups, a delay no one sees
// (the window shows 10 frames a second), and a small part of what the
// driver's buffer holds (4 KiB, 350 ms at 115200 baud).
constexpr int kReceivePacingMs = 20;

// The meter finishes the record it is sending when the stop byte reaches
// it, and a USB adapter holds what it received for up to its latency timer
// (16 ms on FTDI's): those records were sent and belong to the transfer.
// After the stop byte has left, the port is read until the line has been
// quiet this long, and no longer than the limit (a meter that ignores the
// stop byte).
constexpr int kInFlightQuietMs = 50;
constexpr int kInFlightLimitMs = 1000;

// How long the line must stay quiet before an end record the aligner holds
// in doubt is taken for the end: the meter sends nothing after its end
// record, and its next reading comes within an interval.
int QuietMs(int intervalIndex) {
  const bool known =
      intervalIndex >= 0 && intervalIndex < static_cast<int>(kIntervalChoices.size());
  const int seconds = known ? kIntervalChoices[static_cast<std::size_t>(intervalIndex)].seconds : 0;
  return 1000 + 2000 * seconds;
}

QString Latin1(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

MeterSession::MeterSession(QObject* parent) : QObject(parent) {
  connect(&port_, &CMscomm1::OnComm, this, &MeterSession::OnComm);
  quiet_.setSingleShot(true);
  connect(&quiet_, &QTimer::timeout, this, &MeterSession::OnQuiet);
  NewTransfer(0);
}

MeterSession::~MeterSession() = default;

void MeterSession::Open(const QString& port, std::optional<int> baud) {
  NewTransfer(0);
  SetUpAndOpen(port, baud);
}

// The pipeline goes on as it was: a record cut by the unplug is skipped the
// way a line that lost bytes is, and the journal replays the same way.
void MeterSession::Reopen(const QString& port) {
  SetUpAndOpen(port, std::nullopt);
}

void MeterSession::SetUpAndOpen(const QString& port, std::optional<int> baud) {
  port_.SetCommPort(port);
  port_.SetInBufferSize(kBufferSize);
  port_.SetOutBufferSize(kBufferSize);
  port_.SetInputLen(kRecordBytes);
  port_.SetInputMode(kBinaryInput);
  port_.SetReceivePacing(kReceivePacingMs);
  FollowRecords();
  if (const auto settings = baud ? SettingsForBaud(*baud) : std::nullopt)
    port_.SetSettings(Latin1(*settings));
  port_.SetPortOpen(true);
  qCDebug(lcLink) << "opened" << port << "with" << port_.Settings();
}

void MeterSession::Start(int intervalIndex) {
  // Bytes that were waiting belong to no transfer of ours: neither the
  // journal nor the pipeline sees them, so that a replay of the journal
  // frames the transfer exactly as it was framed live.
  discarding_ = true;
  droppedBytes_ = 0;
  port_.ReadNow();
  DropWaitingInput();
  if (droppedBytes_ > 0) LetAnEarlierTransferEnd();
  discarding_ = false;
  NewTransfer(intervalIndex);
  // A meter unplugged while it stopped has been told as lost: it is waited
  // for, or the run ends, as after any loss, and is sent nothing.
  if (!IsOpen()) return;
  FollowRecords();
  Send(StartCommand(intervalIndex), "start");
}

// A receive event for every record: once 12 bytes wait while the records
// start where the port's chunks of 12 do, and for every byte once they no
// longer do, so that the last record does not wait for bytes that never
// come.
void MeterSession::FollowRecords() {
  port_.SetRThreshold(pipeline_.Aligner().PartialBytes() == 0 ? kRecordBytes : 1);
}

void MeterSession::NewTransfer(int intervalIndex) {
  pipeline_.Reset();
  quiet_.stop();
  quiet_.setInterval(QuietMs(intervalIndex));
}

void MeterSession::Stop() {
  Send(StopCommand, "stop");
  TakeRecordsInFlight();
  Close();
  if (!port_.DrainProblem().isEmpty())
    emit Failed(
        {LinkProblem::Kind::StopMayNotHaveLeft, port_.CommPort(), port_.DrainProblem(), 0, {}});
}

void MeterSession::Close() {
  TakeResting();
  Flush();
  port_.SetPortOpen(false);
  port_.SetOutBufferCount(0);
  qCDebug(lcLink) << "closed" << port_.CommPort();
}

// What the meter sent before the port closes and still rests in the
// driver belongs to the transfer; an end record among it needs no stop byte.
void MeterSession::TakeResting() {
  closing_ = true;
  port_.ReadNow();
  closing_ = false;
}

// A meter that was sending already (a run that crashed left it so) is told
// to stop, and what it still sends is dropped until the line is quiet:
// otherwise the end record of its transfer could come just after our start
// byte and end our transfer before it began.
void MeterSession::LetAnEarlierTransferEnd() {
  Send(StopCommand, "stop before the start");
  port_.DrainOutput();
  QElapsedTimer waited;
  waited.start();
  while (port_.WaitForInput(kInFlightQuietMs) && waited.elapsed() < kInFlightLimitMs)
    DropWaitingInput();
}

// What the port read and raised no receive event for (less than a record).
void MeterSession::DropWaitingInput() {
  const QByteArray dropped = port_.Input();
  if (dropped.isEmpty()) return;
  droppedBytes_ += dropped.size();
  qCDebug(lcLink).noquote() << "dropped" << dropped.size()
                            << "bytes waiting before the start:" << dropped.toHex(' ');
}

void MeterSession::TakeRecordsInFlight() {
  port_.DrainOutput();
  QElapsedTimer waited;
  waited.start();
  closing_ = true;
  while (port_.WaitForInput(kInFlightQuietMs) && waited.elapsed() < kInFlightLimitMs) {
  }
  closing_ = false;
}

// An end record among what was held needs no stop byte now.
void MeterSession::Flush() {
  quiet_.stop();
  closing_ = true;
  pipeline_.Flush();
  closing_ = false;
  emit RecordsTaken();
}

QString MeterSession::Hex(const MeterRecord& record) {
  return QByteArray(reinterpret_cast<const char*>(record.bytes().data()),
                    static_cast<qsizetype>(kMeterRecordSize))
      .toHex(' ');
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
      if (!outlivesDevice_) Flush();
      emit DeviceLost(port_.CommPort());
      return;
    case CMscomm1::kEventIoError:
      emit Failed({LinkProblem::Kind::PortFailed, port_.CommPort(), port_.ErrorString(), 0, {}});
      return;
    default:
      return;
  }
}

// The port hands on one record's worth of bytes per event (and all that
// wait are taken); the journal keeps them and the pipeline frames them, so
// that a byte lost or added on the line costs one reading.
void MeterSession::TakeBytes() {
  QByteArray input = port_.Input();
  while (port_.PortOpen() && port_.InBufferCount() > 0)
    input += port_.Input();
  if (input.isEmpty()) return;
  if (discarding_) {
    droppedBytes_ += input.size();
    qCDebug(lcLink).noquote() << "dropped" << input.size()
                              << "bytes waiting before the start:" << input.toHex(' ');
    return;
  }
  Capture(input);
  pipeline_.Feed(std::span(reinterpret_cast<const std::uint8_t*>(input.constData()),
                           static_cast<std::size_t>(input.size())));
  WatchForQuiet();
  if (IsOpen()) FollowRecords();
  emit RecordsTaken();
}

void MeterSession::OnReading(const Reading& reading) {
  qCDebug(lcLink).noquote() << "record" << reading.number << Hex(reading.record);
  emit ReadingArrived(reading);
}

void MeterSession::OnOutOfStep(const Reading& corrected) {
  emit ReadingCorrected(corrected);
}

void MeterSession::OnStepRegained(const StepLoss& loss) {
  qCDebug(lcLink) << "out of step: skipped bytes before reading" << pipeline_.Count();
  emit StepRegained(loss, loss.times == 1);
}

void MeterSession::OnEnd(const MeterRecord& end) {
  if (closing_) return;
  qCDebug(lcLink).noquote() << "end record:" << Hex(end);
  EndTransfer();
}

// An end record held in doubt is taken for the end once the line falls
// quiet, unless another framing already shows steps in a row.
void MeterSession::WatchForQuiet() {
  if (pipeline_.Aligner().EndHeld() && !pipeline_.Aligner().StrongEvidence()) {
    quiet_.start();
  } else {
    quiet_.stop();
  }
}

void MeterSession::OnQuiet() {
  if (!IsOpen()) return;
  qCDebug(lcLink) << "the line fell quiet with an end record held";
  quiet_.stop();
  pipeline_.Flush();
  emit RecordsTaken();
}

// After its end record the meter sends nothing more.
void MeterSession::EndTransfer() {
  try {
    Send(StopCommand, "stop");
    Close();
  } catch (const SerialError& error) {
    // The meter ends its transfer by itself; the port must close all the same.
    emit Failed({LinkProblem::Kind::StopNotSent, port_.CommPort(),
                 QString::fromUtf8(error.what()), 0, {}});
    if (IsOpen()) Close();
  }
  emit TransferEnded();
}

void MeterSession::SetJournal(Journal* journal) {
  journal_ = journal;
  journalState_ = Journal::State::Written;
}

// A journal that cannot take the bytes keeps them in memory until it can;
// each change of its state is said once, naming the readings it concerns.
void MeterSession::Capture(const QByteArray& bytes) {
  if (kept_ != nullptr) kept_->append(bytes);
  if (journal_ == nullptr) return;
  const Journal::State state = journal_->Append(bytes);
  if (state == journalState_) return;
  journalState_ = state;
  const QString path = DisplayPath(journal_->Path());
  switch (state) {
    case Journal::State::Written:
      emit JournalCaughtUp(path);
      return;
    case Journal::State::Holding:
      emit Failed({LinkProblem::Kind::JournalHolding, path, journal_->Error(), pipeline_.Count(),
                   Journal::MostHeldText()});
      return;
    case Journal::State::Dropping:
      emit Failed({LinkProblem::Kind::JournalDropping, path, journal_->Error(), pipeline_.Count(),
                   Journal::MostHeldText()});
      return;
  }
}

}  // namespace orbek
