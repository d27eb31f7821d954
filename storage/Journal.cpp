#include "storage/Journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <chrono>

#include "storage/AppendFile.h"
#include "storage/NativePath.h"
#include "storage/SafeSave.h"
#include "storage/SaveError.h"

namespace orbek {

namespace {

[[noreturn]] void Refuse(const QString& path, const QString& reason) {
  throw SaveError(QStringLiteral("Cannot keep the journal %1: %2")
                      .arg(DisplayPath(path), reason)
                      .toStdString());
}

// A link is followed only where a save would follow it; a path that is no
// link when looked at is opened without following one, so a link planted
// after the look is refused rather than written through.
int OpenHeld(const QString& path, int flags) {
  const QByteArray native = NativeFromPath(path);
  const LinkTarget target = FollowLinksSafely(path);
  if (!target.refusal.isEmpty()) Refuse(path, target.refusal);
  struct stat entry {};
  if (::lstat(native.constData(), &entry) != 0 || !S_ISLNK(entry.st_mode)) flags |= O_NOFOLLOW;
  const int descriptor = ::open(native.constData(), flags | O_WRONLY | O_CLOEXEC, 0666);
  if (descriptor < 0) Refuse(path, ReasonFor(errno));
  if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    ::close(descriptor);
    Refuse(path, error == EWOULDBLOCK ? QStringLiteral("another run is writing to it")
                                      : ReasonFor(error));
  }
  return descriptor;
}

}  // namespace

Journal::Journal(QString path, int descriptor, std::int64_t end)
    : path_(std::move(path)),
      file_(descriptor, end, MostHeldBytes(), AppendFile::Overflow::KeepWhatFits) {}

Journal::~Journal() = default;

std::unique_ptr<Journal> Journal::Create(const QString& path, bool replace) {
  const int descriptor = OpenHeld(path, O_CREAT | (replace ? 0 : O_EXCL));
  // Truncated only once it is ours: another run's journal is never cut.
  struct stat info {};
  const bool regular = ::fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode);
  if (replace && regular && ::ftruncate(descriptor, 0) != 0) {
    const int error = errno;
    ::close(descriptor);
    Refuse(path, ReasonFor(error));
  }
  return std::unique_ptr<Journal>(new Journal(path, descriptor, 0));
}

std::unique_ptr<Journal> Journal::Adopt(const QString& path) {
  const int descriptor = OpenHeld(path, O_APPEND);
  struct stat info {};
  if (::fstat(descriptor, &info) != 0) {
    const int error = errno;
    ::close(descriptor);
    Refuse(path, ReasonFor(error));
  }
  return std::unique_ptr<Journal>(new Journal(path, descriptor, info.st_size));
}

std::size_t Journal::MostHeldBytes() {
  static const std::size_t most = [] {
    bool ok = false;
    const qulonglong bytes = qEnvironmentVariable("ORBEK_JOURNAL_MEMORY").toULongLong(&ok);
    return ok && bytes > 0 ? static_cast<std::size_t>(bytes) : std::size_t{64} << 20;
  }();
  return most;
}

QString Journal::MostHeldText() {
  const std::size_t most = MostHeldBytes();
  if (most >= (std::size_t{1} << 20)) return QStringLiteral("%1 MiB").arg(most >> 20);
  return most >= 1024 ? QStringLiteral("%1 KiB").arg(most >> 10)
                      : QStringLiteral("%1 bytes").arg(most);
}

Journal::State Journal::Append(const char* data, std::size_t size) {
  const std::size_t lost = file_.Append(data, size);
  NoteKept(size - lost, lost);
  if (file_.HeldBytes() == 0 && dropped_ == 0) return State::Written;
  return dropped_ > 0 ? State::Dropping : State::Holding;
}

// What an append kept, and the end of it that memory had no room for: a
// gap after what was kept.
void Journal::NoteKept(std::size_t kept, std::size_t lost) {
  kept_ += kept;
  if (lost == 0) return;
  dropped_ += lost;
  if (!gaps_.empty() && gaps_.back().at == kept_) {
    gaps_.back().bytes += lost;
  } else {
    gaps_.push_back({kept_, lost});
  }
}

bool Journal::SetTag(const char* name, const QByteArray& value) {
  return ::fsetxattr(file_.Descriptor(), name, value.constData(), static_cast<std::size_t>(value.size()),
                     0) == 0;
}

QByteArray Journal::Tag(const QString& path, const char* name) {
  char value[256];
  const ssize_t size = ::getxattr(NativeFromPath(path).constData(), name, value, sizeof value);
  return size > 0 ? QByteArray(value, size) : QByteArray();
}

bool Journal::Sync() {
  return file_.Sync();
}

QByteArray Journal::HeldBytes() const {
  return file_.Held();
}

bool Journal::Remove() {
  if (RemoveNative(path_)) return true;
  removeError_ = ReasonFor(errno);
  return false;
}

QString Journal::Error() const {
  return removeError_.isEmpty() ? file_.Error() : removeError_;
}

bool Journal::Held(const QString& path) {
  const int descriptor = ::open(NativeFromPath(path).constData(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return false;
  const bool held = ::flock(descriptor, LOCK_EX | LOCK_NB) != 0;
  ::close(descriptor);
  return held;
}

std::optional<Journal::Abandoned> Journal::FindAbandoned(const QString& folder,
                                                         const QString& pattern) {
  const QDir dir(folder);
  for (const QFileInfo& file :
       dir.entryInfoList({pattern}, QDir::Files, QDir::Time))  // newest first
    if (!Held(file.filePath())) return Abandoned{file.filePath(), file.lastModified(), file.size()};
  return std::nullopt;
}

std::vector<Journal::Abandoned> Journal::Unfinished(const QString& folder,
                                                    const QStringList& patterns) {
  std::vector<Abandoned> found;
  const QFileInfoList files =
      QDir(folder).entryInfoList(patterns, QDir::Files, QDir::Time | QDir::Reversed);
  for (const QFileInfo& file : files)  // oldest first
    if (!Held(file.filePath())) found.push_back({file.filePath(), file.lastModified(), file.size()});
  return found;
}

QString Journal::AsideName(const Abandoned& journal) {
  const QDir folder = QFileInfo(journal.path).absoluteDir();
  const QString stamp = journal.lastArrival.toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
  QString name = folder.filePath(QStringLiteral("readings-%1.capture").arg(stamp));
  for (int n = 2; NativeExists(name); ++n)
    name = folder.filePath(QStringLiteral("readings-%1-%2.capture").arg(stamp).arg(n));
  return name;
}

QString Journal::KeepAside(const Abandoned& journal, QString* error) {
  const QString aside = AsideName(journal);
  // A hard link, then the old name removed: an existing name is never replaced.
  if (::link(NativeFromPath(journal.path).constData(), NativeFromPath(aside).constData()) != 0) {
    if (error) *error = ReasonFor(errno);
    return {};
  }
  if (!RemoveNative(journal.path)) {
    if (error) *error = ReasonFor(errno);
    RemoveNative(aside);
    return {};
  }
  return aside;
}

}  // namespace orbek
