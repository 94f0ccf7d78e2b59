// Runs a piece of code expected to raise E (any library exception by
// default) and returns the message, so a test can compare the exact text.
// Returns "(no exception)" when nothing was raised; any other exception type
// propagates and fails the test.
#pragma once

#include <string>

#include "classlib/exceptions.h"

namespace classlib::testing {

template <class E = classlib::Exception, class F>
std::string MessageOf(F f) {
  try {
    f();
  } catch (const E& e) {
    return e.Message();
  }
  return "(no exception)";
}

}  // namespace classlib::testing
