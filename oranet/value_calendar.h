// The calendar of date and time values: the proleptic Gregorian calendar
// over the years as the database numbers them (..., -2, -1, 1, 2, ...;
// year -1 is 1 BC, so it is a leap year and the day after 31 December -1
// is 1 January 1). Every check, shift, day of year, week and Julian day
// uses this one model.
#pragma once

#include <cstdint>

namespace oranet {

bool IsLeapYearOf(int year);
// 0 for a month outside 1..12.
int DaysInMonthOf(int year, int month);
int DaysInYearOf(int year);

// Days since 30 December 1899 (negative before it), and back.
int64_t DayNumberOf(int year, int month, int day);
void DateOfDayNumber(int64_t dayNumber, int& year, int& month, int& day);

int DayOfYearOf(int year, int month, int day);
// 1 = Sunday ... 7 = Saturday.
int DayOfWeekOf(int year, int month, int day);
// Weeks that begin on Sunday, numbered by the four-day rule: the ISO 8601
// week of the following day (so the last days of December may be week 1).
int IsoWeekOf(int year, int month, int day);
int64_t JulianDayOf(int year, int month, int day);
int SecondsOfDay(int hour, int minute, int second);

// Moves a date and time by `minutes` (forward when `add` is set, back
// otherwise) across days, months and years. Seconds do not take part.
void ShiftByMinutes(int& year, int& month, int& day, int& hour, int& minute, bool add, int minutes);

}  // namespace oranet
