#include "export/ReadingsLayout.h"

#include <QCoreApplication>
#include <string>

namespace orbek {

// The headings, for lupdate to find: they are kColumnHeadings', translated
// in this context.
[[maybe_unused]] constexpr const char* kHeadingsToTranslate[] = {
    QT_TRANSLATE_NOOP("ReadingsTable", "No."),
    QT_TRANSLATE_NOOP("ReadingsTable", "Date and Time"),
    QT_TRANSLATE_NOOP("ReadingsTable", "Measured Value"),
    QT_TRANSLATE_NOOP("ReadingsTable", "Temperature"),
};

QString ColumnHeadingText(int column) {
  const std::string heading(kColumnHeadings.at(static_cast<std::size_t>(column)));
  return QCoreApplication::translate("ReadingsTable", heading.c_str());
}

}  // namespace orbek
