#include "archive/ArchivedTransfer.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QSysInfo>
#include <QTimeZone>
#include <QtEndian>

#include <pwd.h>
#include <unistd.h>

#include "export/ReadingsOutput.h"
#include "link/CaptureReplay.h"
#include "storage/NativePath.h"

namespace orbek {

namespace {

std::int64_t MicrosOf(std::chrono::system_clock::time_point when) {
  return std::chrono::duration_cast<std::chrono::microseconds>(when.time_since_epoch()).count();
}

std::chrono::system_clock::time_point TimeOf(std::int64_t micros) {
  return std::chrono::system_clock::time_point(std::chrono::microseconds(micros));
}

// Gives each reading the time its read came, as the live run did, and
// hands it on to what keeps it.
class StampingSink : public ReadingSink {
 public:
  StampingSink(const ArrivalTimes& arrivals, TransferRecord& record, ReadingsFile* file)
      : arrivals_(arrivals), record_(record), file_(file) {}
  void OnReading(const Reading& live) override {
    const Reading reading = Stamped(live);
    statistics_.Add(reading);
    record_.Add(reading);
    if (file_) file_->Add(reading);
  }
  void OnOutOfStep(const Reading& live) override {
    const Reading corrected = Stamped(live);
    statistics_.Correct(corrected.number);
    record_.Correct(corrected);
    if (file_) file_->Correct(corrected);
  }
  void OnStepRegained(const StepLoss&) override {}
  void OnEnd(const MeterRecord&) override {}
  ReadingStatistics Statistics() const { return statistics_.Current(); }

 private:
  Reading Stamped(const Reading& live) const {
    Reading reading = live;
    reading.received = arrivals_.At(live.number).value_or(kUnknownTime);
    return reading;
  }
  const ArrivalTimes& arrivals_;
  TransferRecord& record_;
  ReadingsFile* file_;
  StreamStatistics statistics_;
};

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

QString OriginalBytes::GapsText() const {
  QStringList parts;
  for (const Journal::Gap& gap : gaps)
    parts << QStringLiteral("%1@%2").arg(gap.bytes).arg(gap.at);
  return parts.join(QLatin1Char(','));
}

std::vector<Journal::Gap> OriginalBytes::GapsFrom(const QString& text) {
  std::vector<Journal::Gap> gaps;
  for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
    gaps.push_back({part.section(QLatin1Char('@'), 1).toULongLong(),
                    part.section(QLatin1Char('@'), 0, 0).toULongLong()});
  return gaps;
}

QByteArray OriginalBytes::ArrivalsBlob() const {
  QByteArray blob;
  const auto put = [&blob](std::int64_t number) {
    char bytes[8];
    qToLittleEndian(number, bytes);
    blob.append(bytes, 8);
  };
  for (const auto& [first, when] : arrivals.Steps()) {
    put(first);
    put(MicrosOf(when));
  }
  put(arrivals.Last());
  return blob;
}

ArrivalTimes OriginalBytes::ArrivalsFrom(const QByteArray& blob) {
  const auto at = [&blob](qsizetype offset) {
    return qFromLittleEndian<std::int64_t>(blob.constData() + offset);
  };
  if (blob.size() < 8 || blob.size() % 16 != 8) return {};
  std::vector<ArrivalTimes::Step> steps;
  for (qsizetype offset = 0; offset + 16 <= blob.size(); offset += 16)
    steps.emplace_back(at(offset), TimeOf(at(offset + 8)));
  return ArrivalTimes::FromSteps(std::move(steps), at(blob.size() - 8));
}

void ReplayOriginal(const OriginalBytes& original, ReadingSink& sink) {
  QByteArray bytes = original.bytes;  // shared, not copied
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  ReplayCapture(buffer, false, sink, {}, {}, original.gaps);
}

TransferRecord DeriveReadings(const OriginalBytes& original, ReadingsFile* file) {
  TransferRecord record;
  StampingSink sink(original.arrivals, record, file);
  ReplayOriginal(original, sink);
  if (file) file->Finish(sink.Statistics());
  return record;
}

QByteArray SavedFile::Sha256Of(const QString& path, QString* problem) {
  QFile file;
  if (!OpenNative(file, path, QIODevice::ReadOnly, problem)) return {};
  QCryptographicHash hash(QCryptographicHash::Sha256);
  if (!hash.addData(&file) || file.error() != QFileDevice::NoError) {
    *problem = file.errorString();
    return {};
  }
  return hash.result().toHex();
}

SavedFile SavedFile::Of(const QString& path, QString* problem) {
  SavedFile saved;
  saved.path = QFileInfo(path).absoluteFilePath();
  saved.format = QFileInfo(path).suffix().toLower();
  saved.sha256 = Sha256Of(path, problem);
  saved.when = QDateTime::currentDateTimeUtc();
  return saved;
}

Actor Actor::Here(const QString& program) {
  Actor actor;
  const passwd* entry = ::getpwuid(::geteuid());
  actor.osUser = entry ? QString::fromLocal8Bit(entry->pw_name)
                       : QStringLiteral("uid %1").arg(::geteuid());
  actor.host = QSysInfo::machineHostName();
  actor.program = program;
  return actor;
}

QString ArchiveTime(const QDateTime& when) {
  return when.toUTC().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz'000Z'"));
}

QDateTime FromArchiveTime(const QString& text) {
  QDateTime when = QDateTime::fromString(text.left(23), QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz"));
  when.setTimeZone(QTimeZone::utc());
  return when;
}

QByteArray ArchivedTransfer::FactsDigest() const {
  QByteArray text = "orbek-transfer-1";
  for (const QString& field :
       {QString::fromLatin1(id), actor.program, actor.host, actor.osUser, device, deviceIdentity,
        lineSettings, interval, ArchiveTime(start), ArchiveTime(end), timeZone,
        original.GapsText()})
    text += QByteArray::number(field.toUtf8().size()) + ':' + field.toUtf8();
  text += QCryptographicHash::hash(original.bytes, QCryptographicHash::Sha256);
  text += QCryptographicHash::hash(original.ArrivalsBlob(), QCryptographicHash::Sha256);
  return QCryptographicHash::hash(text, QCryptographicHash::Sha256).toHex();
}

QJsonObject ArchivedTransfer::ToJson() const {
  QJsonObject json;
  json[QStringLiteral("id")] = QString::fromLatin1(id);
  json[QStringLiteral("osUser")] = actor.osUser;
  json[QStringLiteral("host")] = actor.host;
  json[QStringLiteral("program")] = actor.program;
  json[QStringLiteral("device")] = device;
  json[QStringLiteral("deviceIdentity")] = deviceIdentity;
  json[QStringLiteral("lineSettings")] = lineSettings;
  json[QStringLiteral("interval")] = interval;
  json[QStringLiteral("start")] = ArchiveTime(start);
  json[QStringLiteral("end")] = ArchiveTime(end);
  json[QStringLiteral("timeZone")] = timeZone;
  for (const DetailField& field : kDetailFields)
    json[QString::fromLatin1(field.key.data(), qsizetype(field.key.size()))] =
        Text(details.*field.member);
  json[QStringLiteral("bytes")] = QString::fromLatin1(original.bytes.toBase64());
  json[QStringLiteral("gaps")] = original.GapsText();
  json[QStringLiteral("arrivals")] = QString::fromLatin1(original.ArrivalsBlob().toBase64());
  QJsonArray saved;
  for (const SavedFile& file : files)
    saved.append(QJsonObject{{QStringLiteral("path"), file.path},
                             {QStringLiteral("format"), file.format},
                             {QStringLiteral("sha256"), QString::fromLatin1(file.sha256)},
                             {QStringLiteral("when"), ArchiveTime(file.when)}});
  json[QStringLiteral("files")] = saved;
  return json;
}

ArchivedTransfer ArchivedTransfer::FromJson(const QJsonObject& json) {
  const auto text = [&json](const char* key) { return json[QLatin1String(key)].toString(); };
  ArchivedTransfer transfer;
  transfer.id = text("id").toLatin1();
  transfer.actor = {text("osUser"), text("host"), text("program")};
  transfer.device = text("device");
  transfer.deviceIdentity = text("deviceIdentity");
  transfer.lineSettings = text("lineSettings");
  transfer.interval = text("interval");
  transfer.start = FromArchiveTime(text("start"));
  transfer.end = FromArchiveTime(text("end"));
  transfer.timeZone = text("timeZone");
  for (const DetailField& field : kDetailFields)
    transfer.details.*field.member =
        json[QString::fromLatin1(field.key.data(), qsizetype(field.key.size()))]
            .toString()
            .toStdString();
  transfer.original.bytes = QByteArray::fromBase64(text("bytes").toLatin1());
  transfer.original.gaps = OriginalBytes::GapsFrom(text("gaps"));
  transfer.original.arrivals =
      OriginalBytes::ArrivalsFrom(QByteArray::fromBase64(text("arrivals").toLatin1()));
  for (const QJsonValue& value : json[QStringLiteral("files")].toArray()) {
    const QJsonObject file = value.toObject();
    transfer.files.push_back({file[QStringLiteral("path")].toString(),
                              file[QStringLiteral("format")].toString(),
                              file[QStringLiteral("sha256")].toString().toLatin1(),
                              FromArchiveTime(file[QStringLiteral("when")].toString())});
  }
  return transfer;
}

// Every field but the digest, each preceded by its length, so that no two
// different events give the same text to hash.
QByteArray AuditEvent::Compute() const {
  QByteArray text = "orbek-audit-1";
  const auto add = [&text](const QByteArray& field) {
    text += QByteArray::number(field.size()) + ':' + field;
  };
  add(QByteArray::number(sequence));
  add(transfer);
  add(ArchiveTime(at).toUtf8());
  add(actor.osUser.toUtf8());
  add(actor.host.toUtf8());
  add(actor.program.toUtf8());
  add(kind.toUtf8());
  add(subject.toUtf8());
  add(before.toUtf8());
  add(after.toUtf8());
  add(reason.toUtf8());
  add(fileSha256);
  add(previous);
  return QCryptographicHash::hash(text, QCryptographicHash::Sha256).toHex();
}

QJsonObject AuditEvent::ToJson() const {
  return {{QStringLiteral("transfer"), QString::fromLatin1(transfer)},
          {QStringLiteral("at"), ArchiveTime(at)},
          {QStringLiteral("osUser"), actor.osUser},
          {QStringLiteral("host"), actor.host},
          {QStringLiteral("program"), actor.program},
          {QStringLiteral("kind"), kind},
          {QStringLiteral("subject"), subject},
          {QStringLiteral("before"), before},
          {QStringLiteral("after"), after},
          {QStringLiteral("reason"), reason},
          {QStringLiteral("fileSha256"), QString::fromLatin1(fileSha256)}};
}

AuditEvent AuditEvent::FromJson(const QJsonObject& json) {
  const auto text = [&json](const char* key) { return json[QLatin1String(key)].toString(); };
  AuditEvent event;
  event.transfer = text("transfer").toLatin1();
  event.at = FromArchiveTime(text("at"));
  event.actor = {text("osUser"), text("host"), text("program")};
  event.kind = text("kind");
  event.subject = text("subject");
  event.before = text("before");
  event.after = text("after");
  event.reason = text("reason");
  event.fileSha256 = text("fileSha256").toLatin1();
  return event;
}

}  // namespace orbek
