// The time source and wait of the connection pools. The pools read a
// millisecond tick count and wait on events only through this interface,
// so tests can let the 30-second waits and the lifetimes pass at once.
#pragma once

#include <cstdint>

#include "classlib/syncobjs.h"

namespace dacore {

class TPoolClock {
 public:
  virtual ~TPoolClock() = default;
  // Milliseconds that wrap at 2^32; intervals are unsigned differences.
  virtual uint32_t Ticks() = 0;
  // Waits until the event is signalled or timeout_ms pass; whether signalled.
  virtual bool Wait(classlib::TEvent& event, uint32_t timeout_ms) = 0;
};

// The system's tick count and real waits.
TPoolClock& SystemPoolClock();

}  // namespace dacore
