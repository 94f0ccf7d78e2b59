#include "app/decimal_codes.h"

#include <optional>

namespace app {

namespace {

constexpr std::size_t kGroupWidth = 3;

// A decimal integer with an optional sign and at least one digit, nothing
// else: blanks, hexadecimal prefixes and empty groups are not numbers.
std::optional<int> ParseGroup(std::string_view group) {
  std::size_t pos = 0;
  bool negative = false;
  if (pos < group.size() && (group[pos] == '+' || group[pos] == '-')) {
    negative = group[pos] == '-';
    ++pos;
  }
  if (pos == group.size()) return std::nullopt;
  int value = 0;
  for (; pos < group.size(); ++pos) {
    const char c = group[pos];
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return negative ? -value : value;
}

}  // namespace

std::string StrToDecimalCodes(std::string_view text) {
  std::string codes;
  codes.reserve(text.size() * kGroupWidth);
  for (unsigned char byte : text) {
    codes += static_cast<char>('0' + byte / 100);
    codes += static_cast<char>('0' + byte / 10 % 10);
    codes += static_cast<char>('0' + byte % 10);
  }
  return codes;
}

std::string DecimalCodesToStr(std::string_view codes) {
  std::string text;
  text.reserve(codes.size() / kGroupWidth + 1);
  while (!codes.empty()) {
    const std::string_view group = codes.substr(0, kGroupWidth);
    codes.remove_prefix(group.size());
    if (std::optional<int> value = ParseGroup(group)) {
      text += static_cast<char>(static_cast<unsigned>(*value) & 0xFFu);
    }
  }
  return text;
}

}  // namespace app
