#pragma once

#include <QByteArray>
#include <QString>
#include <list>

struct lxw_workbook;

namespace orbek {

class Workbook;
struct DocumentProperties;

// Texts libxlsxwriter keeps pointers to until its workbook is closed.
using KeptTexts = std::list<QByteArray>;

// Gives a libxlsxwriter workbook the document properties; the texts are
// kept in `texts`. Throws WorkbookError.
void WriteXlsxProperties(lxw_workbook* book, const DocumentProperties& properties,
                         KeptTexts& texts);

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
