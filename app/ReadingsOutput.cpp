#include "app/ReadingsOutput.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <climits>

#include "export/SafeSave.h"
#include "export/TableStream.h"
#include "export/WorkbookError.h"
#include "intake/ReadingsLayout.h"

namespace orbek {

// Lines of text into a file, buffered.
class QFileWriter {
 public:
  explicit QFileWriter(const QString& path) : file_(path) {
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate))
      throw WorkbookError(file_.errorString().toStdString());
  }
  void Line(const QString& line) {
    const QByteArray bytes = line.toUtf8() + '\n';
    if (file_.write(bytes) != bytes.size()) throw WorkbookError(file_.errorString().toStdString());
  }
  void Close() {
    if (!file_.flush()) throw WorkbookError(file_.errorString().toStdString());
    file_.close();
  }

 private:
  QFile file_;
};

namespace {

// Readings wait this long before they are written: as many as the stream's
// aligner may find, afterwards, to have been framed wrongly.
constexpr std::size_t kMarkableReadings = 8;
// The window's column width, so the workbooks come out alike: 159 pixels,
// a sixth of which is the width in characters.
constexpr double kColumnCharacters = 159 / 6;

QString Utf8(const std::string& text) {
  return QString::fromStdString(text);
}

// A field as CSV wants it: quoted when it holds a comma, a quote or a line
// break.
QString CsvField(const QString& text) {
  if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
      !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
    return text;
  QString quoted = text;
  quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
  return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// Fifteen significant digits: every reading's number exactly as the meter
// meant it (123.4, not 123.40000000000001), with a point whatever the locale.
QString Number(double value) {
  return QString::number(value, 'g', 15);
}

bool IsWorkbook(const QString& suffix) {
  return suffix == QLatin1String("xls") || suffix == QLatin1String("xlsx");
}

TableLook WindowLook() {
  TableLook look;
  for (const auto heading : kColumnHeadings) {
    look.headings << QString::fromLatin1(heading.data(), static_cast<qsizetype>(heading.size()));
    look.columnWidths.push_back(kColumnCharacters);
  }
  return look;
}

}  // namespace

QString csv::Header() {
  return QStringLiteral("No.,Date and Time,Measured Value,Temperature,Value,Temperature Value");
}

QString csv::Line(std::int64_t row, const DecodedReading& r, bool outOfStep) {
  QStringList fields = {QString::number(row),        CsvField(Utf8(r.TimestampText)),
                        CsvField(Utf8(r.ValueText)), CsvField(Utf8(r.TemperatureText)),
                        Number(r.ValueNumber),       Number(r.TemperatureNumber)};
  if (outOfStep) fields << QString::fromLatin1(kOutOfStep);
  return fields.join(QLatin1Char(','));
}

QString OutputProblem(const QString& path) {
  const QFileInfo target(path);
  const QString suffix = target.suffix().toLower();
  if (suffix != QLatin1String("csv") && !IsWorkbook(suffix))
    return QStringLiteral("%1: the name must end in .csv, .xls or .xlsx").arg(path);
  if (target.isDir()) return QStringLiteral("%1 is a folder").arg(path);
  const QFileInfo folder(target.absolutePath());
  if (!folder.exists())
    return QStringLiteral("%1: the folder %2 does not exist").arg(path, folder.filePath());
  if (!folder.isDir()) return QStringLiteral("%1: %2 is not a folder").arg(path, folder.filePath());
  const QByteArray native = QFile::encodeName(folder.filePath());
  if (::access(native.constData(), W_OK | X_OK) != 0)
    return QStringLiteral("%1: no permission to create files in %2").arg(path, folder.filePath());
  const long nameMax = ::pathconf(native.constData(), _PC_NAME_MAX);
  if (QFile::encodeName(target.fileName()).size() > (nameMax > 0 ? nameMax : NAME_MAX))
    return QStringLiteral("%1: the name is too long").arg(path);
  return {};
}

ReadingsFile::ReadingsFile(const QString& path) : file_(std::make_unique<SafeSaveFile>(path)) {
  csv_ = QFileInfo(path).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0;
  try {
    if (csv_) {
      text_ = std::make_unique<QFileWriter>(file_->TemporaryPath());
      text_->Line(csv::Header());
    } else {
      table_ = OpenTableStream(file_->TemporaryPath(), FormatOf(path), WindowLook());
    }
  } catch (const WorkbookError& error) {
    file_->Fail(QString::fromUtf8(error.what()));
  }
}

ReadingsFile::~ReadingsFile() = default;

void ReadingsFile::Add(const DecodedReading& reading) {
  pending_.push_back({reading, false});
  ++added_;
  if (pending_.size() > kMarkableReadings) {
    Write(added_ - static_cast<std::int64_t>(pending_.size()), pending_.front());
    pending_.pop_front();
  }
}

void ReadingsFile::MarkOutOfStep(std::int64_t row) {
  const std::int64_t first = added_ - static_cast<std::int64_t>(pending_.size());
  if (row >= first && row < added_)
    pending_[static_cast<std::size_t>(row - first)].outOfStep = true;
}

void ReadingsFile::Write(std::int64_t row, const Pending& pending) {
  try {
    if (csv_) return text_->Line(csv::Line(row, pending.reading, pending.outOfStep));
    const DecodedReading& r = pending.reading;
    table_->AddRow(
        {QString::number(row), Utf8(r.TimestampText), Utf8(r.ValueText), Utf8(r.TemperatureText)});
  } catch (const WorkbookError& error) {
    file_->Fail(QString::fromUtf8(error.what()));
  }
}

void ReadingsFile::Finish() {
  while (!pending_.empty()) {
    Write(added_ - static_cast<std::int64_t>(pending_.size()), pending_.front());
    pending_.pop_front();
  }
  try {
    if (csv_) {
      text_->Close();
    } else {
      // The window's table has its numbered rows whether readings came or not.
      for (std::int64_t row = added_; row < kTableRows; ++row)
        table_->AddRow({QString::number(row), {}, {}, {}});
      table_->Finish();
    }
  } catch (const WorkbookError& error) {
    file_->Fail(QString::fromUtf8(error.what()));
  }
  file_->Commit();
}

}  // namespace orbek
