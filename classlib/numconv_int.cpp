#include "classlib/number_text.h"
#include "classlib/numconv.h"

namespace classlib {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Parses an integer of `bits` (32 or 64) bits. Decimal text must fit the
// signed range; hexadecimal text may use the whole unsigned range and then
// reads as the two's complement ("$FFFFFFFF" is -1 as a 32-bit value), the way
// bit masks are usually written.
bool ParseInteger(std::string_view s, int bits, int64_t& out) {
  s = TrimBlanks(s);
  bool negative = false;
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  int base = 10;
  if (!s.empty() && s[0] == '$') {
    base = 16;
    s.remove_prefix(1);
  } else if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  if (s.empty()) return false;
  const uint64_t unsigned_max = bits == 64 ? UINT64_MAX : UINT32_MAX;
  const uint64_t limit = base == 16 ? unsigned_max : (unsigned_max >> 1) + (negative ? 1 : 0);
  uint64_t value = 0;
  for (char c : s) {
    int digit = base == 16 ? HexValue(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
    if (digit < 0) return false;
    if (value > (limit - static_cast<uint64_t>(digit)) / static_cast<uint64_t>(base)) return false;
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
  }
  if (negative) value = 0 - value;
  if (bits == 32) {
    out = static_cast<int32_t>(static_cast<uint32_t>(value));
  } else {
    out = static_cast<int64_t>(value);
  }
  return true;
}

}  // namespace

std::string IntToStr(int64_t value) { return std::to_string(value); }

std::string UIntToStr(uint64_t value) { return std::to_string(value); }

std::string UIntToHex(uint64_t value, int digits) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  do {
    out.insert(out.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  if (static_cast<int>(out.size()) < digits)
    out.insert(0, static_cast<size_t>(digits) - out.size(), '0');
  return out;
}

std::string IntToHex(int64_t value, int digits) {
  return UIntToHex(static_cast<uint64_t>(value), digits);
}

bool TryStrToInt(const std::string& s, int& out) {
  int64_t v = 0;
  if (!ParseInteger(s, 32, v)) return false;
  out = static_cast<int>(v);
  return true;
}

bool TryStrToInt64(const std::string& s, int64_t& out) { return ParseInteger(s, 64, out); }

int StrToInt(const std::string& s) {
  int v = 0;
  if (!TryStrToInt(s, v)) RaiseNotInteger(s);
  return v;
}

int64_t StrToInt64(const std::string& s) {
  int64_t v = 0;
  if (!TryStrToInt64(s, v)) RaiseNotInteger(s);
  return v;
}

int StrToIntDef(const std::string& s, int def) {
  int v = 0;
  return TryStrToInt(s, v) ? v : def;
}

int64_t StrToInt64Def(const std::string& s, int64_t def) {
  int64_t v = 0;
  return TryStrToInt64(s, v) ? v : def;
}

}  // namespace classlib
