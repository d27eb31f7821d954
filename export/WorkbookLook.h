#pragma once

namespace orbek {

// How Orbek's workbooks look, whichever writer makes them: the window's
// export, orbek-log's streaming writers, .xls and .xlsx alike.

// The headings' row is this many points high (bold, centred vertically).
inline constexpr int kHeadingRowPoints = 50;
// How a cell holding a date and time shows it.
inline constexpr const char* kDateTimeFormat = "yyyy-mm-dd hh:mm:ss";
// How a number with the meter's places after the point shows them.
inline constexpr int kMostFixedDecimals = 3;
inline constexpr const char* kFixedFormats[kMostFixedDecimals + 1] = {"0", "0.0", "0.00",
                                                                      "0.000"};
// The most rows a sheet holds, the headings' row included.
inline constexpr int kXlsSheetRows = 65536;
inline constexpr int kXlsxSheetRows = 1048576;

}  // namespace orbek
