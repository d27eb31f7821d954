#pragma once

#include <QString>
#include <map>
#include <memory>
#include <vector>

#include "export/Workbook.h"

namespace orbek {

// Writes a workbook file sheet by sheet and row by row, in memory that does
// not grow with the rows: the only writer of each format, behind the
// window's export and orbek-log's --output alike. Sheets stand in the order
// they are added; rows may go to any sheet at any time, each sheet's in
// rising order, so that a sheet added early (Details) can be filled last.
class WorkbookWriter {
 public:
  virtual ~WorkbookWriter() = default;
  // A sheet after the others, with column widths in characters (0: the
  // column is hidden); returns its index, from 0.
  virtual int AddSheet(const QString& name, const std::map<int, double>& columnWidths) = 0;
  // Row `row` of sheet `sheet`, after every row it has so far; `points` sets
  // the row's height (0: the default).
  virtual void AddRow(int sheet, int row, const std::vector<Cell>& cells, double points = 0) = 0;
  // A chart over sheets already added. Only .xlsx draws charts; .xls keeps
  // to cells.
  virtual void AddChart(const WorkbookChart& chart) = 0;
  // Completes the file. Every step throws WorkbookError on failure.
  virtual void Finish() = 0;
};

enum class WorkbookFormat { Xls, Xlsx };
// .xlsx for that ending, otherwise .xls (Excel 97-2003).
WorkbookFormat FormatOf(const QString& path);

// A writer of `path` (created or overwritten) in `format`, with
// `properties`; its work files go beside it. Throws WorkbookError.
std::unique_ptr<WorkbookWriter> OpenWorkbookWriter(const QString& path, WorkbookFormat format,
                                                   const DocumentProperties& properties);

// The writer's calls that give a workbook held in memory.
void WriteWorkbook(const Workbook& workbook, WorkbookWriter& writer);

// A writer into a workbook held in memory, for what builds a workbook
// through the writer's calls but is saved with the window's export.
class InMemoryWriter : public WorkbookWriter {
 public:
  explicit InMemoryWriter(Workbook& workbook) : workbook_(workbook) {}
  int AddSheet(const QString& name, const std::map<int, double>& columnWidths) override;
  void AddRow(int sheet, int row, const std::vector<Cell>& cells, double points) override;
  void AddChart(const WorkbookChart& chart) override { workbook_.charts.push_back(chart); }
  void Finish() override {}

 private:
  Workbook& workbook_;
};

}  // namespace orbek
