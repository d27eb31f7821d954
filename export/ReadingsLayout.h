#pragma once

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

}  // namespace orbek
