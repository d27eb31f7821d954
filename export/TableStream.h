#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "export/CellText.h"
#include "export/Workbook.h"
#include "export/WorkbookLook.h"

namespace orbek {

// How a table looks in a workbook: its headings, in the first row of every
// sheet (bold, centred vertically, 50 points high), and its column widths in
// characters.
struct TableLook {
  QStringList headings;
  std::vector<double> columnWidths;
};

// Writes a table into a workbook row by row, in memory that does not grow
// with the rows, going on in a new sheet ("Sheet2", "Sheet3", ...) headed
// like the first whenever one is full. Each cell is typed as the table
// export types it: numbers, dates with times, texts.
class TableStream {
 public:
  virtual ~TableStream() = default;
  // A row of typed cells.
  virtual void AddCells(const std::vector<CellContent>& cells) = 0;
  // A row of texts, each typed as a spreadsheet program types what is
  // typed into a cell.
  void AddRow(const QStringList& cells);
  // After the table's last row: a sheet of its own, written whole, its
  // heading rows bold. No table row may follow.
  struct SheetRow {
    std::vector<CellContent> cells;
    bool heading = false;
  };
  virtual void AddSheet(const QString& name, const std::vector<SheetRow>& rows,
                        const std::vector<double>& columnWidths) = 0;
  // Completes the file. Throws WorkbookError.
  virtual void Finish() = 0;
};

enum class WorkbookFormat { Xls, Xlsx };
// .xlsx for that extension, otherwise .xls (Excel 97-2003).
WorkbookFormat FormatOf(const QString& path);

// A stream writing `path` (created or overwritten) in `format`, with
// `properties`; the work files go beside it. Throws WorkbookError.
std::unique_ptr<TableStream> OpenTableStream(const QString& path, WorkbookFormat format,
                                             const TableLook& look,
                                             const DocumentProperties& properties = {});

}  // namespace orbek
