// Calendar arithmetic: dates as day numbers (0001-01-01 is day 1, proleptic
// Gregorian calendar), TDateTime <-> TTimeStamp, and the encode/decode
// routines built on them.
#include <cmath>
#include <ctime>
#include <string>

#include "classlib/datetime.h"
#include "classlib/exceptions.h"

namespace classlib {

namespace {

constexpr int kDaysBeforeMonth[2][13] = {
    {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
    {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366}};

constexpr int kDaysPer400Years = 146097;
constexpr int kDaysPer100Years = 36524;
constexpr int kDaysPer4Years = 1461;

// Day number of a valid date, 0001-01-01 being day 1.
int DayNumber(int year, int month, int day) {
  const int y = year - 1;
  return y * 365 + y / 4 - y / 100 + y / 400 +
         kDaysBeforeMonth[IsLeapYear(year)][month - 1] + day;
}

// The inverse of DayNumber for day numbers >= 1.
void SplitDayNumber(int number, int& year, int& month, int& day) {
  int n = number - 1;  // days since 0001-01-01
  const int cycles400 = n / kDaysPer400Years;
  n %= kDaysPer400Years;
  int cycles100 = n / kDaysPer100Years;
  if (cycles100 == 4) cycles100 = 3;  // the last day of a 400-year cycle
  n -= cycles100 * kDaysPer100Years;
  const int cycles4 = n / kDaysPer4Years;
  n %= kDaysPer4Years;
  int years = n / 365;
  if (years == 4) years = 3;  // the last day of a leap year
  n -= years * 365;
  year = cycles400 * 400 + cycles100 * 100 + cycles4 * 4 + years + 1;
  const int* before = kDaysBeforeMonth[IsLeapYear(year)];
  month = 1;
  while (n >= before[month]) ++month;
  day = n - before[month - 1] + 1;
}

std::string IntText(long long v) { return std::to_string(v); }

}  // namespace

bool IsLeapYear(int year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
  if (month < 1 || month > 12) return 0;
  const int* before = kDaysBeforeMonth[IsLeapYear(year)];
  return before[month] - before[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& out) {
  if (year < 1 || year > 9999 || month < 1 || month > 12) return false;
  if (day < 1 || day > DaysInMonth(year, month)) return false;
  out = DayNumber(year, month, day) - kDateDelta;
  return true;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& out) {
  if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 || msec < 0 ||
      msec > 999)
    return false;
  out = static_cast<double>(((hour * 60 + min) * 60 + sec) * 1000 + msec) / kMSecsPerDay;
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime dt;
  if (!TryEncodeDate(year, month, day, dt)) throw EConvertError("Invalid argument to date encode");
  return dt;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
  TDateTime dt;
  if (!TryEncodeTime(hour, min, sec, msec, dt)) throw EConvertError("Invalid argument to time encode");
  return dt;
}

// The whole days count towards zero and the fraction is the time of day
// whatever the sign, so -1.25 is day -1 at 06:00. A time that rounds up to
// 24:00 belongs to the next day (for negative values too: -1.9999999999 is
// 1899-12-30 00:00, not 1899-12-28).
TTimeStamp DateTimeToTimeStamp(TDateTime dt) {
  if (!std::isfinite(dt) || std::fabs(dt) > 2147483647.0 - kDateDelta)
    throw EConvertError("Invalid argument to time stamp conversion");
  const double whole = std::trunc(dt);
  long long days = static_cast<long long>(whole);
  long long ms = std::llround(std::fabs(dt - whole) * kMSecsPerDay);
  if (ms >= kMSecsPerDay) {
    ms -= kMSecsPerDay;
    ++days;
  }
  TTimeStamp ts;
  ts.Date = static_cast<int32_t>(days + kDateDelta);
  ts.Time = static_cast<int32_t>(ms);
  return ts;
}

static void ValidateTimeStamp(const TTimeStamp& ts) {
  if (ts.Time < 0 || ts.Time >= kMSecsPerDay || ts.Date <= 0)
    throw EConvertError("'" + IntText(ts.Date) + "." + IntText(ts.Time) +
                        "' is not a valid timestamp");
}

TDateTime TimeStampToDateTime(const TTimeStamp& ts) {
  ValidateTimeStamp(ts);
  const double days = static_cast<double>(ts.Date) - kDateDelta;
  const double time = static_cast<double>(ts.Time) / kMSecsPerDay;
  return days >= 0 ? days + time : days - time;
}

double TimeStampToMSecs(const TTimeStamp& ts) {
  ValidateTimeStamp(ts);
  return static_cast<double>(ts.Date) * kMSecsPerDay + ts.Time;
}

TTimeStamp MSecsToTimeStamp(double msecs) {
  if (!std::isfinite(msecs) || msecs < 0 || msecs >= 2147483648.0 * kMSecsPerDay)
    throw EConvertError("Invalid argument to time stamp conversion");
  const long long ms = std::llround(msecs);
  TTimeStamp ts;
  ts.Date = static_cast<int32_t>(ms / kMSecsPerDay);
  ts.Time = static_cast<int32_t>(ms % kMSecsPerDay);
  return ts;
}

// Day numbers below 1 have no calendar date; they decode to 0/0/0.
void DecodeDate(TDateTime dt, int& year, int& month, int& day) {
  const TTimeStamp ts = DateTimeToTimeStamp(dt);
  if (ts.Date <= 0) {
    year = month = day = 0;
    return;
  }
  SplitDayNumber(ts.Date, year, month, day);
}

void DecodeTime(TDateTime dt, int& hour, int& min, int& sec, int& msec) {
  int ms = DateTimeToTimeStamp(dt).Time;
  msec = ms % 1000;
  ms /= 1000;
  sec = ms % 60;
  ms /= 60;
  min = ms % 60;
  hour = ms / 60;
}

int DayOfWeek(TDateTime dt) {
  // Day 1 (0001-01-01) was a Monday, day 2 of the week when Sunday is 1.
  const int date = DateTimeToTimeStamp(dt).Date;
  return ((date % 7) + 7) % 7 + 1;
}

TDateTime Now() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
         EncodeTime(local.tm_hour, local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec,
                    static_cast<int>(now.tv_nsec / 1000000));
}

TDateTime Date() { return std::trunc(Now()); }

TDateTime Time() {
  const TDateTime now = Now();
  return now - std::trunc(now);
}

}  // namespace classlib
