#pragma once

#include <QString>
#include <array>
#include <string_view>

namespace orbek {

// The readings table of every transfer: this many rows, numbered from 0,
// whatever number of readings comes; later readings are only plotted.
inline constexpr int kTableRows = 5001;

// Its columns, in order, with their headings.
enum ReadingsColumn { kNumberColumn = 0, kTimestampColumn, kValueColumn, kTemperatureColumn };
inline constexpr std::array<std::string_view, 4> kColumnHeadings = {
    "No.", "Date and Time", "Measured Value", "Temperature"};

// A heading as the window and the report show it, in the user's language.
// Files keep the English headings above, whatever the language.
QString ColumnHeadingText(int column);

// Every reading of a transfer as typed fields: the columns of a
// workbook's Data sheets and of both programs' CSV. "Out of step" marks a
// reading that may be framed wrongly (made of two records); "Lost before"
// counts the readings the line lost right before it.
enum DataColumn {
  kDataNumber = 0,
  kDataMeterTime,
  kDataValue,
  kDataUnit,
  kDataTemperature,
  kDataScale,
  kDataReceived,
  kDataOutOfStep,
  kDataLostBefore
};
inline constexpr std::array<std::string_view, 9> kDataHeadings = {
    "No.",   "Date and Time",  "Value",       "Unit",       "Temperature",
    "Scale", "Received (UTC)", "Out of step", "Lost before"};

}  // namespace orbek
