#include "oranet/value_rowid.h"

#include <cstdio>

namespace oranet {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string Base64Of(uint32_t value, int bytes, int digits) {
  uint8_t big[4];
  for (int i = 0; i < bytes; ++i) big[i] = static_cast<uint8_t>(value >> (8 * (bytes - 1 - i)));
  return Base64Encode(big, bytes, digits);
}

}  // namespace

std::string Base64Encode(const uint8_t* bytes, int count, int digits) {
  std::string text(static_cast<size_t>(digits), kAlphabet[0]);
  // Walk the digits from the least significant end; bits beyond the
  // bytes are the zero padding.
  for (int digit = 0; digit < digits; ++digit) {
    int value = 0;
    for (int bit = 0; bit < 6; ++bit) {
      const int position = digit * 6 + bit;  // counted from the last byte's low bit
      const int byte = count - 1 - position / 8;
      if (byte >= 0 && (bytes[byte] >> (position % 8) & 1)) value |= 1 << bit;
    }
    text[static_cast<size_t>(digits - 1 - digit)] = kAlphabet[value];
  }
  return text;
}

std::string RowidToText(const TRowidParts& parts) {
  if (parts.objectId != 0) {
    return Base64Of(parts.objectId, 4, 6) + Base64Of(parts.file, 2, 3) + Base64Of(parts.block, 4, 6) +
           Base64Of(parts.slot, 2, 3);
  }
  char text[24];
  std::snprintf(text, sizeof text, "%08X.%04X.%04X", parts.block, static_cast<unsigned>(parts.slot),
                static_cast<unsigned>(parts.file));
  return text;
}

}  // namespace oranet
