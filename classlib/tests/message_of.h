// Runs a piece of code expected to raise E and returns the message, so a test
// can compare the exact text. Returns "(no exception)" when nothing was raised;
// any other exception type propagates and fails the test.
#pragma once

#include <string>

namespace classlib::testing {

template <class E, class F>
std::string MessageOf(F f) {
  try {
    f();
  } catch (const E& e) {
    return e.Message();
  }
  return "(no exception)";
}

}  // namespace classlib::testing
