// StrToDateTime and its family: dates are read in the order of the short
// date format ("mm/dd/yyyy" reads month, day, year), times as
// h:n[:s[.z]] with an optional AM/PM word.
#include <cctype>
#include <string_view>

#include "classlib/datetime.h"
#include "classlib/exceptions.h"
#include "classlib/format_settings.h"

namespace classlib {

namespace {

enum class DateOrder { kMonthDayYear, kDayMonthYear, kYearMonthDay };

// The first of d, m and y in the short date format decides; quoted text is
// not looked at.
DateOrder OrderOf(std::string_view format) {
  for (size_t i = 0; i < format.size(); ++i) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(format[i])));
    if (c == '\'' || c == '"') {
      const size_t close = format.find(format[i], i + 1);
      if (close == std::string_view::npos) break;
      i = close;
    } else if (c == 'd') {
      return DateOrder::kDayMonthYear;
    } else if (c == 'y') {
      return DateOrder::kYearMonthDay;
    } else if (c == 'm') {
      return DateOrder::kMonthDayYear;
    }
  }
  return DateOrder::kMonthDayYear;
}

int CurrentYear() {
  int year, month, day;
  DecodeDate(Now(), year, month, day);
  return year;
}

// Reads numbers, separators and words; blanks between tokens are skipped.
class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}

  void Rewind() { pos_ = 0; }

  bool AtEnd() {
    SkipBlanks();
    return pos_ == text_.size();
  }

  bool Char(char c) {
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  // 1..max_digits decimal digits; `digits` tells how many were written.
  bool Number(int& value, int& digits, int max_digits) {
    SkipBlanks();
    value = 0;
    digits = 0;
    while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) {
      if (++digits > max_digits) return false;
      value = value * 10 + (text_[pos_++] - '0');
    }
    return digits > 0;
  }

  bool Number(int& value, int max_digits) {
    int digits;
    return Number(value, digits, max_digits);
  }

  // A word compared without regard to ASCII case.
  bool Word(std::string_view word) {
    SkipBlanks();
    if (word.empty() || text_.size() - pos_ < word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i)
      if (std::tolower(static_cast<unsigned char>(text_[pos_ + i])) !=
          std::tolower(static_cast<unsigned char>(word[i])))
        return false;
    pos_ += word.size();
    return true;
  }

 private:
  void SkipBlanks() {
    while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
  }

  std::string_view text_;
  size_t pos_ = 0;
};

bool ScanDate(Scanner& in, const TFormatSettings& fs, TDateTime& out) {
  int n[3] = {0, 0, 0};
  int digits[3] = {0, 0, 0};
  if (!in.Number(n[0], digits[0], 4) || !in.Char(fs.DateSeparator) ||
      !in.Number(n[1], digits[1], 4))
    return false;
  const bool has_year = in.Char(fs.DateSeparator);
  if (has_year && !in.Number(n[2], digits[2], 4)) return false;

  int year, month, day, year_digits = 4;
  const DateOrder order = OrderOf(fs.ShortDateFormat);
  if (!has_year) {
    // Two numbers are a day in the current year; only d/m/y puts the day first.
    year = CurrentYear();
    month = order == DateOrder::kDayMonthYear ? n[1] : n[0];
    day = order == DateOrder::kDayMonthYear ? n[0] : n[1];
  } else if (order == DateOrder::kYearMonthDay) {
    year = n[0], year_digits = digits[0], month = n[1], day = n[2];
  } else if (order == DateOrder::kDayMonthYear) {
    day = n[0], month = n[1], year = n[2], year_digits = digits[2];
  } else {
    month = n[0], day = n[1], year = n[2], year_digits = digits[2];
  }
  if (year_digits <= 2) year = ExpandTwoDigitYear(year, CurrentYear());
  return TryEncodeDate(year, month, day, out);
}

bool ScanAmPm(Scanner& in, const TFormatSettings& fs, bool& pm) {
  if (in.Word(fs.TimeAMString) || in.Word("AM")) {
    pm = false;
    return true;
  }
  if (in.Word(fs.TimePMString) || in.Word("PM")) {
    pm = true;
    return true;
  }
  return false;
}

bool ScanTime(Scanner& in, const TFormatSettings& fs, TDateTime& out) {
  int hour = 0, min = 0, sec = 0, msec = 0;
  if (!in.Number(hour, 2)) return false;
  const bool has_minutes = in.Char(fs.TimeSeparator);
  if (has_minutes) {
    if (!in.Number(min, 2)) return false;
    if (in.Char(fs.TimeSeparator)) {
      if (!in.Number(sec, 2)) return false;
      if (in.Char(fs.DecimalSeparator) && !in.Number(msec, 3)) return false;
    }
  }
  bool pm = false;
  if (ScanAmPm(in, fs, pm)) {
    if (hour > 12) return false;
    if (hour == 12) hour = 0;
    if (pm) hour += 12;
  } else if (!has_minutes) {
    return false;  // a lone number is not a time
  }
  return TryEncodeTime(hour, min, sec, msec, out);
}

// A date joined with a time of day: before 1899-12-30 the time counts
// forward from midnight too, so it is subtracted from the negative day.
TDateTime Combine(TDateTime date, TDateTime time) { return date < 0 ? date - time : date + time; }

[[noreturn]] void Fail(const std::string& s, const char* what) {
  throw EConvertError("'" + s + "' is not a valid " + what);
}

}  // namespace

int ExpandTwoDigitYear(int year, int current_year) {
  if (year > 99) return year;
  const int base = current_year - kTwoDigitYearCenturyWindow;
  year += base / 100 * 100;
  if (year < base) year += 100;
  return year;
}

bool TryStrToDateTime(const std::string& s, TDateTime& out, const TFormatSettings& fs) {
  Scanner in(s);
  TDateTime date = 0, time = 0;
  if (ScanDate(in, fs, date)) {
    if (in.AtEnd()) {
      out = date;
      return true;
    }
    if (!ScanTime(in, fs, time) || !in.AtEnd()) return false;
    out = Combine(date, time);
    return true;
  }
  in.Rewind();
  if (!ScanTime(in, fs, time) || !in.AtEnd()) return false;
  out = time;
  return true;
}

bool TryStrToDateTime(const std::string& s, TDateTime& out) {
  return TryStrToDateTime(s, out, FormatSettings());
}

TDateTime StrToDateTime(const std::string& s, const TFormatSettings& fs) {
  TDateTime dt;
  if (!TryStrToDateTime(s, dt, fs)) Fail(s, "date and time");
  return dt;
}

TDateTime StrToDateTime(const std::string& s) { return StrToDateTime(s, FormatSettings()); }

TDateTime StrToDate(const std::string& s) {
  Scanner in(s);
  TDateTime dt;
  if (!ScanDate(in, FormatSettings(), dt) || !in.AtEnd()) Fail(s, "date");
  return dt;
}

TDateTime StrToTime(const std::string& s) {
  Scanner in(s);
  TDateTime dt;
  if (!ScanTime(in, FormatSettings(), dt) || !in.AtEnd()) Fail(s, "time");
  return dt;
}

}  // namespace classlib
