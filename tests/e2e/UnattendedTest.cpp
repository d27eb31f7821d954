// orbek-log left alone: bad output paths, large logs, signals and pipes,
// a killed process, joined captures.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "tests/support/EventLoop.h"
#include "tests/support/Files.h"
#include "tests/support/LoggerProcess.h"
#include "tools/sim/MeterSimulator.h"

namespace orbek {
namespace {

using sim::MeterSimulator;

using test::Finish;
using test::Raw;
using test::Run;

using test::Quoted;
using test::Shell;
using test::WriteFile;

qsizetype CsvReadings(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return -1;
  return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts).size() - 1;
}

TEST(UnattendedTest, ABadOutputFailsBeforeTheMeterIsToldAnything) {
  QTemporaryDir dir;
  QDir(dir.path()).mkdir("folder.csv");
  WriteFile(dir.filePath("taken.csv.capture"), "left by a run that did not finish");
  const struct {
    QString output;
    const char* says;
  } cases[] = {
      {dir.filePath("readings.txt"), ".csv, .xls or .xlsx"},
      {dir.filePath("missing/readings.csv"), "does not exist"},
      {dir.filePath("folder.csv"), "is a folder"},
      {dir.filePath(QString(300, 'r') + ".csv"), "too long"},
      {dir.filePath("taken.csv"), "did not finish"},
  };
  for (const auto& c : cases) {
    MeterSimulator meter(MeterSimulator::Paced(sim::GenerateRecords(5, 1)));
    QProcess program;
    program.start(ORBEK_LOG,
                  {"--port", QString::fromStdString(meter.DevicePath()), "--output", c.output});
    const auto run = Finish(program);
    EXPECT_EQ(run.exitCode, 2) << c.output.toStdString();
    EXPECT_TRUE(run.err.contains(c.says)) << run.err.toStdString();
    test::Pump(30);
    EXPECT_TRUE(meter.Received().empty()) << "the meter was told something: " << c.says;
  }
}

TEST(UnattendedTest, ReadingsBeyondASheetGoOnInFurtherSheets) {
  QTemporaryDir dir;
  const auto records = sim::GenerateRecords(70000, 61);
  const QString capture = dir.filePath("big.bin");
  WriteFile(capture, Raw(records) + Raw({sim::EndRecord()}));
  for (const char* name : {"big.xls", "big.xlsx"}) {
    const QString path = dir.filePath(name);
    QProcess program;
    program.setStandardOutputFile(QProcess::nullDevice());
    program.start(ORBEK_LOG, {"--decode", capture, "--output", path});
    const auto run = Finish(program);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    // Sheet1 is the window's table of 5001 rows; the Data sheets hold every
    // reading, 65,535 a sheet in either format, each headed, the numbers
    // running on across them.
    const QString check = R"(
import sys
path = sys.argv[1]
if path.endswith('.xlsx'):
    import openpyxl
    book = openpyxl.load_workbook(path, read_only=True)
    sheets = [(s.title, [r[:2] for r in s.iter_rows(values_only=True)]) for s in book.worksheets]
else:
    import xlrd
    book = xlrd.open_workbook(path)
    sheets = [(s.name, [tuple(s.row_values(i)[:2]) for i in range(s.nrows)]) for s in book.sheets()]
names = [title for title, rows in sheets]
assert names == ['Sheet1', 'Details', 'Data', 'Data2'], names
table = [int(r[0]) for r in sheets[0][1][1:]]
assert table == list(range(5001)), (len(table), table[-3:])
numbers = []
for title, rows in sheets[2:]:
    assert rows[0][0] == 'No.', rows[0]
    assert len(rows) <= 65536, len(rows)
    numbers += [int(r[0]) for r in rows[1:]]
assert numbers == list(range(70000)), (len(numbers), numbers[:3], numbers[-3:])
print(len(sheets) - 2)
)";
    QProcess python;
    python.start("/usr/bin/python3", {"-c", check, path});
    const auto checked = Finish(python);
    EXPECT_EQ(checked.exitCode, 0) << name << checked.err.toStdString();
    EXPECT_EQ(checked.out.trimmed(), "2") << name;
  }
}

TEST(UnattendedTest, EveryWayOfBeingStoppedSendsTheStopByteAndSaves) {
  QTemporaryDir dir;
  const QString log = QString(ORBEK_LOG);
  const struct {
    const char* what;
    QString command;  // %1 the port, %2 the output
    bool hangUp;
    int exitCode;
  } cases[] = {
      {"stdout piped into head", log + " --port %1 --output %2 | head -1 >/dev/null", false, 0},
      {"stdout on a full disk", log + " --port %1 --output %2 >/dev/full", false, 0},
      {"a closed terminal", "exec " + log + " --port %1 --output %2 >/dev/null", true, 0},
  };
  for (const auto& c : cases) {
    MeterSimulator meter(
        MeterSimulator::Paced(sim::GenerateRecords(300, 62), MeterSimulator::Pace::Fixed, 300));
    const QString output = dir.filePath(QString("%1.csv").arg(c.what).replace(' ', '-'));
    QProcess shell;
    shell.start("bash", {"-o", "pipefail", "-c",
                         c.command.arg(Quoted(QString::fromStdString(meter.DevicePath())),
                                       Quoted(output))});
    ASSERT_TRUE(test::WaitUntil([&] { return meter.RecordsSent() >= 30; }, 10000)) << c.what;
    if (c.hangUp) ::kill(static_cast<pid_t>(shell.processId()), SIGHUP);
    const auto run = Finish(shell);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.what << ": " << run.err.toStdString();
    ASSERT_TRUE(meter.WaitForReceived(2, std::chrono::seconds(2))) << c.what;
    EXPECT_EQ(meter.Received().back(), 0xB0) << c.what;
    const qsizetype saved = CsvReadings(output);
    EXPECT_EQ(saved, static_cast<qsizetype>(meter.RecordsSent())) << c.what;
    EXPECT_EQ(run.err.count("standard output"), c.hangUp ? 0 : 1) << run.err.toStdString();
  }
  // Without --output, a stdout that fails ends the run with the stop byte.
  MeterSimulator meter(
      MeterSimulator::Paced(sim::GenerateRecords(300, 63), MeterSimulator::Pace::Fixed, 300));
  const auto run =
      Shell(log + " --port " + QString::fromStdString(meter.DevicePath()) + " >/dev/full");
  EXPECT_EQ(run.exitCode, 6) << run.err.toStdString();
  ASSERT_TRUE(meter.WaitForReceived(2, std::chrono::seconds(2)));
  EXPECT_EQ(meter.Received(), (std::vector<std::uint8_t>{0xB1, 0xB0}));
}

TEST(UnattendedTest, AKilledRunLeavesAJournalThatBecomesAWorkbook) {
  QTemporaryDir dir;
  const auto records = sim::GenerateRecords(3000, 64);
  MeterSimulator meter(MeterSimulator::Paced(records, MeterSimulator::Pace::Fixed, 200));
  const QString output = dir.filePath("readings.xlsx");
  QProcess program;
  program.setStandardOutputFile(QProcess::nullDevice());
  program.start(ORBEK_LOG,
                {"--port", QString::fromStdString(meter.DevicePath()), "--output", output});
  ASSERT_TRUE(test::WaitUntil([&] { return meter.RecordsSent() >= 200; }, 10000));
  const std::size_t sentBefore = meter.RecordsSent();
  test::Pump(1300);  // past the next sync
  ::kill(static_cast<pid_t>(program.processId()), SIGKILL);
  program.waitForFinished();
  EXPECT_FALSE(QFile::exists(output));
  const QString journal = output + ".capture";
  ASSERT_TRUE(QFile::exists(journal));
  // What a save killed while writing leaves, and one that is being written.
  WriteFile(dir.filePath(".orbek-Ab12Cd"), QByteArray(4096, 'x'));
  {
    QFile old(dir.filePath(".orbek-Ab12Cd"));
    ASSERT_TRUE(old.open(QIODevice::ReadWrite));
    old.setFileTime(QDateTime::currentDateTime().addSecs(-120), QFileDevice::FileModificationTime);
  }
  WriteFile(dir.filePath(".orbek-Ef34Gh"), "being written");

  // The next run into that folder names the journal and clears the
  // temporary file away.
  MeterSimulator next(MeterSimulator::Paced(sim::GenerateRecords(5, 65)));
  const auto nextRun = test::Shell(QString(ORBEK_LOG) + " --port " +
                                   QString::fromStdString(next.DevicePath()) + " --output " +
                                   dir.filePath("next.csv") + " >/dev/null");
  EXPECT_EQ(nextRun.exitCode, 0) << nextRun.err.toStdString();
  EXPECT_TRUE(nextRun.err.contains("1 journal of a run that did not finish")) <<
      nextRun.err.toStdString();
  EXPECT_EQ(QDir(dir.path()).entryList({".orbek-*"}, QDir::Files | QDir::Hidden),
            QStringList{".orbek-Ef34Gh"});

  // --journals lists it with the command that recovers it.
  const auto listed = test::Shell(QString(ORBEK_LOG) + " --journals " + dir.path());
  const QStringList entries = listed.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(entries.size(), 1) << listed.out.toStdString() << listed.err.toStdString();
  const QStringList fields = entries[0].split('\t');
  ASSERT_EQ(fields.size(), 4) << entries[0].toStdString();
  EXPECT_EQ(fields[0], journal);
  EXPECT_EQ(fields[3], "orbek-log --decode " + journal + " --output " + output);
  const QStringList command = fields[3].split(' ');
  QProcess recover;
  recover.start(ORBEK_LOG, command.mid(1));
  const auto run = Finish(recover);
  ASSERT_EQ(run.exitCode == 0 || run.exitCode == 5, true) << run.err.toStdString();
  const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_GE(lines.size() - 1, static_cast<qsizetype>(sentBefore));
  for (qsizetype i = 1; i < lines.size(); ++i)
    ASSERT_TRUE(lines[i].startsWith(QString::number(i - 1) + ",")) << lines[i].toStdString();
  EXPECT_TRUE(QFile::exists(output));
}

TEST(UnattendedTest, JoinedCapturesAreReportedAndAllDecodesEveryTransfer) {
  QTemporaryDir dir;
  const auto first = sim::GenerateRecords(7, 65);
  const auto second = sim::GenerateRecords(5, 66);
  const QString capture = dir.filePath("joined.bin");
  WriteFile(capture, Raw(first) + Raw({sim::EndRecord()}) + Raw(second) + Raw({sim::EndRecord()}));
  QProcess once;
  once.start(ORBEK_LOG, {"--decode", capture});
  const auto firstOnly = Finish(once);
  EXPECT_EQ(firstOnly.exitCode, 0);
  EXPECT_EQ(firstOnly.out.split('\n', Qt::SkipEmptyParts).size(), 1 + 7);
  EXPECT_TRUE(firstOnly.err.contains("72 bytes follow the end record"))
      << firstOnly.err.toStdString();
  QProcess every;
  every.start(ORBEK_LOG, {"--decode", capture, "--all"});
  const auto both = Finish(every);
  EXPECT_EQ(both.exitCode, 0);
  const QStringList lines = both.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 1 + 12);
  EXPECT_TRUE(lines.last().startsWith("11,"));
  EXPECT_TRUE(both.err.contains("12 readings in 2 transfers")) << both.err.toStdString();
}

}  // namespace
}  // namespace orbek

namespace orbek {
namespace {

TEST(UnattendedTest, AReadingThatMayHoldAnAddedByteIsMarkedOnStdoutAndInTheFile) {
  QTemporaryDir dir;
  const auto records = sim::GenerateRecords(40, 67);
  QByteArray raw = Raw(records) + Raw({sim::EndRecord()});
  raw.insert(9 * 12 + 2, '\x42');  // into the value of record 9: its time stays whole
  const QString capture = dir.filePath("noisy.bin");
  WriteFile(capture, raw);
  QProcess program;
  program.start(ORBEK_LOG, {"--decode", capture, "--output", dir.filePath("noisy.csv")});
  const auto run = Finish(program);
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  const QStringList printed = run.out.split('\n', Qt::SkipEmptyParts);
  QFile file(dir.filePath("noisy.csv"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QStringList saved = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
  EXPECT_EQ(saved, printed);
  EXPECT_EQ(printed.filter(",out of step,").size(), 1) << run.out.toStdString();
  EXPECT_TRUE(printed.value(10).startsWith("9,")) << printed.value(10).toStdString();
  EXPECT_TRUE(printed.value(10).endsWith(",out of step,0")) << printed.value(10).toStdString();
  EXPECT_TRUE(run.err.contains("Row 9 may show wrong readings")) << run.err.toStdString();
}

}  // namespace
}  // namespace orbek

namespace orbek {
namespace {

TEST(UnattendedTest, AFileSizeLimitGivesAMessageAndLeavesNothingBehind) {
  QTemporaryDir dir;
  QTemporaryDir out;
  const QString capture = dir.filePath("big.bin");
  WriteFile(capture, test::Raw(sim::GenerateRecords(40000, 68)) + test::Raw({sim::EndRecord()}));
  for (const char* name : {"limited.csv", "limited.xls", "limited.xlsx"}) {
    const auto run =
        Shell("ulimit -f 200; exec " + QString(ORBEK_LOG) + " --decode " + Quoted(capture) +
              " --output " + Quoted(out.filePath(name)) + " >/dev/null");
    EXPECT_EQ(run.exitCode, 1) << name << ": " << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("Cannot save")) << run.err.toStdString();
    EXPECT_TRUE(QDir(out.path())
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                    .isEmpty())
        << name << " left files behind";
  }
}

TEST(UnattendedTest, ANameAsLongAsTheSystemAllowsIsSaved) {
  QTemporaryDir dir;
  const QString capture = dir.filePath("c.bin");
  WriteFile(capture, test::Raw(sim::GenerateRecords(10, 69)) + test::Raw({sim::EndRecord()}));
  for (const char* extension : {".csv", ".xls", ".xlsx"}) {
    const QString name = QString(255 - static_cast<int>(qstrlen(extension)), 'n') + extension;
    QProcess program;
    program.start(ORBEK_LOG, {"--decode", capture, "--output", dir.filePath(name)});
    const auto run = Finish(program);
    EXPECT_EQ(run.exitCode, 0) << extension << ": " << run.err.toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath(name))) << extension;
  }
}

}  // namespace
}  // namespace orbek
