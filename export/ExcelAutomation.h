#pragma once

#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>

namespace orbek {

// A block of texts, rows by columns, put into a range in one call.
struct TextArray {
  TextArray() = default;
  TextArray(int rowCount, int columnCount)
      : rows(rowCount), columns(columnCount), cells(rowCount * columnCount) {}
  QString& At(int row, int column) { return cells[row * columns + column]; }
  const QString& At(int row, int column) const { return cells[row * columns + column]; }

  int rows = 0;
  int columns = 0;
  QStringList cells;
};

// Values the members take: an omitted optional argument is an invalid
// QVariant; xlCenter is the vertical alignment "centre".
inline constexpr short xlCenter = -4108;
inline constexpr short xlTop = -4160;
inline constexpr short xlBottom = -4107;

class Workbook;

namespace automation {
struct Application;
struct Book;
struct Area;
}  // namespace automation

class CXlWorkbooks;
class CXlWorkbook;
class CXlWorksheets;
class CXlWorksheet;
class CXlRange;
class CXlFont;

// Thin handles on a spreadsheet application and its objects, with the
// members the export uses. Each holds one reference to its object; copying
// shares it, ReleaseDispatch drops it. A member called on an empty handle,
// or that the object rejects, throws WorkbookError.
class CXlApplication {
 public:
  // Starts the automation server registered under `progId`; false if there
  // is none. "Excel.Application" is the in-process workbook component.
  bool CreateDispatch(const QString& progId);
  CXlWorkbooks Workbooks() const;
  void Quit();
  void ReleaseDispatch() { app_.reset(); }

  // Whether "Excel.Application" can be created here. Tests switch it off to
  // play a machine without one.
  static void SetAvailable(bool available);

 private:
  std::shared_ptr<automation::Application> app_;
};

class CXlWorkbooks {
 public:
  CXlWorkbooks() = default;
  // A new workbook from the default template (one worksheet, "Sheet1").
  CXlWorkbook Add(const QVariant& templateName) const;
  void ReleaseDispatch() { app_.reset(); }

 private:
  friend class CXlApplication;
  std::shared_ptr<automation::Application> app_;
};

class CXlWorkbook {
 public:
  CXlWorkbook() = default;
  CXlWorksheets Worksheets() const;
  // Saves a copy under `filename`, in the format its extension names.
  void SaveCopyAs(const QVariant& filename) const;
  void SetSaved(bool saved) const;
  // Lets `extend` add to the workbook what no automation member puts in:
  // sheets of typed cells, document properties, charts.
  void Extend(const std::function<void(Workbook&)>& extend) const;
  void ReleaseDispatch() { book_.reset(); }

 private:
  friend class CXlWorkbooks;
  std::shared_ptr<automation::Book> book_;
};

class CXlWorksheets {
 public:
  CXlWorksheets() = default;
  // Worksheet by 1-based index.
  CXlWorksheet Item(const QVariant& index) const;
  void ReleaseDispatch() { book_.reset(); }

 private:
  friend class CXlWorkbook;
  std::shared_ptr<automation::Book> book_;
};

class CXlWorksheet {
 public:
  CXlWorksheet() = default;
  // The cells from `cell1` to `cell2` ("A1", "D1"; surrounding blanks are
  // ignored). An omitted `cell2` gives the single cell.
  CXlRange Range(const QVariant& cell1, const QVariant& cell2) const;
  void ReleaseDispatch() { book_.reset(); }

 private:
  friend class CXlWorksheets;
  std::shared_ptr<automation::Book> book_;
  int sheet_ = 0;
};

class CXlRange {
 public:
  CXlRange() = default;
  // A text for every cell, a TextArray of the range's size, or a number.
  void SetValue2(const QVariant& value) const;
  // Width of the range's columns, in characters.
  void SetColumnWidth(const QVariant& width) const;
  // Height of the range's rows, in points.
  void SetRowHeight(const QVariant& height) const;
  CXlFont Font() const;
  void SetVerticalAlignment(const QVariant& alignment) const;
  // The range of `rows` by `columns` cells with the same top-left cell.
  CXlRange Resize(const QVariant& rows, const QVariant& columns) const;
  void ReleaseDispatch() { area_.reset(); }

 private:
  friend class CXlWorksheet;
  std::shared_ptr<automation::Area> area_;
};

class CXlFont {
 public:
  CXlFont() = default;
  void SetBold(const QVariant& bold) const;
  void ReleaseDispatch() { area_.reset(); }

 private:
  friend class CXlRange;
  std::shared_ptr<automation::Area> area_;
};

}  // namespace orbek

Q_DECLARE_METATYPE(orbek::TextArray)
