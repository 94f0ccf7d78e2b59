// Where date and time values learn today's date and the machine's time
// zone: the parser's default year and month, the RR and YY centuries, the
// zone of values that carry none. Tests put in a clock of their own.
#pragma once

namespace oranet {

struct TNetToday {
  int year = 0;
  int month = 0;
  int day = 0;
};

class TNetClock {
 public:
  virtual ~TNetClock() = default;
  virtual TNetToday Today() const = 0;
  // The local zone's offset from UTC in minutes, now (daylight saving
  // included).
  virtual int LocalZoneMinutes() const = 0;
};

// The clock in use: the machine's unless one is set.
const TNetClock& NetClock();
// Sets the clock values use (null: the machine's again). The caller keeps
// it alive while it is set.
void SetNetClock(const TNetClock* clock);

// The local zone as hour and minute, both truncated toward zero and of the
// offset's sign (-3:30 is -3 and -30).
void LocalTimeZoneOffset(int& hour, int& minute);

}  // namespace oranet
