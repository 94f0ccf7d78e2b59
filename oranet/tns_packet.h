// TNS packet layout: the 8-byte header (multi-byte values big-endian), the
// CONNECT packet with its connect descriptor, MARKER packets, and the
// values a REDIRECT's descriptor carries.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "dacore/util_bytes.h"

namespace oranet {

enum TnsPacketType : uint8_t {
  kTnsConnect = 1,
  kTnsAccept = 2,
  kTnsRefuse = 4,
  kTnsRedirect = 5,
  kTnsData = 6,
  kTnsResend = 11,
  kTnsMarker = 12,
};
// Types above this are no TNS packets at all.
constexpr int kTnsMaxPacketType = 19;

constexpr int kTnsHeaderSize = 8;
constexpr int kTnsDataOffset = 10;        // DATA payload, after the data flags
constexpr int kTnsConnectHeaderSize = 34; // CONNECT fields before the descriptor
constexpr int kTnsAcceptSduOffset = 12;   // the session data unit both sides use
constexpr int kTnsPacketBufferSize = 4096;
constexpr int kTnsReceiveLimit = 4087;    // a received packet must be shorter
constexpr int kTnsMarkerSize = 11;
constexpr uint16_t kTnsLastDataFlag = 0x40;  // the connection's final DATA packet

enum TnsMarkerKind : uint8_t { kMarkerBreak = 1, kMarkerReset = 2 };

inline void PutBigEndian16(uint8_t* at, unsigned value) {
  at[0] = static_cast<uint8_t>(value >> 8);
  at[1] = static_cast<uint8_t>(value);
}
inline unsigned GetBigEndian16(const uint8_t* at) { return (unsigned{at[0]} << 8) | at[1]; }

// Fills the header fields the sender sets: length, type, flags; the two
// checksums stay 0.
void FillPacketHeader(uint8_t* packet, int length, uint8_t type, uint8_t flags);

std::string ConnectDescriptor(const std::string& host, int port, const std::string& sid);

// Connect data up to this length travel inside the CONNECT packet; longer
// ones follow it in a DATA packet of their own.
constexpr int kTnsMaxInlineConnectData = 230;

// What a connect sends: the CONNECT packet and, for long connect data, the
// DATA packet that carries them (else empty).
struct TConnectPackets {
  dacore::TBytes connect;
  dacore::TBytes data;
};

// The packets for a descriptor, none longer than `sdu`. A descriptor that
// does not fit raises an exception naming its length.
TConnectPackets BuildConnectPackets(const std::string& descriptor, int sdu, int tdu);

// The session data unit an ACCEPT packet of `length` bytes states (0 when
// it states none). A packet too short for the field is Net error 207.
int AcceptedSdu(const uint8_t* packet, int length);

std::array<uint8_t, kTnsMarkerSize> BuildMarkerPacket(uint8_t kind);

// The characters after key + "=" up to the next ")" (or the end); false
// when the key does not occur.
bool ExtractDescriptorValue(const std::string& text, const std::string& key, std::string& value);

// Where a connect goes; a REDIRECT changes it.
struct TTnsAddress {
  std::string host;
  int port = 1521;
  std::string sid;
};

// Takes HOST, PORT and SID (or SERVICE_NAME when there is no SID) from a
// REDIRECT's text; a missing key leaves its field as it was. A port that is
// no decimal number in 0..65535 raises Net error 205.
void ApplyRedirect(const std::string& text, TTnsAddress& address);

}  // namespace oranet
