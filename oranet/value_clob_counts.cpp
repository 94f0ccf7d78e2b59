#include "oranet/value_clob_counts.h"

#include <algorithm>

namespace oranet {

namespace {

// Bytes of the UTF-8 character led by `lead`; stray continuation bytes
// count as one so that a damaged text still moves on.
size_t Utf8Length(uint8_t lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

// Characters outside the basic plane are two UTF-16 units on the server.
size_t ServerChars(size_t utf8Length) { return utf8Length == 4 ? 2 : 1; }

}  // namespace

int CharsetMaxCharWidth(int charsetId) {
  switch (charsetId) {
    case 830: case 831: case 871: case 873:
      return 3;
    case 829: case 832: case 833: case 834: case 835: case 836: case 840: case 842: case 845:
    case 850: case 851: case 852: case 853: case 862: case 864: case 865: case 866: case 867:
    case kCharsetUtf16: case 1830: case 1832: case 1833: case 1842: case 1852: case 1853:
      return 2;
    default:
      return 1;
  }
}

size_t ClobBytesForChars(int charsetId, const uint8_t* text, size_t size, size_t chars) {
  if (charsetId == kCharsetUtf16) return std::min(size, chars * 2);
  if (CharsetMaxCharWidth(charsetId) == 1 && charsetId != 871) return std::min(size, chars);
  size_t at = 0;
  while (chars > 0 && at < size) {
    const size_t length = Utf8Length(text[at]);
    if (at + length > size || ServerChars(length) > chars) break;
    at += length;
    chars -= ServerChars(length);
  }
  return at;
}

size_t ClobCharsInBytes(int charsetId, const uint8_t* text, size_t size) {
  if (charsetId == kCharsetUtf16) return (size + 1) / 2;
  if (CharsetMaxCharWidth(charsetId) == 1 && charsetId != 871) return size;
  size_t chars = 0;
  for (size_t at = 0; at < size;) {
    const size_t length = Utf8Length(text[at]);
    chars += ServerChars(length);
    at += length;
  }
  return chars;
}

}  // namespace oranet
