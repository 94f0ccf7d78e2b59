// Sessions that work on two threads at once: two pieces of work started at
// the same moment, what each call raised as text, and a short list of what
// went wrong that either thread may add to.
#pragma once

#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "oracle/error_ora.h"

namespace oracle::testing {

// What a call raised, as "code text", or "(none)".
template <class Work>
std::string ErrorOf(Work work) {
  try {
    work();
  } catch (const EOraError& e) {
    return std::to_string(e.ErrorCode()) + " " + e.what();
  } catch (const std::exception& e) {
    return std::string("other: ") + e.what();
  }
  return "(none)";
}

// What went wrong, noted from any thread; keeps the first few only, so a
// fault repeated every round does not flood the failure message.
class WrongNotes {
 public:
  explicit WrongNotes(std::size_t most) : most_(most) {}
  void Note(const std::string& what);
  std::vector<std::string> Taken();

 private:
  std::mutex lock_;
  std::size_t most_;
  std::vector<std::string> notes_;
};

// Runs both on threads of their own, released together so their calls meet,
// and returns when both have ended.
void RunAtOnce(const std::function<void()>& first, const std::function<void()>& second);

}  // namespace oracle::testing
