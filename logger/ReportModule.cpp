#include "logger/ReportModule.h"

#include "storage/Modules.h"
#include "storage/SaveError.h"

namespace orbek {

namespace {

const ReportEntry& LoadModule() {
  QString why;
  using EntryFunction = const ReportEntry* (*)();
  const auto entry = reinterpret_cast<EntryFunction>(
      ModuleEntry(QStringLiteral("orbek-report.so"), "orbek_report_entry", &why));
  if (entry == nullptr)
    throw SaveError(QStringLiteral("cannot make reports: %1").arg(why).toStdString());
  return *entry();
}

}  // namespace

const ReportEntry& ReportModule() {
  static const ReportEntry& entry = LoadModule();  // a failure is tried again at the next call
  return entry;
}

}  // namespace orbek
