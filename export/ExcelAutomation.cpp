#include "export/ExcelAutomation.h"

#include <QRegularExpression>
#include <vector>

#include "export/Workbook.h"
#include "export/WorkbookError.h"

namespace orbek {

namespace automation {

struct Application {
  std::vector<std::shared_ptr<Book>> books;
  bool quit = false;
};

struct Book {
  Workbook workbook;
  bool saved = false;
};

// A block of cells of one sheet, from 0.
struct Area {
  std::shared_ptr<Book> book;
  int sheet = 0;
  int row = 0, column = 0, rows = 1, columns = 1;

  Worksheet& Sheet() const { return book->workbook.Sheet(sheet); }
  template <typename F>
  void ForEachCell(F&& f) const {
    for (int r = row; r < row + rows; ++r)
      for (int c = column; c < column + columns; ++c)
        f(Sheet().At(r, c), r - row, c - column);
  }
};

}  // namespace automation

namespace {

const QString kExcelProgId = QStringLiteral("Excel.Application");
bool excelAvailable = true;

// The largest text a cell holds.
constexpr int kMaxCellText = 32767;

[[noreturn]] void Fail(const QString& what) {
  throw WorkbookError(what.toStdString());
}

template <typename T>
T& Object(const std::shared_ptr<T>& object, const char* kind) {
  if (!object) Fail(QStringLiteral("The %1 object is not connected").arg(QLatin1String(kind)));
  return *object;
}

double Number(const QVariant& value, const char* what) {
  bool ok = false;
  const double number = value.toDouble(&ok);
  if (!value.isValid() || !ok) Fail(QStringLiteral("%1 must be a number").arg(QLatin1String(what)));
  return number;
}

// "B12" -> row 11, column 1. Blanks around the reference are ignored.
void ParseReference(const QVariant& reference, int& row, int& column) {
  static const QRegularExpression pattern(QStringLiteral(R"(^\s*([A-Za-z]{1,3})([0-9]{1,7})\s*$)"));
  const QString text = reference.toString();
  const auto match = pattern.match(text);
  if (!match.hasMatch()) Fail(QStringLiteral("\"%1\" is not a cell reference").arg(text));
  column = 0;
  for (const QChar letter : match.captured(1).toUpper())
    column = column * 26 + (letter.unicode() - 'A' + 1);
  row = match.captured(2).toInt();
  if (row < 1) Fail(QStringLiteral("\"%1\" is not a cell reference").arg(text));
  --row;
  --column;
}

CellContent ContentOf(const QString& text) {
  if (text.size() > kMaxCellText)
    Fail(QStringLiteral("A cell holds at most %1 characters, not %2")
             .arg(kMaxCellText)
             .arg(text.size()));
  return InterpretText(text);
}

}  // namespace

// --- application, workbooks, workbook, worksheets ------------------------

void CXlApplication::SetAvailable(bool available) {
  excelAvailable = available;
}

bool CXlApplication::CreateDispatch(const QString& progId) {
  if (progId != kExcelProgId || !excelAvailable) return false;
  app_ = std::make_shared<automation::Application>();
  return true;
}

CXlWorkbooks CXlApplication::Workbooks() const {
  auto& app = Object(app_, "application");
  if (app.quit) Fail(QStringLiteral("The application has quit"));
  CXlWorkbooks books;
  books.app_ = app_;
  return books;
}

void CXlApplication::Quit() {
  Object(app_, "application").quit = true;
  app_->books.clear();
}

CXlWorkbook CXlWorkbooks::Add(const QVariant& /*templateName*/) const {
  auto& app = Object(app_, "workbooks");
  if (app.quit) Fail(QStringLiteral("The application has quit"));
  CXlWorkbook book;
  book.book_ = std::make_shared<automation::Book>();
  app.books.push_back(book.book_);
  return book;
}

CXlWorksheets CXlWorkbook::Worksheets() const {
  CXlWorksheets sheets;
  Object(book_, "workbook");
  sheets.book_ = book_;
  return sheets;
}

void CXlWorkbook::SaveCopyAs(const QVariant& filename) const {
  const QString path = filename.toString();
  if (path.isEmpty()) Fail(QStringLiteral("No file name was given"));
  Object(book_, "workbook").workbook.SaveCopyAs(path);
}

void CXlWorkbook::Extend(const std::function<void(Workbook&)>& extend) const {
  extend(Object(book_, "workbook").workbook);
}

void CXlWorkbook::SetSaved(bool saved) const {
  Object(book_, "workbook").saved = saved;
}

CXlWorksheet CXlWorksheets::Item(const QVariant& index) const {
  auto& book = Object(book_, "worksheets");
  const int number = static_cast<int>(Number(index, "A worksheet index"));
  if (number < 1 || number > book.workbook.SheetCount())
    Fail(QStringLiteral("The workbook has no worksheet %1").arg(number));
  CXlWorksheet sheet;
  sheet.book_ = book_;
  sheet.sheet_ = number - 1;
  return sheet;
}

// --- ranges -----------------------------------------------------------------

CXlRange CXlWorksheet::Range(const QVariant& cell1, const QVariant& cell2) const {
  Object(book_, "worksheet");
  int row1 = 0, column1 = 0;
  ParseReference(cell1, row1, column1);
  int row2 = row1, column2 = column1;
  if (cell2.isValid()) ParseReference(cell2, row2, column2);
  CXlRange range;
  range.area_ = std::make_shared<automation::Area>(
      automation::Area{book_, sheet_, std::min(row1, row2), std::min(column1, column2),
                       std::abs(row2 - row1) + 1, std::abs(column2 - column1) + 1});
  return range;
}

void CXlRange::SetValue2(const QVariant& value) const {
  const auto& area = Object(area_, "range");
  if (value.metaType() == QMetaType::fromType<TextArray>()) {
    const auto array = value.value<TextArray>();
    if (array.rows != area.rows || array.columns != area.columns)
      Fail(QStringLiteral("A %1 x %2 array does not fit a %3 x %4 range")
               .arg(array.rows)
               .arg(array.columns)
               .arg(area.rows)
               .arg(area.columns));
    // Interpret every text first, so a rejected one changes no cell.
    std::vector<CellContent> contents;
    contents.reserve(static_cast<std::size_t>(array.cells.size()));
    for (const QString& text : array.cells)
      contents.push_back(ContentOf(text));
    area.ForEachCell([&](Cell& cell, int r, int c) {
      cell.content = std::move(contents[static_cast<std::size_t>(r * area.columns + c)]);
    });
    return;
  }
  if (value.metaType() == QMetaType::fromType<QString>()) {
    const CellContent content = ContentOf(value.toString());
    area.ForEachCell([&](Cell& cell, int, int) { cell.content = content; });
    return;
  }
  CellContent number;
  number.kind = CellContent::Kind::Number;
  number.number = Number(value, "A cell value");
  area.ForEachCell([&](Cell& cell, int, int) { cell.content = number; });
}

void CXlRange::SetColumnWidth(const QVariant& width) const {
  const auto& area = Object(area_, "range");
  const double characters = Number(width, "A column width");
  if (characters < 0 || characters > 255)
    Fail(QStringLiteral("A column width lies between 0 and 255"));
  for (int c = area.column; c < area.column + area.columns; ++c)
    area.Sheet().SetColumnWidth(c, characters);
}

void CXlRange::SetRowHeight(const QVariant& height) const {
  const auto& area = Object(area_, "range");
  const double points = Number(height, "A row height");
  if (points < 0 || points > 409)
    Fail(QStringLiteral("A row height lies between 0 and 409 points"));
  for (int r = area.row; r < area.row + area.rows; ++r)
    area.Sheet().SetRowHeight(r, points);
}

CXlFont CXlRange::Font() const {
  Object(area_, "range");
  CXlFont font;
  font.area_ = area_;
  return font;
}

void CXlRange::SetVerticalAlignment(const QVariant& alignment) const {
  const auto& area = Object(area_, "range");
  VerticalAlignment vertical = VerticalAlignment::Bottom;
  switch (static_cast<int>(Number(alignment, "A vertical alignment"))) {
    case xlCenter:
      vertical = VerticalAlignment::Center;
      break;
    case xlTop:
      vertical = VerticalAlignment::Top;
      break;
    case xlBottom:
      break;
    default:
      Fail(QStringLiteral("Unknown vertical alignment %1").arg(alignment.toString()));
  }
  area.ForEachCell([&](Cell& cell, int, int) { cell.style.vertical = vertical; });
}

CXlRange CXlRange::Resize(const QVariant& rows, const QVariant& columns) const {
  const auto& area = Object(area_, "range");
  const int rowCount = static_cast<int>(Number(rows, "A row count"));
  const int columnCount = static_cast<int>(Number(columns, "A column count"));
  if (rowCount < 1 || columnCount < 1) Fail(QStringLiteral("A range has at least one cell"));
  CXlRange resized;
  resized.area_ = std::make_shared<automation::Area>(area);
  resized.area_->rows = rowCount;
  resized.area_->columns = columnCount;
  return resized;
}

void CXlFont::SetBold(const QVariant& bold) const {
  const auto& area = Object(area_, "font");
  const bool on = Number(bold, "Bold") != 0;
  area.ForEachCell([&](Cell& cell, int, int) { cell.style.bold = on; });
}

}  // namespace orbek
