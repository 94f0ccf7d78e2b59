// Display and edit masks of decimal fields: "#" an optional digit, "0" a
// required one, "," thousands separators wanted, "." the decimal point and
// ";" between the sections for positive, negative and zero values. The
// number comes as text with the locale's decimal separator, so no digit is
// lost on the way through a float.
#pragma once

#include <string>
#include <string_view>

namespace fib {

// The number text laid out by the mask. Text before the first and after the
// last placeholder, and between the integer digits and the decimal point or
// the point and the decimals, is kept as written; the negative section
// supplies its own sign. A number text that is not a plain decimal number
// comes back unchanged. With `no_sections` a ";" is not a section separator.
std::string FormatNumericMask(std::string_view mask, std::string_view number, bool no_sections);

}  // namespace fib
