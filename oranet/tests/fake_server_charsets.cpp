#include "oranet/tests/fake_server_charsets.h"

#include <cstdint>
#include <vector>

#include "classlib/codepage.h"

namespace oranet::testing {

namespace {

bool IsUtf8Set(int charset) { return charset == kFakeCharsetUtf8 || charset == kFakeCharsetAl32Utf8; }

// The characters of UTF-8 bytes; a malformed sequence is one U+FFFD.
std::vector<char32_t> DecodeUtf8(const dacore::TBytes& bytes) {
  std::vector<char32_t> chars;
  for (size_t at = 0; at < bytes.size();) {
    const uint8_t lead = bytes[at];
    const int extra = lead < 0x80 ? 0 : (lead >> 5) == 6 ? 1 : (lead >> 4) == 14 ? 2 : (lead >> 3) == 30 ? 3 : -1;
    if (extra < 0 || at + static_cast<size_t>(extra) >= bytes.size()) {
      chars.push_back(U'\uFFFD');
      ++at;
      continue;
    }
    char32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
    bool whole = true;
    for (int i = 1; i <= extra; ++i) {
      const uint8_t next = bytes[at + static_cast<size_t>(i)];
      whole = whole && (next & 0xC0) == 0x80;
      c = (c << 6) | (next & 0x3F);
    }
    chars.push_back(whole ? c : U'\uFFFD');
    at += whole ? static_cast<size_t>(extra) + 1 : 1;
  }
  return chars;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

dacore::TBytes Bytes(const std::string& text) { return dacore::TBytes(text.begin(), text.end()); }

// Whether the database's own set holds the character.
bool Holds(int charset, char32_t c) {
  if (charset == kFakeCharsetLatin1) return c <= 0xFF;
  if (charset == kFakeCharsetCp1251) {
    std::string utf8;
    AppendUtf8(utf8, c);
    return c == U'?' || classlib::Utf8ToCp1251(utf8) != "?";
  }
  return true;
}

}  // namespace

std::string StoredText(const dacore::TBytes& value, int clientCharset, int databaseCharset, int form) {
  const int client = clientCharset != 0 ? clientCharset : databaseCharset;
  std::vector<char32_t> chars;
  if (IsUtf8Set(client)) {
    chars = DecodeUtf8(value);
  } else if (client == kFakeCharsetLatin1) {
    chars.assign(value.begin(), value.end());
  } else if (client == kFakeCharsetCp1251) {
    chars = DecodeUtf8(Bytes(classlib::Cp1251ToUtf8(std::string(value.begin(), value.end()))));
  } else {
    return std::string(value.begin(), value.end());  // a set this server does not convert
  }
  const bool national = form == kFakeFormNational;
  std::string stored;
  for (const char32_t c : chars) AppendUtf8(stored, national || Holds(databaseCharset, c) ? c : U'?');
  return stored;
}

dacore::TBytes SentText(const std::string& utf8, int clientCharset) {
  if (clientCharset == kFakeCharsetCp1251) return Bytes(classlib::Utf8ToCp1251(utf8));
  if (clientCharset != kFakeCharsetLatin1) return Bytes(utf8);  // UTF8, or a set this server does not convert
  dacore::TBytes sent;
  for (const char32_t c : DecodeUtf8(Bytes(utf8))) sent.push_back(c <= 0xFF ? static_cast<uint8_t>(c) : '?');
  return sent;
}

}  // namespace oranet::testing
