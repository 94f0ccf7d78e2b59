#include "fib/numeric_helpers.h"

#include <array>
#include <cmath>
#include <mutex>

#include "classlib/currency.h"
#include "classlib/exceptions.h"

namespace fib {

namespace {

constexpr std::array<double, kMaxPowerOfTen - kMinPowerOfTen + 1> kPowersOfTen = {
    1e-18, 1e-17, 1e-16, 1e-15, 1e-14, 1e-13, 1e-12, 1e-11, 1e-10, 1e-9, 1e-8, 1e-7, 1e-6,
    1e-5,  1e-4,  1e-3,  1e-2,  1e-1,  1e0,   1e1,   1e2,   1e3,   1e4,  1e5,  1e6,  1e7,
    1e8,   1e9,   1e10,  1e11,  1e12,  1e13,  1e14,  1e15,  1e16,  1e17, 1e18};

void SeedOnce() {
  static std::once_flag seeded;
  std::call_once(seeded, [] { classlib::Randomize(); });
}

}  // namespace

double PowerOfTen(int exponent) {
  CLASSLIB_ASSERT(exponent >= kMinPowerOfTen && exponent <= kMaxPowerOfTen);
  return kPowersOfTen[static_cast<size_t>(exponent - kMinPowerOfTen)];
}

uint8_t BitMask(int index) {
  CLASSLIB_ASSERT(index >= 0 && index <= 7);
  return static_cast<uint8_t>(1u << index);
}

uint8_t SetBitInByte(uint8_t byte, int index, bool on) {
  uint8_t mask = BitMask(index);
  return static_cast<uint8_t>(on ? byte | mask : byte & ~mask);
}

long double RoundToDecimals(long double value, int digits) {
  long double scale = std::pow(10.0L, digits);
  // nearbyint follows the current rounding mode, round-to-nearest-even.
  // Rounding to whole units (or tens) scales nothing up, so the value is
  // rounded as a whole: its fraction alone would send every half to 0, not
  // to the even neighbour (3.5 must give 4).
  if (digits <= 0) return std::nearbyint(value * scale) / scale;
  // Decimals are rounded on the fraction alone, so a large integer part
  // loses no precision to the scaling.
  long double whole = std::trunc(value);
  return whole + std::nearbyint((value - whole) * scale) / scale;
}

int64_t RandomInRange(int64_t low, int64_t high) {
  SeedOnce();
  if (high <= low) return low;
  uint64_t range = static_cast<uint64_t>(high) - static_cast<uint64_t>(low);
  uint64_t draw = range <= INT32_MAX
                      ? static_cast<uint64_t>(classlib::Random(static_cast<int>(range)))
                      : static_cast<uint64_t>(classlib::Random() * static_cast<double>(range));
  if (draw >= range) draw = range - 1;  // the double's rounding may reach the end
  return static_cast<int64_t>(static_cast<uint64_t>(low) + draw);
}

std::string RandomDigits(int length) {
  std::string digits;
  while (static_cast<int>(digits.size()) < length)
    digits += std::to_string(RandomInRange(0, INT32_MAX));
  digits.resize(static_cast<size_t>(length < 0 ? 0 : length));
  return digits;
}

}  // namespace fib
