#include "mqtt/MqttPackets.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orbek::mqtt {
namespace {

std::string Bytes(std::initializer_list<int> bytes) {
  std::string out;
  for (const int byte : bytes)
    out += static_cast<char>(byte);
  return out;
}

// The bytes a broker checks, as MQTT 3.1.1 lays them out.
TEST(MqttPacketsTest, PacketsAreLaidOutAsTheProtocolSays) {
  ConnectRequest connect;
  connect.clientId = "c";
  connect.keepAliveSeconds = 30;
  connect.willTopic = "t/s";
  connect.willMessage = "off";
  connect.user.emplace("u");
  connect.password.emplace("p:w");
  ConnectRequest bare;
  bare.clientId = "c";
  const struct {
    const char* what;
    std::string made;
    std::string expected;
  } cases[] = {
      {"a connect with a will and credentials",
       [&] {
         std::string out;
         AppendConnect(out, connect);
         return out;
       }(),
       Bytes({0x10, 31,  0,   4, 'M', 'Q', 'T', 'T', 4, 0xee, 0,   30, 0, 1,   'c', 0,  3,
              't',  '/', 's', 0, 3,   'o', 'f', 'f', 0, 1,    'u', 0,  3, 'p', ':', 'w'})},
      {"a bare connect",
       [&] {
         std::string out;
         AppendConnect(out, bare);
         return out;
       }(),
       Bytes({0x10, 13, 0, 4, 'M', 'Q', 'T', 'T', 4, 0x02, 0, 30, 0, 1, 'c'})},
      {"a publish at QoS 1",
       [] {
         std::string out;
         AppendPublish(out, "a/b", "hi", 0x0102, false);
         return out;
       }(),
       Bytes({0x32, 9, 0, 3, 'a', '/', 'b', 1, 2, 'h', 'i'})},
      {"a retained publish",
       [] {
         std::string out;
         AppendPublish(out, "s", "", 7, true);
         return out;
       }(),
       Bytes({0x33, 5, 0, 1, 's', 0, 7})},
      {"a ping and a goodbye",
       [] {
         std::string out;
         AppendPingRequest(out);
         AppendDisconnect(out);
         return out;
       }(),
       Bytes({0xc0, 0, 0xe0, 0})},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.made, c.expected) << c.what;
}

// The remaining length takes one to three bytes across its limits, and
// the reader gives back what was written, however the bytes are cut.
TEST(MqttPacketsTest, EveryLengthComesBackWholeHoweverTheReadsCutIt) {
  std::string stream;
  // A body of 7 bytes and the payload: 127, 128, 16383 and 16384 among them.
  const std::vector<std::size_t> payloads = {0, 1, 120, 121, 16376, 16377};
  const std::string lengths[] = {Bytes({7}),          Bytes({8}),
                                 Bytes({127}),        Bytes({0x80, 0x01}),
                                 Bytes({0xff, 0x7f}), Bytes({0x80, 0x80, 0x01})};
  std::uint16_t id = 1;
  for (std::size_t i = 0; i < payloads.size(); ++i) {
    std::string one;
    AppendPublish(one, "a/b", std::string(payloads[i], 'x'), id++, false);
    EXPECT_EQ(one.substr(1, lengths[i].size()), lengths[i]) << payloads[i];
    stream += one;
  }
  for (const std::size_t cut :
       {std::size_t{1}, std::size_t{2}, std::size_t{7}, std::size_t{4096}}) {
    PacketReader reader;
    std::vector<std::size_t> got;
    for (std::size_t at = 0; at < stream.size(); at += cut) {
      reader.Take(std::string_view(stream).substr(at, cut));
      while (const std::optional<Packet> packet = reader.Next()) {
        EXPECT_EQ(packet->type, kPublish);
        EXPECT_EQ(packet->flags, 0x02);
        got.push_back(packet->body.size() - 7);
        EXPECT_EQ(packet->body.substr(0, 3), std::string_view("\0\3a", 3));
      }
    }
    EXPECT_FALSE(reader.Broken());
    EXPECT_EQ(got, payloads) << "read " << cut << " bytes at a time";
  }
}

TEST(MqttPacketsTest, TheBrokersAnswersAreReadAndWhatIsNotMqttIsRefused) {
  const struct {
    std::string bytes;
    std::optional<int> connack;
    std::optional<std::uint16_t> puback;
    bool broken;
  } cases[] = {
      {Bytes({0x20, 2, 0, 0}), 0, std::nullopt, false},
      {Bytes({0x20, 2, 1, 5}), 5, std::nullopt, false},
      {Bytes({0x20, 3, 0, 0, 0}), std::nullopt, std::nullopt, false},  // malformed
      {Bytes({0x40, 2, 0xff, 0xfe}), std::nullopt, 0xfffe, false},
      {Bytes({0x40, 1, 0}), std::nullopt, std::nullopt, false},
      {Bytes({0xd0, 0}), std::nullopt, std::nullopt, false},  // a ping's answer
      {Bytes({0x40, 0x80, 0x80, 0x80, 0x80, 1}), std::nullopt, std::nullopt, true},
      {Bytes({0x40, 0x81, 0x80, 0x04}), std::nullopt, std::nullopt, true},  // 64 KiB and more
  };
  for (const auto& c : cases) {
    PacketReader reader;
    reader.Take(c.bytes);
    const std::optional<Packet> packet = reader.Next();
    EXPECT_EQ(reader.Broken(), c.broken);
    if (c.broken) continue;
    ASSERT_TRUE(packet.has_value());
    EXPECT_EQ(ConnackCode(*packet), c.connack);
    EXPECT_EQ(PubackId(*packet), c.puback);
    EXPECT_FALSE(reader.Next().has_value());
  }
}

}  // namespace
}  // namespace orbek::mqtt
