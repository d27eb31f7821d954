#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace orbek {

// orbek-log's "--options FILE": more options, read from FILE and put where
// --options stands, so that options given after it win. One option a line,
// "--name" or "--name value", where the value is the rest of the line as
// written (less the spaces around it): inner spaces, quotes and wildcards
// stay, since no shell reads it. Blank lines and lines starting with # are skipped. A service
// can pass names with spaces this way, which a word-split environment
// variable cannot.
//
// The arguments with every --options replaced; nullopt with the reason
// (the file and line) in `error` when a file cannot be read or holds a
// line that is no option. Files do not name further --options files.
std::optional<QStringList> ExpandOptionsFiles(const QStringList& arguments, QString* error);

// Where a service's name placeholders in --output, --capture and --report
// are: "{device}" becomes the port's file name, "{start}" the run's start
// as YYYYMMDD-HHMMSS, local time, so that every start of the service gets a
// file of its own.
QString WithNamePlaceholders(QString path, const QString& port, const QString& start);

}  // namespace orbek
