#include "export/ReadingsOutput.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include "export/CellText.h"
#include "export/OutputFormats.h"
#include "export/ReadingsLayout.h"
#include "export/TransferSheets.h"
#include "export/WorkbookError.h"
#include "export/WorkbookLook.h"
#include "export/WorkbookWriter.h"
#include "storage/NativePath.h"
#include "storage/SafeSave.h"

namespace orbek {

// Lines of text into a file, gathered in a buffer of our own.
class LineFile {
 public:
  explicit LineFile(const QString& path) {
    QString error;
    if (!OpenNative(file_, path, QIODevice::WriteOnly | QIODevice::Unbuffered, &error))
      throw WorkbookError(error.toStdString());
    buffer_.reserve(kBuffer + 256);
  }
  void Line(const QByteArray& line) {
    buffer_ += line;
    buffer_ += '\n';
    if (buffer_.size() >= kBuffer) Flush();
  }
  void Close() {
    Flush();
    file_.close();
  }

 private:
  static constexpr qsizetype kBuffer = 256 * 1024;
  void Flush() {
    qsizetype done = 0;
    while (done < buffer_.size()) {
      const ssize_t written = ::write(file_.handle(), buffer_.constData() + done,
                                      static_cast<std::size_t>(buffer_.size() - done));
      if (written < 0 && errno == EINTR) continue;
      // A write that takes nothing without an error is a full disk.
      if (written <= 0) throw WorkbookError(ReasonFor(written < 0 ? errno : ENOSPC).toStdString());
      done += written;
    }
    buffer_.clear();
  }

  QFile file_;
  QByteArray buffer_;
};

namespace {

// Readings wait this long before they are written: as many as the stream's
// aligner may find, afterwards, to have been framed wrongly.
constexpr std::size_t kMarkableReadings = RecordAligner::kMostHeld;
// The window's column width, so the workbooks come out alike: 159 pixels,
// a sixth of which is the width in characters.
constexpr double kColumnCharacters = 159 / 6;

QString Utf8(const std::string& text) {
  return QString::fromStdString(text);
}

// The window's table row for a reading, typed from its fields as the
// export types the table's texts: the number, the meter's date and time as
// a date where it names a real moment, and the value and temperature as
// the table shows them.
std::vector<Cell> WindowRow(const Reading& r) {
  return {{{CellContent::Kind::Number, {}, static_cast<double>(r.number)}, {}},
          {MeterTimeCell(r.decoded), {}},
          {{CellContent::Kind::Text, Utf8(r.decoded.ValueText)}, {}},
          {{CellContent::Kind::Text, Utf8(r.decoded.TemperatureText)}, {}}};
}

std::vector<Cell> NumberedRow(std::int64_t row) {
  return {{{CellContent::Kind::Number, {}, static_cast<double>(row)}, {}}};
}

// A CSV line composed in a buffer of its own: a reading's line is short,
// and appending to a QByteArray piece by piece costs more than the rest of
// the line's making.
class LineText {
 public:
  void Put(char c) {
    if (size_ < kSize) text_[size_++] = c;
  }
  void Put(std::string_view text) {
    const std::size_t taken = std::min(text.size(), kSize - size_);
    if (taken == 0) return;  // an empty view may hold no pointer at all
    std::memcpy(text_ + size_, text.data(), taken);
    size_ += taken;
  }
  // A field as CSV wants it: quoted when it holds a comma, a quote or a
  // line break.
  void Field(std::string_view text) {
    Put(',');
    const auto quoted = [](char c) { return c == ',' || c == '"' || c == '\r' || c == '\n'; };
    if (std::none_of(text.begin(), text.end(), quoted)) return Put(text);
    Put('"');
    for (const char c : text) {
      if (c == '"') Put('"');
      Put(c);
    }
    Put('"');
  }
  // A number with the meter's places after the point ("7.00"), with a point
  // whatever the locale; nothing for a reading without one.
  void Fixed(std::optional<double> number, int decimals) {
    Put(',');
    if (number) Put(FixedNumberText(*number, decimals).View());
  }
  void Integer(std::int64_t value) { Put(IntegerText(value).View()); }
  // The line, with room kept for the line break its writer adds.
  QByteArray Take() const {
    QByteArray line;
    line.reserve(static_cast<qsizetype>(size_) + 1);
    line.append(text_, static_cast<qsizetype>(size_));
    return line;
  }

 private:
  // Our texts are short; a line of a reading never comes near this.
  static constexpr std::size_t kSize = 512;
  char text_[kSize];
  std::size_t size_ = 0;
};

// Sheet1 as the window's export makes it of the table: the headings bold
// and centred in a row 50 points high, every column as wide.
int AddWindowSheet(WorkbookWriter& writer) {
  std::map<int, double> widths;
  std::vector<Cell> headings;
  for (const auto heading : kColumnHeadings) {
    widths[static_cast<int>(headings.size())] = kColumnCharacters;
    headings.push_back(
        {{CellContent::Kind::Text,
          QString::fromLatin1(heading.data(), static_cast<qsizetype>(heading.size()))},
         {true, VerticalAlignment::Center}});
  }
  const int sheet = writer.AddSheet(QStringLiteral("Sheet1"), widths);
  writer.AddRow(sheet, 0, headings, kHeadingRowPoints);
  return sheet;
}

}  // namespace

QByteArray csv::Header() {
  QByteArray header;
  for (const std::string_view heading : kDataHeadings) {
    if (!header.isEmpty()) header += ',';
    header.append(heading.data(), static_cast<qsizetype>(heading.size()));
  }
  return header;
}

QByteArray csv::Line(const Reading& reading) {
  const DecodedReading& r = reading.decoded;
  LineText line;
  line.Integer(reading.number);
  line.Field(r.TimestampText);
  line.Fixed(r.Value, r.ValueDecimals);
  line.Field(r.Unit.value_or(std::string_view()));
  line.Fixed(r.TemperatureNumber, 1);
  line.Field(r.TemperatureUnit());
  line.Field(UtcIsoText(reading.received));
  line.Field(reading.outOfStep ? std::string_view(kOutOfStep) : std::string_view());
  line.Put(',');
  line.Integer(static_cast<std::int64_t>(reading.lostBefore));
  return line.Take();
}

namespace {

// What a comment line may not hold as it is: see csv::DetailLines.
bool Escaped(unsigned char c) {
  return c < 0x20 || c == 0x7F || c == ',' || c == ';' || c == '%';
}

}  // namespace

std::vector<QByteArray> csv::DetailLines(const SampleDetails& details) {
  std::vector<QByteArray> lines;
  for (const DetailField& field : kDetailFields) {
    const std::string& text = details.*field.member;
    if (text.empty()) continue;
    QByteArray line = "# ";
    line.append(field.label.data(), static_cast<qsizetype>(field.label.size()));
    line += ": ";
    for (const char c : text) {
      if (!Escaped(static_cast<unsigned char>(c))) {
        line += c;
        continue;
      }
      static constexpr char kHex[] = "0123456789ABCDEF";
      line += '%';
      line += kHex[static_cast<unsigned char>(c) >> 4];
      line += kHex[static_cast<unsigned char>(c) & 0x0F];
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

// What would stop a save to `path`, found by starting one: the same checks,
// in the same words, as the save at the end.
QString OutputProblem(const QString& path, bool replace) {
  if (!OutputFormatOf(path))
    return QStringLiteral("Cannot save %1: the name must end in %2")
        .arg(DisplayPath(path), OutputSuffixList());
  return SaveProblem(path, replace);
}

QString SaveProblem(const QString& path, bool replace) {
  try {
    SafeSaveFile probe(path);
  } catch (const SaveError& error) {
    return QString::fromUtf8(error.what());
  }
  if (!replace && NativeExists(path))
    return QStringLiteral("Cannot save %1: it exists already (--replace replaces it)")
        .arg(DisplayPath(path));
  return {};
}

ReadingsFile::ReadingsFile(const QString& path, const SampleDetails& details)
    : file_(std::make_unique<SafeSaveFile>(path)), details_(details) {
  csv_ = OutputFormatOf(path) == OutputFormat::Csv;
  try {
    if (csv_) {
      text_ = std::make_unique<LineFile>(file_->TemporaryPath());
      for (const QByteArray& line : csv::DetailLines(details))
        text_->Line(line);
      text_->Line(csv::Header());
    } else {
      const WorkbookFormat format = FormatOf(path);
      book_ = OpenWorkbookWriter(file_->TemporaryPath(), format, PropertiesOf(details));
      table_ = AddWindowSheet(*book_);
      sheets_ = std::make_unique<TransferSheets>(*book_, format == WorkbookFormat::Xlsx);
    }
  } catch (const SaveError& error) {
    file_->Fail(QString::fromUtf8(error.what()));
  }
}

ReadingsFile::~ReadingsFile() = default;

void ReadingsFile::Add(const Reading& reading) {
  pending_.push_back(reading);
  ++added_;
  if (pending_.size() > kMarkableReadings) {
    Write(pending_.front());
    pending_.pop_front();
  }
}

void ReadingsFile::Correct(const Reading& corrected) {
  for (Reading& pending : pending_)
    if (pending.number == corrected.number) pending.outOfStep = true;
}

void ReadingsFile::Write(const Reading& reading) {
  try {
    if (csv_) return text_->Line(csv::Line(reading));
    if (!first_) first_ = reading;
    last_ = reading;
    if (written_ < kTableRows) {
      ++written_;  // below the headings' row
      book_->AddRow(table_, static_cast<int>(written_), WindowRow(reading));
    }
    sheets_->Add(reading);
  } catch (const SaveError& error) {
    file_->Fail(QString::fromUtf8(error.what()));
  }
}

void ReadingsFile::Finish(const ReadingStatistics& statistics) {
  while (!pending_.empty()) {
    Write(pending_.front());
    pending_.pop_front();
  }
  try {
    if (csv_) {
      text_->Close();
    } else {
      // The window's table has its numbered rows whether readings came or not.
      for (; written_ < kTableRows; ++written_)
        book_->AddRow(table_, static_cast<int>(written_) + 1, NumberedRow(written_));
      std::vector<Reading> ends;
      if (first_) ends = {*first_, *last_};
      sheets_->Finish(details_, statistics, ends);
      book_->Finish();
    }
  } catch (const SaveError& error) {
    file_->Fail(QString::fromUtf8(error.what()));
  }
  file_->Commit();
}

}  // namespace orbek
