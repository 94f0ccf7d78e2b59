#include "platform/message_loop.h"

#include <atomic>

#include "platform/plain_message_loop.h"

namespace platform {

namespace {

std::atomic<MessageLoop*> installed{nullptr};

MessageLoop& BuiltInLoop() {
  static PlainMessageLoop loop;
  return loop;
}

}  // namespace

MessageLoop& MessageLoop::Current() {
  MessageLoop* loop = installed.load();
  return loop ? *loop : BuiltInLoop();
}

void MessageLoop::SetCurrent(MessageLoop* loop) { installed.store(loop); }

}  // namespace platform
