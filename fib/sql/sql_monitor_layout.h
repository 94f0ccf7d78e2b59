// The channel between the layer and SQL monitor programs on the same machine:
// the names of its shared objects and the layout of the shared block. Monitor
// programs rely on every name and offset here, so none of them may change.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace fib {

inline constexpr std::string_view kMonitorSharedMemName = "ZOD.SQL.MONITOR.SharedMem";
inline constexpr std::string_view kMonitorMutexName = "ZOD.SQL.MONITOR.Mutex";
// Manual reset; a monitor ready to read sets it.
inline constexpr std::string_view kMonitorReadEventName = "ZOD.SQL.MONITOR.ReadEvent";
// Manual reset; the writer sets it when a chunk is in the block.
inline constexpr std::string_view kMonitorWriteEventName = "ZOD.SQL.MONITOR.WriteEvent";
// Manual reset; the last monitor to read a chunk sets it.
inline constexpr std::string_view kMonitorReadFinishedEventName = "ZOD.SQL.MONITOR.ReadFinishedEvent";
// Manual reset, initially set; the writer sets it when a chunk is done with.
inline constexpr std::string_view kMonitorWriteFinishedEventName = "ZOD.SQL.MONITOR.WriteFinishedEvent";

// What a trace message is about. Monitors subscribe per category, except
// that service messages go to every monitor.
enum TraceCategory : std::uint8_t {
  tcPrepare = 0,
  tcExecute = 1,
  tcFetch = 2,
  tcConnect = 3,
  tcTransaction = 4,
  tcService = 5,
};

namespace monitor_block {

constexpr std::size_t kSize = 2048;
constexpr std::size_t kChunkSize = 2002;

// Byte offsets of the fields (little-endian).
constexpr std::size_t kText = 0;             // kChunkSize bytes, not terminated
constexpr std::size_t kTimeStamp = 2004;     // double: days since 30 December 1899
constexpr std::size_t kChunkLength = 2032;   // int32, 1..kChunkSize
constexpr std::size_t kCategory = 2036;      // int32, a TraceCategory
constexpr std::size_t kReadersPending = 2040;  // int32
constexpr std::size_t kMonitorCount = 2044;  // int32

// The int32 counter of monitors listening to `category` (tcPrepare ..
// tcTransaction): category 4 at 2012 down to category 0 at 2028.
constexpr std::size_t ListenerCount(TraceCategory category) {
  return 2028 - 4 * static_cast<std::size_t>(category);
}

// A counter of a mapped block. Monitors in other processes change the
// counters: they are read atomically.
inline std::int32_t Counter(const void* block, std::size_t offset) {
  auto* cell = reinterpret_cast<std::int32_t*>(const_cast<char*>(static_cast<const char*>(block) + offset));
  return std::atomic_ref<std::int32_t>(*cell).load();
}

// Monitors listening to `category`; service messages have no counter and
// reach every attached monitor.
inline std::int32_t Listeners(const void* block, TraceCategory category) {
  return Counter(block, category == tcService ? kMonitorCount : ListenerCount(category));
}

}  // namespace monitor_block

}  // namespace fib
