// Checking the archive: the audit trail's chain, each transfer against its
// receipt and its original bytes, each saved file against its hash.
#include <QCryptographicHash>
#include <QFileInfo>
#include <QSqlQuery>

#include "archive/Archive.h"
#include "archive/ArchiveRows.h"
#include "storage/NativePath.h"

namespace orbek {

namespace {

QString Id(const QByteArray& id) { return QString::fromLatin1(id); }

bool NamesFile(const AuditEvent& event) { return !event.fileSha256.isEmpty(); }

}  // namespace

QStringList Archive::Verify() {
  QStringList problems = VerifyChain();
  QSqlQuery ids = Rows(db_, location_).Exec(QStringLiteral("SELECT id FROM transfer ORDER BY key"));
  std::vector<QByteArray> all;
  while (ids.next())
    all.push_back(ids.value(0).toString().toLatin1());
  for (const QByteArray& id : all)
    problems += VerifyTransfer(id);
  problems += VerifyFiles();
  return problems;
}

QStringList Archive::VerifyChain() {
  QStringList problems;
  QByteArray previous;
  std::int64_t expected = 1;
  for (const AuditEvent& event : Events()) {
    const QString which = QStringLiteral("audit event %1 (%2 of transfer %3)")
                              .arg(event.sequence)
                              .arg(event.kind, Id(event.transfer));
    if (event.sequence != expected)
      problems << QStringLiteral("audit events %1 to %2 are missing").arg(expected).arg(
                      event.sequence - 1);
    if (event.previous != previous)
      problems << which + QStringLiteral(" does not follow the event before it: an event was "
                                         "removed, added or changed there");
    if (event.Compute() != event.digest)
      problems << which + QStringLiteral(" has been changed: what it holds no longer gives its "
                                         "SHA-256");
    previous = event.digest;
    expected = event.sequence + 1;
  }
  return problems;
}

QStringList Archive::VerifyTransfer(const QByteArray& id) {
  const StoredTransfer stored = Load(id, false);
  const QString which = QStringLiteral("transfer %1").arg(Id(id));
  QStringList problems;
  // Its facts as received, and its details as the trail has them.
  SampleDetails details;
  bool received = false;
  for (const AuditEvent& event : stored.events) {
    if (event.kind == QLatin1String("received")) {
      received = true;
      if (event.after.toLatin1() != stored.transfer.FactsDigest())
        problems << which + QStringLiteral(" differs from when it was received (its device, times, "
                                           "program or original bytes were changed)");
    }
    if (event.kind != QLatin1String("detail")) continue;
    for (const DetailField& field : kDetailFields)
      if (event.subject == QLatin1String(field.key.data(), qsizetype(field.key.size())))
        details.*field.member = event.after.toStdString();
  }
  if (!received) problems << which + QStringLiteral(" has no \"received\" event in the trail");
  for (const DetailField& field : kDetailFields)
    if (details.*field.member != stored.transfer.details.*field.member)
      problems << which +
                      QStringLiteral(": its %1 is \"%2\" but the audit trail says \"%3\"")
                          .arg(QString::fromLatin1(field.label.data(),
                                                   qsizetype(field.label.size())),
                               QString::fromStdString(stored.transfer.details.*field.member),
                               QString::fromStdString(details.*field.member));
  // Its readings, against those its original bytes give, row by row.
  DerivingRows derived(stored.transfer.original);
  std::vector<ReadingRow> batch;
  std::size_t index = 0;
  const auto nextDerived = [&]() -> const ReadingRow* {
    if (index == batch.size()) {
      batch = derived.Next();
      index = 0;
    }
    return index < batch.size() ? &batch[index++] : nullptr;
  };
  QString difference;
  Rows rows(db_, location_);
  rows.ForEachReading(KeyOf(id), [&](const ReadingRow& row) {
    if (!difference.isEmpty()) return;
    const ReadingRow* original = nextDerived();
    if (!original) {
      difference = QStringLiteral("reading %1 is not in the meter's original bytes").arg(row.n);
      return;
    }
    if (const std::string differs =
            row.FirstDifference(*original, "in the archive", "in the original bytes");
        !differs.empty())
      difference =
          QStringLiteral("reading %1: %2").arg(original->n).arg(QString::fromStdString(differs));
  });
  if (difference.isEmpty())
    if (const ReadingRow* unstored = nextDerived())
      difference =
          QStringLiteral("reading %1 of the meter's original bytes has no row").arg(unstored->n);
  if (!difference.isEmpty())
    problems << which + QStringLiteral(", ") + difference;
  return problems;
}

QStringList Archive::VerifyFiles() {
  QStringList problems;
  for (const AuditEvent& event : Events()) {
    if (!NamesFile(event) || !NativeExists(event.after)) continue;
    QString reason;
    const QByteArray now = SavedFile::Sha256Of(event.after, &reason);
    if (now.isEmpty())
      problems << QStringLiteral("cannot read the saved file %1: %2")
                      .arg(DisplayPath(event.after), reason);
    else if (now != event.fileSha256)
      problems << QStringLiteral("the file %1, saved from transfer %2 at %3, has changed since: "
                                 "its SHA-256 is %4, not %5")
                      .arg(DisplayPath(event.after), Id(event.transfer), ArchiveTime(event.at),
                           QString::fromLatin1(now), QString::fromLatin1(event.fileSha256));
  }
  return problems;
}

}  // namespace orbek
