#pragma once

#include <QString>
#include <optional>
#include <vector>

namespace orbek {

// A tty the kernel has hardware behind, as sysfs describes it.
struct SystemPort {
  QString name;          // "ttyUSB0"; its node is /dev/ttyUSB0
  QString description;   // the USB device's product name, or its maker's; may be empty
  QString serialNumber;  // the USB device's serial number, as udev's ID_SERIAL_SHORT
  quint16 vendor = 0, product = 0;
};

// The tty `name` under `ttyClassFolder` (/sys/class/tty), read from its own
// folders only: up from its device folder to the USB device, if it is one
// (a usb-serial port sits under its interface, an ACM device is the
// interface). Nothing for a tty with no device (a console, a pty).
std::optional<SystemPort> DescribeTty(
    const QString& name, const QString& ttyClassFolder = QStringLiteral("/sys/class/tty"));

// Every tty with hardware behind it, except a built-in UART the kernel
// found no chip for (type 0, as a TIOCGSERIAL would say). udev lists the
// same ports, but reads every tty's properties to do so: thousands of
// system calls, a fifth of the window's start-up.
std::vector<SystemPort> SystemSerialPorts(
    const QString& ttyClassFolder = QStringLiteral("/sys/class/tty"));

}  // namespace orbek
