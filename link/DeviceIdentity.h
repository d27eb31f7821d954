#pragma once

#include <QString>
#include <optional>

namespace orbek {

// What tells a serial device from any other, so that the same one can be
// found again after it was unplugged: its /dev/serial/by-id name, or its USB
// serial number with the vendor and product, or, for a device with neither
// (a pseudo-terminal behind a link, a built-in port), the path it was
// opened by.
struct DeviceIdentity {
  QString path;          // as the user gave it
  QString byIdPath;      // /dev/serial/by-id/... or empty
  QString serialNumber;  // USB serial number or empty
  quint16 vendor = 0, product = 0;

  QString Describe() const;
};

// The identity of the device at `path`, which exists now. The serial
// number is the USB device's own, as udev's ID_SERIAL_SHORT gives it.
DeviceIdentity IdentifyDevice(const QString& path,
                              const QString& byIdFolder = QStringLiteral("/dev/serial/by-id"),
                              const QString& ttyClassFolder = QStringLiteral("/sys/class/tty"));

// Where that same device is now, if it is there: never merely a port that
// happens to be there.
std::optional<QString> FindDevice(const DeviceIdentity& identity);

}  // namespace orbek
