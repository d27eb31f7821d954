#include "archive/ArchiveWaiting.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QRandomGenerator>

#include "archive/Archive.h"
#include "storage/NativePath.h"
#include "storage/SafeSave.h"
#include "storage/SaveError.h"

namespace orbek {

QString ArchiveWaiting::Keep(const QJsonObject& item) {
  if (!QDir().mkpath(folder_))
    throw SaveError(QStringLiteral("cannot make the folder %1").arg(DisplayPath(folder_)).toStdString());
  // Named by the time it came, so that names sort in arrival order.
  const QString name =
      QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmsszzz")) +
      QStringLiteral("-%1.json").arg(QRandomGenerator::system()->generate(), 8, 16, QLatin1Char('0'));
  const QString path = QDir(folder_).filePath(name);
  SaveBytes(path, QJsonDocument(item).toJson(QJsonDocument::Compact));
  return path;
}

QStringList ArchiveWaiting::Files() const {
  QStringList files;
  for (const QString& name :
       QDir(folder_).entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name))
    files << QDir(folder_).filePath(name);
  return files;
}

int ArchiveWaiting::Deliver(Archive& archive, QStringList* unreadable) {
  int delivered = 0;
  for (const QString& path : Files()) {
    QFile file;
    QString reason;
    const QJsonObject item = OpenNative(file, path, QIODevice::ReadOnly, &reason)
                                 ? QJsonDocument::fromJson(file.readAll()).object()
                                 : QJsonObject();
    if (item.contains(QLatin1String("transfer"))) {
      archive.Store(ArchivedTransfer::FromJson(item[QLatin1String("transfer")].toObject()));
    } else if (item.contains(QLatin1String("event"))) {
      const AuditEvent event = AuditEvent::FromJson(item[QLatin1String("event")].toObject());
      // An event on a transfer still waiting elsewhere waits for it.
      if (!archive.Has(event.transfer)) continue;
      archive.Append(event);
    } else {
      *unreadable << path;
      continue;
    }
    // In the archive now; a copy left by a failed removal goes in as
    // nothing new next time.
    QFile::remove(path);
    ++delivered;
  }
  return delivered;
}

namespace {

ArchiveOutcome Give(const ArchiveLocation& location, const QJsonObject& item,
                    const std::function<void(Archive&)>& put) {
  ArchiveOutcome outcome;
  ArchiveWaiting waiting(location);
  try {
    Archive archive(location);
    outcome.delivered = waiting.Deliver(archive, &outcome.unreadable);
    put(archive);
    outcome.archived = true;
    return outcome;
  } catch (const ArchiveError& error) {
    outcome.problem = QString::fromStdString(error.what());
  }
  try {
    outcome.waiting = waiting.Keep(item);
  } catch (const SaveError& error) {
    outcome.problem += QStringLiteral("; nor can it wait: ") + QString::fromStdString(error.what());
  }
  return outcome;
}

}  // namespace

ArchiveOutcome ArchiveTransfer(const ArchiveLocation& location, const ArchivedTransfer& transfer) {
  return Give(location, {{QStringLiteral("transfer"), transfer.ToJson()}},
              [&transfer](Archive& archive) { archive.Store(transfer); });
}

ArchiveOutcome ArchiveEvent(const ArchiveLocation& location, const AuditEvent& event) {
  return Give(location, {{QStringLiteral("event"), event.ToJson()}},
              [&event](Archive& archive) { archive.Append(event); });
}

QString ArchiveOutcome::Message(const ArchiveLocation& location, const QString& what) const {
  QStringList said;
  if (delivered > 0)
    said << QStringLiteral("%1 item(s) that waited went into the archive %2")
                .arg(delivered)
                .arg(location.Display());
  for (const QString& path : unreadable)
    said << QStringLiteral("%1 waits to be archived but cannot be read; it is left where it is")
                .arg(DisplayPath(path));
  if (!archived && !waiting.isEmpty())
    said << QStringLiteral("%1 is not archived yet (%2); it waits in %3 and goes into the "
                           "archive at the next chance")
                .arg(what, problem, DisplayPath(waiting));
  else if (!archived)  // a commit whose sync failed may be in all the same
    said << QStringLiteral("%1 may not be archived: %2").arg(what, problem);
  return said.join(QStringLiteral("\n"));
}

}  // namespace orbek
