#include "storage/SafeSave.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <string_view>

#include "storage/NativePath.h"
#include "storage/SaveError.h"

namespace orbek {

namespace {

// A save's temporary files: the prefix, then six random characters.
constexpr const char* kTemporaryPrefix = ".orbek-";
// One left by a crash is cleared away after this long unheld.
constexpr time_t kLeftTemporaryAgeSeconds = 60;

// Links are followed this many times at most, as the kernel does.
constexpr int kMostLinksFollowed = 40;
// A folder with less room than this is taken as full when a write failed.
constexpr unsigned long long kFullDiskBytes = 64 * 1024;

class Descriptor {
 public:
  explicit Descriptor(int descriptor) : descriptor_(descriptor) {}
  ~Descriptor() {
    if (descriptor_ >= 0) ::close(descriptor_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return descriptor_; }

 private:
  int descriptor_;
};

// A message in the language of the program that shows it: the window
// translates (context "Save"), orbek-log installs no translation and keeps
// English.
// `text` is marked with QT_TRANSLATE_NOOP("Save", ...) where it stands.
QString Said(const char* text) {
  return QCoreApplication::translate("Save", text);
}

[[noreturn]] void Fail(const QString& path, const QString& reason) {
  throw SaveError(Said(QT_TRANSLATE_NOOP("Save", "Cannot save %1: %2"))
                      .arg(DisplayPath(path), reason)
                      .toStdString());
}

QString SystemReason(int error) {
  return ReasonFor(error);
}

QString Shown(const QByteArray& native) {
  return DisplayPath(PathFromNative(native));
}

QByteArray FolderOf(const QByteArray& path) {
  const qsizetype slash = path.lastIndexOf('/');
  return slash <= 0 ? QByteArray("/") : path.left(slash);
}

QByteArray Absolute(const QByteArray& path) {
  if (path.startsWith('/')) return path;
  std::array<char, PATH_MAX> folder{};
  if (::getcwd(folder.data(), folder.size()) == nullptr) return path;
  return QByteArray(folder.data()) + '/' + path;
}

bool IsSharedFolder(const struct stat& folder) {
  return (folder.st_mode & (S_ISVTX | S_IWOTH)) == (S_ISVTX | S_IWOTH);
}

// What the kernel forbids in a sticky folder anyone may write to (/tmp):
// following a link, or opening a file to write, that belongs to neither the
// user nor the folder's owner (fs.protected_symlinks, fs.protected_regular).
// Root is held to it too: that is whom a planted link is aimed at.
QString SharedFolderRefusal(const QByteArray& path, const char* what) {
  struct stat entry {
  }, folder{};
  const QByteArray folderPath = FolderOf(path);
  if (::lstat(path.constData(), &entry) != 0 || ::stat(folderPath.constData(), &folder) != 0)
    return {};
  if (!IsSharedFolder(folder) || entry.st_uid == ::geteuid() || entry.st_uid == folder.st_uid)
    return {};
  return Said(QT_TRANSLATE_NOOP("Save",
                                "%1 belongs to another user in the shared folder %2, so it is not "
                                "written through"))
      .arg(Said(what), Shown(folderPath));
}

}  // namespace

LinkTarget FollowLinksSafely(const QString& path) {
  QByteArray file = Absolute(NativeFromPath(path));
  for (int followed = 0; followed < kMostLinksFollowed; ++followed) {
    struct stat info {};
    if (::lstat(file.constData(), &info) != 0) return {file, {}};
    if (!S_ISLNK(info.st_mode))
      return {file, SharedFolderRefusal(file, QT_TRANSLATE_NOOP("Save", "the file"))};
    const QString refusal = SharedFolderRefusal(file, QT_TRANSLATE_NOOP("Save", "the link"));
    if (!refusal.isEmpty()) return {file, refusal};
    std::array<char, PATH_MAX> target{};
    const ssize_t length = ::readlink(file.constData(), target.data(), target.size());
    if (length < 0) return {file, ReasonFor(errno)};
    const QByteArray next(target.data(), length);
    file = next.startsWith('/') ? next : FolderOf(file) + '/' + next;
  }
  return {file, ReasonFor(ELOOP)};
}

namespace {

mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

bool AboveFileSizeLimit(qint64 size) {
  rlimit limit{};
  return ::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
         size + 4096 >= static_cast<qint64>(limit.rlim_cur);
}

unsigned long long FreeBytes(const QByteArray& folder) {
  struct statvfs space {};
  if (::statvfs(folder.constData(), &space) != 0) return ULLONG_MAX;
  // Root may also use the blocks kept back for it.
  const auto blocks = ::geteuid() == 0 ? space.f_bfree : space.f_bavail;
  return static_cast<unsigned long long>(blocks) * space.f_frsize;
}

bool WriteAll(int descriptor, const char* bytes, ssize_t size) {
  while (size > 0) {
    const ssize_t written = ::write(descriptor, bytes, static_cast<size_t>(size));
    if (written < 0 && errno == EINTR) continue;
    if (written == 0) errno = ENOSPC;  // took nothing, without a reason: no room
    if (written <= 0) return false;
    bytes += written;
    size -= written;
  }
  return true;
}

const QString kSizeLimit = ReasonFor(EFBIG);
const QString kDiskFull = ReasonFor(ENOSPC);

}  // namespace

// The temporary name is short, so that a target whose name is as long as
// the system allows still has room beside it.
SafeSaveFile::SafeSaveFile(const QString& target) : target_(target) {
  CheckTarget();
  CreateTemporary();
}

SafeSaveFile::~SafeSaveFile() {
  if (!committed_ && !temporary_.isEmpty()) ::unlink(temporary_.constData());
  if (lock_ >= 0) ::close(lock_);
}

void SafeSaveFile::FailWith(const QString& reason) const {
  orbek::Fail(target_, reason);
}

void SafeSaveFile::FailWithSystemError(int error) const {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
      FailWith(kDiskFull);
    case EFBIG:
      FailWith(kSizeLimit);
    case EROFS:
      FailWith(
          Said(QT_TRANSLATE_NOOP("Save", "%1 is on a read-only file system")).arg(Shown(folder_)));
    case ENAMETOOLONG:
      FailWith(Said(QT_TRANSLATE_NOOP("Save", "the name is too long")));
    case EACCES:
    case EPERM:
      FailWith(Said(QT_TRANSLATE_NOOP("Save", "no permission to create files in %1"))
                   .arg(Shown(folder_)));
    case ENOENT:
      FailWith(Said(QT_TRANSLATE_NOOP("Save", "the folder %1 does not exist")).arg(Shown(folder_)));
    case EISDIR:
      FailWith(Said(QT_TRANSLATE_NOOP("Save", "it is a folder")));
    default:
      FailWith(SystemReason(error));
  }
}

// Whatever can be known wrong before anything is written.
void SafeSaveFile::CheckTarget() {
  const QByteArray native = NativeFromPath(target_);
  if (native.isEmpty() || native.endsWith('/'))
    FailWith(Said(QT_TRANSLATE_NOOP("Save", "it is a folder")));
  const LinkTarget target = FollowLinksSafely(target_);
  file_ = target.file;
  folder_ = FolderOf(file_);
  if (!target.refusal.isEmpty()) FailWith(target.refusal);
  struct stat info {};
  if (::stat(file_.constData(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) FailWith(Said(QT_TRANSLATE_NOOP("Save", "it is a folder")));
    if (!S_ISREG(info.st_mode))
      FailWith(Said(QT_TRANSLATE_NOOP("Save", "it is not a regular file")));
    if ((info.st_mode & 0222) == 0)
      FailWith(Said(QT_TRANSLATE_NOOP("Save", "the file is read-only")));
    if (::faccessat(AT_FDCWD, file_.constData(), W_OK, AT_EACCESS) != 0)
      FailWith(errno == EROFS ? Said(QT_TRANSLATE_NOOP("Save", "%1 is on a read-only file system"))
                                    .arg(Shown(folder_))
                              : Said(QT_TRANSLATE_NOOP("Save", "no permission to write to it")));
    old_ = info;
  } else if (errno != ENOENT) {
    FailWithSystemError(errno);
  }
  const long nameMax = ::pathconf(folder_.constData(), _PC_NAME_MAX);
  if (file_.size() - folder_.size() - 1 > (nameMax > 0 ? nameMax : NAME_MAX))
    FailWith(Said(QT_TRANSLATE_NOOP("Save", "the name is too long")));
}

// The temporary file is locked (flock) for as long as its save runs, so a
// later save can tell one left by a crash from one still being written.
void SafeSaveFile::CreateTemporary() {
  RemoveLeftTemporaries(folder_);
  QByteArray name = folder_ + '/' + kTemporaryPrefix + "XXXXXX";
  lock_ = ::mkostemp(name.data(), O_CLOEXEC);
  if (lock_ < 0) FailWithSystemError(errno);
  temporary_ = name;
  temporaryPath_ = PathFromNative(temporary_);
  // A file system without locks keeps the file from being taken as left by
  // a crash only while it is written to: a save goes on without the lock.
  (void)::flock(lock_, LOCK_EX | LOCK_NB);
}

// A temporary file of a save that crashed (a kill, a power cut): the user's
// own, named as ours, nobody holding it, untouched for a while.
void RemoveLeftTemporaries(const QByteArray& folder) {
  DIR* listing = ::opendir(folder.constData());
  if (listing == nullptr) return;
  const time_t before = ::time(nullptr) - kLeftTemporaryAgeSeconds;
  while (const dirent* entry = ::readdir(listing)) {
    const std::string_view name(entry->d_name);
    if (!name.starts_with(kTemporaryPrefix) || name.size() != std::strlen(kTemporaryPrefix) + 6)
      continue;
    struct stat info {};
    if (::fstatat(::dirfd(listing), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(info.st_mode) || info.st_uid != ::geteuid() || info.st_mtime > before)
      continue;
    const Descriptor file(
        ::openat(::dirfd(listing), entry->d_name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (file.get() >= 0 && ::flock(file.get(), LOCK_EX | LOCK_NB) == 0)
      ::unlinkat(::dirfd(listing), entry->d_name, 0);
  }
  ::closedir(listing);
}

// Writers seldom keep the system's reason (a full disk comes back as a zip
// or document error), so a failed write is looked into here: the size limit
// and the free space say more than the writer could.
void SafeSaveFile::Fail(const QString& reason) const {
  struct stat written {};
  if (::stat(temporary_.constData(), &written) == 0 && AboveFileSizeLimit(written.st_size))
    FailWith(kSizeLimit);
  if (FreeBytes(folder_) < kFullDiskBytes) FailWith(kDiskFull);
  FailWith(reason);
}

// The new file takes the old one's owner and group where the saver may
// give them; false when it may not.
bool SafeSaveFile::TakeOverOwnership(int descriptor) const {
  struct stat made {};
  if (::fstat(descriptor, &made) != 0) return false;
  if (made.st_uid == old_->st_uid && made.st_gid == old_->st_gid) return true;
  return ::fchown(descriptor, old_->st_uid, old_->st_gid) == 0;
}

void SafeSaveFile::Commit() {
  const Descriptor file(::open(temporary_.constData(), O_RDWR | O_CLOEXEC));
  // The new file's bytes reach the disk before it replaces the old one, so
  // a crash right after the save cannot leave an empty file behind.
  if (file.get() < 0 || ::fsync(file.get()) != 0) Fail(SystemReason(errno));
  if (old_ && (old_->st_nlink > 1 || !TakeOverOwnership(file.get()))) {
    CopyIntoTarget(file.get());
    return;
  }
  // After the change of owner, which clears the set-id bits.
  if (::fchmod(file.get(), old_ ? old_->st_mode & 07777 : NewFileMode()) != 0)
    FailWithSystemError(errno);
  ReplaceTarget();
}

void SafeSaveFile::ReplaceTarget() {
  if (std::rename(temporary_.constData(), file_.constData()) != 0) FailWithSystemError(errno);
  committed_ = true;
  // The rename itself reaches the disk with the folder.
  const Descriptor folder(::open(folder_.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() < 0 || ::fsync(folder.get()) != 0)
    FailWith(
        Said(QT_TRANSLATE_NOOP(
                 "Save",
                 "the file is saved, but its folder could not be synced to the disk (%1), so a "
                 "power cut could still undo the save"))
            .arg(SystemReason(errno)));
}

// For a file that must stay the same file: the complete, synced new content
// is copied over the old. What could stop the copy half-way (room, the size
// limit) is checked first; should it still fail, the new content is kept
// whole in the temporary file and the message says where.
void SafeSaveFile::CopyIntoTarget(int from) {
  struct stat made {};
  if (::fstat(from, &made) != 0) FailWithSystemError(errno);
  if (AboveFileSizeLimit(made.st_size)) FailWith(kSizeLimit);
  if (static_cast<unsigned long long>(made.st_size) >
      static_cast<unsigned long long>(old_->st_size) + FreeBytes(folder_))
    FailWith(kDiskFull);
  const Descriptor to(::open(file_.constData(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC));
  if (to.get() < 0) FailWithSystemError(errno);
  std::array<char, 1 << 16> buffer{};
  bool copied = ::lseek(from, 0, SEEK_SET) == 0;
  for (ssize_t got = 0; copied && (got = ::read(from, buffer.data(), buffer.size())) != 0;)
    copied = got > 0 ? WriteAll(to.get(), buffer.data(), got) : errno == EINTR;
  copied = copied && ::ftruncate(to.get(), made.st_size) == 0 && ::fsync(to.get()) == 0;
  if (!copied) {
    const int error = errno;
    committed_ = true;  // the temporary file now holds the only whole copy
    // Under a name no later save clears away.
    QByteArray kept = temporary_;
    kept.replace(kTemporaryPrefix, QByteArray(kTemporaryPrefix) + "kept-");
    if (std::rename(temporary_.constData(), kept.constData()) != 0) kept = temporary_;
    FailWith(Said(QT_TRANSLATE_NOOP("Save", "%1; the saved content is complete in %2"))
                 .arg(SystemReason(error), Shown(kept)));
  }
  ::unlink(temporary_.constData());
  committed_ = true;
}

void SaveThroughTemporary(const QString& path, const std::function<void(const QString&)>& write) {
  SafeSaveFile file(path);
  try {
    write(file.TemporaryPath());
  } catch (const SaveError& error) {
    file.Fail(QString::fromUtf8(error.what()));
  }
  file.Commit();
}

void SaveBytes(const QString& path, const QByteArray& bytes) {
  SaveThroughTemporary(path, [&](const QString& temporaryPath) {
    QFile file;
    QString error;
    if (!OpenNative(file, temporaryPath, QIODevice::WriteOnly, &error))
      throw SaveError(error.toStdString());
    if (!WriteAll(file.handle(), bytes.constData(), bytes.size()))
      throw SaveError(ReasonFor(errno).toStdString());
  });
}

}  // namespace orbek
