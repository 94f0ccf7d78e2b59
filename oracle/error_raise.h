// The layer's plain failures: its own checks and the fixed messages of
// error_messages.h raise the class library's Exception.
#pragma once

#include <string>

namespace oracle {

[[noreturn]] void RaiseOraException(const std::string& message);

}  // namespace oracle
