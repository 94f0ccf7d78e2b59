#include "fib/base/timestamps.h"

#include <string>

#include "classlib/exceptions.h"

namespace fib {

classlib::TTimeStamp MakeTimeStamp(int32_t date, int32_t time) {
  classlib::TTimeStamp stamp;
  stamp.Date = date;
  stamp.Time = time;
  return stamp;
}

classlib::TDateTime TimeStampToDateTimeEx(const classlib::TTimeStamp& stamp) {
  if (stamp.Date != 0) return classlib::TimeStampToDateTime(stamp);
  if (stamp.Time < 0 || stamp.Time >= classlib::kMSecsPerDay)
    throw classlib::EConvertError("'0." + std::to_string(stamp.Time) +
                                  "' is not a valid timestamp");
  return static_cast<double>(stamp.Time) / classlib::kMSecsPerDay;
}

classlib::TDateTime DateOfDayNumber(int32_t day) {
  return TimeStampToDateTimeEx(MakeTimeStamp(day, 0));
}

}  // namespace fib
