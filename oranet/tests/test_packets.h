// Builders of the packets a server sends, for the scripted transport, the
// fake server and the fuzz seeds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dacore/util_bytes.h"
#include "oranet/tns_packet.h"

namespace oranet::testing {

using dacore::TBytes;

// A whole packet: header, then the body from offset 8.
inline TBytes TnsPacket(uint8_t type, const TBytes& body, uint8_t flags = 0) {
  TBytes packet(kTnsHeaderSize, 0);
  packet.insert(packet.end(), body.begin(), body.end());
  FillPacketHeader(packet.data(), static_cast<int>(packet.size()), type, flags);
  return packet;
}

inline TBytes DataPacket(const TBytes& payload, uint16_t dataFlags = 0) {
  TBytes body{static_cast<uint8_t>(dataFlags >> 8), static_cast<uint8_t>(dataFlags)};
  body.insert(body.end(), payload.begin(), payload.end());
  return TnsPacket(kTnsData, body);
}

inline TBytes MarkerPacket(uint8_t byte8, uint8_t kind) { return TnsPacket(kTnsMarker, {byte8, 0, kind}); }

// ACCEPT as the public descriptions lay it out: the version taken, the
// service options, the session and transport data units the server takes,
// the value one in its byte order, the accept data's length and offset,
// two connect flags, then reserved bytes up to the data offset.
inline TBytes AcceptPacket(int sdu = 2048, int tdu = 32767) {
  TBytes body(24, 0);
  PutBigEndian16(body.data() + 0, 0x0134);
  PutBigEndian16(body.data() + 4, static_cast<unsigned>(sdu));
  PutBigEndian16(body.data() + 6, static_cast<unsigned>(tdu));
  PutBigEndian16(body.data() + 8, 0x0100);
  PutBigEndian16(body.data() + 12, 32);
  return TnsPacket(kTnsAccept, body);
}

// REDIRECT: two bytes of data length, then the text from offset 10.
inline TBytes RedirectPacket(const std::string& text) {
  TBytes body{static_cast<uint8_t>(text.size() >> 8), static_cast<uint8_t>(text.size())};
  body.insert(body.end(), text.begin(), text.end());
  return TnsPacket(kTnsRedirect, body);
}

inline TBytes Bytes(const std::string& text) { return TBytes(text.begin(), text.end()); }

inline TBytes Concat(std::initializer_list<TBytes> parts) {
  TBytes all;
  for (const TBytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// "01 0a ff" -> bytes; blanks are ignored.
inline TBytes Hex(const std::string& text) {
  TBytes bytes;
  int high = -1;
  for (const char c : text) {
    int v = -1;
    if (c >= '0' && c <= '9') v = c - '0';
    if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    if (v < 0) continue;
    if (high < 0) {
      high = v;
    } else {
      bytes.push_back(static_cast<uint8_t>(high * 16 + v));
      high = -1;
    }
  }
  return bytes;
}

// A protocol reply of version `v`, character set 873 (before negotiation:
// ub2 fixed, low byte first).
// The database's character set is AL32UTF8 (873) unless given.
inline TBytes ProtocolReply(uint8_t v, uint16_t charset = 873) {
  TBytes reply = Concat({Hex("01"), {v}, Hex("00"), Bytes("x86_64/Linux 2.4.xx"), Hex("00"),
                         {static_cast<uint8_t>(charset), static_cast<uint8_t>(charset >> 8)}, Hex("01  02 00"),
                         TBytes(10, 7)});
  if (v >= 5) reply = Concat({reply, Hex("00 03 aa bb cc")});
  if (v >= 6) reply = Concat({reply, Hex("02 01 02  01 09")});
  return reply;
}

}  // namespace oranet::testing
