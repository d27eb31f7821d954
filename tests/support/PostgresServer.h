#pragma once

#include <pwd.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "tests/support/MqttBroker.h"

namespace orbek::test {

// A PostgreSQL server of the test's own on 127.0.0.1: a cluster made in a
// temporary folder with Debian's binaries, a user "orbek" with a password,
// and a database "archive". Run as the postgres user when the test is root
// (the server refuses root).
class PostgresServer {
 public:
  static QString Binaries() {
    const QStringList versions =
        QDir("/usr/lib/postgresql").entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (qsizetype i = versions.size() - 1; i >= 0; --i) {
      const QString bin = "/usr/lib/postgresql/" + versions[i] + "/bin";
      if (QFile::exists(bin + "/initdb")) return bin;
    }
    return {};
  }
  static bool Available() {
    return !Binaries().isEmpty() && (::geteuid() != 0 || ::getpwnam("postgres") != nullptr);
  }

  PostgresServer() : port_(FreePort()) {
    dir_.setAutoRemove(true);
    if (::geteuid() == 0) {
      const passwd* postgres = ::getpwnam("postgres");
      if (::chown(dir_.path().toLocal8Bit().constData(), postgres->pw_uid, postgres->pw_gid) != 0)
        return;
    }
    QFile password(dir_.filePath("password"));
    password.open(QIODevice::WriteOnly);
    password.write("secret\n");
    password.close();
    password.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    ok_ = As({Binaries() + "/initdb", "-D", Data(), "-U", "orbek", "--pwfile",
              dir_.filePath("password"), "--auth-host=scram-sha-256", "--auth-local=trust",
              "-E", "UTF8", "--no-sync"}) &&
          Start() &&
          As({Binaries() + "/psql", "-h", "127.0.0.1", "-p", QString::number(port_), "-U",
              "orbek", "-d", "postgres", "-c", "CREATE DATABASE archive"});
    QFile credentials(dir_.filePath("credentials"));
    credentials.open(QIODevice::WriteOnly);
    credentials.write("orbek\nsecret\n");
  }
  ~PostgresServer() { Stop(); }

  bool Ok() const { return ok_; }
  int Port() const { return port_; }
  QString Url() const { return QString("postgresql://orbek@127.0.0.1:%1/archive").arg(port_); }
  QString Credentials() const { return dir_.filePath("credentials"); }
  bool Start() {
    return As({Binaries() + "/pg_ctl", "-D", Data(), "-l", dir_.filePath("log"), "-w", "-o",
               QString("-p %1 -c listen_addresses=127.0.0.1 -k %2 -c fsync=off")
                   .arg(port_)
                   .arg(dir_.path()),
               "start"});
  }
  void Stop() {
    As({Binaries() + "/pg_ctl", "-D", Data(), "-m", "immediate", "-w", "stop"});
  }
  // Runs SQL in the archive database, as its owner; `out` gets what psql
  // printed.
  bool Sql(const QString& sql, QString* out = nullptr) {
    return As({Binaries() + "/psql", "-h", "127.0.0.1", "-p", QString::number(port_), "-U",
               "orbek", "-d", "archive", "-v", "ON_ERROR_STOP=1", "-c", sql},
              out);
  }

 private:
  QString Data() const { return dir_.filePath("data"); }
  bool As(QStringList command, QString* out = nullptr) {
    if (::geteuid() == 0) command = QStringList{"-u", "postgres", "--"} + command;
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("PGPASSWORD", "secret");
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(dir_.path());
    process.start(::geteuid() == 0 ? "runuser" : command.takeFirst(), command);
    process.waitForFinished(60000);
    if (out != nullptr) *out = QString::fromUtf8(process.readAllStandardOutput());
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
  }

  QTemporaryDir dir_;
  int port_;
  bool ok_ = false;
};

}  // namespace orbek::test
