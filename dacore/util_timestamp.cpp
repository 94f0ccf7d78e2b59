#include "dacore/util_timestamp.h"

namespace dacore {

// The class library's conversion validates exactly this way; one check
// serves both.
void ValidateTimeStamp(const classlib::TTimeStamp& ts) { (void)classlib::TimeStampToDateTime(ts); }

classlib::TDateTime DateTimeOfTimeStamp(const classlib::TTimeStamp& ts) {
  return classlib::TimeStampToDateTime(ts);
}

}  // namespace dacore
