#pragma once

#include <QByteArray>

namespace orbek {

class Workbook;

// The "Workbook" stream of an Excel 97-2003 file: BIFF8 records for the
// workbook globals, then one substream per worksheet.
QByteArray Biff8WorkbookStream(const Workbook& workbook);

// A whole .xls file: the stream inside an OLE2 compound document.
QByteArray Biff8File(const Workbook& workbook);

}  // namespace orbek
