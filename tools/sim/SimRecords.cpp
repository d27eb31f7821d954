#include "tools/sim/SimRecords.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace orbek::sim {

namespace {

void PutWord(RecordBytes& bytes, std::size_t offset, unsigned high, unsigned low) {
  bytes[offset] = static_cast<std::uint8_t>(low);
  bytes[offset + 1] = static_cast<std::uint8_t>(high);
}

// A proleptic calendar step of whole seconds, enough for consecutive stamps.
void AdvanceSeconds(SimReading& r, int seconds) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  r.second += seconds;
  r.minute += r.second / 60;
  r.second %= 60;
  r.hour += r.minute / 60;
  r.minute %= 60;
  r.day += r.hour / 24;
  r.hour %= 24;
  for (;;) {
    const bool leap = r.year % 4 == 0 && (r.year % 100 != 0 || r.year % 400 == 0);
    const int days = kDays[r.month - 1] + (r.month == 2 && leap ? 1 : 0);
    if (r.day <= days) break;
    r.day -= days;
    if (++r.month > 12) {
      r.month = 1;
      ++r.year;
    }
  }
}

// Flags, mode and a range of raw counts for each kind of reading.
struct Kind {
  std::uint8_t flags, mode;
  unsigned low, high;
};
constexpr Kind kKinds[] = {
    {0x82, 1, 650, 800},     // pH, 2 decimals: 6.50 .. 8.00 pH
    {0x23, 2, 0, 4000},      // mV, positive, 1 decimal
    {0x63, 2, 0, 4000},      // mV, negative, 1 decimal
    {0x24, 3, 0, 2000},      // relative mV
    {0x07, 5, 100, 2000},    // conductivity, integer uS/cm
    {0x46, 6, 10, 200},      // conductivity, 1 decimal mS/cm
    {0x08, 7, 50, 1500},     // TDS, integer ppm
    {0x49, 8, 5, 400},       // salinity, 1 decimal ppt
    {0x8A, 9, 100, 4000},    // salinity, 2 decimals PSU
    {0x80, 10, 100, 20000},  // resistivity, 2 decimals kilo-ohm
    {0xCC, 11, 1, 9999},     // concentration, 3 decimals mg/L
};

}  // namespace

RecordBytes EncodeRecord(const SimReading& r) {
  RecordBytes bytes{};
  PutWord(bytes, 0, r.mode, r.flags);
  PutWord(bytes, 2, r.value >> 8, r.value & 0xFF);
  const unsigned temperature = (r.temperatureTenths & 0x7FFF) | (r.fahrenheit ? 0x8000 : 0);
  PutWord(bytes, 4, temperature >> 8, temperature & 0xFF);
  PutWord(bytes, 6, static_cast<unsigned>(r.year - 2000), static_cast<unsigned>(r.month));
  PutWord(bytes, 8, static_cast<unsigned>(r.day), static_cast<unsigned>(r.hour));
  PutWord(bytes, 10, static_cast<unsigned>(r.minute), static_cast<unsigned>(r.second));
  return bytes;
}

std::vector<std::uint8_t> Concatenate(const std::vector<RecordBytes>& records) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(records.size() * 12);
  for (const auto& record : records)
    bytes.insert(bytes.end(), record.begin(), record.end());
  return bytes;
}

RecordBytes EndRecord() {
  RecordBytes bytes{};
  bytes[7] = 0xBB;
  return bytes;
}

std::vector<RecordBytes> GenerateRecords(std::size_t count, unsigned seed, int stepSeconds,
                                         const SimReading& start) {
  std::mt19937 random(seed);
  SimReading reading = start;
  std::vector<RecordBytes> records;
  records.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const Kind& kind = kKinds[random() % std::size(kKinds)];
    reading.flags = kind.flags;
    reading.mode = kind.mode;
    reading.value = static_cast<std::uint16_t>(kind.low + random() % (kind.high - kind.low + 1));
    reading.fahrenheit = random() % 8 == 0;
    reading.temperatureTenths = static_cast<std::uint16_t>(
        reading.fahrenheit ? 640 + random() % 190 : 180 + random() % 100);
    records.push_back(EncodeRecord(reading));
    AdvanceSeconds(reading, stepSeconds);
  }
  return records;
}

std::vector<RecordBytes> GenerateMeasurement(std::size_t count, unsigned seed, int stepSeconds,
                                             const SimReading& start) {
  // What the meter measures, in counts of its last digit: a centre, the
  // noise either way, and how far it may drift over a transfer.
  struct Quantity {
    std::uint8_t flags, mode;
    double centre, noise, drift;
  };
  static constexpr Quantity kQuantities[] = {
      {0x82, 1, 700, 2, 15},   // pH 7.00, 2 decimals
      {0x07, 5, 1413, 3, 20},  // conductivity 1413 uS/cm
      {0x23, 2, 1850, 4, 40},  // ORP 185.0 mV
      {0x08, 7, 707, 2, 10},   // TDS 707 ppm
      {0x49, 8, 350, 1, 6},    // salinity 35.0 ppt
  };
  std::mt19937 random(seed);
  const Quantity& quantity = kQuantities[seed % std::size(kQuantities)];
  std::normal_distribution<double> noise(0.0, 1.0);
  SimReading reading = start;
  reading.flags = quantity.flags;
  reading.mode = quantity.mode;
  const double phase = static_cast<double>(random() % 628) / 100.0;
  std::vector<RecordBytes> records;
  records.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const double t = static_cast<double>(i) / std::max<double>(1.0, static_cast<double>(count));
    const double value = quantity.centre + quantity.drift * std::sin(phase + 3.0 * t) +
                         quantity.noise * noise(random);
    reading.value = static_cast<std::uint16_t>(std::clamp(std::lround(value), 0L, 65535L));
    const double celsius = 22.5 + 2.0 * std::sin(phase + 2.0 * t) + 0.05 * noise(random);
    reading.temperatureTenths = static_cast<std::uint16_t>(std::lround(celsius * 10.0));
    reading.fahrenheit = false;
    records.push_back(EncodeRecord(reading));
    AdvanceSeconds(reading, stepSeconds);
  }
  return records;
}

std::vector<RecordBytes> ParseHexRecords(const std::string& text) {
  std::vector<RecordBytes> records;
  std::istringstream lines(text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    line = line.substr(0, line.find('#'));
    std::istringstream fields(line);
    std::string token;
    RecordBytes bytes{};
    std::size_t count = 0;
    while (fields >> token) {
      std::size_t used = 0;
      unsigned long byte = 0;
      try {
        byte = std::stoul(token, &used, 16);
      } catch (const std::exception&) {
        used = 0;
      }
      if (used != token.size() || byte > 0xFF || count == bytes.size())
        throw std::runtime_error("line " + std::to_string(number) +
                                 ": expected 12 hex bytes, got \"" + line + "\"");
      bytes[count++] = static_cast<std::uint8_t>(byte);
    }
    if (count == 0) continue;
    if (count != bytes.size())
      throw std::runtime_error("line " + std::to_string(number) + ": expected 12 hex bytes, got " +
                               std::to_string(count));
    records.push_back(bytes);
  }
  return records;
}

std::vector<RecordBytes> LoadHexRecords(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream text;
  text << in.rdbuf();
  return ParseHexRecords(text.str());
}

}  // namespace orbek::sim
