// Currency arithmetic. Overflow raises ERangeError: the exception hierarchy
// has no separate overflow class.
#include "classlib/currency.h"

#include <cmath>

#include "classlib/decimal_digits.h"
#include "classlib/exceptions.h"

namespace classlib {

namespace {

[[noreturn]] void Overflow() { throw ERangeError("Currency value out of range"); }

Currency Checked(__int128 scaled) {
  if (scaled > INT64_MAX || scaled < INT64_MIN) Overflow();
  return Currency::FromScaled(static_cast<int64_t>(scaled));
}

}  // namespace

__int128 DivideHalfEven(__int128 n, __int128 d) {
  __int128 q = n / d;
  const __int128 r = n % d;
  const __int128 twice_r = r < 0 ? -2 * r : 2 * r;
  const __int128 abs_d = d < 0 ? -d : d;
  if (twice_r > abs_d || (twice_r == abs_d && q % 2 != 0)) q += (n < 0) == (d < 0) ? 1 : -1;
  return q;
}

Currency Currency::FromDouble(double d) {
  // Anything at or above 1e15 is out of range, whatever its digits.
  if (!std::isfinite(d) || std::fabs(d) >= 1e15) Overflow();
  int64_t scaled;
  if (!DecimalToScaled(DecimalFromDouble(d), 4, scaled)) Overflow();
  return FromScaled(scaled);
}

Currency Currency::operator-() const {
  if (value == INT64_MIN) Overflow();
  return FromScaled(-value);
}

Currency operator+(Currency a, Currency b) {
  int64_t sum;
  if (__builtin_add_overflow(a.value, b.value, &sum)) Overflow();
  return Currency::FromScaled(sum);
}

Currency operator-(Currency a, Currency b) {
  int64_t diff;
  if (__builtin_sub_overflow(a.value, b.value, &diff)) Overflow();
  return Currency::FromScaled(diff);
}

Currency operator*(Currency a, Currency b) {
  return Checked(DivideHalfEven(static_cast<__int128>(a.value) * b.value, Currency::kScale));
}

Currency operator/(Currency a, Currency b) {
  if (b.value == 0) throw ERangeError("Division by zero");
  return Checked(DivideHalfEven(static_cast<__int128>(a.value) * Currency::kScale, b.value));
}

}  // namespace classlib
