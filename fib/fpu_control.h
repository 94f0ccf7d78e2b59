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

// Puts the floating-point environment (rounding, exception masks, x87
// precision) back to the program's start-up default.
void RestoreDefaultFPUControl();

}  // namespace fib
