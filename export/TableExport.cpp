#include "export/TableExport.h"

#include "export/ExcelAutomation.h"
#include "export/WorkbookError.h"
#include "export/WorkbookLook.h"

namespace orbek {

namespace {

// A heading is read into a buffer of 256 characters, its terminator included.
constexpr int kMaxHeadingLength = 255;
// Pixels of table column per character of sheet column.
constexpr int kPixelsPerCharacter = 6;

}  // namespace

void MakeCellRef(int row, int column, QString& ref) {
  const QString strRow = QStringLiteral("%1 ").arg(row);
  ref = QString(QChar(64 + column)) + strRow;
}

void ExportToExcel(const ExportSource& table, const QString& strFile,
                   const std::function<void(Workbook&)>& extend) {
  const QVariant covTrue(static_cast<short>(1));
  const QVariant covOptional;

  CXlApplication app;
  if (!app.CreateDispatch(QStringLiteral("Excel.Application")))
    throw WorkbookUnavailable("No workbook component could be started");
  CXlWorkbooks books = app.Workbooks();
  CXlWorkbook book = books.Add(covOptional);
  CXlWorksheets sheets = book.Worksheets();
  CXlWorksheet sheet = sheets.Item(QVariant(static_cast<short>(1)));

  const int rows = table.ItemCount();
  const int cols = table.HeaderItemCount();

  QString colname;
  CXlRange range;
  for (int c = 0; c < cols; ++c) {
    MakeCellRef(1, c + 1, colname);
    range = sheet.Range(colname, colname);
    range.SetValue2(table.HeaderText(c).left(kMaxHeadingLength));
    const qint32 width = table.ColumnWidth(c) / kPixelsPerCharacter;
    range.SetColumnWidth(QVariant(width));
  }

  range = sheet.Range(QStringLiteral("A1 "), colname);
  range.SetRowHeight(QVariant(static_cast<qint32>(kHeadingRowPoints)));
  CXlFont font = range.Font();
  font.SetBold(covTrue);
  range.SetVerticalAlignment(QVariant(xlCenter));

  TextArray saRet(rows, cols);
  range = sheet.Range(QStringLiteral("A2 "), covOptional);
  range = range.Resize(QVariant(static_cast<short>(rows)), QVariant(static_cast<short>(cols)));
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c)
      saRet.At(r, c) = table.ItemText(r, c);
  range.SetValue2(QVariant::fromValue(saRet));

  if (extend) book.Extend(extend);
  book.SaveCopyAs(strFile);
  book.SetSaved(true);
  book.ReleaseDispatch();
  books.ReleaseDispatch();
  app.Quit();
  app.ReleaseDispatch();
}

}  // namespace orbek
