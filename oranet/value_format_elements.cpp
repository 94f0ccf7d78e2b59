#include "oranet/value_format_elements.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "classlib/ansistr.h"
#include "oranet/value_datetime.h"

namespace oranet {

namespace {

using E = TFormatElement;

struct TElementName {
  const char* name;
  E element;
};

// Longer names first, so that DDD wins over DD and D, HH24 over HH, MONTH
// over MON.
constexpr TElementName kElements[] = {
    {"Y,YYY", E::kYearWithComma}, {"SSSSS", E::kSecondsOfDay}, {"SYYYY", E::kSignedYear}, {"MONTH", E::kMonthName},
    {"A.D.", E::kEraDots},        {"B.C.", E::kEraDots},       {"A.M.", E::kMeridianDots}, {"P.M.", E::kMeridianDots},
    {"RRRR", E::kRoundYear4},     {"IYYY", E::kIsoYear4},      {"YYYY", E::kYear4},       {"HH24", E::kHour24},
    {"HH12", E::kHour12},         {"DDD", E::kDayOfYear},      {"DAY", E::kDayName},      {"IYY", E::kIsoYear3},
    {"YYY", E::kYear3},           {"MON", E::kShortMonthName}, {"TZH", E::kZoneHour},     {"TZM", E::kZoneMinute},
    {"TZR", E::kZoneRegion},      {"TZD", E::kZoneAbbreviation}, {"AD", E::kEra},         {"BC", E::kEra},
    {"AM", E::kMeridian},         {"PM", E::kMeridian},        {"CC", E::kCentury},       {"DD", E::kDay},
    {"DY", E::kShortDayName},     {"FM", E::kFillMode},        {"FX", E::kExact},         {"FF", E::kFraction},
    {"HH", E::kHour12},           {"IY", E::kIsoYear2},        {"IW", E::kIsoWeek},       {"MI", E::kMinute},
    {"MM", E::kMonth},            {"RM", E::kRomanMonth},      {"RR", E::kRoundYear2},    {"SS", E::kSecond},
    {"WW", E::kWeekOfYear},       {"YY", E::kYear2},           {"D", E::kDayOfWeek},      {"I", E::kIsoYear1},
    {"J", E::kJulianDay},         {"Q", E::kQuarter},          {"W", E::kWeekOfMonth},    {"X", E::kDecimalSeparator},
    {"Y", E::kYear1},
};

[[noreturn]] void RaiseNotRecognized() { RaiseNetException("ORA-01821 date format not recognized"); }

bool IsLower(char c) { return c >= 'a' && c <= 'z'; }

TNameCase CaseAt(std::string_view model, size_t at, size_t length) {
  if (IsLower(model[at])) return TNameCase::kLower;
  if (length > 1 && IsLower(model[at + 1])) return TNameCase::kCapitalised;
  return TNameCase::kUpper;
}

bool MatchesAt(std::string_view upper, size_t at, const char* name) {
  const size_t n = std::strlen(name);
  return upper.size() - at >= n && upper.compare(at, n, name) == 0;
}

}  // namespace

bool IsFormatPunctuation(char c) { return c != 0 && std::strchr(" -+/,.;:'", c) != nullptr; }

std::vector<TFormatToken> TokenizeFormat(std::string_view model) {
  std::string upper(model);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  std::vector<TFormatToken> tokens;
  size_t at = 0;
  while (at < upper.size()) {
    const char c = upper[at];
    if (c == '"') {
      const size_t close = upper.find('"', at + 1);
      if (close == std::string::npos) RaiseNotRecognized();
      tokens.push_back({E::kLiteral, TNameCase::kUpper, 0, std::string(model.substr(at + 1, close - at - 1))});
      at = close + 1;
      continue;
    }
    if (IsFormatPunctuation(c)) {
      tokens.push_back({E::kPunctuation, TNameCase::kUpper, 0, std::string(1, model[at])});
      ++at;
      continue;
    }
    const TElementName* found = nullptr;
    for (const TElementName& e : kElements) {
      if (MatchesAt(upper, at, e.name)) {
        found = &e;
        break;
      }
    }
    if (!found) RaiseNotRecognized();
    size_t length = std::strlen(found->name);
    TFormatToken token{found->element, CaseAt(model, at, length), 0, {}};
    if (found->element == E::kFraction && at + 2 < upper.size() && upper[at + 2] >= '1' && upper[at + 2] <= '9') {
      token.digits = upper[at + 2] - '0';
      ++length;
    }
    tokens.push_back(std::move(token));
    at += length;
  }
  return tokens;
}

std::string NameInCase(const std::string& name, TNameCase nameCase) {
  switch (nameCase) {
    case TNameCase::kUpper: return classlib::AnsiUpperCase(name);
    case TNameCase::kLower: return classlib::AnsiLowerCase(name);
    case TNameCase::kCapitalised: {
      std::string text = classlib::AnsiLowerCase(name);
      if (!text.empty()) text = classlib::AnsiUpperCase(text.substr(0, 1)) + text.substr(1);
      return text;
    }
  }
  return name;
}

const char* RomanMonthOf(int month) {
  static constexpr const char* kRoman[12] = {"I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX", "X", "XI", "XII"};
  return month >= 1 && month <= 12 ? kRoman[month - 1] : "";
}

}  // namespace oranet
