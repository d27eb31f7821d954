#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The MQTT 3.1.1 control packets a publisher at QoS 1 sends and reads, as
// bytes. Every packet is a fixed header (type << 4 | flags, then the
// remaining length in 7-bit groups, least significant first, at most four
// bytes) and a body; strings in a body are a 16-bit big-endian length and
// UTF-8 bytes.
namespace orbek::mqtt {

enum PacketType : std::uint8_t {
  kConnect = 1,
  kConnack = 2,
  kPublish = 3,
  kPuback = 4,
  kPingRequest = 12,
  kPingResponse = 13,
  kDisconnect = 14,
};

struct ConnectRequest {
  std::string clientId;
  std::uint16_t keepAliveSeconds = 30;
  // Published (QoS 1, retained) by the broker if the connection is lost
  // without a DISCONNECT.
  std::string willTopic, willMessage;
  std::optional<std::string> user, password;
};

void AppendConnect(std::string& out, const ConnectRequest& request);
// QoS 1; `packetId` is never 0.
void AppendPublish(std::string& out, std::string_view topic, std::string_view payload,
                   std::uint16_t packetId, bool retain);
void AppendPingRequest(std::string& out);
void AppendDisconnect(std::string& out);

struct Packet {
  std::uint8_t type = 0;  // a PacketType, or what else the broker sent
  std::uint8_t flags = 0;
  std::string_view body;  // valid until the reader next takes bytes
};

// The broker's bytes split into packets, however its reads cut them.
class PacketReader {
 public:
  void Take(std::string_view bytes);
  // The next whole packet, if one has come. Broken() once the bytes
  // cannot be MQTT (a remaining length longer than four bytes, or larger
  // than a publisher is ever sent).
  std::optional<Packet> Next();
  bool Broken() const { return broken_; }

 private:
  std::string buffer_;
  std::size_t at_ = 0;
  bool broken_ = false;
};

// A CONNACK's return code (0: accepted), a PUBACK's packet id; nothing
// when the packet is not one, or is malformed.
std::optional<int> ConnackCode(const Packet& packet);
std::optional<std::uint16_t> PubackId(const Packet& packet);
// Why a broker refused, by its CONNACK code.
std::string_view RefusalText(int code);

}  // namespace orbek::mqtt
