#include "archive/Archive.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <future>
#include <chrono>

#include "archive/ArchiveRows.h"
#include "storage/Credentials.h"
#include "storage/NativePath.h"

namespace orbek {

struct Archive::Dialect {
  const char* integer;
  const char* real;
  const char* blob;
  const char* withoutRowid;
};

namespace {

constexpr Archive::Dialect kSqlite{"INTEGER", "REAL", "BLOB", " WITHOUT ROWID"};
constexpr Archive::Dialect kPostgres{"BIGINT", "DOUBLE PRECISION", "BYTEA", ""};
// Serialises the writers of a PostgreSQL archive, as BEGIN IMMEDIATE does
// SQLite's: the audit trail's chain needs its events one after the other.
constexpr const char* kPostgresWriteLock = "SELECT pg_advisory_xact_lock(7206320931)";
// How long a writer waits for another's transaction before giving up.
constexpr int kBusyMs = 30000;
// The reason of the details a transfer came with.
constexpr const char* kGivenWithTheTransfer = "given with the transfer";

// The schema, version 1. Times are UTC as text ("2026-12-09T08:10:36.123000Z"),
// so that they sort and compare as text in both databases.
QStringList SchemaStatements(const Archive::Dialect& d) {
  const QString i = QString::fromLatin1(d.integer), r = QString::fromLatin1(d.real),
                b = QString::fromLatin1(d.blob);
  return {
      QStringLiteral("CREATE TABLE schema_version (version %1 NOT NULL)").arg(i),
      QStringLiteral(
          "CREATE TABLE transfer (key %1 PRIMARY KEY, id TEXT NOT NULL UNIQUE, program TEXT NOT "
          "NULL, host TEXT NOT NULL, os_user TEXT NOT NULL, device TEXT NOT NULL, device_identity "
          "TEXT NOT NULL, line_settings TEXT NOT NULL, send_interval TEXT NOT NULL, start_utc "
          "TEXT NOT NULL, end_utc TEXT NOT NULL, time_zone TEXT NOT NULL, sample TEXT NOT NULL, "
          "operator TEXT NOT NULL, location TEXT NOT NULL, probe TEXT NOT NULL, note TEXT NOT "
          "NULL, readings %1 NOT NULL, lost %1 NOT NULL, out_of_step %1 NOT NULL, units TEXT NOT "
          "NULL, means TEXT NOT NULL, original %2 NOT NULL, original_size %1 NOT NULL, "
          "original_sha256 TEXT NOT NULL, gaps TEXT NOT NULL, arrivals %2 NOT NULL)")
          .arg(i, b),
      QStringLiteral("CREATE INDEX transfer_start ON transfer (start_utc)"),
      QStringLiteral("CREATE TABLE reading (transfer_key %1 NOT NULL, n %1 NOT NULL, meter_time "
                     "%1, value %2, decimals %1 NOT NULL, unit TEXT, temperature %2 NOT NULL, "
                     "scale TEXT NOT NULL, out_of_step %1 NOT NULL, lost_before %1 NOT NULL, "
                     "PRIMARY KEY (transfer_key, n))%3")
          .arg(i, r, QString::fromLatin1(d.withoutRowid)),
      QStringLiteral("CREATE TABLE series (transfer_key %1 NOT NULL, kind TEXT NOT NULL, unit "
                     "TEXT NOT NULL, n %1 NOT NULL, minimum %2 NOT NULL, maximum %2 NOT NULL, "
                     "mean %2 NOT NULL, sd %2, PRIMARY KEY (transfer_key, kind, unit))")
          .arg(i, r),
      QStringLiteral("CREATE TABLE audit_event (seq %1 PRIMARY KEY, transfer_id TEXT NOT NULL, "
                     "at_utc TEXT NOT NULL, os_user TEXT NOT NULL, host TEXT NOT NULL, program "
                     "TEXT NOT NULL, kind TEXT NOT NULL, subject TEXT NOT NULL, old_value TEXT NOT "
                     "NULL, new_value TEXT NOT NULL, reason TEXT NOT NULL, file_sha256 TEXT NOT "
                     "NULL, previous_sha256 TEXT NOT NULL, sha256 TEXT NOT NULL)")
          .arg(i),
      QStringLiteral("CREATE INDEX audit_event_transfer ON audit_event (transfer_id)"),
      QStringLiteral("CREATE VIEW saved_file AS SELECT transfer_id, at_utc AS saved_utc, subject "
                     "AS format, new_value AS path, file_sha256 AS sha256 FROM audit_event WHERE "
                     "kind IN ('file saved', 'report made', 'exported')"),
      QStringLiteral("INSERT INTO schema_version (version) VALUES (1)"),
  };
}

QString Key(const DetailField& field) {
  return QString::fromLatin1(field.key.data(), qsizetype(field.key.size()));
}

const DetailField* FieldOf(const QString& key) {
  for (const DetailField& field : kDetailFields)
    if (key == Key(field)) return &field;
  return nullptr;
}

// SQLite closes a file it could not open and forgets why: the open is
// tried again here for the system's cause.
QString OpenCause(const QString& file, const QString& said) {
  const int descriptor =
      ::open(NativeFromPath(file).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (descriptor >= 0) {
    ::close(descriptor);
    return said;
  }
  return QStringLiteral("%1 (%2)").arg(said, ReasonFor(errno));
}

QString Said(const QSqlError& error) {
  const QString text = error.text().trimmed();
  return text.isEmpty() ? QStringLiteral("unknown error") : text;
}

}  // namespace

// One write: SQLite's BEGIN IMMEDIATE (or PostgreSQL's lock) takes the
// write lock at once, so that two writers never both read the chain's end.
// Rolled back unless committed.
class Archive::Transaction {
 public:
  explicit Transaction(Archive& archive) : archive_(archive) {
    if (archive_.sqlite_) {
      Run(QStringLiteral("BEGIN IMMEDIATE"));
    } else {
      Run(QStringLiteral("BEGIN"));
      Run(QString::fromLatin1(kPostgresWriteLock));
    }
  }
  ~Transaction() {
    if (!done_) QSqlQuery(archive_.db_).exec(QStringLiteral("ROLLBACK"));
  }
  void Commit() {
    Run(QStringLiteral("COMMIT"));
    done_ = true;
  }

 private:
  void Run(const QString& sql) {
    QSqlQuery query(archive_.db_);
    if (!query.exec(sql))
      throw ArchiveError(QStringLiteral("%1: %2").arg(archive_.location_.Display(),
                                                      Said(query.lastError()))
                             .toStdString());
  }
  Archive& archive_;
  bool done_ = false;
};

Archive::Archive(const ArchiveLocation& location) : location_(location) {
  static std::atomic<int> made{0};
  connection_ = QStringLiteral("orbek-archive-%1").arg(made++);
  sqlite_ = location_.kind == ArchiveLocation::Kind::SQLite;
  Open();
  MakeSchema();
}

Archive::~Archive() {
  db_.close();
  db_ = QSqlDatabase();
  QSqlDatabase::removeDatabase(connection_);
}

void Archive::Open() {
  const auto fail = [this](const QString& why) {
    throw ArchiveError(QStringLiteral("cannot open the archive %1: %2")
                           .arg(location_.Display(), why)
                           .toStdString());
  };
  if (location_.kind == ArchiveLocation::Kind::Off) fail(QStringLiteral("archiving is off"));
  db_ = QSqlDatabase::addDatabase(sqlite_ ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL"),
                                  connection_);
  if (!db_.isValid())
    fail(sqlite_ ? QStringLiteral("Qt's SQLite driver is missing (libqt6sql6-sqlite)")
                 : QStringLiteral("Qt's PostgreSQL driver is missing (libqt6sql6-psql)"));
  if (sqlite_) {
    const QString folder = QFileInfo(location_.file).absolutePath();
    if (!QDir().mkpath(folder)) fail(QStringLiteral("cannot make the folder %1").arg(folder));
    db_.setDatabaseName(location_.file);
    db_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyMs));
  } else {
    db_.setHostName(location_.host);
    db_.setPort(location_.port);
    db_.setDatabaseName(location_.database);
    db_.setUserName(location_.user);
    if (!location_.credentialsFile.isEmpty()) {
      QString problem;
      const std::optional<Credentials> credentials =
          ReadCredentials(location_.credentialsFile, &problem);
      if (!credentials) fail(problem);
      db_.setUserName(QString::fromUtf8(credentials->user));
      db_.setPassword(QString::fromUtf8(credentials->password));
    }
    QString options = QStringLiteral("connect_timeout=10");
    if (!location_.connectOptions.isEmpty()) options += ';' + location_.connectOptions;
    db_.setConnectOptions(options);
  }
  if (!db_.open()) fail(sqlite_ ? OpenCause(location_.file, Said(db_.lastError()))
                                : Said(db_.lastError()));
  if (!sqlite_) return;
  // Readers never wait for a writer, and a commit is on the disk when it
  // returns.
  // Large pages: a reading's row is small, and a long transfer's rows go
  // in with fewer page splits. Only a new file takes the size.
  for (const char* pragma : {"PRAGMA page_size=16384", "PRAGMA journal_mode=WAL",
                             "PRAGMA synchronous=FULL"}) {
    QSqlQuery query(db_);
    if (!ExecWhileBusy(query, QString::fromLatin1(pragma))) fail(Said(query.lastError()));
  }
}

// Turning a new file to WAL needs it to itself, and SQLite answers "database
// is locked" at once rather than waiting when another program opens the
// same new file: tried again until the busy timeout.
bool Archive::ExecWhileBusy(QSqlQuery& query, const QString& sql) {
  QElapsedTimer waited;
  waited.start();
  for (;;) {
    if (query.exec(sql)) return true;
    constexpr int kSqliteBusy = 5;
    if (query.lastError().nativeErrorCode().toInt() != kSqliteBusy || waited.elapsed() > kBusyMs)
      return false;
    QThread::msleep(10);
  }
}

// An archive of this schema is only read here, so a reader never waits
// for a writer's lock; one to make or upgrade takes it.
void Archive::MakeSchema() {
  if (SchemaVersion() == kSchemaVersion) return;
  Transaction transaction(*this);
  if (SchemaVersion() == 0) {
    Rows rows(db_, location_);
    for (const QString& statement : SchemaStatements(sqlite_ ? kSqlite : kPostgres))
      rows.Exec(statement);
  }
  // Later versions add their upgrades here, one step each.
  if (const int found = SchemaVersion(); found > kSchemaVersion)
    throw ArchiveError(QStringLiteral("the archive %1 was made by a newer Orbek (schema %2)")
                           .arg(location_.Display())
                           .arg(found)
                           .toStdString());
  transaction.Commit();
}

// 0 for an archive with no schema yet.
int Archive::SchemaVersion() {
  if (!db_.tables().contains(QStringLiteral("schema_version"))) return 0;
  QSqlQuery version =
      Rows(db_, location_).Exec(QStringLiteral("SELECT MAX(version) FROM schema_version"));
  return version.next() ? version.value(0).toInt() : 0;
}

bool Archive::Has(const QByteArray& id) {
  return Rows(db_, location_)
      .Exec(QStringLiteral("SELECT 1 FROM transfer WHERE id = ?"), {QString::fromLatin1(id)})
      .next();
}

std::int64_t Archive::KeyOf(const QByteArray& id) {
  QSqlQuery query = Rows(db_, location_)
                        .Exec(QStringLiteral("SELECT key FROM transfer WHERE id = ?"),
                              {QString::fromLatin1(id)});
  if (!query.next())
    throw ArchiveError(QStringLiteral("the archive %1 holds no transfer %2")
                           .arg(location_.Display(), QString::fromLatin1(id))
                           .toStdString());
  return query.value(0).toLongLong();
}

bool Archive::Store(const ArchivedTransfer& transfer) {
  // The bytes are packed, and the readings made, on other cores while the
  // write lock is awaited and the rows go in: the lock is held about as
  // long as the archive takes to write them.
  std::future<Packed> packing = std::async(std::launch::async, Pack, std::cref(transfer));
  DerivingRows derived(transfer.original);
  Transaction transaction(*this);
  if (Has(transfer.id)) {
    // Kept already (a recovery of a run that archived it before it ended):
    // only the files made now are new.
    for (AuditEvent& saved : FileEvents(transfer))
      if (!HasEvent(saved)) AppendLocked(saved);
    transaction.Commit();
    return false;
  }
  Rows rows(db_, location_);
  QSqlQuery last = rows.Exec(QStringLiteral("SELECT COALESCE(MAX(key), 0) + 1 FROM transfer"));
  const std::int64_t key = last.next() ? last.value(0).toLongLong() : 1;
  rows.InsertReadings(key, derived, sqlite_);
  const Packed packed = packing.get();
  InsertTransfer(transfer, key, derived.Statistics(), packed);
  InsertSeries(key, derived.Statistics());
  AuditEvent received;
  received.transfer = transfer.id;
  received.at = transfer.end;
  received.actor = transfer.actor;
  received.kind = QStringLiteral("received");
  received.subject = transfer.device;
  received.after = QString::fromLatin1(packed.facts);
  AppendLocked(received);
  for (const DetailField& field : kDetailFields) {
    const std::string& value = transfer.details.*field.member;
    if (value.empty()) continue;
    AuditEvent given = received;
    given.kind = QStringLiteral("detail");
    given.subject = Key(field);
    given.before.clear();
    given.after = QString::fromStdString(value);
    given.reason = QLatin1String(kGivenWithTheTransfer);
    ChainEvent(given);
  }
  for (AuditEvent& saved : FileEvents(transfer))
    AppendLocked(saved);
  transaction.Commit();
  return true;
}

std::vector<AuditEvent> Archive::FileEvents(const ArchivedTransfer& transfer) {
  std::vector<AuditEvent> events;
  for (const SavedFile& file : transfer.files) {
    AuditEvent saved;
    saved.transfer = transfer.id;
    saved.actor = transfer.actor;
    saved.at = file.when;
    saved.kind = file.format == QLatin1String("pdf") ? QStringLiteral("report made")
                                                     : QStringLiteral("file saved");
    saved.subject = file.format;
    saved.after = file.path;
    saved.fileSha256 = file.sha256;
    events.push_back(saved);
  }
  return events;
}

bool Archive::HasEvent(const AuditEvent& event) {
  return Rows(db_, location_)
      .Exec(QStringLiteral("SELECT 1 FROM audit_event WHERE transfer_id = ? AND at_utc = ? AND "
                           "kind = ? AND subject = ? AND new_value = ?"),
            {QString::fromLatin1(event.transfer), ArchiveTime(event.at), event.kind,
             event.subject, event.after})
      .next();
}

Archive::Packed Archive::Pack(const ArchivedTransfer& transfer) {
  return {qCompress(transfer.original.bytes, 1),
          QCryptographicHash::hash(transfer.original.bytes, QCryptographicHash::Sha256).toHex(),
          transfer.FactsDigest()};
}

void Archive::InsertTransfer(const ArchivedTransfer& t, std::int64_t key,
                             const ReadingStatistics& statistics, const Packed& packed) {
  QStringList units, means;
  for (const ReadingStatistics::Series& series : statistics.Values()) {
    units << QString::fromStdString(series.unit);
    means << QString::fromStdString(StatisticText(series.numbers.Mean()));
  }
  QVariantList values{qint64(key),
                      QString::fromLatin1(t.id),
                      t.actor.program,
                      t.actor.host,
                      t.actor.osUser,
                      t.device,
                      t.deviceIdentity,
                      t.lineSettings,
                      t.interval,
                      ArchiveTime(t.start),
                      ArchiveTime(t.end),
                      t.timeZone};
  for (const DetailField& field : kDetailFields)
    values << QString::fromStdString(t.details.*field.member);
  values << qint64(statistics.Readings()) << qint64(statistics.Lost())
         << qint64(statistics.OutOfStepRows().size()) << units.join(';') << means.join(';')
         << packed.compressed << qint64(t.original.bytes.size())
         << QString::fromLatin1(packed.sha256)
         << t.original.GapsText() << t.original.ArrivalsBlob();
  Rows(db_, location_)
      .Exec(QStringLiteral("INSERT INTO transfer (key, id, program, host, os_user, device, "
                           "device_identity, line_settings, send_interval, start_utc, end_utc, "
                           "time_zone, sample, operator, location, probe, note, readings, lost, "
                           "out_of_step, units, means, original, original_size, original_sha256, "
                           "gaps, arrivals) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                           "?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            values);
}

void Archive::InsertSeries(std::int64_t key, const ReadingStatistics& statistics) {
  Rows rows(db_, location_);
  const auto insert = [&](const char* kind, const ReadingStatistics::Series& series) {
    const Accumulator& n = series.numbers;
    const std::optional<double> deviation = n.Deviation();
    rows.Exec(QStringLiteral("INSERT INTO series VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
              {qint64(key), QString::fromLatin1(kind), QString::fromStdString(series.unit),
               qint64(n.Count()), n.Minimum(), n.Maximum(), n.Mean(),
               deviation ? QVariant(*deviation) : QVariant(QMetaType(QMetaType::Double))});
  };
  for (const ReadingStatistics::Series& series : statistics.Values())
    insert("value", series);
  for (const ReadingStatistics::Series& series : statistics.Temperatures())
    insert("temperature", series);
}

void Archive::ChainEvent(AuditEvent& event) {
  Rows rows(db_, location_);
  QSqlQuery last =
      rows.Exec(QStringLiteral("SELECT seq, sha256 FROM audit_event ORDER BY seq DESC LIMIT 1"));
  event.sequence = last.next() ? last.value(0).toLongLong() + 1 : 1;
  event.previous = last.isValid() ? last.value(1).toString().toLatin1() : QByteArray();
  event.digest = event.Compute();
  rows.Exec(QStringLiteral("INSERT INTO audit_event VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                           "?, ?)"),
            {qint64(event.sequence), QString::fromLatin1(event.transfer), ArchiveTime(event.at),
             event.actor.osUser, event.actor.host, event.actor.program, event.kind, event.subject,
             event.before, event.after, event.reason, QString::fromLatin1(event.fileSha256),
             QString::fromLatin1(event.previous), QString::fromLatin1(event.digest)});
}

void Archive::Append(AuditEvent event) {
  Transaction transaction(*this);
  KeyOf(event.transfer);
  if (!HasEvent(event)) AppendLocked(event);
  transaction.Commit();
}

void Archive::ChangeDetail(const QByteArray& id, const DetailField& field, const QString& value,
                           const QString& reason, const Actor& actor) {
  AuditEvent change;
  change.transfer = id;
  change.at = QDateTime::currentDateTimeUtc();
  change.actor = actor;
  change.kind = QStringLiteral("detail");
  change.subject = Key(field);
  change.after = value;
  change.reason = reason;
  Append(change);
}

// A change of a detail is the one event that changes the transfer's row:
// both in one transaction, the old value as the row had it.
void Archive::AppendLocked(AuditEvent& event) {
  if (event.kind == QLatin1String("detail") && !event.reason.isEmpty() &&
      event.reason != QLatin1String(kGivenWithTheTransfer)) {
    const DetailField* field = FieldOf(event.subject);
    if (field == nullptr)
      throw ArchiveError(QStringLiteral("no detail is called %1").arg(event.subject).toStdString());
    Rows rows(db_, location_);
    QSqlQuery now = rows.Exec(
        QStringLiteral("SELECT %1 FROM transfer WHERE id = ?").arg(Key(*field)),
        {QString::fromLatin1(event.transfer)});
    event.before = now.next() ? now.value(0).toString() : QString();
    if (event.before == event.after) return;
    rows.Exec(QStringLiteral("UPDATE transfer SET %1 = ? WHERE id = ?").arg(Key(*field)),
              {event.after, QString::fromLatin1(event.transfer)});
  }
  ChainEvent(event);
}

}  // namespace orbek
