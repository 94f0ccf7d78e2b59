// The exception hierarchy of the class library. Every error the libraries
// raise derives from Exception, which carries a message and, through the
// object model, its class name (messages and logs print both).
#pragma once

#include <exception>
#include <string>
#include <string_view>

#include "classlib/object.h"

namespace classlib {

class Exception : public std::exception, public TObject {
  CLASSLIB_CLASS(Exception, TObject)
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}

  const std::string& Message() const { return message_; }
  void SetMessage(std::string message) { message_ = std::move(message); }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

// The silent exception: handlers that show errors ignore it.
class EAbort : public Exception {
  CLASSLIB_CLASS(EAbort, Exception)
 public:
  explicit EAbort(std::string message = "Operation aborted") : Exception(std::move(message)) {}
};

#define CLASSLIB_EXCEPTION(Name, Parent)                               \
  class Name : public Parent {                                         \
    CLASSLIB_CLASS(Name, Parent)                                       \
   public:                                                             \
    explicit Name(std::string message) : Parent(std::move(message)) {} \
  };

CLASSLIB_EXCEPTION(EConvertError, Exception)
CLASSLIB_EXCEPTION(EDatabaseError, Exception)
CLASSLIB_EXCEPTION(EOutOfResources, Exception)
CLASSLIB_EXCEPTION(EListError, Exception)
CLASSLIB_EXCEPTION(EVariantError, Exception)
CLASSLIB_EXCEPTION(ERangeError, Exception)
CLASSLIB_EXCEPTION(EInOutError, Exception)
CLASSLIB_EXCEPTION(EStreamError, Exception)
CLASSLIB_EXCEPTION(EReadError, EStreamError)
CLASSLIB_EXCEPTION(EWriteError, EStreamError)
CLASSLIB_EXCEPTION(EFOpenError, EStreamError)
CLASSLIB_EXCEPTION(EFCreateError, EStreamError)
CLASSLIB_EXCEPTION(EInvalidOperation, Exception)
CLASSLIB_EXCEPTION(EInvalidPointer, Exception)
CLASSLIB_EXCEPTION(EComponentError, Exception)
CLASSLIB_EXCEPTION(EThread, Exception)

// An operating-system call failed; ErrorCode() is the system's error number.
class EOSError : public Exception {
  CLASSLIB_CLASS(EOSError, Exception)
 public:
  EOSError(std::string message, unsigned error_code)
      : Exception(std::move(message)), error_code_(error_code) {}
  unsigned ErrorCode() const { return error_code_; }

 private:
  unsigned error_code_;
};

// An internal consistency check failed. The message is the platform's:
// "Assertion failure (<unit>, line <n>)", optionally preceded by a text.
class EAssertionFailed : public Exception {
  CLASSLIB_CLASS(EAssertionFailed, Exception)
 public:
  EAssertionFailed(const std::string& text, const std::string& unit, int line);
  const std::string& Unit() const { return unit_; }
  int Line() const { return line_; }

 private:
  std::string unit_;
  int line_;
};

// Raises the silent EAbort.
[[noreturn]] void Abort();

// Raises EAssertionFailed naming the unit and line.
[[noreturn]] void AssertionFailed(std::string_view text, const char* unit, int line);

// Raises EAssertionFailed naming the unit and line when cond is false.
// Inline and taking a view, so that a check that holds costs a test, not a
// call and a string (checks sit on paths that run for every value read).
inline void Assert(bool cond, const char* unit, int line, std::string_view text = {}) {
  if (!cond) [[unlikely]] AssertionFailed(text, unit, line);
}

// Every library's internal checks name their own source file and line.
#define CLASSLIB_ASSERT(cond) ::classlib::Assert((cond), __FILE__, __LINE__)

// Raises the system error of errno-style code `code` as EOSError.
[[noreturn]] void RaiseLastOSError(int code);

}  // namespace classlib
