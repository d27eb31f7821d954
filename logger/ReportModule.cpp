#include "logger/ReportModule.h"

#include <QFileInfo>
#include <QLibrary>

#include "storage/SaveError.h"

namespace orbek {

namespace {

// Found from the program's own file rather than QCoreApplication, which a
// report run makes through this module.
QString ModulePath() {
  const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
  return QFileInfo(program).absolutePath() + QStringLiteral("/" ORBEK_MODULES_FROM_BINDIR) +
         QStringLiteral("/orbek-report.so");
}

// QLibrary does not unload a library when it is destroyed: the module stays.
const ReportEntry& LoadModule() {
  QLibrary module(ModulePath());
  using EntryFunction = const ReportEntry* (*)();
  const auto entry = reinterpret_cast<EntryFunction>(module.resolve("orbek_report_entry"));
  if (entry == nullptr)
    throw SaveError(
        QStringLiteral("cannot make reports: %1").arg(module.errorString()).toStdString());
  return *entry();
}

}  // namespace

const ReportEntry& ReportModule() {
  static const ReportEntry& entry = LoadModule();  // a failure is tried again at the next call
  return entry;
}

}  // namespace orbek
