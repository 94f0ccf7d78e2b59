// Calls handed from any thread to the thread of one Qt object, where they
// run in the order posted, each as an event of its own among the others.
#pragma once

#include <QObject>
#include <deque>
#include <functional>
#include <mutex>

namespace app {

class TPostedCalls : public QObject {
  Q_OBJECT

 public:
  using Call = std::function<void()>;

  // Lives on the thread that creates it.
  TPostedCalls() = default;

  // Safe from any thread. A call still waiting when the object goes is
  // dropped.
  void Post(Call call);

 private:
  // Runs the oldest posted call; one queued invocation per Post.
  Q_INVOKABLE void RunNext();

  // The calls wait here, under a lock of ours, and Qt's event queue carries
  // only the wake-up: what the posting thread wrote before it posted is
  // then ordered before the call by a lock that ThreadSanitizer sees, which
  // does not see Qt's own (Qt is not built with it).
  std::mutex lock_;
  std::deque<Call> calls_;  // under lock_
};

}  // namespace app
