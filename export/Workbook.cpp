#include "export/Workbook.h"

#include <QFileInfo>

#include "export/WorkbookError.h"
#include "export/WorkbookWriter.h"
#include "storage/SafeSave.h"

namespace orbek {

Cell& Worksheet::At(int row, int column) {
  if (row < 0 || row >= kMaxRows || column < 0 || column >= kMaxColumns)
    throw WorkbookError(QStringLiteral("Cell (%1, %2) lies outside the worksheet's %3 rows and "
                                       "%4 columns")
                            .arg(row + 1)
                            .arg(column + 1)
                            .arg(kMaxRows)
                            .arg(kMaxColumns)
                            .toStdString());
  if (row >= RowCount()) rows_.resize(static_cast<std::size_t>(row) + 1);
  auto& cells = rows_[static_cast<std::size_t>(row)];
  if (column >= static_cast<int>(cells.size())) cells.resize(static_cast<std::size_t>(column) + 1);
  columns_ = std::max(columns_, column + 1);
  return cells[static_cast<std::size_t>(column)];
}

const Cell* Worksheet::Find(int row, int column) const {
  if (row < 0 || row >= RowCount() || column < 0) return nullptr;
  const auto& cells = rows_[static_cast<std::size_t>(row)];
  return column < static_cast<int>(cells.size()) ? &cells[static_cast<std::size_t>(column)]
                                                 : nullptr;
}

Workbook::Workbook() {
  sheets_.push_back(std::make_unique<Worksheet>(QStringLiteral("Sheet1")));
}

Worksheet& Workbook::AddSheet(const QString& name) {
  sheets_.push_back(std::make_unique<Worksheet>(name));
  return *sheets_.back();
}

void Workbook::SaveCopyAs(const QString& path) const {
  SaveThroughTemporary(path, [this, &path](const QString& temporary) {
    const auto writer = OpenWorkbookWriter(temporary, FormatOf(path), properties);
    WriteWorkbook(*this, *writer);
  });
}

}  // namespace orbek
