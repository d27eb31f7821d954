#include "logger/MeterLogger.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>
#include <climits>
#include <csignal>
#include <mutex>

#include "export/ReadingsOutput.h"
#include "export/WorkbookError.h"
#include "link/CaptureReplay.h"
#include "link/PortDiscovery.h"
#include "link/SerialError.h"
#include "meter/MeterCommands.h"
#include "storage/NativePath.h"

namespace orbek {

namespace {

constexpr int kProgressEvery = 500;
// How often a lost device is looked for.
constexpr int kReconnectCheckMs = 250;
// Lines standard output may fall behind by before lines are skipped there
// (the port is never left unread while a pipe or terminal is slow).
constexpr std::size_t kStdoutBacklog = 20000;

// The signals that end a run cleanly are turned into a byte on a socket the
// event loop watches, the one thing a signal handler may safely do.
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
int signalSockets[2] = {-1, -1};

void WriteSignalByte(int) {
  const char byte = 1;
  [[maybe_unused]] const auto written = ::write(signalSockets[0], &byte, 1);
}

// --decode has no event loop: a signal only asks the replay to stop.
volatile std::sig_atomic_t decodeStopRequested = 0;

void RequestDecodeStop(int) {
  decodeStopRequested = 1;
}

// How long the broker has at the start to answer, and at the end to
// acknowledge what was sent, before readings are left in the spool.
constexpr int kBrokerAnswerMs = 3000;
constexpr int kBrokerDrainMs = 10000;

// Notices from the publisher may come from its network thread: each is one
// write, so lines never mix.
void Notice(const QString& text) {
  const QByteArray line = "orbek-log: " + text.toLocal8Bit() + '\n';
  [[maybe_unused]] const auto written = ::write(STDERR_FILENO, line.constData(), line.size());
}

}  // namespace

ReadingPublisher::ReadingPublisher(MqttOptions options, const QString& device)
    : transfer_(QUuid::createUuid().toByteArray(QUuid::WithoutBraces)) {
  if (options.topic.isEmpty()) options.topic = DefaultTopic(device);
  publisher_ = std::make_unique<MqttPublisher>(options, Notice);
  publisher_->Connect(kBrokerAnswerMs);
  Notice(QStringLiteral("publishing to %1/reading, transfer %2")
             .arg(publisher_->Topic(), QString::fromLatin1(transfer_)));
}

int ReadingPublisher::ExitCodeFor(const MqttError& error) {
  return dynamic_cast<const MqttRefused*>(&error) != nullptr ? kExitBrokerRefused : kExitUsage;
}

void ReadingPublisher::Publish(std::int64_t number, const DecodedReading& reading, bool outOfStep) {
  publisher_->Publish(ReadingMessage(
      std::string_view(transfer_.constData(), static_cast<std::size_t>(transfer_.size())), number,
      reading, std::chrono::system_clock::now(), outOfStep));
}

int ReadingPublisher::Finish(int exitCode, QTextStream& err) {
  const std::int64_t waiting = publisher_->Finish(kBrokerDrainMs);
  if (waiting == 0) return exitCode;
  err << "orbek-log: the broker has not acknowledged " << waiting << " readings; they wait in "
      << DisplayPath(publisher_->SpoolPath()) << " and go out first at the next run publishing to "
      << publisher_->Topic() << Qt::endl;
  return exitCode == kExitComplete ? kExitUnpublished : exitCode;
}

MeterLogger::MeterLogger(Options options, QTextStream& err)
    : options_(std::move(options)),
      err_(err),
      out_(STDOUT_FILENO, kStdoutBacklog, [this](const QString& reason) {
        QMetaObject::invokeMethod(
            this, [this, reason] { OnStdoutFailed(reason); }, Qt::QueuedConnection);
      }) {
  connect(&session_, &MeterSession::RecordDecoded, this,
          [this](const MeterRecord&, const DecodedReading& reading) { OnReading(reading); });
  connect(&session_, &MeterSession::TransferEnded, this, [this] { Finish(kExitComplete); });
  connect(&session_, &MeterSession::DeviceLost, this, &MeterLogger::OnDeviceLost);
  connect(&session_, &MeterSession::Failed, this,
          [this](const QString& message) { err_ << "orbek-log: " << message << Qt::endl; });
  reconnectWatch_.setInterval(kReconnectCheckMs);
  connect(&reconnectWatch_, &QTimer::timeout, this, &MeterLogger::LookForDevice);
  // A closed pipe is reported by the failed write, not by a signal.
  std::signal(SIGPIPE, SIG_IGN);
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalSockets) == 0) {
    signalWatch_ = std::make_unique<QSocketNotifier>(signalSockets[1], QSocketNotifier::Read);
    connect(signalWatch_.get(), &QSocketNotifier::activated, this, &MeterLogger::OnSignal);
    struct sigaction action {};
    action.sa_handler = WriteSignalByte;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kStopSignals)
      sigaction(signal, &action, nullptr);
  }
}

QString MeterLogger::JournalFor(const QString& output) {
  const QFileInfo target(output);
  const QString suffix = QStringLiteral(".capture");
  QString name = target.fileName();
  while (!name.isEmpty() && NativeFromPath(name + suffix).size() > NAME_MAX)
    name.chop(1);
  return target.dir().filePath(name + suffix);
}

MeterLogger::~MeterLogger() {
  for (const int signal : kStopSignals)
    std::signal(signal, SIG_DFL);
  signalWatch_.reset();
  for (int& socket : signalSockets) {
    if (socket >= 0) ::close(socket);
    socket = -1;
  }
}

// Everything that can be found wrong before the meter is told anything.
int MeterLogger::Prepare() {
  if (!options_.output.isEmpty()) {
    if (const QString problem = OutputProblem(options_.output); !problem.isEmpty()) {
      err_ << "orbek-log: " << problem << Qt::endl;
      return kExitUsage;
    }
    journal_ = options_.capture.isEmpty() ? JournalFor(options_.output) : options_.capture;
    if (options_.capture.isEmpty() && NativeExists(journal_)) {
      err_ << "orbek-log: " << DisplayPath(journal_)
           << " exists: it may hold the readings of a run that did not finish. Recover them with "
              "orbek-log --decode "
           << DisplayPath(journal_) << " --output FILE, or remove it." << Qt::endl;
      return kExitUsage;
    }
  }
  if (!options_.mqtt.url.isEmpty()) {
    try {
      publisher_ = std::make_unique<ReadingPublisher>(options_.mqtt, options_.port);
    } catch (const MqttError& error) {
      err_ << "orbek-log: " << error.what() << Qt::endl;
      return ReadingPublisher::ExitCodeFor(error);
    }
  }
  const QString capture = journal_.isEmpty() ? options_.capture : journal_;
  if (capture.isEmpty()) return kExitComplete;
  auto file = std::make_unique<QFile>();
  QString captureError;
  if (!OpenNative(*file, capture, QIODevice::WriteOnly, &captureError)) {
    err_ << "orbek-log: cannot write the capture " << DisplayPath(capture) << ": " << captureError
         << Qt::endl;
    return kExitUsage;
  }
  session_.SetCaptureFile(std::move(file), DisplayPath(capture));
  return kExitComplete;
}

int MeterLogger::Run() {
  if (const int problem = Prepare(); problem != kExitComplete) return problem;
  try {
    session_.Open(options_.port, options_.baud);
    identity_ = IdentifyDevice(options_.port);
    session_.Start(options_.intervalIndex);
  } catch (const SerialError& error) {
    err_ << "orbek-log: " << error.what() << Qt::endl;
    session_.SetCaptureFile(nullptr, {});
    if (!journal_.isEmpty() && options_.capture.isEmpty()) RemoveNative(journal_);
    return kExitPortError;
  }
  const auto interval = kIntervalChoices.at(static_cast<std::size_t>(options_.intervalIndex)).text;
  err_ << "orbek-log: reading from " << options_.port << " at " << options_.baud
       << " baud, interval " << QString::fromLatin1(interval.data(), interval.size())
       << "; Ctrl+C stops" << Qt::endl;
  if (!journal_.isEmpty())
    err_ << "orbek-log: every byte received goes to " << DisplayPath(journal_) << Qt::endl;
  out_.TryPush(csv::Header());
  loop_.exec();
  err_ << "orbek-log: " << readings_ << " readings" << Qt::endl;
  if (session_.Loss().times > 0) err_ << "orbek-log: " << session_.Loss().Describe() << Qt::endl;
  int exitCode = SaveOutput(exitCode_);
  out_.Drain();
  if (publisher_) exitCode = publisher_->Finish(exitCode, err_);
  return exitCode;
}

void MeterLogger::OnReading(const DecodedReading& reading) {
  const bool outOfStep = session_.Loss().wrongRows.contains(readings_);
  if (!out_.TryPush(csv::Line(readings_, reading, outOfStep)) && !out_.Failed() &&
      !skippingWarned_) {
    skippingWarned_ = true;
    err_ << "orbek-log: standard output is not keeping up; lines are skipped there"
         << (journal_.isEmpty() ? QString() : QStringLiteral(" (the file keeps every reading)"))
         << Qt::endl;
  }
  if (publisher_) publisher_->Publish(readings_, reading, outOfStep);
  ++readings_;
  if (readings_ % kProgressEvery == 0)
    err_ << "orbek-log: " << readings_ << " readings so far" << Qt::endl;
}

void MeterLogger::OnStdoutFailed(const QString& reason) {
  err_ << "orbek-log: cannot write to standard output: " << reason;
  if (!journal_.isEmpty()) {
    err_ << "; logging goes on into " << DisplayPath(options_.output) << Qt::endl;
    return;
  }
  err_ << Qt::endl;
  StopMeter();
  Finish(kExitOutputFailed);
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
  err_ << "orbek-log: " << *found << " is back; logging goes on from reading " << readings_
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

// The file is made from the journal, through the same aligner, so it holds
// exactly the readings printed; the journal goes once the file is safe.
int MeterLogger::SaveOutput(int exitCode) {
  session_.SetCaptureFile(nullptr, {});
  if (journal_.isEmpty()) return exitCode;
  QFile journal;
  try {
    QString reason;
    if (!OpenNative(journal, journal_, QIODevice::ReadOnly, &reason))
      throw WorkbookError(
          QStringLiteral("cannot read %1: %2").arg(DisplayPath(journal_), reason).toStdString());
    ReadingsFile file(options_.output);
    ReplayCapture(
        journal, false, [&](std::int64_t, const DecodedReading& reading) { file.Add(reading); },
        [&](const StepLoss& loss) {
          for (const std::int64_t row : loss.wrongRows)
            file.MarkOutOfStep(row);
        });
    file.Finish();
  } catch (const SaveError& error) {
    err_ << "orbek-log: " << error.what() << "; every byte received stays in "
         << DisplayPath(journal_) << Qt::endl;
    return kExitSaveFailed;
  }
  err_ << "orbek-log: saved " << DisplayPath(options_.output) << Qt::endl;
  if (options_.capture.isEmpty()) RemoveNative(journal_);
  return exitCode;
}

int DecodeCapture(const QString& capture, const QString& output, bool all, const MqttOptions& mqtt,
                  QTextStream& err) {
  if (!output.isEmpty()) {
    if (const QString problem = OutputProblem(output); !problem.isEmpty()) {
      err << "orbek-log: " << problem << Qt::endl;
      return kExitUsage;
    }
  }
  QFile file;
  QString reason;
  if (!OpenNative(file, capture, QIODevice::ReadOnly, &reason)) {
    err << "orbek-log: cannot read " << DisplayPath(capture) << ": " << reason << Qt::endl;
    return kExitPortError;
  }
  std::unique_ptr<ReadingPublisher> publisher;
  if (!mqtt.url.isEmpty()) {
    try {
      publisher = std::make_unique<ReadingPublisher>(mqtt, capture);
    } catch (const MqttError& error) {
      err << "orbek-log: " << error.what() << Qt::endl;
      return ReadingPublisher::ExitCodeFor(error);
    }
  }
  bool stdoutFailed = false;
  // The writer's thread only notes why it failed; this one says it.
  std::mutex failureMutex;
  QString failure;
  LineWriter out(STDOUT_FILENO, kStdoutBacklog, [&](const QString& reason) {
    const std::lock_guard lock(failureMutex);
    failure = reason;
  });
  std::signal(SIGPIPE, SIG_IGN);
  for (const int signal : kStopSignals)
    std::signal(signal, RequestDecodeStop);
  int exitCode = kExitComplete;
  ReplayResult result;
  try {
    std::unique_ptr<ReadingsFile> saved;
    if (!output.isEmpty()) saved = std::make_unique<ReadingsFile>(output);
    StepLoss loss;
    out.Push(csv::Header());
    result = ReplayCapture(
        file, all,
        [&](std::int64_t row, const DecodedReading& reading) {
          const bool outOfStep = loss.wrongRows.contains(row);
          if (!stdoutFailed) stdoutFailed = !out.Push(csv::Line(row, reading, outOfStep));
          if (saved) saved->Add(reading);
          if (publisher) publisher->Publish(row, reading, outOfStep);
        },
        [&](const StepLoss& soFar) {
          loss = soFar;
          if (saved)
            for (const std::int64_t row : loss.wrongRows)
              saved->MarkOutOfStep(row);
        },
        [] { return decodeStopRequested != 0; });
    out.Drain();
    if (out.Failed()) {
      const std::lock_guard lock(failureMutex);
      err << "orbek-log: cannot write to standard output: " << failure << Qt::endl;
    }
    if (result.stopped) err << "orbek-log: stopped; the readings so far are kept" << Qt::endl;
    if (result.partialBytes > 0 && !result.stopped) {
      err << "orbek-log: " << DisplayPath(capture)
          << " ends in a partial record: " << result.partialBytes
          << " bytes at its end are not decoded" << Qt::endl;
      exitCode = kExitPartialRecord;
    }
    if (result.afterEnd > 0)
      err << "orbek-log: " << result.afterEnd
          << " bytes follow the end record and are not decoded (--all decodes every transfer)"
          << Qt::endl;
    err << "orbek-log: " << result.readings << " readings";
    if (all) err << " in " << result.transfers << " transfers";
    err << Qt::endl;
    if (result.loss.times > 0) err << "orbek-log: " << result.loss.Describe() << Qt::endl;
    if (saved) {
      saved->Finish();
      err << "orbek-log: saved " << DisplayPath(output) << Qt::endl;
    }
  } catch (const SaveError& error) {
    err << "orbek-log: " << error.what() << Qt::endl;
    return publisher ? publisher->Finish(kExitSaveFailed, err) : kExitSaveFailed;
  }
  if (publisher) exitCode = publisher->Finish(exitCode, err);
  if (out.Failed() && output.isEmpty() && !publisher) return kExitOutputFailed;
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
