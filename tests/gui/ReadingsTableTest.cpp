// The readings table draws its plain cells itself, from texts it keeps laid
// out; they must look exactly as the style draws them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QImage>
#include <QStyledItemDelegate>
#include <QTest>
#include <QTimer>

#include "tests/support/EventLoop.h"
#include "ui/ReadingsTable.h"

namespace orbek {
namespace {

QImage Drawn(ReadingsTable& table, QAbstractItemDelegate* delegate) {
  table.setItemDelegate(delegate);
  table.viewport()->update();
  test::Pump(20);
  return table.grab().toImage();
}

TEST(ReadingsTableTest, CellsLookAsTheStyleDrawsThem) {
  struct Case {
    const char* what;
    int narrowColumn;  // -1: every text fits
    int selectedRow;   // -1: none
  };
  const Case cases[] = {
      {"plain cells", -1, -1},
      {"a column too narrow for its texts", 1, -1},
      {"a selected row", -1, 2},
  };
  for (const Case& c : cases) {
    ReadingsTable table;
    table.resize(420, 200);
    table.SetGridLines(true);
    table.SetFullRowSelect(true);
    const Qt::Alignment alignments[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    for (int column = 0; column < 3; ++column)
      table.InsertColumn(column, QString("Column %1").arg(column), alignments[column], 130);
    const char* texts[] = {"2024-05-01 12:00:07", "1400 \u00B5S/cm", "21.4 \u00B0C"};
    for (int row = 0; row < 8; ++row) {
      table.InsertItem(row, QString::number(row));
      for (int column = 0; column < 3; ++column)
        table.SetItemText(row, column, row % 2 ? QString::fromUtf8(texts[column]) : "7.01 pH");
    }
    if (c.narrowColumn >= 0) table.setColumnWidth(c.narrowColumn, 40);
    if (c.selectedRow >= 0) table.selectRow(c.selectedRow);
    // The focus frame is the table's own drawing, over the style's.
    table.setFocusPolicy(Qt::NoFocus);
    table.show();
    test::Pump(150);  // the table's frame
    QStyledItemDelegate styled;
    const QImage byTheStyle = Drawn(table, &styled);
    ReadingsDelegate own;
    EXPECT_EQ(Drawn(table, &own), byTheStyle) << c.what;
  }
}

// Columns inserted together into a table that holds rows: each row's texts
// move with their columns, the new cells are empty, and each heading and
// width is the one given for it.
TEST(ReadingsTableTest, ColumnsInsertedTogetherMoveTheTextsOfTheColumnsAfterThem) {
  const struct {
    int at;
    const char* headings;  // after the insert; row 0 holds each's letter in lower case
  } cases[] = {{0, "XYABC"}, {1, "AXYBC"}, {3, "ABCXY"}, {9, "ABCXY"}};
  const auto width = [](QChar heading) { return 50 + heading.unicode() - 'A'; };
  for (const auto& c : cases) {
    ReadingsTable table;
    for (const QChar heading : {'A', 'B', 'C'})
      table.InsertColumn(heading.unicode() - 'A', heading, Qt::AlignLeft, width(heading));
    table.InsertItems(0, {"a", "a"});  // row 1 has its first cell only
    table.SetItemText(0, 1, "b");
    table.SetItemText(0, 2, "c");
    table.InsertColumns(c.at,
                        {{"X", Qt::AlignRight, width('X')}, {"Y", Qt::AlignRight, width('Y')}});
    ASSERT_EQ(table.HeaderItemCount(), 5) << c.at;
    for (int column = 0; column < 5; ++column) {
      const QChar heading = QLatin1Char(c.headings[column]);
      const bool added = heading >= QLatin1Char('X');
      EXPECT_EQ(table.HeaderText(column), heading) << c.at << " " << column;
      EXPECT_EQ(table.columnWidth(column), width(heading)) << c.at << " " << column;
      EXPECT_EQ(table.ItemText(0, column), added ? QString() : QString(heading.toLower())) << c.at;
      EXPECT_EQ(table.ItemText(1, column), heading == QLatin1Char('A') ? "a" : "") << c.at;
    }
  }
}

// Rows inserted before, among or after rows that hold texts: each row keeps
// its own cells, and a new one holds only its first.
TEST(ReadingsTableTest, RowsInsertedAmongOthersKeepEachRowsCells) {
  for (const int at : {0, 1, 3}) {
    ReadingsTable table;
    for (int column = 0; column < 3; ++column)
      table.InsertColumn(column, QString::number(column), Qt::AlignLeft, 60);
    table.InsertItems(0, RowNumbers(3));
    table.SetItemText(1, 0, "one");
    table.SetItemText(1, 2, "c1");
    table.InsertItems(at, {"x", "y"});
    std::vector<QStringList> rows = {{"0", "", ""}, {"one", "", "c1"}, {"2", "", ""}};
    rows.insert(rows.begin() + at, {{"x", "", ""}, {"y", "", ""}});
    ASSERT_EQ(table.model()->rowCount(), 5) << at;
    for (int row = 0; row < 5; ++row)
      for (int column = 0; column < 3; ++column)
        EXPECT_EQ(table.ItemText(row, column), rows[row][column]) << at << " " << row;
  }
}

// The numbered rows' texts are the numbers, however many are asked for
// (past 9999 the numbers outgrow the room first made for them).
TEST(ReadingsTableTest, RowNumbersAreTheirNumbersAsText) {
  for (const int count : {0, 1, 11, 5001, 12000}) {
    const QStringList numbers = RowNumbers(count);
    ASSERT_EQ(numbers.size(), count);
    for (int i = 0; i < count; ++i)
      ASSERT_EQ(numbers[i], QString::number(i)) << count;
    EXPECT_EQ(RowNumbers(count), numbers) << count;  // made once, the same again
  }
}

// Readings streaming at a thousand a second change cells and scroll the
// table at every one; the table is painted once a frame for both, not once
// for the cells and again for the scroll.
TEST(ReadingsTableTest, AStreamIsPaintedOnceAFrame) {
  ReadingsTable table;
  table.resize(420, 300);
  for (int column = 0; column < 3; ++column)
    table.InsertColumn(column, QString("Column %1").arg(column), Qt::AlignRight, 130);
  for (int row = 0; row < 3000; ++row)
    table.InsertItem(row, QString::number(row));
  table.show();
  test::Pump(300);
  struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
      paints += event->type() == QEvent::Paint ? 1 : 0;
      return false;
    }
  } counter;
  table.viewport()->installEventFilter(&counter);
  // A scroll asked for a moment before the first cell changes, as a
  // transfer's start clears the table.
  table.EnsureVisible(0);
  test::Pump(50);
  QElapsedTimer streaming;
  streaming.start();
  int row = 0;
  QTimer reading;
  QObject::connect(&reading, &QTimer::timeout, [&] {
    for (int column = 0; column < 3; ++column)
      table.SetItemText(row, column, QString("%1.%2").arg(row).arg(column));
    table.EnsureVisible(row++);
  });
  reading.start(1);
  test::Pump(2500);
  reading.stop();
  // A hundred rows a frame pass the ten in view: a frame a second.
  const double frames = static_cast<double>(streaming.elapsed()) / 1000.0;
  EXPECT_GT(row, 100) << "the readings did not stream";
  EXPECT_GE(counter.paints, frames / 2) << "the stream was not shown";
  EXPECT_LE(counter.paints, frames + 2) << "painted more than once a frame";
}

// A shown table of 2,000 numbered rows in one column, a page of them in
// view, for readings to stream into.
class StreamingTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    table.resize(420, 300);
    table.InsertColumn(0, "No.", Qt::AlignRight, 130);
    for (int row = 0; row < 2000; ++row)
      table.InsertItem(row, QString::number(row));
    table.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&table));
  }
  void Stream(int first, int last) {
    for (int row = first; row <= last; ++row)
      table.SetItemText(row, 0, QStringLiteral("reading %1").arg(row));
  }
  ReadingsTable table;
};

// Ten frames a second while the rows a frame changes fit in the view; one
// once a frame changes more rows than the view shows, and ten again when
// the readings slow.
TEST_F(StreamingTableTest, RowsThatReplaceTheWholeViewAreShownLessOften) {
  const int inView = table.viewport()->height() / table.verticalHeader()->defaultSectionSize();
  const struct {
    int rowsAFrame;
    int frameMs;
  } cases[] = {{1, 100}, {inView, 100}, {inView + 1, 1000}, {500, 1000}, {3, 100}};
  int row = 0;
  for (const auto& c : cases) {
    Stream(row, row + c.rowsAFrame - 1);
    row += c.rowsAFrame;
    test::Pump(1300);
    EXPECT_EQ(table.FrameMs(), c.frameMs) << c.rowsAFrame << " rows a frame";
  }
}

// A stream that ends while its rows rush past shows its last row at once,
// not at the end of a long frame.
TEST_F(StreamingTableTest, TheLastRowOfAStreamIsShownWhenItEnds) {
  const auto inView = [this](int row) {
    return table.viewport()->rect().contains(table.visualRect(table.model()->index(row, 0)));
  };
  Stream(0, 499);
  table.EnsureVisible(499);
  test::Pump(150);  // a short frame, after which they come long
  Stream(500, 999);
  table.EnsureVisible(999);
  QCoreApplication::processEvents();
  EXPECT_FALSE(inView(999)) << "the long frame ended early by itself";
  table.ShowChangesNow();
  EXPECT_TRUE(inView(999));
}

}  // namespace
}  // namespace orbek
