#include "export/WorkbookWriter.h"

#include "export/Biff8Writer.h"
#include "export/OutputFormats.h"
#include "export/XlsxWriter.h"

namespace orbek {

WorkbookFormat FormatOf(const QString& path) {
  return OutputFormatOf(path) == OutputFormat::Xlsx ? WorkbookFormat::Xlsx : WorkbookFormat::Xls;
}

std::unique_ptr<WorkbookWriter> OpenWorkbookWriter(const QString& path, WorkbookFormat format,
                                                   const DocumentProperties& properties) {
  if (format == WorkbookFormat::Xlsx) return OpenXlsxWriter(path, properties);
  return OpenXlsWriter(path, properties);
}

void WriteWorkbook(const Workbook& workbook, WorkbookWriter& writer) {
  for (int s = 0; s < workbook.SheetCount(); ++s)
    writer.AddSheet(workbook.Sheet(s).Name(), workbook.Sheet(s).ColumnWidths());
  for (int s = 0; s < workbook.SheetCount(); ++s) {
    const Worksheet& sheet = workbook.Sheet(s);
    const auto& heights = sheet.RowHeights();
    const int rows = std::max(sheet.RowCount(), heights.empty() ? 0 : heights.rbegin()->first + 1);
    std::vector<Cell> cells;
    for (int row = 0; row < rows; ++row) {
      cells.clear();
      for (int column = 0; column < sheet.ColumnCount(); ++column) {
        const Cell* cell = sheet.Find(row, column);
        cells.push_back(cell != nullptr ? *cell : Cell{});
      }
      while (!cells.empty() && cells.back().content.kind == CellContent::Kind::Empty &&
             cells.back().style == CellStyle{})
        cells.pop_back();
      const auto height = heights.find(row);
      const double points = height != heights.end() ? height->second : 0.0;
      if (!cells.empty() || points > 0.0) writer.AddRow(s, row, cells, points);
    }
  }
  for (const WorkbookChart& chart : workbook.charts)
    writer.AddChart(chart);
  writer.Finish();
}

int InMemoryWriter::AddSheet(const QString& name, const std::map<int, double>& columnWidths) {
  Worksheet& sheet = workbook_.AddSheet(name);
  for (const auto& [column, width] : columnWidths)
    sheet.SetColumnWidth(column, width);
  return workbook_.SheetCount() - 1;
}

void InMemoryWriter::AddRow(int sheet, int row, const std::vector<Cell>& cells, double points) {
  Worksheet& target = workbook_.Sheet(sheet);
  for (std::size_t c = 0; c < cells.size(); ++c)
    target.At(row, static_cast<int>(c)) = cells[c];
  if (points > 0.0) target.SetRowHeight(row, points);
}

}  // namespace orbek
