// The user-interface thread's message loop as libraries see it: calls posted
// from any thread, interval timers, "process pending messages" and a quit
// request. Libraries use the process-wide current loop; the plain loop serves
// libraries and tests, the updater installs one backed by its window system.
#pragma once

#include <functional>

namespace platform {

class MessageLoop {
 public:
  using Callback = std::function<void()>;
  using TimerId = unsigned;

  virtual ~MessageLoop() = default;

  // Queues a call to run on the loop's thread; callable from any thread.
  virtual void Post(Callback call) = 0;

  // Calls `on_timer` on the loop's thread every `interval_ms` until killed.
  // Returns the timer's id (never 0); raises EOutOfResources
  // "Not enough timers available" when no timer can be made.
  virtual TimerId SetTimer(unsigned interval_ms, Callback on_timer) = 0;
  // False when there is no such timer. Safe inside the timer's own callback.
  virtual bool KillTimer(TimerId id) = 0;

  // Runs the calls posted so far and the timers that are due; never blocks.
  virtual void ProcessMessages() = 0;

  virtual void RequestQuit() = 0;
  virtual bool QuitRequested() const = 0;

  // The process-wide loop. Until one is installed, a plain loop on the
  // steady clock is made on first use.
  static MessageLoop& Current();
  // Installs `loop` (not owned) as the current loop; nullptr returns to the
  // built-in plain loop.
  static void SetCurrent(MessageLoop* loop);
};

}  // namespace platform
