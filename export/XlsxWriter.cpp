#include "export/XlsxWriter.h"

#include <xlsxwriter.h>
#include <zlib.h>

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <list>
#include <memory>
#include <vector>

#include "export/Workbook.h"
#include "export/WorkbookError.h"
#include "export/WorkbookLook.h"
#include "export/WorkbookWriter.h"
#include "storage/LazyLibrary.h"
#include "storage/NativePath.h"

namespace orbek {

namespace {

// libxlsxwriter is loaded when the first .xlsx is written.
QFunctionPointer Xlsxwriter(const char* function) {
  static LazyLibrary library(ORBEK_XLSXWRITER_SONAME);
  return library.ResolveOrThrow<WorkbookUnavailable>(function,
                                                     "The Excel writer could not be started");
}
#define XLSX(function) ORBEK_LAZY(Xlsxwriter, function)

struct WorkbookCloser {
  void operator()(lxw_workbook* workbook) const { XLSX(workbook_close)(workbook); }
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

// The first and the last bytes of a part, enough to see its root element
// open and close.
struct PartEnds {
  QByteArray head, tail;
};
constexpr qsizetype kEndBytes = 1024;

void Keep(PartEnds& ends, const char* data, qsizetype size) {
  if (ends.head.size() < kEndBytes)
    ends.head.append(data, std::min(size, kEndBytes - ends.head.size()));
  ends.tail.append(data, size);
  if (ends.tail.size() > kEndBytes) ends.tail.remove(0, ends.tail.size() - kEndBytes);
}

// A staged part cut short loses its end: a whole part closes the root
// element it opened.
bool EndsItsRootElement(const PartEnds& ends) {
  const QByteArray& xml = ends.head;
  qsizetype open = xml.indexOf('<');
  while (open >= 0 && open + 1 < xml.size() && (xml[open + 1] == '?' || xml[open + 1] == '!'))
    open = xml.indexOf('<', open + 1);
  if (open < 0) return false;
  qsizetype nameEnd = open + 1;
  while (nameEnd < xml.size() && xml[nameEnd] != ' ' && xml[nameEnd] != '>' &&
         xml[nameEnd] != '/' && xml[nameEnd] != '\r' && xml[nameEnd] != '\n')
    ++nameEnd;
  const QByteArray closing = "</" + xml.mid(open + 1, nameEnd - open - 1) + ">";
  const qsizetype startTagEnd = xml.indexOf('>', open);
  const bool selfClosed = startTagEnd > 0 && xml[startTagEnd - 1] == '/' &&
                          ends.tail.endsWith(xml.mid(open, startTagEnd - open + 1)) &&
                          xml.mid(startTagEnd + 1).trimmed().isEmpty();
  return ends.tail.trimmed().endsWith(closing) || selfClosed;
}

// Reads `packed` bytes of a part at the file's position, stored or
// deflated, in pieces; true when they give `size` bytes with checksum `crc`.
bool PartComplete(QFile& zip, quint32 method, qint64 packed, qint64 size, quint32 crc,
                  PartEnds& ends) {
  constexpr qint64 kPiece = 64 * 1024;
  uLong checksum = crc32(0, nullptr, 0);
  qint64 produced = 0;
  auto take = [&](const char* data, qsizetype count) {
    checksum = crc32(checksum, reinterpret_cast<const Bytef*>(data), static_cast<uInt>(count));
    Keep(ends, data, count);
    produced += count;
  };
  if (method == 0) {
    for (qint64 left = packed; left > 0;) {
      const QByteArray in = zip.read(std::min(left, kPiece));
      if (in.isEmpty()) return false;
      left -= in.size();
      take(in.constData(), in.size());
    }
    return produced == size && checksum == crc;
  }
  if (method != 8) return false;
  z_stream stream{};
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return false;
  QByteArray in;
  QByteArray out(kPiece, Qt::Uninitialized);
  qint64 left = packed;
  int result = Z_OK;
  bool outputFull = false;
  while (result == Z_OK) {
    if (stream.avail_in == 0 && !outputFull) {
      if (left == 0) break;  // the data ended before the stream did
      in = zip.read(std::min(left, kPiece));
      if (in.isEmpty()) break;
      left -= in.size();
      stream.next_in = reinterpret_cast<Bytef*>(in.data());
      stream.avail_in = static_cast<uInt>(in.size());
    }
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    result = inflate(&stream, Z_NO_FLUSH);
    outputFull = stream.avail_out == 0;
    take(out.constData(), out.size() - static_cast<qsizetype>(stream.avail_out));
  }
  inflateEnd(&stream);
  return result == Z_STREAM_END && produced == size && checksum == crc;
}

// Walks the zip's central directory (its end record is the last 22 bytes:
// no archive comment is written) and checks every part it lists, reading
// the file in pieces so that a large workbook needs little memory.
bool ZipPartsComplete(QFile& zip) {
  constexpr qint64 kEndRecord = 22, kDirectoryEntry = 46, kLocalHeader = 30;
  const qint64 fileSize = zip.size();
  if (fileSize < kEndRecord || !zip.seek(fileSize - kEndRecord)) return false;
  const QByteArray endRecord = zip.read(kEndRecord);
  if (endRecord.size() != kEndRecord || U32At(endRecord, 0) != 0x06054B50) return false;
  const quint32 parts = U16At(endRecord, 10);
  const qint64 directorySize = U32At(endRecord, 12), directoryAt = U32At(endRecord, 16);
  if (directoryAt + directorySize != fileSize - kEndRecord || !zip.seek(directoryAt)) return false;
  const QByteArray directory = zip.read(directorySize);
  if (directory.size() != directorySize) return false;
  qsizetype entry = 0;
  for (quint32 i = 0; i < parts; ++i) {
    if (entry + kDirectoryEntry > directory.size() || U32At(directory, entry) != 0x02014B50)
      return false;
    const quint32 method = U16At(directory, entry + 10), crc = U32At(directory, entry + 16);
    const qint64 packed = U32At(directory, entry + 20), size = U32At(directory, entry + 24);
    const qsizetype nameLength = U16At(directory, entry + 28);
    const qint64 local = U32At(directory, entry + 42);
    const QByteArray name = directory.mid(entry + kDirectoryEntry, nameLength);
    entry +=
        kDirectoryEntry + nameLength + U16At(directory, entry + 30) + U16At(directory, entry + 32);
    if (local + kLocalHeader > directoryAt || !zip.seek(local)) return false;
    const QByteArray header = zip.read(kLocalHeader);
    if (header.size() != kLocalHeader || U32At(header, 0) != 0x04034B50) return false;
    const qint64 data = local + kLocalHeader + U16At(header, 26) + U16At(header, 28);
    if (data + packed > directoryAt || !zip.seek(data)) return false;
    PartEnds ends;
    if (!PartComplete(zip, method, packed, size, crc, ends)) return false;
    if ((name.endsWith(".xml") || name.endsWith(".rels")) && !EndsItsRootElement(ends))
      return false;
  }
  return true;
}

void Check(lxw_error error) {
  if (error != LXW_NO_ERROR) Fail(QString::fromLatin1(XLSX(lxw_strerror)(error)));
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
    const int decimals = cell.content.kind == CellContent::Kind::Number
                             ? std::clamp(cell.content.decimals, -1, kMostFixedDecimals)
                             : -1;
    if (cell.style == CellStyle{} && !date && decimals < 0) return nullptr;
    for (const auto& known : known_)
      if (known.style == cell.style && known.date == date && known.decimals == decimals)
        return known.format;
    lxw_format* format = XLSX(workbook_add_format)(workbook_);
    if (cell.style.bold) XLSX(format_set_bold)(format);
    if (cell.style.vertical != VerticalAlignment::Bottom)
      XLSX(format_set_align)(format, VerticalOf(cell.style.vertical));
    if (date) XLSX(format_set_num_format)(format, kDateTimeFormat);
    if (decimals >= 0) XLSX(format_set_num_format)(format, kFixedFormats[decimals]);
    known_.push_back({cell.style, date, decimals, format});
    return format;
  }

 private:
  struct Known {
    CellStyle style;
    bool date;
    int decimals;
    lxw_format* format;
  };
  lxw_workbook* workbook_;
  std::vector<Known> known_;
};

char* KeepText(KeptTexts& texts, const QString& text) {
  texts.push_back(text.toUtf8());
  return texts.back().data();
}

// A scatter chart with straight lines and no markers: a line against the x
// column, as the window draws it.
void WriteChart(lxw_workbook* book, const std::vector<QString>& sheets, const WorkbookChart& chart,
                KeptTexts& texts) {
  const auto keep = [&texts](const QString& text) { return KeepText(texts, text); };
  lxw_chart* drawn =
      XLSX(workbook_add_chart)(book, chart.lines ? LXW_CHART_SCATTER_STRAIGHT : LXW_CHART_SCATTER);
  if (drawn == nullptr) Fail(QStringLiteral("the chart could not be added"));
  if (!chart.title.isEmpty()) XLSX(chart_title_set_name)(drawn, keep(chart.title));
  XLSX(chart_legend_set_position)(drawn, LXW_CHART_LEGEND_BOTTOM);
  if (!chart.xFormat.isEmpty()) XLSX(chart_axis_set_num_format)(drawn->x_axis, keep(chart.xFormat));
  if (!chart.xTitle.isEmpty()) XLSX(chart_axis_set_name)(drawn->x_axis, keep(chart.xTitle));
  if (!chart.yTitle.isEmpty()) XLSX(chart_axis_set_name)(drawn->y_axis, keep(chart.yTitle));
  char* data = keep(sheets.at(static_cast<std::size_t>(chart.dataSheet)));
  const auto x = static_cast<lxw_col_t>(chart.xColumn);
  for (const WorkbookChart::Series& series : chart.series) {
    lxw_chart_series* line = XLSX(chart_add_series)(drawn, nullptr, nullptr);
    if (line == nullptr) Fail(QStringLiteral("the chart could not be added"));
    const auto y = static_cast<lxw_col_t>(series.column);
    const auto first = static_cast<lxw_row_t>(series.firstRow < 0 ? chart.firstRow : series.firstRow);
    const auto last = static_cast<lxw_row_t>(series.lastRow < 0 ? chart.lastRow : series.lastRow);
    XLSX(chart_series_set_categories)(line, data, first, x, last, x);
    XLSX(chart_series_set_values)(line, data, first, y, last, y);
    if (series.name.isEmpty()) {
      XLSX(chart_series_set_name_range)(line, data, 0, y);
    } else {
      XLSX(chart_series_set_name)(line, keep(series.name));
    }
    lxw_chart_line look{};
    look.color = series.rgb;
    look.width = 1.25F;
    look.dash_type = series.dashed ? LXW_CHART_LINE_DASH_DASH : LXW_CHART_LINE_DASH_SOLID;
    if (chart.lines) {
      XLSX(chart_series_set_marker_type)(line, LXW_CHART_MARKER_NONE);
      XLSX(chart_series_set_line)(line, &look);
    } else {
      XLSX(chart_series_set_marker_type)(line, LXW_CHART_MARKER_CIRCLE);
      XLSX(chart_series_set_marker_size)(line, 3);
      lxw_chart_fill fill{};
      fill.color = series.rgb;
      XLSX(chart_series_set_marker_fill)(line, &fill);
      XLSX(chart_series_set_marker_line)(line, &look);
    }
  }
  lxw_worksheet* sheet = XLSX(workbook_get_worksheet_by_name)(
      book, keep(sheets.at(static_cast<std::size_t>(chart.sheet))));
  if (sheet == nullptr) Fail(QStringLiteral("the chart's worksheet is missing"));
  lxw_chart_options place{};
  place.x_scale = 1.1;
  place.y_scale = 0.9;
  Check(XLSX(worksheet_insert_chart_opt)(sheet, static_cast<lxw_row_t>(chart.row),
                                         static_cast<lxw_col_t>(chart.column), drawn, &place));
}

}  // namespace

void WriteXlsxProperties(lxw_workbook* book, const DocumentProperties& source, KeptTexts& texts) {
  lxw_doc_properties properties{};
  const auto set = [&texts](char*& field, const QString& text) {
    if (!text.isEmpty()) field = KeepText(texts, text);
  };
  set(properties.title, source.title);
  set(properties.subject, source.subject);
  set(properties.author, source.author);
  set(properties.keywords, source.keywords);
  set(properties.comments, source.comments);
  Check(XLSX(workbook_set_properties)(book, &properties));
}

void CheckXlsxComplete(const QString& path) {
  QFile file;
  QString reason;
  if (!OpenNative(file, path, QIODevice::ReadOnly, &reason)) Fail(reason);
  if (!ZipPartsComplete(file))
    Fail(QStringLiteral("the workbook could not be written completely (is the disk full?)"));
}

namespace {

class XlsxWorkbookWriter : public WorkbookWriter {
 public:
  XlsxWorkbookWriter(const QString& path, const DocumentProperties& properties) : path_(path) {
    // The library stages each part in a work file; those go beside the
    // target, where the room for the workbook is, not in /tmp.
    folder_ = NativeFromPath(QFileInfo(path).absolutePath());
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = folder_.data();
    book_.reset(XLSX(workbook_new_opt)(NativeFromPath(path).constData(), &options));
    if (!book_) Fail(QStringLiteral("the workbook could not be created"));
    formats_ = std::make_unique<Formats>(book_.get());
    WriteXlsxProperties(book_.get(), properties, texts_);
  }

  int AddSheet(const QString& name, const std::map<int, double>& columnWidths) override {
    lxw_worksheet* sheet = XLSX(workbook_add_worksheet)(book_.get(), name.toUtf8().constData());
    if (sheet == nullptr) Fail(QStringLiteral("the worksheet could not be added"));
    for (const auto& [column, width] : columnWidths) {
      // A width of 0 is a hidden column, as in the spreadsheet program.
      lxw_row_col_options hidden{};
      hidden.hidden = width <= 0.0 ? 1 : 0;
      Check(XLSX(worksheet_set_column_opt)(sheet, static_cast<lxw_col_t>(column),
                                           static_cast<lxw_col_t>(column), std::max(width, 0.0),
                                           nullptr, &hidden));
    }
    sheets_.push_back(sheet);
    names_.push_back(name);
    return static_cast<int>(sheets_.size()) - 1;
  }

  void AddRow(int sheet, int row, const std::vector<Cell>& cells, double points) override {
    lxw_worksheet* target = sheets_.at(static_cast<std::size_t>(sheet));
    const auto r = static_cast<lxw_row_t>(row);
    if (points > 0.0) Check(XLSX(worksheet_set_row)(target, r, points, nullptr));
    for (std::size_t c = 0; c < cells.size(); ++c)
      Write(target, r, static_cast<lxw_col_t>(c), cells[c]);
  }

  void AddChart(const WorkbookChart& chart) override {
    WriteChart(book_.get(), names_, chart, texts_);
  }

  void Finish() override {
    Check(XLSX(workbook_close)(book_.release()));
    CheckXlsxComplete(path_);
  }

 private:
  void Write(lxw_worksheet* sheet, lxw_row_t r, lxw_col_t c, const Cell& cell) {
    lxw_format* format = formats_->For(cell);
    switch (cell.content.kind) {
      case CellContent::Kind::Text:
        return Check(XLSX(worksheet_write_string)(sheet, r, c,
                                                  cell.content.text.toUtf8().constData(), format));
      case CellContent::Kind::Number:
      case CellContent::Kind::DateTime:
        return Check(XLSX(worksheet_write_number)(sheet, r, c, cell.content.number, format));
      case CellContent::Kind::Empty:
        if (format != nullptr) Check(XLSX(worksheet_write_blank)(sheet, r, c, format));
        return;
    }
  }

  QString path_;
  QByteArray folder_;
  WorkbookHandle book_;
  std::unique_ptr<Formats> formats_;
  KeptTexts texts_;
  std::vector<lxw_worksheet*> sheets_;
  std::vector<QString> names_;
};

}  // namespace

std::unique_ptr<WorkbookWriter> OpenXlsxWriter(const QString& path,
                                               const DocumentProperties& properties) {
  return std::make_unique<XlsxWorkbookWriter>(path, properties);
}

}  // namespace orbek
