// The writer's end of the channel to SQL monitor programs: the shared block,
// the mutex that serialises writers of all processes, and the four events of
// the handshake by which every attached monitor reads each chunk.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string_view>

#include "fib/sql/sql_monitor_layout.h"
#include "platform/named_event.h"
#include "platform/named_mutex.h"
#include "platform/shared_memory.h"

namespace fib {

class TMonitorChannel {
 public:
  // How long a handshake step waits before it presumes a monitor gone.
  static constexpr std::chrono::milliseconds kAnswerTimeout{1000};

  // Creates the shared objects, or opens them when another process already
  // did; counters left negative by a dead monitor are set to 0. Raises
  // client error 54 with the system's error code on failure.
  TMonitorChannel();
  ~TMonitorChannel();
  TMonitorChannel(const TMonitorChannel&) = delete;
  TMonitorChannel& operator=(const TMonitorChannel&) = delete;

  int MonitorCount() const { return Counter(monitor_block::kMonitorCount); }
  // The mapped block, for readers of its counters.
  const unsigned char* Data() const { return data_; }
  // The shared counter MonitorCount reads, for readers that keep its
  // address; it lives as long as the channel.
  std::int32_t* MonitorCountCell() const {
    return reinterpret_cast<std::int32_t*>(data_ + monitor_block::kMonitorCount);
  }
  // Monitors listening to `category`; service messages have no counter and
  // count every attached monitor.
  int Listeners(TraceCategory category) const;

  // Waits for the writers' mutex at most `timeout`. A monitor or writer that
  // died holding it leaves it abandoned; we then hold it like any other time,
  // so a dead process never blocks the writers, and put the events back to
  // where a finished chunk leaves them. True when held.
  bool Lock(std::chrono::milliseconds timeout);
  void Unlock();

  // Holding the mutex: puts one chunk (1..2002 bytes) in the block.
  void PutChunk(TraceCategory category, double time_stamp, std::string_view chunk);
  // Holding the mutex: waits until the monitors have read the chunk, then
  // releases one hold of the mutex. A monitor that does not answer within
  // kAnswerTimeout is presumed gone and no longer waited for.
  void EndWriteHandshake();

 private:
  std::int32_t Counter(std::size_t offset) const { return monitor_block::Counter(data_, offset); }
  void SetCounter(std::size_t offset, std::int32_t value);
  // Lowers the counter by one when it is above 0; answers the new value.
  std::int32_t DecreaseCounter(std::size_t offset);
  void RecoverAbandonedHandshake();
  void WaitUntilMonitorsReady();
  void WaitUntilChunkRead();

  std::unique_ptr<platform::SharedMemory> block_;
  std::unique_ptr<platform::NamedMutex> mutex_;
  std::unique_ptr<platform::NamedEvent> write_event_;
  std::unique_ptr<platform::NamedEvent> write_finished_event_;
  std::unique_ptr<platform::NamedEvent> read_event_;
  std::unique_ptr<platform::NamedEvent> read_finished_event_;
  unsigned char* data_ = nullptr;
};

}  // namespace fib
