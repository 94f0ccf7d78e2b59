// Process-wide switches of the SQL monitor, read by producers and by the
// writer thread alike.
#pragma once

#include <atomic>

namespace fib {

namespace monitor_state {
// Every trace asks both, statements for every fetched row: they are read
// inline.
inline std::atomic<bool> trace_switch{true};
inline std::atomic<bool> finalizing{false};
}  // namespace monitor_state

// The global trace switch; on at start-up. Off, traces are not produced and
// messages already queued are dropped unwritten. A plain on/off flag that
// guards no other data, so the cheapest read will do.
inline bool TraceSwitch() { return monitor_state::trace_switch.load(std::memory_order_relaxed); }
void SetTraceSwitch(bool on);

// Set once the process is shutting the monitor down: no new hook is made and
// the writer ends when its queue is empty.
inline bool MonitorFinalizing() { return monitor_state::finalizing.load(); }
void SetMonitorFinalizing(bool finalizing);

}  // namespace fib
