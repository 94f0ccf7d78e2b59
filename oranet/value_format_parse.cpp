// Reading a date or timestamp by a format model: the elements fill in the
// fields they read, then the fields are assembled into a date and time.
#include <cstdlib>
#include <optional>

#include "classlib/ansistr.h"
#include "classlib/format_settings.h"
#include "oranet/value_calendar.h"
#include "oranet/value_clock.h"
#include "oranet/value_format.h"
#include "oranet/value_format_elements.h"

namespace oranet {

namespace {

using E = TFormatElement;

const char* const kNotRecognized = "ORA-01821 date format not recognized";
const char* const kHh24Meridian = "ORA-01818 'HH24' precludes use of meridian indicator";
const char* const kBadMonth = "ORA-01843 not a valid month";
const char* const kBadDayOfWeek = "ORA-01846 not a valid day of the week";
const char* const kBadYear = "ORA-01841 (full) year must be between -4713 and +9999, and not be 0";
const char* const kBadDayOfYear = "ORA-01848 day of year must be between 1 and 365 (366 for leap year)";
const char* const kBadZoneHour = "ORA-01874 time zone hour must be between -12 and 13";
const char* const kBadZoneMinute = "ORA-01875 time zone minute must be between -59 and 59";

// What the elements read; unset fields take their defaults at assembly.
struct TParsedFields {
  std::optional<int> year, month, day, hour, minute, second, dayOfYear, dayOfWeek;
  std::optional<int> zoneHour, zoneMinute;
  uint32_t fraction = 0;
  bool bc = false;
  bool era = false;
  bool signedYear = false;
  bool twelveHour = false;
  bool twentyFourHour = false;
  bool meridian = false;
  bool pm = false;
  bool zoneNegative = false;  // "-00:30" is west of UTC too
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

class TDateTextReader {
 public:
  explicit TDateTextReader(std::string_view upperText) : text_(upperText) {}

  // Only blanks are left: the model's remaining elements read nothing.
  bool AtEnd() const { return text_.find_first_not_of(' ', at_) == std::string_view::npos; }

  void Read(const TFormatToken& t, TParsedFields& f) {
    const bool negative = negativeNext_;
    negativeNext_ = false;
    switch (t.element) {
      case E::kEra: return ReadEra(f, 2, "BC", "AD");
      case E::kEraDots: return ReadEra(f, 4, "B.C.", "A.D.");
      case E::kMeridian: return ReadMeridian(f, 2, "AM", "PM");
      case E::kMeridianDots: return ReadMeridian(f, 4, "A.M.", "P.M.");
      case E::kCentury: case E::kFillMode: case E::kExact: return;
      case E::kDayOfWeek: f.dayOfWeek = Digits(1, kBadDayOfWeek, 1, 7); return;
      case E::kDay: f.day = Digits(2, "ORA-01847 day of month must be between 1 and last day of month", 1, 31); return;
      case E::kDayOfYear: f.dayOfYear = Digits(3, kBadDayOfYear, 1, 366); return;
      case E::kShortDayName: f.dayOfWeek = Name(classlib::FormatSettings().ShortDayNames, 7, kBadDayOfWeek); return;
      case E::kDayName: f.dayOfWeek = Name(classlib::FormatSettings().LongDayNames, 7, kBadDayOfWeek); return;
      case E::kFraction: return ReadFraction(f, t.digits ? t.digits : 9);
      case E::kHour12:
        if (f.twentyFourHour) RaiseNetException(kHh24Meridian);
        f.twelveHour = true;
        f.hour = Digits(2, "ORA-01849 hour must be between 1 and 12", 1, 12);
        return;
      case E::kHour24:
        if (f.twelveHour || f.meridian) RaiseNetException(kHh24Meridian);
        f.twentyFourHour = true;
        f.hour = Digits(2, "ORA-01850 hour must be between 0 and 23", 0, 23);
        return;
      case E::kMinute: f.minute = Digits(2, "ORA-01851 minutes must be between 0 and 59", 0, 59); return;
      case E::kMonth: f.month = Digits(2, kBadMonth, 1, 12); return;
      case E::kShortMonthName: f.month = Name(classlib::FormatSettings().ShortMonthNames, 12, kBadMonth); return;
      case E::kMonthName: f.month = Name(classlib::FormatSettings().LongMonthNames, 12, kBadMonth); return;
      case E::kRomanMonth: f.month = RomanMonth(); return;
      case E::kSecond: f.second = Digits(2, "ORA-01852 seconds must be between 0 and 59", 0, 59); return;
      case E::kRoundYear2: case E::kRoundYear4: return ReadYear(f, 4, 2, RoundYear);
      case E::kYear1: return ReadYear(f, 1, 1, [](int y, int now) { return now / 10 * 10 + y; });
      case E::kYear2: return ReadYear(f, 4, 2, [](int y, int now) { return now / 100 * 100 + y; });
      case E::kYear3: return ReadYear(f, 4, 3, [](int y, int now) { return now / 1000 * 1000 + y; });
      case E::kYear4: return ReadYear(f, 4, 0, nullptr);
      case E::kSignedYear: return ReadSignedYear(f, negative);
      case E::kZoneHour:
        f.zoneHour = ZoneField(negative, 12, 13, kBadZoneHour);
        f.zoneNegative = f.zoneNegative || lastNegative_;
        return;
      case E::kZoneMinute:
        f.zoneMinute = ZoneField(negative, 59, 59, kBadZoneMinute);
        f.zoneNegative = f.zoneNegative || lastNegative_;
        return;
      case E::kZoneRegion:
        f.zoneHour = ZoneField(negative, 12, 13, kBadZoneHour);
        f.zoneNegative = f.zoneNegative || lastNegative_;
        if (at_ >= text_.size() || text_[at_] != ':') RaiseNetException(kNotRecognized);
        ++at_;
        f.zoneMinute = ZoneField(false, 59, 59, kBadZoneMinute);
        return;
      case E::kZoneAbbreviation: return;
      case E::kDecimalSeparator: return SkipToDecimalSeparator();
      case E::kLiteral: return ReadLiteral(t.text);
      case E::kPunctuation: return SkipPunctuation();
      default: RaiseNetException(kNotRecognized);  // the elements that only print (refused before)
    }
  }

  // Text after the model's last element.
  void CheckFullyRead() const {
    if (!AtEnd()) RaiseNetException("ORA-01830 date format picture ends before converting entire input string");
  }

 private:
  // Up to `digits` digits, at least one; outside min..max raises `message`.
  int Digits(int digits, const char* message, int min, int max, int* read = nullptr) {
    int value = 0;
    int n = 0;
    for (; n < digits && at_ < text_.size() && IsDigit(text_[at_]); ++n) value = value * 10 + (text_[at_++] - '0');
    if (n == 0) RaiseNetException("ORA-01858 a non-numeric character was found where a numeric was expected");
    if (read) *read = n;
    if (max > 0 && (value < min || value > max)) RaiseNetException(message);
    return value;
  }

  // The longest of the `count` names (compared in capitals) that the text
  // starts with; its 1-based index.
  int Name(const std::string* names, int count, const char* message) {
    int best = 0;
    size_t bestLength = 0;
    for (int i = 0; i < count; ++i) {
      const std::string upper = classlib::AnsiUpperCase(names[i]);
      if (!upper.empty() && upper.size() > bestLength && text_.compare(at_, upper.size(), upper) == 0) {
        best = i + 1;
        bestLength = upper.size();
      }
    }
    if (best == 0) RaiseNetException(message);
    at_ += bestLength;
    return best;
  }

  int RomanMonth() {
    int best = 0;
    size_t bestLength = 0;
    for (int month = 1; month <= 12; ++month) {
      const std::string_view roman = RomanMonthOf(month);
      if (roman.size() > bestLength && text_.compare(at_, roman.size(), roman) == 0) {
        best = month;
        bestLength = roman.size();
      }
    }
    if (best == 0) RaiseNetException(kBadMonth);
    at_ += bestLength;
    return best;
  }

  // `first` or `second` as the next `length` characters; which of them.
  std::optional<bool> Word(size_t length, const char* first, const char* second) {
    const std::string_view word = text_.substr(at_, length);
    if (word.size() < length) return std::nullopt;
    if (word == first || word == second) {
      at_ += length;
      return word == first;
    }
    return std::nullopt;
  }

  void ReadEra(TParsedFields& f, size_t length, const char* bc, const char* ad) {
    if (f.signedYear) RaiseNetException("ORA-01819 signed year precludes use of BC/AD");
    const std::optional<bool> isBc = Word(length, bc, ad);
    if (!isBc) RaiseNetException("ORA-01856 BC/B.C. or AD/A.D. required");
    f.era = true;
    f.bc = *isBc;
  }

  void ReadMeridian(TParsedFields& f, size_t length, const char* am, const char* pm) {
    if (f.twentyFourHour) RaiseNetException(kHh24Meridian);
    const std::optional<bool> isAm = Word(length, am, pm);
    if (!isAm) RaiseNetException("ORA-01855 AM/A.M. or PM/P.M. required");
    f.meridian = true;
    f.pm = !*isAm;
  }

  void ReadFraction(TParsedFields& f, int digits) {
    if (noSeparator_) return;
    int read = 0;
    uint32_t value = static_cast<uint32_t>(Digits(digits, kNotRecognized, 0, 0, &read));
    if (at_ < text_.size() && IsDigit(text_[at_])) {
      RaiseNetException("ORA-01880 the fractional seconds must be between 0 and 999999999");
    }
    for (; read < 9; ++read) value *= 10;
    f.fraction = value;
  }

  static int RoundYear(int y, int now) {
    const int c = now / 100;
    const int r = now % 100;
    if (y < 50 && r >= 50) return (c + 1) * 100 + y;
    if (y >= 50 && r < 50) return (c - 1) * 100 + y;
    return c * 100 + y;
  }

  // Up to `digits` digits; a year written with at most `shortDigits` digits
  // is completed by `complete` from the current year.
  void ReadYear(TParsedFields& f, int digits, int shortDigits, int (*complete)(int, int)) {
    int read = 0;
    int year = Digits(digits, kNotRecognized, 0, 0, &read);
    if (complete && read <= shortDigits) year = complete(year, NetClock().Today().year);
    f.year = year;
  }

  void ReadSignedYear(TParsedFields& f, bool negative) {
    if (f.era) RaiseNetException("ORA-01819 signed year precludes use of BC/AD");
    if (at_ < text_.size() && (text_[at_] == '-' || text_[at_] == '+' || text_[at_] == ' ')) {
      negative = negative || text_[at_] == '-';
      ++at_;
    }
    const int year = Digits(4, kBadYear, 0, 0);
    if (year == 0 || (negative && year > 4713)) RaiseNetException(kBadYear);
    f.signedYear = true;
    f.year = negative ? -year : year;
  }

  int ZoneField(bool negative, int below, int above, const char* message) {
    if (at_ < text_.size() && (text_[at_] == '-' || text_[at_] == '+')) negative = text_[at_++] == '-';
    const int value = Digits(2, message, 0, 0);
    if (negative ? value > below : value > above) RaiseNetException(message);
    lastNegative_ = negative;
    return negative ? -value : value;
  }

  void SkipToDecimalSeparator() {
    const char separator = classlib::FormatSettings().DecimalSeparator;
    while (at_ < text_.size() && text_[at_] != separator && IsFormatPunctuation(text_[at_])) ++at_;
    noSeparator_ = at_ >= text_.size() || text_[at_] != separator;
    if (!noSeparator_) ++at_;
  }

  void ReadLiteral(const std::string& literal) {
    const std::string upper = classlib::AnsiUpperCase(literal);
    if (text_.compare(at_, upper.size(), upper) != 0) RaiseNetException("ORA-01861 literal does not match format string");
    at_ += upper.size();
  }

  void SkipPunctuation() {
    for (; at_ < text_.size() && IsFormatPunctuation(text_[at_]); ++at_) {
      if (text_[at_] == '-') negativeNext_ = true;
    }
  }

  std::string_view text_;
  size_t at_ = 0;
  bool negativeNext_ = false;
  bool noSeparator_ = false;
  bool lastNegative_ = false;
};

// Fills the unset fields and checks that the whole agrees with itself.
TDateTimeParts Assemble(const TParsedFields& f) {
  const TNetToday today = NetClock().Today();
  TDateTimeParts p;
  p.year = f.year.value_or(today.year);
  if (f.bc) p.year = -p.year;
  if (p.year == 0) RaiseNetException(kBadYear);
  if (f.dayOfYear) {
    if (*f.dayOfYear > DaysInYearOf(p.year)) RaiseNetException(kBadDayOfYear);
    int y, m, d;
    DateOfDayNumber(DayNumberOf(p.year, 1, 1) + *f.dayOfYear - 1, y, m, d);
    if (f.month && *f.month != m) RaiseNetException("ORA-01833 month conflicts with Julian date");
    if (f.day && *f.day != d) RaiseNetException("ORA-01834 day of month conflicts with Julian date");
    p.month = m;
    p.day = d;
  } else {
    p.month = f.month.value_or(today.month);
    p.day = f.day.value_or(1);
    if (p.day > DaysInMonthOf(p.year, p.month)) RaiseNetException("ORA-01839 date not valid for month specified");
  }
  if (f.dayOfWeek && *f.dayOfWeek != DayOfWeekOf(p.year, p.month, p.day)) {
    RaiseNetException("ORA-01835 day of week conflicts with Julian date");
  }
  p.hour = f.hour.value_or(0);
  // 12 AM is midnight and 12 PM noon: 12 counts as 0 before PM adds 12.
  if (f.twelveHour || f.meridian) p.hour = p.hour % 12 + (f.pm ? 12 : 0);
  p.minute = f.minute.value_or(0);
  p.second = f.second.value_or(0);
  p.fraction = f.fraction;
  return p;
}

// Elements that only print, and a zone abbreviation for a value without a
// zone, make the model unusable for reading, whatever the text.
void CheckParsable(const std::vector<TFormatToken>& tokens, ub4 type) {
  for (const TFormatToken& t : tokens) {
    switch (t.element) {
      case E::kIsoYear1: case E::kIsoYear2: case E::kIsoYear3: case E::kIsoYear4: case E::kIsoWeek:
      case E::kJulianDay: case E::kQuarter: case E::kSecondsOfDay: case E::kWeekOfMonth: case E::kWeekOfYear:
      case E::kYearWithComma:
        RaiseNetException(kNotRecognized);
      case E::kZoneAbbreviation:
        if (type != oracle::OCI_DTYPE_TIMESTAMP_TZ) RaiseNetException(kNotRecognized);
        break;
      default:
        break;
    }
  }
}

}  // namespace

void ParseDateTimeFormat(TNetDateTime& value, std::string_view text, std::string_view format) {
  const std::vector<TFormatToken> tokens = TokenizeFormat(format);
  const std::string upper = classlib::AnsiUpperCase(text);
  TDateTextReader reader(upper);
  TParsedFields fields;
  CheckParsable(tokens, value.HandleType());
  for (const TFormatToken& t : tokens) {
    if (reader.AtEnd()) break;  // the model may go on past the text
    reader.Read(t, fields);
  }
  reader.CheckFullyRead();
  TDateTimeParts p = Assemble(fields);

  int zoneHour = 0, zoneMinute = 0;
  LocalTimeZoneOffset(zoneHour, zoneMinute);
  if (fields.zoneHour || fields.zoneMinute) {
    zoneHour = fields.zoneHour.value_or(0);
    zoneMinute = std::abs(fields.zoneMinute.value_or(0)) * (fields.zoneNegative ? -1 : 1);
  }
  const ub4 type = value.HandleType();
  const int zone = zoneHour * 60 + zoneMinute;
  const int shift = type == oracle::OCI_DTYPE_TIMESTAMP_TZ    ? zone
                    : type == oracle::OCI_DTYPE_TIMESTAMP_LTZ ? zone - value.ReferenceZoneMinutes()
                                                              : 0;
  ShiftByMinutes(p.year, p.month, p.day, p.hour, p.minute, false, shift);
  CheckStorableYear(p.year);  // before the value is touched
  value.SetSize(0);
  value.SetStoredParts(p);
  value.SetTimeZone(zoneHour, zoneMinute);
}

}  // namespace oranet
