// Every file-system call of a whole run made to fail in turn, and the run
// killed at many points: at each, every reading the meter sent is in the
// output (and at the broker), or the run ends non-zero saying which
// readings are missing, why and where they still are; an earlier file is
// never replaced by less.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <map>
#include <set>

#include "tests/support/CsvLayout.h"
#include "tests/support/EventLoop.h"
#include "tests/support/Files.h"
#include "tests/support/LoggerProcess.h"
#include "tests/support/MqttBroker.h"
#include "tests/support/Records.h"
#include "tools/sim/MeterSimulator.h"

namespace orbek {
namespace {

using sim::MeterSimulator;
using test::MqttBroker;
using test::MqttSubscriber;
using test::ReadAll;
using Outcome = test::Run;

// The words a message must use for the faults injected.
const char* const kCauses[] = {"the disk is full", "the device reported an input/output error"};

struct Fault {
  QString prefix;  // the calls on files under here are counted
  long at = 0;     // the call that fails; 0 counts them
  const char* error = "ENOSPC";
  long count = 1;  // calls that fail from there; 0: every one after (a disk that stays full)
  bool kill = false;  // the call kills the run instead
};

// Runs `program` with the shim and `variables` ({name, value}) set; `calls`
// gets how many calls were counted.
Outcome RunWithFault(const QString& program, const QStringList& arguments, const Fault& fault,
                     long* calls = nullptr,
                     const std::vector<std::pair<QString, QString>>& variables = {}) {
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  QTemporaryDir report;
  for (const auto& [name, value] : variables)
    environment.insert(name, value);
  environment.insert("LD_PRELOAD", ORBEK_FAULT_SHIM);
  environment.insert("ORBEK_FAULT_PREFIX", fault.prefix);
  environment.insert("ORBEK_FAULT_AT", QString::number(fault.at));
  environment.insert("ORBEK_FAULT_ERRNO", fault.error);
  environment.insert("ORBEK_FAULT_COUNT", QString::number(fault.count));
  environment.insert("ORBEK_FAULT_REPORT", report.filePath("calls"));
  if (fault.kill) environment.insert("ORBEK_FAULT_KILL", "1");
  process.setProcessEnvironment(environment);
  process.start(program, arguments);
  const Outcome run = test::Finish(process);
  if (calls != nullptr) *calls = ReadAll(report.filePath("calls")).trimmed().toLong();
  return run;
}

bool NamesTheCause(const QString& text) {
  for (const char* cause : kCauses)
    if (text.contains(cause)) return true;
  return false;
}

// Readings (not the header) in a CSV file, a capture, or a workbook of the
// window's layout: rows of its table sheets ("Sheet1", "Sheet2", ...; the
// window's Data sheets hold the same again) whose value cell is filled.
int ReadingsIn(const QString& path) {
  if (path.endsWith(".csv") || path.endsWith(".capture")) {
    QProcess decoder;
    if (path.endsWith(".capture")) {
      decoder.start(ORBEK_LOG, {"--decode", path});
      return static_cast<int>(test::Finish(decoder).out.count('\n')) - 1;
    }
    return static_cast<int>(ReadAll(path).count('\n')) - 1;
  }
  const QString script = path.endsWith(".xlsx")
                             ? "import openpyxl,sys\n"
                               "b=openpyxl.load_workbook(sys.argv[1],read_only=True)\n"
                               "print(sum(1 for s in b if s.title.startswith('Sheet') for r in "
                               "s.iter_rows(min_row=2,values_only=True) if r[2] not in (None,'')))"
                             : "import xlrd,sys\n"
                               "b=xlrd.open_workbook(sys.argv[1])\n"
                               "print(sum(1 for s in b.sheets() if s.name.startswith('Sheet') "
                               "for i in range(1,s.nrows) if s.cell_value(i,2)!=''))";
  QProcess reader;
  reader.start("/usr/bin/python3", {"-c", script, path});
  const Outcome run = test::Finish(reader);
  return run.exitCode == 0 ? run.out.trimmed().toInt() : -1;
}

QString WriteCapture(const QString& folder, const std::vector<sim::RecordBytes>& records) {
  const QString path = folder + "/in.capture";
  test::WriteFile(path, test::Raw(records) + test::Raw({sim::EndRecord()}));
  return path;
}

// Files other than `keep` left in `folder`: work files a failure left.
QStringList Litter(const QString& folder, const QStringList& keep) {
  QStringList left;
  for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
    if (!keep.contains(name)) left << name;
  return left;
}

TEST(FaultSweepTest, EveryFailingCallOfASaveKeepsTheOldFileOrSavesEveryReading) {
  QTemporaryDir input, dir;
  const auto records = sim::GenerateRecords(30, 81);
  const QString capture = WriteCapture(input.path(), records);
  int points = 0;
  for (const char* format : {"csv", "xls", "xlsx"}) {
    const QString output = dir.filePath(QString("out.") + format);
    const QStringList arguments = {"--decode", capture, "--output", output, "--replace"};
    long calls = 0;
    test::WriteFile(output, "old");
    RunWithFault(ORBEK_LOG, arguments, {dir.path() + "/"}, &calls);
    ASSERT_GT(calls, 3) << format;
    for (long at = 1; at <= calls; ++at, ++points) {
      SCOPED_TRACE(QString("%1, call %2 of %3").arg(format).arg(at).arg(calls).toStdString());
      test::WriteFile(output, "old");
      const Outcome run =
          RunWithFault(ORBEK_LOG, arguments, {dir.path() + "/", at, at % 2 ? "ENOSPC" : "EIO"});
      if (run.exitCode == 0) {
        EXPECT_EQ(ReadingsIn(output), 30) << run.err.toStdString();
      } else {
        EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
        EXPECT_EQ(ReadAll(output), "old") << run.err.toStdString();
        EXPECT_TRUE(NamesTheCause(run.err)) << run.err.toStdString();
      }
      EXPECT_EQ(Litter(dir.path(), {"out.csv", "out.xls", "out.xlsx"}), QStringList());
    }
  }
  RecordProperty("points", points);
}

TEST(FaultSweepTest, EveryFailingCallOfALiveRunLosesNoReadingWithoutSayingWhere) {
  QTemporaryDir dir;
  const auto records = sim::GenerateRecords(40, 82);
  const QString output = dir.filePath("log.csv");
  const QString journal = output + ".capture";
  long calls = 0;
  for (long at = 0; at <= calls; ++at) {
    SCOPED_TRACE(QString("call %1 of %2").arg(at).arg(calls).toStdString());
    QFile::remove(journal);
    test::WriteFile(output, "old");
    MeterSimulator meter(MeterSimulator::Paced(records, MeterSimulator::Pace::Fixed, 400));
    const Outcome run = RunWithFault(
        ORBEK_LOG,
        {"--port", QString::fromStdString(meter.DevicePath()), "--output", output, "--replace"},
        {dir.path() + "/", at, at % 2 ? "ENOSPC" : "EIO", at % 3 ? 1 : 0},
        at == 0 ? &calls : nullptr);
    const int printed = static_cast<int>(run.out.count('\n')) - 1;
    if (run.exitCode == 2) {  // refused before the meter was told anything
      EXPECT_TRUE(NamesTheCause(run.err)) << run.err.toStdString();
      EXPECT_TRUE(meter.Received().empty());
      continue;
    }
    if (run.exitCode == 0) {
      EXPECT_EQ(ReadingsIn(output), 40) << run.err.toStdString();
      EXPECT_FALSE(QFile::exists(journal));
      continue;
    }
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_TRUE(NamesTheCause(run.err)) << run.err.toStdString();
    const bool saved = ReadingsIn(output) == 40;
    const bool journalled = QFile::exists(journal) && ReadingsIn(journal) == 40 &&
                            run.err.contains("every byte received stays in");
    const bool onStdout = run.err.contains("printed on standard output") && printed == 40;
    EXPECT_TRUE(saved || journalled || onStdout) << run.err.toStdString();
    if (!saved) {
      EXPECT_EQ(ReadAll(output), "old");
    }
  }
  EXPECT_GT(calls, 5);
  RecordProperty("points", static_cast<int>(calls));
}

// The numbers a message gives for readings still on their way.
long Mentioned(const QString& err, const QString& pattern) {
  const auto match = QRegularExpression(pattern).match(err);
  return match.hasMatch() ? match.captured(1).toLong() : 0;
}

// The reading numbers a message names, "readings 3, 9 to 12", by what it
// says of them ("stays in", "on standard output only", "lost").
std::map<QString, std::set<long>> NamedReadings(const QString& message) {
  std::map<QString, std::set<long>> named;
  static const QRegularExpression part(
      "readings? ([0-9]+(?: to [0-9]+)?(?:, [0-9]+(?: to [0-9]+)?)*) (?:is|are|was|were) "
      "(in |printed on standard output only|lost)");
  for (auto match = part.globalMatch(message); match.hasNext();) {
    const auto m = match.next();
    for (const QString& run : m.captured(1).split(", ")) {
      const QStringList ends = run.split(" to ");
      for (long n = ends.first().toLong(); n <= ends.last().toLong(); ++n)
        named[m.captured(2).trimmed()].insert(n);
    }
  }
  return named;
}

// Numbers and their last line, of standard output or a CSV file.
std::map<long, QString> LastLines(const QString& text) {
  std::map<long, QString> lines;
  for (const QString& line : text.split('\n', Qt::SkipEmptyParts)) {
    if (line.startsWith('#') || line.startsWith("No.")) continue;
    lines[line.section(',', 0, 0).toLong()] = line;
  }
  return lines;
}

// The journal's disk stays full long past the memory set aside for it,
// with standard output read or stalled: the file keeps the meter's numbers
// (a gap, never a record made of two), and the end names exactly the
// readings it lacks and where each still is.
TEST(FaultSweepTest, AFullDiskThatOutlastsTheMemoryNamesEveryMissingReading) {
  const struct {
    const char* name;
    long readings;
    bool stalled;   // the reader takes nothing until the run has given up on it
    long failFrom;  // the call on the journal's folder from which 120 fail
  } cases[] = {{"standard output read", 1500, false, 20},
               // Past what the pipe holds: those readings are nowhere.
               {"standard output stalled", 3000, true, 200}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const long kReadings = c.readings;
    const auto records = sim::GenerateRecords(static_cast<std::size_t>(kReadings), 84);
    QTemporaryDir dir, elsewhere;
    const QString output = dir.filePath("log.csv");
    const QString printed = elsewhere.filePath("printed.txt");
    MeterSimulator meter(MeterSimulator::Paced(records, MeterSimulator::Pace::Fixed, 300));
    const QString run = QString("set -o pipefail; ORBEK_JOURNAL_MEMORY=600 %1 --port %2 --output %3 | %4 cat > %5")
                            .arg(ORBEK_LOG, QString::fromStdString(meter.DevicePath()), output,
                                 c.stalled ? "{ sleep 25; cat; } |" : "", printed);
    const Outcome outcome =
        RunWithFault("bash", {"-c", run}, {dir.path() + "/", c.failFrom, "ENOSPC", 120});
    EXPECT_EQ(outcome.exitCode, 1) << outcome.err.toStdString();
    const std::map<long, QString> file = LastLines(ReadAll(output));
    const std::map<long, QString> out = LastLines(ReadAll(printed));
    ASSERT_GT(file.size(), 100u) << outcome.err.toStdString();
    ASSERT_LT(file.size(), static_cast<std::size_t>(kReadings)) << "the disk was never full";
    for (const auto& [number, line] : file) {
      ASSERT_LT(number, kReadings);
      if (out.contains(number)) {
        // The same reading, whatever the file adds of readings lost before it.
        EXPECT_EQ(line.section(',', 1, 5), out.at(number).section(',', 1, 5)) << number;
      }
    }
    const QString said = outcome.err.section(" readings are not in ", 1).section('\n', 0, 0);
    EXPECT_EQ(Mentioned(outcome.err, QString("(\\d+) of %1 readings are not in").arg(kReadings)),
              kReadings - static_cast<long>(file.size()))
        << outcome.err.toStdString();
    std::set<long> absent, named;
    for (long n = 0; n < kReadings; ++n)
      if (!file.contains(n)) absent.insert(n);
    for (const auto& [where, numbers] : NamedReadings(said)) {
      named.insert(numbers.begin(), numbers.end());
      for (const long n : numbers) {
        const bool onStdout = out.contains(n);
        if (where == "printed on standard output only" || where == "lost") {
          EXPECT_EQ(onStdout, where != "lost") << "reading " << n << ": " << where.toStdString();
        }
      }
    }
    EXPECT_EQ(named, absent) << said.toStdString();
  }
}

TEST(FaultSweepTest, EveryFailingCallOfThePublisherLeavesNoReadingUnaccounted) {
  if (!MqttBroker::Available()) GTEST_SKIP() << "no mosquitto broker installed";
  QTemporaryDir dir;
  MqttBroker broker;
  const auto records = sim::GenerateRecords(20, 83);
  long calls = 0;
  for (long at = 0; at <= calls; ++at) {
    SCOPED_TRACE(QString("call %1 of %2").arg(at).arg(calls).toStdString());
    const std::string topic = "sweep/" + std::to_string(at);
    MqttSubscriber subscriber(broker.Port(), topic + "/reading", "sweep-" + topic);
    ASSERT_TRUE(subscriber.Subscribed());
    MeterSimulator meter(MeterSimulator::Paced(records, MeterSimulator::Pace::Fixed, 400));
    const QString output = dir.filePath(QString("log-%1.csv").arg(at));
    const Outcome run =
        RunWithFault(ORBEK_LOG,
                     {"--port", QString::fromStdString(meter.DevicePath()), "--output", output,
                      "--mqtt", broker.Url(), "--mqtt-topic", QString::fromStdString(topic)},
                     {dir.path() + "/", at, at % 2 ? "ENOSPC" : "EIO"}, at == 0 ? &calls : nullptr,
                     {{"XDG_STATE_HOME", dir.filePath("state")}});
    if (run.exitCode == 2) {  // refused before the meter was told anything
      EXPECT_TRUE(NamesTheCause(run.err)) << run.err.toStdString();
      EXPECT_TRUE(meter.Received().empty());
      continue;
    }
    subscriber.WaitFor(20, "/reading", run.exitCode == 0 ? 10000 : 1000);
    std::set<long long> delivered;
    for (const auto& message : subscriber.Messages("/reading"))
      delivered.insert(QJsonDocument::fromJson(message.payload).object()["reading"].toInteger());
    if (run.exitCode == 0) {
      EXPECT_EQ(delivered.size(), 20u) << run.err.toStdString();
      continue;
    }
    EXPECT_TRUE(NamesTheCause(run.err)) << run.err.toStdString();
    const long waiting = Mentioned(run.err, "has not acknowledged (\\d+) readings") +
                         Mentioned(run.err, "(\\d+) readings could not be written to the spool");
    EXPECT_GE(static_cast<long>(delivered.size()) + waiting, 20) << run.err.toStdString();
  }
  EXPECT_GT(calls, 5);
  RecordProperty("points", static_cast<int>(calls));
}

TEST(FaultSweepTest, EveryFailingCallOfTheWindowsJournalAndSaveIsSaidWithItsCause) {
  QTemporaryDir dir;
  const auto records = sim::GenerateRecords(25, 84);
  long points = 0;
  for (const char* format : {"xls", "xlsx"}) {
    const QString output = dir.filePath(QString("table.") + format);
    long calls = 0;
    for (long at = 0; at <= calls; ++at) {
      SCOPED_TRACE(QString("%1, call %2 of %3").arg(format).arg(at).arg(calls).toStdString());
      test::WriteFile(output, "old");
      MeterSimulator meter(MeterSimulator::Paced(records, MeterSimulator::Pace::Fixed, 400));
      const Outcome run = RunWithFault(
          ORBEK_WINDOW_DRIVER, {QString::fromStdString(meter.DevicePath()), "--save", output},
          {dir.path() + "/", at, at % 2 ? "ENOSPC" : "EIO"}, at == 0 ? &calls : nullptr,
          {{"XDG_STATE_HOME", dir.filePath("state")}});
      ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
      const bool exported = run.out.contains("box: Data has been exported into Excel file");
      if (exported) {
        EXPECT_EQ(ReadingsIn(output), 25) << run.out.toStdString();
      } else {
        EXPECT_EQ(ReadAll(output), "old") << run.out.toStdString();
      }
      for (const QString& line : run.out.split('\n')) {
        if (line.startsWith("box: Cannot")) {
          EXPECT_TRUE(NamesTheCause(line)) << line.toStdString();
        }
      }
      if (at > 0 && !exported) {
        EXPECT_TRUE(run.out.contains("box: Cannot")) << run.out.toStdString();
      }
    }
    EXPECT_GT(calls, 5);
    points += calls;
  }
  RecordProperty("points", static_cast<int>(points));
}

// An installation that lost the chart's module: the window shows the chart,
// which says why it draws nothing, and still takes and saves every reading.
TEST(FaultSweepTest, AWindowWithoutItsChartModuleStillSavesEveryReading) {
  QTemporaryDir dir;
  ASSERT_TRUE(QDir().mkpath(dir.filePath("bin")));
  const QString window = dir.filePath("bin/orbek_window_driver");  // no modules beside it
  ASSERT_TRUE(QFile::copy(ORBEK_WINDOW_DRIVER, window));
  const auto records = sim::GenerateRecords(40, 12);
  MeterSimulator meter(MeterSimulator::Paced(records, MeterSimulator::Pace::Fixed, 400));
  const QString output = dir.filePath("readings.csv");
  const Outcome run = RunWithFault(
      window, {QString::fromStdString(meter.DevicePath()), "--chart", "--save", output},
      {dir.filePath("none/")}, nullptr, {{"XDG_STATE_HOME", dir.filePath("state")}});
  ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
  EXPECT_TRUE(run.out.contains("box: Every reading of the transfer has been saved"))
      << run.out.toStdString();
  EXPECT_EQ(ReadingsIn(output), 40);
}

// A run killed at 200 points comes back whole with the README's recovery,
// and the broker gets every reading under the transfer id of the first copies.
TEST(FaultSweepTest, ARunKilledAnywhereIsRecoveredWithTheSameTransfer) {
  if (!MqttBroker::Available()) GTEST_SKIP() << "no mosquitto broker installed";
  QTemporaryDir dir;
  MqttBroker broker;
  const auto records = sim::GenerateRecords(200, 85);
  constexpr int kPoints = 200;
  for (int point = 0; point < kPoints; ++point) {
    SCOPED_TRACE(QString("kill point %1").arg(point).toStdString());
    const std::string topic = "killed/" + std::to_string(point);
    MqttSubscriber subscriber(broker.Port(), topic + "/reading", "killed-" + topic);
    ASSERT_TRUE(subscriber.Subscribed());
    const QString output = dir.filePath(QString("log-%1.csv").arg(point));
    const QStringList mqtt = {"--mqtt", broker.Url(), "--mqtt-topic",
                              QString::fromStdString(topic)};
    MeterSimulator meter(MeterSimulator::Paced(records, MeterSimulator::Pace::Fixed, 1000));
    QProcess logger;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_STATE_HOME", dir.filePath("state"));
    logger.setProcessEnvironment(environment);
    logger.start(ORBEK_LOG, QStringList{"--port", QString::fromStdString(meter.DevicePath()),
                                        "--output", output} +
                                mqtt);
    const std::size_t killAt = static_cast<std::size_t>(point) * records.size() / kPoints;
    ASSERT_TRUE(test::WaitUntil([&] { return meter.RecordsSent() >= killAt; }, 10000));
    ::kill(static_cast<pid_t>(logger.processId()), SIGKILL);
    logger.waitForFinished();
    const QStringList printed =
        QString::fromUtf8(logger.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);

    if (!QFile::exists(output + ".capture")) {  // killed before it had a journal
      EXPECT_LE(printed.size(), 1) << "readings printed without a journal";
      continue;
    }
    QProcess recovery;
    recovery.setProcessEnvironment(environment);
    recovery.start(ORBEK_LOG,
                   QStringList{"--decode", output + ".capture", "--output", output} + mqtt);
    const Outcome run = test::Finish(recovery);
    ASSERT_TRUE(run.exitCode == 0 || run.exitCode == 5) << run.err.toStdString();
    const QStringList recovered =
        QString::fromUtf8(ReadAll(output)).split('\n', Qt::SkipEmptyParts);
    // Every whole line printed before the kill is in the recovered file;
    // a journal keeps the bytes, not when they came.
    const QStringList live = test::BlankReceived(printed);
    for (qsizetype i = 1; i + 1 < printed.size(); ++i)
      ASSERT_EQ(recovered.value(i), live[i]) << i;
    const auto readings = static_cast<std::size_t>(recovered.size() - 1);
    // Copies of the killed run's messages come too: wait for every number.
    std::set<QString> transfers;
    std::set<long long> numbers;
    const auto delivered = [&] {
      transfers.clear();
      numbers.clear();
      for (const auto& message : subscriber.Messages("/reading")) {
        const QJsonObject json = QJsonDocument::fromJson(message.payload).object();
        transfers.insert(json["transfer"].toString());
        numbers.insert(json["reading"].toInteger());
      }
      return numbers.size() >= readings;
    };
    ASSERT_TRUE(test::WaitUntil(delivered, 10000)) << numbers.size() << " of " << readings;
    if (readings > 0) {
      EXPECT_EQ(transfers.size(), 1u) << "the recovery's copies carry another transfer";
    }
    EXPECT_EQ(numbers.size(), readings);
  }
  RecordProperty("points", kPoints);
}

// Every file-system call the archive makes fails in turn, then kills the
// run there: after each, the transfer is in the archive or waits beside it
// (or, killed, in the journal its recovery archives), exactly once, whole.
TEST(FaultSweepTest, EveryFailingOrKilledCallOfTheArchiveKeepsTheTransferOnce) {
  QTemporaryDir dir;
  const auto records = sim::GenerateRecords(40, 86);
  const QString output = dir.filePath("a.csv");
  int points = 0;
  // A run with XDG_DATA_HOME at `data`, the shim on the archive's folder.
  const auto run = [&](const QString& data, const QStringList& arguments, const Fault& fault,
                       long* calls) {
    return RunWithFault(ORBEK_LOG, arguments, fault, calls, {{"XDG_DATA_HOME", data}});
  };
  const auto transfer = [&](const QString& data, const Fault& fault, long* calls,
                            const QString& file) {
    MeterSimulator meter(MeterSimulator::Paced(records, MeterSimulator::Pace::Fixed, 400));
    QFile::remove(file + ".capture");
    return run(data,
               {"--port", QString::fromStdString(meter.DevicePath()), "--output", file,
                "--replace"},
               fault, calls);
  };
  // How many transfers the archive at `data` lists, and whether it checks out.
  const auto archived = [&](const QString& data) {
    const Outcome history = run(data, {"--history"}, {}, nullptr);
    const Outcome verified = run(data, {"--verify-archive"}, {}, nullptr);
    EXPECT_EQ(verified.exitCode, 0) << verified.err.toStdString();
    return static_cast<int>(history.out.count('\n')) - 1;
  };
  long calls = 0;
  transfer(dir.filePath("count"), {dir.filePath("count/orbek/")}, &calls, output);
  ASSERT_GT(calls, 10);
  for (const bool kill : {false, true}) {
    for (long at = 1; at <= calls; ++at, ++points) {
      SCOPED_TRACE(QString("%1 at call %2 of %3").arg(kill ? "killed" : "failing").arg(at).arg(calls)
                       .toStdString());
      const QString data = dir.filePath(QString("data-%1-%2").arg(kill).arg(at));
      const Fault fault{data + "/orbek/", at, at % 2 ? "ENOSPC" : "EIO", at % 3 ? 1 : 0, kill};
      const Outcome outcome = transfer(data, fault, nullptr, output);
      if (kill) {
        // The journal's recovery archives it, unless it went in already.
        ASSERT_EQ(outcome.exitCode, -1);
        ASSERT_TRUE(QFile::exists(output + ".capture")) << "killed before the journal went";
        const Outcome recovery =
            run(data,
                {"--decode", output + ".capture", "--output", dir.filePath("recovered.csv"),
                 "--replace"},
                {}, nullptr);
        ASSERT_EQ(recovery.exitCode, 0) << recovery.err.toStdString();
        EXPECT_EQ(archived(data), 1);
        continue;
      }
      EXPECT_EQ(ReadingsIn(output), 40) << outcome.err.toStdString();
      const bool waits = outcome.err.contains("it waits in");
      const bool nowhere = outcome.err.contains("nor can it wait");
      EXPECT_EQ(outcome.exitCode, nowhere ? 1 : 0) << outcome.err.toStdString();
      if (!waits && !nowhere) {
        EXPECT_TRUE(outcome.err.contains("archived as transfer")) << outcome.err.toStdString();
        EXPECT_EQ(archived(data), 1);
        continue;
      }
      // What waits goes in with the next transfer; what could not wait is
      // in the file the message named.
      // What could not wait is in the journal, which stays to archive it.
      EXPECT_EQ(QFile::exists(output + ".capture"), nowhere) << outcome.err.toStdString();
      // In SQLite's words where it says ("database or disk is full", "disk
      // I/O error"); a file it could not open it closes and forgets why.
      EXPECT_TRUE(NamesTheCause(outcome.err) || outcome.err.contains("disk is full") ||
                  outcome.err.contains("disk I/O error") ||
                  outcome.err.contains("unable to open database file"))
          << outcome.err.toStdString();
      const Outcome next = transfer(data, {}, nullptr, dir.filePath("next.csv"));
      EXPECT_EQ(next.exitCode, 0) << next.err.toStdString();
      // A commit whose sync failed may have gone in all the same: once.
      const int kept = archived(data);
      EXPECT_TRUE(kept == 2 || (nowhere && kept == 1)) << kept << next.err.toStdString();
    }
  }
  RecordProperty("points", points);
}

}  // namespace
}  // namespace orbek
