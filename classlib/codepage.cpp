#include "classlib/codepage.h"

#include <iconv.h>

#include <array>
#include <unordered_map>

namespace classlib {

namespace {

// The upper half of code page 1251, read once from the system's converter.
// Conversions then go through the table: they are per byte and cannot fail
// half-way. The one byte the code page leaves undefined (0x98) stands for the
// control character of the same number, U+0098, as the platform's own
// converter has it, so every byte survives a trip through wide text (stored
// password forms may hold it).
struct Cp1251Table {
  std::array<char32_t, 128> to_unicode{};
  std::unordered_map<char32_t, unsigned char> from_unicode;

  Cp1251Table() {
    iconv_t cd = iconv_open("UTF-32LE", "CP1251");
    for (int b = 0x80; b <= 0xFF; ++b) {
      char in = static_cast<char>(b);
      unsigned char out[4] = {};
      char* pin = &in;
      char* pout = reinterpret_cast<char*>(out);
      size_t in_left = 1, out_left = 4;
      char32_t cp = static_cast<char32_t>(b);  // undefined: the C1 control
      if (cd != reinterpret_cast<iconv_t>(-1) &&
          iconv(cd, &pin, &in_left, &pout, &out_left) != static_cast<size_t>(-1) && out_left == 0)
        cp = out[0] | (out[1] << 8) | (out[2] << 16) | (char32_t(out[3]) << 24);
      to_unicode[b - 0x80] = cp;
      from_unicode.emplace(cp, static_cast<unsigned char>(b));
      if (cd != reinterpret_cast<iconv_t>(-1)) iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
  }
};

const Cp1251Table& Table() {
  static const Cp1251Table table;
  return table;
}

char32_t AnsiToCodePoint(unsigned char b) {
  return b < 0x80 ? b : Table().to_unicode[b - 0x80];
}

char CodePointToAnsi(char32_t cp) {
  if (cp < 0x80) return static_cast<char>(cp);
  auto it = Table().from_unicode.find(cp);
  return it == Table().from_unicode.end() ? '?' : static_cast<char>(it->second);
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

void AppendUtf16(WideString& out, char32_t cp) {
  if (cp < 0x10000) {
    out += static_cast<char16_t>(cp);
  } else {
    cp -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (cp >> 10));
    out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  }
}

// Decodes one UTF-8 sequence at s[i], advancing i. A malformed or truncated
// sequence yields U+FFFD and consumes one byte, so bad input never stalls.
char32_t NextUtf8(std::string_view s, size_t& i) {
  unsigned char b = static_cast<unsigned char>(s[i]);
  int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
  if (extra < 0 || i + extra >= s.size()) {
    ++i;
    return extra == 0 ? b : 0xFFFD;
  }
  char32_t cp = extra == 0 ? b : b & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    unsigned char c = static_cast<unsigned char>(s[i + k]);
    if ((c & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    cp = (cp << 6) | (c & 0x3F);
  }
  i += extra + 1;
  return cp;
}

char32_t NextUtf16(std::u16string_view s, size_t& i) {
  char16_t u = s[i++];
  if (u >= 0xD800 && u < 0xDC00 && i < s.size() && s[i] >= 0xDC00 && s[i] < 0xE000)
    return 0x10000 + ((char32_t(u) - 0xD800) << 10) + (s[i++] - 0xDC00);
  return u;
}

}  // namespace

std::string Cp1251ToUtf8(std::string_view ansi) {
  std::string out;
  out.reserve(ansi.size());
  for (char c : ansi) AppendUtf8(out, AnsiToCodePoint(static_cast<unsigned char>(c)));
  return out;
}

std::string Utf8ToCp1251(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) out += CodePointToAnsi(NextUtf8(utf8, i));
  return out;
}

WideString Cp1251ToUtf16(std::string_view ansi) {
  WideString out;
  out.reserve(ansi.size());
  for (char c : ansi) AppendUtf16(out, AnsiToCodePoint(static_cast<unsigned char>(c)));
  return out;
}

std::string Utf16ToCp1251(std::u16string_view wide) {
  std::string out;
  out.reserve(wide.size());
  for (size_t i = 0; i < wide.size();) out += CodePointToAnsi(NextUtf16(wide, i));
  return out;
}

std::string Utf16ToUtf8(std::u16string_view wide) {
  std::string out;
  out.reserve(wide.size());
  for (size_t i = 0; i < wide.size();) AppendUtf8(out, NextUtf16(wide, i));
  return out;
}

WideString Utf8ToUtf16(std::string_view utf8) {
  WideString out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) AppendUtf16(out, NextUtf8(utf8, i));
  return out;
}

}  // namespace classlib
