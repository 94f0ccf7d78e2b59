#include "fib/sql/sql_monitor_channel.h"

#include <atomic>
#include <cstring>

#include "classlib/exceptions.h"
#include "fib/base/errors.h"

namespace fib {

namespace {

using platform::NamedEvent;
using platform::WaitResult;

constexpr int kCannotCreateSharedResource = 54;

}  // namespace

TMonitorChannel::TMonitorChannel() {
  try {
    block_ = std::make_unique<platform::SharedMemory>(kMonitorSharedMemName, monitor_block::kSize);
    mutex_ = std::make_unique<platform::NamedMutex>(kMonitorMutexName);
    write_event_ = std::make_unique<NamedEvent>(kMonitorWriteEventName, NamedEvent::Reset::Manual, false);
    write_finished_event_ =
        std::make_unique<NamedEvent>(kMonitorWriteFinishedEventName, NamedEvent::Reset::Manual, true);
    read_event_ = std::make_unique<NamedEvent>(kMonitorReadEventName, NamedEvent::Reset::Manual, false);
    read_finished_event_ =
        std::make_unique<NamedEvent>(kMonitorReadFinishedEventName, NamedEvent::Reset::Manual, false);
  } catch (const classlib::EOSError& e) {
    RaiseClientError(kCannotCreateSharedResource, {static_cast<int>(e.ErrorCode())});
  }
  data_ = static_cast<unsigned char*>(block_->Data());
  // A fresh block is zeroed; one that existed may carry counters that a
  // monitor killed half-way drove below zero.
  if (Counter(monitor_block::kMonitorCount) < 0) SetCounter(monitor_block::kMonitorCount, 0);
  if (Counter(monitor_block::kReadersPending) < 0) SetCounter(monitor_block::kReadersPending, 0);
}

TMonitorChannel::~TMonitorChannel() = default;

void TMonitorChannel::SetCounter(std::size_t offset, std::int32_t value) {
  auto* cell = reinterpret_cast<std::int32_t*>(data_ + offset);
  std::atomic_ref<std::int32_t>(*cell).store(value);
}

std::int32_t TMonitorChannel::DecreaseCounter(std::size_t offset) {
  auto* cell = reinterpret_cast<std::int32_t*>(data_ + offset);
  std::atomic_ref<std::int32_t> counter(*cell);
  std::int32_t value = counter.load();
  // Monitors change the counters too; only lower what is still positive.
  while (value > 0 && !counter.compare_exchange_weak(value, value - 1)) {
  }
  return value > 0 ? value - 1 : value;
}

int TMonitorChannel::Listeners(TraceCategory category) const {
  return monitor_block::Listeners(data_, category);
}

bool TMonitorChannel::Lock(std::chrono::milliseconds timeout) {
  WaitResult result = mutex_->Lock(timeout);
  if (result == WaitResult::Abandoned) RecoverAbandonedHandshake();
  return result != WaitResult::Timeout;
}

// A writer that died between announcing a chunk and finishing it leaves
// monitors waiting for WriteFinishedEvent, which no one else would set.
void TMonitorChannel::RecoverAbandonedHandshake() {
  write_event_->ResetEvent();
  write_finished_event_->Set();
}

void TMonitorChannel::Unlock() { mutex_->Unlock(); }

void TMonitorChannel::PutChunk(TraceCategory category, double time_stamp, std::string_view chunk) {
  auto length = static_cast<std::int32_t>(std::min(chunk.size(), monitor_block::kChunkSize));
  SetCounter(monitor_block::kCategory, category);
  std::memcpy(data_ + monitor_block::kTimeStamp, &time_stamp, sizeof time_stamp);
  SetCounter(monitor_block::kChunkLength, length);
  std::memcpy(data_ + monitor_block::kText, chunk.data(), static_cast<std::size_t>(length));
}

void TMonitorChannel::EndWriteHandshake() {
  WaitUntilMonitorsReady();
  // ReadEvent is cleared here too: left set, the next chunk would not wait
  // for monitors still busy with this one.
  read_event_->ResetEvent();
  write_finished_event_->ResetEvent();
  read_finished_event_->ResetEvent();
  write_event_->Set();
  WaitUntilChunkRead();
  write_event_->ResetEvent();
  write_finished_event_->Set();
  mutex_->Unlock();
}

// Each monitor that is ready counts itself in the readers-pending counter;
// the one that completes the count sets ReadEvent.
void TMonitorChannel::WaitUntilMonitorsReady() {
  while (read_event_->Wait(kAnswerTimeout) == WaitResult::Timeout) {
    std::int32_t monitors = DecreaseCounter(monitor_block::kMonitorCount);
    // Go on once every monitor still counted is ready. (Comparing with the
    // count before it was lowered would drop a live monitor along with
    // each dead one.)
    if (monitors == 0 || Counter(monitor_block::kReadersPending) >= monitors) read_event_->Set();
  }
}

// Each monitor lowers the readers-pending counter when it has read the
// chunk; the one that brings it to 0 sets ReadFinishedEvent.
void TMonitorChannel::WaitUntilChunkRead() {
  while (read_finished_event_->Wait(kAnswerTimeout) == WaitResult::Timeout) {
    if (DecreaseCounter(monitor_block::kReadersPending) > 0) continue;
    read_finished_event_->Set();
  }
}

}  // namespace fib
