// Small numeric helpers shared by the statement, field and data-set code:
// the scale table of scaled-integer columns, bit masks, decimal rounding and
// random numbers.
#pragma once

#include <cstdint>
#include <string>

namespace fib {

// Scaled-integer columns hold value * 10^-scale with scales -18..18; this is
// the table their factors come from. Other exponents fail an assertion.
constexpr int kMinPowerOfTen = -18;
constexpr int kMaxPowerOfTen = 18;
double PowerOfTen(int exponent);

// The mask of bit `index` (0..7) of a byte.
uint8_t BitMask(int index);
// `byte` with that bit set (on) or cleared.
uint8_t SetBitInByte(uint8_t byte, int index, bool on);

// value rounded to `digits` decimals, halves to the even neighbour. With
// decimals only the fraction is scaled, so the integer part loses nothing;
// digits <= 0 round to units, tens, ...
long double RoundToDecimals(long double value, int digits);

// low + a random number in [0, high - low); `low` when high <= low. The
// generator is seeded once, on first use.
int64_t RandomInRange(int64_t low, int64_t high);
// `length` random decimal digits (cursor names are made of them).
std::string RandomDigits(int length);

}  // namespace fib
