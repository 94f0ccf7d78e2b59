// The process-wide SQL trace hook. Statements, connections, transactions
// and services report what they do to it; when a monitor program listens,
// the hook formats the event and queues it for the writer thread, which
// passes it to the monitors through the shared channel.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "classlib/object.h"
#include "fib/sql/sql_monitor_layout.h"
#include "fib/sql/sql_monitor_state.h"
#include "fib/sql/sql_trace_texts.h"

namespace classlib {
class TComponent;
}

namespace platform {
class SharedMemory;
}

namespace fib {

class TMonitorChannel;
class TMonitorWriterThread;

class TFIBSQLMonitorHook : public classlib::TObject {
  CLASSLIB_CLASS(TFIBSQLMonitorHook, classlib::TObject)
 public:
  TFIBSQLMonitorHook();
  // Lets the writer pass on what is queued, then closes the channel.
  ~TFIBSQLMonitorHook() override;

  bool Enabled() const;
  // Disabling stops the writer at once, dropping what is queued.
  void SetEnabled(bool enabled);
  // Whether the shared objects are open.
  bool Opened() const;
  // Attached monitors; 0 while no shared block is mapped.
  int MonitorCount() const;
  // How often a hook that found no shared block looks for one again. The
  // block is made by the first monitor program (or by the first writer that
  // had a monitor to write to), never by a trace that nobody reads.
  static constexpr std::int64_t kProbeIntervalMs = 100;
  // Nothing would be traced now: the trace switch is off, the hook is
  // disabled, or no monitor is attached. Asked without the lock and inline,
  // so callers can skip preparing a trace on every fetch. While no shared
  // block is mapped it is idle until the next look for one is due.
  bool Idle() const {
    if (!TraceSwitch() || !enabled_.load(std::memory_order_relaxed)) return true;
    // Monitors in other processes change the counter: read it atomically.
    std::int32_t* monitors = monitor_count_.load(std::memory_order_acquire);
    if (monitors == nullptr) return !ProbeDue();
    return std::atomic_ref<std::int32_t>(*monitors).load() <= 0;
  }
  // Whether a monitor is attached now. While no block is mapped, a look for
  // one is made when it is due; finding none raises nothing.
  bool Listening();

  // Each acts only when the hook is enabled, the global trace switch is on
  // and a monitor listens to its category; otherwise it formats nothing.
  virtual void TracePrepare(const ITracedStatement& statement);
  virtual void TraceExecute(const ITracedStatement& statement);
  virtual void TraceFetch(const ITracedStatement& statement);
  virtual void TraceConnect(const classlib::TComponent& database);
  virtual void TraceDisconnect(const classlib::TComponent& database);
  virtual void TraceStartTransaction(const ITracedTransaction& transaction);
  virtual void TraceCommit(const ITracedTransaction& transaction);
  virtual void TraceSavepoint(const ITracedTransaction& transaction, std::string_view savepoint,
                              SavepointTrace kind);
  virtual void TraceCommitRetaining(const ITracedTransaction& transaction);
  virtual void TraceRollback(const ITracedTransaction& transaction);
  virtual void TraceRollbackRetaining(const ITracedTransaction& transaction);
  virtual void TraceServiceAttach(const classlib::TComponent& service);
  virtual void TraceServiceDetach(const classlib::TComponent& service);
  virtual void TraceServiceQuery(const classlib::TComponent& service);
  virtual void TraceServiceStart(const classlib::TComponent& service);
  // A data set's action on its records alone (execute category): what it
  // did, named by the data set.
  void TraceDataSetAction(const classlib::TComponent& data_set, std::string_view action);

  // Queues `text`, headed by the program's name, for the monitors; with no
  // monitor attached it queues nothing and ends the writer thread. Opens
  // the shared objects first (client error 54 when that fails).
  void QueueTraceText(const std::string& text, TraceCategory category);
  // Messages waiting for the writer.
  int QueuedCount() const;

 private:
  bool ShouldTrace(TraceCategory category);
  void TraceTransaction(const ITracedTransaction& transaction, TransactionTrace kind);
  void OpenLocked();
  bool ProbeDue() const;
  // The mapped block: the channel's, else the one a look found; a due look
  // maps an existing block without making one. nullptr: no block.
  const unsigned char* BlockLocked();

  mutable std::mutex mutex_;
  // Written under the mutex; read without it by the quick checks that run
  // on every traced event.
  std::atomic<bool> enabled_{true};
  std::unique_ptr<TMonitorChannel> channel_;
  // An existing block mapped to count its monitors before the channel is
  // needed; it stays mapped for the hook's life, like the channel.
  std::unique_ptr<platform::SharedMemory> view_;
  // The monitor counter of the mapped block.
  std::atomic<std::int32_t*> monitor_count_{nullptr};
  // When the next look for a block is due (steady clock, milliseconds).
  std::atomic<std::int64_t> next_probe_ms_{0};
  std::unique_ptr<TMonitorWriterThread> writer_;
};

// The process's hook, made on first use; nullptr once the process is
// shutting the monitor down.
TFIBSQLMonitorHook* MonitorHookInstance();

namespace monitor_state {
// The hook once made; nullptr before and after.
inline std::atomic<TFIBSQLMonitorHook*> hook_instance{nullptr};
}  // namespace monitor_state

// False when a trace would surely reach no monitor (shutting down, the trace
// switch off, the hook disabled or no monitor attached), without making the
// hook or calling out: statements ask it for every fetched row. True leaves
// the decision to the trace call.
inline bool MonitorMayListen() {
  if (MonitorFinalizing()) return false;
  const TFIBSQLMonitorHook* hook = monitor_state::hook_instance.load();
  return hook == nullptr || !hook->Idle();
}
// Whether a monitor is attached now (making the hook, and looking for the
// shared block when a look is due). A statement asks once an execution and
// keeps the answer for the rows it fetches: a monitor that attaches while a
// cursor is open hears from the statement's next execution on.
bool MonitorListens();
// Whether a monitor's shared block exists in this process's runtime folder
// (a usable one or not), without mapping it for the hook: benchmarks say
// whether their figures include a listening monitor's cost.
bool MonitorBlockExists();
// Monitors attached to the channel; 0 when this process has mapped no block.
int GetMonitorCount();

// The header put before every message: CR LF, "[Application: ", the
// program's file name without its folder, "]", CR LF.
std::string ApplicationHeader();

}  // namespace fib
