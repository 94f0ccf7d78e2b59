// EDAError: the data-access exception. It carries the server's error number
// and the component whose operation failed, so that error handlers can tell
// a lost connection or a key violation from other failures.
#pragma once

#include <cstdint>
#include <string>

#include "classlib/exceptions.h"

namespace classlib {
class TComponent;
}

namespace dacore {

class EDAError : public classlib::EDatabaseError {
  CLASSLIB_CLASS(EDAError, classlib::EDatabaseError)
 public:
  EDAError(int32_t error_code, std::string message, classlib::TComponent* component = nullptr);

  int32_t ErrorCode() const { return error_code_; }
  // The component whose operation failed, or nullptr; not owned.
  classlib::TComponent* Component() const { return component_; }

 private:
  int32_t error_code_;
  classlib::TComponent* component_;
};

}  // namespace dacore
