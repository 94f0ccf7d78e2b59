// Date-time numbers for the benchmarks' peers, by plain arithmetic: what a
// program that keeps rows of its own computes from a date's fields.
#pragma once

#include <cstdint>

namespace bench {

// Days from 1970-01-01 of a date of the proleptic Gregorian calendar.
inline int64_t DaysFromCivil(int64_t year, int month, int day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t year_of_era = year - era * 400;
  const int64_t day_of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  return era * 146097 + year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year - 719468;
}

// Days since 1899-12-30, the time of day as the fraction.
inline double DateTimeNumber(int year, int month, int day, int64_t msecs_of_day) {
  constexpr int64_t kDays1899To1970 = 25569;
  return static_cast<double>(DaysFromCivil(year, month, day) + kDays1899To1970) +
         static_cast<double>(msecs_of_day) / 86400000.0;
}

}  // namespace bench
