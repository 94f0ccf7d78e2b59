#include "oranet/net_errors.h"

namespace oranet {

ENetError::ENetError(int code) : classlib::Exception("Net error " + std::to_string(code)), code_(code) {}

ENetUnknownError::ENetUnknownError(int code)
    : classlib::Exception("Unknown error " + std::to_string(code)), code_(code) {}

EInternalError::EInternalError(int errorNumber)
    : classlib::Exception("Server error " + std::to_string(errorNumber) + " after a break"),
      error_number_(errorNumber) {}

}  // namespace oranet
