#pragma once

#include <QAbstractTableModel>
#include <QFont>
#include <QGlyphRun>
#include <QHash>
#include <QList>
#include <QString>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <vector>

#include "export/TableExport.h"

namespace orbek {

// The cells of the readings table: rows of texts under column headings.
class ReadingsModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit ReadingsModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  struct Column {
    QString heading;
    Qt::Alignment alignment;
  };
  // Columns at `column`, told to the view at once.
  void InsertColumns(int column, const std::vector<Column>& added);
  // Rows at `row`, each with its first cell's text, told to the view at once.
  void InsertRows(int row, const QStringList& firstCells);
  bool SetText(int row, int column, const QString& text);
  // Asks for a frame even when no cell changes.
  void RequestFrame();
  // Ends a frame under way now rather than at its time.
  void ShowNow();
  void SetFrameMs(int ms) { frame_.setInterval(ms); }
  int FrameMs() const { return frame_.interval(); }
  QString Text(int row, int column) const;
  QString Heading(int column) const;

 private:
  void ShowChanged();
  void ShiftCells(std::size_t row, std::size_t column, std::size_t count);

 signals:
  // Once a frame, after the views have heard of the `rows` changed (from
  // the first to the last changed).
  void FrameShown(int rows);

 private:
  std::vector<Column> columns_;
  // Each row's first cell, kept apart: the 5001 rows are made at start-up
  // with their numbers and most stay empty but for them, so the numbers are
  // the one list they came in, and an empty row allocates nothing.
  QStringList firstCells_;
  // Each row's cells after the first, up to its last with text.
  std::vector<std::vector<QString>> otherCells_;
  QTimer frame_;  // the views hear of changed cells once a frame
  int changedFirst_ = -1, changedLast_ = -1;
};

// The texts "0" to "count - 1", for a table's numbered rows. They are views
// of one buffer, made once for a count and kept while the program runs:
// 5001 strings of their own were a millisecond of the window's start.
QStringList RowNumbers(int count);

// Draws a plain cell (text, neither selected nor focused) as the style
// does, from a text laid out once and kept, and hands every other cell to
// the style. The style lays a cell's text out three times at every paint
// (to size it, to elide it, to draw it), and while a meter streams every
// row in view is new at every frame; most values and temperatures repeat.
class ReadingsDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

  // What a text is laid out for: a line of a width, aligned one way (in
  // the font every kept text shares).
  struct Line {
    QString text;
    int width;
    int alignment;
    Qt::LayoutDirection direction;
    bool operator==(const Line&) const = default;
  };

 private:
  // A text laid out: its glyphs, where the layout puts them, and its size.
  struct Laid {
    QList<QGlyphRun> glyphs;
    qreal width;  // of the text itself
    QSize box;    // the layout's bounding box, which the cell aligns
  };
  const Laid& LaidOut(const Line& line, const QFont& font) const;

  mutable QHash<Line, Laid> laid_;
  mutable QFont laidFont_;
};

size_t qHash(const ReadingsDelegate::Line& line, size_t seed = 0);

// The report-style table of readings: one line per row, grid lines, whole
// rows selected, no row header. Cells are set one at a time as readings
// arrive, so a write touches only its own cell.
class ReadingsTable : public QTableView, public ExportSource {
  Q_OBJECT

 public:
  explicit ReadingsTable(QWidget* parent = nullptr);

  // The area inside the border, where the columns are laid out.
  QRect ClientRect() const { return contentsRect(); }
  void SetFullRowSelect(bool on);
  void SetGridLines(bool on);

  void InsertColumn(int column, const QString& heading, Qt::Alignment alignment, int width);
  struct Heading {
    QString text;
    Qt::Alignment alignment;
    int width;
  };
  // Columns at `column`: told of each alone, the view measures every
  // heading again.
  void InsertColumns(int column, const std::vector<Heading>& headings);
  void InsertItem(int row, const QString& text);
  // Items at `row`, one a text; a view lays out thousands at once faster
  // than one at a time.
  void InsertItems(int row, const QStringList& texts);
  // Sets one cell; a row that does not exist is left alone (returns false).
  bool SetItemText(int row, int column, const QString& text);
  QString ItemText(int row, int column) const override;
  // Scrolls until the whole row is in view. Readings can come faster than
  // the screen refreshes, and every scroll moves the whole picture, so the
  // scroll happens at the next frame, to the last row asked for, together
  // with the cells changed: one paint, not one for each.
  void EnsureVisible(int row);
  // What changed in the frame under way is shown now: the last rows of a
  // stream that ended do not wait for the frame's time.
  void ShowChangesNow() { model_.ShowNow(); }

  int ItemCount() const override { return model_.rowCount(); }
  int HeaderItemCount() const override { return model_.columnCount(); }
  QString HeaderText(int column) const override { return model_.Heading(column); }
  int ColumnWidth(int column) const override { return columnWidth(column); }
  int FrameMs() const { return model_.FrameMs(); }

 protected:
  void focusInEvent(QFocusEvent* event) override;

 private:
  void EndFrame(int rowsChanged);
  void ScrollToPendingRow();

  ReadingsModel model_;
  ReadingsDelegate delegate_;
  int pendingRow_ = -1;
};

}  // namespace orbek
