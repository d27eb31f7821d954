#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "archive/ArchiveLocation.h"
#include "meter/Transfer.h"

struct sqlite3;

namespace orbek {

// A reading as its row in the archive holds it.
struct ReadingRow {
  std::int64_t n = 0;
  std::optional<std::int64_t> meterTime;  // seconds since 1970 of the meter's clock, read as UTC
  std::optional<double> value;
  int decimals = 0;
  std::optional<std::string> unit;
  double temperature = 0.0;
  std::string scale;
  bool outOfStep = false;
  std::int64_t lostBefore = 0;

  static ReadingRow Of(const Reading& reading);
  bool operator==(const ReadingRow&) const = default;
  // The first column that differs from `other`, with both values:
  // "value 7.01 in the archive, 7 in the original bytes" for `here` and
  // `there`; empty when none does.
  std::string FirstDifference(const ReadingRow& other, const char* here, const char* there) const;
};

struct OriginalBytes;

// The rows a transfer's original bytes give, in order, each as last
// delivered (a reading found out of step is marked), with their statistics:
// made on another core and handed over in batches, so that a long
// transfer's rows go into the archive while the rest are still being made
// and never all lie in memory at once.
class DerivingRows {
 public:
  explicit DerivingRows(const OriginalBytes& original);
  // Stops the work where it is when not every row was taken.
  ~DerivingRows();
  DerivingRows(const DerivingRows&) = delete;
  DerivingRows& operator=(const DerivingRows&) = delete;

  // The next rows, in order; empty once every row has been handed over.
  // What went wrong in the making is thrown here.
  std::vector<ReadingRow> Next();
  // The statistics of every row; once Next() has come back empty.
  const ReadingStatistics& Statistics() const { return statistics_; }

 private:
  class Sink;
  void Make(const OriginalBytes& original);
  // False once the taker has gone.
  bool HandOver(std::vector<ReadingRow> batch);

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::vector<ReadingRow>> ready_;
  bool made_ = false, stopped_ = false;
  std::exception_ptr failure_;
  ReadingStatistics statistics_;
  std::thread maker_;
};

// The statements of one archive connection: each one checked, its failure
// thrown as ArchiveError naming the archive.
class Rows {
 public:
  Rows(QSqlDatabase& db, const ArchiveLocation& location) : db_(db), location_(location) {}
  // `once`: the rows are read once, in order (no cache of them is kept).
  QSqlQuery Exec(const QString& sql, const QVariantList& values = {}, bool once = false);
  // Every reading of the transfer `key`, in one statement's loop (SQLite's
  // own API where the driver is SQLite's: a million rows in a second) or in
  // multi-row INSERTs.
  void InsertReadings(std::int64_t key, DerivingRows& rows, bool sqlite);
  // Calls `row` for each reading of transfer `key`, in order.
  template <typename Each>
  void ForEachReading(std::int64_t key, Each&& each);

  [[noreturn]] void Fail(const QString& what, const QString& why) const;

 private:
  void InsertWithSqlite(sqlite3* db, std::int64_t key, DerivingRows& rows);
  void InsertWithStatements(std::int64_t key, const std::vector<ReadingRow>& rows);
  ReadingRow RowFrom(const QSqlQuery& query) const;

  QSqlDatabase& db_;
  const ArchiveLocation& location_;
};

template <typename Each>
void Rows::ForEachReading(std::int64_t key, Each&& each) {
  QSqlQuery query(db_);
  query.setForwardOnly(true);
  if (!query.prepare(QStringLiteral("SELECT n, meter_time, value, decimals, unit, temperature, "
                                    "scale, out_of_step, lost_before FROM reading WHERE "
                                    "transfer_key = ? ORDER BY n")))
    Fail(QStringLiteral("read"), query.lastError().text());
  query.addBindValue(qint64(key));
  if (!query.exec()) Fail(QStringLiteral("read"), query.lastError().text());
  while (query.next())
    each(RowFrom(query));
}

}  // namespace orbek
