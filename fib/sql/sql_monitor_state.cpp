#include "fib/sql/sql_monitor_state.h"

namespace fib {

void SetTraceSwitch(bool on) { monitor_state::trace_switch.store(on); }

void SetMonitorFinalizing(bool value) { monitor_state::finalizing.store(value); }

}  // namespace fib
