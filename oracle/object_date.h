// The client's date form (OCIDate) in object attributes and collection
// elements, to and from the class library's date-time.
#pragma once

#include "classlib/datetime.h"
#include "oracle/oci_defs.h"

namespace oracle {

// False when the parts do not make a valid date and time.
bool TryOciDateToDateTime(const OCIDate& date, classlib::TDateTime& value);
// Milliseconds are dropped: the form holds whole seconds.
OCIDate OciDateOf(classlib::TDateTime value);

}  // namespace oracle
