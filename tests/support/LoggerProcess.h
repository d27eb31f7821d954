#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <vector>

#include "tests/support/Records.h"

namespace orbek::test {

// What a program run said and how it ended (-1: it did not end normally).
struct Run {
  int exitCode = -1;
  QString out, err;
};

inline Run Finish(QProcess& program, int timeoutMs = 60000) {
  program.waitForFinished(timeoutMs);
  return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
          QString::fromUtf8(program.readAllStandardOutput()),
          QString::fromUtf8(program.readAllStandardError())};
}

// Runs `script` in bash, a failing stage of a pipe failing it.
inline Run Shell(const QString& script) {
  QProcess shell;
  shell.start("bash", {"-o", "pipefail", "-c", script});
  return Finish(shell);
}

}  // namespace orbek::test
