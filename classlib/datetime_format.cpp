// FormatDateTime and the DateTimeToStr family.
#include <cctype>
#include <cstdio>
#include <string_view>

#include "classlib/datetime.h"
#include "classlib/format_settings.h"

namespace classlib {

namespace {

// Formats nest (c, ddddd, t and tt expand other formats); a settings format
// that names itself must not recurse forever.
constexpr int kMaxNesting = 2;

bool StartsWithNoCase(std::string_view text, size_t pos, std::string_view word) {
  if (text.size() - pos < word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[pos + i])) != word[i]) return false;
  return true;
}

// Length of the am/pm marker starting at pos, 0 when there is none.
size_t AmPmMarkerLength(std::string_view format, size_t pos) {
  if (StartsWithNoCase(format, pos, "am/pm")) return 5;
  if (StartsWithNoCase(format, pos, "a/p")) return 3;
  if (StartsWithNoCase(format, pos, "ampm")) return 4;
  return 0;
}

// An hour is written on the 12-hour clock when an am/pm marker follows it
// anywhere later in the format (outside quoted text).
bool AmPmFollows(std::string_view format, size_t pos) {
  while (pos < format.size()) {
    const char c = format[pos];
    if (c == '\'' || c == '"') {
      const size_t close = format.find(c, pos + 1);
      if (close == std::string_view::npos) return false;
      pos = close + 1;
    } else if (AmPmMarkerLength(format, pos) != 0) {
      return true;
    } else {
      ++pos;
    }
  }
  return false;
}

class DateTimeWriter {
 public:
  DateTimeWriter(TDateTime dt, const TFormatSettings& fs) : fs_(fs) {
    const TTimeStamp ts = DateTimeToTimeStamp(dt);
    DecodeDate(dt, year_, month_, day_);
    DecodeTime(dt, hour_, min_, sec_, msec_);
    day_of_week_ = ((ts.Date % 7) + 7) % 7;  // 0 = Sunday
  }

  void Write(std::string_view format, int depth) {
    if (depth > kMaxNesting) return;
    size_t i = 0;
    while (i < format.size()) i = WriteToken(format, i, depth);
  }

  std::string Result() { return std::move(out_); }

 private:
  // Writes the token at pos and returns the position after it.
  size_t WriteToken(std::string_view format, size_t pos, int depth) {
    const char c = format[pos];
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    switch (lower) {
      case '\'':
      case '"': {
        size_t close = format.find(c, pos + 1);
        if (close == std::string_view::npos) close = format.size();
        out_.append(format.substr(pos + 1, close - pos - 1));
        return close + 1;
      }
      case '/': out_ += fs_.DateSeparator; return pos + 1;
      case ':': out_ += fs_.TimeSeparator; return pos + 1;
      case 'c':
        WriteDateAndTime(depth);
        return Specifier(pos + 1);
      case 'd': return WriteDay(pos, Run(format, pos, 6), depth);
      case 'm': return WriteMonthOrMinute(pos, Run(format, pos, 4));
      case 'y': {
        const size_t n = Run(format, pos, 4);
        n <= 2 ? Number(year_ % 100, 2) : Number(year_, 4);
        return Specifier(pos + n);
      }
      case 'h': {
        const size_t n = Run(format, pos, 2);
        int hour = hour_;
        if (AmPmFollows(format, pos + n)) hour = hour % 12 == 0 ? 12 : hour % 12;
        Number(hour, static_cast<int>(n));
        after_hour_ = true;
        return pos + n;
      }
      case 'n': return NumberSpecifier(format, pos, min_, 2);
      case 's': return NumberSpecifier(format, pos, sec_, 2);
      case 'z': {
        const size_t n = Run(format, pos, 3);
        Number(msec_, n == 3 ? 3 : 1);
        return Specifier(pos + n);
      }
      case 't': {
        const size_t n = Run(format, pos, 2);
        Write(n == 1 ? fs_.ShortTimeFormat : fs_.LongTimeFormat, depth + 1);
        return Specifier(pos + n);
      }
      case 'a':
        if (const size_t n = AmPmMarkerLength(format, pos)) {
          WriteAmPm(format.substr(pos, n));
          return Specifier(pos + n);
        }
        break;
      default:
        break;
    }
    out_ += c;
    return pos + 1;
  }

  // Length of the run of the letter at pos (either case), at most `limit`.
  static size_t Run(std::string_view format, size_t pos, size_t limit) {
    const int letter = std::tolower(static_cast<unsigned char>(format[pos]));
    size_t n = 1;
    while (n < limit && pos + n < format.size() &&
           std::tolower(static_cast<unsigned char>(format[pos + n])) == letter)
      ++n;
    return n;
  }

  // Any specifier but h ends the "m means minutes" context of an hour.
  size_t Specifier(size_t next) {
    after_hour_ = false;
    return next;
  }

  size_t NumberSpecifier(std::string_view format, size_t pos, int value, size_t limit) {
    const size_t n = Run(format, pos, limit);
    Number(value, static_cast<int>(n));
    return Specifier(pos + n);
  }

  void Number(int value, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*d", digits, value);
    out_ += buf;
  }

  void WriteDateAndTime(int depth) {
    Write(fs_.ShortDateFormat, depth + 1);
    if (hour_ != 0 || min_ != 0 || sec_ != 0 || msec_ != 0) {
      out_ += ' ';
      Write(fs_.LongTimeFormat, depth + 1);
    }
  }

  size_t WriteDay(size_t pos, size_t n, int depth) {
    switch (n) {
      case 1:
      case 2: Number(day_, static_cast<int>(n)); break;
      case 3: out_ += fs_.ShortDayNames[day_of_week_]; break;
      case 4: out_ += fs_.LongDayNames[day_of_week_]; break;
      case 5: Write(fs_.ShortDateFormat, depth + 1); break;
      default: Write(fs_.LongDateFormat, depth + 1); break;
    }
    return Specifier(pos + n);
  }

  size_t WriteMonthOrMinute(size_t pos, size_t n) {
    if (n <= 2) {
      Number(after_hour_ ? min_ : month_, static_cast<int>(n));
    } else if (month_ >= 1) {
      out_ += n == 3 ? fs_.ShortMonthNames[month_ - 1] : fs_.LongMonthNames[month_ - 1];
    }
    return Specifier(pos + n);
  }

  // "am/pm" and "a/p" print their own letters in the case written; "ampm"
  // prints the settings' words.
  void WriteAmPm(std::string_view marker) {
    const bool pm = hour_ >= 12;
    if (marker.size() == 4) {
      out_ += pm ? fs_.TimePMString : fs_.TimeAMString;
    } else if (marker.size() == 5) {
      out_.append(marker.substr(pm ? 3 : 0, 2));
    } else {
      out_ += marker[pm ? 2 : 0];
    }
  }

  const TFormatSettings& fs_;
  std::string out_;
  int year_ = 0, month_ = 0, day_ = 0, day_of_week_ = 0;
  int hour_ = 0, min_ = 0, sec_ = 0, msec_ = 0;
  bool after_hour_ = false;
};

}  // namespace

std::string FormatDateTime(const std::string& format, TDateTime dt, const TFormatSettings& fs) {
  DateTimeWriter writer(dt, fs);
  writer.Write(format.empty() ? std::string_view("c") : std::string_view(format), 0);
  return writer.Result();
}

std::string FormatDateTime(const std::string& format, TDateTime dt) {
  return FormatDateTime(format, dt, FormatSettings());
}

std::string DateTimeToStr(TDateTime dt) { return FormatDateTime("c", dt); }
std::string DateToStr(TDateTime dt) { return FormatDateTime("ddddd", dt); }
std::string TimeToStr(TDateTime dt) { return FormatDateTime("tt", dt); }

}  // namespace classlib
