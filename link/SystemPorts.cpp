#include "link/SystemPorts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace orbek {

namespace {

QString Attribute(const QDir& folder, const char* name) {
  QFile file(folder.filePath(QLatin1String(name)));
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
}

void ReadUsbDevice(const QDir& usb, SystemPort* port) {
  port->serialNumber = Attribute(usb, "serial");
  port->vendor = Attribute(usb, "idVendor").toUShort(nullptr, 16);
  port->product = Attribute(usb, "idProduct").toUShort(nullptr, 16);
  port->description = Attribute(usb, "product");
  if (port->description.isEmpty()) port->description = Attribute(usb, "manufacturer");
}

}  // namespace

std::optional<SystemPort> DescribeTty(const QString& name, const QString& ttyClassFolder) {
  const QString device =
      QFileInfo(ttyClassFolder + QLatin1Char('/') + name + QStringLiteral("/device"))
          .canonicalFilePath();
  if (device.isEmpty()) return std::nullopt;
  SystemPort port;
  port.name = name;
  for (QDir folder(device); !folder.isRoot(); folder.setPath(QFileInfo(folder.path()).path())) {
    if (!folder.exists(QStringLiteral("idVendor"))) continue;
    ReadUsbDevice(folder, &port);
    break;
  }
  return port;
}

std::vector<SystemPort> SystemSerialPorts(const QString& ttyClassFolder) {
  std::vector<SystemPort> ports;
  const QDir ttys(ttyClassFolder);
  for (const QString& name : ttys.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System)) {
    const QDir tty(ttys.filePath(name));
    if (!tty.exists(QStringLiteral("device"))) continue;  // one look for each console and pty
    if (Attribute(tty, "type") == QLatin1String("0")) continue;
    if (std::optional<SystemPort> port = DescribeTty(name, ttyClassFolder))
      ports.push_back(std::move(*port));
  }
  return ports;
}

}  // namespace orbek
