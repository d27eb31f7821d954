// What the archive costs, against baselines measured in the same run:
// archiving a transfer of a million readings against writing its CSV file,
// the archive's bytes a reading (the meter's original bytes included), and
// the history of 10,000 transfers against the same query through SQLite's
// own API.
#include <sqlite3.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUuid>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "archive/Archive.h"
#include "export/ReadingsOutput.h"
#include "tests/support/Records.h"

namespace {

using namespace orbek;

double MedianMs(int runs, const std::function<void(int)>& run) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer timer;
    timer.start();
    run(i);
    times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// A transfer as a run hands it over: the records with a read's arrival
// time every ten readings.
ArchivedTransfer Transfer(std::size_t readings, unsigned seed) {
  ArchivedTransfer transfer;
  transfer.id = QUuid::createUuid().toByteArray(QUuid::WithoutBraces);
  transfer.actor = {"bench", "bench", "bench"};
  transfer.device = "/dev/ttyUSB0";
  transfer.start = QDateTime::currentDateTimeUtc();
  transfer.end = transfer.start.addSecs(3600);
  transfer.details.sample = "S-" + std::to_string(seed);
  transfer.original.bytes =
      test::Raw(sim::GenerateRecords(readings, seed)) + test::Raw({sim::EndRecord()});
  std::vector<ArrivalTimes::Step> steps;
  for (std::size_t n = 0; n < readings; n += 10)
    steps.emplace_back(std::int64_t(n), std::chrono::system_clock::time_point(
                                            std::chrono::milliseconds(1765000000000 + n)));
  transfer.original.arrivals = ArrivalTimes::FromSteps(std::move(steps), std::int64_t(readings));
  return transfer;
}

void Exec(sqlite3* db, const char* sql) {
  char* error = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
    std::fprintf(stderr, "bench_archive: %s: %s\n", sql, error);
    std::exit(1);
  }
}

// 10,000 transfers: ten archived, then copied with new ids and keys.
void FillWithTransfers(const ArchiveLocation& location) {
  {
    Archive archive(location);
    for (unsigned seed = 0; seed < 10; ++seed)
      archive.Store(Transfer(20, seed));
  }
  sqlite3* db = nullptr;
  sqlite3_open(location.file.toUtf8().constData(), &db);
  Exec(db,
       "WITH RECURSIVE copy(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM copy WHERE i < 999) "
       "INSERT INTO transfer SELECT key + 10 * i, id || '-' || i, program, host, os_user, device, "
       "device_identity, line_settings, send_interval, start_utc, end_utc, time_zone, sample || '-' "
       "|| i, operator, location, probe, note, readings, lost, out_of_step, units, means, original, "
       "original_size, original_sha256, gaps, arrivals FROM transfer, copy");
  sqlite3_close(db);
}

// The history's query through SQLite's API, every column read as text.
std::size_t HistoryThroughSqlite(const QString& file, const char* text) {
  sqlite3* db = nullptr;
  sqlite3_open(file.toUtf8().constData(), &db);
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(db,
                     "SELECT id, start_utc, end_utc, sample, operator, location, probe, note, "
                     "readings, lost, units, means FROM transfer WHERE start_utc >= ?1 AND "
                     "start_utc <= ?2 AND (lower(sample) LIKE ?3 ESCAPE '\\' OR lower(operator) "
                     "LIKE ?3 ESCAPE '\\' OR lower(location) LIKE ?3 ESCAPE '\\' OR lower(probe) "
                     "LIKE ?3 ESCAPE '\\' OR lower(note) LIKE ?3 ESCAPE '\\') ORDER BY start_utc "
                     "DESC, key DESC",
                     -1, &statement, nullptr);
  sqlite3_bind_text(statement, 1, "", -1, SQLITE_STATIC);
  sqlite3_bind_text(statement, 2, "~", -1, SQLITE_STATIC);
  const std::string pattern = std::string("%") + text + "%";
  sqlite3_bind_text(statement, 3, pattern.c_str(), -1, SQLITE_TRANSIENT);
  std::size_t bytes = 0;
  while (sqlite3_step(statement) == SQLITE_ROW)
    for (int column = 0; column < 12; ++column)
      bytes += static_cast<std::size_t>(sqlite3_column_bytes(statement, column)) +
               (sqlite3_column_text(statement, column) != nullptr ? 1 : 0);
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  constexpr std::size_t kReadings = 1000000;
  const ArchivedTransfer big = Transfer(kReadings, 7);

  // The CSV a run saves: its readings made from the bytes, written.
  const double csv = MedianMs(3, [&](int run) {
    ReadingsFile file(dir.filePath(QString("readings-%1.csv").arg(run)), big.details);
    DeriveReadings(big.original, &file);
  });
  std::vector<ArchiveLocation> archives;
  const double archived = MedianMs(3, [&](int run) {
    ArchiveLocation location;
    location.kind = ArchiveLocation::Kind::SQLite;
    location.file = dir.filePath(QString("big-%1.sqlite").arg(run));
    Archive(location).Store(big);
    archives.push_back(location);
  });
  const double bytes = static_cast<double>(QFileInfo(archives.front().file).size());
  std::printf("metric archive_1m_ms %.0f ms\n", archived);
  std::printf("metric archive_1m_csv_ms %.0f ms\n", csv);
  std::printf("metric archive_1m_ratio_to_csv %.2f ratio\n", archived / csv);
  std::printf("metric archive_bytes_per_reading %.1f bytes\n", bytes / double(kReadings));

  ArchiveLocation many;
  many.kind = ArchiveLocation::Kind::SQLite;
  many.file = dir.filePath("many.sqlite");
  FillWithTransfers(many);
  std::size_t listed = 0;
  const double ours = MedianMs(9, [&](int) {
    Archive archive(many);
    listed = HistoryCsv(archive.History({"s-", {}, {}, -1})).size();
  });
  std::size_t through = 0;
  const double sqlite = MedianMs(9, [&](int) { through = HistoryThroughSqlite(many.file, "s-"); });
  if (listed == 0 || through == 0) return 1;
  std::printf("metric history_10k_ms %.1f ms\n", ours);
  std::printf("metric history_10k_sqlite_api_ms %.1f ms\n", sqlite);
  std::printf("metric history_10k_ratio %.2f ratio\n", ours / sqlite);
  return 0;
}
