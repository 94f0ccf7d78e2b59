#include "fib/base/numeric_helpers.h"

#include <array>
#include <cmath>
#include <cstdlib>
#include <mutex>

#include "classlib/currency.h"
#include "classlib/exceptions.h"

namespace fib {

namespace {

void SeedOnce() {
  static std::once_flag seeded;
  std::call_once(seeded, [] { classlib::Randomize(); });
}

}  // namespace

void PowerOfTenOutOfRange(int exponent) {
  CLASSLIB_ASSERT(exponent >= kMinPowerOfTen && exponent <= kMaxPowerOfTen);
  std::abort();  // the assertion above always fails here
}

double ScaledToDoubleExtended(int64_t value, int scale) {
  return static_cast<double>(static_cast<long double>(value) / PowerOfTen(scale));
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
