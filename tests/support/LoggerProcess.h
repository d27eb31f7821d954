#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <vector>

#include "tools/sim/SimRecords.h"

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

// Records as the meter puts them on the line, one after another.
inline QByteArray Raw(const std::vector<sim::RecordBytes>& records) {
  QByteArray raw;
  for (const auto& record : records)
    raw.append(reinterpret_cast<const char*>(record.data()), 12);
  return raw;
}

}  // namespace orbek::test
