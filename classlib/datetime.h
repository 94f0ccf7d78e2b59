// Dates and times as the class library keeps them. TDateTime counts days
// since 1899-12-30 with the time of day as the fraction; before that day the
// value is negative and the fraction still counts forward from midnight
// (-1.25 is 1899-12-29 06:00). TTimeStamp counts days from 0001-01-01 = day 1
// and milliseconds of the day.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <string>

namespace classlib {

struct TFormatSettings;

using TDateTime = double;

constexpr int kDateDelta = 693594;          // days from 0001-01-01 (day 1) to 1899-12-30
constexpr int kMSecsPerDay = 24 * 60 * 60 * 1000;
constexpr double kMinDateTime = -657434.0;  // 0100-01-01
constexpr double kMaxDateTime = 2958465.99999;  // 9999-12-31 23:59:59.999

struct TTimeStamp {
  int32_t Time = 0;  // milliseconds since midnight
  int32_t Date = 0;  // days, 0001-01-01 is day 1
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// Raise EConvertError on values out of range (years 1..9999).
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int min, int sec, int msec);
bool TryEncodeDate(int year, int month, int day, TDateTime& out);
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& out);
void DecodeDate(TDateTime dt, int& year, int& month, int& day);
void DecodeTime(TDateTime dt, int& hour, int& min, int& sec, int& msec);
int DayOfWeek(TDateTime dt);  // 1 = Sunday

TDateTime Now();
TDateTime Date();
TDateTime Time();

// DateTimeToTimeStamp rounds to the nearest millisecond. These routines
// raise EConvertError for values with no time stamp: a negative time, a date
// below 1, negative milliseconds, NaN.
TTimeStamp DateTimeToTimeStamp(TDateTime dt);
TDateTime TimeStampToDateTime(const TTimeStamp& ts);
double TimeStampToMSecs(const TTimeStamp& ts);
TTimeStamp MSecsToTimeStamp(double msecs);

// TimeStampToDateTime(MSecsToTimeStamp(msecs)) without the time stamp
// between, for the values neither routine refuses from day 1 on; false for
// the others (which the two routines must then judge). Inline, because
// record buffers keep date-times in milliseconds and every read converts.
inline bool TryMSecsToDateTime(double msecs, TDateTime& result) {
  if (!(msecs >= kMSecsPerDay && msecs < 2147483648.0 * kMSecsPerDay)) return false;
  // Rounds half away from zero as llround does: msecs is positive and
  // taking its whole part off is exact.
  auto ms = static_cast<long long>(msecs);
  if (msecs - static_cast<double>(ms) >= 0.5) ++ms;
  const auto date = static_cast<int32_t>(ms / kMSecsPerDay);
  const auto time = static_cast<int32_t>(ms % kMSecsPerDay);
  const double days = static_cast<double>(date) - kDateDelta;
  const double fraction = static_cast<double>(time) / kMSecsPerDay;
  result = days >= 0 ? days + fraction : days - fraction;
  return true;
}

// A date-time from 1899-12-30 on as whole days and the milliseconds of its
// fraction, rounded up from .5 as llround does (a day's last half
// millisecond carries into the next day). dt is positive: its whole part and
// the fraction's are exact.
inline void SplitDateTimeMSecs(TDateTime dt, long long& days, long long& ms) {
  days = static_cast<long long>(dt);
  const double msecs = (dt - static_cast<double>(days)) * kMSecsPerDay;
  ms = static_cast<long long>(msecs);
  if (msecs - static_cast<double>(ms) >= 0.5) ++ms;
  if (ms >= kMSecsPerDay) {
    ms -= kMSecsPerDay;
    ++days;
  }
}

// TimeStampToMSecs(DateTimeToTimeStamp(dt)) without the time stamp between,
// for date-times from 1899-12-30 on; false for the others (which the two
// routines must then judge). Inline for the same reason: every read of a
// date-time kept as a TDateTime delivers milliseconds.
inline bool TryDateTimeToMSecs(TDateTime dt, double& result) {
  if (!(dt >= 0 && dt < 2147483647.0 - kDateDelta - 1)) return false;
  long long days = 0, ms = 0;
  SplitDateTimeMSecs(dt, days, ms);
  result = static_cast<double>(static_cast<int32_t>(days + kDateDelta)) * kMSecsPerDay + static_cast<int32_t>(ms);
  return true;
}

// Whether rounding dt to the millisecond (below) would give dt back, judged
// without the rounding's division: a read of a date-time that is already
// whole milliseconds (as a fetched DATE or a value a field stored is) then
// does not wait for it. True only where that is certain; false for some such values
// too (before 1900-01-07, from about the year 13 380 on, and about one in
// 8 000 of the others), which take the division.
//
// Why it is certain: dt = days + fraction exactly, and the rounding gives
// days + q, q the quotient of the nearest whole milliseconds by a day's.
// `quotient` (that count times the day's reciprocal) is within 2^-51 of q,
// so |q - fraction| stays below half the spacing of doubles at dt, and
// days + q rounds back to dt. A count that is not the rounding's (a half
// millisecond, where the two roundings differ) is thousands of times too
// far from the fraction to pass.
inline bool IsRoundedToMSecs(TDateTime dt) {
  if (!(dt >= 8.0 && dt < 4194304.0)) return false;
  const auto days = static_cast<double>(static_cast<long long>(dt));
  const double fraction = dt - days;
  const double msecs = fraction * kMSecsPerDay;
  // Adding and taking off 1.5 * 2^52 rounds a value below 2^51 to a whole
  // number, without the conversions to an integer and back.
  constexpr double kRounder = 6755399441055744.0;
  const double whole = (msecs + kRounder) - kRounder;
  const double quotient = whole * (1.0 / kMSecsPerDay);
  // Half the spacing of doubles at dt: 2^(e-53) for dt in [2^e, 2^(e+1)).
  const double half_spacing =
      std::bit_cast<double>((std::bit_cast<uint64_t>(dt) & 0x7FF0000000000000ull) - (uint64_t{53} << 52));
  return std::fabs(quotient - fraction) < half_spacing - 0x1p-51;
}

// TryMSecsToDateTime(TryDateTimeToMSecs(dt)) in one step: the date-time
// rounded to the millisecond, as a record that keeps date-times as such
// hands them out. Only up to the day where the milliseconds between stop
// being exact (about the year 271 000); false beyond and before 1899-12-30.
inline bool TryRoundDateTimeToMSecs(TDateTime dt, TDateTime& result) {
  if (!(dt >= 0 && dt < 100000000.0 - kDateDelta)) return false;
  if (IsRoundedToMSecs(dt)) [[likely]] {
    result = dt;
    return true;
  }
  long long days = 0, ms = 0;
  SplitDateTimeMSecs(dt, days, ms);
  result = static_cast<double>(days) + static_cast<double>(ms) / kMSecsPerDay;
  return true;
}

// FormatDateTime with the platform's specifiers (c d dd ddd dddd ddddd dddddd
// m mm mmm mmmm yy yyyy h hh n nn s ss z zzz t tt am/pm a/p ampm / : and
// quoted text).
std::string FormatDateTime(const std::string& format, TDateTime dt);
std::string FormatDateTime(const std::string& format, TDateTime dt, const TFormatSettings& fs);
std::string DateTimeToStr(TDateTime dt);
std::string DateToStr(TDateTime dt);
std::string TimeToStr(TDateTime dt);
// Parse by the short date format's order and the separators; raise EConvertError.
TDateTime StrToDateTime(const std::string& s);
TDateTime StrToDateTime(const std::string& s, const TFormatSettings& fs);
TDateTime StrToDate(const std::string& s);
TDateTime StrToTime(const std::string& s);
bool TryStrToDateTime(const std::string& s, TDateTime& out);
bool TryStrToDateTime(const std::string& s, TDateTime& out, const TFormatSettings& fs);

// Years written with one or two digits fall in the 100 years that start
// kTwoDigitYearCenturyWindow years before the current year.
constexpr int kTwoDigitYearCenturyWindow = 50;
int ExpandTwoDigitYear(int year, int current_year);

// Milliseconds since an arbitrary start, 32 bits, wrapping like the platform's.
uint32_t GetTickCount();

}  // namespace classlib
