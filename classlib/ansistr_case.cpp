#include "classlib/ansistr.h"

#include <array>

namespace classlib {

namespace {

// Byte-to-byte case tables of code page 1251, derived through Unicode so
// that every letter the code page holds gets its partner, and a byte whose
// partner lies outside the code page (µ) or that is a control character (0x98)
// stays as it is.
struct AnsiCaseTables {
  std::array<char, 256> upper{};
  std::array<char, 256> lower{};

  AnsiCaseTables() {
    for (int b = 0; b < 256; ++b) {
      const std::string byte(1, static_cast<char>(b));
      const WideString wide = Cp1251ToUtf16(byte);
      upper[b] = lower[b] = byte[0];
      if (Utf16ToCp1251(wide) != byte) continue;
      upper[b] = Partner(wide[0], WideUpperChar(wide[0]), byte[0]);
      lower[b] = Partner(wide[0], WideLowerChar(wide[0]), byte[0]);
    }
  }

  static char Partner(char16_t from, char16_t to, char self) {
    if (to == from) return self;
    std::string back = Utf16ToCp1251(std::u16string_view(&to, 1));
    return back == "?" ? self : back[0];
  }
};

const AnsiCaseTables& CaseTables() {
  static const AnsiCaseTables tables;
  return tables;
}

unsigned char Byte(char c) { return static_cast<unsigned char>(c); }

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

template <char (*Map)(char)>
std::string MapEach(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = Map(c);
  return out;
}

int Sign(int d) { return d < 0 ? -1 : d > 0 ? 1 : 0; }

// Byte order of the mapped bytes; a text that is a prefix of the other
// sorts first.
template <char (*Map)(char)>
int CompareMapped(std::string_view a, std::string_view b) {
  for (size_t k = 0; k < a.size() && k < b.size(); ++k)
    if (int d = Byte(Map(a[k])) - Byte(Map(b[k]))) return Sign(d);
  return Sign(static_cast<int>(a.size() > b.size()) - static_cast<int>(a.size() < b.size()));
}

char Same(char c) { return c; }

}  // namespace

char AnsiUpperChar(char c) { return CaseTables().upper[Byte(c)]; }
char AnsiLowerChar(char c) { return CaseTables().lower[Byte(c)]; }
std::string AnsiUpperCase(std::string_view s) { return MapEach<AnsiUpperChar>(s); }
std::string AnsiLowerCase(std::string_view s) { return MapEach<AnsiLowerChar>(s); }

std::string UpperCase(std::string_view s) { return MapEach<AsciiUpper>(s); }
std::string LowerCase(std::string_view s) { return MapEach<AsciiLower>(s); }
int CompareStr(std::string_view a, std::string_view b) { return CompareMapped<Same>(a, b); }
// Folds to upper case, so '_' sorts after the letters as it does on the platform.
int CompareText(std::string_view a, std::string_view b) { return CompareMapped<AsciiUpper>(a, b); }
bool SameText(std::string_view a, std::string_view b) { return CompareText(a, b) == 0; }

}  // namespace classlib
