#include "fib/sql_monitor_state.h"

#include <atomic>

namespace fib {

namespace {

std::atomic<bool> trace_switch{true};
std::atomic<bool> finalizing{false};

}  // namespace

bool TraceSwitch() { return trace_switch.load(); }
void SetTraceSwitch(bool on) { trace_switch.store(on); }

bool MonitorFinalizing() { return finalizing.load(); }
void SetMonitorFinalizing(bool value) { finalizing.store(value); }

}  // namespace fib
