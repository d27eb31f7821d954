#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace orbek {

// The only bytes the program sends to the meter: one byte each, no framing,
// checksum or acknowledgement.
inline constexpr std::uint8_t StopCommand = 0xB0;

// 0xB1 plus the recording interval index ("OFF" 0 .. "30 min." 5), in 8 bits.
// No selection (-1) gives 0xB0.
constexpr std::uint8_t StartCommand(int intervalIndex) {
  return static_cast<std::uint8_t>(0xB1 + intervalIndex);
}

// Line settings by baud rate index, the baud rates standing in the order
// "115200", "19200", "9600".
inline constexpr std::array<std::string_view, 3> kSettingsByBaudIndex = {
    "115200,n,8,1", "19200,n,8,1", "9600,n,8,1"};

// The recording intervals by index, as the meter numbers them.
inline constexpr std::array<std::string_view, 6> kIntervalNames = {"OFF",    "10 sec.", "30 sec.",
                                                                   "1 min.", "10 min.", "30 min."};

}  // namespace orbek
