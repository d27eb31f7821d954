#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace orbek {

inline constexpr std::size_t kMeterRecordSize = 12;

// Byte 7 (the year offset) carries 187 in the record that ends a transfer, so
// no reading can be dated 2187.
inline constexpr std::uint8_t EndOfTransferMarker = 0xBB;

// One reading as the meter sends it: 12 bytes, no header, length or checksum;
// record boundaries come only from counting bytes.
//
//   offset  field        encoding
//   0       Flags        bits 3..0 UnitIndex (index into Unit3, every mode)
//                        bits 7..6 DecimalsCode (Mode 1 and 4..11)
//                        bits 7..5 SignCode     (Mode 2 and 3)
//                        bit  4    unused
//   1       Mode         value format family: 1, 2..3, 4..11; others undefined
//   2       Value lo     unsigned 16-bit little-endian count of the least
//   3       Value hi     significant displayed digit
//   4       Temp lo      bit 15: 0 = Celsius, 1 = Fahrenheit;
//   5       Temp hi      bits 14..0: magnitude in tenths of a degree (no sign)
//   6       Month        binary, not BCD
//   7       YearOffset   year - 2000; 0xBB marks the end of the transfer
//   8       Hour
//   9       Day
//   10      Second
//   11      Minute
//
// The meter writes six little-endian words (Mode:Flags, Value, Temperature,
// Year:Month, Day:Hour, Minute:Second), which is why the date and time bytes
// are not in display order on the line. Nothing here is range-checked.
class MeterRecord {
 public:
  using Bytes = std::array<std::uint8_t, kMeterRecordSize>;

  constexpr MeterRecord() = default;
  constexpr explicit MeterRecord(const Bytes& bytes) : bytes_(bytes) {}

  // Takes the first 12 bytes; the caller guarantees there are at least 12.
  static MeterRecord FromSpan(std::span<const std::uint8_t, kMeterRecordSize> bytes) {
    MeterRecord record;
    for (std::size_t i = 0; i < kMeterRecordSize; ++i)
      record.bytes_[i] = bytes[i];
    return record;
  }

  constexpr const Bytes& bytes() const { return bytes_; }

  constexpr std::uint8_t Flags() const { return bytes_[0]; }
  constexpr std::uint8_t Mode() const { return bytes_[1]; }
  constexpr std::uint16_t Value() const { return Word(2); }
  constexpr std::uint16_t Temperature() const { return Word(4); }
  constexpr std::uint8_t Month() const { return bytes_[6]; }
  constexpr std::uint8_t YearOffset() const { return bytes_[7]; }
  constexpr std::uint8_t Hour() const { return bytes_[8]; }
  constexpr std::uint8_t Day() const { return bytes_[9]; }
  constexpr std::uint8_t Second() const { return bytes_[10]; }
  constexpr std::uint8_t Minute() const { return bytes_[11]; }

  constexpr std::uint8_t UnitIndex() const { return Flags() & 0x0F; }
  constexpr std::uint8_t DecimalsCode() const { return Flags() >> 6; }
  constexpr std::uint8_t SignCode() const { return Flags() >> 5; }

 private:
  constexpr std::uint16_t Word(std::size_t offset) const {
    return static_cast<std::uint16_t>(bytes_[offset] | (bytes_[offset + 1] << 8));
  }

  Bytes bytes_{};
};

}  // namespace orbek
