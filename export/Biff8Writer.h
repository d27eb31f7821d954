#pragma once

#include <QByteArray>
#include <functional>

#include "export/Workbook.h"

struct _GsfOutput;

namespace orbek {

// The "Workbook" stream of an Excel 97-2003 file: BIFF8 records for the
// workbook globals, then one substream per worksheet.
QByteArray Biff8WorkbookStream(const Workbook& workbook);

// A whole .xls file: the stream inside an OLE2 compound document.
QByteArray Biff8File(const Workbook& workbook);

// Writes an OLE2 compound document to `sink` with one "Workbook" stream,
// whose bytes `write` puts in by calling `put` as often as it likes, and
// the document properties given; false when any step fails. Both .xls
// writers make their files with it.
using Biff8Put = std::function<bool(const QByteArray&)>;
bool WriteBiff8Document(_GsfOutput* sink, const std::function<bool(const Biff8Put&)>& write,
                        const DocumentProperties& properties = {});

}  // namespace orbek
