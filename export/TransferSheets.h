#pragma once

#include <QString>
#include <array>
#include <vector>

#include "export/Workbook.h"
#include "meter/Transfer.h"

namespace orbek {

// The sample's details as a workbook's document properties: the sample ID
// its title, the location its subject, the operator its author, the probe
// its keywords and the note its comments.
DocumentProperties PropertiesOf(const SampleDetails& details);

// The Details sheet: the sample's details, each change made to them after
// the transfer ended (field, before, after, when in UTC), the number of
// readings, the first and the last (`ends`: none, or those two), those
// out of step and lost, then a heading row and the statistics of each unit
// and scale.
struct DetailsRow {
  std::vector<CellContent> cells;
  bool heading = false;
};
std::vector<DetailsRow> DetailsRows(const SampleDetails& details,
                                    const ReadingStatistics& statistics,
                                    const std::vector<Reading>& ends,
                                    const std::vector<DetailChange>& changes = {});
inline constexpr std::array<double, 7> kDetailsColumnWidths = {22, 20, 8, 12, 12, 12, 18};

// What a transfer adds to the window's workbook after Sheet1: a "Details"
// sheet (the sample's details, the number of readings and their span, the
// statistics, and in .xlsx a chart of every reading), then "Data", "Data2"
// and so on, one row for every reading as typed fields, as many sheets as
// the format's row limit needs; and the document properties.
void AddTransferSheets(Workbook& workbook, const TransferRecord& transfer, bool xlsx);

// Every reading of the transfer as CSV, the Data sheet's columns, after the
// details' comment lines; saved safely as `path`. Throws SaveError.
void SaveTransferCsv(const QString& path, const TransferRecord& transfer);

}  // namespace orbek
