#include "logger/OptionsFile.h"

#include <QFile>
#include <QFileInfo>

#include "storage/NativePath.h"

namespace orbek {

namespace {

const QString kOptionsOption = QStringLiteral("--options");

// The options one line gives: none, "--name", or "--name" and its value.
std::optional<QStringList> LineOptions(const QByteArray& raw, const QString& where,
                                       QString* error) {
  const QByteArray trimmed = raw.trimmed();
  if (trimmed.isEmpty() || trimmed.startsWith('#')) return QStringList{};
  if (!trimmed.startsWith("--") || trimmed.size() == 2) {
    *error = QStringLiteral("%1: \"%2\" is no option (a line holds --name or --name value)")
                 .arg(where, PathFromNative(trimmed));
    return std::nullopt;
  }
  qsizetype space = 0;
  while (space < trimmed.size() && trimmed[space] != ' ' && trimmed[space] != '\t') ++space;
  const QByteArray name = trimmed.left(space);
  const qsizetype equals = name.indexOf('=');
  if (PathFromNative(equals < 0 ? name : name.left(equals)) == kOptionsOption) {
    *error = QStringLiteral("%1: an options file cannot name another").arg(where);
    return std::nullopt;
  }
  // "--name=value" is one argument, as on a command line.
  if (name.contains('=')) return QStringList{PathFromNative(trimmed)};
  if (space == trimmed.size()) return QStringList{PathFromNative(name)};
  return QStringList{PathFromNative(name), PathFromNative(trimmed.mid(space).trimmed())};
}

std::optional<QStringList> ReadOptionsFile(const QString& path, QString* error) {
  QFile file;
  QString reason;
  if (!OpenNative(file, path, QIODevice::ReadOnly, &reason)) {
    *error = QStringLiteral("--options %1: %2").arg(DisplayPath(path), reason);
    return std::nullopt;
  }
  QStringList options;
  int number = 0;
  for (const QByteArray& line : file.readAll().split('\n')) {
    const QString where = QStringLiteral("%1 line %2").arg(DisplayPath(path)).arg(++number);
    const std::optional<QStringList> more = LineOptions(line, where, error);
    if (!more) return std::nullopt;
    options += *more;
  }
  return options;
}

}  // namespace

std::optional<QStringList> ExpandOptionsFiles(const QStringList& arguments, QString* error) {
  QStringList expanded;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    QString path;
    if (arguments[i] == kOptionsOption) {
      if (i + 1 == arguments.size()) {
        *error = QStringLiteral("--options needs a FILE");
        return std::nullopt;
      }
      path = arguments[++i];
    } else if (arguments[i].startsWith(kOptionsOption + '=')) {
      path = arguments[i].mid(kOptionsOption.size() + 1);
    } else {
      expanded << arguments[i];
      continue;
    }
    const std::optional<QStringList> options = ReadOptionsFile(path, error);
    if (!options) return std::nullopt;
    expanded += *options;
  }
  return expanded;
}

QString WithNamePlaceholders(QString path, const QString& port, const QString& start) {
  return path.replace(QStringLiteral("{device}"), QFileInfo(port).fileName())
      .replace(QStringLiteral("{start}"), start);
}

}  // namespace orbek
