#include "logger/ArchiveCommands.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "archive/Archive.h"
#include "archive/ArchiveWaiting.h"
#include "export/ReadingsOutput.h"
#include "logger/Exit.h"
#include "logger/MeterLogger.h"
#include "logger/ReportModule.h"
#include "report/TransferReport.h"
#include "storage/NativePath.h"
#include "storage/SaveError.h"

namespace orbek {

namespace {

QString Program() {
  return QStringLiteral("orbek-log %1").arg(QCoreApplication::applicationVersion());
}

int Unavailable(QTextStream& err, const std::exception& error) {
  err << "orbek-log: " << QString::fromStdString(error.what()) << Qt::endl;
  return kExitArchiveUnavailable;
}

// The transfer `id` names, said when there is none.
std::optional<QByteArray> Find(Archive& archive, const QString& id, QTextStream& err) {
  std::optional<QByteArray> found = archive.FindId(id);
  if (!found)
    err << "orbek-log: the archive " << archive.Location().Display() << " holds no transfer "
        << id << " (orbek-log --history lists them)" << Qt::endl;
  return found;
}

// An event of this run on a transfer.
AuditEvent EventOn(const QByteArray& id, const QString& kind) {
  AuditEvent event;
  event.transfer = id;
  event.at = QDateTime::currentDateTimeUtc();
  event.actor = Actor::Here(Program());
  event.kind = kind;
  return event;
}

// Notes a file made from an archived transfer; says so when it cannot.
void NoteFile(const ArchiveLocation& location, const QByteArray& id, const QString& kind,
              const QString& path, QTextStream& err) {
  QString problem;
  const SavedFile file = SavedFile::Of(path, &problem);
  AuditEvent event = EventOn(id, kind);
  event.subject = file.format;
  event.after = file.path;
  event.fileSha256 = file.sha256;
  const ArchiveOutcome outcome = ArchiveEvent(location, event);
  if (const QString said = outcome.Message(location, QStringLiteral("The note of %1")
                                                         .arg(DisplayPath(path)));
      !said.isEmpty())
    err << "orbek-log: " << said << Qt::endl;
}

}  // namespace

QDateTime ParseHistoryDate(const QString& text, bool endOfDay) {
  const QDate day = QDate::fromString(text, Qt::ISODate);
  if (day.isValid())
    return endOfDay ? QDateTime(day, QTime(23, 59, 59, 999)) : QDateTime(day, QTime(0, 0));
  return QDateTime::fromString(text, Qt::ISODateWithMs);
}

int PrintHistory(const ArchiveLocation& location, const QString& text, const QDateTime& since,
                 const QDateTime& until, QTextStream& out, QTextStream& err) {
  try {
    Archive archive(location);
    out << QString::fromUtf8(HistoryCsv(archive.History({text, since, until})));
    out.flush();
  } catch (const ArchiveError& error) {
    return Unavailable(err, error);
  }
  return kExitComplete;
}

int PrintAudit(const ArchiveLocation& location, const QString& id, QTextStream& out,
               QTextStream& err) {
  try {
    Archive archive(location);
    QByteArray which;
    if (!id.isEmpty()) {
      const std::optional<QByteArray> found = Find(archive, id, err);
      if (!found) return kExitUsage;
      which = *found;
    }
    const std::vector<AuditEvent> events = archive.Events(which);
    out << QString::fromUtf8(AuditCsv(events));
    out.flush();
    const std::vector<AuditEvent> all = which.isEmpty() ? events : archive.Events();
    if (!all.empty())
      err << "orbek-log: the trail ends with event " << all.back().sequence << ", SHA-256 "
          << QString::fromLatin1(all.back().digest)
          << " (note it: an event taken from the end shows against it)" << Qt::endl;
  } catch (const ArchiveError& error) {
    return Unavailable(err, error);
  }
  return kExitComplete;
}

int VerifyArchive(const ArchiveLocation& location, QTextStream& err) {
  try {
    Archive archive(location);
    const QStringList problems = archive.Verify();
    for (const QString& problem : problems)
      err << "orbek-log: " << problem << Qt::endl;
    if (!problems.isEmpty()) return kExitArchiveDiffers;
    err << "orbek-log: the archive " << location.Display() << " checks out: "
        << archive.History({}).size() << " transfers, " << archive.Events().size()
        << " events, every reading as its original bytes give it" << Qt::endl;
  } catch (const ArchiveError& error) {
    return Unavailable(err, error);
  }
  return kExitComplete;
}

int ExportArchived(const ArchiveLocation& location, const ArchiveExport& request,
                   QTextStream& err) {
  if (request.output.isEmpty() && request.report.isEmpty()) {
    err << "orbek-log: --export needs --output FILE or --report FILE.pdf" << Qt::endl;
    return kExitUsage;
  }
  for (const QString& problem :
       {request.output.isEmpty() ? QString() : OutputProblem(request.output, request.replace),
        request.report.isEmpty() ? QString() : ReportProblem(request.report, request.replace)})
    if (!problem.isEmpty()) {
      err << "orbek-log: " << problem << Qt::endl;
      return kExitUsage;
    }
  StoredTransfer stored;
  try {
    Archive archive(location);
    const std::optional<QByteArray> id = Find(archive, request.id, err);
    if (!id) return kExitUsage;
    // The report needs the readings; the file makes them again as it is written.
    stored = archive.Load(*id, !request.report.isEmpty());
  } catch (const ArchiveError& error) {
    return Unavailable(err, error);
  }
  const QByteArray& id = stored.transfer.id;
  try {
    if (!request.output.isEmpty()) {
      ReadingsFile file(request.output, stored.transfer.details);
      DeriveReadings(stored.transfer.original, &file);
      err << "orbek-log: saved " << DisplayPath(request.output) << Qt::endl;
      NoteFile(location, id, QStringLiteral("exported"), request.output, err);
    }
    if (!request.report.isEmpty()) {
      ReportModule().writeTransferReport(
          request.report, stored.readings,
          {stored.transfer.device, Program(), stored.ReceivedBy(), stored.ReviewedBy()});
      err << "orbek-log: saved the report " << DisplayPath(request.report) << Qt::endl;
      NoteFile(location, id, QStringLiteral("report made"), request.report, err);
    }
  } catch (const SaveError& error) {
    err << "orbek-log: " << error.what() << Qt::endl;
    return kExitSaveFailed;
  }
  return kExitComplete;
}

int ReviewArchived(const ArchiveLocation& location, const QString& id, const QString& reviewer,
                   const QString& meaning, QTextStream& err) {
  if (reviewer.trimmed().isEmpty() || meaning.trimmed().isEmpty()) {
    err << "orbek-log: --review needs --reviewer NAME and --meaning TEXT" << Qt::endl;
    return kExitUsage;
  }
  try {
    Archive archive(location);
    const std::optional<QByteArray> found = Find(archive, id, err);
    if (!found) return kExitUsage;
    AuditEvent event = EventOn(*found, QStringLiteral("reviewed"));
    event.subject = reviewer;
    event.after = meaning;
    archive.Append(event);
    err << "orbek-log: transfer " << QString::fromLatin1(*found) << " reviewed by " << reviewer
        << " (" << meaning << ")" << Qt::endl;
  } catch (const ArchiveError& error) {
    return Unavailable(err, error);
  }
  return kExitComplete;
}

int ChangeArchived(const ArchiveLocation& location, const QString& id, const SampleDetails& details,
                   const QStringList& given, const QString& reason, QTextStream& err) {
  if (reason.trimmed().isEmpty() || given.isEmpty()) {
    err << "orbek-log: --change ID needs the details to change (--sample, --operator, ...) and "
           "--reason TEXT: a detail of a transfer that has ended changes only with its reason"
        << Qt::endl;
    return kExitUsage;
  }
  try {
    Archive archive(location);
    const std::optional<QByteArray> found = Find(archive, id, err);
    if (!found) return kExitUsage;
    for (const DetailField& field : kDetailFields) {
      const QString key = QString::fromLatin1(field.key.data(), qsizetype(field.key.size()));
      if (!given.contains(key)) continue;
      archive.ChangeDetail(*found, field, QString::fromStdString(details.*field.member), reason,
                           Actor::Here(Program()));
    }
    err << "orbek-log: changed " << given.join(QStringLiteral(", ")) << " of transfer "
        << QString::fromLatin1(*found) << Qt::endl;
  } catch (const ArchiveError& error) {
    return Unavailable(err, error);
  }
  return kExitComplete;
}

}  // namespace orbek
