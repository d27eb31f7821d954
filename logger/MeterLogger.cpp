#include "logger/MeterLogger.h"
#include "logger/UnfinishedJournals.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimeZone>
#include <QUuid>
#include <climits>
#include <mutex>

#include "archive/ArchiveWaiting.h"
#include "export/ReadingsOutput.h"
#include "link/CaptureReplay.h"
#include "link/PortDiscovery.h"
#include "link/SerialError.h"
#include "logger/ReportModule.h"
#include "logger/StopSignals.h"
#include "meter/MeterCommands.h"
#include "report/TransferReport.h"
#include "storage/Journal.h"
#include "storage/NativePath.h"
#include "storage/SafeSave.h"
#include "storage/SaveError.h"

namespace orbek {

namespace {

constexpr int kProgressEvery = 500;
// How often a lost device is looked for.
constexpr int kReconnectCheckMs = 250;
// Lines standard output may fall behind by before lines are skipped there
// (the port is never left unread while a pipe or terminal is slow).
constexpr std::size_t kStdoutBacklog = 20000;

// How long standard output has at the end to take the lines still queued
// before they are given up and counted.
constexpr auto kStdoutDrain = std::chrono::seconds(10);

// How long the broker has at the start to answer, and at the end to
// acknowledge what was sent, before readings are left in the spool.
constexpr int kBrokerAnswerMs = 3000;
constexpr int kBrokerDrainMs = 10000;

QString ProgramName() {
  return QStringLiteral("orbek-log %1").arg(QCoreApplication::applicationVersion());
}

// Notices from the publisher may come from its network thread: each is one
// write, so lines never mix.
void Notice(const QString& text) {
  const QByteArray line = "orbek-log: " + text.toLocal8Bit() + '\n';
  [[maybe_unused]] const auto written = ::write(STDERR_FILENO, line.constData(), line.size());
}

}  // namespace

ReadingPublisher::ReadingPublisher(MqttOptions options, const QString& device, QByteArray transfer,
                                   SampleDetails details)
    : transfer_(std::move(transfer)), details_(std::move(details)) {
  if (options.topic.isEmpty()) options.topic = DefaultTopic(device);
  publisher_ = std::make_unique<MqttPublisher>(options, Notice);
  publisher_->Connect(kBrokerAnswerMs);
  Notice(QStringLiteral("publishing to %1/reading, transfer %2")
             .arg(publisher_->Topic(), QString::fromLatin1(transfer_)));
}

int ReadingPublisher::ExitCodeFor(const MqttError& error) {
  return dynamic_cast<const MqttRefused*>(&error) != nullptr ? kExitBrokerRefused : kExitUsage;
}

void ReadingPublisher::Publish(const Reading& reading) {
  publisher_->Publish(ReadingMessage(
      std::string_view(transfer_.constData(), static_cast<std::size_t>(transfer_.size())), reading,
      details_));
}

QByteArray NewTransferId() {
  return QUuid::createUuid().toByteArray(QUuid::WithoutBraces);
}

int ReadingPublisher::Finish(int exitCode, QTextStream& err, const QString& journal) {
  const std::int64_t waiting = publisher_->Finish(kBrokerDrainMs);
  if (waiting == 0) return exitCode;
  const std::int64_t unspooled = publisher_->Unspooled();
  const QString spool = DisplayPath(publisher_->SpoolPath());
  if (waiting > unspooled)
    err << "orbek-log: the broker has not acknowledged " << waiting - unspooled
        << " readings; they wait in " << spool << " and go out first at the next run publishing to "
        << publisher_->Topic() << Qt::endl;
  if (unspooled > 0) {
    err << "orbek-log: " << unspooled << " readings could not be written to the spool " << spool
        << " (" << publisher_->SpoolError() << ") and are not published; ";
    if (journal.isEmpty())
      err << "they were printed on standard output" << Qt::endl;
    else
      err << "orbek-log --decode " << DisplayPath(journal) << " --mqtt URL --mqtt-topic "
          << publisher_->Topic()
          << " publishes the journal's readings again under the same transfer" << Qt::endl;
  }
  return exitCode == kExitComplete ? kExitUnpublished : exitCode;
}

ReadingPrinter::ReadingPrinter(LineWriter* out, bool wait, ReadingsFile* file,
                               ReadingPublisher* publisher, TransferRecord* kept)
    : out_(out), wait_(wait), file_(file), publisher_(publisher), kept_(kept) {}

// A reading's first line is what puts it on standard output; a line
// marking it out of step later only corrects it.
void ReadingPrinter::Print(const Reading& reading, bool first) {
  if (out_ == nullptr) return;
  QByteArray line = csv::Line(reading);
  const bool taken = wait_ ? out_->Push(std::move(line)) : out_->TryPush(std::move(line));
  if (!taken) {
    if (first) skippedReadings_.Add(reading.number);
    if (!out_->Failed() && !skipped_) skipped_ = skippedNow_ = true;
    return;
  }
  // A ring of MostPending() lines, grown as lines come: a short transfer
  // never pays for a long one's.
  const std::int64_t index = out_->Accepted() - 1;
  const std::size_t slot = static_cast<std::size_t>(index) % out_->MostPending();
  if (slot >= taken_.size()) taken_.resize(slot + 1);
  taken_[slot] = {index, first ? reading.number : -1};
}

ReadingRanges ReadingPrinter::MissedOnStdout() const {
  ReadingRanges missed = skippedReadings_;
  if (out_ == nullptr) return missed;
  const std::int64_t written = out_->Written();
  for (const Taken& taken : taken_)
    if (taken.line >= written && taken.reading >= 0) missed.Add(taken.reading);
  return missed;
}

Reading ReadingPrinter::Stamped(const Reading& reading) const {
  Reading stamped = reading;
  stamped.received = arrivals_->At(reading.number).value_or(kUnknownTime);
  return stamped;
}

void ReadingPrinter::OnReading(const Reading& live) {
  const Reading& reading = arrivals_ ? Stamped(live) : live;
  if (noted_) noted_->Note(reading.number, reading.received);
  statistics_.Add(reading);
  Print(reading, true);
  if (file_) file_->Add(reading);
  if (publisher_) publisher_->Publish(reading);
  if (kept_) kept_->Add(reading);
}

// Standard output and the broker get the reading again, marked: whoever
// keeps the last line or message of each reading has what the file says.
void ReadingPrinter::OnOutOfStep(const Reading& live) {
  const Reading& corrected = arrivals_ ? Stamped(live) : live;
  statistics_.Correct(corrected.number);
  Print(corrected, false);
  if (file_) file_->Correct(corrected);
  if (publisher_) publisher_->Publish(corrected);
  if (kept_) kept_->Correct(corrected);
}

std::vector<QByteArray> CsvPreamble(const SampleDetails& details) {
  std::vector<QByteArray> lines = csv::DetailLines(details);
  lines.push_back(csv::Header());
  return lines;
}

MeterLogger::MeterLogger(Options options, QTextStream& err)
    : options_(std::move(options)),
      err_(err),
      out_(STDOUT_FILENO, kStdoutBacklog, [this](const QString& reason) {
        {
          const std::lock_guard lock(stdoutFailureMutex_);
          stdoutFailure_ = reason;
        }
        QMetaObject::invokeMethod(
            this, [this, reason] { OnStdoutFailed(reason); }, Qt::QueuedConnection);
      }) {
  connect(&session_, &MeterSession::ReadingArrived, this, &MeterLogger::OnReading);
  // A read's lines leave in one write (see LineWriter::Gather).
  connect(&session_, &MeterSession::RecordsTaken, this, [this] {
    out_.Flush();
    if (publisher_) publisher_->Flush();
  });
  connect(&session_, &MeterSession::ReadingCorrected, this,
          [this](const Reading& corrected) { printer_->OnOutOfStep(corrected); });
  connect(&session_, &MeterSession::TransferEnded, this, [this] { Finish(kExitComplete); });
  connect(&session_, &MeterSession::DeviceLost, this, &MeterLogger::OnDeviceLost);
  connect(&session_, &MeterSession::Failed, this,
          [this](const LinkProblem& problem) {
            err_ << "orbek-log: " << problem.Text() << Qt::endl;
          });
  connect(&session_, &MeterSession::JournalCaughtUp, this, [this](const QString& path) {
    err_ << "orbek-log: the journal " << path
         << " takes the bytes again; what waited in memory is in it" << Qt::endl;
  });
  reconnectWatch_.setInterval(kReconnectCheckMs);
  connect(&reconnectWatch_, &QTimer::timeout, this, &MeterLogger::LookForDevice);
  if (StopSignalDescriptor() >= 0) {
    signalWatch_ = std::make_unique<QSocketNotifier>(StopSignalDescriptor(), QSocketNotifier::Read);
    connect(signalWatch_.get(), &QSocketNotifier::activated, this, &MeterLogger::OnSignal);
  }
  session_.SetTransferOutlivesDevice(options_.reconnect);
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
  session_.SetJournal(nullptr);
}

namespace {

// One file by both names: the same path once links are followed, or the
// same file under two names (a hard link).
bool SameFile(const QString& one, const QString& other) {
  const QByteArray first = FollowLinksSafely(one).file, second = FollowLinksSafely(other).file;
  if (QFileInfo(PathFromNative(first)).absoluteFilePath() ==
      QFileInfo(PathFromNative(second)).absoluteFilePath())
    return true;
  struct stat a {}, b {};
  return ::stat(first.constData(), &a) == 0 && ::stat(second.constData(), &b) == 0 &&
         a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Two of the files a run writes that are one file: the second would
// replace the first without a word.
QString SameFileProblem(const std::vector<std::pair<const char*, QString>>& files) {
  for (std::size_t i = 0; i < files.size(); ++i)
    for (std::size_t j = i + 1; j < files.size(); ++j) {
      if (files[i].second.isEmpty() || files[j].second.isEmpty()) continue;
      if (!SameFile(files[i].second, files[j].second)) continue;
      return QStringLiteral("%1 and %2 name the same file, %3")
          .arg(QLatin1String(files[i].first), QLatin1String(files[j].first),
               DisplayPath(files[i].second));
    }
  return {};
}

}  // namespace

// Everything that can be found wrong before the meter is told anything.
int MeterLogger::Prepare() {
  const bool ownJournal = !options_.output.isEmpty() && options_.capture.isEmpty();
  if (const QString problem = SameFileProblem({{"--capture", options_.capture},
                                               {"--output", options_.output},
                                               {"--report", options_.report}});
      !problem.isEmpty()) {
    err_ << "orbek-log: " << problem << Qt::endl;
    return kExitUsage;
  }
  if (!options_.report.isEmpty()) {
    if (const QString problem = ReportProblem(options_.report, options_.replace);
        !problem.isEmpty()) {
      err_ << "orbek-log: " << problem << Qt::endl;
      return kExitUsage;
    }
  }
  if (!options_.output.isEmpty()) {
    if (const QString problem = OutputProblem(options_.output, options_.replace);
        !problem.isEmpty()) {
      err_ << "orbek-log: " << problem << Qt::endl;
      return kExitUsage;
    }
    if (ownJournal && NativeExists(JournalFor(options_.output))) {
      const QString journal = DisplayPath(JournalFor(options_.output));
      err_ << "orbek-log: " << journal
           << " exists: it may hold the readings of a run that did not finish. Recover them with "
              "orbek-log --decode "
           << journal << " --output FILE, or remove it." << Qt::endl;
      return kExitUsage;
    }
    const QString unfinished = UnfinishedJournalsNote(QFileInfo(options_.output).absolutePath(),
                                                      JournalFor(options_.output));
    if (!unfinished.isEmpty()) err_ << "orbek-log: " << unfinished << Qt::endl;
  }
  if (!options_.mqtt.url.isEmpty()) {
    try {
      publisher_ = std::make_unique<ReadingPublisher>(options_.mqtt, options_.port, transfer_,
                                                      options_.details);
    } catch (const MqttError& error) {
      err_ << "orbek-log: " << error.what() << Qt::endl;
      return ReadingPublisher::ExitCodeFor(error);
    }
  }
  kept_.details = options_.details;
  printer_ = std::make_unique<ReadingPrinter>(&out_, false, nullptr, publisher_.get(),
                                              options_.report.isEmpty() ? nullptr : &kept_);
  printer_->NoteArrivals(&arrivals_);
  journalPath_ = ownJournal ? JournalFor(options_.output) : options_.capture;
  if (journalPath_.isEmpty()) {
    // No journal keeps the bytes for the archive: memory does.
    if (Archiving()) session_.KeepBytesIn(&received_);
    return kExitComplete;
  }
  if (!ownJournal && !options_.replace && NativeExists(journalPath_)) {
    err_ << "orbek-log: cannot write the capture " << DisplayPath(journalPath_)
         << ": it exists already (--replace replaces it)" << Qt::endl;
    return kExitUsage;
  }
  try {
    journal_ = Journal::Create(journalPath_, options_.replace && !ownJournal);
  } catch (const SaveError& error) {
    err_ << "orbek-log: " << error.what() << Qt::endl;
    return kExitUsage;
  }
  session_.SetJournal(journal_.get());
  // A recovery publishes and archives the journal's readings under the
  // same transfer.
  if ((publisher_ || Archiving()) && !journal_->SetTag(kTransferTag, transfer_))
    qCWarning(lcLink) << "cannot keep the transfer id with" << DisplayPath(journalPath_);
  const QString journal = DisplayPath(journalPath_);
  SetRecoveryHint(QStringLiteral("orbek-log: every byte received is in %1; orbek-log --decode %1 "
                                 "--output FILE recovers the readings\n")
                      .arg(journal)
                      .toLocal8Bit());
  return kExitComplete;
}

int MeterLogger::Run() {
  if (const int problem = Prepare(); problem != kExitComplete) return problem;
  try {
    // Until it is read, the device is known by its path: it can be lost as
    // the transfer starts.
    identity_.path = options_.port;
    session_.Open(options_.port, options_.baud);
    session_.Start(options_.intervalIndex);
    started_ = QDateTime::currentDateTimeUtc();
    // Looked up while the meter's first bytes wait in the port: the meter
    // starts sooner, and the device is surely there, held open.
    identity_ = IdentifyDevice(options_.port);
  } catch (const SerialError& error) {
    err_ << "orbek-log: " << error.what() << Qt::endl;
    session_.SetJournal(nullptr);
    // Nothing was received: the journal or capture this run made would
    // only stand in the way of the next try.
    if (journal_ && !journal_->Remove())
      err_ << "orbek-log: cannot remove " << DisplayPath(journalPath_) << ": " << journal_->Error()
           << Qt::endl;
    journal_.reset();
    return kExitPortError;
  }
  const auto interval = kIntervalChoices.at(static_cast<std::size_t>(options_.intervalIndex)).text;
  err_ << "orbek-log: reading from " << options_.port << " at " << options_.baud
       << " baud, interval " << QString::fromLatin1(interval.data(), interval.size())
       << "; Ctrl+C stops" << Qt::endl;
  if (journal_ && options_.capture.isEmpty())
    err_ << "orbek-log: every byte received goes to " << DisplayPath(journalPath_) << Qt::endl;
  out_.Gather(true);
  if (publisher_) publisher_->Gather(true);
  for (QByteArray& line : CsvPreamble(options_.details))
    out_.TryPush(std::move(line));
  out_.Flush();
  if (!finished_) loop_.exec();  // a loss as it started may have ended it
  out_.Gather(false);
  if (publisher_) publisher_->Gather(false);
  // The transfer is over: what the pipeline held goes out, as a replay of
  // the journal gives it.
  session_.Flush();
  err_ << "orbek-log: " << session_.Count() << " readings" << Qt::endl;
  if (session_.Loss().times > 0)
    err_ << "orbek-log: " << QString::fromStdString(session_.Loss().Describe()) << Qt::endl;
  PrintStatistics(printer_->Statistics(), err_);
  int exitCode = WarnOfForeignBytes(*printer_, options_.port, err_, exitCode_);
  exitCode = SaveOutput(exitCode);
  exitCode = ReportStdout(exitCode);
  exitCode = WriteReport(exitCode);
  exitCode = ArchiveRun(exitCode);
  ReleaseJournal();
  if (publisher_)
    exitCode = publisher_->Finish(exitCode, err_, journal_ ? journalPath_ : QString());
  return WithLineLosses(exitCode, session_.Loss().lostReadings > 0);
}

int WarnOfForeignBytes(const ReadingPrinter& printer, const QString& source, QTextStream& err,
                       int exitCode) {
  if (printer.Statistics().LooksLikeMeterData()) return exitCode;
  err << "orbek-log: " << DisplayPath(source)
      << " does not look like a meter's records: most of them carry neither a real date nor a "
         "value the meter defines (is the baud rate right?)"
      << Qt::endl;
  return exitCode == kExitComplete ? kExitNotMeterData : exitCode;
}

void MeterLogger::OnReading(const Reading& reading) {
  printer_->OnReading(reading);
  if (printer_->SkippedNow())
    err_ << "orbek-log: standard output is not keeping up; lines are skipped there"
         << (options_.output.isEmpty() ? QString()
                                       : QStringLiteral(" (the file keeps every reading)"))
         << Qt::endl;
  const std::int64_t count = reading.number + 1;
  if (count % kProgressEvery == 0) err_ << "orbek-log: " << count << " readings so far" << Qt::endl;
}

// Lines standard output did not take: harmless beside a file that has every
// reading, readings lost to whoever reads standard output otherwise.
int MeterLogger::ReportStdout(int exitCode) {
  const bool drained = DrainStdout();
  const std::int64_t unwritten = out_.Unwritten();
  if (unwritten == 0) return exitCode;
  if (out_.Failed()) {
    // Said already while the run went on (and a run without a file ended
    // then); a failure during the final drain is said here.
    if (stdoutFailureSaid_) return exitCode;
    stdoutFailureSaid_ = true;
    const std::lock_guard lock(stdoutFailureMutex_);
    err_ << "orbek-log: cannot write to standard output: " << stdoutFailure_ << "; " << unwritten
         << " lines did not reach it";
    if (fileHasEveryReading_) {
      err_ << "; " << DisplayPath(options_.output) << " has every reading" << Qt::endl;
      return exitCode;
    }
    err_ << Qt::endl;
    return exitCode == kExitComplete ? kExitOutputFailed : exitCode;
  }
  err_ << "orbek-log: " << unwritten << " lines did not reach standard output"
       << (drained ? QString()
                   : QStringLiteral(" (it took nothing for %1 s)")
                         .arg(std::chrono::seconds(kStdoutDrain).count()));
  if (fileHasEveryReading_) {
    err_ << "; " << DisplayPath(options_.output) << " has every reading" << Qt::endl;
    return exitCode;
  }
  err_ << Qt::endl;
  return exitCode == kExitComplete ? kExitOutputFailed : exitCode;
}

void MeterLogger::OnStdoutFailed(const QString& reason) {
  if (std::exchange(stdoutFailureSaid_, true)) return;
  err_ << "orbek-log: cannot write to standard output: " << reason;
  if (!options_.output.isEmpty()) {
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
  err_ << "orbek-log: " << *found << " is back; logging goes on from reading " << session_.Count()
       << Qt::endl;
}

void MeterLogger::OnSignal() {
  if (!TakeStopRequest()) return;
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
  finished_ = true;
  loop_.quit();
}

namespace {

// Counts readings and nothing else.
class ReadingCount : public ReadingSink {
 public:
  void OnReading(const Reading&) override { ++count; }
  void OnOutOfStep(const Reading&) override {}
  void OnStepRegained(const StepLoss&) override {}
  void OnEnd(const MeterRecord&) override {}
  std::int64_t count = 0;
};

}  // namespace

// Readings of the run the journal on disk lacks: those its gaps took and
// those after what it holds; none with the reason when it cannot be read.
std::optional<ReadingRanges> MeterLogger::MissingFromJournal(QString* reason) const {
  QFile file;
  if (!OpenNative(file, journalPath_, QIODevice::ReadOnly, reason)) return std::nullopt;
  ReadingCount count;
  const ReplayResult replay = ReplayCapture(file, false, count, {}, {}, journal_->Gaps());
  if (!replay.readError.isEmpty()) {
    if (reason) *reason = replay.readError;
    return std::nullopt;
  }
  ReadingRanges missing = ReadingRanges::Span(replay.readings, session_.Count() - 1);
  for (const ReplayResult::Missing& gap : replay.missing)
    missing.Add(gap.first, gap.first + gap.count - 1);
  return missing;
}

// Readings that never reached standard output whole. Standard output that
// keeps nothing (/dev/null, as under the service) holds none of them.
ReadingRanges MeterLogger::MissedOnStdout() const {
  struct stat out {}, null {};
  const bool discarded = ::fstat(STDOUT_FILENO, &out) != 0 ||
                         (S_ISCHR(out.st_mode) && ::stat("/dev/null", &null) == 0 &&
                          out.st_rdev == null.st_rdev);
  if (discarded) return ReadingRanges::Span(0, session_.Count() - 1);
  return printer_->MissedOnStdout();
}

// Once, after the file is saved: what standard output took is known only
// once it has drained or been given up on.
bool MeterLogger::DrainStdout() {
  if (!stdoutDrainedYet_) stdoutDrained_ = out_.Drain(kStdoutDrain);
  stdoutDrainedYet_ = true;
  return stdoutDrained_;
}

// Where each of the `absent` readings still is: in the journal, on standard
// output only, or nowhere.
QString MeterLogger::WhereReadingsAre(const ReadingRanges& absent) {
  DrainStdout();
  const QString journal = DisplayPath(journalPath_);
  QString unreadable;
  const std::optional<ReadingRanges> notInJournal = MissingFromJournal(&unreadable);
  const ReadingRanges gone = notInJournal ? absent.Intersect(*notInJournal) : absent;
  const ReadingRanges inJournal = absent.Without(gone);
  const ReadingRanges printed = gone.Without(MissedOnStdout());
  const ReadingRanges lost = gone.Without(printed);
  const auto are = [](const ReadingRanges& r) {
    return r.Count() == 1 ? QStringLiteral("is") : QStringLiteral("are");
  };
  if (notInJournal && gone.Empty())
    return QStringLiteral("every byte received stays in %1").arg(journal);
  QStringList where;
  if (!notInJournal)
    where << QStringLiteral("%1 cannot be read now (%2)").arg(journal, unreadable);
  if (!inJournal.Empty())
    where << QStringLiteral("%1 %2 in %3").arg(inJournal.Describe(), are(inJournal), journal);
  const QString why = journal_->Error().isEmpty() ? QStringLiteral("the journal could not take them")
                                                  : QStringLiteral("the journal could not take "
                                                                   "them: %1")
                                                        .arg(journal_->Error());
  if (!printed.Empty())
    where << QStringLiteral("%1 %2 on standard output only (%3)")
                 .arg(printed.Describe(), printed.Count() == 1 ? QStringLiteral("was printed")
                                                               : QStringLiteral("were printed"),
                      why);
  if (!lost.Empty())
    where << QStringLiteral("%1 %2 lost (%3, and standard output did not take them either)")
                 .arg(lost.Describe(), are(lost), why);
  return where.join("; ");
}

// The file is made from the journal, through the same pipeline, so it
// holds exactly the readings printed; bytes the disk refused for a while
// come from memory. The journal goes only once the file has every reading.
int MeterLogger::SaveOutput(int exitCode) {
  session_.SetJournal(nullptr);
  if (!journal_) return exitCode;
  const bool synced = journal_->Sync();
  const std::int64_t received = session_.Count();
  if (options_.output.isEmpty()) {
    if (!synced) {
      err_ << "orbek-log: the capture " << DisplayPath(journalPath_)
           << " may not have reached the disk: " << journal_->Error() << Qt::endl;
      return kExitSaveFailed;
    }
    const std::optional<ReadingRanges> lacking = MissingFromJournal(nullptr);
    if (lacking && lacking->Empty()) return exitCode;
    const ReadingRanges absent = lacking ? *lacking : ReadingRanges::Span(0, received - 1);
    err_ << "orbek-log: the capture lacks " << absent.Describe() << ": " << WhereReadingsAre(absent)
         << Qt::endl;
    return kExitSaveFailed;
  }
  ReadingRanges absent;
  try {
    QFile journal;
    QString reason;
    if (!OpenNative(journal, journalPath_, QIODevice::ReadOnly, &reason))
      throw SaveError(QStringLiteral("cannot read %1: %2")
                          .arg(DisplayPath(journalPath_), reason)
                          .toStdString());
    ReadingsFile file(options_.output, options_.details);
    ReadingPrinter saver(nullptr, false, &file, nullptr);
    saver.RestoreArrivals(&arrivals_);
    const ReplayResult replay = ReplayCapture(journal, false, saver, {}, journal_->HeldBytes(),
                                              journal_->Gaps());
    if (!replay.readError.isEmpty())
      throw SaveError(QStringLiteral("cannot read %1 to its end: %2")
                          .arg(DisplayPath(journalPath_), replay.readError)
                          .toStdString());
    file.Finish(saver.Statistics());
    absent = ReadingRanges::Span(replay.readings, received - 1);
    for (const ReplayResult::Missing& gap : replay.missing)
      absent.Add(gap.first, gap.first + gap.count - 1);
  } catch (const SaveError& error) {
    err_ << "orbek-log: " << error.what() << "; "
         << WhereReadingsAre(ReadingRanges::Span(0, received - 1)) << Qt::endl;
    return kExitSaveFailed;
  }
  err_ << "orbek-log: saved " << DisplayPath(options_.output) << Qt::endl;
  if (!absent.Empty()) {
    err_ << "orbek-log: " << absent.Count() << " of " << received << " readings are not in "
         << DisplayPath(options_.output) << ": " << WhereReadingsAre(absent) << Qt::endl;
    return kExitSaveFailed;
  }
  fileHasEveryReading_ = true;
  SetRecoveryHint(QStringLiteral("orbek-log: %1 has every reading received\n")
                      .arg(DisplayPath(options_.output))
                      .toLocal8Bit());
  return exitCode;
}

// The journal goes once the file has every reading and the archive or its
// waiting folder has the transfer; readings the spool never took are
// published again from it, so it stays until they are.
void MeterLogger::ReleaseJournal() {
  if (!journal_ || !fileHasEveryReading_) return;
  if (publisher_ && publisher_->Unspooled() > 0) return;
  if (!archiveHasIt_) {
    err_ << "orbek-log: the journal " << DisplayPath(journalPath_)
         << " stays: orbek-log --decode " << DisplayPath(journalPath_)
         << " --output FILE archives the transfer once the archive can take it" << Qt::endl;
    return;
  }
  if (options_.capture.isEmpty() && !journal_->Remove())
    err_ << "orbek-log: cannot remove the journal " << DisplayPath(journalPath_) << ": "
         << journal_->Error() << " (" << DisplayPath(options_.output)
         << " has every reading; remove it by hand)" << Qt::endl;
  journal_.reset();
}

// The transfer, its original bytes and the files made from it go into the
// archive, or wait beside it. An archive that cannot take it costs no
// reading: the files and the journal are the first copy.
int MeterLogger::ArchiveRun(int exitCode) {
  if (!Archiving() || !started_.isValid()) return exitCode;
  ArchivedTransfer transfer;
  transfer.id = transfer_;
  transfer.actor = Actor::Here(ProgramName());
  transfer.device = options_.port;
  transfer.deviceIdentity = identity_.Describe();
  const std::string_view settings = SettingsForBaud(options_.baud).value_or("");
  transfer.lineSettings = QString::fromLatin1(settings.data(), qsizetype(settings.size()));
  const auto interval = kIntervalChoices.at(static_cast<std::size_t>(options_.intervalIndex)).text;
  transfer.interval = QString::fromLatin1(interval.data(), qsizetype(interval.size()));
  transfer.start = started_;
  transfer.end = QDateTime::currentDateTimeUtc();
  transfer.timeZone = QString::fromLatin1(QTimeZone::systemTimeZoneId());
  transfer.details = options_.details;
  transfer.original = {received_, {}, arrivals_};
  if (journal_) {
    // The journal has them (a long run's bytes are not kept in memory too),
    // with what still waits for its disk and where it lost bytes.
    QFile file;
    QString reason;
    if (!OpenNative(file, journalPath_, QIODevice::ReadOnly, &reason)) {
      err_ << "orbek-log: cannot archive the transfer: cannot read " << DisplayPath(journalPath_)
           << ": " << reason << Qt::endl;
      return exitCode;
    }
    transfer.original.bytes = file.readAll() + journal_->HeldBytes();
    transfer.original.gaps = journal_->Gaps();
  }
  QString problem;
  if (fileHasEveryReading_) transfer.files.push_back(SavedFile::Of(options_.output, &problem));
  if (reportSaved_) transfer.files.push_back(SavedFile::Of(options_.report, &problem));
  return ArchiveWithMessage(options_.archive, transfer, err_, exitCode, &archiveHasIt_);
}

int ArchiveWithMessage(const ArchiveLocation& location, const ArchivedTransfer& transfer,
                       QTextStream& err, int exitCode, bool* kept) {
  const ArchiveOutcome outcome = ArchiveTransfer(location, transfer);
  const QString id = QString::fromLatin1(transfer.id);
  if (const QString said = outcome.Message(location, QStringLiteral("Transfer %1").arg(id));
      !said.isEmpty())
    for (const QString& line : said.split('\n'))
      err << "orbek-log: " << line << Qt::endl;
  if (outcome.archived)
    err << "orbek-log: archived as transfer " << id << " in " << location.Display() << Qt::endl;
  // Neither in the archive nor waiting for it: the files and the journal
  // still have the readings, which the message names.
  const bool lost = !outcome.archived && outcome.waiting.isEmpty();
  if (kept != nullptr) *kept = !lost;
  return lost && exitCode == kExitComplete ? kExitSaveFailed : exitCode;
}

namespace {

// A journal of ours (one that names its transfer) recovered by --decode
// goes into the archive unless it is there: its bytes are the original.
int ArchiveRecovered(const DecodeOptions& options, QTextStream& err, int exitCode) {
  const QByteArray id = Journal::Tag(options.capture, kTransferTag);
  if (id.isEmpty() || options.all || options.archive.kind == ArchiveLocation::Kind::Off ||
      IsFifo(options.capture))
    return exitCode;
  QFile file;
  QString reason;
  if (!OpenNative(file, options.capture, QIODevice::ReadOnly, &reason)) {
    err << "orbek-log: cannot archive " << DisplayPath(options.capture) << ": " << reason
        << Qt::endl;
    return exitCode;
  }
  ArchivedTransfer transfer;
  transfer.id = id;
  transfer.actor = Actor::Here(ProgramName());
  transfer.device = options.capture;
  transfer.start = transfer.end = QFileInfo(file).lastModified().toUTC();
  transfer.timeZone = QString::fromLatin1(QTimeZone::systemTimeZoneId());
  transfer.details = options.details;
  transfer.original.bytes = file.readAll();
  QString problem;
  for (const QString& path : {options.output, options.report})
    if (!path.isEmpty()) transfer.files.push_back(SavedFile::Of(path, &problem));
  return ArchiveWithMessage(options.archive, transfer, err, exitCode);
}

}  // namespace

int DecodeCapture(const DecodeOptions& options, QTextStream& err) {
  const QString& capture = options.capture;
  const QString& output = options.output;
  const MqttOptions& mqtt = options.mqtt;
  const bool all = options.all, replace = options.replace;
  if (!options.report.isEmpty()) {
    if (const QString problem = ReportProblem(options.report, replace); !problem.isEmpty()) {
      err << "orbek-log: " << problem << Qt::endl;
      return kExitUsage;
    }
  }
  if (!output.isEmpty()) {
    if (const QString problem = OutputProblem(output, replace); !problem.isEmpty()) {
      err << "orbek-log: " << problem << Qt::endl;
      return kExitUsage;
    }
  }
  if (const QString problem = CaptureProblem(capture); !problem.isEmpty()) {
    err << "orbek-log: cannot decode " << DisplayPath(capture) << ": " << problem << Qt::endl;
    return kExitPortError;
  }
  if (IsFifo(capture))
    err << "orbek-log: waiting for a writer on " << DisplayPath(capture) << " (Ctrl+C stops)"
        << Qt::endl;
  QFile file;
  QString reason;
  if (!OpenNative(file, capture, QIODevice::ReadOnly, &reason)) {
    err << "orbek-log: cannot read " << DisplayPath(capture) << ": " << reason << Qt::endl;
    return kExitPortError;
  }
  std::unique_ptr<ReadingPublisher> publisher;
  if (!mqtt.url.isEmpty()) {
    try {
      // A journal's own transfer id, so that the copies match the first ones.
      QByteArray transfer = Journal::Tag(capture, kTransferTag);
      if (transfer.isEmpty()) transfer = NewTransferId();
      publisher = std::make_unique<ReadingPublisher>(mqtt, capture, transfer, options.details);
    } catch (const MqttError& error) {
      err << "orbek-log: " << error.what() << Qt::endl;
      return ReadingPublisher::ExitCodeFor(error);
    }
  }
  // The writer's thread only notes why it failed; this one says it.
  std::mutex failureMutex;
  QString failure;
  LineWriter out(STDOUT_FILENO, kStdoutBacklog, [&](const QString& reason) {
    const std::lock_guard lock(failureMutex);
    failure = reason;
  });
  int exitCode = kExitComplete;
  ReplayResult result;
  TransferRecord kept;
  kept.details = options.details;
  try {
    std::unique_ptr<ReadingsFile> saved;
    if (!output.isEmpty()) saved = std::make_unique<ReadingsFile>(output, options.details);
    ReadingPrinter printer(&out, true, saved.get(), publisher.get(),
                           options.report.isEmpty() ? nullptr : &kept);
    // A replay makes lines as fast as it reads: they leave in batches.
    out.Gather(true);
    for (QByteArray& line : CsvPreamble(options.details))
      out.Push(std::move(line));
    result = ReplayCapture(file, all, printer, std::function<bool()>(TakeStopRequest));
    out.Gather(false);
    out.Drain(kStdoutDrain);
    if (out.Failed()) {
      const std::lock_guard lock(failureMutex);
      err << "orbek-log: cannot write to standard output: " << failure << Qt::endl;
    }
    if (result.stopped) err << "orbek-log: stopped; the readings so far are kept" << Qt::endl;
    if (!result.readError.isEmpty()) {
      err << "orbek-log: cannot read " << DisplayPath(capture)
          << " to its end: " << result.readError << Qt::endl;
      exitCode = kExitPortError;
    }
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
    if (result.loss.times > 0)
      err << "orbek-log: " << QString::fromStdString(result.loss.Describe()) << Qt::endl;
    PrintStatistics(printer.Statistics(), err);
    exitCode = WarnOfForeignBytes(printer, capture, err, exitCode);
    if (saved) {
      saved->Finish(printer.Statistics());
      err << "orbek-log: saved " << DisplayPath(output) << Qt::endl;
    }
    if (!options.report.isEmpty()) {
      ReportModule().writeTransferReport(options.report, kept,
                                         {DisplayPath(capture), ProgramName(), {}, {}});
      err << "orbek-log: saved the report " << DisplayPath(options.report) << Qt::endl;
    }
    exitCode = ArchiveRecovered(options, err, exitCode);
  } catch (const SaveError& error) {
    err << "orbek-log: " << error.what() << Qt::endl;
    return publisher ? publisher->Finish(kExitSaveFailed, err, capture) : kExitSaveFailed;
  }
  if (publisher) exitCode = publisher->Finish(exitCode, err, capture);
  if (out.Unwritten() > 0 && output.isEmpty() && !publisher) {
    err << "orbek-log: " << out.Unwritten() << " lines did not reach standard output" << Qt::endl;
    if (exitCode == kExitComplete) return kExitOutputFailed;
  }
  return WithLineLosses(exitCode, result.loss.lostReadings > 0);
}

QString ReportProblem(const QString& path, bool replace) {
  if (QFileInfo(path).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) != 0)
    return QStringLiteral("Cannot save %1: a report's name must end in .pdf")
        .arg(DisplayPath(path));
  return SaveProblem(path, replace);
}

void PrintStatistics(const ReadingStatistics& statistics, QTextStream& err) {
  for (const std::string& line : statistics.Lines())
    err << "orbek-log: " << QString::fromStdString(line) << Qt::endl;
}

// The report is made after the file: a report that cannot be written
// loses no reading, and says so.
int MeterLogger::WriteReport(int exitCode) {
  if (options_.report.isEmpty()) return exitCode;
  try {
    ReportModule().writeTransferReport(options_.report, kept_,
                                       {options_.port, ProgramName(), {}, {}});
  } catch (const SaveError& error) {
    err_ << "orbek-log: the report was not made: " << error.what() << Qt::endl;
    return exitCode == kExitComplete ? kExitSaveFailed : exitCode;
  }
  reportSaved_ = true;
  err_ << "orbek-log: saved the report " << DisplayPath(options_.report) << Qt::endl;
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
