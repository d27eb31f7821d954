#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace orbek::sim {

using RecordBytes = std::array<std::uint8_t, 12>;

// One reading as the meter holds it, before it is put on the line.
struct SimReading {
  std::uint8_t flags = 0;  // unit index in bits 3..0, decimals/sign code above
  std::uint8_t mode = 1;
  std::uint16_t value = 0;
  std::uint16_t temperatureTenths = 250;  // magnitude in tenths of a degree
  bool fahrenheit = false;
  int year = 2017, month = 5, day = 18, hour = 8, minute = 9, second = 46;
};

// Puts a reading on the line the way the meter does: six little-endian words
// Mode:Flags, Value, Temperature, Year:Month, Day:Hour, Minute:Second.
RecordBytes EncodeRecord(const SimReading& reading);

// Records one after another, as they go out on the line.
std::vector<std::uint8_t> Concatenate(const std::vector<RecordBytes>& records);

// The record that ends a transfer: year byte 0xBB.
RecordBytes EndRecord();

// Realistic readings: pH, mV, conductivity, TDS, salinity and resistivity with
// room temperatures (a few in Fahrenheit), timestamps `stepSeconds` apart
// from the time of `start`.
std::vector<RecordBytes> GenerateRecords(std::size_t count, unsigned seed = 1, int stepSeconds = 1,
                                         const SimReading& start = {});

// One measurement as a meter makes it: a single quantity for the whole
// transfer, chosen by the seed (pH near 7, conductivity near 1413 uS/cm,
// and so on), with small noise and a slow drift, and a temperature drifting
// between 20 and 25 degrees Celsius; stamps `stepSeconds` apart.
std::vector<RecordBytes> GenerateMeasurement(std::size_t count, unsigned seed = 1,
                                             int stepSeconds = 1, const SimReading& start = {});

// Records from text: 12 hex bytes a line; blank lines and '#' comments are
// skipped. Throws std::runtime_error naming the line of a malformed record.
std::vector<RecordBytes> ParseHexRecords(const std::string& text);
std::vector<RecordBytes> LoadHexRecords(const std::string& path);

}  // namespace orbek::sim
