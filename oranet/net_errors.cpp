#include "oranet/net_errors.h"

namespace oranet {

ENetError::ENetError(int code) : classlib::Exception("Net error " + std::to_string(code)), code_(code) {}

ENetUnknownError::ENetUnknownError(int code)
    : classlib::Exception("Unknown error " + std::to_string(code)), code_(code) {}

EInternalError::EInternalError(int errorNumber, bool breakSent)
    : classlib::Exception("Server error " + std::to_string(errorNumber) + " after a break"),
      error_number_(errorNumber),
      break_sent_(breakSent) {}

}  // namespace oranet
