#include "fib/sql/sql_trace_hook.h"

#include <atomic>

#include "classlib/codepage.h"
#include "classlib/component.h"
#include "classlib/datetime.h"
#include "classlib/exceptions.h"
#include "classlib/syncobjs.h"
#include "fib/base/fib_timer.h"
#include "fib/sql/sql_monitor_channel.h"
#include "fib/sql/sql_monitor_state.h"
#include "fib/sql/sql_monitor_writer.h"
#include "platform/environment.h"
#include "platform/shared_memory.h"

namespace fib {

TFIBSQLMonitorHook::TFIBSQLMonitorHook() = default;

TFIBSQLMonitorHook::~TFIBSQLMonitorHook() {
  // The writer uses the channel: it goes first.
  writer_.reset();
  monitor_count_.store(nullptr);
  channel_.reset();
  view_.reset();
}

bool TFIBSQLMonitorHook::Enabled() const {
  std::lock_guard lock(mutex_);
  return enabled_;
}

void TFIBSQLMonitorHook::SetEnabled(bool enabled) {
  std::unique_ptr<TMonitorWriterThread> writer;
  {
    std::lock_guard lock(mutex_);
    enabled_ = enabled;
    if (!enabled) writer = std::move(writer_);
  }
  if (writer) writer->Stop();
}

bool TFIBSQLMonitorHook::Opened() const {
  std::lock_guard lock(mutex_);
  return channel_ != nullptr;
}

int TFIBSQLMonitorHook::MonitorCount() const {
  std::lock_guard lock(mutex_);
  if (channel_) return channel_->MonitorCount();
  return view_ ? monitor_block::Counter(view_->Data(), monitor_block::kMonitorCount) : 0;
}

int TFIBSQLMonitorHook::QueuedCount() const {
  std::lock_guard lock(mutex_);
  return writer_ ? writer_->QueuedCount() : 0;
}

void TFIBSQLMonitorHook::OpenLocked() {
  if (channel_) return;
  channel_ = std::make_unique<TMonitorChannel>();
  if (!view_) monitor_count_.store(channel_->MonitorCountCell(), std::memory_order_release);
}

bool TFIBSQLMonitorHook::ProbeDue() const {
  return CoarseNowMs() >= next_probe_ms_.load(std::memory_order_relaxed);
}

const unsigned char* TFIBSQLMonitorHook::BlockLocked() {
  if (channel_) return channel_->Data();
  if (view_) return static_cast<const unsigned char*>(view_->Data());
  if (!ProbeDue()) return nullptr;
  next_probe_ms_.store(CoarseNowMs() + kProbeIntervalMs, std::memory_order_relaxed);
  // Mostly there is no block: that answer costs no exception.
  try {
    view_ = platform::SharedMemory::OpenIfExists(kMonitorSharedMemName, monitor_block::kSize);
  } catch (const classlib::EOSError&) {
    // A block no monitor could use (another size, no access): nobody
    // listens, which is not an error.
    return nullptr;
  }
  if (!view_) return nullptr;
  monitor_count_.store(reinterpret_cast<std::int32_t*>(static_cast<char*>(view_->Data()) +
                                                       monitor_block::kMonitorCount),
                       std::memory_order_release);
  return static_cast<const unsigned char*>(view_->Data());
}

bool TFIBSQLMonitorHook::Listening() {
  if (Idle()) return false;
  std::lock_guard lock(mutex_);
  if (!enabled_) return false;
  const unsigned char* block = BlockLocked();
  return block != nullptr && monitor_block::Counter(block, monitor_block::kMonitorCount) > 0;
}

bool TFIBSQLMonitorHook::ShouldTrace(TraceCategory category) {
  if (Idle()) return false;
  std::lock_guard lock(mutex_);
  if (!enabled_) return false;
  const unsigned char* block = BlockLocked();
  return block != nullptr && monitor_block::Counter(block, monitor_block::kMonitorCount) > 0 &&
         monitor_block::Listeners(block, category) > 0;
}

void TFIBSQLMonitorHook::QueueTraceText(const std::string& text, TraceCategory category) {
  std::unique_ptr<TMonitorWriterThread> idle_writer;
  {
    std::lock_guard lock(mutex_);
    OpenLocked();
    std::string message = ApplicationHeader() + text;
    // A writer that ended on an error would let the queue grow unread.
    if (writer_ && writer_->Finished()) writer_.reset();
    if (!writer_) writer_.reset(classlib::NewThread<TMonitorWriterThread>(*channel_));
    if (channel_->MonitorCount() > 0) {
      writer_->Enqueue(std::make_unique<TFIBTraceObject>(std::move(message), category, classlib::Now()));
      return;
    }
    // Nobody listens: the writer would only poll. It is ended outside the
    // lock so other producers need not wait for it.
    idle_writer = std::move(writer_);
  }
  idle_writer->Stop();
}

void TFIBSQLMonitorHook::TracePrepare(const ITracedStatement& statement) {
  if (ShouldTrace(tcPrepare)) QueueTraceText(PrepareTraceText(statement), tcPrepare);
}

void TFIBSQLMonitorHook::TraceExecute(const ITracedStatement& statement) {
  if (ShouldTrace(tcExecute)) QueueTraceText(ExecuteTraceText(statement), tcExecute);
}

void TFIBSQLMonitorHook::TraceFetch(const ITracedStatement& statement) {
  if (ShouldTrace(tcFetch)) QueueTraceText(FetchTraceText(statement), tcFetch);
}

void TFIBSQLMonitorHook::TraceConnect(const classlib::TComponent& database) {
  if (ShouldTrace(tcConnect)) QueueTraceText(ConnectTraceText(database.Name(), true), tcConnect);
}

void TFIBSQLMonitorHook::TraceDisconnect(const classlib::TComponent& database) {
  if (ShouldTrace(tcConnect)) QueueTraceText(ConnectTraceText(database.Name(), false), tcConnect);
}

void TFIBSQLMonitorHook::TraceTransaction(const ITracedTransaction& transaction, TransactionTrace kind) {
  if (transaction.HasDefaultDatabase() && ShouldTrace(tcTransaction))
    QueueTraceText(TransactionTraceText(transaction, kind), tcTransaction);
}

void TFIBSQLMonitorHook::TraceStartTransaction(const ITracedTransaction& transaction) {
  TraceTransaction(transaction, TransactionTrace::Start);
}

void TFIBSQLMonitorHook::TraceCommit(const ITracedTransaction& transaction) {
  TraceTransaction(transaction, TransactionTrace::Commit);
}

void TFIBSQLMonitorHook::TraceSavepoint(const ITracedTransaction& transaction, std::string_view savepoint,
                                        SavepointTrace kind) {
  if (ShouldTrace(tcTransaction))
    QueueTraceText(SavepointTraceText(transaction, savepoint, kind), tcTransaction);
}

void TFIBSQLMonitorHook::TraceCommitRetaining(const ITracedTransaction& transaction) {
  TraceTransaction(transaction, TransactionTrace::CommitRetaining);
}

void TFIBSQLMonitorHook::TraceRollback(const ITracedTransaction& transaction) {
  TraceTransaction(transaction, TransactionTrace::Rollback);
}

void TFIBSQLMonitorHook::TraceRollbackRetaining(const ITracedTransaction& transaction) {
  TraceTransaction(transaction, TransactionTrace::RollbackRetaining);
}

void TFIBSQLMonitorHook::TraceServiceAttach(const classlib::TComponent& service) {
  if (ShouldTrace(tcService)) QueueTraceText(ServiceTraceText(service.Name(), "Attach"), tcService);
}

void TFIBSQLMonitorHook::TraceServiceDetach(const classlib::TComponent& service) {
  if (ShouldTrace(tcService)) QueueTraceText(ServiceTraceText(service.Name(), "Detach"), tcService);
}

void TFIBSQLMonitorHook::TraceServiceQuery(const classlib::TComponent& service) {
  if (ShouldTrace(tcService)) QueueTraceText(ServiceTraceText(service.Name(), "Query"), tcService);
}

void TFIBSQLMonitorHook::TraceServiceStart(const classlib::TComponent& service) {
  if (ShouldTrace(tcService)) QueueTraceText(ServiceTraceText(service.Name(), "Start"), tcService);
}

void TFIBSQLMonitorHook::TraceDataSetAction(const classlib::TComponent& data_set,
                                            std::string_view action) {
  if (ShouldTrace(tcExecute)) QueueTraceText(DataSetActionTraceText(data_set.Name(), action), tcExecute);
}

std::string ApplicationHeader() {
  std::string path = platform::ModuleFileName();
  std::string name = path.substr(path.find_last_of('/') + 1);
  return "\r\n[Application: " + classlib::Utf8ToCp1251(name) + "]\r\n";
}

// ---- the process's hook ----------------------------------------------------

namespace {

classlib::TCriticalSection& HookSection() {
  static classlib::TCriticalSection section;
  return section;
}

// Shutting down lets the writer pass on what was traced last, then closes
// the channel.
struct MonitorShutdown {
  // Made first, the section is destroyed after this object.
  MonitorShutdown() { HookSection(); }
  ~MonitorShutdown() {
    SetMonitorFinalizing(true);
    classlib::CriticalSectionGuard guard(HookSection());
    delete monitor_state::hook_instance.exchange(nullptr);
  }
} monitor_shutdown;

}  // namespace

TFIBSQLMonitorHook* MonitorHookInstance() {
  if (MonitorFinalizing()) return nullptr;
  if (TFIBSQLMonitorHook* hook = monitor_state::hook_instance.load()) return hook;
  classlib::CriticalSectionGuard guard(HookSection());
  if (MonitorFinalizing()) return nullptr;
  if (!monitor_state::hook_instance.load()) monitor_state::hook_instance.store(new TFIBSQLMonitorHook);
  return monitor_state::hook_instance.load();
}

bool MonitorListens() {
  if (MonitorFinalizing() || !TraceSwitch()) return false;
  TFIBSQLMonitorHook* hook = MonitorHookInstance();
  return hook != nullptr && hook->Listening();
}

bool MonitorBlockExists() {
  try {
    return platform::SharedMemory::OpenIfExists(kMonitorSharedMemName, monitor_block::kSize) != nullptr;
  } catch (const classlib::EOSError&) {
    return true;  // there, but of another size or out of reach
  }
}

int GetMonitorCount() {
  TFIBSQLMonitorHook* hook = monitor_state::hook_instance.load();
  return hook ? hook->MonitorCount() : 0;
}

}  // namespace fib
