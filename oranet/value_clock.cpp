#include "oranet/value_clock.h"

#include <atomic>
#include <ctime>

namespace oranet {

namespace {

class TMachineClock : public TNetClock {
 public:
  TNetToday Today() const override {
    const std::tm now = LocalNow();
    return {now.tm_year + 1900, now.tm_mon + 1, now.tm_mday};
  }
  int LocalZoneMinutes() const override { return static_cast<int>(LocalNow().tm_gmtoff / 60); }

 private:
  static std::tm LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
  }
};

const TMachineClock kMachineClock;
std::atomic<const TNetClock*> gClock{nullptr};

}  // namespace

const TNetClock& NetClock() {
  const TNetClock* clock = gClock.load(std::memory_order_acquire);
  return clock ? *clock : kMachineClock;
}

void SetNetClock(const TNetClock* clock) { gClock.store(clock, std::memory_order_release); }

void LocalTimeZoneOffset(int& hour, int& minute) {
  const int offset = NetClock().LocalZoneMinutes();
  hour = offset / 60;
  minute = offset % 60;
}

}  // namespace oranet
