#pragma once

#include <QString>
#include <memory>

class QCoreApplication;

namespace orbek {

struct ReportOrigin;
struct TransferRecord;

// What the report module gives the program that loads it. orbek-log loads
// it only for a run that makes a report, so that its other runs start without
// Qt Gui, its fonts and its platform plugin.
struct ReportEntry {
  // A QGuiApplication drawing off screen: a report's text needs its fonts.
  std::unique_ptr<QCoreApplication> (*makeApplication)(int& argc, char** argv);
  // See WriteTransferReport.
  void (*writeTransferReport)(const QString& path, const TransferRecord& transfer,
                              const ReportOrigin& origin);
};

}  // namespace orbek

// The module's one exported name.
extern "C" const orbek::ReportEntry* orbek_report_entry();
