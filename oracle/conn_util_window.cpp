// The utility window's queue and its dispatch.
#include "oracle/conn_util_window.h"

#include <map>

#include "oracle/conn_exec_thread.h"
#include "platform/message_loop.h"

namespace oracle {

namespace {

std::mutex& HandlersLock() {
  static std::mutex lock;
  return lock;
}

std::map<uint32_t, TUtilMessageHandler>& Handlers() {
  static std::map<uint32_t, TUtilMessageHandler> handlers;
  return handlers;
}

}  // namespace

void SetUtilMessageHandler(uint32_t message, TUtilMessageHandler handler) {
  std::lock_guard<std::mutex> guard(HandlersLock());
  if (handler)
    Handlers()[message] = std::move(handler);
  else
    Handlers().erase(message);
}

TUtilWindow::TUtilWindow() : queue_(std::make_shared<Queue>()) {}

TUtilWindow::~TUtilWindow() {
  std::deque<TUtilMessage> left;
  {
    std::lock_guard<std::mutex> guard(queue_->lock);
    left.swap(queue_->messages);
  }
  for (const TUtilMessage& message : left)
    if (message.Message == kWmExecEnded) delete reinterpret_cast<TExecThread*>(message.WParam);
}

void TUtilWindow::Post(uint32_t message, uintptr_t wparam, uintptr_t lparam) {
  std::weak_ptr<Queue> weak = queue_;
  // The loop's call is posted under the queue's lock, so that a message seen
  // pending always has its call waiting in the loop: a main thread that saw
  // it and runs the loop then handles it. (The loop runs its calls without
  // its own lock held, so the order of the two locks cannot invert.)
  std::lock_guard<std::mutex> guard(queue_->lock);
  queue_->messages.push_back({message, wparam, lparam});
  platform::MessageLoop::Current().Post([weak] {
    std::shared_ptr<Queue> queue = weak.lock();
    if (!queue) return;
    // One message for each post: a message taken earlier by DispatchOne or
    // ProcessMessages leaves this call nothing to do.
    TUtilMessage message{};
    {
      std::lock_guard<std::mutex> guard(queue->lock);
      if (queue->messages.empty()) return;
      message = queue->messages.front();
      queue->messages.pop_front();
    }
    Handle(message);
  });
}

void TUtilWindow::Handle(const TUtilMessage& message) {
  if (message.Message == kWmExecEnded) {
    TExecThread::HandleEnded(reinterpret_cast<TExecThread*>(message.WParam));
    return;
  }
  TUtilMessageHandler handler;
  {
    std::lock_guard<std::mutex> guard(HandlersLock());
    auto found = Handlers().find(message.Message);
    if (found == Handlers().end()) return;
    handler = found->second;
  }
  handler(message.WParam, message.LParam);
}

bool TUtilWindow::TakeFirst(uint32_t message, uintptr_t wparam, TUtilMessage& taken) {
  std::lock_guard<std::mutex> guard(queue_->lock);
  for (auto it = queue_->messages.begin(); it != queue_->messages.end(); ++it) {
    if (it->Message != message || (wparam != 0 && it->WParam != wparam)) continue;
    taken = *it;
    queue_->messages.erase(it);
    return true;
  }
  return false;
}

void TUtilWindow::ProcessMessages() {
  for (;;) {
    TUtilMessage message{};
    {
      std::lock_guard<std::mutex> guard(queue_->lock);
      if (queue_->messages.empty()) return;
      message = queue_->messages.front();
      queue_->messages.pop_front();
    }
    Handle(message);
  }
}

bool TUtilWindow::DispatchOne(uint32_t message, uintptr_t wparam) {
  TUtilMessage taken{};
  if (!TakeFirst(message, wparam, taken)) return false;
  Handle(taken);
  return true;
}

bool TUtilWindow::RemoveMessage(uint32_t message, uintptr_t wparam) {
  TUtilMessage taken{};
  return TakeFirst(message, wparam, taken);
}

int TUtilWindow::PendingCount() {
  std::lock_guard<std::mutex> guard(queue_->lock);
  return static_cast<int>(queue_->messages.size());
}

}  // namespace oracle
