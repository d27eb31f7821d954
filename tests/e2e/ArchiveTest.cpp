// The lab's archive, against SQLite and a real PostgreSQL server alike:
// transfers with faults on the line kept and given back exactly, found by
// their details and dates, changed only with a trail; every kind of edit
// made behind its back named by the check; writers at once losing nothing;
// an archive that cannot take a transfer leaving it waiting, not lost.
#include <gtest/gtest.h>

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QTimeZone>
#include <QUuid>
#include <memory>
#include <mutex>
#include <numeric>
#include <random>
#include <set>

#include "archive/Archive.h"
#include "archive/ArchiveWaiting.h"
#include "export/ReadingsOutput.h"
#include "tests/support/Files.h"
#include "tests/support/PostgresServer.h"
#include "tests/support/Records.h"

namespace orbek {
namespace {

using test::PostgresServer;

// A transfer as a run would hand it over: generated records with the
// faults `seed` draws (a byte lost, noise, a journal's gap), arrival times
// a read apart, and details with the characters files trip over.
ArchivedTransfer MakeTransfer(unsigned seed, const QDateTime& start) {
  std::mt19937 random(seed);
  const auto records = sim::GenerateRecords(30 + random() % 40, seed, 1 + seed % 60);
  QByteArray bytes = test::Raw(records);
  if (seed % 3 == 1) bytes.remove(qsizetype(random() % bytes.size()), 1);
  if (seed % 4 == 2) bytes.insert(qsizetype(12 * (random() % 20)), QByteArray(5, '\x11'));
  bytes += test::Raw({sim::EndRecord()});
  ArchivedTransfer transfer;
  transfer.id = QUuid::createUuid().toByteArray(QUuid::WithoutBraces);
  transfer.actor = {"ann", "bench-1", "orbek-log test"};
  transfer.device = "/dev/ttyUSB0";
  transfer.lineSettings = "9600,N,8,1";
  transfer.interval = "OFF";
  transfer.start = start;
  transfer.end = start.addSecs(90);
  transfer.timeZone = "Europe/Berlin";
  transfer.details.sample = "S-" + std::to_string(4700 + seed);
  transfer.details.operator_ = seed % 2 ? "Ann \"Lab\" Lee, PhD" : "Bo_100%";
  transfer.details.note = "line one\nline two, ünïcode";
  transfer.original.bytes = bytes;
  if (seed % 5 == 3) transfer.original.gaps = {{24, 12}};
  std::vector<ArrivalTimes::Step> steps;
  for (std::int64_t n = 0; n < 60; n += 5)
    steps.emplace_back(n, std::chrono::system_clock::time_point(std::chrono::seconds(1765000000 + n)));
  transfer.original.arrivals = ArrivalTimes::FromSteps(steps, 80);
  return transfer;
}

QByteArray CsvOf(const TransferRecord& readings) {
  QByteArray csv;
  for (std::size_t i = 0; i < readings.Count(); ++i)
    csv += csv::Line(readings.At(i)) + '\n';
  return csv;
}

enum class Backend { SQLite, PostgreSQL };

class ArchiveTest : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    if (GetParam() == Backend::SQLite) {
      location_.kind = ArchiveLocation::Kind::SQLite;
      location_.file = dir_.filePath("archive.sqlite");
      return;
    }
    if (!PostgresServer::Available()) GTEST_SKIP() << "no PostgreSQL server installed";
    server_ = std::make_unique<PostgresServer>();
    ASSERT_TRUE(server_->Ok()) << "the test's PostgreSQL server did not start";
    QString problem;
    location_ = *ArchiveLocation::Parse(server_->Url(), &problem);
    location_.credentialsFile = server_->Credentials();
  }
  // Runs SQL behind the archive's back, as someone with the database would.
  void Tamper(const QString& sql) {
    if (server_) {
      ASSERT_TRUE(server_->Sql(sql)) << sql.toStdString();
      return;
    }
    {
      QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "tamper");
      db.setDatabaseName(location_.file);
      ASSERT_TRUE(db.open());
      QSqlQuery query(db);
      ASSERT_TRUE(query.exec(sql)) << query.lastError().text().toStdString();
    }
    QSqlDatabase::removeDatabase("tamper");
  }

  // The one text `sql` selects, read behind the archive's back.
  QString SelectText(const QString& sql) {
    QString text;
    if (server_) {
      EXPECT_TRUE(server_->Sql(sql, &text)) << sql.toStdString();
      return text;
    }
    {
      QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "select");
      db.setDatabaseName(location_.file);
      EXPECT_TRUE(db.open());
      QSqlQuery query(db);
      EXPECT_TRUE(query.exec(sql) && query.next()) << query.lastError().text().toStdString();
      text = query.value(0).toString();
    }
    QSqlDatabase::removeDatabase("select");
    return text;
  }

  QTemporaryDir dir_;
  std::unique_ptr<PostgresServer> server_;
  ArchiveLocation location_;
};

TEST_P(ArchiveTest, KeepsEachTransferAndGivesBackWhatItsBytesGive) {
  Archive archive(location_);
  const QDateTime first = QDateTime(QDate(2026, 11, 2), QTime(9, 0), QTimeZone::utc());
  std::vector<ArchivedTransfer> kept;
  for (unsigned seed = 1; seed <= 8; ++seed) {
    kept.push_back(MakeTransfer(seed, first.addDays(seed)));
    EXPECT_TRUE(archive.Store(kept.back()));
  }
  EXPECT_FALSE(archive.Store(kept.front())) << "kept twice";
  for (const ArchivedTransfer& transfer : kept) {
    SCOPED_TRACE(transfer.details.sample);
    const StoredTransfer stored = archive.Load(transfer.id);
    const TransferRecord derived = DeriveReadings(transfer.original);
    EXPECT_EQ(CsvOf(stored.readings), CsvOf(derived));
    EXPECT_EQ(stored.transfer.details, transfer.details);
    EXPECT_EQ(stored.transfer.original.bytes, transfer.original.bytes);
    EXPECT_EQ(stored.transfer.FactsDigest(), transfer.FactsDigest());
    // The same file as a save of the live readings, byte for byte.
    const QString live = dir_.filePath("live.csv"), again = dir_.filePath("again.csv");
    {
      ReadingsFile file(live, transfer.details);
      for (std::size_t i = 0; i < derived.Count(); ++i)
        file.Add(derived.At(i));
      file.Finish(derived.Statistics());
    }
    DeriveReadings(stored.transfer.original, std::make_unique<ReadingsFile>(again, stored.transfer.details).get());
    EXPECT_EQ(test::ReadAll(again), test::ReadAll(live));
  }
  EXPECT_EQ(archive.Verify(), QStringList());

  const struct {
    HistoryQuery query;
    std::vector<int> seeds;  // newest first
  } finds[] = {
      {{}, {8, 7, 6, 5, 4, 3, 2, 1}},
      {{"s-4703", {}, {}, -1}, {3}},
      {{"100%", {}, {}, -1}, {8, 6, 4, 2}},
      {{"_", {}, {}, -1}, {8, 6, 4, 2}},
      {{"ÜNÏCODE", {}, {}, -1}, {8, 7, 6, 5, 4, 3, 2, 1}},
      {{"ünïcode", first.addDays(3), first.addDays(5), -1}, {5, 4, 3}},
      {{"lab", {}, {}, 2}, {7, 5}},
  };
  for (const auto& find : finds) {
    SCOPED_TRACE(find.query.text.toStdString());
    std::vector<int> seeds;
    for (const HistoryEntry& entry : archive.History(find.query))
      seeds.push_back(std::stoi(entry.details.sample.substr(2)) - 4700);
    EXPECT_EQ(seeds, find.seeds);
  }
  const std::vector<HistoryEntry> one = archive.History({"S-4701", {}, {}, -1});
  ASSERT_EQ(one.size(), 1u);
  const QByteArray csv = HistoryCsv(one);
  EXPECT_TRUE(csv.contains(",\"Ann \"\"Lab\"\" Lee, PhD\",")) << csv.toStdString();
  EXPECT_EQ(one.front().readings, static_cast<std::int64_t>(DeriveReadings(kept[0].original).Count()));
}

// A long transfer's rows go in while the rest are still being made: a
// reading found out of step after its neighbours went in, and a reading
// lost, at each place a batch may end, are kept as the bytes give them.
TEST_P(ArchiveTest, ALongTransferIsKeptWholeWithEveryFaultWhereverItFalls) {
  Archive archive(location_);
  for (const int fault : {4998, 4999, 5000, 9999}) {
    SCOPED_TRACE(fault);
    ArchivedTransfer transfer = MakeTransfer(unsigned(fault), QDateTime::currentDateTimeUtc());
    // Records a second apart, begun so that reading `fault` is taken at the
    // start of a minute: a stray byte late in it shifts a frame whose clock
    // still follows, which goes on as a reading and is found out of step
    // only by the records after it.
    QByteArray bytes = test::Raw(sim::GenerateRecords(12060, 3, 1));
    bytes.remove(0, 12 * ((60 - fault % 60) % 60));
    bytes.remove(qsizetype(12 * (fault + 40) + 3), 1);  // a reading lost
    bytes.insert(qsizetype(12 * fault + 10), QByteArray(1, '\x11'));
    transfer.original.bytes = bytes + test::Raw({sim::EndRecord()});
    ASSERT_TRUE(archive.Store(transfer));
    const TransferRecord derived = DeriveReadings(transfer.original);
    const ReadingStatistics statistics = derived.Statistics();
    const std::set<std::int64_t>& marked = statistics.OutOfStepRows();
    ASSERT_FALSE(marked.empty()) << "the stray byte went unseen";
    ASSERT_GE(statistics.Lost(), 1u);
    // The rows as a lab's own query finds them.
    const QString rows = SelectText(
        "SELECT 'rows ' || COUNT(*) || ', marked ' || SUM(out_of_step * n) || ', lost ' || "
        "SUM(lost_before) FROM reading WHERE transfer_key = (SELECT key FROM transfer WHERE id = "
        "'" +
        transfer.id + "')");
    EXPECT_TRUE(rows.contains(QString("rows %1, marked %2, lost %3")
                                  .arg(derived.Count())
                                  .arg(std::accumulate(marked.begin(), marked.end(), 0LL))
                                  .arg(statistics.Lost())))
        << rows.toStdString();
  }
  EXPECT_EQ(archive.Verify(), QStringList());
}

TEST_P(ArchiveTest, DetailsChangeOnlyWithTheirReasonAndReviewsAreKept) {
  Archive archive(location_);
  const ArchivedTransfer transfer = MakeTransfer(9, QDateTime::currentDateTimeUtc());
  archive.Store(transfer);
  const Actor actor{"bo", "bench-2", "orbek test"};
  archive.ChangeDetail(transfer.id, kDetailFields[0], "S-9999", "typo on the label", actor);
  archive.ChangeDetail(transfer.id, kDetailFields[2], "Tank 3", "forgotten", actor);
  AuditEvent review;
  review.transfer = transfer.id;
  review.at = QDateTime::currentDateTimeUtc();
  review.actor = actor;
  review.kind = "reviewed";
  review.subject = "Dr. Rao";
  review.after = "approved";
  archive.Append(review);
  archive.Append(review);  // a waiting copy delivered twice is one event

  const StoredTransfer stored = archive.Load(transfer.id);
  EXPECT_EQ(stored.transfer.details.sample, "S-9999");
  EXPECT_EQ(stored.transfer.details.location, "Tank 3");
  ASSERT_EQ(stored.ReviewedBy().size(), 1);
  EXPECT_TRUE(stored.ReviewedBy().front().startsWith("Dr. Rao (approved)"));
  ASSERT_EQ(stored.ReceivedBy().size(), 1);
  EXPECT_TRUE(stored.ReceivedBy().front().startsWith("ann on bench-1"));
  const QByteArray trail = AuditCsv(archive.Events(transfer.id));
  EXPECT_TRUE(trail.contains(",detail,sample,S-4709,S-9999,typo on the label,")) << trail.toStdString();
  EXPECT_EQ(archive.History({"S-9999", {}, {}, -1}).size(), 1u);
  EXPECT_EQ(archive.Verify(), QStringList());
}

// Each edit made in the database directly is found and named.
TEST_P(ArchiveTest, AnEditBehindTheArchivesBackIsNamed) {
  const struct {
    const char* edit;
    const char* named;
  } edits[] = {
      {"UPDATE reading SET value = value + 0.01 WHERE n = 3", "reading 3: value"},
      {"UPDATE reading SET out_of_step = 1 WHERE n = 4", "reading 4: out_of_step 1 in the archive"},
      {"DELETE FROM reading WHERE n = 7", "reading 7"},
      {"INSERT INTO reading SELECT transfer_key, n + 1000, meter_time, value, decimals, unit, "
       "temperature, scale, out_of_step, lost_before FROM reading WHERE n = 0",
       "reading 1000 is not in the meter's original bytes"},
      {"UPDATE audit_event SET reason = 'x' WHERE seq = 2", "audit event 2 (detail"},
      {"DELETE FROM audit_event WHERE seq = 2", "audit events 2 to 2 are missing"},
      {"UPDATE transfer SET sample = 'S-0'", "its Sample ID is \"S-0\" but the audit trail says"},
      {"UPDATE transfer SET end_utc = '2030-01-01T00:00:00.000000Z'",
       "differs from when it was received"},
      {"UPDATE transfer SET gaps = '12@0'", "differs from when it was received"},
  };
  for (const auto& edit : edits) {
    SCOPED_TRACE(edit.edit);
    if (server_) {
      ASSERT_TRUE(server_->Sql("DROP TABLE IF EXISTS reading, series, transfer, audit_event, "
                               "schema_version CASCADE"));
    } else {
      QFile::remove(location_.file);
      QFile::remove(location_.file + "-wal");
      QFile::remove(location_.file + "-shm");
    }
    const ArchivedTransfer transfer = MakeTransfer(11, QDateTime::currentDateTimeUtc());
    Archive(location_).Store(transfer);
    Tamper(edit.edit);
    const QStringList problems = Archive(location_).Verify();
    ASSERT_FALSE(problems.isEmpty());
    EXPECT_TRUE(problems.join('\n').contains(edit.named)) << problems.join('\n').toStdString();
  }
}

TEST_P(ArchiveTest, AFileChangedSinceItWasSavedIsNamed) {
  const QString saved = dir_.filePath("readings.csv");
  test::WriteFile(saved, "No.,...\n");
  ArchivedTransfer transfer = MakeTransfer(12, QDateTime::currentDateTimeUtc());
  QString problem;
  transfer.files.push_back(SavedFile::Of(saved, &problem));
  Archive archive(location_);
  archive.Store(transfer);
  EXPECT_EQ(archive.Verify(), QStringList());
  test::WriteFile(saved, "No.,...\n1,edited\n");
  const QStringList problems = archive.Verify();
  ASSERT_EQ(problems.size(), 1);
  EXPECT_TRUE(problems.front().startsWith("the file " + saved)) << problems.front().toStdString();
  // A file that is gone cannot be compared, and is not a difference.
  QFile::remove(saved);
  EXPECT_EQ(archive.Verify(), QStringList());
}

TEST_P(ArchiveTest, WritersAtOnceLoseNothing) {
  constexpr int kWriters = 3, kEach = 8;
  std::vector<std::unique_ptr<QThread>> writers;
  std::atomic<int> waited{0};
  std::mutex said;
  QStringList problems;
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back(QThread::create([&, w] {
      for (int i = 0; i < kEach; ++i) {
        const ArchiveOutcome outcome = ArchiveTransfer(
            location_, MakeTransfer(100 + w * kEach + i, QDateTime::currentDateTimeUtc()));
        if (outcome.archived) continue;
        ++waited;
        const std::lock_guard lock(said);
        problems << outcome.problem;
      }
    }));
    writers.back()->start();
  }
  for (auto& writer : writers)
    writer->wait();
  EXPECT_EQ(waited, 0) << problems.join('\n').toStdString();
  Archive archive(location_);
  EXPECT_EQ(archive.History({}).size(), std::size_t(kWriters * kEach));
  EXPECT_EQ(archive.Verify(), QStringList());
}

// Locked, unreachable, damaged: the transfer waits beside it and goes in
// first at the next chance, after which nothing waits.
TEST_P(ArchiveTest, ATransferTheArchiveCannotTakeWaitsAndGoesInNextTime) {
  const ArchivedTransfer early = MakeTransfer(21, QDateTime::currentDateTimeUtc());
  const ArchivedTransfer late = MakeTransfer(22, QDateTime::currentDateTimeUtc().addSecs(5));
  if (server_) {
    server_->Stop();
  } else {
    test::WriteFile(location_.file, QByteArray(8192, 'x'));  // not a database
  }
  const ArchiveOutcome refused = ArchiveTransfer(location_, early);
  EXPECT_FALSE(refused.archived);
  ASSERT_FALSE(refused.waiting.isEmpty()) << refused.problem.toStdString();
  EXPECT_TRUE(refused.Message(location_, "Transfer 21").contains("it waits in " + refused.waiting));
  EXPECT_EQ(ArchiveWaiting(location_).Files(), QStringList{refused.waiting});

  if (server_) {
    ASSERT_TRUE(server_->Start());
  } else {
    QFile::remove(location_.file);
  }
  const ArchiveOutcome taken = ArchiveTransfer(location_, late);
  EXPECT_TRUE(taken.archived) << taken.problem.toStdString();
  EXPECT_EQ(taken.delivered, 1);
  EXPECT_EQ(ArchiveWaiting(location_).Files(), QStringList());
  Archive archive(location_);
  EXPECT_TRUE(archive.Has(early.id));
  EXPECT_TRUE(archive.Has(late.id));
  EXPECT_EQ(CsvOf(archive.Load(early.id).readings), CsvOf(DeriveReadings(early.original)));
}

TEST_P(ArchiveTest, AnArchiveOfANewerSchemaIsRefusedUnchanged) {
  Archive(location_).Store(MakeTransfer(31, QDateTime::currentDateTimeUtc()));
  Tamper("UPDATE schema_version SET version = 2");
  try {
    Archive archive(location_);
    FAIL() << "opened";
  } catch (const ArchiveError& error) {
    EXPECT_TRUE(QString(error.what()).contains("made by a newer Orbek")) << error.what();
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, ArchiveTest,
                         ::testing::Values(Backend::SQLite, Backend::PostgreSQL),
                         [](const auto& info) {
                           return info.param == Backend::SQLite ? "SQLite" : "PostgreSQL";
                         });

}  // namespace
}  // namespace orbek
