// A TNS peer for benchmarks: it answers the n-th packet of each connection
// with the n-th prebuilt answer, without looking at what came, and keeps the
// packets of the last connection, so that another client can send the same
// requests again. It serves one connection at a time on its own thread
// until it is destroyed.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "dacore/util_bytes.h"
#include "platform/socket_io.h"

namespace oranet::bench {

class TReplayServer {
 public:
  // answers[n]: the bytes (whole packets) sent after the n-th packet.
  explicit TReplayServer(std::vector<dacore::TBytes> answers);
  ~TReplayServer();
  TReplayServer(const TReplayServer&) = delete;
  TReplayServer& operator=(const TReplayServer&) = delete;

  int Port() const { return port_; }
  const std::vector<dacore::TBytes>& Answers() const { return answers_; }
  // The packets of the last connection that ended, in order: those that
  // were answered first, then any that came after the last answer.
  std::vector<dacore::TBytes> LastRequests() const;

 private:
  void Serve();
  void ServeConnection(int fd);

  std::vector<dacore::TBytes> answers_;
  int port_ = 0;
  platform::socket_io::Fd listener_;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::vector<dacore::TBytes> last_requests_;
  std::thread thread_;
};

// Takes the n-th answer, whole; false ends the replay as failed.
using TAnswerSink = std::function<bool(size_t n, std::span<const uint8_t> answer)>;

// A client that sends `requests` in order over a new connection to `port`:
// after the n-th it reads the size of answers[n] and drops it, or hands it
// to `answered` when given; the rest go out unanswered before it closes.
// False when the peer closed early or `answered` refused an answer.
bool ReplayRequests(int port, const std::vector<dacore::TBytes>& requests, const std::vector<dacore::TBytes>& answers,
                    const TAnswerSink& answered = {});

}  // namespace oranet::bench
