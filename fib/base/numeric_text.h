// Exact decimal text of 64-bit and scaled 64-bit integers, and of packed
// decimals with a "." whatever the locale says.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "classlib/bcd.h"

namespace fib {

// The exact decimal text over the whole Int64 range.
std::string Int64ToText(int64_t value);

// value * 10^-scale as exact text with the locale's decimal separator (or
// `separator`), trailing fraction zeros dropped: 12340 with scale 2 is
// "123.4", 12300 is "123", -5 with scale 3 is "-0.005". A scale below 1
// gives the integer's own text.
std::string ScaledInt64ToStr(int64_t value, int scale);
std::string ScaledInt64ToStrSep(int scale, char separator, int64_t value);

// True for a non-empty text of only "0" and the locale's decimal separator.
bool IsZeroText(std::string_view text);

// The packed decimal's text with "." as its decimal point.
std::string BCDToPointStr(const classlib::TBcd& bcd);

}  // namespace fib
