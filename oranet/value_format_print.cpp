// Writing a date or timestamp by a format model.
#include <algorithm>
#include <charconv>
#include <cstdlib>

#include "classlib/format_settings.h"
#include "oranet/value_calendar.h"
#include "oranet/value_clock.h"
#include "oranet/value_format.h"
#include "oranet/value_format_elements.h"

namespace oranet {

namespace {

using E = TFormatElement;

constexpr size_t kNamePad = 9;

struct TPrintState {
  TDateTimeParts p;
  int zoneHour = 0;
  int zoneMinute = 0;
  bool fill = false;
  int fracPrecision = 9;
  std::string out;

  // Zero-padded to `width` digits, or as it is in fill mode.
  void Number(int64_t value, int width) {
    char digits[24];
    const size_t n = static_cast<size_t>(std::to_chars(digits, digits + sizeof digits, value).ptr - digits);
    if (!fill && static_cast<int>(n) < width) out.append(static_cast<size_t>(width) - n, '0');
    out.append(digits, n);
  }
  void Name(const std::string& name, TNameCase nameCase, bool pad) {
    out += NameInCase(name, nameCase);
    if (pad && !fill && name.size() < kNamePad) out.append(kNamePad - name.size(), ' ');
  }
  void Indicator(const char* upper, TNameCase nameCase) {
    out += nameCase == TNameCase::kLower ? NameInCase(upper, TNameCase::kLower) : upper;
  }
  bool ZoneNegative() const { return zoneHour < 0 || (zoneHour == 0 && zoneMinute < 0); }
  void ZoneHour() {
    out += ZoneNegative() ? '-' : '+';
    Number(std::abs(zoneHour), 2);
  }
};

void PrintFraction(TPrintState& s, const TFormatToken& t) {
  const int digits = std::clamp(t.digits ? t.digits : s.fracPrecision, 0, 9);
  std::string nanos = std::to_string(s.p.fraction % 1000000000u);
  nanos.insert(0, 9 - nanos.size(), '0');
  s.out.append(nanos, 0, static_cast<size_t>(digits));
}

void PrintToken(TPrintState& s, const TFormatToken& t) {
  const classlib::TFormatSettings& fs = classlib::FormatSettings();
  const TDateTimeParts& p = s.p;
  const int absYear = std::abs(p.year);
  const int hour12 = p.hour % 12 == 0 ? 12 : p.hour % 12;
  const int monthIndex = std::clamp(p.month, 1, 12) - 1;
  switch (t.element) {
    case E::kEra: return s.Indicator(p.year < 0 ? "BC" : "AD", t.nameCase);
    case E::kEraDots: return s.Indicator(p.year < 0 ? "B.C." : "A.D.", t.nameCase);
    case E::kMeridian: return s.Indicator(p.hour < 12 ? "AM" : "PM", t.nameCase);
    case E::kMeridianDots: return s.Indicator(p.hour < 12 ? "A.M." : "P.M.", t.nameCase);
    case E::kCentury: return s.Number((absYear - 1) / 100 + 1, 2);
    case E::kDayOfWeek: return s.Number(DayOfWeekOf(p.year, p.month, p.day), 1);
    case E::kDay: return s.Number(p.day, 2);
    case E::kDayOfYear: return s.Number(DayOfYearOf(p.year, p.month, p.day), 3);
    case E::kShortDayName: return s.Name(fs.ShortDayNames[DayOfWeekOf(p.year, p.month, p.day) - 1], t.nameCase, false);
    case E::kDayName: return s.Name(fs.LongDayNames[DayOfWeekOf(p.year, p.month, p.day) - 1], t.nameCase, true);
    case E::kFillMode: s.fill = !s.fill; return;
    case E::kExact: return;
    case E::kFraction: return PrintFraction(s, t);
    case E::kHour12: return s.Number(hour12, 2);
    case E::kHour24: return s.Number(p.hour, 2);
    case E::kIsoYear1: return s.Number(absYear % 10, 1);
    case E::kIsoYear2: return s.Number(absYear % 100, 2);
    case E::kIsoYear3: return s.Number(absYear % 1000, 3);
    case E::kIsoYear4: return s.Number(absYear, 4);
    case E::kIsoWeek:
    case E::kWeekOfYear: return s.Number(IsoWeekOf(p.year, p.month, p.day), 2);
    case E::kJulianDay: return s.Number(JulianDayOf(p.year, p.month, p.day), 7);
    case E::kMinute: return s.Number(p.minute, 2);
    case E::kMonth: return s.Number(p.month, 2);
    case E::kShortMonthName: return s.Name(fs.ShortMonthNames[monthIndex], t.nameCase, false);
    case E::kMonthName: return s.Name(fs.LongMonthNames[monthIndex], t.nameCase, true);
    case E::kQuarter: return s.Number((p.month - 1) / 3 + 1, 1);
    case E::kRomanMonth: return s.Indicator(RomanMonthOf(p.month), t.nameCase);
    case E::kRoundYear2: return s.Number(absYear % 100, 2);
    case E::kRoundYear4: return s.Number(absYear, 4);
    case E::kSecond: return s.Number(p.second, 2);
    case E::kSecondsOfDay: return s.Number(SecondsOfDay(p.hour, p.minute, p.second), 5);
    case E::kSignedYear:
      if (p.year < 0 || !s.fill) s.out += p.year < 0 ? '-' : ' ';
      return s.Number(absYear, 4);
    case E::kZoneHour: return s.ZoneHour();
    case E::kZoneMinute: return s.Number(std::abs(s.zoneMinute), 2);
    case E::kZoneRegion:
      s.ZoneHour();
      s.out += ':';
      return s.Number(std::abs(s.zoneMinute), 2);
    case E::kZoneAbbreviation: return;
    case E::kWeekOfMonth: return s.Number((p.day - 1) / 7 + 1, 1);
    case E::kDecimalSeparator: s.out += fs.DecimalSeparator; return;
    case E::kYear1: return s.Number(absYear % 10, 1);
    case E::kYear2: return s.Number(absYear % 100, 2);
    case E::kYear3: return s.Number(absYear % 1000, 3);
    case E::kYear4: return s.Number(absYear, 4);
    case E::kYearWithComma:
      s.out += std::to_string(absYear / 1000);
      s.out += ',';
      return s.Number(absYear % 1000, 3);
    case E::kLiteral:
    case E::kPunctuation: s.out += t.text; return;
  }
}

// The elements of the last model a thread used: values are mostly written
// many at a time with one model.
const std::vector<TFormatToken>& TokensOf(std::string_view format) {
  thread_local std::string lastFormat;
  thread_local std::vector<TFormatToken> lastTokens;
  thread_local bool cached = false;
  if (!cached || format != lastFormat) {
    cached = false;
    lastTokens = TokenizeFormat(format);
    lastFormat.assign(format);
    cached = true;
  }
  return lastTokens;
}

}  // namespace

std::string_view DefaultDateTimeFormat(const TNetDateTime& value) {
  return value.HandleType() == oracle::OCI_DTYPE_TIMESTAMP_TZ ? "DD-MON-RR HH.MI.SSXFF AM TZR"
                                                               : "DD-MON-RR HH.MI.SSXFF AM";
}

std::string FormatOraDateTime(const TNetDateTime& value, std::string_view format, int fracPrecision) {
  const std::vector<TFormatToken>& tokens = TokensOf(format);
  if (value.IsEmpty()) return "";
  TPrintState s;
  s.p = value.WallParts();
  // The machine's zone is asked for only when the model prints a zone.
  const bool printsZone = std::any_of(tokens.begin(), tokens.end(), [](const TFormatToken& t) {
    return t.element == E::kZoneHour || t.element == E::kZoneMinute || t.element == E::kZoneRegion;
  });
  if (value.HandleType() == oracle::OCI_DTYPE_TIMESTAMP_TZ) {
    value.GetTimeZoneOffset(s.zoneHour, s.zoneMinute);
  } else if (printsZone) {
    LocalTimeZoneOffset(s.zoneHour, s.zoneMinute);
  }
  s.fracPrecision = fracPrecision;
  s.out.reserve(format.size() + 16);
  for (const TFormatToken& t : tokens) PrintToken(s, t);
  return s.out;
}

}  // namespace oranet
