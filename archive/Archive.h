#pragma once

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include "archive/ArchiveLocation.h"
#include "archive/ArchivedTransfer.h"

namespace orbek {

// The archive could not be opened, read or written: the message says which
// and why.
class ArchiveError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One line of the history: a transfer as a lab looks for it.
struct HistoryEntry {
  QByteArray id;
  QString start, end;  // UTC, as the archive writes it (ArchiveTime)
  SampleDetails details;
  std::int64_t readings = 0, lost = 0;
  QString units, means;  // "pH;mV" and "7.01;-12.3", in the order the units came
};

// Which transfers the history lists: those whose details hold `text`
// (any case), started within [since, until], newest first.
struct HistoryQuery {
  QString text;
  QDateTime since, until;  // invalid for no bound
  int limit = -1;          // -1 for every one
};

// A transfer as the archive holds it, details as they stand now, and the
// readings made again from its original bytes.
struct StoredTransfer {
  ArchivedTransfer transfer;
  TransferRecord readings;
  std::vector<AuditEvent> events;
  // "root on lab-pc-3, 2026-12-09T08:10:36Z (orbek-log 1.0)": who received
  // the transfer; "A. Reviewer (approved), 2026-…": who reviewed it.
  QStringList ReceivedBy() const;
  QStringList ReviewedBy() const;
};

// The lab's archive of every transfer: an SQLite file (WAL, so several
// programs write at once) or a PostgreSQL server, through Qt SQL. A
// transfer is kept with its original bytes, its readings as typed rows and
// statistics; everything done to it afterwards is appended to an audit
// trail, never changed. Every write is one short transaction. Errors throw
// ArchiveError.
class Archive {
 public:
  static constexpr int kSchemaVersion = 1;

  // Opens the archive, making it (and its folder) or bringing its schema up
  // to date.
  explicit Archive(const ArchiveLocation& location);
  ~Archive();
  Archive(const Archive&) = delete;
  Archive& operator=(const Archive&) = delete;

  const ArchiveLocation& Location() const { return location_; }
  bool Has(const QByteArray& id);
  // Keeps a transfer, its readings made from its original bytes, with the
  // events of its receipt: received, each detail given, each file saved.
  // A transfer kept already is left as it is (false).
  bool Store(const ArchivedTransfer& transfer);
  // Appends `event` (its sequence and digests are made here) unless the
  // same event is there already. A "detail" event with a reason changes
  // the transfer's detail too; its old value is the row's.
  void Append(AuditEvent event);
  // Changes one detail of a transfer and appends the change with its reason.
  void ChangeDetail(const QByteArray& id, const DetailField& field, const QString& value,
                    const QString& reason, const Actor& actor);

  std::vector<HistoryEntry> History(const HistoryQuery& query);
  // The id that `prefix` starts (an id's first characters will do), or
  // none; throws when it names several.
  std::optional<QByteArray> FindId(const QString& prefix);
  // `readings`: made again from the original bytes, or left empty.
  StoredTransfer Load(const QByteArray& id, bool readings = true);
  // Every event, or a transfer's, oldest first.
  std::vector<AuditEvent> Events(const QByteArray& id = {});
  // Everything that differs from what was kept: the chain, each transfer
  // against its receipt and its original bytes, each saved file still
  // there against its hash. Empty when all holds; the first found first.
  QStringList Verify();

  // The SQL a driver speaks for the schema's types.
  struct Dialect;

 private:
  class Transaction;
  void Open();
  static bool ExecWhileBusy(QSqlQuery& query, const QString& sql);
  void MakeSchema();
  int SchemaVersion();
  // The original bytes as the archive keeps them: zlib's fastest level
  // (most of a long transfer's cost is here otherwise), their SHA-256, and
  // the facts' digest.
  struct Packed {
    QByteArray compressed, sha256, facts;
  };
  static Packed Pack(const ArchivedTransfer& transfer);
  void InsertTransfer(const ArchivedTransfer& transfer, std::int64_t key,
                      const ReadingStatistics& statistics, const Packed& packed);
  void InsertSeries(std::int64_t key, const ReadingStatistics& statistics);
  void AppendLocked(AuditEvent& event);
  void ChainEvent(AuditEvent& event);
  bool HasEvent(const AuditEvent& event);
  static std::vector<AuditEvent> FileEvents(const ArchivedTransfer& transfer);
  std::int64_t KeyOf(const QByteArray& id);
  QStringList VerifyChain();
  QStringList VerifyTransfer(const QByteArray& id);
  QStringList VerifyFiles();

  ArchiveLocation location_;
  QString connection_;
  QSqlDatabase db_;
  bool sqlite_ = true;
};

// The history as CSV with a header, a line a transfer.
QByteArray HistoryCsv(const std::vector<HistoryEntry>& entries);
// The trail as CSV with a header, a line an event.
QByteArray AuditCsv(const std::vector<AuditEvent>& events);

}  // namespace orbek
