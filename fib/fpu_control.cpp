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

void RestoreDefaultFPUControl() {
#if defined(__x86_64__)
  // This runs after every client call, so first look whether the client
  // changed anything: reading the two control registers is far cheaper than
  // loading a whole environment. Only the control parts count (the x87
  // control word has no flags; MXCSR keeps its flags in bits 0-5).
  constexpr unsigned kMxcsrDefault = 0x1F80;
  constexpr unsigned kMxcsrControlBits = 0xFFC0;
  fpu_control_t cw;
  _FPU_GETCW(cw);
  unsigned mxcsr = __builtin_ia32_stmxcsr();
  if (cw == _FPU_DEFAULT && (mxcsr & kMxcsrControlBits) == kMxcsrDefault) return;
#endif
  std::fesetenv(FE_DFL_ENV);
}

}  // namespace fib
