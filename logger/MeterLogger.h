#pragma once

#include <QEventLoop>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QTextStream>
#include <QTimer>
#include <memory>
#include <mutex>
#include <optional>

#include "archive/ArchiveLocation.h"
#include "link/DeviceIdentity.h"
#include "link/MeterSession.h"
#include "logger/Exit.h"
#include "logger/LineWriter.h"
#include "logger/ReadingRanges.h"
#include "mqtt/MqttPublisher.h"

namespace orbek {

class Journal;
class ReadingsFile;

// The extended attribute of a journal that holds its readings' transfer id.
inline constexpr char kTransferTag[] = "user.orbek.transfer";
// A new transfer id (a UUID).
QByteArray NewTransferId();

// Publishing a run's readings to an MQTT broker: the publisher and the
// transfer id every message carries.
class ReadingPublisher {
 public:
  // Connects; throws MqttError for options that cannot be used, MqttRefused
  // when the broker refuses.
  ReadingPublisher(MqttOptions options, const QString& device, QByteArray transfer,
                   SampleDetails details);
  // The exit code for a publisher that could not start.
  static int ExitCodeFor(const MqttError& error);
  void Publish(const Reading& reading);
  // See MqttPublisher::Gather.
  void Gather(bool gather) { publisher_->Gather(gather); }
  void Flush() { publisher_->Flush(); }
  // Readings the spool could not take so far.
  std::int64_t Unspooled() const { return publisher_->Unspooled(); }
  // Returns the exit code the run ends with; `journal` is where the
  // readings are should some not reach the spool.
  int Finish(int exitCode, QTextStream& err, const QString& journal);

 private:
  std::unique_ptr<MqttPublisher> publisher_;
  QByteArray transfer_;  // made once; every message carries it
  SampleDetails details_;
};

// Where orbek-log's readings go, live or replayed alike: a CSV line each on
// standard output, the --output file (when given one), the broker (with
// --mqtt). A reading corrected by the pipeline goes again, marked, to each.
class ReadingPrinter : public ReadingSink {
 public:
  // `wait`: a replay waits for standard output; a live run never does and
  // skips lines instead. Each of the four may be null; `kept` keeps every
  // reading, for a report.
  ReadingPrinter(LineWriter* out, bool wait, ReadingsFile* file, ReadingPublisher* publisher,
                 TransferRecord* kept = nullptr);
  void OnReading(const Reading& reading) override;
  void OnOutOfStep(const Reading& corrected) override;
  void OnStepRegained(const StepLoss&) override {}
  void OnEnd(const MeterRecord&) override {}
  // The first reading standard output had to skip; the caller says it once.
  bool SkippedNow() { return std::exchange(skippedNow_, false); }
  // Readings whose line never reached standard output whole: skipped for a
  // full queue, or taken and never written. Ask once the writer has
  // drained or given up.
  ReadingRanges MissedOnStdout() const;
  ReadingStatistics Statistics() const { return statistics_.Current(); }
  // Live, notes when each reading came; replayed from the journal, gives
  // each reading the time it came live (a replay knows none of its own).
  void NoteArrivals(ArrivalTimes* arrivals) { noted_ = arrivals; }
  void RestoreArrivals(const ArrivalTimes* arrivals) { arrivals_ = arrivals; }

 private:
  void Print(const Reading& reading, bool first);
  Reading Stamped(const Reading& reading) const;

  LineWriter* out_;
  bool wait_;
  ReadingsFile* file_;
  ReadingPublisher* publisher_;
  TransferRecord* kept_;
  StreamStatistics statistics_;
  ArrivalTimes* noted_ = nullptr;
  const ArrivalTimes* arrivals_ = nullptr;
  bool skipped_ = false, skippedNow_ = false;
  ReadingRanges skippedReadings_;
  // The latest lines taken, by the writer's count: as many as can still be
  // waiting in its queue or its batch.
  struct Taken {
    std::int64_t line = -1, reading = -1;
  };
  std::vector<Taken> taken_;
};

// One unattended transfer over the meter session the window uses: opens
// the port, starts the transfer and prints each reading as a CSV line. With
// --output every byte received goes to a journal on disk as it comes, and
// the file is made from the journal at the end. It ends at the end record,
// on SIGINT, SIGTERM, SIGHUP or SIGQUIT (after the stop byte), or when the
// device goes away (unless it waits for it to come back).
class MeterLogger : public QObject {
  Q_OBJECT

 public:
  struct Options {
    QString port;
    int baud = 9600;
    int intervalIndex = 0;   // "OFF" .. "30 min."
    QString output;          // .csv, .xls or .xlsx; empty for none
    QString capture;         // raw bytes received; empty for none
    bool reconnect = false;  // wait for a lost device to come back
    bool replace = false;    // --output, --capture and --report may replace a file
    MqttOptions mqtt;        // mqtt.url empty for none
    SampleDetails details;
    QString report;  // a PDF of the transfer; empty for none
    ArchiveLocation archive;  // kind Off for none
  };

  MeterLogger(Options options, QTextStream& err);
  ~MeterLogger() override;

  // Returns the exit code.
  int Run();

  // Where the bytes of a run with --output wait until the file is made:
  // FILE.capture, the name shortened where the system's limit requires.
  static QString JournalFor(const QString& output);

 private:
  int Prepare();
  void OnReading(const Reading& reading);
  void OnDeviceLost();
  void LookForDevice();
  void OnSignal();
  void OnStdoutFailed(const QString& reason);
  void Finish(int exitCode);
  void StopMeter();
  int SaveOutput(int exitCode);
  std::optional<ReadingRanges> MissingFromJournal(QString* reason) const;
  ReadingRanges MissedOnStdout() const;
  bool DrainStdout();
  QString WhereReadingsAre(const ReadingRanges& absent);
  int ReportStdout(int exitCode);
  int WriteReport(int exitCode);
  int ArchiveRun(int exitCode);
  void ReleaseJournal();
  bool Archiving() const { return options_.archive.kind != ArchiveLocation::Kind::Off; }

  Options options_;
  QTextStream& err_;
  MeterSession session_;
  QEventLoop loop_;
  std::unique_ptr<QSocketNotifier> signalWatch_;
  DeviceIdentity identity_;  // of the port opened, to find it again
  QTimer reconnectWatch_;
  LineWriter out_;
  std::unique_ptr<ReadingPublisher> publisher_;
  std::unique_ptr<ReadingPrinter> printer_;
  TransferRecord kept_;  // every reading, with --report
  ArrivalTimes arrivals_;  // when each reading came, for the file made from the journal
  std::unique_ptr<Journal> journal_;
  QByteArray transfer_ = NewTransferId();  // every message's, kept with the journal
  QString journalPath_;                    // empty without --output or --capture
  bool stdoutDrainedYet_ = false;
  bool stdoutDrained_ = true;              // standard output took every line queued in time
  bool fileHasEveryReading_ = false;       // --output was saved whole
  bool reportSaved_ = false;
  bool archiveHasIt_ = true;               // the archive or its waiting folder
  QByteArray received_;                    // every byte, for the archive, without a journal
  QDateTime started_;                      // when the start byte went, UTC
  int exitCode_ = kExitComplete;
  bool finished_ = false;  // Finish ran; the loop is not run, or quits
  // Why standard output failed, from the writer's thread, and whether the
  // user has heard.
  std::mutex stdoutFailureMutex_;
  QString stdoutFailure_;
  bool stdoutFailureSaid_ = false;
};

// Archives `transfer` at `location`, or leaves it waiting, and says so;
// returns the exit code the run ends with.
struct ArchivedTransfer;
// `kept`: whether the archive or its waiting folder has it.
int ArchiveWithMessage(const ArchiveLocation& location, const ArchivedTransfer& transfer,
                       QTextStream& err, int exitCode, bool* kept = nullptr);

// Says so when most of what `source` gave carries neither a real date nor
// a defined value (random bytes, a wrong baud rate), and returns the exit
// code the run ends with then.
int WarnOfForeignBytes(const ReadingPrinter& printer, const QString& source, QTextStream& err,
                       int exitCode);

// What orbek-log --decode is given.
struct DecodeOptions {
  QString capture;
  QString output;  // empty for none
  QString report;  // empty for none
  bool all = false;
  bool replace = false;
  MqttOptions mqtt;
  SampleDetails details;
  ArchiveLocation archive;  // a journal of ours is archived, if it is not yet
};

// Decodes a raw capture to CSV on standard output (and the output file and
// report, if given), stopping at an end-of-transfer record unless `all`.
// Reads as it goes. Returns the exit code.
int DecodeCapture(const DecodeOptions& options, QTextStream& err);

// What is wrong with `path` as --report, before anything is sent to the
// meter; empty when it will do.
QString ReportProblem(const QString& path, bool replace);

// The statistics on standard error at the end of a run, a line a series.
void PrintStatistics(const ReadingStatistics& statistics, QTextStream& err);

// What standard output starts with: the sample's details as comment lines,
// then the CSV header, as in a saved CSV file.
std::vector<QByteArray> CsvPreamble(const SampleDetails& details);

// Prints the ports the scan finds, one a line with its description; the
// scan's report, with any permission hint, goes to `err`.
int ListPorts(const QStringList& extraPorts, QTextStream& out, QTextStream& err);

}  // namespace orbek
