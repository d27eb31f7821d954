#include "mqtt/MqttPackets.h"

#include <algorithm>

namespace orbek::mqtt {

namespace {

// A broker sends a publisher only short packets (CONNACK, PUBACK,
// PINGRESP); anything far larger is not a broker speaking MQTT.
constexpr std::size_t kLargestIncoming = 1 << 16;

void AppendHeader(std::string& out, std::uint8_t first, std::size_t remaining) {
  out += static_cast<char>(first);
  do {
    std::uint8_t digit = remaining % 128;
    remaining /= 128;
    if (remaining > 0) digit |= 0x80;
    out += static_cast<char>(digit);
  } while (remaining > 0);
}

void AppendNumber(std::string& out, std::uint16_t number) {
  out += static_cast<char>(number >> 8);
  out += static_cast<char>(number & 0xff);
}

// Texts longer than 65,535 bytes cannot be sent; topics, ids and
// credentials are checked to be shorter where they are given.
void AppendText(std::string& out, std::string_view text) {
  AppendNumber(out, static_cast<std::uint16_t>(std::min<std::size_t>(text.size(), 0xffff)));
  out.append(text.substr(0, 0xffff));
}

}  // namespace

void AppendConnect(std::string& out, const ConnectRequest& request) {
  const bool will = !request.willTopic.empty();
  std::uint8_t flags = 0x02;              // a clean session: nothing is kept between connections
  if (will) flags |= 0x04 | 0x08 | 0x20;  // a will, at QoS 1, retained
  if (request.user) flags |= 0x80;
  if (request.password) flags |= 0x40;
  std::string body;
  AppendText(body, "MQTT");
  body += static_cast<char>(4);  // protocol level 3.1.1
  body += static_cast<char>(flags);
  AppendNumber(body, request.keepAliveSeconds);
  AppendText(body, request.clientId);
  if (will) {
    AppendText(body, request.willTopic);
    AppendText(body, request.willMessage);
  }
  if (request.user) AppendText(body, *request.user);
  if (request.password) AppendText(body, *request.password);
  AppendHeader(out, kConnect << 4, body.size());
  out += body;
}

void AppendPublish(std::string& out, std::string_view topic, std::string_view payload,
                   std::uint16_t packetId, bool retain) {
  const std::uint8_t first = kPublish << 4 | 0x02 /* QoS 1 */ | (retain ? 0x01 : 0);
  AppendHeader(out, first, 2 + topic.size() + 2 + payload.size());
  AppendText(out, topic);
  AppendNumber(out, packetId);
  out.append(payload);
}

void AppendPingRequest(std::string& out) {
  AppendHeader(out, kPingRequest << 4, 0);
}

void AppendDisconnect(std::string& out) {
  AppendHeader(out, kDisconnect << 4, 0);
}

void PacketReader::Take(std::string_view bytes) {
  if (at_ > 0) {
    buffer_.erase(0, at_);
    at_ = 0;
  }
  buffer_.append(bytes);
}

std::optional<Packet> PacketReader::Next() {
  if (broken_) return std::nullopt;
  const std::size_t available = buffer_.size() - at_;
  std::size_t remaining = 0;
  std::size_t header = 1;
  for (unsigned shift = 0;; shift += 7, ++header) {
    if (header > 4) {
      broken_ = true;
      return std::nullopt;
    }
    if (header >= available) return std::nullopt;
    const auto digit = static_cast<std::uint8_t>(buffer_[at_ + header]);
    remaining |= static_cast<std::size_t>(digit & 0x7f) << shift;
    if ((digit & 0x80) == 0) break;
  }
  ++header;
  if (remaining > kLargestIncoming) {
    broken_ = true;
    return std::nullopt;
  }
  if (available < header + remaining) return std::nullopt;
  const auto first = static_cast<std::uint8_t>(buffer_[at_]);
  Packet packet{static_cast<std::uint8_t>(first >> 4), static_cast<std::uint8_t>(first & 0x0f),
                std::string_view(buffer_).substr(at_ + header, remaining)};
  at_ += header + remaining;
  return packet;
}

std::optional<int> ConnackCode(const Packet& packet) {
  if (packet.type != kConnack || packet.body.size() != 2) return std::nullopt;
  return static_cast<std::uint8_t>(packet.body[1]);
}

std::optional<std::uint16_t> PubackId(const Packet& packet) {
  if (packet.type != kPuback || packet.body.size() != 2) return std::nullopt;
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(packet.body[0]) << 8 |
                                    static_cast<std::uint8_t>(packet.body[1]));
}

std::string_view RefusalText(int code) {
  switch (code) {
    case 1:
      return "it does not speak MQTT 3.1.1";
    case 2:
      return "it rejected the client identifier";
    case 3:
      return "the service is unavailable";
    case 4:
      return "bad user name or password";
    case 5:
      return "not authorised";
    default:
      return "an unknown reason";
  }
}

}  // namespace orbek::mqtt
