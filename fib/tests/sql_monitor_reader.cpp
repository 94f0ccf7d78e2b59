#include "fib/tests/sql_monitor_reader.h"

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>

#include "fib/sql/sql_monitor_text.h"
#include "fib/sql/sql_trace_hook.h"
#include "platform/named_event.h"
#include "platform/named_mutex.h"
#include "platform/shared_memory.h"

namespace fib_test {

namespace {

using namespace fib;
using platform::NamedEvent;
using platform::WaitResult;
namespace block = fib::monitor_block;

std::atomic_ref<std::int32_t> Cell(void* data, std::size_t offset) {
  return std::atomic_ref<std::int32_t>(*reinterpret_cast<std::int32_t*>(static_cast<char*>(data) + offset));
}

// The monitor's view of the channel; it opens what the writer created.
struct MonitorSide {
  platform::SharedMemory memory{kMonitorSharedMemName, block::kSize};
  platform::NamedMutex mutex{kMonitorMutexName};
  NamedEvent write_event{kMonitorWriteEventName, NamedEvent::Reset::Manual, false};
  NamedEvent write_finished{kMonitorWriteFinishedEventName, NamedEvent::Reset::Manual, true};
  NamedEvent read_event{kMonitorReadEventName, NamedEvent::Reset::Manual, false};
  NamedEvent read_finished{kMonitorReadFinishedEventName, NamedEvent::Reset::Manual, false};

  void Attach(const ForkedMonitor::Categories& categories, int delta) {
    if (mutex.Lock(std::chrono::seconds(5)) == WaitResult::Timeout) _exit(3);
    Cell(memory.Data(), block::kMonitorCount) += delta;
    for (TraceCategory c : categories) Cell(memory.Data(), block::ListenerCount(c)) += delta;
  }
};

void WriteAll(int fd, const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = write(fd, p, size);
    if (n <= 0) _exit(4);
    p += n;
    size -= static_cast<std::size_t>(n);
  }
}

bool ReadAll(int fd, void* data, std::size_t size) {
  char* p = static_cast<char*>(data);
  while (size > 0) {
    ssize_t n = read(fd, p, size);
    if (n <= 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// One round of the monitor side of the handshake: declare itself ready,
// read the chunk when the writer says it is there, say it has read it.
// Once counted as ready it waits for the chunk as long as it runs at all.
bool ReadOneChunk(MonitorSide& side, ReceivedChunk& chunk, std::chrono::steady_clock::time_point deadline) {
  void* data = side.memory.Data();
  if (side.write_finished.Wait(std::chrono::milliseconds(200)) == WaitResult::Timeout) return false;
  auto pending = Cell(data, block::kReadersPending);
  if (pending.fetch_add(1) + 1 >= Cell(data, block::kMonitorCount).load()) side.read_event.Set();
  while (side.write_event.Wait(std::chrono::milliseconds(200)) == WaitResult::Timeout)
    if (std::chrono::steady_clock::now() > deadline) return false;
  const char* bytes = static_cast<const char*>(data);
  chunk.category = Cell(data, block::kCategory).load();
  std::memcpy(&chunk.time_stamp, bytes + block::kTimeStamp, sizeof chunk.time_stamp);
  std::int32_t length = Cell(data, block::kChunkLength).load();
  if (length < 1 || length > static_cast<std::int32_t>(block::kChunkSize)) _exit(5);
  chunk.text.assign(bytes + block::kText, static_cast<std::size_t>(length));
  if (pending.fetch_sub(1) - 1 <= 0) side.read_finished.Set();
  return true;
}

[[noreturn]] void RunMonitor(int ready_fd, int out_fd, const ForkedMonitor::Categories& categories,
                             const std::string& marker, int marker_times, int seconds) {
  MonitorSide side;
  side.Attach(categories, +1);
  side.mutex.Unlock();
  WriteAll(ready_fd, "R", 1);
  close(ready_fd);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  int seen = 0;
  while (seen < marker_times && std::chrono::steady_clock::now() < deadline) {
    ReceivedChunk chunk;
    if (!ReadOneChunk(side, chunk, deadline)) continue;
    std::int32_t size = static_cast<std::int32_t>(chunk.text.size());
    WriteAll(out_fd, &chunk.category, sizeof chunk.category);
    WriteAll(out_fd, &chunk.time_stamp, sizeof chunk.time_stamp);
    WriteAll(out_fd, &size, sizeof size);
    WriteAll(out_fd, chunk.text.data(), chunk.text.size());
    if (chunk.text.find(marker) != std::string::npos) ++seen;
  }
  side.Attach(categories, -1);
  side.mutex.Unlock();
  // _exit: the parent's static objects (the process's hook) are not ours.
  _exit(seen == marker_times ? 0 : 1);
}

}  // namespace

ForkedMonitor::ForkedMonitor(Categories categories, std::string marker, int marker_times, int seconds) {
  int ready[2];
  int out[2];
  if (pipe(ready) != 0 || pipe(out) != 0) std::abort();
  pid_ = fork();
  if (pid_ == 0) {
    close(ready[0]);
    close(out[0]);
    RunMonitor(ready[1], out[1], categories, marker, marker_times, seconds);
  }
  close(ready[1]);
  close(out[1]);
  pipe_ = out[0];
  char byte = 0;
  ReadAll(ready[0], &byte, 1);
  close(ready[0]);
}

ForkedMonitor::~ForkedMonitor() {
  if (pid_ > 0 && exit_status_ < 0) Collect();
}

std::vector<ReceivedChunk> ForkedMonitor::Collect() {
  std::vector<ReceivedChunk> chunks;
  for (;;) {
    ReceivedChunk chunk;
    std::int32_t size = 0;
    if (!ReadAll(pipe_, &chunk.category, sizeof chunk.category)) break;
    if (!ReadAll(pipe_, &chunk.time_stamp, sizeof chunk.time_stamp)) break;
    if (!ReadAll(pipe_, &size, sizeof size)) break;
    chunk.text.resize(static_cast<std::size_t>(size));
    if (!ReadAll(pipe_, chunk.text.data(), chunk.text.size())) break;
    chunks.push_back(std::move(chunk));
  }
  close(pipe_);
  int status = 0;
  waitpid(pid_, &status, 0);
  exit_status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
  return chunks;
}

void AttachAndDie(const ForkedMonitor::Categories& categories, bool holding_mutex) {
  pid_t pid = fork();
  if (pid == 0) {
    MonitorSide side;
    side.Attach(categories, +1);
    if (!holding_mutex) side.mutex.Unlock();
    _exit(0);
  }
  WaitForProcess(pid);
}

pid_t ForkWriter(const std::vector<std::pair<TraceCategory, std::string>>& messages) {
  pid_t pid = fork();
  if (pid == 0) {
    {
      TFIBSQLMonitorHook hook;
      for (const auto& [category, text] : messages) hook.QueueTraceText(text, category);
    }  // the hook's end waits until the writer has passed everything on
    _exit(0);
  }
  return pid;
}

void WriteAndDieMidHandshake(const std::string& text) {
  pid_t pid = fork();
  if (pid == 0) {
    MonitorSide side;
    if (side.mutex.Lock(std::chrono::seconds(5)) == WaitResult::Timeout) _exit(3);
    void* data = side.memory.Data();
    Cell(data, block::kCategory).store(tcExecute);
    Cell(data, block::kChunkLength).store(static_cast<std::int32_t>(text.size()));
    std::memcpy(static_cast<char*>(data) + block::kText, text.data(), text.size());
    if (side.read_event.Wait(std::chrono::seconds(5)) == WaitResult::Timeout) _exit(6);
    side.read_event.ResetEvent();
    side.write_finished.ResetEvent();
    side.read_finished.ResetEvent();
    side.write_event.Set();
    // Wait until the monitor has read it, then die without finishing.
    if (side.read_finished.Wait(std::chrono::seconds(5)) == WaitResult::Timeout) _exit(7);
    _exit(0);
  }
  WaitForProcess(pid);
}

void WaitForProcess(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
}

std::vector<ReceivedChunk> ExpectedChunks(
    const std::vector<std::pair<TraceCategory, std::string>>& messages) {
  std::vector<ReceivedChunk> chunks;
  for (const auto& [category, text] : messages) {
    std::string escaped = EscapeMonitorText(ApplicationHeader() + text);
    for (std::string_view piece : SplitMonitorChunks(escaped, block::kChunkSize))
      chunks.push_back({category, 0, std::string(piece)});
  }
  return chunks;
}

}  // namespace fib_test
