// Marks the part of a benchmark's iteration that its timer measures, for an
// instruction count: scripts/bench_instructions.sh runs a benchmark under
// callgrind with collection off and counts only inside these spans, so that
// the count leaves out what the timer leaves out (connecting, prebuilt
// rows, checks of the peer's results). Outside callgrind a span costs a few
// instructions.
#pragma once

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define BENCH_COUNTED_SPANS 1
#endif

namespace bench {

class TCountedSpan {
 public:
  TCountedSpan() { Toggle(); }
  ~TCountedSpan() { Toggle(); }
  TCountedSpan(const TCountedSpan&) = delete;
  TCountedSpan& operator=(const TCountedSpan&) = delete;

 private:
  static void Toggle() {
#ifdef BENCH_COUNTED_SPANS
    CALLGRIND_TOGGLE_COLLECT;
#endif
  }
};

}  // namespace bench
