#include "fib/sql_monitor_state.h"

#include <atomic>

namespace fib {

namespace {

std::atomic<bool> trace_switch{true};
std::atomic<bool> finalizing{false};

}  // namespace

// A plain on/off flag that guards no other data: every trace asks it, so
// the cheapest read will do.
bool TraceSwitch() { return trace_switch.load(std::memory_order_relaxed); }
void SetTraceSwitch(bool on) { trace_switch.store(on); }

bool MonitorFinalizing() { return finalizing.load(); }
void SetMonitorFinalizing(bool value) { finalizing.store(value); }

}  // namespace fib
