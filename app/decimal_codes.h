// The text form that carries cipher output (any byte, zero included) in text
// columns: every byte as three decimal digits.
#pragma once

#include <string>
#include <string_view>

namespace app {

// "abc" -> "097098099"; three times the length.
std::string StrToDecimalCodes(std::string_view text);

// Reads the codes three characters at a time (fewer at the end). A group that
// is not a decimal number is skipped; a number keeps its low 8 bits, so
// "999" gives byte 231. "097zz1" -> "a".
std::string DecimalCodesToStr(std::string_view codes);

}  // namespace app
