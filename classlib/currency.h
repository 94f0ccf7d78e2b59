// Currency: a fixed-point number, a 64-bit integer scaled by 10 000 (four
// decimals), and the platform's rounding helpers.
#pragma once

#include <cstdint>
#include <string>

namespace classlib {

struct Currency {
  static constexpr int64_t kScale = 10000;
  int64_t value = 0;  // the scaled integer: 1.5 is 15000

  static constexpr Currency FromScaled(int64_t scaled) { return Currency{scaled}; }
  // Rounds the shortest decimal text of d half to even at the fourth decimal
  // (0.00015 gives 0.0002); raises ERangeError when it does not fit.
  static Currency FromDouble(double d);
  static constexpr Currency FromInt(int64_t i) { return Currency{i * kScale}; }
  double ToDouble() const { return static_cast<double>(value) / kScale; }

  friend constexpr bool operator==(Currency a, Currency b) { return a.value == b.value; }
  friend constexpr auto operator<=>(Currency a, Currency b) { return a.value <=> b.value; }
  // Arithmetic raises ERangeError on overflow and on division by zero.
  friend Currency operator+(Currency a, Currency b);
  friend Currency operator-(Currency a, Currency b);
  friend Currency operator*(Currency a, Currency b);  // rounds half to even
  friend Currency operator/(Currency a, Currency b);  // rounds half to even
  Currency operator-() const;  // raises for kMinCurrency, which has no positive
};

constexpr Currency kMaxCurrency{INT64_MAX};  //  922337203685477.5807
constexpr Currency kMinCurrency{INT64_MIN};  // -922337203685477.5808

// Round to the nearest integer, halves to the even neighbour (banker's).
// Doubles outside the Int64 range raise ERangeError, in Trunc too.
int64_t Round(double d);
int64_t Round(Currency c);
// Towards zero.
int64_t Trunc(double d);
// Fractional and integral part, both keeping the sign.
double Frac(double d);
double Int(double d);

// A pseudo-random integer in [0, range) and a float in [0, 1).
int Random(int range);
double Random();
void Randomize();
void RandSeed(uint32_t seed);

}  // namespace classlib
