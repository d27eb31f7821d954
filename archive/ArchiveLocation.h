#pragma once

#include <QString>
#include <optional>

namespace orbek {

// Where transfers are archived: an SQLite file (the default), a PostgreSQL
// server several lab PCs share, or nowhere (--no-archive).
struct ArchiveLocation {
  enum class Kind { Off, SQLite, PostgreSQL };
  Kind kind = Kind::Off;
  QString file;  // SQLite
  // PostgreSQL: postgresql://[user@]host[:port]/database[?sslmode=...]
  QString user, host, database;
  int port = 5432;
  QString connectOptions;   // libpq's, from the address's query ("sslmode=require")
  QString credentialsFile;  // user name and password (see ReadCredentials)

  // The service's state folder ($STATE_DIRECTORY) holds its archive;
  // everyone else's is $XDG_DATA_HOME/orbek/archive.sqlite.
  static ArchiveLocation Default();
  // A file name or a postgresql:// address; none, with the reason in
  // `problem`, for an address that cannot be used.
  static std::optional<ArchiveLocation> Parse(const QString& text, QString* problem);
  // What --no-archive (`off`), --archive (`given`, empty for none) and
  // --archive-credentials name together; none, with the reason, when they
  // cannot be used. Without --archive: `fallback`, else the default.
  static std::optional<ArchiveLocation> FromOptions(bool off, const QString& given,
                                                    const QString& credentials,
                                                    QString* problem);
  // The window's: $XDG_CONFIG_HOME/orbek/orbek.conf may name another
  // archive ("location" and "credentials" under [archive], "off" for none).
  static QString ConfigFile();
  // The file's name or the address (without a password) for messages.
  QString Display() const;
  // Where transfers that the archive cannot take yet wait, on this machine.
  QString WaitingFolder() const;
};

}  // namespace orbek
