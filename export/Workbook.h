#pragma once

#include <QString>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "export/CellText.h"
#include "export/WorkbookLook.h"

namespace orbek {

enum class VerticalAlignment { Bottom, Center, Top };

// How a cell is drawn. Date-times get the date format on their own.
struct CellStyle {
  bool bold = false;
  VerticalAlignment vertical = VerticalAlignment::Bottom;
  bool operator==(const CellStyle&) const = default;
};

struct Cell {
  CellContent content;
  CellStyle style;
};

// One worksheet: cells by row and column (both from 0), column widths in
// characters and row heights in points.
class Worksheet {
 public:
  explicit Worksheet(QString name) : name_(std::move(name)) {}

  const QString& Name() const { return name_; }
  Cell& At(int row, int column);
  const Cell* Find(int row, int column) const;
  void SetColumnWidth(int column, double characters) { columnWidths_[column] = characters; }
  void SetRowHeight(int row, double points) { rowHeights_[row] = points; }

  int RowCount() const { return static_cast<int>(rows_.size()); }
  int ColumnCount() const { return columns_; }
  const std::map<int, double>& ColumnWidths() const { return columnWidths_; }
  const std::map<int, double>& RowHeights() const { return rowHeights_; }

  // The largest sheet the .xls format holds.
  static constexpr int kMaxRows = kXlsSheetRows;
  static constexpr int kMaxColumns = 256;

 private:
  QString name_;
  std::vector<std::vector<Cell>> rows_;
  int columns_ = 0;
  std::map<int, double> columnWidths_;
  std::map<int, double> rowHeights_;
};

// What a workbook says of itself, shown by a spreadsheet program's
// document properties.
struct DocumentProperties {
  QString title, subject, author, keywords, comments;
};

// A line chart of columns of a sheet against another column of it (rows
// `firstRow` to `lastRow`, the headings' row 0 naming each series), placed
// over a sheet with its top-left corner at a cell.
struct WorkbookChart {
  struct Series {
    int column = 0;
    std::uint32_t rgb = 0;  // 0xRRGGBB
    bool dashed = false;
    int firstRow = -1, lastRow = -1;  // its rows; -1: the chart's
    QString name;                     // empty: the column's heading
  };
  QString title;
  QString xFormat;  // how the x axis shows its numbers; empty for plain
  QString xTitle, yTitle;
  bool lines = true;  // false: each reading a point, none joined
  int dataSheet = 0, xColumn = 0, firstRow = 1, lastRow = 1;
  std::vector<Series> series;
  int sheet = 0, row = 0, column = 0;  // where it stands
};

// A workbook held in memory until it is saved. A new one has one worksheet,
// "Sheet1".
class Workbook {
 public:
  Workbook();

  // A new worksheet after the others.
  Worksheet& AddSheet(const QString& name);
  DocumentProperties properties;
  // Drawn in .xlsx only: the .xls writer keeps to cells.
  std::vector<WorkbookChart> charts;

  Worksheet& Sheet(int index) { return *sheets_.at(static_cast<std::size_t>(index)); }
  const Worksheet& Sheet(int index) const { return *sheets_.at(static_cast<std::size_t>(index)); }
  int SheetCount() const { return static_cast<int>(sheets_.size()); }

  // Writes the workbook in the format its extension names: Office Open XML
  // for ".xlsx", Excel 97-2003 (BIFF8) otherwise. The file is replaced only
  // once the new one is complete; on failure the old one is left as it was
  // and WorkbookError says why.
  void SaveCopyAs(const QString& path) const;

 private:
  std::vector<std::unique_ptr<Worksheet>> sheets_;
};

}  // namespace orbek
