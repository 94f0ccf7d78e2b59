// TWin32Timer: the detail delay's timer, the message loop's interval timer
// component under the name the data-access layer gives it.
#pragma once

#include "platform/loop_timer.h"

namespace dacore {

class TWin32Timer : public platform::TLoopTimer {
  CLASSLIB_CLASS(TWin32Timer, platform::TLoopTimer)
 public:
  using TLoopTimer::TLoopTimer;
};

}  // namespace dacore
