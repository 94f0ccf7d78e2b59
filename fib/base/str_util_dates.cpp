// Date and time literals written in SQL style, read into the user's format.
#include "classlib/format_settings.h"
#include "fib/base/str_util.h"

namespace fib {

namespace {

// Restores the process-wide format settings when the conversion is done,
// also when it fails.
class SettingsGuard {
 public:
  SettingsGuard() : saved_(classlib::FormatSettings()) {}
  ~SettingsGuard() { classlib::FormatSettings() = saved_; }
  SettingsGuard(const SettingsGuard&) = delete;
  SettingsGuard& operator=(const SettingsGuard&) = delete;

 private:
  classlib::TFormatSettings saved_;
};

const char* const kMonthNames[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                     "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

// Picks the date layout from the literal's date part (the text before the
// first blank, so the "." of fractional seconds is not taken for a date
// separator); false when there is no date separator at all and the text
// must not be converted.
bool ChooseDateLayout(std::string& s, classlib::TFormatSettings& fs) {
  const std::string_view date_part = std::string_view(s).substr(0, s.find(' '));
  if (date_part.find('.') != std::string_view::npos) {
    fs.DateSeparator = '.';
    fs.ShortDateFormat = "dd.mm.yyyy";
  } else if (date_part.find('/') != std::string_view::npos) {
    fs.DateSeparator = '/';
    fs.ShortDateFormat = "mm/dd/yyyy";
  } else if (date_part.find('-') == std::string_view::npos) {
    return false;
  } else if (ReplaceMonthName(s)) {
    fs.ShortDateFormat = "dd.mm.yyyy";
  } else {
    fs.DateSeparator = '/';
    s = ReplaceSubStr(s, "-", "/");
    fs.ShortDateFormat = "yyyy/mm/dd";
  }
  return true;
}

}  // namespace

classlib::TDateTime StrToDateTimeFmt(const std::string& s, const std::string& short_date_format) {
  SettingsGuard guard;
  classlib::TFormatSettings& fs = classlib::FormatSettings();
  fs.ShortDateFormat = short_date_format;
  // A format that writes its own separator ("dd.mm.yyyy") reads dates
  // written with it, whatever the system's separator; "/" stands for the
  // system's.
  for (char c : short_date_format) {
    const char lower = static_cast<char>(c | 0x20);
    if (lower == 'd' || lower == 'm' || lower == 'y' || c == ' ' || c == '\'' || c == '"') continue;
    if (c != '/') fs.DateSeparator = c;
    break;
  }
  return classlib::StrToDateTime(s);
}

bool ReplaceMonthName(std::string& s) {
  for (int month = 0; month < 12; ++month) {
    const size_t at = s.find(kMonthNames[month]);
    if (at == std::string::npos) continue;
    const char number[3] = {static_cast<char>('0' + (month + 1) / 10),
                            static_cast<char>('0' + (month + 1) % 10), 0};
    s.replace(at, 3, number);
    s = ReplaceSubStr(s, "-", std::string(1, classlib::FormatSettings().DateSeparator));
    return true;
  }
  return false;
}

std::string SQLDateTextToDateTime(const std::string& text, int kind) {
  if (IsBlankStr(text)) return std::string();
  std::string s = text;
  classlib::TDateTime value = 0;
  {
    SettingsGuard guard;
    classlib::TFormatSettings& fs = classlib::FormatSettings();
    if (kind != sdkTime && !ChooseDateLayout(s, fs)) return UpperCaseASCII(s);
    fs.TimeSeparator = ':';
    fs.LongTimeFormat = "h:m:s";
    switch (kind) {
      case sdkDate:
        value = classlib::StrToDate(s);
        break;
      case sdkTime:
        value = classlib::StrToTime(s);
        break;
      default:
        value = classlib::StrToDateTime(s);
        break;
    }
  }
  switch (kind) {
    case sdkDate:
      return classlib::DateToStr(value);
    case sdkTime:
      return classlib::TimeToStr(value);
    default:
      return classlib::DateTimeToStr(value);
  }
}

}  // namespace fib
