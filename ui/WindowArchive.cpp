#include "ui/WindowArchive.h"

#include <QFile>
#include <QFileInfo>
#include <QTimeZone>
#include <QUuid>

#include "archive/Archive.h"
#include "archive/ArchiveWaiting.h"
#include "link/DeviceIdentity.h"
#include "link/MeterSession.h"
#include "storage/NativePath.h"

namespace orbek {

namespace {

// When each reading came, as the archive keeps it beside the bytes.
ArrivalTimes ArrivalsOf(const TransferRecord& transfer) {
  ArrivalTimes arrivals;
  for (std::size_t i = 0; i < transfer.Count(); ++i) {
    const Reading reading = transfer.At(i);
    arrivals.Note(reading.number, reading.received);
  }
  return arrivals;
}

}  // namespace

QString WindowProgram() {
  return QStringLiteral("Orbek %1").arg(QCoreApplication::applicationVersion());
}

void WindowArchive::Begin(MeterSession& session) {
  id_ = QUuid::createUuid().toByteArray(QUuid::WithoutBraces);
  given_ = fromArchive_ = false;
  bytes_.clear();
  savedMeanwhile_.clear();
  start_ = QDateTime::currentDateTimeUtc();
  session.KeepBytesIn(On() ? &bytes_ : nullptr);
}

QString WindowArchive::End(MeterSession& session, const TransferRecord& transfer,
                           const QString& lineSettings, const QString& interval) {
  session.KeepBytesIn(nullptr);
  if (!On() || given_ || !start_.isValid()) return {};
  ArchivedTransfer archived;
  archived.id = id_;
  archived.actor = Actor::Here(WindowProgram());
  archived.device = session.PortName();
  archived.deviceIdentity = IdentifyDevice(session.PortName()).Describe();
  archived.lineSettings = lineSettings;
  archived.interval = interval;
  archived.start = start_;
  archived.end = QDateTime::currentDateTimeUtc();
  archived.timeZone = QString::fromLatin1(QTimeZone::systemTimeZoneId());
  archived.details = transfer.details;
  archived.original = {bytes_, {}, ArrivalsOf(transfer)};
  archived.files = savedMeanwhile_;
  savedMeanwhile_.clear();
  bytes_.clear();
  return Give(archived);
}

QString WindowArchive::Restored(const QString& path, const TransferRecord& transfer) {
  QByteArray id = Journal::Tag(path, "user.orbek.transfer");
  id_ = id.isEmpty() ? QUuid::createUuid().toByteArray(QUuid::WithoutBraces) : id;
  given_ = fromArchive_ = false;
  if (!On()) return {};
  QFile file;
  QString reason;
  if (!OpenNative(file, path, QIODevice::ReadOnly, &reason))
    return tr("The restored transfer is not archived: %1").arg(reason);
  ArchivedTransfer archived;
  archived.id = id_;
  archived.actor = Actor::Here(WindowProgram());
  archived.device = path;
  archived.start = archived.end = QFileInfo(file).lastModified().toUTC();
  archived.timeZone = QString::fromLatin1(QTimeZone::systemTimeZoneId());
  archived.details = transfer.details;
  archived.original.bytes = file.readAll();
  return Give(archived);
}

void WindowArchive::Opened(const StoredTransfer& stored) {
  id_ = stored.transfer.id;
  given_ = fromArchive_ = true;
  savedMeanwhile_.clear();
}

QString WindowArchive::Give(const ArchivedTransfer& transfer) {
  given_ = true;
  return Said(ArchiveTransfer(location_, transfer),
              tr("Transfer %1").arg(QString::fromLatin1(transfer.id)));
}

QString WindowArchive::Said(const ArchiveOutcome& outcome, const QString& what) const {
  QStringList said;
  if (outcome.delivered > 0)
    said << tr("What waited to be archived (%1) went into the archive %2.")
                .arg(outcome.delivered)
                .arg(location_.Display());
  for (const QString& path : outcome.unreadable)
    said << tr("%1 waits to be archived but cannot be read; it is left where it is.")
                .arg(DisplayPath(path));
  if (!outcome.archived && !outcome.waiting.isEmpty())
    said << tr("%1 is not archived yet (%2); it waits in %3 and goes into the archive at the "
               "next chance.")
                .arg(what, outcome.problem, DisplayPath(outcome.waiting));
  else if (!outcome.archived)
    said << tr("%1 may not be archived: %2").arg(what, outcome.problem);
  return said.join(QLatin1Char('\n'));
}

AuditEvent WindowArchive::EventOnShown(const QString& kind) const {
  AuditEvent event;
  event.transfer = id_;
  event.at = QDateTime::currentDateTimeUtc();
  event.actor = Actor::Here(WindowProgram());
  event.kind = kind;
  return event;
}

QString WindowArchive::Note(AuditEvent event, const QString& what) {
  if (!On() || id_.isEmpty()) return {};
  return Said(ArchiveEvent(location_, event), what);
}

QString WindowArchive::FileSaved(const QString& path) {
  if (!On() || id_.isEmpty()) return {};
  QString problem;
  const SavedFile file = SavedFile::Of(path, &problem);
  if (!given_) {
    savedMeanwhile_.push_back(file);
    return {};
  }
  AuditEvent event = EventOnShown(
      fromArchive_ ? QStringLiteral("exported")
                   : file.format == QLatin1String("pdf") ? QStringLiteral("report made")
                                                         : QStringLiteral("file saved"));
  event.subject = file.format;
  event.after = file.path;
  event.fileSha256 = file.sha256;
  return Note(event, tr("The save of %1").arg(DisplayPath(path)));
}

QString WindowArchive::DetailsChanged(const std::vector<DetailChange>& changes,
                                      const QString& reason) {
  QStringList said;
  for (const DetailChange& change : changes) {
    AuditEvent event = EventOnShown(QStringLiteral("detail"));
    event.subject = QString::fromLatin1(change.field->key.data(), qsizetype(change.field->key.size()));
    event.before = QString::fromStdString(change.before);
    event.after = QString::fromStdString(change.after);
    event.reason = reason;
    if (const QString note = Note(event, tr("The change of the details")); !note.isEmpty())
      said << note;
  }
  said.removeDuplicates();
  return said.join(QLatin1Char('\n'));
}

std::pair<QStringList, QStringList> WindowArchive::Attribution() const {
  if (!On() || !given_) return {};
  try {
    StoredTransfer stored;
    stored.events = Archive(location_).Events(id_);
    return {stored.ReceivedBy(), stored.ReviewedBy()};
  } catch (const ArchiveError&) {
    return {};  // the report is made all the same, without them
  }
}

QString WindowArchive::Reviewed(const QString& reviewer, const QString& meaning) {
  AuditEvent event = EventOnShown(QStringLiteral("reviewed"));
  event.subject = reviewer;
  event.after = meaning;
  return Note(event, tr("The review"));
}

}  // namespace orbek
