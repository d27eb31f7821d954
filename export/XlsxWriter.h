#pragma once

#include <QString>

namespace orbek {

class Workbook;

// Writes the workbook as Office Open XML (.xlsx) to `path`, which is
// created or overwritten. Throws WorkbookError with the reason on failure.
void WriteXlsx(const Workbook& workbook, const QString& path);

}  // namespace orbek
