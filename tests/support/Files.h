#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QString>

namespace orbek::test {

// The file's bytes, or "(missing)" when it cannot be read.
inline QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

// Makes the file hold exactly `bytes`.
inline void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
  file.write(bytes);
}

// `text` quoted for bash.
inline QString Quoted(const QString& text) {
  return "'" + text + "'";
}

}  // namespace orbek::test
