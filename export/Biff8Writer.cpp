// Excel 97-2003 (BIFF8) writer. Every record is a little-endian header of
// two 16-bit words, the record type and the length of its body, followed by
// the body; a body holds at most 8224 bytes, and a longer one goes on in
// CONTINUE records. Texts are written as UTF-16LE throughout.
#include "export/Biff8Writer.h"

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-utils.h>

#include <QHash>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "export/Workbook.h"
#include "export/WorkbookError.h"

namespace orbek {

namespace {

// Record types.
constexpr std::uint16_t kBof = 0x0809, kEof = 0x000A, kContinue = 0x003C;
constexpr std::uint16_t kCodePage = 0x0042, kWindow1 = 0x003D, kDateMode = 0x0022;
constexpr std::uint16_t kFont = 0x0031, kFormat = 0x041E, kXf = 0x00E0, kStyle = 0x0293;
constexpr std::uint16_t kBoundSheet = 0x0085, kSst = 0x00FC, kExtSst = 0x00FF;
constexpr std::uint16_t kDefColWidth = 0x0055, kColInfo = 0x007D, kDimensions = 0x0200;
constexpr std::uint16_t kRow = 0x0208, kLabelSst = 0x00FD, kNumber = 0x0203, kBlank = 0x0201;
constexpr std::uint16_t kWindow2 = 0x023E;

constexpr std::size_t kMaxBody = 8224;
constexpr int kRowsPerBlock = 32;
constexpr std::uint16_t kDefaultCellXf = 15;  // XFs 0..14 are styles, 15 the plain cell
constexpr std::uint16_t kFirstOwnXf = 16;
constexpr std::uint16_t kBoldFont = 5;      // font index 4 does not exist in BIFF
constexpr std::uint16_t kDateFormat = 164;  // the first index for formats of our own
// Excel stores a column width with the cell padding of the default font
// (5 of its 7-pixel digits) added to the width in characters.
constexpr double kColumnPadding = 5.0 / 7.0;

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
void WriteBof(Stream& stream, unsigned substream) {
  stream.Record(kBof, Bytes().U16(0x0600).U16(substream).U16(0x0DBB).U16(0x07CC).U32(0).U32(6));
}

// FONT: height in twips, flags (bit 0 bold, as older readers take it),
// colour (0x7FFF: automatic), weight (400 normal, 700 bold), escapement,
// underline, family, character set, a reserved byte, and the name.
void WriteFont(Stream& stream, bool bold) {
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
  bool operator==(const XfKey&) const = default;
};

unsigned VerticalCode(VerticalAlignment vertical) {
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
void WriteXf(Stream& stream, const XfKey& key, bool style) {
  const unsigned used = (key.date ? 0x04 : 0) | (key.bold ? 0x08 : 0) |
                        (key.vertical != VerticalAlignment::Bottom ? 0x10 : 0);
  stream.Record(kXf, Bytes()
                         .U16(key.bold ? kBoldFont : 0)
                         .U16(key.date ? kDateFormat : 0)
                         .U16(style ? 0xFFF5 : 0x0001)
                         .U8(VerticalCode(key.vertical) << 4)
                         .U8(0)
                         .U8(0)
                         .U8(style ? 0 : used)
                         .U32(0)
                         .U32(0)
                         .U16(0x20C0));
}

XfKey KeyOf(const Cell& cell) {
  return {cell.style.bold, cell.content.kind == CellContent::Kind::DateTime, cell.style.vertical};
}

class Writer {
 public:
  explicit Writer(const Workbook& workbook) : workbook_(workbook) { CollectStylesAndStrings(); }

  QByteArray Build() {
    WriteGlobals();
    for (int i = 0; i < workbook_.SheetCount(); ++i) {
      PatchSheetOffset(i, stream_.Position());
      WriteSheet(workbook_.Sheet(i));
    }
    return stream_.data();
  }

 private:
  void CollectStylesAndStrings() {
    for (int s = 0; s < workbook_.SheetCount(); ++s) {
      const Worksheet& sheet = workbook_.Sheet(s);
      for (int r = 0; r < sheet.RowCount(); ++r)
        for (int c = 0; c < sheet.ColumnCount(); ++c)
          if (const Cell* cell = sheet.Find(r, c)) Collect(*cell);
    }
  }

  void Collect(const Cell& cell) {
    const XfKey key = KeyOf(cell);
    if (!(key == XfKey{}) && std::find(xfs_.begin(), xfs_.end(), key) == xfs_.end())
      xfs_.push_back(key);
    if (cell.content.kind != CellContent::Kind::Text) return;
    ++references_;
    if (stringIndex_.contains(cell.content.text)) return;
    stringIndex_.insert(cell.content.text, static_cast<std::uint32_t>(strings_.size()));
    strings_.push_back(cell.content.text);
  }

  std::uint16_t XfOf(const Cell& cell) const {
    const XfKey key = KeyOf(cell);
    if (key == XfKey{}) return kDefaultCellXf;
    const auto it = std::find(xfs_.begin(), xfs_.end(), key);
    return static_cast<std::uint16_t>(kFirstOwnXf + (it - xfs_.begin()));
  }

  void WriteGlobals() {
    WriteBof(stream_, 0x0005);
    stream_.Record(kCodePage, Bytes().U16(1200));  // UTF-16
    // WINDOW1: position and size of the window in twips, flags (0x38:
    // scroll bars and sheet tabs shown), active and first tab, selected tab
    // count, and the tab bar width ratio in thousandths.
    stream_.Record(
        kWindow1,
        Bytes().U16(0).U16(0).U16(0x4000).U16(0x2000).U16(0x0038).U16(0).U16(0).U16(1).U16(600));
    stream_.Record(kDateMode, Bytes().U16(0));  // dates count from 1900
    for (int i = 0; i < 4; ++i)
      WriteFont(stream_, false);
    WriteFont(stream_, true);
    // FORMAT: index, then the format code.
    stream_.Record(kFormat,
                   Bytes().U16(kDateFormat).LongString(QStringLiteral("yyyy-mm-dd hh:mm:ss")));
    for (int i = 0; i < 15; ++i)
      WriteXf(stream_, XfKey{}, true);
    WriteXf(stream_, XfKey{}, false);
    for (const XfKey& key : xfs_)
      WriteXf(stream_, key, false);
    // STYLE: the built-in style 0 ("Normal") on XF 0, outline level 0xFF.
    stream_.Record(kStyle, Bytes().U16(0x8000).U8(0).U8(0xFF));
    // BOUNDSHEET: stream offset of the sheet's BOF (filled in later),
    // visible worksheet, name.
    for (int i = 0; i < workbook_.SheetCount(); ++i) {
      sheetOffsets_.push_back(stream_.Position() + 4);
      stream_.Record(kBoundSheet, Bytes().U32(0).U16(0).ShortString(workbook_.Sheet(i).Name()));
    }
    WriteStringTable();
    stream_.Record(kEof, Bytes());
  }

  // SST: total and unique string counts, then each string as count, flags
  // and characters. A string that does not fit the record goes on in a
  // CONTINUE record, whose body starts with the flags byte again; a
  // string's count and flags are never split. EXTSST then gives, for every
  // bucket of strings, where its first string starts.
  void WriteStringTable() {
    const std::size_t perBucket = std::max<std::size_t>(8, (strings_.size() + 127) / 128);
    Bytes extSst;
    extSst.U16(static_cast<unsigned>(perBucket));
    QByteArray body;
    std::uint32_t recordStart = stream_.Position();
    std::uint16_t recordType = kSst;
    auto flush = [&] {
      stream_.Header(recordType, static_cast<std::size_t>(body.size()));
      stream_.Append(body);
      body.clear();
      recordType = kContinue;
      recordStart = stream_.Position();
    };
    body.append(Bytes().U32(references_).U32(static_cast<std::uint32_t>(strings_.size())).data());
    for (std::size_t i = 0; i < strings_.size(); ++i) {
      const QString& text = strings_[i];
      if (body.size() + 5 > static_cast<qsizetype>(kMaxBody)) flush();
      if (i % perBucket == 0) {
        const auto inRecord = static_cast<std::uint32_t>(4 + body.size());
        extSst.U32(recordStart + inRecord).U16(inRecord).U16(0);
      }
      body.append(Bytes().U16(static_cast<unsigned>(text.size())).U8(0x01).data());
      qsizetype written = 0;
      while (written < text.size()) {
        const qsizetype room = (static_cast<qsizetype>(kMaxBody) - body.size()) / 2;
        if (room == 0) {
          flush();
          body.append(Bytes().U8(0x01).data());
          continue;
        }
        const qsizetype count = std::min(room, text.size() - written);
        body.append(Bytes().Utf16(text.mid(written, count)).data());
        written += count;
      }
    }
    flush();
    stream_.Record(kExtSst, extSst);
  }

  void PatchSheetOffset(int sheet, std::uint32_t offset) {
    QByteArray& data = stream_.data();
    const auto at = static_cast<qsizetype>(sheetOffsets_[static_cast<std::size_t>(sheet)]);
    for (int i = 0; i < 4; ++i)
      data[at + i] = static_cast<char>((offset >> (8 * i)) & 0xFF);
  }

  void WriteSheet(const Worksheet& sheet) {
    WriteBof(stream_, 0x0010);
    stream_.Record(kDefColWidth, Bytes().U16(8));
    WriteColumnWidths(sheet);
    // DIMENSIONS: first row, last row + 1 (32-bit), first column, last
    // column + 1, reserved.
    stream_.Record(kDimensions, Bytes()
                                    .U32(0)
                                    .U32(static_cast<std::uint32_t>(sheet.RowCount()))
                                    .U16(0)
                                    .U16(static_cast<unsigned>(sheet.ColumnCount()))
                                    .U16(0));
    const int rows = std::max(sheet.RowCount(), HighestSizedRow(sheet) + 1);
    for (int first = 0; first < rows; first += kRowsPerBlock)
      WriteRowBlock(sheet, first, std::min(first + kRowsPerBlock, rows));
    // WINDOW2: flags 0x06B6 (grid lines, headers, zeros, automatic grid
    // colour, outline symbols, selected, shown), top row, left column,
    // grid colour index 64, and the zoom factors left at their defaults.
    stream_.Record(kWindow2, Bytes().U16(0x06B6).U16(0).U16(0).U16(64).U16(0).U16(0).U16(0).U32(0));
    stream_.Record(kEof, Bytes());
  }

  static int HighestSizedRow(const Worksheet& sheet) {
    return sheet.RowHeights().empty() ? -1 : sheet.RowHeights().rbegin()->first;
  }

  // COLINFO: first and last column, width in 1/256 of a character, XF,
  // flags (bit 0: hidden, which a width of 0 means), reserved.
  void WriteColumnWidths(const Worksheet& sheet) {
    for (const auto& [column, width] : sheet.ColumnWidths()) {
      const bool hidden = width <= 0.0;
      const double stored = hidden ? 0.0 : std::min(255.0, width + kColumnPadding);
      stream_.Record(kColInfo, Bytes()
                                   .U16(static_cast<unsigned>(column))
                                   .U16(static_cast<unsigned>(column))
                                   .U16(static_cast<unsigned>(std::lround(stored * 256)))
                                   .U16(kDefaultCellXf)
                                   .U16(hidden ? 1 : 0)
                                   .U16(0));
    }
  }

  // ROW: row, first column, last column + 1, height in twips, two reserved
  // words, flags (0x0100 always; 0x0040 when the height was set), and the
  // row's XF.
  void WriteRow(const Worksheet& sheet, int row) {
    const auto height = sheet.RowHeights().find(row);
    const bool sized = height != sheet.RowHeights().end();
    stream_.Record(kRow,
                   Bytes()
                       .U16(static_cast<unsigned>(row))
                       .U16(0)
                       .U16(static_cast<unsigned>(sheet.ColumnCount()))
                       .U16(sized ? static_cast<unsigned>(std::lround(height->second * 20)) : 255)
                       .U16(0)
                       .U16(0)
                       .U16(sized ? 0x0140 : 0x0100)
                       .U16(kDefaultCellXf));
  }

  void WriteRowBlock(const Worksheet& sheet, int first, int end) {
    for (int row = first; row < end; ++row)
      WriteRow(sheet, row);
    for (int row = first; row < end && row < sheet.RowCount(); ++row)
      for (int column = 0; column < sheet.ColumnCount(); ++column)
        if (const Cell* cell = sheet.Find(row, column)) WriteCell(row, column, *cell);
  }

  // Cells start with row, column and XF. LABELSST adds the index of its
  // string, NUMBER the value as a double; BLANK has a look and no value.
  void WriteCell(int row, int column, const Cell& cell) {
    Bytes body;
    body.U16(static_cast<unsigned>(row)).U16(static_cast<unsigned>(column)).U16(XfOf(cell));
    switch (cell.content.kind) {
      case CellContent::Kind::Text:
        stream_.Record(kLabelSst, body.U32(stringIndex_.value(cell.content.text)));
        return;
      case CellContent::Kind::Number:
      case CellContent::Kind::DateTime:
        stream_.Record(kNumber, body.F64(cell.content.number));
        return;
      case CellContent::Kind::Empty:
        if (XfOf(cell) != kDefaultCellXf) stream_.Record(kBlank, body);
        return;
    }
  }

  const Workbook& workbook_;
  Stream stream_;
  std::vector<XfKey> xfs_;
  std::vector<QString> strings_;
  QHash<QString, std::uint32_t> stringIndex_;
  std::uint32_t references_ = 0;
  std::vector<std::uint32_t> sheetOffsets_;
};

}  // namespace

QByteArray Biff8WorkbookStream(const Workbook& workbook) {
  return Writer(workbook).Build();
}

QByteArray Biff8File(const Workbook& workbook) {
  const QByteArray stream = Biff8WorkbookStream(workbook);
  gsf_init();
  GsfOutput* sink = gsf_output_memory_new();
  GsfOutfile* document = gsf_outfile_msole_new(sink);
  GsfOutput* child = gsf_outfile_new_child(document, "Workbook", FALSE);
  const bool written = child != nullptr &&
                       gsf_output_write(child, static_cast<std::size_t>(stream.size()),
                                        reinterpret_cast<const guint8*>(stream.constData())) &&
                       gsf_output_close(child);
  const bool closed = gsf_output_close(GSF_OUTPUT(document));
  QByteArray file;
  if (written && closed)
    file = QByteArray(
        reinterpret_cast<const char*>(gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(sink))),
        static_cast<qsizetype>(gsf_output_size(sink)));
  if (child != nullptr) g_object_unref(child);
  g_object_unref(document);
  g_object_unref(sink);
  if (file.isEmpty()) throw WorkbookError("Could not build the Excel 97-2003 document");
  return file;
}

}  // namespace orbek
