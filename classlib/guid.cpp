#include "classlib/guid.h"

#include <sys/random.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "classlib/exceptions.h"

namespace classlib {

static_assert(sizeof(TGUID) == 16, "a GUID is stored as its 16 bytes");

bool operator==(const TGUID& a, const TGUID& b) {
  return a.D1 == b.D1 && a.D2 == b.D2 && a.D3 == b.D3 && std::memcmp(a.D4, b.D4, 8) == 0;
}

std::string GUIDToString(const TGUID& g) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.D1,
                g.D2, g.D3, g.D4[0], g.D4[1], g.D4[2], g.D4[3], g.D4[4], g.D4[5], g.D4[6],
                g.D4[7]);
  return buf;
}

namespace {

// Reads `count` hex digits at pos; false on anything else.
bool ReadHex(const std::string& s, size_t pos, size_t count, uint32_t& out) {
  out = 0;
  for (size_t i = pos; i < pos + count; ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (!std::isxdigit(c)) return false;
    out = out * 16 + static_cast<uint32_t>(std::isdigit(c) ? c - '0' : std::toupper(c) - 'A' + 10);
  }
  return true;
}

}  // namespace

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", hex digits in either case.
bool TryStringToGUID(const std::string& s, TGUID& g) {
  if (s.size() != 38 || s[0] != '{' || s[37] != '}' || s[9] != '-' || s[14] != '-' ||
      s[19] != '-' || s[24] != '-')
    return false;
  TGUID result;
  uint32_t v;
  if (!ReadHex(s, 1, 8, result.D1)) return false;
  if (!ReadHex(s, 10, 4, v)) return false;
  result.D2 = static_cast<uint16_t>(v);
  if (!ReadHex(s, 15, 4, v)) return false;
  result.D3 = static_cast<uint16_t>(v);
  static constexpr size_t kByteAt[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int i = 0; i < 8; ++i) {
    if (!ReadHex(s, kByteAt[i], 2, v)) return false;
    result.D4[i] = static_cast<uint8_t>(v);
  }
  g = result;
  return true;
}

TGUID StringToGUID(const std::string& s) {
  TGUID g;
  if (!TryStringToGUID(s, g)) throw EConvertError("'" + s + "' is not a valid GUID value");
  return g;
}

// 122 random bits from the kernel with the version (4) and variant (10xx)
// bits set.
TGUID CreateGUID() {
  uint8_t bytes[16];
  size_t filled = 0;
  while (filled < sizeof bytes) {
    const ssize_t n = getrandom(bytes + filled, sizeof bytes - filled, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      RaiseLastOSError(errno);
    }
    filled += static_cast<size_t>(n);
  }
  TGUID g;
  std::memcpy(&g, bytes, sizeof g);
  g.D3 = static_cast<uint16_t>((g.D3 & 0x0FFF) | 0x4000);
  g.D4[0] = static_cast<uint8_t>((g.D4[0] & 0x3F) | 0x80);
  return g;
}

}  // namespace classlib
