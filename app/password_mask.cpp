#include "app/password_mask.h"

#include <algorithm>
#include <vector>

#include "app/char_shift.h"
#include "app/run_state.h"
#include "classlib/ansistr.h"

namespace app {

namespace {

bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

size_t SkipBlanks(const std::string& text, size_t i) {
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  return i;
}

// The quote that closes a value opening with `c`, or 0 when `c` opens none:
// double quotes and apostrophes, and ODBC's braces.
char ClosingQuote(char c) {
  switch (c) {
    case '"':
    case '\'':
      return c;
    case '{':
      return '}';
    default:
      return 0;
  }
}

// The end of a quoted value starting at `open` (one past its closing quote),
// or the line's end when it is not closed. A doubled closing quote is part
// of the value.
size_t QuotedValueEnd(const std::string& text, size_t open, char close) {
  for (size_t i = open + 1; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') return i;
    if (text[i] != close) continue;
    if (i + 1 < text.size() && text[i + 1] == close) {
      ++i;
      continue;
    }
    return i + 1;
  }
  return text.size();
}

size_t PlainValueEnd(const std::string& text, size_t start) {
  const size_t end = text.find_first_of(";'\"\r\n", start);
  return end == std::string::npos ? text.size() : end;
}

// Appends the value at `start` hidden and returns where the text goes on.
size_t HideValue(const std::string& text, size_t start, std::string& out) {
  const char close = start < text.size() ? ClosingQuote(text[start]) : 0;
  if (close != 0) {
    const size_t end = QuotedValueEnd(text, start, close);
    out += text[start];
    out += kHiddenPassword;
    if (end > start + 1 && text[end - 1] == close) out += close;
    return end;
  }
  const size_t end = PlainValueEnd(text, start);
  if (end > start) out += kHiddenPassword;
  return end;
}

// Upper-cased: servers repeat a value in another letter case (an unquoted
// name in an error text), so values are hidden in any case.
std::vector<std::string> PasswordsOfTheRun() {
  std::vector<std::string> values;
  for (const std::string& value : {LoginPassword, SqlPassword, BasePassword,
                                   EncodeString(BasePassword, kShiftModeSettingsTools)}) {
    if (value.size() < kShortestHiddenValue) continue;
    values.push_back(classlib::AnsiUpperCase(value));
    const std::string doubled = classlib::StringReplace(value, "'", "''", classlib::rfReplaceAll);
    if (doubled != value) values.push_back(classlib::AnsiUpperCase(doubled));
  }
  // At each place the longest match wins, so no part of a longer one shows.
  std::sort(values.begin(), values.end(),
            [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
  return values;
}

std::string HideValues(const std::string& text, const std::vector<std::string>& upper_values) {
  if (upper_values.empty()) return text;
  const std::string upper = classlib::AnsiUpperCase(text);
  std::string out;
  for (size_t i = 0; i < text.size();) {
    auto found = std::find_if(upper_values.begin(), upper_values.end(),
                              [&](const std::string& value) {
                                return upper.compare(i, value.size(), value) == 0;
                              });
    if (found == upper_values.end()) {
      out += text[i++];
      continue;
    }
    out += kHiddenPassword;
    i += found->size();
  }
  return out;
}

}  // namespace

bool IsPasswordName(const std::string& name) {
  const std::string upper = classlib::UpperCase(name);
  static const std::string kPassword = "PASSWORD";
  return upper == "PWD" || (upper.size() >= kPassword.size() &&
                            upper.compare(upper.size() - kPassword.size(), std::string::npos,
                                          kPassword) == 0);
}

std::string HidePasswordPairs(const std::string& text) {
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    if (!IsNameChar(text[i])) {
      out += text[i++];
      continue;
    }
    size_t name_end = i;
    while (name_end < text.size() && IsNameChar(text[name_end])) ++name_end;
    out.append(text, i, name_end - i);
    const bool password = IsPasswordName(text.substr(i, name_end - i));
    i = name_end;
    const size_t equals = SkipBlanks(text, i);
    if (!password || equals >= text.size() || text[equals] != '=') continue;
    const size_t value = SkipBlanks(text, equals + 1);
    out.append(text, i, value - i);
    i = HideValue(text, value, out);
  }
  return out;
}

std::string HidePasswords(const std::string& text) {
  return HideValues(HidePasswordPairs(text), PasswordsOfTheRun());
}

}  // namespace app
