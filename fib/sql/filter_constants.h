// How the constants of a compiled filter are stored in its literal area, by
// data type. The compiler encodes and the evaluator decodes with the same
// routines, so the two cannot drift apart.
//
//   string, fixed char      the bytes of the text
//   smallint, word          16 bits (signed, unsigned)
//   integer, auto-increment 32 bits
//   boolean                 16 bits, 0 or 1
//   float, currency         a double
//   BCD                     a TBcd
//   date                    32-bit day number (0001-01-01 is day 1)
//   time                    32-bit milliseconds of the day
//   date-time               a double: milliseconds since 0001-01-01
#pragma once

#include <cstdint>
#include <string>

#include "classlib/db_types.h"
#include "classlib/variant.h"

namespace fib {

bool IsFilterConstantType(classlib::TFieldType type);
// The value converted to the data type and laid out as above; conversion
// errors of the class library propagate.
std::string EncodeFilterConstant(classlib::TFieldType type, const classlib::Variant& value);
// The value of a stored constant: texts, integers, Booleans, doubles, BCD as
// a Currency, and the three date kinds as date-times. A type this format
// does not know or a size that does not fit it is a malformed filter.
classlib::Variant DecodeFilterConstant(classlib::TFieldType type, const uint8_t* data,
                                       uint16_t size);

}  // namespace fib
