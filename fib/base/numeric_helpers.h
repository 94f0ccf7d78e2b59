// Small numeric helpers shared by the statement, field and data-set code:
// the scale table of scaled-integer columns, bit masks, decimal rounding and
// random numbers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace fib {

// Scaled-integer columns hold value * 10^-scale with scales -18..18; this is
// the table their factors come from. Other exponents fail an assertion.
constexpr int kMinPowerOfTen = -18;
constexpr int kMaxPowerOfTen = 18;
inline constexpr std::array<double, kMaxPowerOfTen - kMinPowerOfTen + 1> kPowersOfTen = {
    1e-18, 1e-17, 1e-16, 1e-15, 1e-14, 1e-13, 1e-12, 1e-11, 1e-10, 1e-9, 1e-8, 1e-7, 1e-6,
    1e-5,  1e-4,  1e-3,  1e-2,  1e-1,  1e0,   1e1,   1e2,   1e3,   1e4,  1e5,  1e6,  1e7,
    1e8,   1e9,   1e10,  1e11,  1e12,  1e13,  1e14,  1e15,  1e16,  1e17, 1e18};
// Fails the assertion; never returns.
[[noreturn]] void PowerOfTenOutOfRange(int exponent);
// Inline: scaled columns are read with it for every fetched row.
inline double PowerOfTen(int exponent) {
  if (exponent < kMinPowerOfTen || exponent > kMaxPowerOfTen) [[unlikely]]
    PowerOfTenOutOfRange(exponent);
  return kPowersOfTen[static_cast<size_t>(exponent - kMinPowerOfTen)];
}

// value / 10^scale rounded to a double the way the long double quotient
// rounded again to double is (the decimal fields' read). Where value is
// exact in a double and scale is 0..4, one double division gives that very
// result: such a quotient never lies close enough to a point halfway
// between two doubles (within 5^-scale of their spacing / 2^53) for the
// extended rounding to land on it. Inline, since it runs per value read.
double ScaledToDoubleExtended(int64_t value, int scale);
inline double ScaledToDouble(int64_t value, int scale) {
  // -2^53 <= value <= 2^53 and 0 <= scale <= 4, each as one unsigned test.
  constexpr uint64_t kExact = uint64_t{1} << 53;
  if (static_cast<unsigned>(scale) <= 4 && static_cast<uint64_t>(value) + kExact <= 2 * kExact) [[likely]]
    return static_cast<double>(value) / PowerOfTen(scale);
  return ScaledToDoubleExtended(value, scale);
}

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
