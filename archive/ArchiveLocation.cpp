#include "archive/ArchiveLocation.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>
#include <QUrlQuery>

#include "storage/NativePath.h"

namespace orbek {

ArchiveLocation ArchiveLocation::Default() {
  ArchiveLocation location;
  location.kind = Kind::SQLite;
  const QString service = qEnvironmentVariable("STATE_DIRECTORY");
  const QString folder =
      !service.isEmpty()
          ? service.section(QLatin1Char(':'), 0, 0)
          : QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                QStringLiteral("/orbek");
  location.file = folder + QStringLiteral("/archive.sqlite");
  return location;
}

std::optional<ArchiveLocation> ArchiveLocation::Parse(const QString& text, QString* problem) {
  ArchiveLocation location;
  if (!text.startsWith(QLatin1String("postgresql://")) &&
      !text.startsWith(QLatin1String("postgres://"))) {
    if (text.isEmpty()) {
      *problem = QStringLiteral("--archive needs a file name or a postgresql:// address");
      return std::nullopt;
    }
    location.kind = Kind::SQLite;
    location.file = QFileInfo(text).absoluteFilePath();
    return location;
  }
  const QUrl url(text, QUrl::StrictMode);
  const QString database = url.path().mid(1);
  if (!url.isValid() || url.host().isEmpty() || database.isEmpty() || database.contains('/') ||
      !url.password().isEmpty()) {
    *problem = QStringLiteral("--archive %1: give postgresql://[user@]host[:port]/database "
                              "(a password goes in --archive-credentials)")
                   .arg(url.toDisplayString(QUrl::RemovePassword));
    return std::nullopt;
  }
  location.kind = Kind::PostgreSQL;
  location.user = url.userName();
  location.host = url.host();
  location.port = url.port(5432);
  location.database = database;
  QStringList options;
  for (const auto& [key, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded))
    options << key + QLatin1Char('=') + value;
  location.connectOptions = options.join(QLatin1Char(';'));
  return location;
}

std::optional<ArchiveLocation> ArchiveLocation::FromOptions(bool off, const QString& given,
                                                            const QString& credentials,
                                                            QString* problem) {
  if (off) {
    if (given.isEmpty() && credentials.isEmpty()) return ArchiveLocation{};
    *problem = QStringLiteral("--no-archive goes with no other --archive option");
    return std::nullopt;
  }
  std::optional<ArchiveLocation> location = given.isEmpty() ? Default() : Parse(given, problem);
  if (!location) return std::nullopt;
  if (!credentials.isEmpty() && location->kind != Kind::PostgreSQL) {
    *problem = QStringLiteral("--archive-credentials goes with a postgresql:// --archive");
    return std::nullopt;
  }
  location->credentialsFile = credentials;
  return location;
}

QString ArchiveLocation::ConfigFile() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/orbek/orbek.conf");
}

QString ArchiveLocation::Display() const {
  switch (kind) {
    case Kind::Off:
      return QStringLiteral("(none)");
    case Kind::SQLite:
      return DisplayPath(file);
    case Kind::PostgreSQL:
      break;
  }
  return QStringLiteral("postgresql://%1%2:%3/%4")
      .arg(user.isEmpty() ? QString() : user + QLatin1Char('@'), host)
      .arg(port)
      .arg(database);
}

// Beside an SQLite file; a server's wait in the state folder, one folder a
// server and database.
QString ArchiveLocation::WaitingFolder() const {
  if (kind == Kind::SQLite) return file + QStringLiteral(".waiting");
  const QByteArray name =
      QCryptographicHash::hash(Display().toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
  return StateFolder() + QStringLiteral("/archive-waiting-") + QString::fromLatin1(name);
}

}  // namespace orbek
