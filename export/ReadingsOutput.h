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
class TableStream;
class LineFile;

// A reading as orbek-log prints it: number, date and time, value,
// temperature, value number (empty where the record carries no number),
// temperature number; a reading that may be wrong because the stream was
// out of step ends in one more field. Lines are UTF-8, without the line
// break.
namespace csv {
QByteArray Header();
QByteArray Line(const Reading& reading);
inline constexpr const char* kOutOfStep = "out of step";

// A reading as the window's CSV has it, the columns of a workbook's Data
// sheet: number, the meter's date and time, value (empty without one),
// unit, temperature, scale, the time received in UTC, the out-of-step mark.
QByteArray DataHeader();
QByteArray DataLine(const Reading& reading);
// The sample's details as comment lines before the header ("# Sample ID:
// S-12"), which CSV readers skip when told that "#" starts a comment; one
// line a field given, line breaks in a field made blanks. None when no
// field is given.
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
// CSV lines for .csv, the window's workbook layout for .xls and .xlsx (the
// numbered rows 0 to 5000 at least, more sheets when one is full, then the
// Details sheet with the statistics). The file
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
  void AddDetailsSheet(const ReadingStatistics& statistics);

  std::unique_ptr<SafeSaveFile> file_;
  SampleDetails details_;
  std::optional<MeterRecord> first_, last_;  // the Details sheet's span
  bool csv_ = false;
  std::unique_ptr<LineFile> text_;
  std::unique_ptr<TableStream> table_;
  std::deque<Reading> pending_;
  std::int64_t added_ = 0;
};

}  // namespace orbek
