#pragma once

#include <QString>

class QSerialPort;

namespace orbek {

// Why a device could or could not be opened for exclusive use right now.
enum class OpenOutcome {
  Opened,
  Missing,  // no such device, or no device behind the node
  Busy,     // held by this program or another one
  Denied,   // the user may not open it (not in the dialout group, say)
  Failed,   // anything else the system refused
};

struct OpenResult {
  OpenOutcome outcome = OpenOutcome::Failed;
  QString reason;  // the system's words, for a person to act on
  bool ok() const { return outcome == OpenOutcome::Opened; }
};

// Opens `path` for reading and writing, for this program alone: the serial
// port's own lock file and TIOCEXCL, plus an flock() that also holds against
// programs (and root) that ignore the other two. Both the port component and
// the port scan open devices through here, so the scan offers exactly what
// Connect can open. On failure the port is left closed; closing the port
// releases the flock with the descriptor.
// A lock file whose holder is gone (killed, say) is removed first; one that
// is held names its program and process in the reason.
OpenResult OpenExclusive(QSerialPort& port, const QString& path);

// What went wrong with the port, in the user's language where the
// program has one (context "Line"), with Qt's words where they say more.
QString PortErrorText(const QSerialPort& port);

// The lock file QSerialPort takes for `path`: "LCK.." and the path without
// "/dev/", slashes as underscores, in the first lock folder that has it or
// may have it.
QString PortLockFile(const QString& path);

}  // namespace orbek
