#include "link/DeviceIdentity.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

namespace orbek {

namespace {

QString Canonical(const QString& path) {
  return QFileInfo(path).canonicalFilePath();
}

}  // namespace

QString DeviceIdentity::Describe() const {
  if (!byIdPath.isEmpty()) return byIdPath;
  if (!serialNumber.isEmpty())
    return QStringLiteral("USB %1:%2 serial %3")
        .arg(vendor, 4, 16, QLatin1Char('0'))
        .arg(product, 4, 16, QLatin1Char('0'))
        .arg(serialNumber);
  return path;
}

DeviceIdentity IdentifyDevice(const QString& path, const QString& byIdFolder) {
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
  // A by-id name is enough; the USB serial number is looked for (through
  // every serial port udev knows, which is dear) only for a device without.
  if (!identity.byIdPath.isEmpty()) return identity;
  for (const auto& info : QSerialPortInfo::availablePorts()) {
    if (Canonical(info.systemLocation()) != device || info.serialNumber().isEmpty()) continue;
    identity.serialNumber = info.serialNumber();
    identity.vendor = info.vendorIdentifier();
    identity.product = info.productIdentifier();
  }
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
