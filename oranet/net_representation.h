// How the peer represents integers, as the negotiation settles it. Four
// representation bytes R[0..3]: R[1] bit 0x01 says integers carry a length
// byte (compressed form); R[k] bit 0x02 says integers of kind k (1: 16-bit,
// 2: 32-bit) are little-endian. Both the packet layer (which peeks at an
// error number after a break) and the message readers decode with it.
#pragma once

#include <cstdint>

#include "oranet/net_errors.h"

namespace oranet {

enum IntegerKind : int { kIntUB2 = 1, kIntUB4 = 2 };

struct TRepresentation {
  uint8_t R[4] = {0, 2, 1, 1};

  // Before every connect.
  void Reset() { Set(0, 2, 1, 1); }
  // After the data-type negotiation.
  void SetNegotiated() { Set(0, 1, 1, 1); }
  void Set(uint8_t r0, uint8_t r1, uint8_t r2, uint8_t r3) {
    R[0] = r0;
    R[1] = r1;
    R[2] = r2;
    R[3] = r3;
  }
  bool Compressed() const { return (R[1] & 0x01) != 0; }
  bool LittleEndian(int kind) const { return kind >= 0 && kind < 4 && (R[kind] & 0x02) != 0; }
};

// A compressed integer never has more value bytes than this.
constexpr int kMaxIntegerBytes = 4;

// Decodes one integer of `kind`; nextByte() yields the bytes in turn. In the
// compressed form the length byte's bit 0x80 marks a negative value and its
// low 7 bits give the byte count, which must not exceed 4 (Unknown error 1).
template <class NextByte>
int64_t DecodeInteger(const TRepresentation& rep, int kind, NextByte nextByte) {
  int count = 0;
  bool negative = false;
  if (rep.Compressed()) {
    const uint8_t lead = nextByte();
    negative = (lead & 0x80) != 0;
    count = lead & 0x7F;
    if (count > kMaxIntegerBytes) throw ENetUnknownError(1);
  } else if (kind == kIntUB2) {
    count = 2;
  } else if (kind == kIntUB4) {
    count = 4;
  } else {
    return 0;
  }
  uint8_t bytes[kMaxIntegerBytes] = {};
  for (int i = 0; i < count; ++i) bytes[i] = nextByte();
  uint64_t value = 0;
  const bool little = rep.LittleEndian(kind);
  for (int i = 0; i < count; ++i) value = (value << 8) | bytes[little ? count - 1 - i : i];
  return negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
}

}  // namespace oranet
