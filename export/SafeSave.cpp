#include "export/SafeSave.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "export/WorkbookError.h"

namespace orbek {

namespace {

[[noreturn]] void Fail(const QString& path, const QString& reason) {
  throw WorkbookError(QStringLiteral("Cannot save %1: %2").arg(path, reason).toStdString());
}

QString SystemReason(int error) {
  return QString::fromLocal8Bit(std::strerror(error));
}

// The new file gets the permissions of the one it replaces, or those a new
// file would get.
QFileDevice::Permissions PermissionsFor(const QString& path) {
  if (QFileInfo::exists(path)) return QFile::permissions(path);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  const mode_t mode = 0666 & ~mask;
  QFileDevice::Permissions permissions;
  if (mode & S_IRUSR) permissions |= QFileDevice::ReadOwner | QFileDevice::ReadUser;
  if (mode & S_IWUSR) permissions |= QFileDevice::WriteOwner | QFileDevice::WriteUser;
  if (mode & S_IRGRP) permissions |= QFileDevice::ReadGroup;
  if (mode & S_IWGRP) permissions |= QFileDevice::WriteGroup;
  if (mode & S_IROTH) permissions |= QFileDevice::ReadOther;
  if (mode & S_IWOTH) permissions |= QFileDevice::WriteOther;
  return permissions;
}

// The new file's bytes reach the disk before its name replaces the old one,
// so a crash right after the save cannot leave an empty file behind.
void SyncToDisk(const QString& path, const QString& temporaryPath) {
  QFile file(temporaryPath);
  if (!file.open(QIODevice::ReadOnly)) Fail(path, file.errorString());
  if (::fsync(file.handle()) != 0) Fail(path, SystemReason(errno));
}

}  // namespace

// The temporary name is short, so that a target whose name is as long as
// the system allows still has room beside it.
SafeSaveFile::SafeSaveFile(const QString& target) : target_(target) {
  const QFileInfo info(target);
  if (info.isDir()) orbek::Fail(target, QStringLiteral("it is a folder"));
  QTemporaryFile temporary(info.absoluteDir().filePath(QStringLiteral(".orbek-XXXXXX")));
  if (!temporary.open()) orbek::Fail(target, temporary.errorString());
  temporary.setAutoRemove(false);
  temporaryPath_ = temporary.fileName();
}

SafeSaveFile::~SafeSaveFile() {
  if (!committed_) QFile::remove(temporaryPath_);
}

// Writers seldom keep the system's reason (a full disk comes back as a zip
// or document error), so a failed write is looked into here: the size limit
// and the free space say more than the writer could.
void SafeSaveFile::Fail(const QString& reason) const {
  rlimit limit{};
  const qint64 written = QFileInfo(temporaryPath_).size();
  if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
      written + 4096 >= static_cast<qint64>(limit.rlim_cur))
    orbek::Fail(target_, QStringLiteral("the file would be larger than the file size limit "
                                        "(ulimit -f) allows"));
  struct statvfs space {};
  const QByteArray folder = QFile::encodeName(QFileInfo(target_).absolutePath());
  if (::statvfs(folder.constData(), &space) == 0 && space.f_bavail == 0)
    orbek::Fail(target_, QStringLiteral("the disk is full"));
  orbek::Fail(target_, reason);
}

void SafeSaveFile::Commit() {
  SyncToDisk(target_, temporaryPath_);
  QFile::setPermissions(temporaryPath_, PermissionsFor(target_));
  if (std::rename(QFile::encodeName(temporaryPath_).constData(),
                  QFile::encodeName(QFileInfo(target_).absoluteFilePath()).constData()) != 0)
    orbek::Fail(target_, SystemReason(errno));
  committed_ = true;
}

void SaveThroughTemporary(const QString& path, const std::function<void(const QString&)>& write) {
  SafeSaveFile file(path);
  try {
    write(file.TemporaryPath());
  } catch (const WorkbookError& error) {
    file.Fail(QString::fromUtf8(error.what()));
  }
  file.Commit();
}

void SaveBytes(const QString& path, const QByteArray& bytes) {
  SaveThroughTemporary(path, [&](const QString& temporaryPath) {
    QFile file(temporaryPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size() || !file.flush())
      throw WorkbookError(file.errorString().toStdString());
  });
}

}  // namespace orbek
