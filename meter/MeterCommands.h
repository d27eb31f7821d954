#pragma once

#include <array>
#include <cstdint>
#include <optional>
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

// The line speeds the meter offers, in the order the baud box lists them
// (sorted as text), each with the line settings it opens the port with.
struct BaudChoice {
  int baud;
  std::string_view settings;
  std::string_view text;
};
inline constexpr std::array<BaudChoice, 3> kBaudChoices = {{
    {115200, "115200,n,8,1", "115200"},
    {19200, "19200,n,8,1", "19200"},
    {9600, "9600,n,8,1", "9600"},
}};

// The recording intervals, numbered as the meter numbers them: the window's
// item text and orbek-log's option word.
struct IntervalChoice {
  std::string_view text;
  std::string_view option;
  int seconds;  // between readings; 0: as fast as the meter sends them
};
inline constexpr std::array<IntervalChoice, 6> kIntervalChoices = {{
    {"OFF", "OFF", 0},
    {"10 sec.", "10s", 10},
    {"30 sec.", "30s", 30},
    {"1 min.", "1min", 60},
    {"10 min.", "10min", 600},
    {"30 min.", "30min", 1800},
}};

// The settings for a baud rate, or nullopt for a rate the meter does not use.
constexpr std::optional<std::string_view> SettingsForBaud(int baud) {
  for (const auto& choice : kBaudChoices)
    if (choice.baud == baud) return choice.settings;
  return std::nullopt;
}

}  // namespace orbek
