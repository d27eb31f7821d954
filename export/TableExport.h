#pragma once

#include <QString>
#include <functional>

namespace orbek {

class Workbook;

// What the export reads of a table: its rows, its column headings and
// pixel widths, and the text of every cell.
class ExportSource {
 public:
  virtual ~ExportSource() = default;
  virtual int ItemCount() const = 0;
  virtual int HeaderItemCount() const = 0;
  virtual QString HeaderText(int column) const = 0;
  virtual int ColumnWidth(int column) const = 0;
  virtual QString ItemText(int row, int column) const = 0;
};

// "A1 " for row 1, column 1: the column letter, the row number and a blank.
// Letters exist for columns 1 to 26.
void MakeCellRef(int row, int column, QString& ref);

// Copies the table into a new workbook, row 1 the headings (bold, centred
// vertically, 50 points high) and each table row below, with column widths
// of a sixth of the pixel widths, lets `extend` (when given) add to the
// workbook after that first sheet, and saves it as `path`. Every failure is
// thrown: WorkbookUnavailable when no workbook component can be started,
// WorkbookError when building or saving the workbook fails.
void ExportToExcel(const ExportSource& table, const QString& path,
                   const std::function<void(Workbook&)>& extend = {});

}  // namespace orbek
