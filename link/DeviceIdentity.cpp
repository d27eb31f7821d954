#include "link/DeviceIdentity.h"

#include <QDir>
#include <QFileInfo>

#include "link/SystemPorts.h"

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
  if (identity.byIdPath.isEmpty() && !device.isEmpty()) {
    const std::optional<SystemPort> port =
        DescribeTty(QFileInfo(device).fileName(), ttyClassFolder);
    if (port && !port->serialNumber.isEmpty()) {
      identity.serialNumber = port->serialNumber;
      identity.vendor = port->vendor;
      identity.product = port->product;
    }
  }
  return identity;
}

std::optional<QString> FindDevice(const DeviceIdentity& identity) {
  if (!identity.byIdPath.isEmpty())
    return QFileInfo::exists(identity.byIdPath) ? std::optional(identity.byIdPath) : std::nullopt;
  if (!identity.serialNumber.isEmpty()) {
    for (const SystemPort& port : SystemSerialPorts())
      if (port.serialNumber == identity.serialNumber && port.vendor == identity.vendor &&
          port.product == identity.product)
        return QStringLiteral("/dev/") + port.name;
    return std::nullopt;
  }
  return QFileInfo::exists(identity.path) ? std::optional(identity.path) : std::nullopt;
}

}  // namespace orbek
