#include "platform/shared_object.h"

#include <cerrno>
#include <chrono>
#include <ctime>
#include <thread>

#include "classlib/exceptions.h"

namespace platform::shared_object {

namespace {

constexpr std::uint32_t kReady = 0x52454459;  // "REDY"

[[noreturn]] void Fail(const std::string& what, const std::string& name, int code) {
  throw classlib::EOSError(what + " \"" + name + "\" (error " + std::to_string(code) + ")",
                           static_cast<unsigned>(code));
}

}  // namespace

void Publish(Header& header, std::uint32_t kind) {
  header.kind = kind;
  header.ready.store(kReady, std::memory_order_release);
}

void AwaitPublished(const Header& header, std::uint32_t kind, const std::string& name) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (header.ready.load(std::memory_order_acquire) != kReady) {
    // A creator that died before publishing leaves the name unusable
    // until it is removed; say so instead of waiting for ever.
    if (std::chrono::steady_clock::now() > deadline) Fail("Shared object was never initialised:", name, EAGAIN);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (header.kind != kind) Fail("Shared object is of another kind:", name, EINVAL);
}

void InitRobustMutex(pthread_mutex_t& mutex, bool recursive) {
  pthread_mutexattr_t attr;
  pthread_mutexattr_init(&attr);
  pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED);
  pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST);
  pthread_mutexattr_settype(&attr, recursive ? PTHREAD_MUTEX_RECURSIVE : PTHREAD_MUTEX_NORMAL);
  pthread_mutex_init(&mutex, &attr);
  pthread_mutexattr_destroy(&attr);
}

timespec MonotonicDeadline(std::chrono::milliseconds timeout) {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  long long ns = now.tv_nsec + (timeout.count() % 1000) * 1000000LL;
  timespec deadline{};
  deadline.tv_sec = now.tv_sec + static_cast<time_t>(timeout.count() / 1000 + ns / 1000000000LL);
  deadline.tv_nsec = static_cast<long>(ns % 1000000000LL);
  return deadline;
}

WaitResult LockRobust(pthread_mutex_t& mutex, WaitTimeout timeout, const std::string& name) {
  int rc;
  if (timeout) {
    timespec deadline = MonotonicDeadline(std::max(*timeout, std::chrono::milliseconds(0)));
    rc = pthread_mutex_clocklock(&mutex, CLOCK_MONOTONIC, &deadline);
  } else {
    rc = pthread_mutex_lock(&mutex);
  }
  switch (rc) {
    case 0:
      return WaitResult::Signaled;
    case ETIMEDOUT:
      return WaitResult::Timeout;
    case EOWNERDEAD:
      pthread_mutex_consistent(&mutex);
      return WaitResult::Abandoned;
    default:
      Fail("Cannot lock", name, rc);
  }
}

}  // namespace platform::shared_object
