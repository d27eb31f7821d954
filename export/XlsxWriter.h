#pragma once

#include <QString>

namespace orbek {

class Workbook;

// Writes the workbook as Office Open XML (.xlsx) to `path`, which is
// created or overwritten. Throws WorkbookError with the reason on failure.
void WriteXlsx(const Workbook& workbook, const QString& path);

// libxlsxwriter reports success even when its own writes failed (a full
// disk, a file size limit): it stages each part in a work file and does not
// check those writes, so the archive can come out truncated, or whole but
// with truncated parts. So a written archive is read back: every part must
// inflate to its recorded size and checksum, and every XML part must end
// its root element. Throws WorkbookError when one does not.
void CheckXlsxComplete(const QString& path);

}  // namespace orbek
