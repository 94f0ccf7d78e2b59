// The floating-point settings the layer puts back around client calls.
//
// On x86-64 ordinary double arithmetic runs on SSE, so only long double (the
// x87 unit) feels the precision field; a client library's start-up code can
// still lower it, or change rounding and exception masks of either unit.
#pragma once

namespace fib {

// Selects 64-bit extended precision in the x87 control word, keeping its
// other bits. Nothing to do on processors without an x87 unit.
void SetExtendedFPUPrecision();

// Loads the program's start-up floating-point environment.
void ResetFPUEnvironment();

// Puts the floating-point environment (rounding, exception masks, x87
// precision) back to the program's start-up default. This runs after every
// client call, so it first looks whether the client changed anything:
// reading the two control registers is far cheaper than loading a whole
// environment. Only the control parts count (the x87 control word has no
// flags; MXCSR keeps its flags in bits 0-5).
inline void RestoreDefaultFPUControl() {
#if defined(__x86_64__)
  constexpr unsigned kX87Default = 0x037f;
  constexpr unsigned kMxcsrDefault = 0x1F80;
  constexpr unsigned kMxcsrControlBits = 0xFFC0;
  unsigned short cw;
  __asm__ volatile("fnstcw %0" : "=m"(cw));
  const unsigned mxcsr = __builtin_ia32_stmxcsr();
  if (cw == kX87Default && (mxcsr & kMxcsrControlBits) == kMxcsrDefault) return;
#endif
  ResetFPUEnvironment();
}

}  // namespace fib
