#pragma once

#include <QDateTime>
#include <QString>
#include <QTextStream>

#include "archive/ArchiveLocation.h"
#include "meter/Transfer.h"

namespace orbek {

// orbek-log's questions to the archive and its additions to the trail.
// Each returns the exit code: kExitArchiveUnavailable when the archive
// cannot be opened or read, kExitArchiveDiffers when --verify-archive
// finds something changed.

// --history [TEXT] [--since] [--until]: CSV with a header on `out`.
int PrintHistory(const ArchiveLocation& location, const QString& text, const QDateTime& since,
                 const QDateTime& until, QTextStream& out, QTextStream& err);
// --audit [ID]: the trail as CSV on `out`; the last event's digest on `err`.
int PrintAudit(const ArchiveLocation& location, const QString& id, QTextStream& out,
               QTextStream& err);
// --verify-archive.
int VerifyArchive(const ArchiveLocation& location, QTextStream& err);

struct ArchiveExport {
  QString id;      // or its first characters
  QString output;  // empty for none
  QString report;  // empty for none
  bool replace = false;
};
// --export ID --output FILE [--report FILE.pdf].
int ExportArchived(const ArchiveLocation& location, const ArchiveExport& request,
                   QTextStream& err);

// --review ID --reviewer NAME --meaning TEXT.
int ReviewArchived(const ArchiveLocation& location, const QString& id, const QString& reviewer,
                   const QString& meaning, QTextStream& err);
// --change ID --reason TEXT with the details to change (empty ones stay).
int ChangeArchived(const ArchiveLocation& location, const QString& id, const SampleDetails& details,
                   const QStringList& given, const QString& reason, QTextStream& err);

// "2026-12-09" (the day's start, or with `endOfDay` its end) or an ISO date
// and time, in local time unless it names its zone; invalid when it is
// neither.
QDateTime ParseHistoryDate(const QString& text, bool endOfDay);

}  // namespace orbek
