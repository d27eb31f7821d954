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
OpenResult OpenExclusive(QSerialPort& port, const QString& path);

}  // namespace orbek
