#pragma once

#include <QString>
#include <QtGlobal>
#include <array>
#include <optional>
#include <string_view>

namespace orbek {

// The files a transfer's readings are saved as, by the window's export and
// orbek-log's --output alike: each with its name's ending, the save
// dialog's filter and what orbek-log's help says of it. Whatever chooses a
// format finds it here, by the ending or by its place in the table.
enum class OutputFormat { Xls, Xlsx, Csv };

struct OutputFormatInfo {
  OutputFormat format;
  std::string_view suffix;  // lower case, without the point
  std::string_view filter;  // the save dialog's, translated in context "SaveDialog"
  std::string_view help;
};

// In the save dialog's order; the first is its default.
inline constexpr std::array<OutputFormatInfo, 3> kOutputFormats = {{
    {OutputFormat::Xls, "xls", "(*.xls)",
     "the window's workbook in Excel 97-2003 form: Sheet1, Details, Data sheets"},
    {OutputFormat::Xlsx, "xlsx", "(*.xlsx)",
     "the window's workbook: Sheet1, Details with charts, Data sheets"},
    {OutputFormat::Csv, "csv", QT_TRANSLATE_NOOP("SaveDialog", "CSV (*.csv)"),
     "every reading, one line each, the sample's details as # comment lines"},
}};

// The format a file name's ending names (in any case), or none.
std::optional<OutputFormat> OutputFormatOf(const QString& path);
const OutputFormatInfo& InfoOf(OutputFormat format);
// ".csv, .xls or .xlsx": the endings, for messages.
QString OutputSuffixList();

}  // namespace orbek
