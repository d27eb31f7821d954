#include "link/SerialDevice.h"

#include <sys/file.h>
#include <unistd.h>

#include <QFile>
#include <QSerialPort>
#include <cerrno>
#include <cstring>

namespace orbek {

namespace {

OpenResult Refused(OpenOutcome outcome, const QString& reason) {
  return {outcome, reason};
}

// What QSerialPort's error means for the scan: busy, missing, or otherwise.
OpenResult FromPortError(const QSerialPort& port) {
  switch (port.error()) {
    case QSerialPort::DeviceNotFoundError:
      return Refused(OpenOutcome::Missing, port.errorString());
    case QSerialPort::PermissionError:
    case QSerialPort::OpenError:
      // Access itself was checked before, so this is a lock or TIOCEXCL held
      // by another user of the device.
      return Refused(
          OpenOutcome::Busy,
          QStringLiteral("the device is in use by another program (%1)").arg(port.errorString()));
    default:
      return Refused(OpenOutcome::Failed, port.errorString());
  }
}

}  // namespace

OpenResult OpenExclusive(QSerialPort& port, const QString& path) {
  const QByteArray nativePath = QFile::encodeName(path);
  if (::access(nativePath.constData(), F_OK) != 0)
    return Refused(OpenOutcome::Missing, QString::fromLocal8Bit(std::strerror(errno)));
  if (::access(nativePath.constData(), R_OK | W_OK) != 0)
    return Refused(errno == EACCES || errno == EPERM ? OpenOutcome::Denied : OpenOutcome::Failed,
                   QString::fromLocal8Bit(std::strerror(errno)));

  port.setPortName(path);
  if (!port.open(QIODevice::ReadWrite)) return FromPortError(port);

  if (::flock(port.handle(), LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    port.close();
    return Refused(error == EWOULDBLOCK ? OpenOutcome::Busy : OpenOutcome::Failed,
                   error == EWOULDBLOCK ? QStringLiteral("the device is in use by another program")
                                        : QString::fromLocal8Bit(std::strerror(error)));
  }
  return {OpenOutcome::Opened, {}};
}

}  // namespace orbek
