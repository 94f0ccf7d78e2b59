// NUMBER values in the 22-byte form the call interface passes them in: a
// length byte, then at most 21 bytes of the database's own representation.
// Zero is the single byte 0x80. Otherwise an exponent byte and base-100
// digits, most significant first, trailing zero digits left out:
//   positive: exponent byte 193 + e, each digit stored as digit + 1;
//   negative: exponent byte 62 - e, each digit stored as 101 - digit, then
//             the byte 102 when fewer than 20 digits are stored;
// where e is the base-100 exponent of the first digit. The encoding is
// ordered: two values compare as their bytes do.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "classlib/bcd.h"
#include "oracle/oci_defs.h"

namespace oranet {

using oracle::OCINumber;

constexpr int kNumberMaxDigits = 20;  // base-100 digits a value holds
constexpr int kNumberMaxExponent = 62;
constexpr int kNumberMinExponent = -65;

// A number as decimal digits: 0.d1d2d3... * 10^exponent.
struct TNumberDecimal {
  bool negative = false;
  std::string digits;  // significant digits only; empty for zero
  int exponent = 0;
};

// Rounds half away from zero to the 20 base-100 digits a value holds;
// magnitudes below 1E-130 become zero, from 1E+126 on raise
// "ORA-01426 numeric overflow".
void NumberFromDecimal(const TNumberDecimal& decimal, OCINumber& number);
// Raises "ORA-22060 argument is an invalid or uninitialized number" for
// bytes that are no NUMBER.
TNumberDecimal NumberToDecimal(const OCINumber& number);

void NumberFromInt(int64_t value, OCINumber& number);
void NumberFromUnsigned(uint64_t value, OCINumber& number);
// The whole part (the fraction is cut off); a value outside the type raises
// "ORA-01455 converting column overflows integer datatype".
int64_t NumberToInt(const OCINumber& number);
uint64_t NumberToUnsigned(const OCINumber& number);

// Through the shortest decimal that reads back as the double; NaN and the
// infinities raise "ORA-01426 numeric overflow".
void NumberFromReal(double value, OCINumber& number);
double NumberToReal(const OCINumber& number);

// Leading and trailing blanks, a sign, digits with at most one decimal
// separator, an exponent ("1E+125"). Anything else raises
// "'<text>' is not a valid Oracle Number value".
void NumberFromText(std::string_view text, OCINumber& number, char decimalSeparator = '.');
// The plain decimal ("0.5", "-0.005", "123"); the exponent form ("1E+125",
// "1.5E-100") when the plain one would be longer than 40 characters.
std::string NumberToText(const OCINumber& number, char decimalSeparator = '.');

void NumberFromBcd(const classlib::TBcd& bcd, OCINumber& number);
// Raises "Cannot convert to Number to BCD" when the value needs more than
// the decimal's 64 digits or 63 places.
classlib::TBcd NumberToBcd(const OCINumber& number);

// -1, 0 or 1 by numeric order.
int NumberCompare(const OCINumber& a, const OCINumber& b);
void NumberAssign(const OCINumber& from, OCINumber& to);
bool NumberIsZero(const OCINumber& number);

}  // namespace oranet
