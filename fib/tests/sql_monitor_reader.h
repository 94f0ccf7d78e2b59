// A monitor program in a child process, for tests of the writer: it attaches
// to the channel, follows the monitor side of the handshake for every chunk
// and reports the chunks to the parent through a pipe.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fib/sql/sql_monitor_layout.h"

namespace fib_test {

struct ReceivedChunk {
  int category = -1;
  double time_stamp = 0;
  std::string text;
};

class ForkedMonitor {
 public:
  // Listener counters the monitor raises on attaching.
  using Categories = std::vector<fib::TraceCategory>;

  // Forks the monitor; it reads until `marker_times` chunks contained
  // `marker` or `seconds` pass. Returns once it is attached.
  ForkedMonitor(Categories categories, std::string marker, int marker_times = 1, int seconds = 15);
  ~ForkedMonitor();
  ForkedMonitor(const ForkedMonitor&) = delete;
  ForkedMonitor& operator=(const ForkedMonitor&) = delete;

  // Waits for the child to end and answers what it read, in order.
  std::vector<ReceivedChunk> Collect();
  // The child's exit status (0 when it saw the marker and detached).
  int ExitStatus() const { return exit_status_; }

 private:
  pid_t pid_ = -1;
  int pipe_ = -1;
  int exit_status_ = -1;
};

// A monitor that attaches and dies without detaching, holding the writers'
// mutex when asked.
void AttachAndDie(const ForkedMonitor::Categories& categories, bool holding_mutex);

// Forks a second writer process that queues `messages` through its own hook
// and ends once they are written.
pid_t ForkWriter(const std::vector<std::pair<fib::TraceCategory, std::string>>& messages);
void WaitForProcess(pid_t pid);

// A writer process that puts `text` in the block, tells the monitors it is
// there and dies before the handshake ends, holding the mutex.
void WriteAndDieMidHandshake(const std::string& text);

// The chunks the concatenated `messages` (category, text) give once escaped
// and cut, each headed by the application header.
std::vector<ReceivedChunk> ExpectedChunks(
    const std::vector<std::pair<fib::TraceCategory, std::string>>& messages);

}  // namespace fib_test
