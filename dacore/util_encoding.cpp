#include "dacore/util_encoding.h"

#include <cstring>
#include <string_view>

namespace dacore {

using classlib::WideString;

namespace {

std::string_view ByteRange(const TBytes& bytes, int index, int count) {
  if (count <= 0) return {};
  return std::string_view(reinterpret_cast<const char*>(bytes.data()) + index,
                          static_cast<std::size_t>(count));
}

// UTF-16LE bytes from `at`, `chars` characters.
WideString WideFromBytes(const uint8_t* at, int chars) {
  WideString s(static_cast<std::size_t>(chars > 0 ? chars : 0), u'\0');
  for (std::size_t i = 0; i < s.size(); ++i)
    s[i] = static_cast<char16_t>(at[2 * i] | (at[2 * i + 1] << 8));
  return s;
}

void WideToBytes(const char16_t* chars, int count, uint8_t* out) {
  for (int i = 0; i < count; ++i) {
    out[2 * i] = static_cast<uint8_t>(chars[i] & 0xFF);
    out[2 * i + 1] = static_cast<uint8_t>(chars[i] >> 8);
  }
}

TBytes BytesOf(std::string_view s) { return TBytes(s.begin(), s.end()); }

}  // namespace

const Encoding& Encoding::DefaultClass() {
  static const Encoding encoding;
  return encoding;
}

const Encoding& Encoding::UnicodeClass() {
  static const UnicodeEncoding encoding;
  return encoding;
}

const Encoding& Encoding::UTF8Class() {
  static const UTF8Encoding encoding;
  return encoding;
}

// ---- Default: ANSI bytes as they are, wide text as UTF-16LE --------------------

TBytes Encoding::GetBytesAnsi(const std::string& s) const { return BytesOf(s); }

int Encoding::GetBytesAnsiRange(const std::string& s, int charIndex, int charCount, TBytes& bytes,
                                int byteIndex) const {
  if (charCount > 0)
    std::memcpy(bytes.data() + byteIndex, s.data() + charIndex, static_cast<std::size_t>(charCount));
  return charCount;
}

TBytes Encoding::GetBytesWide(const WideString& s) const {
  TBytes bytes(s.size() * 2);
  WideToBytes(s.data(), static_cast<int>(s.size()), bytes.data());
  return bytes;
}

int Encoding::GetBytesWideRange(const WideString& s, int charIndex, int charCount, TBytes& bytes,
                                int byteIndex) const {
  if (charCount > 0) WideToBytes(s.data() + charIndex, charCount, bytes.data() + byteIndex);
  return 2 * charCount;
}

std::string Encoding::GetString(const TBytes& bytes) const {
  return GetStringRange(bytes, 0, static_cast<int>(bytes.size()));
}

std::string Encoding::GetStringRange(const TBytes& bytes, int index, int count) const {
  return std::string(ByteRange(bytes, index, count));
}

WideString Encoding::GetWideString(const TBytes& bytes) const {
  return classlib::AnsiToWide(GetString(bytes));
}

WideString Encoding::GetWideStringRange(const TBytes& bytes, int index, int count) const {
  return classlib::AnsiToWide(GetStringRange(bytes, index, count));
}

// ---- Unicode: UTF-16LE ---------------------------------------------------------

std::string UnicodeEncoding::GetString(const TBytes& bytes) const {
  return GetStringRange(bytes, 0, static_cast<int>(bytes.size()));
}

std::string UnicodeEncoding::GetStringRange(const TBytes& bytes, int index, int count) const {
  return classlib::WideToAnsi(GetWideStringRange(bytes, index, count));
}

WideString UnicodeEncoding::GetWideString(const TBytes& bytes) const {
  return GetWideStringRange(bytes, 0, static_cast<int>(bytes.size()));
}

// An odd byte at the end is no character and is dropped.
WideString UnicodeEncoding::GetWideStringRange(const TBytes& bytes, int index, int count) const {
  if (count <= 1) return {};
  return WideFromBytes(bytes.data() + index, count / 2);
}

// ---- UTF-8 ---------------------------------------------------------------------

TBytes UTF8Encoding::GetBytesAnsi(const std::string& s) const {
  return BytesOf(classlib::Cp1251ToUtf8(s));
}

TBytes UTF8Encoding::GetBytesWide(const WideString& s) const {
  return BytesOf(classlib::Utf16ToUtf8(s));
}

std::string UTF8Encoding::GetStringRange(const TBytes& bytes, int index, int count) const {
  return classlib::Utf8ToCp1251(ByteRange(bytes, index, count));
}

WideString UTF8Encoding::GetWideString(const TBytes& bytes) const {
  return GetWideStringRange(bytes, 0, static_cast<int>(bytes.size()));
}

WideString UTF8Encoding::GetWideStringRange(const TBytes& bytes, int index, int count) const {
  return classlib::Utf8ToUtf16(ByteRange(bytes, index, count));
}

}  // namespace dacore
