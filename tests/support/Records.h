#pragma once

#include <QByteArray>
#include <vector>

#include "tools/sim/SimRecords.h"

namespace orbek::test {

// Records as the meter puts them on the line, one after another.
inline QByteArray Raw(const std::vector<sim::RecordBytes>& records) {
  const auto bytes = sim::Concatenate(records);
  return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<qsizetype>(bytes.size()));
}

}  // namespace orbek::test
