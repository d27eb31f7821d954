#pragma once

#include <QString>
#include <QStringList>
#include <set>
#include <vector>

#include "export/TableExport.h"
#include "intake/ReadingsLayout.h"
#include "intake/RecordDecoder.h"

namespace orbek {

// The readings of one transfer as the logger keeps them: shown as CSV lines
// and saved as CSV or as the same workbook the window exports (the
// window's numbered rows, or more when more readings came).
class ReadingLog : public ExportSource {
 public:
  // The window's column width, so the workbooks come out alike.
  static constexpr int kColumnPixels = 159;

  // Adds a reading and returns its CSV line.
  QString Add(const DecodedReading& reading);
  // Marks a reading that may be wrong because the stream was out of step;
  // its CSV line gets one more field saying so.
  void MarkOutOfStep(std::int64_t row);
  static constexpr const char* kOutOfStepMark = "out of step";
  int Count() const { return static_cast<int>(readings_.size()); }

  static QString CsvHeader();
  QString Csv() const;

  // Writes CSV for ".csv" and a workbook for ".xls" or ".xlsx", replacing
  // the file only once complete. Throws WorkbookError on failure.
  void Save(const QString& path) const;

  int ItemCount() const override;
  int HeaderItemCount() const override { return static_cast<int>(kColumnHeadings.size()); }
  QString HeaderText(int column) const override;
  int ColumnWidth(int) const override { return kColumnPixels; }
  QString ItemText(int row, int column) const override;

 private:
  QString CsvLine(int row) const;

  std::vector<DecodedReading> readings_;
  std::set<std::int64_t> outOfStep_;
};

}  // namespace orbek
