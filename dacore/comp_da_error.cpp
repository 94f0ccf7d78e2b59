#include "dacore/comp_da_error.h"

namespace dacore {

EDAError::EDAError(int32_t error_code, std::string message, classlib::TComponent* component)
    : EDatabaseError(std::move(message)), error_code_(error_code), component_(component) {}

}  // namespace dacore
