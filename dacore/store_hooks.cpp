#include "dacore/store_hooks.h"

#include <atomic>

namespace dacore {

namespace {

std::atomic<TWaitProc> start_wait_proc{nullptr};
std::atomic<TWaitProc> stop_wait_proc{nullptr};
std::atomic<TDesignHostNameProc> design_host_name_proc{nullptr};

}  // namespace

void SetStartWaitProc(TWaitProc proc) { start_wait_proc.store(proc); }
void SetStopWaitProc(TWaitProc proc) { stop_wait_proc.store(proc); }
void SetDesignHostNameProc(TDesignHostNameProc proc) { design_host_name_proc.store(proc); }

void StartWait() {
  if (TWaitProc proc = start_wait_proc.load()) proc();
}

void StopWait() {
  if (TWaitProc proc = stop_wait_proc.load()) proc();
}

void GetDesignHostName(std::string& name) {
  if (TDesignHostNameProc proc = design_host_name_proc.load()) proc(name);
  else name.clear();
}

}  // namespace dacore
