#include "export/SafeSave.h"

#include <sys/stat.h>
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

void SaveThroughTemporary(const QString& path, const std::function<void(const QString&)>& write) {
  const QFileInfo target(path);
  if (target.isDir()) Fail(path, QStringLiteral("it is a folder"));
  QTemporaryFile temporary(
      target.absoluteDir().filePath(QStringLiteral(".%1.XXXXXX").arg(target.fileName())));
  if (!temporary.open()) Fail(path, temporary.errorString());
  const QString temporaryPath = temporary.fileName();
  temporary.close();
  try {
    write(temporaryPath);
  } catch (const WorkbookError& error) {
    Fail(path, QString::fromUtf8(error.what()));
  }
  SyncToDisk(path, temporaryPath);
  temporary.setPermissions(PermissionsFor(path));
  if (std::rename(QFile::encodeName(temporaryPath).constData(),
                  QFile::encodeName(target.absoluteFilePath()).constData()) != 0)
    Fail(path, SystemReason(errno));
  temporary.setAutoRemove(false);
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
