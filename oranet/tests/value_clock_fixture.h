// A fixed clock for the tests of date values: today's date and the local
// zone are what the test says, and the machine's clock is back afterwards.
#pragma once

#include "oranet/value_clock.h"

namespace oranet::testing {

class TFixedClock : public TNetClock {
 public:
  TFixedClock(TNetToday today, int zoneMinutes) : today_(today), zoneMinutes_(zoneMinutes) {}
  TNetToday Today() const override { return today_; }
  int LocalZoneMinutes() const override { return zoneMinutes_; }

 private:
  TNetToday today_;
  int zoneMinutes_;
};

// Sets a fixed clock for its lifetime.
class TScopedClock {
 public:
  TScopedClock(TNetToday today, int zoneMinutes) : clock_(today, zoneMinutes) { SetNetClock(&clock_); }
  ~TScopedClock() { SetNetClock(nullptr); }
  TScopedClock(const TScopedClock&) = delete;
  TScopedClock& operator=(const TScopedClock&) = delete;

 private:
  TFixedClock clock_;
};

}  // namespace oranet::testing
