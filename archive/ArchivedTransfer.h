#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <cstdint>
#include <vector>

#include "meter/Transfer.h"
#include "storage/Journal.h"

namespace orbek {

class ReadingsFile;

// The meter's bytes of one transfer as they came, with where bytes were
// lost on their way to the disk and when each read came: every reading can
// be made again from them, its received time included.
struct OriginalBytes {
  QByteArray bytes;
  std::vector<Journal::Gap> gaps;
  ArrivalTimes arrivals;

  // "12@4800,3@9000": the gaps as text, and back.
  QString GapsText() const;
  static std::vector<Journal::Gap> GapsFrom(const QString& text);
  // The arrival steps as 16 bytes each (first reading, microseconds since
  // 1970, both little-endian), then the last reading's number.
  QByteArray ArrivalsBlob() const;
  static ArrivalTimes ArrivalsFrom(const QByteArray& blob);
};

// Runs the original bytes through the ReadingPipeline into `sink`, as far as
// the first end record, the journal's gaps kept.
void ReplayOriginal(const OriginalBytes& original, ReadingSink& sink);

// The readings a transfer's original bytes give, as a live session gave
// them: through the ReadingPipeline, each reading stamped with the time its
// read came. `file` also takes them (an export), and is finished.
TransferRecord DeriveReadings(const OriginalBytes& original, ReadingsFile* file = nullptr);

// A file made from a transfer: what it is, where, and its SHA-256 as saved.
struct SavedFile {
  QString path;
  QString format;      // "csv", "xls", "xlsx", "pdf", "png", "svg"
  QByteArray sha256;   // hex
  QDateTime when;      // UTC
  // The file as it is now; empty, with the reason in `problem`, when it
  // cannot be read.
  static QByteArray Sha256Of(const QString& path, QString* problem);
  // Hashes the file at `path` now.
  static SavedFile Of(const QString& path, QString* problem);
};

// Who and what made a record: the OS user, the machine, the program.
struct Actor {
  QString osUser, host, program;
  static Actor Here(const QString& program);
};

// Everything the archive keeps of one transfer.
struct ArchivedTransfer {
  QByteArray id;  // a UUID, the one its MQTT messages carry
  Actor actor;
  QString device, deviceIdentity, lineSettings, interval;
  QDateTime start, end;  // UTC
  QString timeZone;      // the machine's, IANA ("Europe/Berlin")
  SampleDetails details;
  OriginalBytes original;
  std::vector<SavedFile> files;

  // The facts that never change (all but the details and the files), as
  // one SHA-256: its "received" event keeps it, so that a changed row no
  // longer matches the trail.
  QByteArray FactsDigest() const;
  QJsonObject ToJson() const;
  static ArchivedTransfer FromJson(const QJsonObject& json);
};

// One entry of the audit trail. Each carries the SHA-256 of the one before
// and its own, over everything else it holds, so that an entry changed or
// taken out breaks the chain.
struct AuditEvent {
  std::int64_t sequence = 0;
  QByteArray transfer;
  QDateTime at;  // UTC
  Actor actor;
  // "received", "detail", "file saved", "report made", "exported",
  // "reviewed"
  QString kind;
  // detail: the field's key; file saved, report made, exported: the format;
  // reviewed: the reviewer
  QString subject;
  QString before, after;  // detail: old and new; file: after is its path; reviewed: the meaning
  QString reason;         // why a detail changed
  QByteArray fileSha256;  // hex, for a file
  QByteArray previous, digest;  // hex

  QByteArray Compute() const;
  QJsonObject ToJson() const;
  static AuditEvent FromJson(const QJsonObject& json);
};

// UTC as the archive writes it: "2026-12-09T08:10:36.123456Z".
QString ArchiveTime(const QDateTime& when);
QDateTime FromArchiveTime(const QString& text);

}  // namespace orbek
