#include "oranet/tns_packet.h"

#include <algorithm>
#include <cstring>

#include "classlib/exceptions.h"
#include "oranet/net_errors.h"

namespace oranet {

void FillPacketHeader(uint8_t* packet, int length, uint8_t type, uint8_t flags) {
  PutBigEndian16(packet, static_cast<unsigned>(length));
  PutBigEndian16(packet + 2, 0);
  packet[4] = type;
  packet[5] = flags;
  PutBigEndian16(packet + 6, 0);
}

std::string ConnectDescriptor(const std::string& host, int port, const std::string& sid) {
  return "(DESCRIPTION=(ADDRESS=(PROTOCOL=tcp)(HOST=" + host + ")(PORT=" + std::to_string(port) +
         "))(CONNECT_DATA=(SID=" + sid + ")))";
}

TConnectPackets BuildConnectPackets(const std::string& descriptor, int sdu, int tdu) {
  const int length = static_cast<int>(descriptor.size());
  const bool inlined = length <= kTnsMaxInlineConnectData;
  // Long data go in one DATA packet, which must fit the session data unit
  // offered (nothing larger is agreed before the ACCEPT) and the buffer.
  const int maxDescriptor = std::min(sdu, kTnsPacketBufferSize) - kTnsDataOffset;
  if (!inlined && length > maxDescriptor) {
    throw classlib::Exception("Connect descriptor too long: " + std::to_string(length) + " bytes (at most " +
                              std::to_string(maxDescriptor) + ")");
  }
  TConnectPackets packets;
  dacore::TBytes& packet = packets.connect;
  packet.assign(kTnsConnectHeaderSize + (inlined ? length : 0), 0);
  uint8_t* p = packet.data();
  FillPacketHeader(p, static_cast<int>(packet.size()), kTnsConnect, 0);
  PutBigEndian16(p + 8, 0x0134);   // version
  PutBigEndian16(p + 10, 0x012C);  // lowest compatible version
  PutBigEndian16(p + 12, 0);       // service options
  PutBigEndian16(p + 14, static_cast<unsigned>(sdu));
  PutBigEndian16(p + 16, static_cast<unsigned>(tdu));
  PutBigEndian16(p + 18, 0x4F98);  // protocol characteristics
  // The value one as the client lays out its own integers: the message
  // writers put the low byte first on every host, so this says 01 00.
  p[22] = 0x01;
  p[23] = 0x00;
  PutBigEndian16(p + 24, static_cast<unsigned>(length));
  PutBigEndian16(p + 26, kTnsConnectHeaderSize);
  p[32] = 4;
  p[33] = 4;
  if (inlined) {
    std::memcpy(p + kTnsConnectHeaderSize, descriptor.data(), descriptor.size());
    return packets;
  }
  packets.data.assign(kTnsDataOffset + length, 0);
  FillPacketHeader(packets.data.data(), static_cast<int>(packets.data.size()), kTnsData, 0);
  std::memcpy(packets.data.data() + kTnsDataOffset, descriptor.data(), descriptor.size());
  return packets;
}

int AcceptedSdu(const uint8_t* packet, int length) {
  if (length < kTnsAcceptSduOffset + 2) throw ENetError(kNetPacketTooShort);
  return static_cast<int>(GetBigEndian16(packet + kTnsAcceptSduOffset));
}

std::array<uint8_t, kTnsMarkerSize> BuildMarkerPacket(uint8_t kind) {
  std::array<uint8_t, kTnsMarkerSize> packet{};
  FillPacketHeader(packet.data(), kTnsMarkerSize, kTnsMarker, 0);
  packet[8] = 1;
  packet[9] = 0;
  packet[10] = kind;
  return packet;
}

bool ExtractDescriptorValue(const std::string& text, const std::string& key, std::string& value) {
  const std::string tag = key + "=";
  const size_t at = text.find(tag);
  if (at == std::string::npos) return false;
  const size_t start = at + tag.size();
  const size_t end = text.find(')', start);
  value = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
  return true;
}

void ApplyRedirect(const std::string& text, TTnsAddress& address) {
  std::string value;
  if (ExtractDescriptorValue(text, "HOST", value)) address.host = value;
  if (ExtractDescriptorValue(text, "PORT", value)) {
    if (value.empty() || value.size() > 5) throw ENetError(kNetUnexpectedPacket);
    int port = 0;
    for (const char c : value) {
      if (c < '0' || c > '9') throw ENetError(kNetUnexpectedPacket);
      port = port * 10 + (c - '0');
    }
    if (port > 65535) throw ENetError(kNetUnexpectedPacket);
    address.port = port;
  }
  if (ExtractDescriptorValue(text, "SID", value) || ExtractDescriptorValue(text, "SERVICE_NAME", value)) {
    address.sid = value;
  }
}

}  // namespace oranet
