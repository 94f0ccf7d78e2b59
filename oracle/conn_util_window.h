// The utility window: a queue of messages that background threads post and
// the main thread handles, standing where the hidden utility window of the
// connection stands. Posting hands one "run the queue" call to the current
// platform message loop, so the messages are handled on the loop's thread,
// in the order posted, when it processes its messages.
//
// Message 1024 reports the end of a background execution (its wparam is the
// TExecThread); other messages go to the process-wide handler registered
// for their number (1028 fetch ended, 1029 change notification).
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace oracle {

inline constexpr uint32_t kWmExecEnded = 1024;  // WM_USER
inline constexpr uint32_t kWmFetchEnded = 1028;
inline constexpr uint32_t kWmChangeNotify = 1029;

struct TUtilMessage {
  uint32_t Message;
  uintptr_t WParam;
  uintptr_t LParam;
};

using TUtilMessageHandler = std::function<void(uintptr_t wparam, uintptr_t lparam)>;

// Registers the handler of a message number for every utility window (an
// empty handler removes it). Messages without a handler are dropped.
void SetUtilMessageHandler(uint32_t message, TUtilMessageHandler handler);

class TUtilWindow {
 public:
  TUtilWindow();
  // Pending exec-ended messages free their threads; the rest are dropped.
  ~TUtilWindow();
  TUtilWindow(const TUtilWindow&) = delete;
  TUtilWindow& operator=(const TUtilWindow&) = delete;

  // From any thread.
  void Post(uint32_t message, uintptr_t wparam, uintptr_t lparam);
  // Handles the pending messages now, on the calling thread (the main
  // thread). An exception of a handler ends the run; the messages after it
  // stay queued.
  void ProcessMessages();
  // Handles the first pending message of that number and wparam (any wparam
  // when wparam is 0); whether there was one.
  bool DispatchOne(uint32_t message, uintptr_t wparam = 0);
  // Drops the first pending message of that number and wparam; whether
  // there was one.
  bool RemoveMessage(uint32_t message, uintptr_t wparam);
  // Takes the first pending message of that number and wparam out of the
  // queue without handling it, for a caller that frees what it carries.
  bool TakeMessage(uint32_t message, uintptr_t wparam, TUtilMessage& taken) {
    return TakeFirst(message, wparam, taken);
  }
  int PendingCount();

 private:
  struct Queue {
    std::mutex lock;
    std::deque<TUtilMessage> messages;
  };

  static void Handle(const TUtilMessage& message);
  bool TakeFirst(uint32_t message, uintptr_t wparam, TUtilMessage& taken);

  // Shared with the calls posted to the message loop, which may run after
  // the window is gone.
  std::shared_ptr<Queue> queue_;
};

}  // namespace oracle
