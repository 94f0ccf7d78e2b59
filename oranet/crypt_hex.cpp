#include "oranet/crypt_hex.h"

#include "classlib/exceptions.h"

namespace oranet {

namespace {

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string BytesToHex(const dacore::TBytes& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (const uint8_t b : bytes) {
    text.push_back(kDigits[b >> 4]);
    text.push_back(kDigits[b & 0x0F]);
  }
  return text;
}

bool IsHexText(const std::string& text) {
  if (text.size() % 2 != 0) return false;
  for (const char c : text)
    if (DigitValue(c) < 0) return false;
  return true;
}

dacore::TBytes HexToBytes(const std::string& text) {
  if (!IsHexText(text)) throw classlib::Exception("Invalid hexadecimal text");
  dacore::TBytes bytes(text.size() / 2);
  for (size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<uint8_t>(DigitValue(text[2 * i]) * 16 + DigitValue(text[2 * i + 1]));
  return bytes;
}

}  // namespace oranet
