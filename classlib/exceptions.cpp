#include "classlib/exceptions.h"

#include <cstring>

namespace classlib {

static std::string AssertionText(const std::string& text, const std::string& unit, int line) {
  std::string base = "Assertion failure (" + unit + ", line " + std::to_string(line) + ")";
  return text.empty() ? base : text + " (" + unit + ", line " + std::to_string(line) + ")";
}

EAssertionFailed::EAssertionFailed(const std::string& text, const std::string& unit, int line)
    : Exception(AssertionText(text, unit, line)), unit_(unit), line_(line) {}

void Abort() { throw EAbort(); }

void AssertionFailed(std::string_view text, const char* unit, int line) {
  throw EAssertionFailed(std::string(text), unit, line);
}

void RaiseLastOSError(int code) {
  if (code == 0) throw EOSError("A call to an OS function failed", 0);
  throw EOSError("System Error.  Code: " + std::to_string(code) + ".\n" + std::strerror(code),
                 static_cast<unsigned>(code));
}

}  // namespace classlib
