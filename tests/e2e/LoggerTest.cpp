// orbek-log against the simulated meter, run as a program.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>
#include <thread>

#include "meter/RecordDecoder.h"
#include "tests/support/CsvLayout.h"
#include "tests/support/EventLoop.h"
#include "tests/support/LoggerProcess.h"
#include "tests/support/WorkbookCheck.h"
#include "tools/sim/MeterSimulator.h"

namespace orbek {
namespace {

using sim::MeterSimulator;

using test::Finish;
using test::Run;

Run RunLog(const QStringList& arguments) {
  QProcess program;
  program.start(ORBEK_LOG, arguments);
  return Finish(program);
}

// The CSV lines the logger prints for these records, the time received
// left blank.
QStringList ExpectedLines(const std::vector<sim::RecordBytes>& records) {
  return test::CsvLines(records);
}

// The window's table after the same transfer: 5001 numbered rows.
test::TextTable WindowTable(const std::vector<sim::RecordBytes>& records) {
  test::TextTable table;
  table.headers = {"No.", "Date and Time", "Measured Value", "Temperature"};
  table.pixelWidths = {159, 159, 159, 159};
  for (int row = 0; row < 5001; ++row) {
    QStringList cells = {QString::number(row), "", "", ""};
    if (row < static_cast<int>(records.size())) {
      const auto r = DecodeRecord(MeterRecord(records[static_cast<std::size_t>(row)]));
      cells = QStringList{QString::number(row), QString::fromStdString(r.TimestampText),
                          QString::fromStdString(r.ValueText),
                          QString::fromStdString(r.TemperatureText)};
    }
    table.rows.push_back(cells);
  }
  return table;
}

// The lines of a CSV text, the time received left blank.
QStringList Lines(const QString& text) {
  return test::BlankReceived(text.split('\n', Qt::SkipEmptyParts));
}

TEST(LoggerTest, TransferPrintsEveryReadingWithTheWindowsCommands) {
  struct Case {
    QStringList options;
    std::uint8_t start;
  };
  const Case cases[] = {{{}, 0xB1},
                        {{"--baud", "115200", "--interval", "30min"}, 0xB6},
                        {{"--baud", "19200", "--interval", "10s"}, 0xB2}};
  for (const auto& c : cases) {
    const auto records = sim::GenerateRecords(40, 12);
    MeterSimulator meter(MeterSimulator::Paced(records));
    const auto run =
        RunLog(QStringList{"--port", QString::fromStdString(meter.DevicePath())} + c.options);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(Lines(run.out), ExpectedLines(records));
    EXPECT_TRUE(meter.WaitForReceived(2, std::chrono::seconds(2)));
    EXPECT_EQ(meter.Received(), (std::vector<std::uint8_t>{c.start, 0xB0}));
    EXPECT_TRUE(run.err.contains("40 readings")) << run.err.toStdString();
  }
}

// The window's workbook: Sheet1 as the window's table, then the Details
// sheet (details, statistics, in .xlsx the charts) and the Data sheets of
// typed readings, as the window's export checks them.
TEST(LoggerTest, OutputFilesMatchTheWindowsExport) {
  const auto records = sim::GenerateRecords(60, 33);
  QTemporaryDir dir;
  const QString expectation = dir.filePath("expected.json");
  test::WriteExpectation(WindowTable(records), expectation, {"Sheet1", "Details", "Data"});
  const SampleDetails details{"S-7", "", "Bench 2", "", ""};
  const QString transfer = dir.filePath("transfer.json");
  test::WriteTransferExpectation(transfer, records, details);
  for (const QString& name : QStringList{"log.csv", "log.xls", "log.xlsx"}) {
    MeterSimulator meter(MeterSimulator::Paced(records));
    const QString path = dir.filePath(name);
    const auto run = RunLog({"--port", QString::fromStdString(meter.DevicePath()), "--output", path,
                             "--sample", "S-7", "--location", "Bench 2"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    if (name.endsWith(".csv")) {
      QFile file(path);
      ASSERT_TRUE(file.open(QIODevice::ReadOnly));
      EXPECT_EQ(Lines(QString::fromUtf8(file.readAll())),
                QStringList({"# Sample ID: S-7", "# Location: Bench 2"}) + ExpectedLines(records));
    } else {
      const auto check = test::CheckWorkbook(path, expectation);
      EXPECT_EQ(check.exitCode, 0) << check.output.toStdString();
      const auto detailsCheck = test::CheckTransfer(path, transfer);
      EXPECT_EQ(detailsCheck.exitCode, 0) << detailsCheck.output.toStdString();
    }
  }
}

// Details that no file or message could keep as given are refused before
// the meter is told anything; text a spreadsheet would split or run stays
// one comment cell.
TEST(LoggerTest, HostileDetailsAreRefusedOrMadeHarmless) {
  QTemporaryDir dir;
  const struct {
    const char* option;
    QByteArray value;
    const char* says;  // nothing: accepted
  } cases[] = {
      {"--note", "bell\x07", "--note: a control character (U+0007)"},
      {"--sample", "S-1\nS-2", "--sample: a control character (U+000A)"},
      {"--operator", "Ana \xE9", "--operator: the text is not UTF-8"},  // Latin-1
      {"--note", QByteArray(32768, 'n'), "--note: longer than the 32767 characters"},
      {"--note", "two\nlines\tand a tab", nullptr},
      {"--sample", "S-1,=HYPERLINK(\"http://x\";\"y\")", nullptr},
  };
  int run = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.option);
    MeterSimulator meter(MeterSimulator::Paced(sim::GenerateRecords(3, 1)));
    const QString csv = dir.filePath(QString("details-%1.csv").arg(run++));
    // Through the shell, so that the value reaches orbek-log byte for byte.
    const auto result = test::Shell(
        QString("%1 --port %2 --output %3 %4 \"$(printf '%5')\"")
            .arg(ORBEK_LOG, QString::fromStdString(meter.DevicePath()), csv, c.option,
                 QString::fromLatin1(c.value.toPercentEncoding().replace('%', "\\x"))));
    if (c.says != nullptr) {
      EXPECT_EQ(result.exitCode, 2) << result.err.toStdString();
      EXPECT_TRUE(result.err.contains(c.says)) << result.err.toStdString();
      test::Pump(50);
      EXPECT_TRUE(meter.Received().empty()) << "the meter was told something";
      continue;
    }
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    for (const QByteArray& line : file.readAll().split('\n'))
      if (line.startsWith('#')) {
        EXPECT_FALSE(line.contains(',') || line.contains(';') || line.contains('\t')) << line.data();
        EXPECT_EQ(QUrl::fromPercentEncoding(line.mid(line.indexOf(": ") + 2)).toUtf8(), c.value);
      }
  }
}

TEST(LoggerTest, SignalSendsTheStopByteAndKeepsTheReadings) {
  MeterSimulator meter(
      MeterSimulator::Paced(sim::GenerateRecords(2000, 4), MeterSimulator::Pace::Fixed, 200));
  QTemporaryDir dir;
  QProcess program;
  program.start(ORBEK_LOG, {"--port", QString::fromStdString(meter.DevicePath()), "--output",
                            dir.filePath("log.csv")});
  ASSERT_TRUE(test::WaitUntil([&] { return meter.RecordsSent() >= 20; }, 10000));
  program.terminate();
  const auto run = Finish(program);
  EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_TRUE(meter.WaitForReceived(2, std::chrono::seconds(2)));
  EXPECT_EQ(meter.Received(), (std::vector<std::uint8_t>{0xB1, 0xB0}));
  const int printed = static_cast<int>(Lines(run.out).size()) - 1;
  EXPECT_GE(printed, 15);
  QFile file(dir.filePath("log.csv"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(Lines(QString::fromUtf8(file.readAll())).size(), printed + 1);
}

TEST(LoggerTest, DeviceLossEndsTheRunWithTheReadingsSaved) {
  auto options = MeterSimulator::Paced(sim::GenerateRecords(100, 6));
  options.unplugAfter = 25;
  MeterSimulator meter(std::move(options));
  QTemporaryDir dir;
  const auto run = RunLog(
      {"--port", QString::fromStdString(meter.DevicePath()), "--output", dir.filePath("log.csv")});
  EXPECT_EQ(run.exitCode, 4) << run.err.toStdString() << run.out.toStdString();
  EXPECT_EQ(Lines(run.out).size(), 26);
  EXPECT_TRUE(run.err.contains("lost"));
  QFile file(dir.filePath("log.csv"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(Lines(QString::fromUtf8(file.readAll())).size(), 26);
}

TEST(LoggerTest, DecodeStopsAtTheEndRecordAndReportsAPartialOne) {
  const auto records = sim::GenerateRecords(3, 8);
  QTemporaryDir dir;
  auto capture = [&](const QByteArray& tail) {
    QByteArray bytes;
    for (const auto& r : records)
      bytes.append(reinterpret_cast<const char*>(r.data()), 12);
    bytes += tail;
    const QString path = dir.filePath("capture.bin");
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
  };
  const auto end = sim::EndRecord();
  const QByteArray endBytes(reinterpret_cast<const char*>(end.data()), 12);
  const struct {
    QByteArray tail;
    int exitCode;
  } cases[] = {{{}, 0}, {endBytes + "junk after the end", 0}, {QByteArray(5, '\x01'), 5}};
  for (const auto& c : cases) {
    const auto run = RunLog({"--decode", capture(c.tail)});
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
    EXPECT_EQ(Lines(run.out), ExpectedLines(records));
    EXPECT_EQ(run.err.contains("partial record"), c.exitCode == 5) << run.err.toStdString();
  }
  EXPECT_EQ(RunLog({"--decode", dir.filePath("missing.bin")}).exitCode, 3);
}

TEST(LoggerTest, UsageErrorsSayWhatIsWrong) {
  const QStringList cases[] = {{},
                               {"--port", "/dev/ttyS0", "--baud", "300"},
                               {"--port", "/dev/ttyS0", "--interval", "5min"},
                               {"--port", "/dev/ttyS0", "--port", "/dev/ttyS1"},
                               {"--port", "/dev/ttyS0", "stray"},
                               {"--no-such-option"}};
  for (const auto& arguments : cases) {
    const auto run = RunLog(arguments);
    EXPECT_EQ(run.exitCode, 2) << arguments.join(' ').toStdString();
    EXPECT_TRUE(run.err.startsWith("orbek-log: ")) << run.err.toStdString();
  }
  EXPECT_EQ(RunLog({"--port", "/dev/ttyNOSUCHPORT"}).exitCode, 3);
  const auto help = RunLog({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_TRUE(help.out.contains("Exit codes"));
}

// The report is a module beside the program. Without it a run that asks
// for a report stops before the meter sends, and one that does not runs.
TEST(LoggerTest, AnInstallWithoutTheReportModuleSaysSoBeforeTheMeterSends) {
  QTemporaryDir install;
  ASSERT_TRUE(QDir(install.path()).mkpath("bin"));
  const QString program = install.filePath("bin/orbek-log");
  ASSERT_TRUE(QFile::copy(ORBEK_LOG, program));
  MeterSimulator meter(
      MeterSimulator::Paced(sim::GenerateRecords(3, 1, 1), MeterSimulator::Pace::Fixed, 1000));
  const QString port = QString::fromStdString(meter.DevicePath());
  QProcess withReport;
  withReport.start(program,
                   {"--port", port, "--no-archive", "--report", install.filePath("r.pdf")});
  const auto refused = Finish(withReport);
  EXPECT_EQ(refused.exitCode, 2);
  EXPECT_TRUE(refused.err.startsWith("orbek-log: cannot make reports: "))
      << refused.err.toStdString();
  EXPECT_TRUE(meter.Received().empty()) << "the meter was told to send";
  QProcess plain;
  plain.start(program, {"--port", port, "--no-archive"});
  const auto ran = Finish(plain);
  EXPECT_EQ(ran.exitCode, 0) << ran.err.toStdString();
  EXPECT_TRUE(ran.err.contains("orbek-log: 3 readings\n")) << ran.err.toStdString();
}

TEST(LoggerTest, ListShowsPortsAndThePermissionHint) {
  MeterSimulator meter(MeterSimulator::Paced({}));
  const QString path = QString::fromStdString(meter.DevicePath());
  const auto run = RunLog({"--list", "--port", path});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_TRUE(Lines(run.out).contains(path)) << run.out.toStdString();

  // A port the user may not open: the simulator's device belongs to root,
  // so a user of our own (made by the test script) may not open it.
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to run the check as another user";
  const QString user = "orbek-test";
  if (QProcess::execute("runuser", {"-u", user, "--", "test", "-x", ORBEK_LOG}) != 0)
    GTEST_SKIP() << "no user " << user.toStdString() << " who may run orbek-log";
  QProcess other;
  other.start("runuser", {"-u", user, "--", ORBEK_LOG, "--list", "--port", path});
  const auto denied = Finish(other);
  EXPECT_EQ(denied.exitCode, 0) << denied.err.toStdString();
  EXPECT_FALSE(Lines(denied.out).contains(path)) << "listed a port the user may not open";
  EXPECT_TRUE(denied.err.contains(path)) << denied.err.toStdString();
  EXPECT_TRUE(denied.err.contains("dialout")) << denied.err.toStdString();
  // A pseudo-terminal belongs to the tty group: joining dialout would not help.
  EXPECT_TRUE(denied.err.contains("an administrator must grant access"))
      << denied.err.toStdString();
}

}  // namespace
}  // namespace orbek

#include <QProcessEnvironment>

#include "tests/support/Golden.h"

namespace orbek {
namespace {

TEST(LoggerGoldenTest, LiveRunCaptureAndDecodeAllGiveTheWorkedOutReadings) {
  const auto golden = test::LoadGolden("golden-transfer");
  MeterSimulator meter(MeterSimulator::Paced(golden.Readings()));
  QTemporaryDir dir;
  const QString capture = dir.filePath("capture.bin");
  const auto live =
      RunLog({"--port", QString::fromStdString(meter.DevicePath()), "--capture", capture});
  ASSERT_EQ(live.exitCode, 0) << live.err.toStdString();
  EXPECT_EQ(Lines(live.out), golden.CsvLines());

  QFile file(capture);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), golden.Raw());
  const auto decoded = RunLog({"--decode", capture});
  EXPECT_EQ(decoded.exitCode, 0) << decoded.err.toStdString();
  EXPECT_EQ(Lines(decoded.out), Lines(live.out));
  EXPECT_TRUE(decoded.out.contains(",,,0\n")) << "a capture does not know when bytes came";
}

// The sample's details go into the file ahead of its header, the statistics
// come on standard error at the end, and the report holds both and every
// reading; a report that could not be made is refused before the meter is
// told anything.
TEST(LoggerGoldenTest, DetailsStatisticsAndTheReportGoWithTheTransfer) {
  const auto golden = test::LoadGolden("golden-transfer");
  MeterSimulator meter(MeterSimulator::Paced(golden.Readings()));
  QTemporaryDir dir;
  const QString csv = dir.filePath("readings.csv"), pdf = dir.filePath("readings.pdf");
  const auto run =
      RunLog({"--port", QString::fromStdString(meter.DevicePath()), "--sample", "S-12",
              "--operator", "Ana Lima", "--note", "two\nlines", "--output", csv, "--report", pdf});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  const QStringList details = {"# Sample ID: S-12", "# Operator: Ana Lima", "# Note: two%0Alines"};
  EXPECT_EQ(Lines(run.out), details + golden.CsvLines());
  QFile file(csv);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString saved = QString::fromUtf8(file.readAll());
  EXPECT_EQ(saved, run.out) << "standard output and the file differ";
  for (const char* line : {"orbek-log: Value pH: n 13, min 0.005, max 700,",
                           "orbek-log: Value (no unit): n 1, min 12.3, max 12.3, mean 12.3, sd -",
                           "orbek-log: Temperature °F: n 2, min 0, max 77, mean 38.5, sd 54.4472"})
    EXPECT_TRUE(run.err.contains(QString::fromUtf8(line))) << line << "\n" << run.err.toStdString();
  QProcess text;
  text.start("pdftotext", {pdf, "-"});
  ASSERT_TRUE(text.waitForFinished(60000));
  const QString words = QString::fromUtf8(text.readAllStandardOutput());
  for (const char* word : {"S-12", "Ana Lima", "2255-13-255 99:10:255", "Page 2 of 2"})
    EXPECT_TRUE(words.contains(QString::fromUtf8(word))) << word;

  const struct {
    QString report;
    const char* says;
  } refused[] = {{pdf, "exists already"},
                 {dir.filePath("readings.txt"), "must end in .pdf"},
                 {dir.filePath("no such folder/r.pdf"), "no such folder"}};
  for (const auto& r : refused) {
    const auto again =
        RunLog({"--port", QString::fromStdString(meter.DevicePath()), "--report", r.report});
    EXPECT_EQ(again.exitCode, 2) << again.err.toStdString();
    EXPECT_TRUE(again.err.contains(r.says)) << again.err.toStdString();
    EXPECT_TRUE(again.out.isEmpty()) << "the meter was told to send";
  }
}

TEST(LoggerGoldenTest, LinkDiagnosticsShowEachRecordAndCommand) {
  const auto golden = test::LoadGolden("golden-transfer");
  MeterSimulator meter(MeterSimulator::Paced(golden.Readings()));
  QProcess program;
  auto environment = QProcessEnvironment::systemEnvironment();
  environment.insert("QT_LOGGING_RULES", "orbek.link.debug=true");
  program.setProcessEnvironment(environment);
  program.start(ORBEK_LOG, {"--port", QString::fromStdString(meter.DevicePath())});
  const auto run = Finish(program);
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  const QStringList expected = {"sent 0xB1 (start)", "record 0 82 01 bc 02 fa 00 05 11 08 12 2e 09",
                                "record 24 82 01 bc 02 fa 00 01 ba 00 01 00 00",
                                "end record: 00 00 00 00 00 00 00 bb 00 00 00 00",
                                "sent 0xB0 (stop)"};
  for (const auto& line : expected)
    EXPECT_TRUE(run.err.contains(line)) << line.toStdString() << "\n" << run.err.toStdString();
  EXPECT_FALSE(
      RunLog({"--port", QString::fromStdString(meter.DevicePath())}).err.contains("record 0"))
      << "diagnostics without being asked for";
}

// Files a run would write over each other, or leave behind for nothing,
// are refused or removed: the retry is never refused because of them.
TEST(LoggerGoldenTest, NoFileOfARunStandsInTheWayOfAnother) {
  MeterSimulator meter(MeterSimulator::Paced(sim::GenerateRecords(5, 1)));
  QTemporaryDir dir;
  const QString port = QString::fromStdString(meter.DevicePath());
  const struct {
    QStringList arguments;
    int exitCode;
    const char* says;
  } runs[] = {
      {{"--port", port, "--capture", dir.filePath("x.csv"), "--output", dir.filePath("x.csv")},
       2, "--capture and --output name the same file"},
      {{"--port", port, "--capture", dir.filePath("r.pdf"), "--report", dir.filePath("r.pdf")},
       2, "--capture and --report name the same file"},
      {{"--port", "/dev/nonexistent", "--capture", dir.filePath("c.bin")}, 3, "/dev/nonexistent"},
      {{"--port", "/dev/nonexistent", "--output", dir.filePath("o.csv")}, 3, "/dev/nonexistent"},
  };
  for (const auto& r : runs) {
    const auto run = RunLog(r.arguments);
    EXPECT_EQ(run.exitCode, r.exitCode) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(r.says)) << run.err.toStdString();
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty())
        << QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).join(' ').toStdString();
  }
  test::Pump(50);
  EXPECT_TRUE(meter.Received().empty()) << "the meter was told something";
}

TEST(LoggerGoldenTest, ACaptureThatCannotBeCreatedStopsBeforeThePortOpens) {
  MeterSimulator meter(MeterSimulator::Paced(sim::GenerateRecords(5, 1)));
  const auto run = RunLog({"--port", QString::fromStdString(meter.DevicePath()), "--capture",
                           "/nonexistent-folder/capture.bin"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_TRUE(run.err.contains("/nonexistent-folder/capture.bin")) << run.err.toStdString();
  test::Pump(50);
  EXPECT_TRUE(meter.Received().empty()) << "the meter was told something";
}

}  // namespace
}  // namespace orbek

namespace orbek {
namespace {

TEST(LoggerAlignmentTest, ALostByteCostsOneReadingAndOneLineOnStderr) {
  const auto sent = sim::GenerateRecords(50, 41);
  auto options = MeterSimulator::Paced(sent);
  options.dropByteAt = 7 * 12 + 9;
  MeterSimulator meter(std::move(options));
  const auto run = RunLog({"--port", QString::fromStdString(meter.DevicePath())});
  ASSERT_EQ(run.exitCode, 10) << "everything saved, a reading lost: " << run.err.toStdString();
  auto expected = sent;
  expected.erase(expected.begin() + 7);
  QStringList lines = ExpectedLines(expected);
  lines[8].replace(QRegularExpression(",0$"), ",1");  // row 7 says what came before it
  EXPECT_EQ(Lines(run.out), lines);
  EXPECT_EQ(run.err.count("fell out of step"), 1) << run.err.toStdString();
  EXPECT_TRUE(run.err.contains("1 reading was lost (after row 6)")) << run.err.toStdString();
  EXPECT_TRUE(run.err.contains("1 reading lost on the line (before row 7)"))
      << run.err.toStdString();
}

// Random bytes live, as a wrong baud rate gives: every reading is saved,
// the run says they are not a meter's, as --decode does, and ends non-zero.
TEST(LoggerAlignmentTest, ALiveRunOfRandomBytesSaysSoAndEndsNonZero) {
  std::vector<sim::RecordBytes> noise(200);
  std::uint32_t state = 11;
  for (auto& record : noise) {
    for (auto& byte : record)
      byte = static_cast<std::uint8_t>((state = state * 1664525u + 1013904223u) >> 24);
    record[7] = 0x40;  // never the end marker
  }
  MeterSimulator meter(MeterSimulator::Paced(noise));
  QTemporaryDir dir;
  const auto run = RunLog({"--port", QString::fromStdString(meter.DevicePath()), "--output",
                           dir.filePath("noise.csv")});
  EXPECT_EQ(run.exitCode, 11) << run.err.toStdString();
  EXPECT_EQ(run.err.count("does not look like a meter's records"), 1) << run.err.toStdString();
  EXPECT_TRUE(run.err.contains("saved")) << run.err.toStdString();
}

TEST(LoggerAlignmentTest, RowsReadOutOfStepAreMarkedInTheSavedCsv) {
  const auto sent = sim::GenerateRecords(50, 42);
  QTemporaryDir dir;
  bool marked = false;
  for (std::size_t stray = 1; stray <= 11; ++stray) {
    auto options = MeterSimulator::Paced(sent);
    options.leadingBytes.assign(stray, 0x5A);
    MeterSimulator meter(std::move(options));
    const QString csv = dir.filePath(QString("stray%1.csv").arg(stray));
    const auto run =
        RunLog({"--port", QString::fromStdString(meter.DevicePath()), "--output", csv});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.err.count("fell out of step"), 1) << stray << run.err.toStdString();
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList saved = Lines(QString::fromUtf8(file.readAll()));
    // Every reading from the ninth on is the meter's, unmarked.
    const QStringList tail = ExpectedLines(sent).mid(9);
    for (qsizetype i = 1; i <= tail.size(); ++i) {
      const QString want = tail[tail.size() - i].section(',', 1);
      EXPECT_EQ(saved[saved.size() - i].section(',', 1), want) << stray;
    }
    for (const QString& line : saved)
      if (line.contains(",out of step,")) {
        marked = true;
        EXPECT_TRUE(run.err.contains("may show wrong readings")) << run.err.toStdString();
      }
  }
  EXPECT_TRUE(marked) << "no stray bytes let a record pass before the skip";
}

}  // namespace
}  // namespace orbek

namespace orbek {
namespace {

// Runs orbek-log until its standard error says `text`, keeping what it says.
bool WaitForErr(QProcess& program, QString& err, const QString& text) {
  return test::WaitUntil(
      [&] {
        err += QString::fromUtf8(program.readAllStandardError());
        return err.contains(text);
      },
      10000);
}

// orbek-log --reconnect on the meter's link, saving to `output`, run until
// it says the link was lost; what it said so far is in `err`.
bool RunUntilLost(QProcess& program, const MeterSimulator& meter, const QString& output,
                  QString& err) {
  program.start(ORBEK_LOG, {"--port", QString::fromStdString(meter.PortPath()), "--reconnect",
                            "--output", output});
  return WaitForErr(program, err, "was lost");
}

TEST(LoggerReconnectTest, KeepsLoggingAcrossAnUnplugAndReplugOfTheSameDevice) {
  const auto sent = sim::GenerateRecords(60, 51);
  QTemporaryDir dir;
  auto options = MeterSimulator::Paced(sent, MeterSimulator::Pace::Fixed, 200);
  options.unplugAfter = 20;
  options.linkPath = dir.filePath("ttyMETER").toStdString();
  MeterSimulator meter(std::move(options));
  QProcess program;
  QString err;
  ASSERT_TRUE(RunUntilLost(program, meter, dir.filePath("log.csv"), err)) << err.toStdString();
  // Another meter turning up meanwhile is not the one that went.
  MeterSimulator stranger(MeterSimulator::Paced(sim::GenerateRecords(5, 52)));
  test::Pump(600);
  EXPECT_FALSE(err.contains("is back")) << err.toStdString();
  meter.Replug();
  const auto run = Finish(program);
  err += run.err;
  ASSERT_EQ(run.exitCode, 0) << err.toStdString();
  EXPECT_TRUE(err.contains("is back; logging goes on from reading 20")) << err.toStdString();
  EXPECT_EQ(Lines(run.out), ExpectedLines(sent));
  QFile file(dir.filePath("log.csv"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(Lines(QString::fromUtf8(file.readAll())), ExpectedLines(sent));
  EXPECT_EQ(meter.Received(), (std::vector<std::uint8_t>{0xB1, 0xB0})) << "a command at reconnect";
  EXPECT_TRUE(stranger.Received().empty());
}

TEST(LoggerReconnectTest, ASignalWhileWaitingEndsTheRunWithTheReadingsSaved) {
  QTemporaryDir dir;
  auto options = MeterSimulator::Paced(sim::GenerateRecords(60, 53), MeterSimulator::Pace::Max);
  options.unplugAfter = 12;
  options.linkPath = dir.filePath("ttyMETER").toStdString();
  MeterSimulator meter(std::move(options));
  QProcess program;
  QString err;
  ASSERT_TRUE(RunUntilLost(program, meter, dir.filePath("log.csv"), err)) << err.toStdString();
  program.terminate();
  const auto run = Finish(program);
  EXPECT_EQ(run.exitCode, 0) << (err + run.err).toStdString();
  QFile file(dir.filePath("log.csv"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(Lines(QString::fromUtf8(file.readAll())).size(), 13);
}

}  // namespace
}  // namespace orbek
