// Excel 97-2003 (BIFF8) writer of a workbook held in memory.
#include "export/Biff8Writer.h"

#include <gsf/gsf-doc-meta-data.h>
#include <gsf/gsf-meta-names.h>
#include <gsf/gsf-msole-utils.h>
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

#include "export/Biff8Records.h"
#include "export/Workbook.h"
#include "export/WorkbookError.h"

namespace orbek {

namespace {

using namespace biff8;

XfKey KeyOf(const Cell& cell) {
  const bool number = cell.content.kind == CellContent::Kind::Number;
  return {cell.style.bold, cell.content.kind == CellContent::Kind::DateTime, cell.style.vertical,
          number ? std::clamp(cell.content.decimals, -1, kMostFixedDecimals) : -1};
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
    WriteGlobalsHead(stream_, xfs_);
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
    WriteSheetStart(stream_, sheet.ColumnWidths(), static_cast<std::uint32_t>(sheet.RowCount()),
                    sheet.ColumnCount());
    const int rows = std::max(sheet.RowCount(), HighestSizedRow(sheet) + 1);
    for (int first = 0; first < rows; first += kRowsPerBlock)
      WriteRowBlock(sheet, first, std::min(first + kRowsPerBlock, rows));
    WriteSheetEnd(stream_);
  }

  static int HighestSizedRow(const Worksheet& sheet) {
    return sheet.RowHeights().empty() ? -1 : sheet.RowHeights().rbegin()->first;
  }

  void WriteRow(const Worksheet& sheet, int row) {
    const auto height = sheet.RowHeights().find(row);
    WriteRowRecord(stream_, row, sheet.ColumnCount(),
                   height != sheet.RowHeights().end() ? height->second : 0.0);
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
  GsfDocMetaData* meta = gsf_doc_meta_data_new();
  bool any = false;
  for (const auto& [name, text] : fields) {
    if (text.isEmpty()) continue;
    GValue* value = g_new0(GValue, 1);
    g_value_init(value, G_TYPE_STRING);
    g_value_set_string(value, text.toUtf8().constData());
    gsf_doc_meta_data_insert(meta, g_strdup(name), value);
    any = true;
  }
  bool written = true;
  if (any) {
    GsfOutput* stream = gsf_outfile_new_child(document, "\005SummaryInformation", FALSE);
    written = stream != nullptr && gsf_doc_meta_data_write_to_msole(meta, stream, FALSE) &&
              gsf_output_close(stream);
    if (stream != nullptr) g_object_unref(stream);
  }
  g_object_unref(meta);
  return written;
}

}  // namespace

bool WriteBiff8Document(GsfOutput* sink, const std::function<bool(const Biff8Put&)>& write,
                        const DocumentProperties& properties) {
  gsf_init();
  GsfOutfile* document = gsf_outfile_msole_new(sink);
  GsfOutput* child = gsf_outfile_new_child(document, "Workbook", FALSE);
  const Biff8Put put = [child](const QByteArray& bytes) {
    return gsf_output_write(child, static_cast<std::size_t>(bytes.size()),
                            reinterpret_cast<const guint8*>(bytes.constData())) != FALSE;
  };
  const bool written = child != nullptr && write(put) && gsf_output_close(child) &&
                       WriteSummary(document, properties);
  const bool closed = gsf_output_close(GSF_OUTPUT(document));  // closes the sink too
  if (child != nullptr) g_object_unref(child);
  g_object_unref(document);
  return written && closed;
}

QByteArray Biff8File(const Workbook& workbook) {
  const QByteArray stream = Biff8WorkbookStream(workbook);
  gsf_init();
  GsfOutput* sink = gsf_output_memory_new();
  QByteArray file;
  if (WriteBiff8Document(
          sink, [&](const Biff8Put& put) { return put(stream); }, workbook.properties))
    file = QByteArray(
        reinterpret_cast<const char*>(gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(sink))),
        static_cast<qsizetype>(gsf_output_size(sink)));
  g_object_unref(sink);
  if (file.isEmpty()) throw WorkbookError("Could not build the Excel 97-2003 document");
  return file;
}

}  // namespace orbek
