#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace orbek {

// A user name and password kept in a file of their own: the name on the
// first line, the password on the second (a trailing CR is dropped), as
// the broker's and the archive server's credentials are given.
struct Credentials {
  QByteArray user, password;
  bool othersCanRead = false;  // every user of the machine may read the file
};
// None, with the reason in `problem`, when the file cannot be read or names
// no user.
std::optional<Credentials> ReadCredentials(const QString& path, QString* problem);

}  // namespace orbek
