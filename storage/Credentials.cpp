#include "storage/Credentials.h"

#include <QFile>
#include <QList>

#include <sys/stat.h>

#include "storage/NativePath.h"

namespace orbek {

std::optional<Credentials> ReadCredentials(const QString& path, QString* problem) {
  QFile file;
  QString reason;
  if (!OpenNative(file, path, QIODevice::ReadOnly, &reason)) {
    *problem = QStringLiteral("cannot read the credentials %1: %2").arg(DisplayPath(path), reason);
    return std::nullopt;
  }
  Credentials credentials;
  struct stat info {};
  credentials.othersCanRead = ::fstat(file.handle(), &info) == 0 && (info.st_mode & S_IROTH) != 0;
  const QList<QByteArray> lines = file.readAll().split('\n');
  credentials.user = lines.value(0).trimmed();
  const QByteArray password = lines.value(1);
  credentials.password = password.endsWith('\r') ? password.chopped(1) : password;
  if (credentials.user.isEmpty()) {
    *problem = QStringLiteral("%1 must hold the user name on its first line and the password on "
                              "its second")
                   .arg(DisplayPath(path));
    return std::nullopt;
  }
  return credentials;
}

}  // namespace orbek
