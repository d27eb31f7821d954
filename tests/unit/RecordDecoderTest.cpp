#include <gtest/gtest.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <locale>
#include <optional>
#include <string>
#include <string_view>

#include "meter/RecordDecoder.h"
#include "tests/unit/RecordBytes.h"

namespace orbek {
namespace {

using test::RecordFromHex;

struct ValueCase {
  const char* bytes;
  const char* text;
  double number;
};

class FormatValueTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(FormatValueTest, TextAndNumber) {
  const auto& c = GetParam();
  const auto value = FormatValue(RecordFromHex(c.bytes));
  EXPECT_EQ(value.Text, c.text);
  EXPECT_EQ(value.Number, c.number);
  EXPECT_FALSE(std::signbit(value.Number) && value.Number == 0.0) << "negative zero plotted";
}

// Bytes 0..3 carry Flags, Mode and Value; the rest is a fixed 25.0 °C reading.
INSTANTIATE_TEST_SUITE_P(
    Formats, FormatValueTest,
    ::testing::Values(ValueCase{"82 01 BC 02 FA 00 05 11 08 12 2E 09", "7.00 pH", 700 * 0.01},
                      ValueCase{"02 01 58 1B FA 00 05 11 08 12 2E 09", "7.000 pH", 7000 * 0.001},
                      ValueCase{"42 01 58 1B FA 00 05 11 08 12 2E 09", "700.0 pH", 7000 * 0.1},
                      ValueCase{"C2 01 05 00 FA 00 05 11 08 12 2E 09", "0.005 pH", 5 * 0.001},
                      ValueCase{"63 02 D2 04 FA 00 05 11 08 12 2E 09", "-123.4 mV", -1234 * 0.1},
                      ValueCase{"A3 02 D2 04 FA 00 05 11 08 12 2E 09", "-123.4 mV", -1234 * 0.1},
                      ValueCase{"63 03 00 00 FA 00 05 11 08 12 2E 09", "-0.0 mV", 0.0},
                      ValueCase{"24 03 D2 04 FA 00 05 11 08 12 2E 09", "123.4 R.mV", 1234 * 0.1},
                      ValueCase{"43 02 D2 04 FA 00 05 11 08 12 2E 09", "123.4 mV", 1234 * 0.1},
                      ValueCase{"07 05 85 05 FA 00 05 11 08 12 2E 09", "1413 \u03BCS/cm", 1413.0},
                      ValueCase{"45 04 7B 00 FA 00 05 11 08 12 2E 09", "12.3  ", 123 * 0.1},
                      ValueCase{"C8 09 FF FF FA 00 05 11 08 12 2E 09", "65.535 ppm", 65535 * 0.001},
                      ValueCase{"86 0B 02 01 FA 00 05 11 08 12 2E 09", "2.58 mS/cm", 258 * 0.01},
                      ValueCase{"00 06 E8 03 FA 00 05 11 08 12 2E 09", "1000 \u039A\u03A9", 1000.0},
                      ValueCase{"0F 04 00 00 FA 00 05 11 08 12 2E 09", "0 \u03A9", 0.0},
                      ValueCase{"4E 07 0A 00 FA 00 05 11 08 12 2E 09", "1.0 mmol/L", 10 * 0.1},
                      // Formats the meter leaves undefined show the raw count and plot 0.
                      ValueCase{"02 00 BC 02 FA 00 05 11 08 12 2E 09", "700 pH", 0.0},
                      ValueCase{"02 0C BC 02 FA 00 05 11 08 12 2E 09", "700 pH", 0.0},
                      ValueCase{"0B FF FF FF FA 00 05 11 08 12 2E 09", "65535  ", 0.0},
                      ValueCase{"03 02 D2 04 FA 00 05 11 08 12 2E 09", "1234 mV", 0.0},
                      ValueCase{"83 03 D2 04 FA 00 05 11 08 12 2E 09", "1234 mV", 0.0},
                      ValueCase{"C3 02 D2 04 FA 00 05 11 08 12 2E 09", "1234 mV", 0.0},
                      ValueCase{"E3 03 D2 04 FA 00 05 11 08 12 2E 09", "1234 mV", 0.0}));

struct TextCase {
  const char* bytes;
  const char* text;
  double number;
};

class FormatTemperatureTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(FormatTemperatureTest, TextAndNumber) {
  const auto& c = GetParam();
  const auto temperature = FormatTemperature(RecordFromHex(c.bytes));
  EXPECT_EQ(temperature.Text, c.text);
  EXPECT_EQ(temperature.Number, c.number);
}

INSTANTIATE_TEST_SUITE_P(
    Units, FormatTemperatureTest,
    ::testing::Values(
        TextCase{"82 01 BC 02 FA 00 05 11 08 12 2E 09", "25.0 \u00B0C", 250 * 0.1},
        TextCase{"82 01 BC 02 02 83 05 11 08 12 2E 09", "77.0 \u00B0F", 770 * 0.1},
        TextCase{"82 01 BC 02 00 80 05 11 08 12 2E 09", "0.0 \u00B0F", 0.0},
        TextCase{"82 01 BC 02 FF 7F 05 11 08 12 2E 09", "3276.7 \u00B0C", 32767 * 0.1},
        TextCase{"82 01 BC 02 FF FF 05 11 08 12 2E 09", "3276.7 \u00B0F", 32767 * 0.1},
        TextCase{"82 01 BC 02 00 00 05 11 08 12 2E 09", "0.0 \u00B0C", 0.0},
        TextCase{"82 01 BC 02 05 00 05 11 08 12 2E 09", "0.5 \u00B0C", 0.5}));

class FormatTimestampTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(FormatTimestampTest, Text) {
  EXPECT_EQ(FormatTimestamp(RecordFromHex(GetParam().bytes)), GetParam().text);
}

// Bytes 6..11 are Month, YearOffset, Hour, Day, Second, Minute.
INSTANTIATE_TEST_SUITE_P(
    Fields, FormatTimestampTest,
    ::testing::Values(TextCase{"82 01 BC 02 FA 00 05 11 08 12 2E 09", "2017-05-18 08:09:46", 0},
                      TextCase{"82 01 BC 02 FA 00 0C 63 17 1F 3B 3B", "2099-12-31 23:59:59", 0},
                      TextCase{"82 01 BC 02 FA 00 00 00 00 00 00 00", "2000-00-00 00:00:00", 0},
                      TextCase{"82 01 BC 02 FA 00 00 00 64 00 00 00", "2000-00-00 100:00:00", 0},
                      TextCase{"82 01 BC 02 FA 00 0D FF 63 FF FF 0A", "2255-13-255 99:10:255", 0},
                      TextCase{"82 01 BC 02 FA 00 01 BA 00 01 00 00", "2186-01-01 00:00:00", 0}));

TEST(MeterRecordTest, ValueIsLittleEndian) {
  EXPECT_EQ(RecordFromHex("00 01 02 01 00 00 00 00 00 00 00 00").Value(), 0x0102);
}

TEST(MeterRecordTest, FlagFieldsOverlapInBitsSevenAndSix) {
  const auto record = RecordFromHex("B7 02 00 00 00 00 00 00 00 00 00 00");
  EXPECT_EQ(record.UnitIndex(), 7);
  EXPECT_EQ(record.DecimalsCode(), 2);
  EXPECT_EQ(record.SignCode(), 5);
}

TEST(EndOfTransferTest, OnlyByteSevenDecides) {
  EXPECT_TRUE(IsEndOfTransfer(RecordFromHex("BB BB BB BB BB BB BB BB BB BB BB BB")));
  EXPECT_TRUE(IsEndOfTransfer(RecordFromHex("00 00 00 00 00 00 00 BB 00 00 00 00")));
  EXPECT_TRUE(IsEndOfTransfer(RecordFromHex("82 01 BC 02 FA 00 05 BB 08 12 2E 09")));
  for (int byte7 = 0; byte7 < 256; ++byte7) {
    MeterRecord::Bytes bytes;
    bytes.fill(EndOfTransferMarker);
    bytes[7] = static_cast<std::uint8_t>(byte7);
    EXPECT_EQ(IsEndOfTransfer(MeterRecord(bytes)), byte7 == 0xBB) << byte7;
  }
}

TEST(DecodeRecordTest, WholeReading) {
  const auto reading = DecodeRecord(RecordFromHex("82 01 BC 02 FA 00 05 11 08 12 2E 09"));
  EXPECT_EQ(reading.TimestampText, "2017-05-18 08:09:46");
  EXPECT_EQ(reading.ValueText, "7.00 pH");
  EXPECT_EQ(reading.TemperatureText, "25.0 \u00B0C");
  EXPECT_EQ(reading.ValueNumber, 7.0);
  EXPECT_EQ(reading.TemperatureNumber, 25.0);
}

// The typed fields that files and messages are made from: a number only
// where the record's mode defines one, a unit only where its text is not
// blank, as the symbol a program looks for (the table's text keeps the
// meter's Greek letters), the scale, and one verdict on whether the clock
// names a real moment.
TEST(DecodeRecordTest, TypedFields) {
  const struct {
    const char* hex;
    std::optional<double> value;
    std::optional<std::string_view> unit;
    TemperatureScale scale;
    bool realClock;
  } cases[] = {
      {"82 01 BC 02 FA 00 05 11 08 12 2E 09", 7.0, "pH", TemperatureScale::Celsius, true},
      {"63 02 D2 04 02 83 05 11 08 12 2E 09", -123.4, "mV", TemperatureScale::Fahrenheit, true},
      {"40 04 7B 00 FA 00 05 11 08 12 2E 09", 12.3, "k\u03A9", TemperatureScale::Celsius, true},
      {"07 04 7B 00 FA 00 05 11 08 12 2E 09", 123, "\u00B5S/cm", TemperatureScale::Celsius, true},
      {"0F 04 7B 00 FA 00 05 11 08 12 2E 09", 123, "\u03A9", TemperatureScale::Celsius, true},
      {"04 04 7B 00 FA 00 05 11 08 12 2E 09", 123, "R.mV", TemperatureScale::Celsius, true},
      {"02 00 BC 02 FA 00 05 11 08 12 2E 09", std::nullopt, "pH", TemperatureScale::Celsius, true},
      {"0B FF FF FF FA 00 05 11 08 12 2E 09", std::nullopt, std::nullopt, TemperatureScale::Celsius,
       true},
      {"45 04 7B 00 FA 00 05 11 08 12 2E 09", 12.3, std::nullopt, TemperatureScale::Celsius, true},
      {"82 01 BC 02 FA 00 02 18 08 1D 00 00", 7.0, "pH", TemperatureScale::Celsius,
       true},  // 2024-02-29
      {"82 01 BC 02 FA 00 02 19 08 1D 00 00", 7.0, "pH", TemperatureScale::Celsius,
       false},  // 2025-02-29
      {"82 01 BC 02 FA 00 04 11 08 1F 00 00", 7.0, "pH", TemperatureScale::Celsius,
       false},  // 31 April
      {"82 01 BC 02 FA 00 0D 11 08 01 00 00", 7.0, "pH", TemperatureScale::Celsius,
       false},  // month 13
      {"82 01 BC 02 FA 00 00 00 00 00 00 00", 7.0, "pH", TemperatureScale::Celsius,
       false},  // never set
      {"82 01 BC 02 FA 00 05 11 18 12 00 00", 7.0, "pH", TemperatureScale::Celsius,
       false},  // hour 24
  };
  for (const auto& c : cases) {
    const DecodedReading reading = DecodeRecord(RecordFromHex(c.hex));
    EXPECT_EQ(reading.Value, c.value) << c.hex;
    EXPECT_EQ(reading.Unit, c.unit) << c.hex;
    EXPECT_EQ(reading.Scale, c.scale) << c.hex;
    EXPECT_EQ(reading.Clock.real, c.realClock) << c.hex;
    EXPECT_EQ(reading.ValueNumber, c.value.value_or(0.0)) << c.hex << ": the chart plots 0";
  }
}

// The meter's places after the point travel with the number, and each unit
// has its code: what a file writes and a message carries.
TEST(DecodeRecordTest, PlacesAndUnitCodes) {
  const struct {
    const char* hex;
    int decimals;
    std::optional<std::string_view> code;
  } cases[] = {
      {"82 01 BC 02 FA 00 05 11 08 12 2E 09", 2, "[pH]"},   // 7.00 pH
      {"02 01 BC 02 FA 00 05 11 08 12 2E 09", 3, "[pH]"},   // mode 1, code 0: three places
      {"63 02 D2 04 02 83 05 11 08 12 2E 09", 1, "mV"},     // -123.4 mV
      {"40 04 7B 00 FA 00 05 11 08 12 2E 09", 1, "kOhm"},   // 12.3 kΩ
      {"C7 04 7B 00 FA 00 05 11 08 12 2E 09", 3, "uS/cm"},  // 0.123 µS/cm
      {"0A 04 7B 00 FA 00 05 11 08 12 2E 09", 0, std::nullopt},  // PSU has no code
      {"0B FF FF FF FA 00 05 11 08 12 2E 09", 0, std::nullopt},  // no value, blank unit
  };
  for (const auto& c : cases) {
    const DecodedReading reading = DecodeRecord(RecordFromHex(c.hex));
    EXPECT_EQ(reading.ValueDecimals, c.decimals) << c.hex;
    EXPECT_EQ(reading.UnitCode, c.code) << c.hex;
  }
}

// Every count in every precision the meter uses: the text is exactly what
// fixed-point formatting of the plotted number prints, and that is the digits
// of the count with the point inserted.
TEST(FormatValueExhaustiveTest, TextIsDigitsWithPointInserted) {
  struct Format {
    std::uint8_t flags, mode;
    int decimals;
    double scale;
  };
  const Format formats[] = {{0x40, 1, 1, 0.1},   {0x80, 1, 2, 0.01},   {0x00, 1, 3, 0.001},
                            {0xC0, 1, 3, 0.001}, {0x00, 4, 0, 1.0},    {0x40, 7, 1, 0.1},
                            {0x80, 8, 2, 0.01},  {0xC0, 11, 3, 0.001}, {0x20, 2, 1, 0.1}};
  for (const auto& f : formats) {
    for (unsigned w = 0; w <= 0xFFFF; ++w) {
      MeterRecord::Bytes bytes{f.flags, f.mode, static_cast<std::uint8_t>(w & 0xFF),
                               static_cast<std::uint8_t>(w >> 8)};
      const auto value = FormatValue(MeterRecord(bytes));
      const double expected = w * f.scale;
      char printed[32];
      const auto end = std::to_chars(printed, printed + sizeof printed, expected,
                                     std::chars_format::fixed, f.decimals)
                           .ptr;
      std::string digits = std::to_string(w);
      if (f.decimals > 0) {
        const auto places = static_cast<std::size_t>(f.decimals);
        if (digits.size() <= places) digits = std::string(places + 1 - digits.size(), '0') + digits;
        const std::size_t point = digits.size() - places;
        digits = digits.substr(0, point) + "." + digits.substr(point);
      }
      ASSERT_EQ(value.Text, std::string(printed, end) + " \u039A\u03A9") << w;
      ASSERT_EQ(value.Text, digits + " \u039A\u03A9") << w;
      ASSERT_EQ(value.Number, expected) << w;
    }
  }
}

// A locale with a decimal comma and digit grouping must not leak into the texts.
TEST(LocaleTest, DecimalCommaLocaleChangesNothing) {
  const char* german = std::setlocale(LC_ALL, "de_DE.UTF-8");
  if (german == nullptr) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
  std::locale::global(std::locale("de_DE.UTF-8"));
  const auto reading = DecodeRecord(RecordFromHex("C8 09 FF FF 02 83 05 11 08 12 2E 09"));
  std::locale::global(std::locale::classic());
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(reading.ValueText, "65.535 ppm");
  EXPECT_EQ(reading.TemperatureText, "77.0 \u00B0F");
  EXPECT_EQ(reading.TimestampText, "2017-05-18 08:09:46");
}

}  // namespace
}  // namespace orbek
