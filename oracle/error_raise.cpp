#include "oracle/error_raise.h"

#include "classlib/exceptions.h"

namespace oracle {

void RaiseOraException(const std::string& message) { throw classlib::Exception(message); }

}  // namespace oracle
