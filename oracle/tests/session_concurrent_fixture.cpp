#include "oracle/tests/session_concurrent_fixture.h"

#include <atomic>
#include <thread>

namespace oracle::testing {

void WrongNotes::Note(const std::string& what) {
  std::lock_guard<std::mutex> guard(lock_);
  if (notes_.size() < most_) notes_.push_back(what);
}

std::vector<std::string> WrongNotes::Taken() {
  std::lock_guard<std::mutex> guard(lock_);
  std::vector<std::string> taken;
  taken.swap(notes_);
  return taken;
}

void RunAtOnce(const std::function<void()>& first, const std::function<void()>& second) {
  std::atomic<int> ready{0};
  auto start_together = [&ready] {
    ++ready;
    while (ready.load() < 2) std::this_thread::yield();
  };
  std::thread one([&] {
    start_together();
    first();
  });
  std::thread two([&] {
    start_together();
    second();
  });
  one.join();
  two.join();
}

}  // namespace oracle::testing
