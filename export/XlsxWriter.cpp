#include "export/XlsxWriter.h"

#include <xlsxwriter.h>
#include <zlib.h>

#include <QFile>
#include <cmath>
#include <memory>
#include <vector>

#include "export/Workbook.h"
#include "export/WorkbookError.h"

namespace orbek {

namespace {

struct WorkbookCloser {
  void operator()(lxw_workbook* workbook) const { workbook_close(workbook); }
};
using WorkbookHandle = std::unique_ptr<lxw_workbook, WorkbookCloser>;

[[noreturn]] void Fail(const QString& reason) {
  throw WorkbookError(reason.toStdString());
}

quint32 U16At(const QByteArray& data, qsizetype at) {
  return static_cast<quint8>(data[at]) | static_cast<quint32>(static_cast<quint8>(data[at + 1]))
                                             << 8;
}

quint32 U32At(const QByteArray& data, qsizetype at) {
  return U16At(data, at) | U16At(data, at + 2) << 16;
}

// Inflates a raw deflate stream of known size.
bool Inflate(const char* data, qsizetype size, QByteArray& out) {
  z_stream stream{};
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return false;
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
  stream.avail_in = static_cast<uInt>(size);
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int result = inflate(&stream, Z_FINISH);
  inflateEnd(&stream);
  return result == Z_STREAM_END && stream.avail_out == 0;
}

// A staged part cut short loses its end: a whole part closes the root
// element it opened.
bool EndsItsRootElement(const QByteArray& xml) {
  qsizetype open = xml.indexOf('<');
  while (open >= 0 && open + 1 < xml.size() && (xml[open + 1] == '?' || xml[open + 1] == '!'))
    open = xml.indexOf('<', open + 1);
  if (open < 0) return false;
  qsizetype nameEnd = open + 1;
  while (nameEnd < xml.size() && xml[nameEnd] != ' ' && xml[nameEnd] != '>' &&
         xml[nameEnd] != '/' && xml[nameEnd] != '\r' && xml[nameEnd] != '\n')
    ++nameEnd;
  const QByteArray body = xml.trimmed();
  const QByteArray closing = "</" + xml.mid(open + 1, nameEnd - open - 1) + ">";
  const qsizetype startTagEnd = xml.indexOf('>', open);
  const bool selfClosed = startTagEnd > 0 && xml[startTagEnd - 1] == '/' &&
                          xml.mid(startTagEnd + 1).trimmed().isEmpty();
  return body.endsWith(closing) || selfClosed;
}

// Walks the zip's central directory (its end record is the last 22 bytes:
// no archive comment is written) and checks every part it lists.
bool ZipPartsComplete(const QByteArray& zip) {
  constexpr qsizetype kEndRecord = 22, kDirectoryEntry = 46, kLocalHeader = 30;
  if (zip.size() < kEndRecord) return false;
  const qsizetype end = zip.size() - kEndRecord;
  if (U32At(zip, end) != 0x06054B50) return false;
  const quint32 parts = U16At(zip, end + 10);
  qsizetype entry = U32At(zip, end + 16);
  if (entry + static_cast<qsizetype>(U32At(zip, end + 12)) != end) return false;
  for (quint32 i = 0; i < parts; ++i) {
    if (entry + kDirectoryEntry > end || U32At(zip, entry) != 0x02014B50) return false;
    const quint32 method = U16At(zip, entry + 10), crc = U32At(zip, entry + 16);
    const qsizetype packed = U32At(zip, entry + 20), size = U32At(zip, entry + 24);
    const qsizetype nameLength = U16At(zip, entry + 28);
    const qsizetype local = U32At(zip, entry + 42);
    const QByteArray name = zip.mid(entry + kDirectoryEntry, nameLength);
    entry += kDirectoryEntry + nameLength + U16At(zip, entry + 30) + U16At(zip, entry + 32);
    if (local + kLocalHeader > end || U32At(zip, local) != 0x04034B50) return false;
    const qsizetype data = local + kLocalHeader + U16At(zip, local + 26) + U16At(zip, local + 28);
    if (data + packed > end) return false;
    QByteArray content(size, Qt::Uninitialized);
    if (method == 0 && packed == size) {
      content = zip.mid(data, size);
    } else if (method != 8 || !Inflate(zip.constData() + data, packed, content)) {
      return false;
    }
    const auto checksum = crc32(0, reinterpret_cast<const Bytef*>(content.constData()),
                                static_cast<uInt>(content.size()));
    if (checksum != crc) return false;
    if ((name.endsWith(".xml") || name.endsWith(".rels")) && !EndsItsRootElement(content))
      return false;
  }
  return true;
}

void Check(lxw_error error) {
  if (error != LXW_NO_ERROR) Fail(QString::fromLatin1(lxw_strerror(error)));
}

lxw_format_alignments VerticalOf(VerticalAlignment vertical) {
  switch (vertical) {
    case VerticalAlignment::Top:
      return LXW_ALIGN_VERTICAL_TOP;
    case VerticalAlignment::Center:
      return LXW_ALIGN_VERTICAL_CENTER;
    case VerticalAlignment::Bottom:
      break;
  }
  return LXW_ALIGN_VERTICAL_BOTTOM;
}

// One libxlsxwriter format per look in use; the plain look needs none.
class Formats {
 public:
  explicit Formats(lxw_workbook* workbook) : workbook_(workbook) {}

  lxw_format* For(const Cell& cell) {
    const bool date = cell.content.kind == CellContent::Kind::DateTime;
    if (cell.style == CellStyle{} && !date) return nullptr;
    for (const auto& known : known_)
      if (known.style == cell.style && known.date == date) return known.format;
    lxw_format* format = workbook_add_format(workbook_);
    if (cell.style.bold) format_set_bold(format);
    if (cell.style.vertical != VerticalAlignment::Bottom)
      format_set_align(format, VerticalOf(cell.style.vertical));
    if (date) format_set_num_format(format, "yyyy-mm-dd hh:mm:ss");
    known_.push_back({cell.style, date, format});
    return format;
  }

 private:
  struct Known {
    CellStyle style;
    bool date;
    lxw_format* format;
  };
  lxw_workbook* workbook_;
  std::vector<Known> known_;
};

void WriteCell(lxw_worksheet* sheet, int row, int column, const Cell& cell, lxw_format* format) {
  const auto r = static_cast<lxw_row_t>(row);
  const auto c = static_cast<lxw_col_t>(column);
  switch (cell.content.kind) {
    case CellContent::Kind::Text:
      return Check(
          worksheet_write_string(sheet, r, c, cell.content.text.toUtf8().constData(), format));
    case CellContent::Kind::Number:
    case CellContent::Kind::DateTime:
      return Check(worksheet_write_number(sheet, r, c, cell.content.number, format));
    case CellContent::Kind::Empty:
      if (format != nullptr) Check(worksheet_write_blank(sheet, r, c, format));
      return;
  }
}

void WriteSheet(lxw_workbook* workbook, Formats& formats, const Worksheet& source) {
  lxw_worksheet* sheet = workbook_add_worksheet(workbook, source.Name().toUtf8().constData());
  if (sheet == nullptr) Fail(QStringLiteral("the worksheet could not be added"));
  for (const auto& [column, width] : source.ColumnWidths()) {
    // A width of 0 is a hidden column, as in the spreadsheet program.
    lxw_row_col_options hidden{};
    hidden.hidden = width <= 0.0 ? 1 : 0;
    Check(worksheet_set_column_opt(sheet, static_cast<lxw_col_t>(column),
                                   static_cast<lxw_col_t>(column), std::max(width, 0.0), nullptr,
                                   &hidden));
  }
  for (const auto& [row, height] : source.RowHeights())
    Check(worksheet_set_row(sheet, static_cast<lxw_row_t>(row), height, nullptr));
  for (int row = 0; row < source.RowCount(); ++row)
    for (int column = 0; column < source.ColumnCount(); ++column)
      if (const Cell* cell = source.Find(row, column))
        WriteCell(sheet, row, column, *cell, formats.For(*cell));
}

// libxlsxwriter reports success even when its own writes failed (a full
// disk, a file size limit): it stages each part in a temporary file and
// does not check those writes, so the archive can come out truncated, or
// whole but with truncated parts. So the written archive is read back:
// every part must inflate to its recorded size and checksum, and every XML
// part must end its root element.
void CheckComplete(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly) || !ZipPartsComplete(file.readAll()))
    Fail(QStringLiteral("the workbook could not be written completely (is the disk full?)"));
}

}  // namespace

void WriteXlsx(const Workbook& workbook, const QString& path) {
  lxw_workbook_options options{};
  options.constant_memory = LXW_FALSE;
  WorkbookHandle book(workbook_new_opt(QFile::encodeName(path).constData(), &options));
  if (!book) Fail(QStringLiteral("the workbook could not be created"));
  Formats formats(book.get());
  for (int i = 0; i < workbook.SheetCount(); ++i)
    WriteSheet(book.get(), formats, workbook.Sheet(i));
  Check(workbook_close(book.release()));
  CheckComplete(path);
}

}  // namespace orbek
