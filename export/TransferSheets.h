#pragma once

#include <QString>
#include <vector>

#include "export/Workbook.h"
#include "meter/Transfer.h"

namespace orbek {

// The sample's details as a workbook's document properties: the sample ID
// its title, the location its subject, the operator its author, the probe
// its keywords and the note its comments.
DocumentProperties PropertiesOf(const SampleDetails& details);

class WorkbookWriter;

// What a transfer adds to the window's workbook after Sheet1, written as
// its readings come: a "Details" sheet, filled at the end (the sample's
// details, each change made to them after the transfer ended, the number
// of readings, the first and the last, those out of step and lost, the
// statistics of each unit and scale, and in .xlsx a chart of the values
// and one of the temperatures), then "Data", "Data2" and so on, one row a
// reading as typed fields, 65,535 readings a sheet in either format. The
// window and orbek-log both make these sheets here.
class TransferSheets {
 public:
  TransferSheets(WorkbookWriter& writer, bool charts);
  void Add(const Reading& reading);
  // `ends`: none, or the first and the last reading.
  void Finish(const SampleDetails& details, const ReadingStatistics& statistics,
              const std::vector<Reading>& ends, const std::vector<DetailChange>& changes = {});

 private:
  // A chart joins the readings of a run of one unit (one scale for the
  // temperature) and never two runs.
  struct Run {
    int first, last;  // rows of the first Data sheet
    QString unit;
  };

  void NewDataSheet();
  void Extend(std::vector<Run>& runs, int row, const QString& unit, bool plotted);
  WorkbookChart Chart(bool temperature, int row) const;

  WorkbookWriter& writer_;
  bool charts_;
  int details_ = 0, firstData_ = 0, data_ = 0, dataSheets_ = 0;
  int row_ = 0;  // the next row of the current Data sheet
  std::size_t count_ = 0;
  bool timed_ = true;  // every reading so far names a real moment
  std::vector<Run> valueRuns_, temperatureRuns_;
};

// The transfer's sheets added to a workbook held in memory: the window's.
void AddTransferSheets(Workbook& workbook, const TransferRecord& transfer, bool xlsx);

// Every reading of the transfer as CSV, the Data sheet's columns, after the
// details' comment lines; saved safely as `path`. Throws SaveError.
void SaveTransferCsv(const QString& path, const TransferRecord& transfer);

}  // namespace orbek
