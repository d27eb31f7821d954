// libFuzzer target: whatever a broker (or anything posing as one) sends,
// in any pieces, the packet reader neither crashes nor reads past what it
// was given, gives the packets it gives fed whole, and once it finds bytes
// that cannot be MQTT stays broken. A PUBLISH made of the same bytes comes
// back as it was made.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "mqtt/MqttPackets.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

struct Seen {
  std::uint8_t type, flags;
  std::string body;
  bool operator==(const Seen&) const = default;
};

std::vector<Seen> Read(std::string_view bytes, std::size_t piece, bool& broken) {
  orbek::mqtt::PacketReader reader;
  std::vector<Seen> seen;
  std::size_t bodies = 0;
  for (std::size_t at = 0; at < bytes.size(); at += piece) {
    reader.Take(bytes.substr(at, piece));
    while (const auto packet = reader.Next()) {
      seen.push_back({packet->type, packet->flags, std::string(packet->body)});
      bodies += packet->body.size() + 2;  // a header is two bytes at least
      Check(!reader.Broken());
    }
  }
  Check(bodies <= bytes.size());
  broken = reader.Broken();
  return seen;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t piece = 1 + data[0] % 16;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  bool brokenWhole = false, brokenInPieces = false;
  const std::vector<Seen> whole = Read(bytes, bytes.size() + 1, brokenWhole);
  Check(Read(bytes, piece, brokenInPieces) == whole && brokenInPieces == brokenWhole);

  std::string made;
  const std::string_view topic = bytes.substr(0, std::min<std::size_t>(bytes.size(), 8));
  orbek::mqtt::AppendPublish(made, topic, bytes, static_cast<std::uint16_t>(piece), false);
  bool broken = false;
  const std::vector<Seen> back = Read(made, piece, broken);
  if (bytes.size() + topic.size() + 4 > (1u << 16)) return 0;  // more than a broker sends
  Check(!broken && back.size() == 1 && back[0].type == orbek::mqtt::kPublish &&
        back[0].body.substr(2 + topic.size() + 2) == bytes);
  return 0;
}
