#include "oracle/object_date.h"

namespace oracle {

bool TryOciDateToDateTime(const OCIDate& date, classlib::TDateTime& value) {
  classlib::TDateTime day = 0, time = 0;
  if (!classlib::TryEncodeDate(date.OCIDateYYYY, date.OCIDateMM, date.OCIDateDD, day) ||
      !classlib::TryEncodeTime(date.OCIDateTime.OCITimeHH, date.OCIDateTime.OCITimeMI, date.OCIDateTime.OCITimeSS, 0,
                               time))
    return false;
  // Before the epoch the day counts down while the time still counts up.
  value = day < 0 ? day - time : day + time;
  return true;
}

OCIDate OciDateOf(classlib::TDateTime value) {
  int year, month, day, hour, minute, second, msec;
  classlib::DecodeDate(value, year, month, day);
  classlib::DecodeTime(value, hour, minute, second, msec);
  OCIDate date{};
  date.OCIDateYYYY = static_cast<sb2>(year);
  date.OCIDateMM = static_cast<ub1>(month);
  date.OCIDateDD = static_cast<ub1>(day);
  date.OCIDateTime = OCITime{static_cast<ub1>(hour), static_cast<ub1>(minute), static_cast<ub1>(second)};
  return date;
}

}  // namespace oracle
