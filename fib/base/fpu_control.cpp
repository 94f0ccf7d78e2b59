#include "fib/base/fpu_control.h"

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

void ResetFPUEnvironment() {
#if defined(__x86_64__)
  static_assert(_FPU_DEFAULT == 0x037f, "the inline check in fpu_control.h assumes this default");
#endif
  std::fesetenv(FE_DFL_ENV);
}

}  // namespace fib
