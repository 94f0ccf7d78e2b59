// Runs a step on its own thread and ends the whole test program, naming the
// test, when the step outlives its bound: a hang fails fast instead of
// waiting for the test runner's time-out.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace oranet::testing {

inline void RunBounded(std::chrono::milliseconds bound, const std::function<void()>& step) {
  std::mutex m;
  std::condition_variable cv;
  bool done = false;
  std::exception_ptr error;
  std::thread worker([&] {
    try {
      step();
    } catch (...) {
      error = std::current_exception();
    }
    std::lock_guard<std::mutex> lock(m);
    done = true;
    cv.notify_all();
  });
  std::unique_lock<std::mutex> lock(m);
  if (!cv.wait_for(lock, bound, [&] { return done; })) {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::fprintf(stderr, "%s.%s did not finish within %lld ms\n", test ? test->test_suite_name() : "?",
                 test ? test->name() : "?", static_cast<long long>(bound.count()));
    std::fflush(stderr);
    std::_Exit(1);
  }
  lock.unlock();
  worker.join();
  if (error) std::rethrow_exception(error);
}

}  // namespace oranet::testing
