#include "fib/fpu_control.h"

#include <cfenv>

#if defined(__x86_64__) || defined(__i386__)
#include <fpu_control.h>
#endif

namespace fib {

void SetExtendedFPUPrecision() {
#if defined(__x86_64__) || defined(__i386__)
  fpu_control_t cw;
  _FPU_GETCW(cw);
  cw |= _FPU_EXTENDED;  // both precision-control bits
  _FPU_SETCW(cw);
#endif
}

void RestoreDefaultFPUControl() { std::fesetenv(FE_DFL_ENV); }

}  // namespace fib
