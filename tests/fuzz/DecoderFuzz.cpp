// libFuzzer target: any 12 bytes decode without a crash into valid UTF-8 texts
// that end the way the table columns expect.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "meter/RecordDecoder.h"

namespace {

bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = lead < 0x80           ? 1
                         : (lead >> 5) == 0x6  ? 2
                         : (lead >> 4) == 0xE  ? 3
                         : (lead >> 3) == 0x1E ? 4
                                               : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k)
      if ((static_cast<unsigned char>(text[i + k]) >> 6) != 0x2) return false;
    i += length;
  }
  return true;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < orbek::kMeterRecordSize) return 0;
  const auto record = orbek::MeterRecord::FromSpan(
      std::span<const std::uint8_t, orbek::kMeterRecordSize>(data, orbek::kMeterRecordSize));
  Check(orbek::IsEndOfTransfer(record) == (data[7] == orbek::EndOfTransferMarker));
  const auto reading = orbek::DecodeRecord(record);
  const std::string unitSuffix = " " + std::string(orbek::Unit3[record.UnitIndex()]);
  const std::string_view value = reading.ValueText;
  const std::string_view temperature = reading.TemperatureText;
  Check(IsValidUtf8(reading.TimestampText) && IsValidUtf8(value) && IsValidUtf8(temperature));
  Check(value.size() > unitSuffix.size() && value.ends_with(unitSuffix));
  Check(value[value.size() - unitSuffix.size() - 1] != ' ');
  Check(temperature.ends_with(" \u00B0C") || temperature.ends_with(" \u00B0F"));
  Check(!reading.TimestampText.empty());
  return 0;
}
