#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "meter/ReadingPipeline.h"
#include "meter/Transfer.h"

namespace orbek {

class SafeSaveFile;
class WorkbookWriter;
class TransferSheets;
class LineFile;

// Both programs' CSV: the sample's details as comment lines, the header,
// then a line a reading, in the columns of a workbook's Data sheet (number,
// the meter's date and time, value with the meter's decimals (empty
// without one), unit, temperature, scale, the time received in UTC (empty
// where it is not known), the out-of-step mark, the readings lost before
// it). Lines are UTF-8, without the line break. orbek-log's standard output
// has the same lines, and a reading found out of step afterwards again.
namespace csv {
inline constexpr const char* kOutOfStep = "out of step";
QByteArray Header();
QByteArray Line(const Reading& reading);
// The sample's details as comment lines before the header ("# Sample ID:
// S-12"), which CSV readers skip when told that "#" starts a comment; one
// line a field given. None when no field is given. A line is one field
// that no spreadsheet splits or reads as a formula: a comma, a semicolon,
// a tab, "%" and every control character are written as "%" and two hex
// digits ("%2C"), as in a URL.
std::vector<QByteArray> DetailLines(const SampleDetails& details);
}  // namespace csv

// What is wrong with `path` as --output, before anything is sent to the
// meter: the extension, a file that exists already (unless `replace`),
// then whatever would stop the save (the folder, the permissions, a
// read-only file, the length of the name), as a message. Empty when it
// will do.
QString OutputProblem(const QString& path, bool replace);
// The same for any file orbek-log makes, its name's extension aside.
QString SaveProblem(const QString& path, bool replace);

// The readings of one run on their way to --output, written as they come:
// CSV lines for .csv, the window's workbook for .xls and .xlsx (Sheet1 with
// the table's numbered rows 0 to 5000, then the transfer's sheets: Details
// with the statistics, and the Data sheets). The file
// is made beside the target and replaces it only once complete. The last
// readings wait before they are written, as many as the pipeline may still
// correct, so that readings found to have been out of step are marked.
class ReadingsFile {
 public:
  // The sample's details come first in a CSV file. Throws SaveError.
  ReadingsFile(const QString& path, const SampleDetails& details);
  ~ReadingsFile();

  void Add(const Reading& reading);
  // Marks a reading that has not been written yet.
  void Correct(const Reading& corrected);
  // Writes the rest, the Details sheet with `statistics` (those of the
  // readings added, kept by whoever fed them) included, and replaces the
  // target. Throws SaveError.
  void Finish(const ReadingStatistics& statistics);
  std::int64_t Count() const { return added_; }

 private:
  void Write(const Reading& reading);

  std::unique_ptr<SafeSaveFile> file_;
  SampleDetails details_;
  std::optional<Reading> first_, last_;  // the Details sheet's span
  bool csv_ = false;
  std::unique_ptr<LineFile> text_;
  std::unique_ptr<WorkbookWriter> book_;
  int table_ = 0;                  // Sheet1
  std::int64_t written_ = 0;       // readings in Sheet1's rows
  std::unique_ptr<TransferSheets> sheets_;
  std::deque<Reading> pending_;
  std::int64_t added_ = 0;
};

}  // namespace orbek
