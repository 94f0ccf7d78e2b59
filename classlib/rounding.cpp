// The platform's rounding helpers on doubles and Currency.
#include <cmath>

#include "classlib/currency.h"
#include "classlib/decimal_digits.h"
#include "classlib/exceptions.h"

namespace classlib {

namespace {

// Doubles in [-2^63, 2^63) convert to Int64 exactly after rounding.
int64_t ToInt64(double whole) {
  if (!(whole >= -9223372036854775808.0 && whole < 9223372036854775808.0))
    throw ERangeError("Invalid floating point operation");
  return static_cast<int64_t>(whole);
}

}  // namespace

int64_t Round(double d) {
  const double floor = std::floor(d);
  const double diff = d - floor;  // exact below 2^52; 0 above, where d is whole
  double result = floor;
  if (diff > 0.5 || (diff == 0.5 && std::fmod(floor, 2.0) != 0)) result += 1;
  return ToInt64(result);
}

int64_t Round(Currency c) {
  return static_cast<int64_t>(DivideHalfEven(c.value, Currency::kScale));
}

int64_t Trunc(double d) { return ToInt64(std::trunc(d)); }

double Frac(double d) { return d - std::trunc(d); }

double Int(double d) { return std::trunc(d); }

}  // namespace classlib
