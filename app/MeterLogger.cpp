#include "app/MeterLogger.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QFile>
#include <csignal>

#include "export/WorkbookError.h"
#include "link/MeterCommands.h"
#include "link/PortDiscovery.h"
#include "link/SerialError.h"

namespace orbek {

namespace {

constexpr int kProgressEvery = 500;
// How often a lost device is looked for.
constexpr int kReconnectCheckMs = 250;

// SIGINT and SIGTERM are turned into a byte on a socket the event loop
// watches, the one thing a signal handler may safely do.
int signalSockets[2] = {-1, -1};

void WriteSignalByte(int) {
  const char byte = 1;
  [[maybe_unused]] const auto written = ::write(signalSockets[0], &byte, 1);
}

}  // namespace

MeterLogger::MeterLogger(Options options, QTextStream& out, QTextStream& err)
    : options_(std::move(options)), out_(out), err_(err) {
  connect(&session_, &MeterSession::RecordDecoded, this,
          [this](const MeterRecord&, const DecodedReading& reading) { OnReading(reading); });
  connect(&session_, &MeterSession::TransferEnded, this, [this] { Finish(kExitComplete); });
  connect(&session_, &MeterSession::DeviceLost, this, &MeterLogger::OnDeviceLost);
  reconnectWatch_.setInterval(kReconnectCheckMs);
  connect(&reconnectWatch_, &QTimer::timeout, this, &MeterLogger::LookForDevice);
  connect(&session_, &MeterSession::Failed, this,
          [this](const QString& message) { err_ << "orbek-log: " << message << Qt::endl; });
  connect(&session_, &MeterSession::StepRegained, this, [this](const StepLoss& loss, bool) {
    for (const std::int64_t row : loss.wrongRows)
      log_.MarkOutOfStep(row);
  });
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalSockets) == 0) {
    signalWatch_ = std::make_unique<QSocketNotifier>(signalSockets[1], QSocketNotifier::Read);
    connect(signalWatch_.get(), &QSocketNotifier::activated, this, &MeterLogger::OnSignal);
    struct sigaction action {};
    action.sa_handler = WriteSignalByte;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
  }
}

MeterLogger::~MeterLogger() {
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  signalWatch_.reset();
  for (int& socket : signalSockets) {
    if (socket >= 0) ::close(socket);
    socket = -1;
  }
}

int MeterLogger::Run() {
  QString captureError;
  if (!session_.SetCapture(options_.capture, &captureError)) {
    err_ << "orbek-log: " << captureError << Qt::endl;
    return kExitUsage;
  }
  try {
    session_.Open(options_.port, options_.baud);
    identity_ = IdentifyDevice(options_.port);
    session_.Start(options_.intervalIndex);
  } catch (const SerialError& error) {
    err_ << "orbek-log: " << error.what() << Qt::endl;
    return kExitPortError;
  }
  const auto interval = kIntervalChoices.at(static_cast<std::size_t>(options_.intervalIndex)).text;
  err_ << "orbek-log: reading from " << options_.port << " at " << options_.baud
       << " baud, interval " << QString::fromLatin1(interval.data(), interval.size())
       << "; Ctrl+C stops" << Qt::endl;
  out_ << ReadingLog::CsvHeader() << Qt::endl;
  loop_.exec();
  err_ << "orbek-log: " << log_.Count() << " readings" << Qt::endl;
  if (session_.Loss().times > 0) err_ << "orbek-log: " << session_.Loss().Describe() << Qt::endl;
  return SaveOutput(exitCode_);
}

void MeterLogger::OnReading(const DecodedReading& reading) {
  out_ << log_.Add(reading) << Qt::endl;
  if (log_.Count() % kProgressEvery == 0)
    err_ << "orbek-log: " << log_.Count() << " readings so far" << Qt::endl;
}

void MeterLogger::OnDeviceLost() {
  err_ << "orbek-log: the connection to " << options_.port << " was lost";
  if (!options_.reconnect) {
    err_ << Qt::endl;
    return Finish(kExitDeviceLost);
  }
  err_ << "; waiting for " << identity_.Describe() << " to come back (Ctrl+C stops)" << Qt::endl;
  reconnectWatch_.start();
}

// Only the same device will do, found by what identifies it; it is opened
// as before and nothing is sent to the meter.
void MeterLogger::LookForDevice() {
  const auto found = FindDevice(identity_);
  if (!found) return;
  try {
    session_.Reopen(*found);
  } catch (const SerialError& error) {
    qCDebug(lcLink) << "not yet:" << error.what();
    return;  // there, but not ready (permissions being set, say); try again
  }
  reconnectWatch_.stop();
  err_ << "orbek-log: " << *found << " is back; logging goes on from reading " << log_.Count()
       << Qt::endl;
}

void MeterLogger::OnSignal() {
  char byte = 0;
  [[maybe_unused]] const auto got = ::read(signalSockets[1], &byte, 1);
  err_ << "orbek-log: stopping" << Qt::endl;
  StopMeter();
  Finish(kExitComplete);
}

void MeterLogger::StopMeter() {
  if (!session_.IsOpen()) return;
  try {
    session_.Stop();
  } catch (const SerialError& error) {
    err_ << "orbek-log: " << error.what() << Qt::endl;
  }
}

void MeterLogger::Finish(int exitCode) {
  reconnectWatch_.stop();
  exitCode_ = exitCode;
  loop_.quit();
}

int MeterLogger::SaveOutput(int exitCode) {
  if (options_.output.isEmpty()) return exitCode;
  try {
    log_.Save(options_.output);
    err_ << "orbek-log: saved " << options_.output << Qt::endl;
    return exitCode;
  } catch (const WorkbookError& error) {
    err_ << "orbek-log: " << error.what() << Qt::endl;
    return kExitSaveFailed;
  }
}

namespace {

// Turns the bytes of a capture into readings the way a session turns the
// line's: one aligner, so a capture replays to the readings it gave live.
class CaptureDecoder {
 public:
  CaptureDecoder(QTextStream& out, ReadingLog& log) : out_(out), log_(log) {}

  void Feed(std::span<const std::uint8_t> bytes) {
    std::vector<RecordAligner::Event> events;
    aligner_.Feed(bytes, events);
    Take(events);
  }
  // Returns the bytes at the end that make no whole record.
  std::size_t Finish() {
    std::vector<RecordAligner::Event> events;
    const std::size_t left = aligner_.Flush(events);
    Take(events);
    return left;
  }
  bool Ended() const { return aligner_.Ended(); }
  const StepLoss& Loss() const { return loss_; }

 private:
  void Take(const std::vector<RecordAligner::Event>& events) {
    for (const auto& event : events) {
      if (event.kind == RecordAligner::Event::Kind::Skipped) {
        loss_.Note(event, log_.Count());
        for (const std::int64_t row : loss_.wrongRows)
          log_.MarkOutOfStep(row);
      } else if (event.kind == RecordAligner::Event::Kind::Record) {
        out_ << log_.Add(DecodeRecord(event.record)) << Qt::endl;
      }
    }
  }

  QTextStream& out_;
  ReadingLog& log_;
  RecordAligner aligner_;
  StepLoss loss_;
};

constexpr qint64 kReadChunk = 64 * 1024;

}  // namespace

int DecodeCapture(const QString& capture, const QString& output, QTextStream& out,
                  QTextStream& err) {
  QFile file(capture);
  if (!file.open(QIODevice::ReadOnly)) {
    err << "orbek-log: cannot read " << capture << ": " << file.errorString() << Qt::endl;
    return kExitPortError;
  }
  ReadingLog log;
  CaptureDecoder decoder(out, log);
  out << ReadingLog::CsvHeader() << Qt::endl;
  qint64 offset = 0;
  while (!decoder.Ended()) {
    const QByteArray chunk = file.read(kReadChunk);
    if (chunk.isEmpty()) break;
    offset += chunk.size();
    decoder.Feed(std::span(reinterpret_cast<const std::uint8_t*>(chunk.constData()),
                           static_cast<std::size_t>(chunk.size())));
  }
  const std::size_t left = decoder.Finish();
  int exitCode = kExitComplete;
  if (left > 0) {
    err << "orbek-log: " << capture << " ends in a partial record: " << left << " bytes at offset "
        << (offset - static_cast<qint64>(left)) << " are not decoded" << Qt::endl;
    exitCode = kExitPartialRecord;
  }
  err << "orbek-log: " << log.Count() << " readings" << Qt::endl;
  if (decoder.Loss().times > 0) err << "orbek-log: " << decoder.Loss().Describe() << Qt::endl;
  if (output.isEmpty()) return exitCode;
  try {
    log.Save(output);
    err << "orbek-log: saved " << output << Qt::endl;
  } catch (const WorkbookError& error) {
    err << "orbek-log: " << error.what() << Qt::endl;
    return kExitSaveFailed;
  }
  return exitCode;
}

int ListPorts(const QStringList& extraPorts, QTextStream& out, QTextStream& err) {
  const ProbeResult result = ProbePorts(SerialPortCandidates(extraPorts));
  for (const auto& port : result.usable) {
    out << port.path;
    if (!port.description.isEmpty()) out << '\t' << port.description;
    out << Qt::endl;
  }
  err << ReportScan(result).text << Qt::endl;
  return kExitComplete;
}

}  // namespace orbek
