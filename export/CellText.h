#pragma once

#include <QString>

#include "meter/RecordDecoder.h"

namespace orbek {

// What a text put into a cell becomes, as a spreadsheet program reads it:
// a number where the whole text is one, a date and time where it is a real
// calendar date-time "yyyy-mm-dd hh:mm:ss", empty where it is empty, and
// otherwise the text itself (a value with its unit stays text).
struct CellContent {
  enum class Kind { Empty, Text, Number, DateTime };
  Kind kind = Kind::Empty;
  QString text;
  double number = 0.0;  // for a date-time: days since 1899-12-30, with the time as fraction
  int decimals = -1;    // for a number: shown with this many places after the point
                        // (0 to 3); -1 as the spreadsheet program shows it
};

CellContent InterpretText(const QString& text);

// The cell of a date and time of the calendar; fields that name no such
// moment, or one before 1 March 1900 (where the 1900 date system is a day
// off), give an empty cell.
CellContent DateTimeCell(int year, int month, int day, int hour, int minute, int second);

// The meter's clock of a reading as a date where it names one; its text
// otherwise, so that nothing the meter sent is lost.
CellContent MeterTimeCell(const DecodedReading& reading);

}  // namespace orbek
