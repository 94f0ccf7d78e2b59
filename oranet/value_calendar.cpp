#include "oranet/value_calendar.h"

namespace oranet {

namespace {

constexpr int64_t kUnixEpochDayNumber = 25569;  // 1970-01-01 counted from 1899-12-30
constexpr int64_t kJulianDayOfDayZero = 2415019;
constexpr int kMinutesPerDay = 1440;

// Astronomical years have a year 0 (= 1 BC), which the arithmetic needs.
int64_t AstronomicalYear(int year) { return year < 0 ? int64_t{year} + 1 : year; }
int DatabaseYear(int64_t astronomical) { return static_cast<int>(astronomical <= 0 ? astronomical - 1 : astronomical); }

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

}  // namespace

bool IsLeapYearOf(int year) {
  const int64_t a = AstronomicalYear(year);
  return (a % 4 == 0 && a % 100 != 0) || a % 400 == 0;
}

int DaysInMonthOf(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYearOf(year) ? 29 : kDays[month - 1];
}

int DaysInYearOf(int year) { return IsLeapYearOf(year) ? 366 : 365; }

int64_t DayNumberOf(int year, int month, int day) {
  const int64_t y = AstronomicalYear(year) - (month <= 2 ? 1 : 0);
  const int64_t era = FloorDiv(y, 400);
  const int64_t yearOfEra = y - era * 400;
  const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468 + kUnixEpochDayNumber;
}

void DateOfDayNumber(int64_t dayNumber, int& year, int& month, int& day) {
  const int64_t z = dayNumber - kUnixEpochDayNumber + 719468;
  const int64_t era = FloorDiv(z, 146097);
  const int64_t dayOfEra = z - era * 146097;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t mp = (5 * dayOfYear + 2) / 153;
  day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = DatabaseYear(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

int DayOfYearOf(int year, int month, int day) {
  return static_cast<int>(DayNumberOf(year, month, day) - DayNumberOf(year, 1, 1)) + 1;
}

int DayOfWeekOf(int year, int month, int day) {
  // Day 0, 30 December 1899, was a Saturday.
  const int64_t dayNumber = DayNumberOf(year, month, day);
  return static_cast<int>((dayNumber % 7 + 13) % 7) + 1;
}

int IsoWeekOf(int year, int month, int day) {
  const int64_t next = DayNumberOf(year, month, day) + 1;
  int y, m, d;
  DateOfDayNumber(next, y, m, d);
  const int isoWeekday = (DayOfWeekOf(y, m, d) + 5) % 7 + 1;  // Monday 1 ... Sunday 7
  // The week belongs to the year of its Thursday.
  DateOfDayNumber(next - isoWeekday + 4, y, m, d);
  return (DayOfYearOf(y, m, d) - 1) / 7 + 1;
}

int64_t JulianDayOf(int year, int month, int day) { return DayNumberOf(year, month, day) + kJulianDayOfDayZero; }

int SecondsOfDay(int hour, int minute, int second) { return hour * 3600 + minute * 60 + second; }

void ShiftByMinutes(int& year, int& month, int& day, int& hour, int& minute, bool add, int minutes) {
  int64_t total = DayNumberOf(year, month, day) * kMinutesPerDay + hour * 60 + minute;
  total += add ? minutes : -int64_t{minutes};
  const int64_t days = FloorDiv(total, kMinutesPerDay);
  const int64_t rest = total - days * kMinutesPerDay;
  DateOfDayNumber(days, year, month, day);
  hour = static_cast<int>(rest / 60);
  minute = static_cast<int>(rest % 60);
}

}  // namespace oranet
