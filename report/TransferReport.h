#pragma once

#include <QRectF>
#include <QString>
#include <QStringList>
#include <utility>

#include "meter/Transfer.h"

class QPainter;

namespace orbek {

// The chart of a transfer as the window draws it: the value (green, solid)
// and the temperature (red, dashed, on its own scale at the right) against
// the reading's number, over readings `first` to `last`. Drawn with lines
// only, so that a PDF or SVG painter keeps it as vector graphics.
void DrawTransferChart(QPainter& painter, const QRectF& area, const TransferRecord& transfer,
                       std::pair<std::int64_t, std::int64_t> range);

// Where the report was made and by what: on every page's foot.
struct ReportOrigin {
  QString source;   // the port or the capture the readings came from
  QString program;  // "Orbek 1.2.0"
  // From the archive: who received the transfer and who reviewed it, when.
  QStringList received, reviewed;
};

// The transfer's report as one PDF: the sample's details, the statistics
// and the chart on the first page, then the table of readings, every page
// numbered. A failed write leaves the file that was there; throws
// SaveError with the reason. Needs a QGuiApplication for its fonts.
void WriteTransferReport(const QString& path, const TransferRecord& transfer,
                         const ReportOrigin& origin);

}  // namespace orbek
