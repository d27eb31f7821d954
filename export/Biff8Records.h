#pragma once

// The records an Excel 97-2003 (BIFF8) workbook stream is made of. Every
// record is a little-endian header of two 16-bit words, the record type and
// the length of its body, followed by the body; a body holds at most 8224
// bytes, and a longer one goes on in CONTINUE records. Texts are written as
// UTF-16LE throughout.
#include <QByteArray>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

#include "export/Workbook.h"
#include "export/WorkbookLook.h"

namespace orbek::biff8 {

// Record types.
inline constexpr std::uint16_t kBof = 0x0809, kEof = 0x000A, kContinue = 0x003C;
inline constexpr std::uint16_t kCodePage = 0x0042, kWindow1 = 0x003D, kDateMode = 0x0022;
inline constexpr std::uint16_t kFont = 0x0031, kFormat = 0x041E, kXf = 0x00E0, kStyle = 0x0293;
inline constexpr std::uint16_t kBoundSheet = 0x0085, kSst = 0x00FC, kExtSst = 0x00FF;
inline constexpr std::uint16_t kDefColWidth = 0x0055, kColInfo = 0x007D, kDimensions = 0x0200;
inline constexpr std::uint16_t kRow = 0x0208, kLabelSst = 0x00FD, kNumber = 0x0203, kBlank = 0x0201;
inline constexpr std::uint16_t kWindow2 = 0x023E;

inline constexpr std::size_t kMaxBody = 8224;
inline constexpr int kRowsPerBlock = 32;
inline constexpr std::uint16_t kDefaultCellXf = 15;  // XFs 0..14 are styles, 15 the plain cell
inline constexpr std::uint16_t kFirstOwnXf = 16;
inline constexpr std::uint16_t kBoldFont = 5;      // font index 4 does not exist in BIFF
inline constexpr std::uint16_t kDateFormat = 164;  // the first index for formats of our own
// kFixedFormats from here on: a number with the meter's places.
inline constexpr std::uint16_t kFixedFormat = kDateFormat + 1;
// Excel stores a column width with the cell padding of the default font
// (5 of its 7-pixel digits) added to the width in characters.
inline constexpr double kColumnPadding = 5.0 / 7.0;

class Bytes {
 public:
  Bytes& U8(unsigned value) {
    data_.push_back(static_cast<char>(value & 0xFF));
    return *this;
  }
  Bytes& U16(unsigned value) { return U8(value).U8(value >> 8); }
  Bytes& U32(std::uint32_t value) { return U16(value & 0xFFFF).U16(value >> 16); }
  Bytes& F64(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return U32(static_cast<std::uint32_t>(bits)).U32(static_cast<std::uint32_t>(bits >> 32));
  }
  Bytes& Utf16(const QString& text) {
    for (const QChar c : text)
      U16(c.unicode());
    return *this;
  }
  // XLUnicodeString: 16-bit character count, flags (1: UTF-16), characters.
  Bytes& LongString(const QString& text) {
    return U16(static_cast<unsigned>(text.size())).U8(0x01).Utf16(text);
  }
  // ShortXLUnicodeString: the same with an 8-bit count.
  Bytes& ShortString(const QString& text) {
    return U8(static_cast<unsigned>(text.size())).U8(0x01).Utf16(text);
  }
  const QByteArray& data() const { return data_; }
  std::size_t size() const { return static_cast<std::size_t>(data_.size()); }

 private:
  QByteArray data_;
};

class Stream {
 public:
  void Record(std::uint16_t type, const Bytes& body) {
    const QByteArray& data = body.data();
    std::size_t offset = 0;
    do {
      const std::size_t chunk = std::min(kMaxBody, static_cast<std::size_t>(data.size()) - offset);
      Header(offset == 0 ? type : kContinue, chunk);
      out_.append(data.constData() + offset, static_cast<qsizetype>(chunk));
      offset += chunk;
    } while (offset < static_cast<std::size_t>(data.size()));
  }
  void Header(std::uint16_t type, std::size_t length) {
    Bytes header;
    header.U16(type).U16(static_cast<unsigned>(length));
    out_.append(header.data());
  }
  void Append(const QByteArray& bytes) { out_.append(bytes); }
  std::uint32_t Position() const { return static_cast<std::uint32_t>(out_.size()); }
  QByteArray& data() { return out_; }

 private:
  QByteArray out_;
};

// BOF: BIFF version 0x0600, substream type (5 globals, 0x10 worksheet),
// build 0x0DBB and year 0x07CC of the writing application, history flags
// and the lowest BIFF version that may read it (6).
inline void WriteBof(Stream& stream, unsigned substream) {
  stream.Record(kBof, Bytes().U16(0x0600).U16(substream).U16(0x0DBB).U16(0x07CC).U32(0).U32(6));
}

// FONT: height in twips, flags (bit 0 bold, as older readers take it),
// colour (0x7FFF: automatic), weight (400 normal, 700 bold), escapement,
// underline, family, character set, a reserved byte, and the name.
inline void WriteFont(Stream& stream, bool bold) {
  stream.Record(kFont, Bytes()
                           .U16(200)
                           .U16(bold ? 0x0001 : 0)
                           .U16(0x7FFF)
                           .U16(bold ? 700 : 400)
                           .U16(0)
                           .U8(0)
                           .U8(0)
                           .U8(0)
                           .U8(0)
                           .ShortString(QStringLiteral("Arial")));
}

// One cell look: the font, number format and vertical alignment of an XF.
struct XfKey {
  bool bold = false;
  bool date = false;
  VerticalAlignment vertical = VerticalAlignment::Bottom;
  int decimals = -1;  // a fixed number of places, 0 to kMostFixedDecimals; -1 none
  bool operator==(const XfKey&) const = default;
};

inline std::uint16_t FormatIndexOf(const XfKey& key) {
  if (key.date) return kDateFormat;
  if (key.decimals >= 0) return static_cast<std::uint16_t>(kFixedFormat + key.decimals);
  return 0;
}

inline unsigned VerticalCode(VerticalAlignment vertical) {
  switch (vertical) {
    case VerticalAlignment::Top:
      return 0;
    case VerticalAlignment::Center:
      return 1;
    case VerticalAlignment::Bottom:
      break;
  }
  return 2;
}

// XF (20 bytes): font index, format index, then protection with the parent
// style in the top 12 bits (0xFFF5 marks a style XF, 0x0001 a locked cell
// XF of style 0), the alignment byte (horizontal in bits 0-2, vertical in
// bits 4-6), rotation, indent, the flags of the attributes this XF sets
// itself (0x04 format, 0x08 font, 0x10 alignment), eight bytes of borders,
// and the pattern colours (foreground 0x40, background 0x41).
inline void WriteXf(Stream& stream, const XfKey& key, bool style) {
  const unsigned used = (FormatIndexOf(key) != 0 ? 0x04 : 0) | (key.bold ? 0x08 : 0) |
                        (key.vertical != VerticalAlignment::Bottom ? 0x10 : 0);
  stream.Record(kXf, Bytes()
                         .U16(key.bold ? kBoldFont : 0)
                         .U16(FormatIndexOf(key))
                         .U16(style ? 0xFFF5 : 0x0001)
                         .U8(VerticalCode(key.vertical) << 4)
                         .U8(0)
                         .U8(0)
                         .U8(style ? 0 : used)
                         .U32(0)
                         .U32(0)
                         .U16(0x20C0));
}

// The workbook globals up to the sheets: BOF, code page, window, date mode,
// fonts (4 plain, then bold at index 5), the date format, the 15 style XFs,
// the plain cell XF 15 and then `ownXfs` from 16 on, and the Normal style.
inline void WriteGlobalsHead(Stream& stream, const std::vector<XfKey>& ownXfs) {
  WriteBof(stream, 0x0005);
  stream.Record(kCodePage, Bytes().U16(1200));  // UTF-16
  // WINDOW1: position and size of the window in twips, flags (0x38: scroll
  // bars and sheet tabs shown), active and first tab, selected tab count,
  // and the tab bar width ratio in thousandths.
  stream.Record(
      kWindow1,
      Bytes().U16(0).U16(0).U16(0x4000).U16(0x2000).U16(0x0038).U16(0).U16(0).U16(1).U16(600));
  stream.Record(kDateMode, Bytes().U16(0));  // dates count from 1900
  for (int i = 0; i < 4; ++i)
    WriteFont(stream, false);
  WriteFont(stream, true);
  // FORMAT: index, then the format code.
  stream.Record(kFormat, Bytes().U16(kDateFormat).LongString(QString::fromLatin1(kDateTimeFormat)));
  for (int places = 0; places <= kMostFixedDecimals; ++places)
    stream.Record(kFormat, Bytes()
                               .U16(static_cast<unsigned>(kFixedFormat + places))
                               .LongString(QString::fromLatin1(kFixedFormats[places])));
  for (int i = 0; i < 15; ++i)
    WriteXf(stream, XfKey{}, true);
  WriteXf(stream, XfKey{}, false);
  for (const XfKey& key : ownXfs)
    WriteXf(stream, key, false);
  // STYLE: the built-in style 0 ("Normal") on XF 0, outline level 0xFF.
  stream.Record(kStyle, Bytes().U16(0x8000).U8(0).U8(0xFF));
}

// COLINFO: first and last column, width in 1/256 of a character, XF,
// flags (bit 0: hidden, which a width of 0 means), reserved.
inline void WriteColumnWidth(Stream& stream, int column, double width) {
  const bool hidden = width <= 0.0;
  const double stored = hidden ? 0.0 : std::min(255.0, width + kColumnPadding);
  stream.Record(kColInfo, Bytes()
                              .U16(static_cast<unsigned>(column))
                              .U16(static_cast<unsigned>(column))
                              .U16(static_cast<unsigned>(std::lround(stored * 256)))
                              .U16(kDefaultCellXf)
                              .U16(hidden ? 1 : 0)
                              .U16(0));
}

// DIMENSIONS: first row, last row + 1 (32-bit), first column, last column
// + 1, reserved.
inline Bytes DimensionsBody(std::uint32_t rows, int columns) {
  return Bytes().U32(0).U32(rows).U16(0).U16(static_cast<unsigned>(columns)).U16(0);
}

// ROW: row, first column, last column + 1, height in twips, two reserved
// words, flags (0x0100 always; 0x0040 when the height was set), and the
// row's XF. A height of 0 leaves the default.
inline void WriteRowRecord(Stream& stream, int row, int columns, double points) {
  const bool sized = points > 0.0;
  stream.Record(kRow, Bytes()
                          .U16(static_cast<unsigned>(row))
                          .U16(0)
                          .U16(static_cast<unsigned>(columns))
                          .U16(sized ? static_cast<unsigned>(std::lround(points * 20)) : 255)
                          .U16(0)
                          .U16(0)
                          .U16(sized ? 0x0140 : 0x0100)
                          .U16(kDefaultCellXf));
}

// A worksheet's records before its rows: BOF, the default column width,
// a COLINFO for each column and DIMENSIONS. Returns where DIMENSIONS' body
// stands in `stream`, for a writer that learns the rows only later.
inline std::uint32_t WriteSheetStart(Stream& stream, const std::map<int, double>& columnWidths,
                                     std::uint32_t rows, int columns) {
  WriteBof(stream, 0x0010);
  stream.Record(kDefColWidth, Bytes().U16(8));
  for (const auto& [column, width] : columnWidths)
    WriteColumnWidth(stream, column, width);
  const std::uint32_t dimensionsAt = stream.Position() + 4;
  stream.Record(kDimensions, DimensionsBody(rows, columns));
  return dimensionsAt;
}

inline void WriteWindow2(Stream& stream);

// A worksheet's records after its rows.
inline void WriteSheetEnd(Stream& stream) {
  WriteWindow2(stream);
  stream.Record(kEof, Bytes());
}

// WINDOW2: flags 0x06B6 (grid lines, headers, zeros, automatic grid colour,
// outline symbols, selected, shown), top row, left column, grid colour
// index 64, and the zoom factors left at their defaults.
inline void WriteWindow2(Stream& stream) {
  stream.Record(kWindow2, Bytes().U16(0x06B6).U16(0).U16(0).U16(64).U16(0).U16(0).U16(0).U32(0));
}

}  // namespace orbek::biff8
