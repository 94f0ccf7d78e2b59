// Whether two field or key values are the same, for deciding whether a field
// changed and whether key values match.
#pragma once

#include "classlib/variant.h"

namespace dacore {

// Wide text against wide or ANSI text compares as wide text, ordinally.
// Null equals only Null. Byte arrays equal only byte arrays of the same
// length and bytes. Any other pair is decided by the Variant's equality,
// which compares numbers by value whatever their kinds (1 equals 1.0); a
// pair that does not convert (a number and a text that is none) is unequal.
bool VarEqual(const classlib::Variant& a, const classlib::Variant& b);

}  // namespace dacore
