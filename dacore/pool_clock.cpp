// The system pool clock.
#include "dacore/pool_clock.h"

#include "classlib/datetime.h"

namespace dacore {

namespace {

class TSystemPoolClock : public TPoolClock {
 public:
  uint32_t Ticks() override { return classlib::GetTickCount(); }
  bool Wait(classlib::TEvent& event, uint32_t timeout_ms) override {
    return event.WaitFor(timeout_ms) == classlib::wrSignaled;
  }
};

}  // namespace

TPoolClock& SystemPoolClock() {
  static TSystemPoolClock clock;
  return clock;
}

}  // namespace dacore
