#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <csignal>

#include "export/CellText.h"
#include "export/ExcelAutomation.h"
#include "export/TableExport.h"
#include "export/Workbook.h"
#include "export/WorkbookError.h"
#include "tests/support/Files.h"
#include "tests/support/WorkbookCheck.h"

namespace orbek {
namespace {

using Kind = CellContent::Kind;

TEST(CellTextTest, TextsBecomeWhatASpreadsheetMakesOfThem) {
  const double may18 = 42873.0 + (8 * 3600 + 9 * 60 + 46) / 86400.0;
  struct Case {
    const char* text;
    Kind kind;
    double number;
  };
  const Case cases[] = {
      {"", Kind::Empty, 0},
      {"0", Kind::Number, 0},
      {"5000", Kind::Number, 5000},
      {"-12.5", Kind::Number, -12.5},
      {"1e3", Kind::Number, 1000},
      {".5", Kind::Number, 0.5},
      {"2017-05-18 08:09:46", Kind::DateTime, may18},
      {"2016-02-29 23:59:59", Kind::DateTime, 42429.0 + 86399.0 / 86400.0},
      {"1900-03-01 00:00:00", Kind::DateTime, 61.0},
      {"7.00 pH", Kind::Text, 0},
      {"1413 \u03BCS/cm", Kind::Text, 0},
      {"25.0 \u00B0C", Kind::Text, 0},
      {"No.", Kind::Text, 0},
      {" 5", Kind::Text, 0},
      {"5,5", Kind::Text, 0},
      {"2000-00-00 00:00:00", Kind::Text, 0},
      {"2017-02-29 00:00:00", Kind::Text, 0},
      {"2017-05-18 24:00:00", Kind::Text, 0},
      {"2017-05-18 08:60:00", Kind::Text, 0},
      {"2255-13-255 99:10:255", Kind::Text, 0},
      {"1900-02-28 00:00:00", Kind::Text, 0},
      {"2017-05-18", Kind::Text, 0},
  };
  for (const auto& c : cases) {
    const auto content = InterpretText(QString::fromUtf8(c.text));
    EXPECT_EQ(content.kind, c.kind) << c.text;
    if (c.kind == Kind::Text) {
      EXPECT_EQ(content.text, QString::fromUtf8(c.text));
    }
    if (c.kind == Kind::Number || c.kind == Kind::DateTime) {
      EXPECT_NEAR(content.number, c.number, 1e-9) << c.text;
    }
  }
}

TEST(MakeCellRefTest, LetterRowAndTrailingBlank) {
  const std::tuple<int, int, const char*> cases[] = {
      {1, 1, "A1 "}, {1, 4, "D1 "}, {2, 1, "A2 "}, {5002, 26, "Z5002 "}};
  for (const auto& [row, column, expected] : cases) {
    QString ref = "old";
    MakeCellRef(row, column, ref);
    EXPECT_EQ(ref, expected);
  }
}

class AutomationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(app_.CreateDispatch("Excel.Application"));
    book_ = app_.Workbooks().Add(QVariant());
    sheet_ = book_.Worksheets().Item(QVariant(short(1)));
  }
  CXlApplication app_;
  CXlWorkbook book_;
  CXlWorksheet sheet_;
};

TEST_F(AutomationTest, ReferencesAcceptBlanksAndRejectWhatIsNotACell) {
  EXPECT_NO_THROW(sheet_.Range("A1 ", "D1 "));
  EXPECT_NO_THROW(sheet_.Range(" b12", QVariant()));
  for (const char* bad : {"", "A0", "1A", "A1B", "A", "AAAA1", "A-1"})
    EXPECT_THROW(sheet_.Range(bad, QVariant()), WorkbookError) << bad;
  EXPECT_THROW(book_.Worksheets().Item(QVariant(short(2))), WorkbookError);
}

TEST_F(AutomationTest, BlockPutMustFitTheRangeAndChangesNothingWhenRejected) {
  const CXlRange block =
      sheet_.Range("A2 ", QVariant()).Resize(QVariant(short(2)), QVariant(short(2)));
  TextArray small(1, 2);
  EXPECT_THROW(block.SetValue2(QVariant::fromValue(small)), WorkbookError);
  TextArray tooLong(2, 2);
  tooLong.At(1, 1) = QString(40000, 'x');
  EXPECT_THROW(block.SetValue2(QVariant::fromValue(tooLong)), WorkbookError);
  EXPECT_THROW(sheet_.Range("A1", QVariant()).SetVerticalAlignment(QVariant(short(7))),
               WorkbookError);
  EXPECT_THROW(sheet_.Range("A1", QVariant()).SetColumnWidth(QVariant(-1)), WorkbookError);
}

TEST_F(AutomationTest, NothingAnswersAfterQuitOrWithoutTheComponent) {
  app_.Quit();
  EXPECT_THROW(app_.Workbooks(), WorkbookError);
  CXlApplication word;
  EXPECT_FALSE(word.CreateDispatch("Word.Application"));
  CXlApplication::SetAvailable(false);
  EXPECT_FALSE(word.CreateDispatch("Excel.Application"));
  CXlApplication::SetAvailable(true);
  EXPECT_THROW(CXlWorkbook().Worksheets(), WorkbookError) << "an empty handle";
}

test::TextTable BigTable() {
  return test::ReadingsTextTable(5001);
}

using test::ReadAll;

// A write that fails part-way (here the file size limit, which binds root
// too, reached at several stages of the write) must leave the old file
// exactly as it was and no stray file behind.
TEST(SafeSaveTest, FailedSaveKeepsTheOldFileByteForByte) {
  QTemporaryDir dir;
  const auto table = BigTable();
  std::signal(SIGXFSZ, SIG_IGN);
  for (const rlim_t limit : {rlim_t{4096}, rlim_t{16384}, rlim_t{65536}}) {
    for (const QString& name : QStringList{"readings.xls", "readings.xlsx"}) {
      const QString path = dir.filePath(name);
      const QByteArray old = "the workbook that was here before";
      {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(old);
      }
      rlimit before{};
      getrlimit(RLIMIT_FSIZE, &before);
      rlimit small = before;
      small.rlim_cur = limit;
      ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
      std::string error;
      try {
        ExportToExcel(table, path);
      } catch (const SaveError& e) {
        error = e.what();
      }
      setrlimit(RLIMIT_FSIZE, &before);
      const auto where = name.toStdString() + " at " + std::to_string(limit);
      EXPECT_NE(error.find(path.toStdString()), std::string::npos) << where << ": " << error;
      EXPECT_EQ(ReadAll(path), old) << where;
      EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name}) << where;
      QFile::remove(path);
    }
  }
}

TEST(SafeSaveTest, PathsThatCannotBeWrittenSayWhy) {
  QTemporaryDir dir;
  const auto table = BigTable();
  for (const QString& path : {dir.filePath("missing/readings.xls"), dir.path()}) {
    try {
      ExportToExcel(table, path);
      ADD_FAILURE() << "saved to " << path.toStdString();
    } catch (const SaveError& error) {
      EXPECT_NE(std::string(error.what()).find("Cannot save"), std::string::npos);
    }
  }
}

TEST(SafeSaveTest, AReadOnlyFolderKeepsItsFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  QTemporaryDir dir;
  const QString path = dir.filePath("readings.xls");
  ExportToExcel(BigTable(), path);
  const QByteArray old = ReadAll(path);
  QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  EXPECT_THROW(ExportToExcel(test::TextTable(BigTable()), path), WorkbookError);
  QFile::setPermissions(dir.path(),
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  EXPECT_EQ(ReadAll(path), old);
}

TEST(SafeSaveTest, ASavedCopyReplacesTheFileAndKeepsItsPermissions) {
  QTemporaryDir dir;
  const QString path = dir.filePath("readings.xls");
  {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("old");
  }
  const auto permissions =
      QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
  QFile::setPermissions(path, permissions);
  ExportToExcel(BigTable(), path);
  const QByteArray saved = ReadAll(path);
  ASSERT_GT(saved.size(), 512);
  // An OLE2 compound document starts with its signature.
  EXPECT_EQ(saved.left(8), QByteArray::fromHex("D0CF11E0A1B11AE1"));
  // Owner, group and others; the "user" bits only restate the owner's here.
  EXPECT_EQ(QFile::permissions(path) & 0x7077, permissions & 0x7077);
}

}  // namespace
}  // namespace orbek
