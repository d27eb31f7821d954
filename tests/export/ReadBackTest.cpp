// Exported workbooks read back by independent readers (xlrd, openpyxl and
// LibreOffice).
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "export/TableExport.h"
#include "tests/support/WorkbookCheck.h"

namespace orbek {
namespace {

using test::CheckWorkbook;
using test::TextTable;

void ExpectReadBack(const TextTable& table, const QString& dir, bool libreoffice = false) {
  const QString expectation = dir + "/expected.json";
  test::WriteExpectation(table, expectation);
  for (const QString& name : QStringList{"readings.xls", "readings.xlsx"}) {
    const QString path = dir + "/" + name;
    ASSERT_NO_THROW(ExportToExcel(table, path));
    const auto result = CheckWorkbook(path, expectation, libreoffice && name.endsWith(".xls"));
    EXPECT_EQ(result.exitCode, 0) << result.output.toStdString();
  }
}

TEST(ReadBackTest, VariedTextsKeepTheirTypesAndFormats) {
  TextTable table;
  table.headers = {"No.", "Date and Time", "Measured Value", "Temperature"};
  table.pixelWidths = {159, 200, 5, 6};
  const QStringList values = {"7.00 pH", "-123.4 mV", "1413 \u03BCS/cm", "1000 \u039A\u03A9",
                              "12.3  ",  "0 \u03A9",  "65535 mmol/L",    ""};
  const QStringList stamps = {"2017-05-18 08:09:46",
                              "2000-00-00 00:00:00",
                              "2099-12-31 23:59:59",
                              "2017-02-29 10:00:00",
                              "",
                              "2000-01-01 100:00:00"};
  for (int r = 0; r < 300; ++r)
    table.rows.push_back({QString::number(r), stamps[r % stamps.size()], values[r % values.size()],
                          r % 3 == 0 ? "77.0 \u00B0F" : "25.0 \u00B0C"});
  QTemporaryDir dir;
  ExpectReadBack(table, dir.path(), test::HaveLibreOffice());
}

TEST(ReadBackTest, LongHeadingsAreCutTo255Characters) {
  TextTable table;
  table.headers = {QString(300, 'H'), QString(255, 'x') + "tail", "short"};
  table.pixelWidths = {60, 61, 3};
  table.rows.push_back({"1", "2", "3"});
  QTemporaryDir dir;
  ExpectReadBack(table, dir.path());
}

// Long and many strings spill the string table over CONTINUE records.
TEST(ReadBackTest, LongAndManyStringsSurviveTheStringTable) {
  TextTable table;
  table.headers = {"A", "B"};
  table.pixelWidths = {60, 60};
  QString longText;
  for (int i = 0; i < 6000; ++i)
    longText += QChar(0x03B1 + i % 20);
  table.rows.push_back({longText, "x" + longText.left(4100)});
  for (int r = 0; r < 3000; ++r)
    table.rows.push_back(
        {QString("reading %1 \u00B0C").arg(r), QString(r % 97, QChar('a' + r % 26))});
  QTemporaryDir dir;
  ExpectReadBack(table, dir.path());
}

// Past the texts the .xls string table keeps, short texts go into cells of
// their own and long ones still into the table; both read back.
TEST(ReadBackTest, TextsPastTheSharedTableKeepEveryCell) {
  TextTable table;
  table.headers = {"No.", "Text"};
  table.pixelWidths = {60, 120};
  for (int r = 0; r < 17000; ++r)
    table.rows.push_back({QString::number(r), QString("distinct %1 \u00B5S/cm").arg(r)});
  table.rows.push_back({"long", QString(5000, QChar(0x03A9))});
  table.rows.push_back({"again", "distinct 3 \u00B5S/cm"});
  QTemporaryDir dir;
  ExpectReadBack(table, dir.path());
}

}  // namespace
}  // namespace orbek
