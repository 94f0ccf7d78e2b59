#include "fib/sql/sql_monitor_writer.h"

#include "classlib/exceptions.h"
#include "fib/sql/sql_monitor_channel.h"
#include "fib/sql/sql_monitor_state.h"
#include "fib/sql/sql_monitor_text.h"

namespace fib {

TMonitorWriterThread::TMonitorWriterThread(TMonitorChannel& channel)
    : classlib::TThread(false), channel_(channel) {}

TMonitorWriterThread::~TMonitorWriterThread() {
  // Execute uses our members: end it before they go. Messages still queued
  // are written first, unless Stop came before.
  Terminate();
  wake_.notify_one();
  try {
    WaitFor();
  } catch (const classlib::EThread&) {
    // Never started: there is nothing to wait for.
  }
}

void TMonitorWriterThread::Enqueue(std::unique_ptr<TFIBTraceObject> message) {
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(message));
  }
  wake_.notify_one();
}

int TMonitorWriterThread::QueuedCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(queue_.size());
}

void TMonitorWriterThread::Stop() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  Terminate();
  wake_.notify_one();
}

bool TMonitorWriterThread::Stopped() const {
  std::lock_guard lock(mutex_);
  return stop_;
}

// Runs until told to end and then on while messages remain, so that what
// was traced before shutting down still reaches the monitors; Stop ends it
// at once.
bool TMonitorWriterThread::KeepRunning() const {
  std::lock_guard lock(mutex_);
  if (stop_) return false;
  return !(Terminated() || MonitorFinalizing()) || !queue_.empty();
}

void TMonitorWriterThread::WaitIdle() {
  std::unique_lock lock(mutex_);
  wake_.wait_for(lock, kIdleWait, [this] { return stop_; });
}

void TMonitorWriterThread::ClearQueue() {
  std::lock_guard lock(mutex_);
  queue_.clear();
}

std::unique_ptr<TFIBTraceObject> TMonitorWriterThread::TakeFirst() {
  std::lock_guard lock(mutex_);
  if (queue_.empty()) return nullptr;
  auto first = std::move(queue_.front());
  queue_.pop_front();
  return first;
}

void TMonitorWriterThread::Execute() {
  while (KeepRunning()) {
    if (channel_.MonitorCount() <= 0) {
      ClearQueue();
      WaitIdle();
      continue;
    }
    std::unique_ptr<TFIBTraceObject> message = TakeFirst();
    if (!message) {
      WaitIdle();
    } else if (TraceSwitch()) {
      WriteToSharedMemory(*message);
    }
    // With tracing switched off the message is dropped unwritten: a
    // handshake over the old block would make monitors read its last chunk
    // again as a new message.
  }
}

bool TMonitorWriterThread::LockUnlessStopped() {
  // Short waits, so that a process that holds the mutex and hangs cannot
  // keep this thread (and the program's shutdown) waiting for ever.
  constexpr std::chrono::milliseconds kSlice{100};
  while (!channel_.Lock(kSlice))
    if (Stopped()) return false;
  return true;
}

// Holds the mutex for the whole message, so chunks of writers in other
// processes never come between its chunks; each chunk's handshake releases
// the extra hold taken for it.
void TMonitorWriterThread::WriteToSharedMemory(const TFIBTraceObject& message) {
  if (!LockUnlessStopped()) return;
  if (channel_.MonitorCount() > 0) {
    std::string escaped = EscapeMonitorText(message.Text());
    for (std::string_view chunk : SplitMonitorChunks(escaped, monitor_block::kChunkSize)) {
      if (Stopped() || !channel_.Lock(std::chrono::milliseconds(0))) break;
      channel_.PutChunk(message.Category(), message.TimeStamp(), chunk);
      channel_.EndWriteHandshake();
    }
  }
  channel_.Unlock();
}

}  // namespace fib
