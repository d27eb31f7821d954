// Reading the archive: the history, one transfer, the audit trail.
#include <QSqlError>
#include <QSqlQuery>

#include "archive/Archive.h"
#include "archive/ArchiveRows.h"

namespace orbek {

namespace {

constexpr const char* kEventColumns =
    "seq, transfer_id, at_utc, os_user, host, program, kind, subject, old_value, new_value, "
    "reason, file_sha256, previous_sha256, sha256";

AuditEvent EventFrom(const QSqlQuery& q) {
  AuditEvent event;
  event.sequence = q.value(0).toLongLong();
  event.transfer = q.value(1).toString().toLatin1();
  event.at = FromArchiveTime(q.value(2).toString());
  event.actor = {q.value(3).toString(), q.value(4).toString(), q.value(5).toString()};
  event.kind = q.value(6).toString();
  event.subject = q.value(7).toString();
  event.before = q.value(8).toString();
  event.after = q.value(9).toString();
  event.reason = q.value(10).toString();
  event.fileSha256 = q.value(11).toString().toLatin1();
  event.previous = q.value(12).toString().toLatin1();
  event.digest = q.value(13).toString().toLatin1();
  return event;
}

// A LIKE pattern that finds `text` anywhere, its own % and _ taken as
// they are.
QString ContainsPattern(const QString& text) {
  QString escaped = text.toLower();
  escaped.replace('\\', QStringLiteral("\\\\"))
      .replace('%', QStringLiteral("\\%"))
      .replace('_', QStringLiteral("\\_"));
  return QLatin1Char('%') + escaped + QLatin1Char('%');
}

// RFC 4180: a field with a comma, a quote or a line break is quoted.
QByteArray CsvField(const QString& text) {
  QByteArray bytes = text.toUtf8();
  if (!bytes.contains(',') && !bytes.contains('"') && !bytes.contains('\n') &&
      !bytes.contains('\r'))
    return bytes;
  return '"' + bytes.replace('"', "\"\"") + '"';
}

QByteArray CsvLine(const QStringList& fields) {
  QByteArrayList quoted;
  for (const QString& field : fields)
    quoted << CsvField(field);
  return quoted.join(',') + '\n';
}

QString DetailText(const SampleDetails& details, const DetailField& field) {
  return QString::fromStdString(details.*field.member);
}

}  // namespace

std::vector<HistoryEntry> Archive::History(const HistoryQuery& query) {
  QString sql = QStringLiteral(
      "SELECT id, start_utc, end_utc, sample, operator, location, probe, note, readings, lost, "
      "units, means FROM transfer WHERE start_utc >= ? AND start_utc <= ?");
  QVariantList values{query.since.isValid() ? ArchiveTime(query.since) : QString(),
                      query.until.isValid() ? ArchiveTime(query.until) : QStringLiteral("~")};
  if (!query.text.isEmpty()) {
    QStringList any;
    for (const DetailField& field : kDetailFields) {
      any << QStringLiteral("lower(%1) LIKE ? ESCAPE '\\'")
                 .arg(QString::fromLatin1(field.key.data(), qsizetype(field.key.size())));
      values << ContainsPattern(query.text);
    }
    sql += QStringLiteral(" AND (") + any.join(QStringLiteral(" OR ")) + ')';
  }
  sql += QStringLiteral(" ORDER BY start_utc DESC, key DESC");
  if (query.limit >= 0) sql += QStringLiteral(" LIMIT %1").arg(query.limit);
  QSqlQuery rows = Rows(db_, location_).Exec(sql, values, true);
  std::vector<HistoryEntry> entries;
  while (rows.next()) {
    HistoryEntry entry;
    entry.id = rows.value(0).toString().toLatin1();
    entry.start = rows.value(1).toString();
    entry.end = rows.value(2).toString();
    int column = 3;
    for (const DetailField& field : kDetailFields)
      entry.details.*field.member = rows.value(column++).toString().toStdString();
    entry.readings = rows.value(8).toLongLong();
    entry.lost = rows.value(9).toLongLong();
    entry.units = rows.value(10).toString();
    entry.means = rows.value(11).toString();
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::optional<QByteArray> Archive::FindId(const QString& prefix) {
  QSqlQuery rows = Rows(db_, location_)
                       .Exec(QStringLiteral("SELECT id FROM transfer WHERE id LIKE ? ESCAPE '\\' "
                                            "LIMIT 2"),
                             {ContainsPattern(prefix).mid(1)});
  if (!rows.next()) return std::nullopt;
  const QByteArray id = rows.value(0).toString().toLatin1();
  if (rows.next())
    throw ArchiveError(
        QStringLiteral("%1 starts more than one transfer's id; give more of it").arg(prefix)
            .toStdString());
  return id;
}

StoredTransfer Archive::Load(const QByteArray& id, bool readings) {
  QSqlQuery row = Rows(db_, location_)
                      .Exec(QStringLiteral("SELECT program, host, os_user, device, "
                                           "device_identity, line_settings, send_interval, "
                                           "start_utc, end_utc, time_zone, sample, operator, "
                                           "location, probe, note, original, gaps, arrivals FROM "
                                           "transfer WHERE id = ?"),
                            {QString::fromLatin1(id)});
  if (!row.next())
    throw ArchiveError(QStringLiteral("the archive %1 holds no transfer %2")
                           .arg(location_.Display(), QString::fromLatin1(id))
                           .toStdString());
  StoredTransfer stored;
  ArchivedTransfer& t = stored.transfer;
  t.id = id;
  t.actor = {row.value(2).toString(), row.value(1).toString(), row.value(0).toString()};
  t.device = row.value(3).toString();
  t.deviceIdentity = row.value(4).toString();
  t.lineSettings = row.value(5).toString();
  t.interval = row.value(6).toString();
  t.start = FromArchiveTime(row.value(7).toString());
  t.end = FromArchiveTime(row.value(8).toString());
  t.timeZone = row.value(9).toString();
  int column = 10;
  for (const DetailField& field : kDetailFields)
    t.details.*field.member = row.value(column++).toString().toStdString();
  t.original.bytes = qUncompress(row.value(15).toByteArray());
  t.original.gaps = OriginalBytes::GapsFrom(row.value(16).toString());
  t.original.arrivals = OriginalBytes::ArrivalsFrom(row.value(17).toByteArray());
  if (readings) stored.readings = DeriveReadings(t.original);
  stored.readings.details = t.details;
  stored.events = Events(id);
  for (const AuditEvent& event : stored.events)
    if (!event.fileSha256.isEmpty())
      t.files.push_back({event.after, event.subject, event.fileSha256, event.at});
  return stored;
}

std::vector<AuditEvent> Archive::Events(const QByteArray& id) {
  QString sql = QStringLiteral("SELECT %1 FROM audit_event").arg(QLatin1String(kEventColumns));
  QVariantList values;
  if (!id.isEmpty()) {
    sql += QStringLiteral(" WHERE transfer_id = ?");
    values << QString::fromLatin1(id);
  }
  QSqlQuery rows = Rows(db_, location_).Exec(sql + QStringLiteral(" ORDER BY seq"), values);
  std::vector<AuditEvent> events;
  while (rows.next())
    events.push_back(EventFrom(rows));
  return events;
}

QStringList StoredTransfer::ReceivedBy() const {
  QStringList lines;
  for (const AuditEvent& event : events)
    if (event.kind == QLatin1String("received"))
      lines << QStringLiteral("%1 on %2, %3 (%4)")
                   .arg(event.actor.osUser, event.actor.host, event.at.toString(Qt::ISODate),
                        event.actor.program);
  return lines;
}

QStringList StoredTransfer::ReviewedBy() const {
  QStringList lines;
  for (const AuditEvent& event : events)
    if (event.kind == QLatin1String("reviewed"))
      lines << QStringLiteral("%1 (%2), %3")
                   .arg(event.subject, event.after, event.at.toString(Qt::ISODate));
  return lines;
}

QByteArray HistoryCsv(const std::vector<HistoryEntry>& entries) {
  QByteArray csv = "id,start,end,sample,operator,location,probe,readings,lost,units,means\n";
  for (const HistoryEntry& e : entries) {
    QStringList fields{QString::fromLatin1(e.id), e.start, e.end};
    for (const DetailField& field : kDetailFields)
      if (!field.IsNote()) fields << DetailText(e.details, field);
    fields << QString::number(e.readings) << QString::number(e.lost) << e.units << e.means;
    csv += CsvLine(fields);
  }
  return csv;
}

QByteArray AuditCsv(const std::vector<AuditEvent>& events) {
  QByteArray csv =
      "seq,transfer,at,os_user,host,program,event,subject,old,new,reason,file_sha256,sha256\n";
  for (const AuditEvent& e : events)
    csv += CsvLine({QString::number(e.sequence), QString::fromLatin1(e.transfer), ArchiveTime(e.at),
                    e.actor.osUser, e.actor.host, e.actor.program, e.kind, e.subject, e.before,
                    e.after, e.reason, QString::fromLatin1(e.fileSha256),
                    QString::fromLatin1(e.digest)});
  return csv;
}

}  // namespace orbek
