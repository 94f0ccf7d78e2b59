// The raw contents of a variant array as a stream, the way an array given to
// a blob parameter is sent.
#pragma once

#include <cstdint>

namespace classlib {
class TStream;
class Variant;
}  // namespace classlib

namespace fib {

// For a non-empty array of fixed-size elements (numbers, dates, Booleans):
// makes the stream hold exactly the elements' bytes in storage order (all
// dimensions, last fastest), written from position 0, and answers its size. Any other variant (no
// array, an empty one, or elements that are Variants or wide strings, whose
// storage is no data of their own) answers 0 and leaves the stream alone.
int64_t VariantArrayToStream(classlib::Variant& value, classlib::TStream& stream);

}  // namespace fib
