// Process-wide switches of the SQL monitor, read by producers and by the
// writer thread alike.
#pragma once

namespace fib {

// The global trace switch; on at start-up. Off, traces are not produced and
// messages already queued are dropped unwritten.
bool TraceSwitch();
void SetTraceSwitch(bool on);

// Set once the process is shutting the monitor down: no new hook is made and
// the writer ends when its queue is empty.
bool MonitorFinalizing();
void SetMonitorFinalizing(bool finalizing);

}  // namespace fib
