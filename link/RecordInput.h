#pragma once

#include <QByteArray>
#include <optional>

#include "meter/MeterRecord.h"

namespace orbek {

// The record in 12 bytes read from the port (or a capture) starting at
// `offset`; nullopt when fewer than 12 bytes are there.
inline std::optional<MeterRecord> RecordAt(const QByteArray& bytes, qsizetype offset = 0) {
  if (offset < 0 || bytes.size() - offset < static_cast<qsizetype>(kMeterRecordSize))
    return std::nullopt;
  return MeterRecord::FromSpan(std::span<const std::uint8_t, kMeterRecordSize>(
      reinterpret_cast<const std::uint8_t*>(bytes.constData() + offset), kMeterRecordSize));
}

}  // namespace orbek
