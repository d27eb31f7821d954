#pragma once

#include <array>

namespace orbek {

// Where programs keep the UUCP-style locks of serial devices ("LCK..ttyUSB0",
// the holder's pid inside): the folders QSerialPort and minicom use. Both
// the port component and the simulated meter look in all of them.
inline constexpr std::array<const char*, 8> kPortLockFolders = {
    "/var/lock", "/etc/locks", "/var/spool/locks",  "/var/spool/uucp",
    "/tmp",      "/var/tmp",   "/var/lock/lockdev", "/run/lock"};

}  // namespace orbek
