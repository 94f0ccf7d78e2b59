#include "oracle/value_formats.h"

#include <cctype>

#include "classlib/format_settings.h"

namespace oracle {

namespace {

std::string& TimeFormat() {
  static std::string format;
  return format;
}

// The locale is read once when the program starts, as the unit did at its
// initialisation.
const bool kLocaleDefaultsRead = (SetLocaleDefaults(), true);

bool Is(char c, char lower) { return std::tolower(static_cast<unsigned char>(c)) == lower; }

// The length of the run of `lower` at `at`, at most `max`.
size_t RunOf(const std::string& pattern, size_t at, char lower, size_t max) {
  size_t n = 0;
  while (at + n < pattern.size() && n < max && Is(pattern[at + n], lower)) ++n;
  return n;
}

// A quoted literal at `at` goes into the model in double quotes; an
// unterminated one runs to the end. Answers false when there is none.
bool TakeLiteral(const std::string& pattern, size_t& at, std::string& model) {
  char quote = pattern[at];
  if (quote != '"' && quote != '\'') return false;
  size_t end = pattern.find(quote, at + 1);
  if (end == std::string::npos) end = pattern.size();
  model += '"' + pattern.substr(at + 1, end - at - 1) + '"';
  at = end == pattern.size() ? end : end + 1;
  return true;
}

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

bool ContainsNoCase(const std::string& text, const std::string& lower) {
  for (size_t i = 0; i + lower.size() <= text.size(); ++i) {
    bool match = true;
    for (size_t k = 0; k < lower.size() && match; ++k) match = Is(text[i + k], lower[k]);
    if (match) return true;
  }
  return false;
}

}  // namespace

void SetLocaleDefaults() { TimeFormat() = classlib::FormatSettings().LongTimeFormat; }

const std::string& LocaleTimeFormat() { return TimeFormat(); }

void ClearLocaleDefaults() { TimeFormat().clear(); }

std::string OraDatePattern(const std::string& pattern) {
  static const char* const kDays[] = {"fmDDfm", "DD", "DY", "fmDAYfm"};
  static const char* const kMonths[] = {"fmMMfm", "MM", "MON", "MONTH"};
  std::string model;
  for (size_t at = 0; at < pattern.size();) {
    if (TakeLiteral(pattern, at, model)) continue;
    const char c = pattern[at];
    if (Is(c, 'd') || Is(c, 'm')) {
      const size_t run = RunOf(pattern, at, Is(c, 'd') ? 'd' : 'm', 4);
      model += (Is(c, 'd') ? kDays : kMonths)[run - 1];
      at += run;
    } else {
      model += Is(c, 'g') ? 'E' : Upper(c);
      ++at;
    }
  }
  return model;
}

std::string OraTimePattern(const std::string& pattern) {
  const std::string hours = pattern.find("AMPM") != std::string::npos || pattern.find('t') != std::string::npos
                                ? "12"
                                : "24";
  std::string upper;
  for (char c : pattern) upper += Upper(c);
  const std::string fraction =
      upper.find('Z') == std::string::npos ? std::string(1, classlib::FormatSettings().DecimalSeparator) + "FF" : "";
  std::string model;
  for (size_t at = 0; at < pattern.size();) {
    if (TakeLiteral(pattern, at, model)) continue;
    const char c = pattern[at];
    if (ContainsNoCase(pattern.substr(at, 4), "ampm")) {
      model += "AM";
      at += 4;
    } else if (Is(c, 'h')) {
      const size_t run = RunOf(pattern, at, 'h', 2);
      model += run == 1 ? "fmHH" + hours + "fm" : "HH" + hours;
      at += run;
    } else if (Is(c, 'n') || Is(c, 'm')) {
      size_t run = 1;
      if (at + 1 < pattern.size() && (Is(pattern[at + 1], 'n') || Is(pattern[at + 1], 'm'))) run = 2;
      model += run == 1 ? "fmMIfm" : "MI";
      at += run;
    } else if (Is(c, 's')) {
      const size_t run = RunOf(pattern, at, 's', 2);
      model += (run == 1 ? "fmSSfm" : "SS") + fraction;
      at += run;
    } else if (Is(c, 't') || Is(c, 'z')) {
      model += Is(c, 't') ? "AM" : "FF";
      at += RunOf(pattern, at, Is(c, 't') ? 't' : 'z', pattern.size());
    } else {
      model += Upper(c);
      ++at;
    }
  }
  return model;
}

std::string MakeOraDateTimeFormat(ub4 descriptor_type) {
  std::string model = OraDatePattern(classlib::FormatSettings().ShortDateFormat) + " " +
                      OraTimePattern(LocaleTimeFormat());
  if (descriptor_type == OCI_DTYPE_TIMESTAMP_TZ) model += " TZH:TZM";
  return model;
}

std::string OraNumericCharacters() {
  const classlib::TFormatSettings& settings = classlib::FormatSettings();
  return std::string("NLS_NUMERIC_CHARACTERS='") + settings.DecimalSeparator + settings.ThousandSeparator + "'";
}

std::string MakeOraNumberFormat(const std::string& text) {
  const classlib::TFormatSettings& settings = classlib::FormatSettings();
  const bool signed_text = !text.empty() && (text[0] == '+' || text[0] == '-');
  std::string model(text.size(), '9');
  if (signed_text) model[0] = 'S';
  bool digit_seen = false, point_seen = false;
  for (size_t i = signed_text ? 1 : 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == 'e' || c == 'E') {
      model = (signed_text ? "S9D" : "9D") + std::string(41, '9') + "EEEE";
      break;
    }
    if (c == settings.DecimalSeparator && !point_seen) {
      model[i] = 'D';
      point_seen = true;
    } else if (c == settings.ThousandSeparator && digit_seen && !point_seen) {
      model[i] = 'G';
    }
    if (c >= '0' && c <= '9') digit_seen = true;
  }
  const size_t limit = signed_text ? 64 : 63;
  if (model.size() >= 64) model.resize(limit);
  return model;
}

std::string FixOraNumberText(const std::string& text) {
  const char point = classlib::FormatSettings().DecimalSeparator;
  if (!text.empty() && text[0] == point) return "0" + text;
  if (text.size() > 1 && text[0] == '-' && text[1] == point) return "-0" + text.substr(1);
  return text;
}

}  // namespace oracle
