#pragma once

#include <QByteArray>
#include <QString>
#include <list>
#include <memory>

struct lxw_workbook;

namespace orbek {

class WorkbookWriter;
struct DocumentProperties;

// Texts libxlsxwriter keeps pointers to until its workbook is closed.
using KeptTexts = std::list<QByteArray>;

// Gives a libxlsxwriter workbook the document properties; the texts are
// kept in `texts`. Throws WorkbookError.
void WriteXlsxProperties(lxw_workbook* book, const DocumentProperties& properties,
                         KeptTexts& texts);

// The writer of Office Open XML (.xlsx) workbooks, through libxlsxwriter in
// its constant-memory mode: each row goes out to its sheet's work file as
// the sheet's next row starts. `path` is created or overwritten; the work
// files go beside it. Throws WorkbookError with the reason on failure.
std::unique_ptr<WorkbookWriter> OpenXlsxWriter(const QString& path,
                                               const DocumentProperties& properties);

// libxlsxwriter reports success even when its own writes failed (a full
// disk, a file size limit): it stages each part in a work file and does not
// check those writes, so the archive can come out truncated, or whole but
// with truncated parts. So a written archive is read back: every part must
// inflate to its recorded size and checksum, and every XML part must end
// its root element. Throws WorkbookError when one does not.
void CheckXlsxComplete(const QString& path);

}  // namespace orbek
