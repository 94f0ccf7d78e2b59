#include "app/qt_posted_calls.h"

#include <utility>

namespace app {

void TPostedCalls::Post(Call call) {
  {
    std::lock_guard<std::mutex> lock(lock_);
    calls_.push_back(std::move(call));
  }
  // Invoked by name, so no object of ours travels through Qt's queue.
  QMetaObject::invokeMethod(this, "RunNext", Qt::QueuedConnection);
}

void TPostedCalls::RunNext() {
  Call call;
  {
    std::lock_guard<std::mutex> lock(lock_);
    if (calls_.empty()) return;
    call = std::move(calls_.front());
    calls_.pop_front();
  }
  call();
}

}  // namespace app
