#include "logger/ReportModule.h"

#include <QLibrary>

#include "storage/Modules.h"
#include "storage/SaveError.h"

namespace orbek {

namespace {

// QLibrary does not unload a library when it is destroyed: the module stays.
const ReportEntry& LoadModule() {
  QLibrary module(ModulePath(QStringLiteral("orbek-report.so")));
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
