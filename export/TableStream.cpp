#include "export/TableStream.h"

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>
#include <xlsxwriter.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <list>

#include "export/Biff8Records.h"
#include "export/Biff8Writer.h"
#include "export/CellText.h"
#include "export/OutputFormats.h"
#include "export/WorkbookError.h"
#include "export/XlsxWriter.h"
#include "storage/NativePath.h"

namespace orbek {

namespace {

[[noreturn]] void Fail(const QString& reason) {
  throw WorkbookError(reason.toStdString());
}

QString SheetName(int index) {
  return QStringLiteral("Sheet%1").arg(index + 1);
}

// .xlsx through libxlsxwriter in its constant-memory mode, which writes
// each row out as the next one starts; its work files go beside the target.
class XlsxStream : public TableStream {
 public:
  XlsxStream(const QString& path, TableLook look, const DocumentProperties& properties)
      : path_(path), look_(std::move(look)) {
    folder_ = NativeFromPath(QFileInfo(path).absolutePath());
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = folder_.data();
    book_ = workbook_new_opt(NativeFromPath(path).constData(), &options);
    if (book_ == nullptr) Fail(QStringLiteral("the workbook could not be created"));
    heading_ = workbook_add_format(book_);
    format_set_bold(heading_);
    format_set_align(heading_, LXW_ALIGN_VERTICAL_CENTER);
    bold_ = workbook_add_format(book_);
    format_set_bold(bold_);
    date_ = workbook_add_format(book_);
    format_set_num_format(date_, kDateTimeFormat);
    WriteXlsxProperties(book_, properties, texts_);
    NewSheet();
  }
  ~XlsxStream() override {
    if (book_ != nullptr) workbook_close(book_);
  }

  void AddCells(const std::vector<CellContent>& cells) override {
    if (row_ == kXlsxSheetRows) NewSheet();
    for (std::size_t column = 0; column < cells.size(); ++column)
      Write(static_cast<qsizetype>(column), cells[column], nullptr);
    ++row_;
  }

  void AddSheet(const QString& name, const std::vector<SheetRow>& rows,
                const std::vector<double>& columnWidths) override {
    sheet_ = workbook_add_worksheet(book_, name.toUtf8().constData());
    if (sheet_ == nullptr) Fail(QStringLiteral("the worksheet could not be added"));
    for (std::size_t c = 0; c < columnWidths.size(); ++c)
      Check(worksheet_set_column(sheet_, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                                 columnWidths[c], nullptr));
    for (row_ = 0; row_ < static_cast<int>(rows.size()); ++row_) {
      const auto& cells = rows[static_cast<std::size_t>(row_)].cells;
      for (std::size_t column = 0; column < cells.size(); ++column)
        Write(static_cast<qsizetype>(column), cells[column],
              rows[static_cast<std::size_t>(row_)].heading ? bold_ : nullptr);
    }
  }

  void Finish() override {
    lxw_workbook* book = book_;
    book_ = nullptr;
    Check(workbook_close(book));
    CheckXlsxComplete(path_);
  }

 private:
  static void Check(lxw_error error) {
    if (error != LXW_NO_ERROR) Fail(QString::fromLatin1(lxw_strerror(error)));
  }

  void NewSheet() {
    sheet_ = workbook_add_worksheet(book_, SheetName(sheets_++).toUtf8().constData());
    if (sheet_ == nullptr) Fail(QStringLiteral("the worksheet could not be added"));
    for (std::size_t c = 0; c < look_.columnWidths.size(); ++c)
      Check(worksheet_set_column(sheet_, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                                 look_.columnWidths[c], nullptr));
    Check(worksheet_set_row(sheet_, 0, kHeadingRowPoints, nullptr));
    row_ = 0;
    for (qsizetype c = 0; c < look_.headings.size(); ++c)
      Write(c, InterpretText(look_.headings[c]), heading_);
    row_ = 1;
  }

  void Write(qsizetype column, const CellContent& cell, lxw_format* format) {
    const auto r = static_cast<lxw_row_t>(row_);
    const auto c = static_cast<lxw_col_t>(column);
    switch (cell.kind) {
      case CellContent::Kind::Text:
        return Check(worksheet_write_string(sheet_, r, c, cell.text.toUtf8().constData(), format));
      case CellContent::Kind::Number:
        return Check(worksheet_write_number(sheet_, r, c, cell.number, format));
      case CellContent::Kind::DateTime:
        return Check(worksheet_write_number(sheet_, r, c, cell.number, format ? format : date_));
      case CellContent::Kind::Empty:
        if (format != nullptr) Check(worksheet_write_blank(sheet_, r, c, format));
        return;
    }
  }

  QString path_;
  TableLook look_;
  QByteArray folder_;
  lxw_workbook* book_ = nullptr;
  lxw_worksheet* sheet_ = nullptr;
  lxw_format* heading_ = nullptr;
  lxw_format* bold_ = nullptr;
  lxw_format* date_ = nullptr;
  KeptTexts texts_;
  int sheets_ = 0;
  int row_ = 0;
};

// .xls: the sheets' records go to a work file beside the target as the rows
// come, 32 rows at a time (a ROW record for each, then their cells); at the
// end the workbook globals, which must name where each sheet starts, are
// written first into the document and the sheets copied after them. Texts
// are LABEL records, which need no shared string table.
class XlsStream : public TableStream {
 public:
  XlsStream(const QString& path, TableLook look, DocumentProperties properties)
      : path_(path),
        look_(std::move(look)),
        folder_(QFileInfo(path).absolutePath()),
        properties_(std::move(properties)) {
    QString error;
    if (!OpenAnonymous(sheets_, folder_, &error)) Fail(error);
    NewSheet();
  }

  void AddCells(const std::vector<CellContent>& cells) override {
    if (row_ == kXlsSheetRows) {
      EndSheet();
      NewSheet();
    }
    block_.push_back(cells);
    ++row_;
    if (block_.size() == biff8::kRowsPerBlock) WriteBlock();
  }

  // The sheet's rows are all known: its dimensions are written as they are.
  void AddSheet(const QString& name, const std::vector<SheetRow>& rows,
                const std::vector<double>& columnWidths) override {
    EndSheet();
    sheetStarts_.push_back(static_cast<std::uint32_t>(sheets_.pos()));
    names_.push_back(name);
    std::map<int, double> widths;
    for (std::size_t c = 0; c < columnWidths.size(); ++c)
      widths[static_cast<int>(c)] = columnWidths[c];
    columns_ = 1;
    for (const SheetRow& row : rows)
      columns_ = std::max(columns_, static_cast<int>(row.cells.size()));
    biff8::Stream stream;
    dimensionsAt_ = sheets_.pos() + biff8::WriteSheetStart(stream, widths, 0, columns_);
    for (std::size_t first = 0; first < rows.size(); first += biff8::kRowsPerBlock) {
      const std::size_t end = std::min(rows.size(), first + biff8::kRowsPerBlock);
      for (std::size_t r = first; r < end; ++r)
        biff8::WriteRowRecord(stream, static_cast<int>(r), columns_, 0.0);
      for (std::size_t r = first; r < end; ++r)
        for (std::size_t c = 0; c < rows[r].cells.size(); ++c)
          WriteCell(stream, static_cast<int>(r), static_cast<int>(c), rows[r].cells[c],
                    rows[r].heading ? kBoldXf : std::uint16_t{0});
    }
    Append(stream);
    row_ = static_cast<int>(rows.size());
    blockStart_ = row_;
  }

  void Finish() override {
    EndSheet();
    if (!sheets_.flush()) Fail(sheets_.errorString());
    WriteDocument(Globals());
  }

 private:
  static constexpr std::uint16_t kLabel = 0x0204;
  static constexpr std::uint16_t kHeadingXf = biff8::kFirstOwnXf, kDateXf = biff8::kFirstOwnXf + 1,
                                 kBoldXf = biff8::kFirstOwnXf + 2;

  void Append(biff8::Stream& stream) {
    errno = 0;
    if (sheets_.write(stream.data()) != stream.data().size())
      Fail(errno != 0 ? ReasonFor(errno) : sheets_.errorString());
    stream.data().clear();
  }

  void NewSheet() {
    sheetStarts_.push_back(static_cast<std::uint32_t>(sheets_.pos()));
    names_.push_back(SheetName(static_cast<int>(names_.size())));
    columns_ = Columns();
    biff8::Stream stream;
    std::map<int, double> widths;
    for (std::size_t c = 0; c < look_.columnWidths.size(); ++c)
      widths[static_cast<int>(c)] = look_.columnWidths[c];
    dimensionsAt_ = sheets_.pos() + biff8::WriteSheetStart(stream, widths, 0, Columns());
    Append(stream);
    row_ = 0;
    blockStart_ = 0;
    std::vector<CellContent> headings;
    for (const QString& heading : look_.headings)
      headings.push_back(InterpretText(heading));
    block_.push_back(std::move(headings));
    ++row_;
  }

  void EndSheet() {
    if (!block_.empty()) WriteBlock();
    biff8::Stream stream;
    biff8::WriteSheetEnd(stream);
    Append(stream);
    // The rows are known now.
    const qint64 end = sheets_.pos();
    const QByteArray dimensions =
        biff8::DimensionsBody(static_cast<std::uint32_t>(row_), columns_).data();
    if (!sheets_.seek(dimensionsAt_) || sheets_.write(dimensions) != dimensions.size() ||
        !sheets_.seek(end))
      Fail(sheets_.errorString());
  }

  void WriteBlock() {
    biff8::Stream stream;
    for (std::size_t i = 0; i < block_.size(); ++i) {
      const int row = blockStart_ + static_cast<int>(i);
      biff8::WriteRowRecord(stream, row, Columns(), row == 0 ? kHeadingRowPoints : 0.0);
    }
    for (std::size_t i = 0; i < block_.size(); ++i)
      for (std::size_t c = 0; c < block_[i].size(); ++c)
        WriteCell(stream, blockStart_ + static_cast<int>(i), static_cast<int>(c), block_[i][c],
                  blockStart_ + i == 0 ? kHeadingXf : std::uint16_t{0});
    Append(stream);
    blockStart_ += static_cast<int>(block_.size());
    block_.clear();
  }

  // Cells start with row, column and XF (`look`, or 0 for the plain one
  // or the date's); LABEL adds its text, NUMBER the value as a double.
  static void WriteCell(biff8::Stream& stream, int row, int column, const CellContent& cell,
                        std::uint16_t look) {
    biff8::Bytes body;
    const bool date = cell.kind == CellContent::Kind::DateTime;
    const bool heading = look != 0;
    const std::uint16_t xf = heading ? look : date ? kDateXf : biff8::kDefaultCellXf;
    body.U16(static_cast<unsigned>(row)).U16(static_cast<unsigned>(column)).U16(xf);
    switch (cell.kind) {
      case CellContent::Kind::Text:
        return stream.Record(kLabel, body.LongString(cell.text));
      case CellContent::Kind::Number:
      case CellContent::Kind::DateTime:
        return stream.Record(biff8::kNumber, body.F64(cell.number));
      case CellContent::Kind::Empty:
        if (heading) stream.Record(biff8::kBlank, body);
        return;
    }
  }

  // The globals, with each BOUNDSHEET pointing at its sheet's BOF as it will
  // stand after them.
  QByteArray Globals() const {
    biff8::Stream stream;
    biff8::WriteGlobalsHead(stream, {{true, false, VerticalAlignment::Center},
                                     {false, true, VerticalAlignment::Bottom},
                                     {true, false, VerticalAlignment::Bottom}});
    std::vector<std::uint32_t> offsetAt;
    for (std::size_t i = 0; i < sheetStarts_.size(); ++i) {
      offsetAt.push_back(stream.Position() + 4);
      stream.Record(biff8::kBoundSheet, biff8::Bytes().U32(0).U16(0).ShortString(names_[i]));
    }
    stream.Record(biff8::kEof, biff8::Bytes());
    QByteArray globals = stream.data();
    const std::uint32_t size = static_cast<std::uint32_t>(globals.size());
    for (std::size_t i = 0; i < offsetAt.size(); ++i) {
      const std::uint32_t offset = size + sheetStarts_[i];
      for (int b = 0; b < 4; ++b)
        globals[offsetAt[i] + b] = static_cast<char>((offset >> (8 * b)) & 0xFF);
    }
    return globals;
  }

  void WriteDocument(const QByteArray& globals) {
    gsf_init();
    // Into the file itself: gsf's own way would write a work file of its
    // own beside it, which a failure leaves behind.
    const QByteArray native = NativeFromPath(path_);
    FILE* file = std::fopen(native.constData(), "wb");
    if (file == nullptr) Fail(ReasonFor(errno));
    GsfOutput* sink = gsf_output_stdio_new_FILE(native.constData(), file, FALSE);
    if (sink == nullptr) {
      std::fclose(file);
      Fail(QStringLiteral("the Excel 97-2003 document could not be written"));
    }
    const bool written = WriteBiff8Document(
        sink,
        [&](const Biff8Put& put) {
          if (!put(globals) || !sheets_.seek(0)) return false;
          for (;;) {
            const QByteArray chunk = sheets_.read(64 * 1024);
            if (chunk.isEmpty()) return true;
            if (!put(chunk)) return false;
          }
        },
        properties_);
    g_object_unref(sink);
    if (!written) Fail(QStringLiteral("the Excel 97-2003 document could not be written"));
  }

  int Columns() const { return static_cast<int>(look_.headings.size()); }

  QString path_;
  TableLook look_;
  QString folder_;
  DocumentProperties properties_;
  QFile sheets_;
  std::vector<std::uint32_t> sheetStarts_;
  std::vector<QString> names_;
  int columns_ = 0;  // of the current sheet
  qint64 dimensionsAt_ = 0;
  std::vector<std::vector<CellContent>> block_;
  int blockStart_ = 0;
  int row_ = 0;  // rows of the current sheet so far
};

}  // namespace

void TableStream::AddRow(const QStringList& cells) {
  std::vector<CellContent> typed;
  typed.reserve(static_cast<std::size_t>(cells.size()));
  for (const QString& cell : cells)
    typed.push_back(InterpretText(cell));
  AddCells(typed);
}

WorkbookFormat FormatOf(const QString& path) {
  return OutputFormatOf(path) == OutputFormat::Xlsx ? WorkbookFormat::Xlsx : WorkbookFormat::Xls;
}

std::unique_ptr<TableStream> OpenTableStream(const QString& path, WorkbookFormat format,
                                             const TableLook& look,
                                             const DocumentProperties& properties) {
  if (format == WorkbookFormat::Xlsx) return std::make_unique<XlsxStream>(path, look, properties);
  return std::make_unique<XlsStream>(path, look, properties);
}

}  // namespace orbek
