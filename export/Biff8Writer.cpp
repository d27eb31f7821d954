// The Excel 97-2003 (BIFF8) workbook writer.
#include "export/Biff8Writer.h"

#include <gsf/gsf-doc-meta-data.h>
#include <gsf/gsf-meta-names.h>
#include <gsf/gsf-msole-utils.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QString>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "export/Biff8Records.h"
#include "export/Workbook.h"
#include "export/WorkbookError.h"
#include "export/WorkbookWriter.h"
#include "storage/LazyLibrary.h"
#include "storage/NativePath.h"

namespace orbek {

namespace {

// libgsf, with the GLib and libxml2 it brings, is loaded when the first .xls
// is written. Its GLib functions are found through it.
QFunctionPointer Gsf(const char* function) {
  static LazyLibrary library(ORBEK_GSF_SONAME);
  return library.ResolveOrThrow<WorkbookUnavailable>(
      function, "The Excel 97-2003 writer could not be started");
}
#define GSF(function) ORBEK_LAZY(Gsf, function)

}  // namespace

namespace {

using namespace biff8;

[[noreturn]] void Fail(const QString& reason) {
  throw WorkbookError(reason.toStdString());
}

XfKey KeyOf(const Cell& cell) {
  const bool number = cell.content.kind == CellContent::Kind::Number;
  return {cell.style.bold, cell.content.kind == CellContent::Kind::DateTime, cell.style.vertical,
          number ? std::clamp(cell.content.decimals, -1, kMostFixedDecimals) : -1};
}

// .xls: each sheet's records go to a work file of its own beside the target
// as its rows come, a block of up to 32 rows at a time (a ROW record for
// each, then their cells). The workbook globals, which must name every
// sheet's place, every cell look and every shared text, are known only at
// the end: then they are written first into the document and the sheets
// copied after them, in the order they were added.
class XlsWorkbookWriter : public WorkbookWriter {
 public:
  XlsWorkbookWriter(const QString& path, DocumentProperties properties)
      : path_(path), folder_(QFileInfo(path).absolutePath()), properties_(std::move(properties)) {}

  int AddSheet(const QString& name, const std::map<int, double>& columnWidths) override {
    auto sheet = std::make_unique<Sheet>();
    sheet->name = name;
    QString error;
    if (!OpenAnonymous(sheet->work, folder_, &error)) Fail(error);
    Stream stream;
    sheet->dimensionsAt = WriteSheetStart(stream, columnWidths, 0, 0);
    Append(*sheet, stream);
    sheets_.push_back(std::move(sheet));
    return static_cast<int>(sheets_.size()) - 1;
  }

  void AddRow(int sheet, int row, const std::vector<Cell>& cells, double points) override {
    Sheet& target = *sheets_.at(static_cast<std::size_t>(sheet));
    if (row < target.rows || row >= kXlsSheetRows)
      Fail(QStringLiteral("row %1 of sheet %2 is out of order").arg(row + 1).arg(target.name));
    if (!target.block.empty() && row / kRowsPerBlock != target.block.front().row / kRowsPerBlock)
      WriteBlock(target);
    target.block.push_back({row, points, cells});
    target.rows = row + 1;
    target.columns = std::max(target.columns, static_cast<int>(cells.size()));
  }

  void AddChart(const WorkbookChart&) override {}

  void Finish() override {
    for (const auto& sheet : sheets_)
      EndSheet(*sheet);
    WriteDocument(Globals());
  }

 private:
  struct Row {
    int row;
    double points;
    std::vector<Cell> cells;
  };
  struct Sheet {
    QString name;
    QFile work;
    qint64 dimensionsAt = 0;
    int rows = 0, columns = 0;
    std::vector<Row> block;
  };

  // Distinct texts shared through the string table, at most; beyond them a
  // short text goes into a LABEL record of its own, so that the memory kept
  // for the table stays bounded whatever the sheets hold. A text too long
  // for one record is always shared: only the string table continues a
  // text over CONTINUE records as readers expect.
  static constexpr std::size_t kMostShared = 16384;
  static constexpr qsizetype kLongestLabel = 4000;
  static constexpr std::uint16_t kLabel = 0x0204;

  static void Append(Sheet& sheet, Stream& stream) {
    errno = 0;
    if (sheet.work.write(stream.data()) != stream.data().size())
      Fail(errno != 0 ? ReasonFor(errno) : sheet.work.errorString());
    stream.data().clear();
  }

  void WriteBlock(Sheet& sheet) {
    Stream stream;
    for (const Row& row : sheet.block)
      WriteRowRecord(stream, row.row, static_cast<int>(row.cells.size()), row.points);
    for (const Row& row : sheet.block)
      for (std::size_t c = 0; c < row.cells.size(); ++c)
        WriteCell(stream, row.row, static_cast<int>(c), row.cells[c]);
    Append(sheet, stream);
    sheet.block.clear();
  }

  // The rows are all known now: DIMENSIONS gets them.
  void EndSheet(Sheet& sheet) {
    if (!sheet.block.empty()) WriteBlock(sheet);
    Stream stream;
    WriteSheetEnd(stream);
    Append(sheet, stream);
    const qint64 end = sheet.work.pos();
    const QByteArray dimensions =
        DimensionsBody(static_cast<std::uint32_t>(sheet.rows), sheet.columns).data();
    if (!sheet.work.seek(sheet.dimensionsAt) ||
        sheet.work.write(dimensions) != dimensions.size() || !sheet.work.seek(end) ||
        !sheet.work.flush())
      Fail(sheet.work.errorString());
  }

  std::uint16_t XfOf(const Cell& cell) {
    const XfKey key = KeyOf(cell);
    if (key == XfKey{}) return kDefaultCellXf;
    auto it = std::find(xfs_.begin(), xfs_.end(), key);
    if (it == xfs_.end()) it = xfs_.insert(xfs_.end(), key);
    return static_cast<std::uint16_t>(kFirstOwnXf + (it - xfs_.begin()));
  }

  std::optional<std::uint32_t> SharedIndex(const QString& text) {
    auto it = stringIndex_.constFind(text);
    if (it == stringIndex_.constEnd()) {
      if (strings_.size() >= kMostShared && text.size() <= kLongestLabel) return std::nullopt;
      it = stringIndex_.insert(text, static_cast<std::uint32_t>(strings_.size()));
      strings_.push_back(text);
    }
    ++references_;
    return *it;
  }

  // Cells start with row, column and XF. LABELSST adds the index of its
  // string, LABEL the text itself, NUMBER the value as a double; BLANK has
  // a look and no value.
  void WriteCell(Stream& stream, int row, int column, const Cell& cell) {
    const std::uint16_t xf = XfOf(cell);
    Bytes body;
    body.U16(static_cast<unsigned>(row)).U16(static_cast<unsigned>(column)).U16(xf);
    switch (cell.content.kind) {
      case CellContent::Kind::Text:
        if (const auto index = SharedIndex(cell.content.text))
          return stream.Record(kLabelSst, body.U32(*index));
        return stream.Record(kLabel, body.LongString(cell.content.text));
      case CellContent::Kind::Number:
      case CellContent::Kind::DateTime:
        return stream.Record(kNumber, body.F64(cell.content.number));
      case CellContent::Kind::Empty:
        if (xf != kDefaultCellXf) stream.Record(kBlank, body);
        return;
    }
  }

  // The globals, with each BOUNDSHEET pointing at its sheet's BOF as it will
  // stand after them.
  QByteArray Globals() {
    Stream stream;
    WriteGlobalsHead(stream, xfs_);
    std::vector<std::uint32_t> offsetAt;
    for (const auto& sheet : sheets_) {
      offsetAt.push_back(stream.Position() + 4);
      stream.Record(kBoundSheet, Bytes().U32(0).U16(0).ShortString(sheet->name));
    }
    WriteStringTable(stream);
    stream.Record(kEof, Bytes());
    QByteArray globals = stream.data();
    auto offset = static_cast<std::uint32_t>(globals.size());
    for (std::size_t i = 0; i < offsetAt.size(); ++i) {
      for (int b = 0; b < 4; ++b)
        globals[offsetAt[i] + b] = static_cast<char>((offset >> (8 * b)) & 0xFF);
      offset += static_cast<std::uint32_t>(sheets_[i]->work.size());
    }
    return globals;
  }

  // SST: total and unique string counts, then each string as count, flags
  // and characters. A string that does not fit the record goes on in a
  // CONTINUE record, whose body starts with the flags byte again; a
  // string's count and flags are never split. EXTSST then gives, for every
  // bucket of strings, where its first string starts.
  void WriteStringTable(Stream& stream) const {
    const std::size_t perBucket = std::max<std::size_t>(8, (strings_.size() + 127) / 128);
    Bytes extSst;
    extSst.U16(static_cast<unsigned>(perBucket));
    QByteArray body;
    std::uint32_t recordStart = stream.Position();
    std::uint16_t recordType = kSst;
    auto flush = [&] {
      stream.Header(recordType, static_cast<std::size_t>(body.size()));
      stream.Append(body);
      body.clear();
      recordType = kContinue;
      recordStart = stream.Position();
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
    stream.Record(kExtSst, extSst);
  }

  void WriteDocument(const QByteArray& globals) {
    GSF(gsf_init)();
    // Into the file itself: gsf's own way would write a work file of its
    // own beside it, which a failure leaves behind.
    const QByteArray native = NativeFromPath(path_);
    FILE* file = std::fopen(native.constData(), "wb");
    if (file == nullptr) Fail(ReasonFor(errno));
    GsfOutput* sink = GSF(gsf_output_stdio_new_FILE)(native.constData(), file, FALSE);
    if (sink == nullptr) {
      std::fclose(file);
      Fail(QStringLiteral("the Excel 97-2003 document could not be written"));
    }
    const bool written = WriteBiff8Document(
        sink,
        [&](const Biff8Put& put) {
          if (!put(globals)) return false;
          for (const auto& sheet : sheets_)
            if (!CopySheet(*sheet, put)) return false;
          return true;
        },
        properties_);
    GSF(g_object_unref)(sink);
    if (!written) Fail(QStringLiteral("the Excel 97-2003 document could not be written"));
  }

  static bool CopySheet(Sheet& sheet, const Biff8Put& put) {
    if (!sheet.work.seek(0)) return false;
    for (;;) {
      const QByteArray chunk = sheet.work.read(64 * 1024);
      if (chunk.isEmpty()) return sheet.work.atEnd();
      if (!put(chunk)) return false;
    }
  }

  QString path_;
  QString folder_;
  DocumentProperties properties_;
  std::vector<std::unique_ptr<Sheet>> sheets_;
  std::vector<XfKey> xfs_;
  std::vector<QString> strings_;
  QHash<QString, std::uint32_t> stringIndex_;
  std::uint32_t references_ = 0;
};

}  // namespace

namespace {

// The document properties as the "\005SummaryInformation" stream beside
// the workbook, where a spreadsheet program reads them.
bool WriteSummary(GsfOutfile* document, const DocumentProperties& properties) {
  const std::pair<const char*, QString> fields[] = {
      {GSF_META_NAME_TITLE, properties.title},
      {GSF_META_NAME_SUBJECT, properties.subject},
      {GSF_META_NAME_CREATOR, properties.author},
      {GSF_META_NAME_KEYWORDS, properties.keywords},
      {GSF_META_NAME_DESCRIPTION, properties.comments}};
  GsfDocMetaData* meta = GSF(gsf_doc_meta_data_new)();
  bool any = false;
  for (const auto& [name, text] : fields) {
    if (text.isEmpty()) continue;
    auto* value = static_cast<GValue*>(GSF(g_malloc0)(sizeof(GValue)));
    GSF(g_value_init)(value, G_TYPE_STRING);
    GSF(g_value_set_string)(value, text.toUtf8().constData());
    GSF(gsf_doc_meta_data_insert)(meta, GSF(g_strdup)(name), value);
    any = true;
  }
  bool written = true;
  if (any) {
    GsfOutput* stream = GSF(gsf_outfile_new_child)(document, "\005SummaryInformation", FALSE);
    written = stream != nullptr && GSF(gsf_doc_meta_data_write_to_msole)(meta, stream, FALSE) &&
              GSF(gsf_output_close)(stream);
    if (stream != nullptr) GSF(g_object_unref)(stream);
  }
  GSF(g_object_unref)(meta);
  return written;
}

}  // namespace

bool WriteBiff8Document(GsfOutput* sink, const std::function<bool(const Biff8Put&)>& write,
                        const DocumentProperties& properties) {
  GSF(gsf_init)();
  GsfOutfile* document = GSF(gsf_outfile_msole_new)(sink);
  GsfOutput* child = GSF(gsf_outfile_new_child)(document, "Workbook", FALSE);
  const Biff8Put put = [child](const QByteArray& bytes) {
    return GSF(gsf_output_write)(child, static_cast<std::size_t>(bytes.size()),
                                 reinterpret_cast<const guint8*>(bytes.constData())) != FALSE;
  };
  const bool written = child != nullptr && write(put) && GSF(gsf_output_close)(child) &&
                       WriteSummary(document, properties);
  // A GsfOutfile begins with its GsfOutput; closing it closes the sink too.
  const bool closed = GSF(gsf_output_close)(reinterpret_cast<GsfOutput*>(document));
  if (child != nullptr) GSF(g_object_unref)(child);
  GSF(g_object_unref)(document);
  return written && closed;
}

std::unique_ptr<WorkbookWriter> OpenXlsWriter(const QString& path,
                                             const DocumentProperties& properties) {
  return std::make_unique<XlsWorkbookWriter>(path, properties);
}

}  // namespace orbek
