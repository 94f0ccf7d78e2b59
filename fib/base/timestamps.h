// Time stamps of the class library (milliseconds of the day and day numbers
// from 0001-01-01 = day 1) as date-time values.
#pragma once

#include <cstdint>

#include "classlib/datetime.h"

namespace fib {

classlib::TTimeStamp MakeTimeStamp(int32_t date, int32_t time);

// The class library's conversion, except that a Date of 0 means a time of
// day alone, which gives Time / 86 400 000, a value in [0, 1). Raises
// EConvertError for a time outside the day or a negative Date.
classlib::TDateTime TimeStampToDateTimeEx(const classlib::TTimeStamp& stamp);

// Midnight of a time-stamp day number; day 0 gives 0.0 like a bare time.
classlib::TDateTime DateOfDayNumber(int32_t day);

}  // namespace fib
