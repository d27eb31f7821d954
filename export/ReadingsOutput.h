#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <set>

#include "meter/RecordDecoder.h"

namespace orbek {

class SafeSaveFile;
class TableStream;
class LineFile;

// A reading as orbek-log prints it: number, date and time, value,
// temperature, value number, temperature number; a reading that may be
// wrong because the stream was out of step ends in one more field.
// Lines are UTF-8, without the line break.
namespace csv {
QByteArray Header();
QByteArray Line(std::int64_t row, const DecodedReading& reading, bool outOfStep);
inline constexpr const char* kOutOfStep = "out of step";
}  // namespace csv

// What is wrong with `path` as --output, before anything is sent to the
// meter: the extension, then whatever would stop the save (the folder, the
// permissions, a read-only file, the length of the name), as a message.
// Empty when it will do.
QString OutputProblem(const QString& path);

// The readings of one run on their way to --output, written as they come:
// CSV lines for .csv, the window's workbook layout for .xls and .xlsx (the
// numbered rows 0 to 5000 at least, more sheets when one is full). The file
// is made beside the target and replaces it only once complete. The last
// few readings wait before they are written, so that readings found to have
// been read out of step can still be marked.
class ReadingsFile {
 public:
  explicit ReadingsFile(const QString& path);  // throws WorkbookError
  ~ReadingsFile();

  // `csvLine`, when given, is the reading's CSV line as csv::Line makes it
  // unmarked, so that it need not be made twice.
  void Add(const DecodedReading& reading, const QByteArray& csvLine = {});
  // Marks reading `row` if it has not been written yet (or not come yet).
  void MarkOutOfStep(std::int64_t row);
  // Writes the rest and replaces the target. Throws WorkbookError.
  void Finish();
  std::int64_t Count() const { return added_; }

 private:
  struct Pending {
    DecodedReading reading;  // for a workbook
    QByteArray csvLine;      // for CSV, marked already where it must be
    bool outOfStep = false;
  };
  void Write(std::int64_t row, const Pending& pending);

  std::unique_ptr<SafeSaveFile> file_;
  bool csv_ = false;
  std::unique_ptr<LineFile> text_;
  std::unique_ptr<TableStream> table_;
  std::deque<Pending> pending_;
  std::set<std::int64_t> marksAhead_;
  std::int64_t added_ = 0;
};

}  // namespace orbek
