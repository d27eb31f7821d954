#include "report/ReportEntry.h"

#include <QGuiApplication>

#include "report/TransferReport.h"

namespace {

std::unique_ptr<QCoreApplication> MakeGuiApplication(int& argc, char** argv) {
  // The report is drawn off screen, display or none.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  return std::make_unique<QGuiApplication>(argc, argv);
}

constexpr orbek::ReportEntry kEntry{MakeGuiApplication, orbek::WriteTransferReport};

}  // namespace

extern "C" __attribute__((visibility("default"))) const orbek::ReportEntry* orbek_report_entry() {
  return &kEntry;
}
