#include "ui/ReadingsTable.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <algorithm>
#include <charconv>
#include <iterator>
#include <map>
#include <mutex>

#include "ui/FocusFrame.h"

namespace orbek {

namespace {

// How often the table shows what changed: 10 times a second. A meter at
// 115200 baud sends a thousand readings a second, a hundred rows a frame,
// more than a page: every frame paints every row in view afresh, and no eye
// reads rows that pass at either rate. A reading that comes alone shows
// within a tenth of a second.
constexpr int kFrameMs = 100;
// A frame that changed more rows than the view shows replaced every row
// in view, and so will the next, and painting a page of new texts is most
// of what a streaming meter costs the window. Those frames come once a
// second, until the readings slow: each page of the latest readings then
// stays long enough to be read, where at shorter frames none could be.
constexpr int kRushingFrameMs = 1000;

}  // namespace

int ReadingsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(otherCells_.size());
}

int ReadingsModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant ReadingsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (role == Qt::DisplayRole) return Text(index.row(), index.column());
  if (role == Qt::TextAlignmentRole)
    return QVariant::fromValue(columns_[static_cast<std::size_t>(index.column())].alignment |
                               Qt::AlignVCenter);
  return {};
}

QVariant ReadingsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  if (role == Qt::DisplayRole) return Heading(section);
  if (role == Qt::TextAlignmentRole)
    return QVariant::fromValue(columns_[static_cast<std::size_t>(section)].alignment |
                               Qt::AlignVCenter);
  return {};
}

void ReadingsModel::InsertColumns(int column, const std::vector<Column>& added) {
  if (added.empty()) return;
  column = std::clamp(column, 0, columnCount());
  beginInsertColumns({}, column, column + static_cast<int>(added.size()) - 1);
  columns_.insert(columns_.begin() + column, added.begin(), added.end());
  for (std::size_t row = 0; row < otherCells_.size(); ++row)
    ShiftCells(row, static_cast<std::size_t>(column), added.size());
  endInsertColumns();
}

// Makes room for `count` empty cells at `column` in a row that has cells
// past it.
void ReadingsModel::ShiftCells(std::size_t row, std::size_t column, std::size_t count) {
  std::vector<QString>& others = otherCells_[row];
  if (column > 0) {
    if (column - 1 < others.size()) others.insert(others.begin() + column - 1, count, QString());
    return;
  }
  QString& first = firstCells_[static_cast<qsizetype>(row)];
  if (first.isEmpty() && others.empty()) return;
  others.insert(others.begin(), first);
  others.insert(others.begin(), count - 1, QString());
  first.clear();
}

void ReadingsModel::InsertRows(int row, const QStringList& firstCells) {
  if (firstCells.isEmpty()) return;
  row = std::clamp(row, 0, rowCount());
  beginInsertRows({}, row, row + static_cast<int>(firstCells.size()) - 1);
  const QStringList texts = columns_.empty() ? QStringList(firstCells.size()) : firstCells;
  if (firstCells_.isEmpty())
    firstCells_ = texts;  // shared, not copied
  else
    firstCells_ = firstCells_.first(row) + texts + firstCells_.sliced(row);
  otherCells_.insert(otherCells_.begin() + row, static_cast<std::size_t>(firstCells.size()),
                     std::vector<QString>());
  endInsertRows();
}

ReadingsModel::ReadingsModel(QObject* parent) : QAbstractTableModel(parent) {
  frame_.setSingleShot(true);
  frame_.setInterval(kFrameMs);
  connect(&frame_, &QTimer::timeout, this, &ReadingsModel::ShowChanged);
}

bool ReadingsModel::SetText(int row, int column, const QString& text) {
  if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return false;
  QString* cell = nullptr;
  if (column == 0) {
    cell = &firstCells_[row];
  } else {
    std::vector<QString>& others = otherCells_[static_cast<std::size_t>(row)];
    const auto at = static_cast<std::size_t>(column) - 1;
    if (at >= others.size()) {
      if (text.isEmpty()) return true;
      others.reserve(columns_.size() - 1);  // a reading fills a row's cells one by one
      others.resize(at + 1);
    }
    cell = &others[at];
  }
  if (*cell == text) return true;
  *cell = text;
  // The cells a frame changed are shown together at its end: readings can
  // come a thousand a second, and each paint lays out text.
  changedFirst_ = changedFirst_ < 0 ? row : std::min(changedFirst_, row);
  changedLast_ = std::max(changedLast_, row);
  RequestFrame();
  return true;
}

void ReadingsModel::RequestFrame() {
  if (!frame_.isActive()) frame_.start();
}

void ReadingsModel::ShowNow() {
  if (!frame_.isActive()) return;
  frame_.stop();
  ShowChanged();
}

void ReadingsModel::ShowChanged() {
  const int rows = changedFirst_ < 0 ? 0 : changedLast_ - changedFirst_ + 1;
  if (changedFirst_ >= 0)
    emit dataChanged(index(changedFirst_, 0), index(changedLast_, columnCount() - 1),
                     {Qt::DisplayRole});
  changedFirst_ = changedLast_ = -1;
  emit FrameShown(rows);
}

QString ReadingsModel::Text(int row, int column) const {
  if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return {};
  if (column == 0) return firstCells_[row];
  const std::vector<QString>& others = otherCells_[static_cast<std::size_t>(row)];
  const auto at = static_cast<std::size_t>(column) - 1;
  return at < others.size() ? others[at] : QString();
}

QString ReadingsModel::Heading(int column) const {
  if (column < 0 || column >= columnCount()) return {};
  return columns_[static_cast<std::size_t>(column)].heading;
}

QStringList RowNumbers(int count) {
  static std::mutex lock;
  static std::map<int, QString> made;  // each count's numbers, end to end
  const std::lock_guard hold(lock);
  QString& digits = made[count];
  const bool making = digits.isEmpty();
  if (making) digits.reserve(qsizetype{4} * count);  // grows past 9999
  std::vector<qsizetype> lengths;
  lengths.reserve(static_cast<std::size_t>(std::max(count, 0)));
  for (int i = 0; i < count; ++i) {
    char text[16];
    const char* end = std::to_chars(std::begin(text), std::end(text), i).ptr;
    lengths.push_back(end - text);
    if (making) digits.append(QLatin1StringView(text, end - text));
  }
  QStringList numbers;
  numbers.reserve(count);
  qsizetype start = 0;
  for (const qsizetype length : lengths) {
    numbers << QString::fromRawData(digits.constData() + start, length);
    start += length;
  }
  return numbers;
}

size_t qHash(const ReadingsDelegate::Line& line, size_t seed) {
  return qHashMulti(seed, line.text, line.width, line.alignment, line.direction);
}

// The same text, place and colour the style gives a cell's text.
void ReadingsDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
  if (option.state & (QStyle::State_Selected | QStyle::State_HasFocus)) {
    QStyledItemDelegate::paint(painter, option, index);
    if (option.state & QStyle::State_HasFocus)
      DrawFocusFrame(*painter, option.rect, option.palette,
                     option.palette.color((option.state & QStyle::State_Selected)
                                              ? QPalette::Highlight
                                              : QPalette::Base));
    return;
  }
  const QString text = index.data(Qt::DisplayRole).toString();
  if (text.isEmpty()) return;
  const QStyle* style = option.widget != nullptr ? option.widget->style() : QApplication::style();
  const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, option.widget) + 1;
  const QRect area = option.rect.adjusted(margin, 0, -margin, 0);
  const auto alignment = static_cast<Qt::Alignment>(index.data(Qt::TextAlignmentRole).toInt());
  const Laid& laid = LaidOut(
      {text, area.width(), static_cast<int>(QStyle::visualAlignment(option.direction, alignment)),
       option.direction},
      option.font);
  if (laid.width > area.width())  // a column made narrow: elided
    return QStyledItemDelegate::paint(painter, option, index);
  const QRect placed = QStyle::alignedRect(Qt::LayoutDirectionAuto,
                                           alignment & Qt::AlignVertical_Mask, laid.box, area);
  const QPalette::ColorGroup group = !(option.state & QStyle::State_Enabled) ? QPalette::Disabled
                                     : (option.state & QStyle::State_Active) ? QPalette::Active
                                                                             : QPalette::Inactive;
  const QPen pen = painter->pen();
  painter->setPen(option.palette.color(group, QPalette::Text));
  for (const QGlyphRun& run : laid.glyphs)
    painter->drawGlyphRun(QPointF(area.x(), placed.top()), run);
  painter->setPen(pen);
}

// Texts are kept for the font they were laid out in, a few thousand at most.
const ReadingsDelegate::Laid& ReadingsDelegate::LaidOut(const Line& line, const QFont& font) const {
  constexpr qsizetype kMostKept = 4096;
  if (font != laidFont_ || laid_.size() >= kMostKept) {
    laid_.clear();
    laidFont_ = font;
  }
  if (const auto found = laid_.constFind(line); found != laid_.constEnd()) return *found;
  QTextLayout layout(line.text, font);
  QTextOption option;
  option.setWrapMode(QTextOption::ManualWrap);
  option.setTextDirection(line.direction);
  option.setAlignment(static_cast<Qt::Alignment>(line.alignment));
  layout.setTextOption(option);
  layout.beginLayout();
  QTextLine only = layout.createLine();
  only.setLineWidth(line.width);
  only.setPosition(QPointF(0, 0));
  layout.endLayout();
  return *laid_.insert(line, Laid{layout.glyphRuns(), only.naturalTextWidth(),
                                  layout.boundingRect().size().toSize()});
}

ReadingsTable::ReadingsTable(QWidget* parent) : QTableView(parent) {
  setModel(&model_);
  setItemDelegate(&delegate_);
  verticalHeader()->hide();
  // Fixed row heights keep scrolling and cell updates independent of the
  // number of rows.
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setStretchLastSection(false);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setWordWrap(false);
  setShowGrid(false);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  // The scroll bar moves at every frame while a meter streams; filling its
  // own background, the window's colour it is drawn over anyway, spares
  // the table's frame and the window beneath a repaint each time.
  verticalScrollBar()->setAutoFillBackground(true);
  connect(&model_, &ReadingsModel::FrameShown, this, &ReadingsTable::EndFrame);
}

void ReadingsTable::SetFullRowSelect(bool on) {
  setSelectionBehavior(on ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
}

void ReadingsTable::SetGridLines(bool on) {
  setShowGrid(on);
}

void ReadingsTable::InsertColumn(int column, const QString& heading, Qt::Alignment alignment,
                                 int width) {
  InsertColumns(column, {{heading, alignment, width}});
}

void ReadingsTable::InsertColumns(int column, const std::vector<Heading>& headings) {
  std::vector<ReadingsModel::Column> added;
  for (const Heading& heading : headings)
    added.push_back({heading.text, heading.alignment});
  column = std::clamp(column, 0, HeaderItemCount());
  model_.InsertColumns(column, added);
  for (std::size_t i = 0; i < headings.size(); ++i)
    setColumnWidth(column + static_cast<int>(i), headings[i].width);
}

void ReadingsTable::InsertItem(int row, const QString& text) {
  model_.InsertRows(row, {text});
}

void ReadingsTable::InsertItems(int row, const QStringList& texts) {
  model_.InsertRows(row, texts);
}

bool ReadingsTable::SetItemText(int row, int column, const QString& text) {
  return model_.SetText(row, column, text);
}

QString ReadingsTable::ItemText(int row, int column) const {
  return model_.Text(row, column);
}

void ReadingsTable::EnsureVisible(int row) {
  if (row < 0 || row >= ItemCount()) return;
  pendingRow_ = row;
  model_.RequestFrame();
}

void ReadingsTable::EndFrame(int rowsChanged) {
  ScrollToPendingRow();
  const int rowsInView =
      std::max(1, viewport()->height() / std::max(1, verticalHeader()->defaultSectionSize()));
  model_.SetFrameMs(rowsChanged > rowsInView ? kRushingFrameMs : kFrameMs);
}

void ReadingsTable::ScrollToPendingRow() {
  if (pendingRow_ < 0 || pendingRow_ >= ItemCount()) return;
  scrollTo(model_.index(pendingRow_, 0), QAbstractItemView::EnsureVisible);
  pendingRow_ = -1;
}

// Tab into the table lands on a reading in view, so the focus shows
// there, not on a row scrolled away or on none.
void ReadingsTable::focusInEvent(QFocusEvent* event) {
  QTableView::focusInEvent(event);
  const QRect view = viewport()->rect();
  if (currentIndex().isValid() && view.intersects(visualRect(currentIndex()))) return;
  const QModelIndex top = indexAt(QPoint(view.left() + 1, view.top() + 1));
  if (top.isValid())
    selectionModel()->setCurrentIndex(model_.index(top.row(), 1), QItemSelectionModel::NoUpdate);
}

}  // namespace orbek
