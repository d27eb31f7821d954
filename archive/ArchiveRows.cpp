#include "archive/ArchiveRows.h"

#include <QSqlDriver>
#include <QSqlError>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <memory>

#include <sqlite3.h>

#include "archive/Archive.h"
#include "archive/ArchivedTransfer.h"
#include "meter/RecordAligner.h"
#include "storage/LazyLibrary.h"

namespace orbek {

namespace {

// The SQLite library the Qt driver brings, loaded by its SONAME when a
// transfer's readings are first written in bulk: a run that archives nothing
// does not load it, and the driver's library is the one found.
QFunctionPointer Sqlite(const char* function) {
  static LazyLibrary library(ORBEK_SQLITE3_SONAME);
  return library.ResolveOrThrow<ArchiveError>(function, "cannot write to the archive");
}
#define SQLITE(function) ORBEK_LAZY(Sqlite, function)

std::optional<std::int64_t> SecondsOf(const MeterClock& clock) {
  if (!clock.real) return std::nullopt;
  using namespace std::chrono;
  const sys_days day{year{clock.year} / month{clock.month} / std::chrono::day{clock.day}};
  return duration_cast<seconds>(day.time_since_epoch()).count() + clock.hour * 3600 +
         clock.minute * 60 + clock.second;
}

// The shortest text that reads back as exactly `x`.
std::string NumberText(double x) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, x).ptr;
  return std::string(text, end);
}

template <typename T>
std::string Shown(const std::optional<T>& x) {
  if (!x) return "none";
  if constexpr (std::is_same_v<T, double>) return NumberText(*x);
  else if constexpr (std::is_same_v<T, std::string>) return *x;
  else return std::to_string(*x);
}

// "'µS/cm'": a text as an SQL literal.
QString Literal(const std::string& text) {
  return QLatin1Char('\'') + QString::fromStdString(text).replace('\'', QStringLiteral("''")) +
         QLatin1Char('\'');
}

}  // namespace

ReadingRow ReadingRow::Of(const Reading& reading) {
  const DecodedReading& d = reading.decoded;
  ReadingRow row;
  row.n = reading.number;
  row.meterTime = SecondsOf(d.Clock);
  row.value = d.Value;
  row.decimals = d.ValueDecimals;
  if (d.Unit) row.unit = std::string(*d.Unit);
  row.temperature = d.TemperatureNumber;
  row.scale = std::string(d.TemperatureUnit());
  row.outOfStep = reading.outOfStep;
  row.lostBefore = static_cast<std::int64_t>(reading.lostBefore);
  return row;
}

std::string ReadingRow::FirstDifference(const ReadingRow& o, const char* here,
                                        const char* there) const {
  const auto say = [&](const char* column, const std::string& mine, const std::string& theirs) {
    return std::string(column) + " " + mine + " " + here + ", " + theirs + " " + there;
  };
  if (n != o.n) return say("n", std::to_string(n), std::to_string(o.n));
  if (meterTime != o.meterTime) return say("meter_time", Shown(meterTime), Shown(o.meterTime));
  if (value != o.value) return say("value", Shown(value), Shown(o.value));
  if (decimals != o.decimals)
    return say("decimals", std::to_string(decimals), std::to_string(o.decimals));
  if (unit != o.unit) return say("unit", Shown(unit), Shown(o.unit));
  if (temperature != o.temperature)
    return say("temperature", NumberText(temperature), NumberText(o.temperature));
  if (scale != o.scale) return say("scale", scale, o.scale);
  if (outOfStep != o.outOfStep)
    return say("out_of_step", std::to_string(outOfStep), std::to_string(o.outOfStep));
  if (lostBefore != o.lostBefore)
    return say("lost_before", std::to_string(lostBefore), std::to_string(o.lostBefore));
  return {};
}

void Rows::Fail(const QString& what, const QString& why) const {
  throw ArchiveError(QStringLiteral("cannot %1 the archive %2: %3")
                         .arg(what, location_.Display(),
                              why.trimmed().isEmpty() ? QStringLiteral("unknown error") : why)
                         .toStdString());
}

QSqlQuery Rows::Exec(const QString& sql, const QVariantList& values, bool once) {
  QSqlQuery query(db_);
  query.setForwardOnly(once);
  const bool writes = !sql.startsWith(QLatin1String("SELECT"));
  const QString what = writes ? QStringLiteral("write to") : QStringLiteral("read");
  // A statement without values runs as it is: PostgreSQL prepares no
  // CREATE, and a multi-row INSERT gains nothing from it.
  if (values.isEmpty()) {
    if (!query.exec(sql)) Fail(what, query.lastError().text());
    return query;
  }
  if (!query.prepare(sql)) Fail(what, query.lastError().text());
  // An empty text is a text: Qt would bind a null QString as NULL.
  for (const QVariant& value : values)
    query.addBindValue(value.typeId() == QMetaType::QString && value.toString().isNull()
                           ? QVariant(QStringLiteral(""))
                           : value);
  if (!query.exec()) Fail(what, query.lastError().text());
  return query;
}

ReadingRow Rows::RowFrom(const QSqlQuery& q) const {
  ReadingRow row;
  row.n = q.value(0).toLongLong();
  if (!q.isNull(1)) row.meterTime = q.value(1).toLongLong();
  if (!q.isNull(2)) row.value = q.value(2).toDouble();
  row.decimals = q.value(3).toInt();
  if (!q.isNull(4)) row.unit = q.value(4).toString().toStdString();
  row.temperature = q.value(5).toDouble();
  row.scale = q.value(6).toString().toStdString();
  row.outOfStep = q.value(7).toLongLong() != 0;
  row.lostBefore = q.value(8).toLongLong();
  return row;
}

namespace {

// How many rows go over at once: enough that handing over costs nothing
// a row, few enough that the archive starts on them early.
constexpr std::size_t kRowsABatch = 5000;
// The maker's lead over the archive, in batches.
constexpr std::size_t kBatchesAhead = 4;

// Thrown through the replay when the taker has gone.
struct Stopped {};

}  // namespace

// Holds back the last rows a correction can still reach (the aligner finds
// a reading out of step at most kMostHeld readings later) and hands the
// rest over in batches.
class DerivingRows::Sink : public ReadingSink {
 public:
  explicit Sink(DerivingRows& rows) : rows_(rows) {}
  void OnReading(const Reading& reading) override {
    statistics_.Add(reading);
    held_.push_back(ReadingRow::Of(reading));
    if (held_.size() >= kRowsABatch + RecordAligner::kMostHeld) HandOver(kRowsABatch);
  }
  void OnOutOfStep(const Reading& corrected) override {
    statistics_.Correct(corrected.number);
    const auto row = std::lower_bound(held_.begin(), held_.end(), corrected.number,
                                      [](const ReadingRow& r, std::int64_t n) { return r.n < n; });
    if (row != held_.end() && row->n == corrected.number) *row = ReadingRow::Of(corrected);
  }
  void OnStepRegained(const StepLoss&) override {}
  void OnEnd(const MeterRecord&) override {}
  void Finish() { HandOver(held_.size()); }
  ReadingStatistics Statistics() const { return statistics_.Current(); }

 private:
  void HandOver(std::size_t count) {
    if (count == 0) return;
    std::vector<ReadingRow> batch(std::make_move_iterator(held_.begin()),
                                  std::make_move_iterator(held_.begin() + std::ptrdiff_t(count)));
    held_.erase(held_.begin(), held_.begin() + std::ptrdiff_t(count));
    if (!rows_.HandOver(std::move(batch))) throw Stopped{};
  }

  DerivingRows& rows_;
  std::vector<ReadingRow> held_;
  StreamStatistics statistics_;
};

DerivingRows::DerivingRows(const OriginalBytes& original)
    : maker_([this, &original] { Make(original); }) {}

DerivingRows::~DerivingRows() {
  {
    const std::lock_guard lock(mutex_);
    stopped_ = true;
  }
  changed_.notify_all();
  maker_.join();
}

void DerivingRows::Make(const OriginalBytes& original) {
  ReadingStatistics statistics;
  std::exception_ptr failure;
  try {
    Sink sink(*this);
    ReplayOriginal(original, sink);
    sink.Finish();
    statistics = sink.Statistics();
  } catch (const Stopped&) {
  } catch (...) {
    failure = std::current_exception();
  }
  {
    const std::lock_guard lock(mutex_);
    statistics_ = std::move(statistics);
    failure_ = failure;
    made_ = true;
  }
  changed_.notify_all();
}

bool DerivingRows::HandOver(std::vector<ReadingRow> batch) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return stopped_ || ready_.size() < kBatchesAhead; });
  if (stopped_) return false;
  ready_.push_back(std::move(batch));
  lock.unlock();
  changed_.notify_all();
  return true;
}

std::vector<ReadingRow> DerivingRows::Next() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return made_ || !ready_.empty(); });
  if (ready_.empty()) {
    if (failure_) std::rethrow_exception(failure_);
    return {};
  }
  std::vector<ReadingRow> batch = std::move(ready_.front());
  ready_.pop_front();
  lock.unlock();
  changed_.notify_all();
  return batch;
}

void Rows::InsertReadings(std::int64_t key, DerivingRows& rows, bool sqlite) {
  const QVariant handle = db_.driver()->handle();
  if (sqlite && handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
    return InsertWithSqlite(*static_cast<sqlite3* const*>(handle.data()), key, rows);
  for (std::vector<ReadingRow> batch = rows.Next(); !batch.empty(); batch = rows.Next())
    InsertWithStatements(key, batch);
}

void Rows::InsertWithSqlite(sqlite3* db, std::int64_t key, DerivingRows& rows) {
  sqlite3_stmt* statement = nullptr;
  if (SQLITE(sqlite3_prepare_v2)(
          db, "INSERT INTO reading VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)", -1,
          &statement, nullptr) != SQLITE_OK)
    Fail(QStringLiteral("write to"), QString::fromUtf8(SQLITE(sqlite3_errmsg)(db)));
  const auto finalize = [](sqlite3_stmt* prepared) { SQLITE(sqlite3_finalize)(prepared); };
  const std::unique_ptr<sqlite3_stmt, decltype(finalize)> owned(statement, finalize);
  const auto fail = [&] {
    Fail(QStringLiteral("write to"), QString::fromUtf8(SQLITE(sqlite3_errmsg)(db)));
  };
  for (std::vector<ReadingRow> batch = rows.Next(); !batch.empty(); batch = rows.Next())
    for (const ReadingRow& row : batch) {
      SQLITE(sqlite3_bind_int64)(statement, 1, key);
      SQLITE(sqlite3_bind_int64)(statement, 2, row.n);
      row.meterTime ? SQLITE(sqlite3_bind_int64)(statement, 3, *row.meterTime)
                    : SQLITE(sqlite3_bind_null)(statement, 3);
      row.value ? SQLITE(sqlite3_bind_double)(statement, 4, *row.value)
                : SQLITE(sqlite3_bind_null)(statement, 4);
      SQLITE(sqlite3_bind_int)(statement, 5, row.decimals);
      row.unit ? SQLITE(sqlite3_bind_text)(statement, 6, row.unit->data(), int(row.unit->size()),
                                           SQLITE_STATIC)
               : SQLITE(sqlite3_bind_null)(statement, 6);
      SQLITE(sqlite3_bind_double)(statement, 7, row.temperature);
      SQLITE(sqlite3_bind_text)
      (statement, 8, row.scale.data(), int(row.scale.size()), SQLITE_STATIC);
      SQLITE(sqlite3_bind_int)(statement, 9, row.outOfStep ? 1 : 0);
      SQLITE(sqlite3_bind_int64)(statement, 10, row.lostBefore);
      if (SQLITE(sqlite3_step)(statement) != SQLITE_DONE) fail();
      SQLITE(sqlite3_reset)(statement);
    }
}

// Numbers written with every digit a double needs, so that the row reads
// back exactly; the units are the decoder's own texts.
void Rows::InsertWithStatements(std::int64_t key, const std::vector<ReadingRow>& rows) {
  constexpr std::size_t kRowsAStatement = 500;
  const QString null = QStringLiteral("NULL");
  for (std::size_t first = 0; first < rows.size(); first += kRowsAStatement) {
    QStringList values;
    for (std::size_t i = first; i < std::min(rows.size(), first + kRowsAStatement); ++i) {
      const ReadingRow& row = rows[i];
      values << QStringLiteral("(%1,%2,%3,%4,%5,%6,%7,%8,%9,%10)")
                    .arg(key)
                    .arg(row.n)
                    .arg(row.meterTime ? QString::number(*row.meterTime) : null,
                         row.value ? QString::fromStdString(NumberText(*row.value)) : null)
                    .arg(row.decimals)
                    .arg(row.unit ? Literal(*row.unit) : null,
                         QString::fromStdString(NumberText(row.temperature)), Literal(row.scale))
                    .arg(row.outOfStep ? 1 : 0)
                    .arg(row.lostBefore);
    }
    Exec(QStringLiteral("INSERT INTO reading VALUES ") + values.join(QLatin1Char(',')));
  }
}

}  // namespace orbek
