#pragma once

#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <string>

#include "meter/MeterRecord.h"

namespace orbek::test {

// "82 01 BC 02 FA 00 05 11 08 12 2E 09" -> the record with those bytes.
inline MeterRecord RecordFromHex(const std::string& hex) {
  std::istringstream in(hex);
  MeterRecord::Bytes bytes{};
  std::string token;
  std::size_t i = 0;
  while (in >> token) {
    if (i == bytes.size()) throw std::invalid_argument("more than 12 bytes: " + hex);
    bytes[i++] = static_cast<std::uint8_t>(std::stoul(token, nullptr, 16));
  }
  if (i != bytes.size()) throw std::invalid_argument("fewer than 12 bytes: " + hex);
  return MeterRecord(bytes);
}

}  // namespace orbek::test
