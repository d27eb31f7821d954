#include "app/MeterLogger.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QFile>
#include <csignal>

#include "export/WorkbookError.h"
#include "link/MeterCommands.h"
#include "link/PortDiscovery.h"
#include "link/RecordInput.h"
#include "link/SerialError.h"

namespace orbek {

namespace {

constexpr qsizetype kRecordBytes = static_cast<qsizetype>(kMeterRecordSize);
constexpr int kProgressEvery = 500;

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
  connect(&session_, &MeterSession::Failed, this,
          [this](const QString& message) { err_ << "orbek-log: " << message << Qt::endl; });
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
  return SaveOutput(exitCode_);
}

void MeterLogger::OnReading(const DecodedReading& reading) {
  out_ << log_.Add(reading) << Qt::endl;
  if (log_.Count() % kProgressEvery == 0)
    err_ << "orbek-log: " << log_.Count() << " readings so far" << Qt::endl;
}

void MeterLogger::OnDeviceLost() {
  err_ << "orbek-log: the connection to " << options_.port << " was lost" << Qt::endl;
  Finish(kExitDeviceLost);
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

int DecodeCapture(const QString& capture, const QString& output, QTextStream& out,
                  QTextStream& err) {
  QFile file(capture);
  if (!file.open(QIODevice::ReadOnly)) {
    err << "orbek-log: cannot read " << capture << ": " << file.errorString() << Qt::endl;
    return kExitPortError;
  }
  const QByteArray bytes = file.readAll();
  ReadingLog log;
  out << ReadingLog::CsvHeader() << Qt::endl;
  qsizetype at = 0;
  bool ended = false;
  for (; const auto record = RecordAt(bytes, at); at += kRecordBytes) {
    if (IsEndOfTransfer(*record)) {
      ended = true;
      break;
    }
    out << log.Add(DecodeRecord(*record)) << Qt::endl;
  }
  int exitCode = kExitComplete;
  if (!ended && at < bytes.size()) {
    err << "orbek-log: " << capture << " ends in a partial record: " << (bytes.size() - at)
        << " bytes at offset " << at << " are not decoded" << Qt::endl;
    exitCode = kExitPartialRecord;
  }
  err << "orbek-log: " << log.Count() << " readings" << Qt::endl;
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
