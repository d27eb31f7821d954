#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include "archive/ArchiveLocation.h"
#include "archive/ArchivedTransfer.h"

namespace orbek {

class Archive;

// Transfers and events the archive could not take when they came (locked,
// full, unreachable, damaged), each kept as a file in the location's
// waiting folder until it goes in, oldest first.
class ArchiveWaiting {
 public:
  explicit ArchiveWaiting(const ArchiveLocation& location)
      : folder_(location.WaitingFolder()) {}
  const QString& Folder() const { return folder_; }
  // Keeps an item ({"transfer": …} or {"event": …}) and returns its file.
  // Throws SaveError.
  QString Keep(const QJsonObject& item);
  // The files waiting, oldest first.
  QStringList Files() const;
  // Puts what waits into `archive`, each file removed once it is in.
  // Throws ArchiveError at the first that does not go in; a file that is
  // not an item is left where it is and named in `unreadable`.
  int Deliver(Archive& archive, QStringList* unreadable);

 private:
  QString folder_;
};

// What became of a transfer or an event given to the archive.
struct ArchiveOutcome {
  bool archived = false;  // it is in the archive
  QString waiting;        // otherwise, the file it waits in
  QString problem;        // why it is not in, or why it could not wait either
  int delivered = 0;      // items that waited and went in now
  QStringList unreadable;
  // One message for the user, or an empty one when all went well and
  // nothing was waiting: what waits, where, and why.
  QString Message(const ArchiveLocation& location, const QString& what) const;
};

// Archives a transfer: what waits goes in first, then it. Never throws.
ArchiveOutcome ArchiveTransfer(const ArchiveLocation& location, const ArchivedTransfer& transfer);
// Appends an event the same way (a file saved from a transfer, a change).
ArchiveOutcome ArchiveEvent(const ArchiveLocation& location, const AuditEvent& event);

}  // namespace orbek
