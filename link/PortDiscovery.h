#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace orbek {

// A device node worth trying, with the system's description of it if any.
struct PortCandidate {
  QString path;
  QString description;
  // The system's port list reports a device behind it, or the user named
  // it; the usual device nodes tried besides may have no hardware at all.
  bool real = true;
};

// A port that can be opened right now.
struct FoundPort {
  QString path;         // what Connect opens, for example /dev/ttyUSB0
  QString name;         // what the user knows it by, for example ttyUSB0
  QString description;  // for a tooltip; may be empty
};

struct ProbeResult {
  std::vector<FoundPort> usable;     // in natural order of their names
  QStringList denied;                // real ports the user may not open
  QStringList deniedOutsideDialout;  // of those, the ones the dialout group would not open
};

// The system's serial ports, the usual serial device nodes (ttyS, ttyUSB,
// ttyACM, ttyAMA, rfcomm) and the given extra paths, each device once.
std::vector<PortCandidate> SerialPortCandidates(const QStringList& extraPaths = {});

// Opens each candidate exclusively, the way the port component does, and
// closes it at once. A port that is busy, whoever holds it, is left out.
ProbeResult ProbePorts(const std::vector<PortCandidate>& candidates);

// "ttyUSB0" for /dev/ttyUSB0, "pts/3" for /dev/pts/3; a link by its own
// name: "usb-FTDI_...-port0" for /dev/serial/by-id/usb-FTDI_...-port0,
// "ttyMETER" for /tmp/ttyMETER.
QString PortDisplayName(const QString& path);

// Orders names as people count: ttyS2 before ttyS10.
bool NaturalLess(const QString& a, const QString& b);

// The box that reports a scan.
struct ScanReport {
  QString text;
  QString caption;
};
ScanReport ReportScan(const ProbeResult& result);

}  // namespace orbek
