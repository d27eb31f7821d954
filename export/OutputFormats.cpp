#include "export/OutputFormats.h"

#include <QFileInfo>
#include <QStringList>
#include <algorithm>

namespace orbek {

namespace {

QString Latin1(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

std::optional<OutputFormat> OutputFormatOf(const QString& path) {
  const QString suffix = QFileInfo(path).suffix();
  for (const OutputFormatInfo& info : kOutputFormats)
    if (suffix.compare(Latin1(info.suffix), Qt::CaseInsensitive) == 0) return info.format;
  return std::nullopt;
}

const OutputFormatInfo& InfoOf(OutputFormat format) {
  return *std::find_if(kOutputFormats.begin(), kOutputFormats.end(),
                       [format](const OutputFormatInfo& info) { return info.format == format; });
}

QString OutputSuffixList() {
  QStringList endings;
  for (const OutputFormatInfo& info : kOutputFormats)
    endings << QLatin1Char('.') + Latin1(info.suffix);
  std::sort(endings.begin(), endings.end());
  const QString last = endings.takeLast();
  return endings.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

}  // namespace orbek
