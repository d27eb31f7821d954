#include "link/SerialDevice.h"

#include <sys/file.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSerialPort>
#include <QSysInfo>
#include <cerrno>
#include <cstring>
#include <optional>

#include "link/PortLockFolders.h"
#include "storage/NativePath.h"

namespace orbek {

namespace {

QString Said(const char* text) {
  return QCoreApplication::translate("Line", text);
}

OpenResult Refused(OpenOutcome outcome, const QString& reason) {
  return {outcome, reason};
}

// The process a port's lock file names, if the file is there to read.
struct LockHolder {
  qint64 pid = 0;
  QString host;
  QString program;
};

std::optional<LockHolder> ReadLockHolder(const QString& lockFile) {
  if (lockFile.isEmpty()) return std::nullopt;
  LockHolder holder;
  if (!QLockFile(lockFile).getLockInfo(&holder.pid, &holder.host, &holder.program))
    return std::nullopt;
  return holder;
}

// Whether the holder still runs. A process id is a thread id as well, and
// ids are reused: a lock left by a killed program may name a thread of a
// live one, which QLockFile takes for its holder. Only a live process (a
// thread group's leader, not a zombie) running the named program holds it.
// What cannot be told (another host, another user's process) holds.
bool HolderLives(const LockHolder& holder) {
  if (!holder.host.isEmpty() && holder.host != QSysInfo::machineHostName()) return true;
  QFile status(QStringLiteral("/proc/%1/status").arg(holder.pid));
  if (holder.pid <= 0 || !status.open(QIODevice::ReadOnly)) return false;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith("State:") && line.contains("Z (zombie)")) return false;
    if (line.startsWith("Tgid:") && line.mid(5).trimmed().toLongLong() != holder.pid) return false;
  }
  const QFileInfo running(QStringLiteral("/proc/%1/exe").arg(holder.pid));
  const QString program = running.symLinkTarget();
  if (program.isEmpty()) return true;
  return QFileInfo(program).fileName() == QFileInfo(holder.program).fileName();
}

// Removes a lock whose holder is gone, under the same guard file QLockFile
// uses, so two programs cannot both remove it and one of them a fresh lock.
bool RemoveStaleLock(const QString& lockFile) {
  QLockFile guard(lockFile + QStringLiteral(".rmlock"));
  if (!guard.tryLock()) return false;
  const auto holder = ReadLockHolder(lockFile);
  return holder && !HolderLives(*holder) && QFile::remove(lockFile);
}

QString Held(const QString& why) {
  return Said(QT_TRANSLATE_NOOP("Line", "the device is in use by another program (%1)")).arg(why);
}

// What QSerialPort's error means for the scan: busy, missing, or otherwise.
OpenResult FromPortError(const QSerialPort& port, const std::optional<LockHolder>& holder) {
  switch (port.error()) {
    case QSerialPort::DeviceNotFoundError:
      return Refused(OpenOutcome::Missing, PortErrorText(port));
    case QSerialPort::PermissionError:
    case QSerialPort::OpenError:
      // Access itself was checked before, so this is a lock or TIOCEXCL held
      // by another user of the device.
      if (holder)
        return Refused(OpenOutcome::Busy,
                       Held(Said(QT_TRANSLATE_NOOP("Line", "%1, process %2"))
                                .arg(QFileInfo(holder->program).fileName())
                                .arg(holder->pid)));
      return Refused(OpenOutcome::Busy, Held(port.errorString()));
    default:
      return Refused(OpenOutcome::Failed, PortErrorText(port));
  }
}

// Opens the port; a lock file left by a program that is gone is removed and
// the port opened again.
bool OpenPort(QSerialPort& port, const QString& lockFile) {
  if (port.open(QIODevice::ReadWrite)) return true;
  return port.error() == QSerialPort::PermissionError && RemoveStaleLock(lockFile) &&
         port.open(QIODevice::ReadWrite);
}

}  // namespace

OpenResult OpenExclusive(QSerialPort& port, const QString& path) {
  const QByteArray nativePath = QFile::encodeName(path);
  if (::access(nativePath.constData(), F_OK) != 0)
    return Refused(OpenOutcome::Missing, ReasonFor(errno));
  if (::access(nativePath.constData(), R_OK | W_OK) != 0)
    return Refused(errno == EACCES || errno == EPERM ? OpenOutcome::Denied : OpenOutcome::Failed,
                   ReasonFor(errno));

  port.setPortName(path);
  const QString lockFile = PortLockFile(path);
  if (!OpenPort(port, lockFile)) return FromPortError(port, ReadLockHolder(lockFile));

  if (::flock(port.handle(), LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    port.close();
    return Refused(error == EWOULDBLOCK ? OpenOutcome::Busy : OpenOutcome::Failed,
                   error == EWOULDBLOCK
                       ? Said(QT_TRANSLATE_NOOP("Line", "the device is in use by another program"))
                       : ReasonFor(error));
  }
  return {OpenOutcome::Opened, {}};
}

// Qt's own words name the system's cause where there is one; they follow
// ours in brackets when they say more.
QString PortErrorText(const QSerialPort& port) {
  const char* text = nullptr;
  switch (port.error()) {
    case QSerialPort::NoError:
      return {};
    case QSerialPort::DeviceNotFoundError:
      text = QT_TRANSLATE_NOOP("Line", "the device is not there");
      break;
    case QSerialPort::PermissionError:
      text = QT_TRANSLATE_NOOP("Line", "the device is in use or may not be opened");
      break;
    case QSerialPort::OpenError:
      text = QT_TRANSLATE_NOOP("Line", "the port is open already");
      break;
    case QSerialPort::NotOpenError:
      text = QT_TRANSLATE_NOOP("Line", "the port is not open");
      break;
    case QSerialPort::WriteError:
      text = QT_TRANSLATE_NOOP("Line", "the device did not take what was sent");
      break;
    case QSerialPort::ReadError:
      text = QT_TRANSLATE_NOOP("Line", "the device could not be read");
      break;
    case QSerialPort::ResourceError:
      text = QT_TRANSLATE_NOOP("Line", "the device stopped answering or was unplugged");
      break;
    case QSerialPort::UnsupportedOperationError:
      text = QT_TRANSLATE_NOOP("Line", "the device does not support this setting");
      break;
    case QSerialPort::TimeoutError:
      text = QT_TRANSLATE_NOOP("Line", "the device did not answer in time");
      break;
    case QSerialPort::UnknownError:
      return port.errorString();
  }
  const QString said = Said(text);
  const QString qt = port.errorString();
  return qt.isEmpty() || qt == QLatin1String(text) ? said : QStringLiteral("%1 (%2)").arg(said, qt);
}

QString PortLockFile(const QString& path) {
  QString name = path.startsWith(QStringLiteral("/dev/")) ? path.mid(5) : path;
  name = QStringLiteral("/LCK..") + name.replace(QLatin1Char('/'), QLatin1Char('_'));
  for (const char* folder : kPortLockFolders) {
    const QFileInfo info(QString::fromLatin1(folder));
    if (info.isReadable() && (QFile::exists(info.filePath() + name) || info.isWritable()))
      return info.filePath() + name;
  }
  return {};
}

}  // namespace orbek
