#pragma once

#include <QString>
#include <ostream>

// Texts in test failures as text, not as the bytes of a QChar each.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}
