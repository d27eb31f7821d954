#include "export/CellText.h"

#include <QDate>

namespace orbek {

namespace {

qsizetype SkipDigits(const QString& text, qsizetype at) {
  while (at < text.size() && text[at] >= u'0' && text[at] <= u'9')
    ++at;
  return at;
}

// A whole decimal number: sign, digits with at most one point (and at least
// one digit), an optional exponent. Nothing else, not even blanks.
bool ParseNumber(const QString& text, double& number) {
  qsizetype at = 0;
  if (at < text.size() && (text[at] == u'+' || text[at] == u'-')) ++at;
  const qsizetype wholeStart = at;
  at = SkipDigits(text, at);
  qsizetype digits = at - wholeStart;
  if (at < text.size() && text[at] == u'.') {
    const qsizetype fractionStart = ++at;
    at = SkipDigits(text, at);
    digits += at - fractionStart;
  }
  if (digits == 0) return false;
  if (at < text.size() && (text[at] == u'e' || text[at] == u'E')) {
    ++at;
    if (at < text.size() && (text[at] == u'+' || text[at] == u'-')) ++at;
    const qsizetype exponentStart = at;
    at = SkipDigits(text, at);
    if (at == exponentStart) return false;
  }
  if (at != text.size()) return false;
  bool ok = false;
  number = text.toDouble(&ok);  // QString::toDouble uses the C locale
  return ok;
}

// The number of `length` digits at `at`, or -1.
int DigitsAt(const QString& text, qsizetype at, qsizetype length) {
  int value = 0;
  for (qsizetype i = at; i < at + length; ++i) {
    if (text[i] < u'0' || text[i] > u'9') return -1;
    value = value * 10 + (text[i].unicode() - u'0');
  }
  return value;
}

// Day 1 of the 1900 date system is 1900-01-01, but that system counts a
// 29 February 1900 that never was; from 1 March 1900 on, serials are days
// since 1899-12-30. Earlier dates stay text rather than be a day off.
bool ParseDateTime(const QString& text, double& serial) {
  // yyyy-mm-dd hh:mm:ss
  if (text.size() != 19 || text[4] != u'-' || text[7] != u'-' || text[10] != u' ' ||
      text[13] != u':' || text[16] != u':')
    return false;
  const int year = DigitsAt(text, 0, 4), month = DigitsAt(text, 5, 2), day = DigitsAt(text, 8, 2);
  const int hour = DigitsAt(text, 11, 2), minute = DigitsAt(text, 14, 2),
            second = DigitsAt(text, 17, 2);
  if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0) return false;
  const CellContent cell = DateTimeCell(year, month, day, hour, minute, second);
  serial = cell.number;
  return cell.kind == CellContent::Kind::DateTime;
}

}  // namespace

CellContent DateTimeCell(int year, int month, int day, int hour, int minute, int second) {
  CellContent cell;
  const QDate date(year, month, day);
  if (!date.isValid() || date < QDate(1900, 3, 1) || hour < 0 || hour > 23 || minute < 0 ||
      minute > 59 || second < 0 || second > 59)
    return cell;
  static const QDate epoch(1899, 12, 30);
  cell.kind = CellContent::Kind::DateTime;
  cell.number =
      static_cast<double>(epoch.daysTo(date)) + (hour * 3600 + minute * 60 + second) / 86400.0;
  return cell;
}

CellContent InterpretText(const QString& text) {
  CellContent content;
  if (text.isEmpty()) return content;
  if (ParseNumber(text, content.number)) {
    content.kind = CellContent::Kind::Number;
  } else if (ParseDateTime(text, content.number)) {
    content.kind = CellContent::Kind::DateTime;
  } else {
    content.kind = CellContent::Kind::Text;
    content.text = text;
  }
  return content;
}

CellContent MeterTimeCell(const DecodedReading& reading) {
  const MeterClock& c = reading.Clock;
  if (c.real) {
    CellContent cell = DateTimeCell(c.year, static_cast<int>(c.month), static_cast<int>(c.day),
                                    static_cast<int>(c.hour), static_cast<int>(c.minute),
                                    static_cast<int>(c.second));
    if (cell.kind != CellContent::Kind::Empty) return cell;
  }
  return {CellContent::Kind::Text, QString::fromStdString(reading.TimestampText), 0.0};
}

}  // namespace orbek
