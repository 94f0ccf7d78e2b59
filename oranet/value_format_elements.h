// The elements of a datetime format model ("DD.MM.YYYY HH24:MI:SS.FF9"),
// split off one by one. Elements are recognised without regard to case;
// the case the model writes an element in decides only the case of the
// names and indicators it prints.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace oranet {

enum class TFormatElement {
  kEra,         // AD, BC
  kEraDots,     // A.D., B.C.
  kMeridian,    // AM, PM
  kMeridianDots,  // A.M., P.M.
  kCentury,     // CC
  kDayOfWeek,   // D
  kDay,         // DD
  kDayOfYear,   // DDD
  kShortDayName,  // DY
  kDayName,     // DAY
  kFillMode,    // FM
  kExact,       // FX
  kFraction,    // FF, FF1..FF9
  kHour12,      // HH, HH12
  kHour24,      // HH24
  kIsoYear1, kIsoYear2, kIsoYear3, kIsoYear4,  // I, IY, IYY, IYYY
  kIsoWeek,     // IW
  kJulianDay,   // J
  kMinute,      // MI
  kMonth,       // MM
  kShortMonthName,  // MON
  kMonthName,   // MONTH
  kQuarter,     // Q
  kRomanMonth,  // RM
  kRoundYear2, kRoundYear4,  // RR, RRRR
  kSecond,      // SS
  kSecondsOfDay,  // SSSSS
  kSignedYear,  // SYYYY
  kZoneHour, kZoneMinute, kZoneRegion, kZoneAbbreviation,  // TZH, TZM, TZR, TZD
  kWeekOfMonth,  // W
  kWeekOfYear,  // WW
  kDecimalSeparator,  // X
  kYear1, kYear2, kYear3, kYear4,  // Y, YY, YYY, YYYY
  kYearWithComma,  // Y,YYY
  kLiteral,     // "text"
  kPunctuation,  // one of " -+/,.;:'"
};

// How a name or indicator is written: in capitals when the element's first
// two letters are capitals, in small letters when its first letter is
// small, capitalised when only its second letter is small ("Month").
enum class TNameCase { kUpper, kLower, kCapitalised };

struct TFormatToken {
  TFormatElement element;
  TNameCase nameCase = TNameCase::kUpper;
  int digits = 0;    // FF1..FF9; 0: the default
  std::string text;  // a literal's text, the punctuation character
};

// Raises "ORA-01821 date format not recognized" for anything that is no
// element, and for a literal without its closing quote.
std::vector<TFormatToken> TokenizeFormat(std::string_view model);

bool IsFormatPunctuation(char c);
// The name in the token's case.
std::string NameInCase(const std::string& name, TNameCase nameCase);
// Roman numerals of the months, "I" to "XII".
const char* RomanMonthOf(int month);

}  // namespace oranet
