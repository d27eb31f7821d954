#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

#include "archive/ArchiveLocation.h"
#include "archive/ArchiveWaiting.h"
#include "archive/ArchivedTransfer.h"

namespace orbek {

class MeterSession;
struct StoredTransfer;

// The window's side of the archive: each transfer as it ends (and one
// restored after a crash), the files saved from the transfer shown, its
// changed details and its reviews. Each step returns what the user should
// read, empty when all went well: an archive that cannot take something
// keeps it waiting, and the window goes on.
class WindowArchive {
  Q_DECLARE_TR_FUNCTIONS(WindowArchive)

 public:
  void SetLocation(const ArchiveLocation& location) { location_ = location; }
  const ArchiveLocation& Location() const { return location_; }
  bool On() const { return location_.kind != ArchiveLocation::Kind::Off; }

  // Receive: a new transfer, whose bytes the session keeps from now on.
  void Begin(MeterSession& session);
  // The transfer ended (its end record, the device gone): it is archived
  // with the files saved from it meanwhile.
  QString End(MeterSession& session, const TransferRecord& transfer, const QString& lineSettings,
              const QString& interval);
  // A transfer restored from the journal `path` after a crash; its id is
  // the journal's, so that a transfer archived already is not kept twice.
  QString Restored(const QString& path, const TransferRecord& transfer);
  // The transfer the window shows now came from the archive.
  void Opened(const StoredTransfer& stored);
  bool ShowsArchived() const { return fromArchive_; }
  const QByteArray& ShownId() const { return id_; }

  // A file saved from the transfer shown.
  QString FileSaved(const QString& path);
  // Details of an ended transfer changed, with the user's reason.
  QString DetailsChanged(const std::vector<DetailChange>& changes, const QString& reason);
  QString Reviewed(const QString& reviewer, const QString& meaning);
  // Who received the transfer shown and who reviewed it, for its report;
  // none while it is not in the archive.
  std::pair<QStringList, QStringList> Attribution() const;
  // The transfer the window shows is in the archive, or waits for it.
  bool ShownIsArchived() const { return given_; }

 private:
  QString Give(const ArchivedTransfer& transfer);
  QString Note(AuditEvent event, const QString& what);
  // The outcome in the window's language; empty when there is nothing to say.
  QString Said(const ArchiveOutcome& outcome, const QString& what) const;
  AuditEvent EventOnShown(const QString& kind) const;

  ArchiveLocation location_;
  QByteArray id_;             // of the transfer shown
  bool given_ = false;        // handed to the archive
  bool fromArchive_ = false;  // opened from it
  QByteArray bytes_;          // the running transfer's, as they came
  QDateTime start_;
  std::vector<SavedFile> savedMeanwhile_;  // before it ended
};

// "Orbek 1.0.0.1", as the archive names the window.
QString WindowProgram();

}  // namespace orbek
