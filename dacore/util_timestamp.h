// Time stamps (milliseconds of the day, days from 0001-01-01 as day 1) as the
// record store and the client libraries exchange them.
#pragma once

#include "classlib/datetime.h"

namespace dacore {

// Raises EConvertError "'<date>.<time>' is not a valid timestamp" when the
// time is negative or a day or more, or the date is not positive.
void ValidateTimeStamp(const classlib::TTimeStamp& ts);
// The date-time number (days since 1899-12-30) of a valid time stamp.
classlib::TDateTime DateTimeOfTimeStamp(const classlib::TTimeStamp& ts);

}  // namespace dacore
