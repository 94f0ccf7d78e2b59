// The functions a filter expression may call: DAY, MONTH, YEAR, HOUR,
// MINUTE, SECOND, DATE, GETDATE, UPPER, LOWER, TRIM, TRIMLEFT, TRIMRIGHT
// and SUBSTRING.
#pragma once

#include <functional>
#include <string>

#include "classlib/datetime.h"
#include "classlib/variant.h"

namespace fib {

// Reads a date-time from a text written in the given short date format.
using TFilterDateFunc =
    std::function<classlib::TDateTime(const std::string& text, const std::string& format)>;

// Calls the function `name` (any case) with its argument: nullptr for a
// call without one, a single value, or a variant array for a list. A null
// argument gives null. Unknown names and wrong argument forms raise
// EDatabaseError "Expression expected but <name> found".
classlib::Variant CallFilterFunction(const std::string& name, const classlib::Variant* argument,
                                     const TFilterDateFunc& date_func);

}  // namespace fib
