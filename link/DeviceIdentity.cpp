#include "link/DeviceIdentity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>

namespace orbek {

QString DeviceIdentity::Describe() const {
  if (!byIdPath.isEmpty()) return byIdPath;
  if (!serialNumber.isEmpty())
    return QStringLiteral("USB %1:%2 serial %3")
        .arg(vendor, 4, 16, QLatin1Char('0'))
        .arg(product, 4, 16, QLatin1Char('0'))
        .arg(serialNumber);
  return path;
}

namespace {

QString Canonical(const QString& path) {
  return QFileInfo(path).canonicalFilePath();
}

QString Attribute(const QDir& folder, const char* name) {
  QFile file(folder.filePath(QLatin1String(name)));
  return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).trimmed() : QString();
}

// The USB device a tty belongs to, in sysfs: up from the tty's own device
// folder to the first with a vendor id (the interface and the
// usb-serial port lie between). Only this device's folders are read, not
// every tty the system has.
void ReadUsbIdentity(const QString& device, const QString& ttyClassFolder,
                     DeviceIdentity* identity) {
  const QString start =
      Canonical(ttyClassFolder + QLatin1Char('/') + QFileInfo(device).fileName() + "/device");
  if (start.isEmpty()) return;  // a pseudo-terminal has no device folder
  for (QDir folder(start); !folder.isRoot(); folder.setPath(QFileInfo(folder.path()).path())) {
    if (!folder.exists(QStringLiteral("idVendor"))) continue;
    identity->serialNumber = Attribute(folder, "serial");
    if (identity->serialNumber.isEmpty()) return;
    identity->vendor = Attribute(folder, "idVendor").toUShort(nullptr, 16);
    identity->product = Attribute(folder, "idProduct").toUShort(nullptr, 16);
    return;
  }
}

}  // namespace

DeviceIdentity IdentifyDevice(const QString& path, const QString& byIdFolder,
                              const QString& ttyClassFolder) {
  DeviceIdentity identity;
  identity.path = path;
  const QString device = Canonical(path);
  const QDir byId(byIdFolder);
  for (const auto& name : byId.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
    const QString link = byId.filePath(name);
    if (!device.isEmpty() && Canonical(link) == device) {
      identity.byIdPath = link;
      break;
    }
  }
  // A by-id name is enough; the USB serial number is looked for only for a
  // device without.
  if (identity.byIdPath.isEmpty() && !device.isEmpty())
    ReadUsbIdentity(device, ttyClassFolder, &identity);
  return identity;
}

std::optional<QString> FindDevice(const DeviceIdentity& identity) {
  if (!identity.byIdPath.isEmpty())
    return QFileInfo::exists(identity.byIdPath) ? std::optional(identity.byIdPath) : std::nullopt;
  if (!identity.serialNumber.isEmpty()) {
    for (const auto& info : QSerialPortInfo::availablePorts())
      if (info.serialNumber() == identity.serialNumber &&
          info.vendorIdentifier() == identity.vendor &&
          info.productIdentifier() == identity.product)
        return info.systemLocation();
    return std::nullopt;
  }
  return QFileInfo::exists(identity.path) ? std::optional(identity.path) : std::nullopt;
}

}  // namespace orbek
