#include "app/pair_quoting.h"

namespace app {

namespace {
constexpr char kQuote = '"';
}

std::string QuotePairValue(std::string_view value) {
  bool needs_quotes =
      value.find(';') != std::string_view::npos || (!value.empty() && value.front() == kQuote);
  if (!needs_quotes) return std::string(value);
  std::string quoted(1, kQuote);
  for (char c : value) {
    quoted += c;
    if (c == kQuote) quoted += kQuote;
  }
  return quoted + kQuote;
}

bool ReadQuotedPairValue(std::string_view text, std::string& value, std::size_t& end) {
  if (text.empty() || text.front() != kQuote) return false;
  std::string unquoted;
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (text[i] != kQuote) {
      unquoted += text[i];
    } else if (i + 1 < text.size() && text[i + 1] == kQuote) {
      unquoted += kQuote;
      ++i;
    } else if (i + 1 == text.size() || text[i + 1] == ';') {
      value = std::move(unquoted);
      end = i + 1;
      return true;
    } else {
      return false;
    }
  }
  return false;
}

}  // namespace app
