#pragma once

#include <QByteArray>
#include <functional>
#include <memory>

#include "export/Workbook.h"

struct _GsfOutput;

namespace orbek {

class WorkbookWriter;

// The writer of Excel 97-2003 (.xls) workbooks: BIFF8 records for the
// workbook globals, then one substream per worksheet, in the "Workbook"
// stream of an OLE2 compound document. `path` is created or overwritten;
// the work files go beside it. Throws WorkbookError.
std::unique_ptr<WorkbookWriter> OpenXlsWriter(const QString& path,
                                             const DocumentProperties& properties);

// Writes an OLE2 compound document to `sink` with one "Workbook" stream,
// whose bytes `write` puts in by calling `put` as often as it likes, and
// the document properties given; false when any step fails.
using Biff8Put = std::function<bool(const QByteArray&)>;
bool WriteBiff8Document(_GsfOutput* sink, const std::function<bool(const Biff8Put&)>& write,
                        const DocumentProperties& properties = {});

}  // namespace orbek
