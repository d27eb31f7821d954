// orbek-log's archive as a lab uses it, run as programs: three meters
// logged at once into one archive; the history, an export byte for byte,
// a change only with its reason, a review on the report; edits made with
// sqlite3 named by the check; a killed run recovered into the archive
// once; a PostgreSQL archive shared the same way.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "tests/support/EventLoop.h"
#include "tests/support/Files.h"
#include "tests/support/LoggerProcess.h"
#include "tests/support/PostgresServer.h"
#include "tools/sim/MeterSimulator.h"

namespace orbek {
namespace {

using sim::MeterSimulator;
using test::ReadAll;
using Outcome = test::Run;

class ArchiveLogTest : public ::testing::Test {
 protected:
  QProcessEnvironment Environment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_DATA_HOME", dir_.filePath("data"));
    environment.insert("XDG_STATE_HOME", dir_.filePath("state"));
    return environment;
  }
  Outcome Log(const QStringList& arguments) {
    QProcess program;
    program.setProcessEnvironment(Environment());
    program.start(ORBEK_LOG, arguments + archive_);
    return test::Finish(program);
  }
  QString Archive() const { return dir_.filePath("data/orbek/archive.sqlite"); }
  static QString IdIn(const QString& err) {
    return QRegularExpression("archived as transfer ([0-9a-f-]+)").match(err).captured(1);
  }
  // One transfer of `count` readings from a meter of its own.
  Outcome Transfer(const QString& output, const QString& sample, unsigned seed, int count = 40) {
    MeterSimulator meter(
        MeterSimulator::Paced(sim::GenerateRecords(count, seed), MeterSimulator::Pace::Fixed, 400));
    return Log({"--port", QString::fromStdString(meter.DevicePath()), "--output", output,
                "--sample", sample});
  }

  // The query of the README's example that starts with `command`.
  static QString ReadmeQuery(const QString& command) {
    const QString readme = QString::fromUtf8(ReadAll(ORBEK_SOURCE_DIR "/README.md"));
    const QRegularExpression query(QRegularExpression::escape(command) +
                                       "[^\\n]*\\\\\n\\s*\"([^\"]*)\"",
                                   QRegularExpression::DotMatchesEverythingOption);
    return query.match(readme).captured(1);
  }

  QTemporaryDir dir_;
  QStringList archive_;  // the archive options every run gets
};

TEST_F(ArchiveLogTest, ThreeMetersLoggedAtOnceAreEachArchivedWhole) {
  std::vector<std::unique_ptr<MeterSimulator>> meters;
  std::vector<std::unique_ptr<QProcess>> loggers;
  for (unsigned m = 0; m < 3; ++m) {
    meters.push_back(std::make_unique<MeterSimulator>(MeterSimulator::Paced(
        sim::GenerateRecords(300, 60 + m), MeterSimulator::Pace::Fixed, 1000)));
    loggers.push_back(std::make_unique<QProcess>());
    loggers.back()->setProcessEnvironment(Environment());
    loggers.back()->start(ORBEK_LOG, {"--port", QString::fromStdString(meters.back()->DevicePath()),
                                      "--output", dir_.filePath(QString("m%1.csv").arg(m)),
                                      "--sample", QString("M-%1").arg(m)});
  }
  for (unsigned m = 0; m < 3; ++m) {
    const Outcome run = test::Finish(*loggers[m]);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString exported = dir_.filePath(QString("m%1-archived.csv").arg(m));
    const Outcome exporting = Log({"--export", IdIn(run.err), "--output", exported});
    ASSERT_EQ(exporting.exitCode, 0) << exporting.err.toStdString();
    EXPECT_EQ(ReadAll(exported), ReadAll(dir_.filePath(QString("m%1.csv").arg(m))));
  }
  const Outcome history = Log({"--history", "m-"});
  EXPECT_EQ(history.out.count('\n'), 4) << history.out.toStdString();
  EXPECT_EQ(Log({"--verify-archive"}).exitCode, 0);
}

TEST_F(ArchiveLogTest, FoundChangedWithAReasonReviewedAndReported) {
  const QString output = dir_.filePath("s.csv");
  const Outcome run = Transfer(output, "S-4711", 5);
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  const QString id = IdIn(run.err);
  ASSERT_FALSE(id.isEmpty()) << run.err.toStdString();

  const Outcome found = Log({"--history", "4711", "--since", "2000-01-01"});
  ASSERT_EQ(found.exitCode, 0);
  EXPECT_TRUE(found.out.startsWith("id,start,end,sample,operator,location,probe,readings,lost,"
                                   "units,means\n"));
  EXPECT_TRUE(found.out.contains(id + ",")) << found.out.toStdString();
  EXPECT_EQ(Log({"--history", "4711", "--until", "2000-01-01"}).out.count('\n'), 1);
  EXPECT_EQ(Log({"--history", "--since", "yesterday"}).exitCode, 2);

  EXPECT_EQ(Log({"--change", id.left(8), "--sample", "S-4712"}).exitCode, 2) << "no reason";
  const Outcome changed = Log({"--change", id.left(8), "--sample", "S-4712", "--reason", "typo"});
  ASSERT_EQ(changed.exitCode, 0) << changed.err.toStdString();
  EXPECT_EQ(Log({"--history", "S-4712"}).out.count('\n'), 2);
  EXPECT_EQ(Log({"--review", id, "--reviewer", "Dr. Rao", "--meaning", "approved"}).exitCode, 0);
  const Outcome trail = Log({"--audit", id});
  EXPECT_TRUE(trail.out.contains(",detail,sample,S-4711,S-4712,typo,")) << trail.out.toStdString();
  EXPECT_TRUE(trail.out.contains(",reviewed,Dr. Rao,,approved,")) << trail.out.toStdString();

  const QString report = dir_.filePath("s.pdf");
  ASSERT_EQ(Log({"--export", id, "--report", report}).exitCode, 0);
  QProcess text;
  text.start("pdftotext", {"-l", "1", report, "-"});
  ASSERT_TRUE(text.waitForFinished(30000));
  const QString page = QString::fromUtf8(text.readAllStandardOutput());
  EXPECT_TRUE(page.contains("Dr. Rao (approved)")) << page.toStdString();
  EXPECT_TRUE(page.contains("Received")) << page.toStdString();
  EXPECT_EQ(Log({"--verify-archive"}).exitCode, 0);
  EXPECT_EQ(Log({"--no-archive", "--history"}).exitCode, 2);

  // The README's sqlite3 query gives every reading of the sample.
  const QString sql = ReadmeQuery("sqlite3 -header -csv").replace("S-4711", "S-4712");
  ASSERT_FALSE(sql.isEmpty());
  QProcess sqlite;
  sqlite.start("sqlite3", {"-header", "-csv", Archive(), sql});
  ASSERT_TRUE(sqlite.waitForFinished(30000));
  const QStringList rows = QString::fromUtf8(sqlite.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
  EXPECT_EQ(rows.size(), 41) << rows.join('\n').toStdString();
  EXPECT_TRUE(rows.value(0).startsWith("sample,meter_time,value,unit")) << rows.value(0).toStdString();
}

// Edits made with sqlite3 behind the archive's back, and a saved file
// changed, are each named.
TEST_F(ArchiveLogTest, VerifyNamesWhatWasEditedBehindItsBack) {
  const QString output = dir_.filePath("v.csv");
  ASSERT_EQ(Transfer(output, "V-1", 6).exitCode, 0);
  const struct {
    const char* sql;
    const char* named;
  } edits[] = {
      {"UPDATE reading SET temperature = temperature + 1 WHERE n = 12", "reading 12: temperature"},
      {"UPDATE audit_event SET os_user = 'mallory' WHERE seq = 1", "audit event 1 (received"},
  };
  for (const auto& edit : edits) {
    SCOPED_TRACE(edit.sql);
    ASSERT_EQ(QProcess::execute("sqlite3", {Archive(), edit.sql}), 0);
    const Outcome verified = Log({"--verify-archive"});
    EXPECT_EQ(verified.exitCode, 12);
    EXPECT_TRUE(verified.err.contains(edit.named)) << verified.err.toStdString();
  }
  test::WriteFile(output, ReadAll(output) + "999,edited\n");
  EXPECT_TRUE(Log({"--verify-archive"}).err.contains("the file " + output)) << "changed file";
}

// Killed mid-transfer: the journal's recovery archives the transfer under
// the run's own id, once however often it is recovered.
TEST_F(ArchiveLogTest, AKilledRunIsArchivedOnceByItsRecovery) {
  MeterSimulator meter(
      MeterSimulator::Paced(sim::GenerateRecords(200, 9), MeterSimulator::Pace::Fixed, 200));
  const QString output = dir_.filePath("k.csv");
  QProcess logger;
  logger.setProcessEnvironment(Environment());
  logger.start(ORBEK_LOG, {"--port", QString::fromStdString(meter.DevicePath()), "--output", output});
  ASSERT_TRUE(test::WaitUntil([&] { return meter.RecordsSent() >= 50; }, 10000));
  ::kill(static_cast<pid_t>(logger.processId()), SIGKILL);
  logger.waitForFinished();
  for (int recovery = 0; recovery < 2; ++recovery) {
    const Outcome run = Log({"--decode", output + ".capture", "--output", output, "--replace"});
    ASSERT_TRUE(run.exitCode == 0 || run.exitCode == 5) << run.err.toStdString();
    EXPECT_FALSE(IdIn(run.err).isEmpty()) << run.err.toStdString();
  }
  const Outcome history = Log({"--history"});
  EXPECT_EQ(history.out.count('\n'), 2) << history.out.toStdString();
  EXPECT_EQ(Log({"--verify-archive"}).exitCode, 0);
}

// A lab's shared archive on a PostgreSQL server: the same commands.
TEST_F(ArchiveLogTest, APostgresArchiveIsUsedTheSameWay) {
  if (!test::PostgresServer::Available()) GTEST_SKIP() << "no PostgreSQL server installed";
  test::PostgresServer server;
  ASSERT_TRUE(server.Ok());
  archive_ = {"--archive", server.Url(), "--archive-credentials", server.Credentials()};
  const QString output = dir_.filePath("p.csv");
  const Outcome run = Transfer(output, "P-1", 8);
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  const QString exported = dir_.filePath("p-archived.csv");
  ASSERT_EQ(Log({"--export", IdIn(run.err), "--output", exported}).exitCode, 0);
  EXPECT_EQ(ReadAll(exported), ReadAll(output));
  EXPECT_EQ(Log({"--verify-archive"}).exitCode, 0);
  // The server is down: the next transfer waits, and goes in once it is up.
  server.Stop();
  const Outcome waiting = Transfer(dir_.filePath("q.csv"), "P-2", 9);
  EXPECT_EQ(waiting.exitCode, 0) << waiting.err.toStdString();
  EXPECT_TRUE(waiting.err.contains("it waits in")) << waiting.err.toStdString();
  ASSERT_TRUE(server.Start());
  const Outcome next = Transfer(dir_.filePath("r.csv"), "P-3", 10);
  EXPECT_TRUE(next.err.contains("1 item(s) that waited went into")) << next.err.toStdString();
  EXPECT_EQ(Log({"--history", "p-"}).out.count('\n'), 4);

  // The README's psql query lists the transfers reviewed.
  ASSERT_EQ(Log({"--review", IdIn(run.err), "--reviewer", "Dr. Rao", "--meaning", "approved"})
                .exitCode,
            0);
  QString listed;
  ASSERT_TRUE(server.Sql(ReadmeQuery("psql"), &listed)) << ReadmeQuery("psql").toStdString();
  EXPECT_TRUE(listed.contains("Dr. Rao")) << listed.toStdString();
  EXPECT_TRUE(listed.contains("(1 row)")) << listed.toStdString();
}

}  // namespace
}  // namespace orbek
