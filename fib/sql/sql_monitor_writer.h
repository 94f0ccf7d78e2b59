// The thread that hands queued trace messages to the monitors. Producers
// only append to its queue; it alone writes the shared block, one message at
// a time, so the messages of a process reach the monitors in queue order.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "classlib/datetime.h"
#include "classlib/object.h"
#include "classlib/thread.h"
#include "fib/sql/sql_monitor_layout.h"

namespace fib {

class TMonitorChannel;

// One queued message: its text, category and the local time it was queued.
class TFIBTraceObject : public classlib::TObject {
  CLASSLIB_CLASS(TFIBTraceObject, classlib::TObject)
 public:
  TFIBTraceObject(std::string text, TraceCategory category, classlib::TDateTime time_stamp)
      : text_(std::move(text)), category_(category), time_stamp_(time_stamp) {}

  const std::string& Text() const { return text_; }
  TraceCategory Category() const { return category_; }
  classlib::TDateTime TimeStamp() const { return time_stamp_; }

 private:
  std::string text_;
  TraceCategory category_;
  classlib::TDateTime time_stamp_;
};

class TMonitorWriterThread : public classlib::TThread {
  CLASSLIB_CLASS(TMonitorWriterThread, classlib::TThread)
 public:
  // How long the thread waits when there is nothing to write.
  static constexpr std::chrono::milliseconds kIdleWait{50};

  // Starts at once (through classlib::NewThread); the channel must outlive it.
  explicit TMonitorWriterThread(TMonitorChannel& channel);
  // Ends the thread and waits for it: it writes out what is queued first,
  // unless Stop came before.
  ~TMonitorWriterThread() override;

  void Enqueue(std::unique_ptr<TFIBTraceObject> message);
  int QueuedCount() const;
  // Ends the thread at once, whatever is still queued. Terminate instead
  // lets it write the queue out first.
  void Stop();

 protected:
  void Execute() override;

 private:
  bool Stopped() const;
  bool KeepRunning() const;
  void WaitIdle();
  void ClearQueue();
  std::unique_ptr<TFIBTraceObject> TakeFirst();
  void WriteToSharedMemory(const TFIBTraceObject& message);
  bool LockUnlessStopped();

  TMonitorChannel& channel_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::unique_ptr<TFIBTraceObject>> queue_;
  bool stop_ = false;
};

}  // namespace fib
