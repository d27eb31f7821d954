#include "link/PortDiscovery.h"

#include <QCoreApplication>

#include <grp.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <algorithm>
#include <set>

#include "link/SerialDevice.h"
#include "link/SystemPorts.h"

namespace orbek {

namespace {

// The same device reached by two paths (a symlink, say) is tried once.
QString DeviceKey(const QString& path) {
  const QString canonical = QFileInfo(path).canonicalFilePath();
  return canonical.isEmpty() ? path : canonical;
}

class CandidateList {
 public:
  void Add(const QString& path, const QString& description = {}, bool real = true) {
    if (path.isEmpty() || !seen_.insert(DeviceKey(path)).second) return;
    list_.push_back({path, description, real});
  }
  std::vector<PortCandidate> Take() { return std::move(list_); }

 private:
  std::set<QString> seen_;
  std::vector<PortCandidate> list_;
};

qsizetype DigitRunEnd(const QString& text, qsizetype start) {
  while (start < text.size() && text[start].isDigit())
    ++start;
  return start;
}

QStringView WithoutLeadingZeros(QStringView digits) {
  qsizetype first = 0;
  while (first + 1 < digits.size() && digits[first] == u'0')
    ++first;
  return digits.sliced(first);
}

// The group a device node belongs to, for the advice that fits it.
QString NodeGroup(const QString& path) {
  struct stat node {};
  if (::stat(QFile::encodeName(path).constData(), &node) != 0) return {};
  const group* entry = ::getgrgid(node.st_gid);
  return entry != nullptr ? QString::fromLocal8Bit(entry->gr_name) : QString::number(node.st_gid);
}

}  // namespace

std::vector<PortCandidate> SerialPortCandidates(const QStringList& extraPaths) {
  CandidateList candidates;
  for (const SystemPort& port : SystemSerialPorts())
    candidates.Add(QStringLiteral("/dev/") + port.name, port.description);
  const QDir dev(QStringLiteral("/dev"));
  const QStringList patterns = {"ttyS*", "ttyUSB*", "ttyACM*", "ttyAMA*", "rfcomm*"};
  for (const auto& name : dev.entryList(patterns, QDir::System | QDir::Files))
    candidates.Add(dev.filePath(name), {}, false);
  for (const auto& path : extraPaths)
    candidates.Add(path);
  return candidates.Take();
}

ProbeResult ProbePorts(const std::vector<PortCandidate>& candidates) {
  ProbeResult result;
  for (const auto& candidate : candidates) {
    QSerialPort port;
    const OpenResult opened = OpenExclusive(port, candidate.path);
    if (opened.ok()) {
      port.close();
      result.usable.push_back(
          {candidate.path, PortDisplayName(candidate.path), candidate.description});
    } else if (opened.outcome == OpenOutcome::Denied && candidate.real) {
      result.denied.push_back(candidate.path);
      if (NodeGroup(candidate.path) != QLatin1String("dialout"))
        result.deniedOutsideDialout.push_back(candidate.path);
    }
  }
  std::sort(result.usable.begin(), result.usable.end(),
            [](const FoundPort& a, const FoundPort& b) { return NaturalLess(a.name, b.name); });
  std::sort(result.denied.begin(), result.denied.end(), NaturalLess);
  std::sort(result.deniedOutsideDialout.begin(), result.deniedOutsideDialout.end(), NaturalLess);
  return result;
}

QString PortDisplayName(const QString& path) {
  const QString dev = QStringLiteral("/dev/");
  const QString inDev = path.startsWith(dev) ? path.mid(dev.size()) : QString();
  if (!inDev.isEmpty() &&
      (!inDev.contains(QLatin1Char('/')) || inDev.startsWith(QLatin1String("pts/"))))
    return inDev;
  // A link (a by-id name, a virtual port) is known by its own name.
  return QFileInfo(path).fileName();
}

bool NaturalLess(const QString& a, const QString& b) {
  qsizetype i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (a[i].isDigit() && b[j].isDigit()) {
      const qsizetype endA = DigitRunEnd(a, i), endB = DigitRunEnd(b, j);
      const auto numberA = WithoutLeadingZeros(QStringView(a).sliced(i, endA - i));
      const auto numberB = WithoutLeadingZeros(QStringView(b).sliced(j, endB - j));
      // Equal-length digit strings compare as their numbers do.
      if (numberA.size() != numberB.size()) return numberA.size() < numberB.size();
      if (const int order = numberA.compare(numberB); order != 0) return order < 0;
      i = endA;
      j = endB;
      continue;
    }
    if (a[i] != b[j]) return a[i] < b[j];
    ++i;
    ++j;
  }
  return a.size() - i < b.size() - j;
}

// In the window's language.
ScanReport ReportScan(const ProbeResult& result) {
  const auto count = static_cast<int>(result.usable.size());
  ScanReport report;
  if (count == 0) {
    report = {QCoreApplication::translate("PortDiscovery", "Port cannot be found"),
              QCoreApplication::translate("PortDiscovery", "Warnning")};
  } else if (count == 1) {
    report = {QCoreApplication::translate("PortDiscovery", "Found a port on your computer"),
              QCoreApplication::translate("PortDiscovery", "Message")};
  } else {
    report = {QCoreApplication::translate("PortDiscovery", "Found the %1 ports on your computer")
                  .arg(count),
              QCoreApplication::translate("PortDiscovery", "Message")};
  }
  QStringList dialout = result.denied;
  for (const auto& path : result.deniedOutsideDialout)
    dialout.removeAll(path);
  if (!dialout.isEmpty())
    report.text += QCoreApplication::translate(
                       "PortDiscovery",
                       "\nNo permission to open %1: add your user to the dialout group "
                       "(sudo usermod -aG dialout $USER) and log in again.")
                       .arg(dialout.join(QStringLiteral(", ")));
  if (!result.deniedOutsideDialout.isEmpty())
    report.text +=
        QCoreApplication::translate(
            "PortDiscovery",
            "\nNo permission to open %1, which the dialout group may not open either: an "
            "administrator must grant access, for example with a udev rule that gives the "
            "device to the dialout group.")
            .arg(result.deniedOutsideDialout.join(QStringLiteral(", ")));
  return report;
}

}  // namespace orbek
