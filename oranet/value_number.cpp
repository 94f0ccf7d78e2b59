#include "oranet/value_number.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "classlib/exceptions.h"
#include "classlib/format_settings.h"

namespace oranet {

namespace {

constexpr uint8_t kZeroByte = 0x80;
constexpr uint8_t kNegativeEnd = 102;
constexpr int kMaxBytes = 21;
constexpr size_t kPlainTextLimit = 40;

// A value as base-100 digits: sum of d[i] * 100^(exponent - i).
struct TDigits100 {
  bool negative = false;
  int exponent = 0;
  int count = 0;  // 0 for zero
  uint8_t d[kNumberMaxDigits] = {};
};

[[noreturn]] void RaiseInvalid() {
  throw classlib::Exception("ORA-22060 argument is an invalid or uninitialized number");
}

[[noreturn]] void RaiseOverflow() { throw classlib::Exception("ORA-01426 numeric overflow"); }

[[noreturn]] void RaiseIntOverflow() {
  throw classlib::Exception("ORA-01455 converting column overflows integer datatype");
}

void PackZero(OCINumber& out) {
  out.OCINumberPart[0] = 1;
  out.OCINumberPart[1] = kZeroByte;
}

// `d` holds n base-100 digits, the first not zero.
void Pack(bool negative, int exponent, const uint8_t* d, int n, OCINumber& out) {
  while (n > 0 && d[n - 1] == 0) --n;
  if (n == 0 || exponent < kNumberMinExponent) return PackZero(out);
  if (exponent > kNumberMaxExponent) RaiseOverflow();
  uint8_t* p = out.OCINumberPart;
  if (negative) {
    p[1] = static_cast<uint8_t>(62 - exponent);
    for (int i = 0; i < n; ++i) p[2 + i] = static_cast<uint8_t>(101 - d[i]);
    int length = 1 + n;
    if (n < kNumberMaxDigits) p[1 + length++] = kNegativeEnd;
    p[0] = static_cast<uint8_t>(length);
  } else {
    p[1] = static_cast<uint8_t>(193 + exponent);
    for (int i = 0; i < n; ++i) p[2 + i] = static_cast<uint8_t>(d[i] + 1);
    p[0] = static_cast<uint8_t>(1 + n);
  }
}

TDigits100 Unpack(const OCINumber& number) {
  const uint8_t* p = number.OCINumberPart;
  const int length = p[0];
  if (length < 1 || length > kMaxBytes) RaiseInvalid();
  TDigits100 r;
  const uint8_t head = p[1];
  if (length == 1 && head == kZeroByte) return r;
  r.negative = (head & 0x80) == 0;
  int n = length - 1;
  if (r.negative) {
    r.exponent = 62 - head;
    if (n > 0 && p[1 + n] == kNegativeEnd) --n;
    for (int i = 0; i < n; ++i) {
      const uint8_t b = p[2 + i];
      if (b < 2 || b > 101) RaiseInvalid();
      r.d[i] = static_cast<uint8_t>(101 - b);
    }
  } else {
    r.exponent = head - 193;
    for (int i = 0; i < n; ++i) {
      const uint8_t b = p[2 + i];
      if (b < 1 || b > 100) RaiseInvalid();
      r.d[i] = static_cast<uint8_t>(b - 1);
    }
  }
  if (n == 0) RaiseInvalid();  // the infinities and bare exponents
  r.count = n;
  return r;
}

void PackMagnitude(bool negative, uint64_t magnitude, OCINumber& out) {
  if (magnitude == 0) return PackZero(out);
  uint8_t low[10];
  int n = 0;
  for (; magnitude != 0; magnitude /= 100) low[n++] = static_cast<uint8_t>(magnitude % 100);
  uint8_t d[10];
  for (int i = 0; i < n; ++i) d[i] = low[n - 1 - i];
  Pack(negative, n - 1, d, n, out);
}

// The whole part's magnitude; false when it exceeds `limit`.
bool WholeMagnitude(const TDigits100& r, uint64_t limit, uint64_t& magnitude) {
  magnitude = 0;
  for (int i = 0; i <= r.exponent; ++i) {
    const uint64_t digit = i < r.count ? r.d[i] : 0;
    if (magnitude > (limit - digit) / 100) return false;
    magnitude = magnitude * 100 + digit;
  }
  return true;
}

[[noreturn]] void RaiseNotANumber(std::string_view text) {
  throw classlib::Exception("'" + std::string(text) + "' is not a valid Oracle Number value");
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Digits and exponent as in TNumberDecimal (leading and trailing zeros
// allowed) into the bytes.
void PackDecimal(bool negative, std::string_view digits, int exponent, OCINumber& number) {
  while (!digits.empty() && digits.front() == '0') {
    digits.remove_prefix(1);
    --exponent;
  }
  while (!digits.empty() && digits.back() == '0') digits.remove_suffix(1);
  if (digits.empty()) return PackZero(number);
  // Base-100 digits start on an even decimal exponent.
  const bool pad = (exponent % 2) != 0;
  if (pad) ++exponent;
  const size_t decimals = digits.size() + (pad ? 1 : 0);
  const size_t pairs = (decimals + 1) / 2;
  auto decimalAt = [&](size_t i) -> int {
    if (pad) {
      if (i == 0) return 0;
      --i;
    }
    return i < digits.size() ? digits[i] - '0' : 0;
  };
  uint8_t d[kNumberMaxDigits + 1];
  const size_t kept = std::min<size_t>(pairs, kNumberMaxDigits);
  for (size_t i = 0; i < kept; ++i) d[i] = static_cast<uint8_t>(decimalAt(2 * i) * 10 + decimalAt(2 * i + 1));
  int base100Exponent = exponent / 2 - 1;
  if (pairs > kept && decimalAt(2 * kept) >= 5) {
    int i = static_cast<int>(kept) - 1;
    for (; i >= 0; --i) {
      if (++d[i] < 100) break;
      d[i] = 0;
    }
    if (i < 0) {  // 99...99 rounded up to the next power of 100
      d[0] = 1;
      ++base100Exponent;
    }
  }
  Pack(negative, base100Exponent, d, static_cast<int>(kept), number);
}

}  // namespace

void NumberFromDecimal(const TNumberDecimal& decimal, OCINumber& number) {
  PackDecimal(decimal.negative, decimal.digits, decimal.exponent, number);
}

TNumberDecimal NumberToDecimal(const OCINumber& number) {
  const TDigits100 r = Unpack(number);
  TNumberDecimal decimal;
  if (r.count == 0) return decimal;
  decimal.negative = r.negative;
  decimal.digits.reserve(2 * r.count);
  for (int i = 0; i < r.count; ++i) {
    decimal.digits.push_back(static_cast<char>('0' + r.d[i] / 10));
    decimal.digits.push_back(static_cast<char>('0' + r.d[i] % 10));
  }
  decimal.exponent = 2 * (r.exponent + 1);
  size_t lead = 0;
  while (lead < decimal.digits.size() && decimal.digits[lead] == '0') ++lead;
  decimal.digits.erase(0, lead);
  decimal.exponent -= static_cast<int>(lead);
  while (!decimal.digits.empty() && decimal.digits.back() == '0') decimal.digits.pop_back();
  return decimal;
}

void NumberFromInt(int64_t value, OCINumber& number) {
  const uint64_t magnitude = value < 0 ? uint64_t{0} - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  PackMagnitude(value < 0, magnitude, number);
}

void NumberFromUnsigned(uint64_t value, OCINumber& number) { PackMagnitude(false, value, number); }

int64_t NumberToInt(const OCINumber& number) {
  const TDigits100 r = Unpack(number);
  const uint64_t limit = uint64_t{std::numeric_limits<int64_t>::max()} + (r.negative ? 1 : 0);
  uint64_t magnitude = 0;
  if (!WholeMagnitude(r, limit, magnitude)) RaiseIntOverflow();
  return r.negative ? static_cast<int64_t>(uint64_t{0} - magnitude) : static_cast<int64_t>(magnitude);
}

uint64_t NumberToUnsigned(const OCINumber& number) {
  const TDigits100 r = Unpack(number);
  uint64_t magnitude = 0;
  if (!WholeMagnitude(r, std::numeric_limits<uint64_t>::max(), magnitude)) RaiseIntOverflow();
  if (r.negative && magnitude != 0) RaiseIntOverflow();
  return magnitude;
}

void NumberFromReal(double value, OCINumber& number) {
  if (!std::isfinite(value)) RaiseOverflow();
  if (value == 0) return PackZero(number);
  char text[40];
  const auto end = std::to_chars(text, text + sizeof text, std::fabs(value), std::chars_format::scientific).ptr;
  // d[.ddd]e[+-]xx
  char digits[24];
  int n = 0;
  const char* at = text;
  for (; at < end && *at != 'e'; ++at) {
    if (IsDigit(*at)) digits[n++] = *at;
  }
  int exponent = 0;
  std::from_chars(at + 1 + (at[1] == '+' ? 1 : 0), end, exponent);
  PackDecimal(value < 0, std::string_view(digits, static_cast<size_t>(n)), exponent + 1, number);
}

namespace {
// Up to seven base-100 digits make a mantissa below 2^53, and powers of ten
// up to 1e22 are exact doubles: one multiplication or division of the two
// rounds correctly, as the decimal reader would.
bool ScaledExactly(uint64_t mantissa, int power, double& value) {
  static constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                            1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  if (power > 22 || power < -22) return false;
  const double m = static_cast<double>(mantissa);
  value = power >= 0 ? m * kPowersOfTen[power] : m / kPowersOfTen[-power];
  return true;
}

bool ExactReal(const TDigits100& r, double& value) {
  if (r.count > 7) return false;
  uint64_t mantissa = 0;
  for (int i = 0; i < r.count; ++i) mantissa = mantissa * 100 + r.d[i];
  return ScaledExactly(mantissa, 2 * (r.exponent + 1 - r.count), value);
}

// The usual fetched value, positive with at most seven base-100 digits, read
// straight from its bytes; false for anything else, left to the full path.
bool ShortPositiveReal(const uint8_t* p, double& value) {
  const int count = p[0] - 1;
  if (count < 1 || count > 7 || (p[1] & 0x80) == 0) return false;
  uint64_t mantissa = 0;
  for (int i = 0; i < count; ++i) {
    const uint8_t b = p[2 + i];
    if (b < 1 || b > 100) return false;
    mantissa = mantissa * 100 + (b - 1);
  }
  return ScaledExactly(mantissa, 2 * (p[1] - 193 + 1 - count), value);
}
}  // namespace

double NumberToReal(const OCINumber& number) {
  if (double fast = 0; ShortPositiveReal(number.OCINumberPart, fast)) return fast;
  const TDigits100 r = Unpack(number);
  if (r.count == 0) return 0.0;
  if (double exact = 0; ExactReal(r, exact)) return r.negative ? -exact : exact;
  // "0.<base-100 digits>e<exponent>", read by the correctly rounding reader.
  char text[80];
  char* at = text;
  *at++ = '0';
  *at++ = '.';
  for (int i = 0; i < r.count; ++i) {
    *at++ = static_cast<char>('0' + r.d[i] / 10);
    *at++ = static_cast<char>('0' + r.d[i] % 10);
  }
  *at++ = 'e';
  at = std::to_chars(at, text + sizeof text, 2 * (r.exponent + 1)).ptr;
  double value = 0;
  std::from_chars(text, at, value);
  return r.negative ? -value : value;
}

void NumberFromText(std::string_view text, OCINumber& number, char decimalSeparator) {
  size_t i = 0;
  const size_t n = text.size();
  auto skipBlanks = [&] {
    while (i < n && text[i] == ' ') ++i;
  };
  skipBlanks();
  TNumberDecimal decimal;
  if (i < n && (text[i] == '+' || text[i] == '-')) decimal.negative = text[i++] == '-';
  // Leading zeros of the whole part are neither kept nor counted.
  size_t wholeDigits = 0;
  size_t allDigits = 0;
  for (; i < n && IsDigit(text[i]); ++i, ++allDigits) {
    if (wholeDigits == 0 && text[i] == '0') continue;
    decimal.digits.push_back(text[i]);
    ++wholeDigits;
  }
  if (i < n && text[i] == decimalSeparator) {
    for (++i; i < n && IsDigit(text[i]); ++i, ++allDigits) decimal.digits.push_back(text[i]);
  }
  if (allDigits == 0) RaiseNotANumber(text);
  // The exponent is capped far beyond the representable range, so the
  // arithmetic cannot overflow whatever the text.
  constexpr long kExponentCap = 1000000;
  long exponent = 0;
  if (i < n && (text[i] == 'E' || text[i] == 'e')) {
    ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= n || !IsDigit(text[i])) RaiseNotANumber(text);
    for (; i < n && IsDigit(text[i]); ++i) exponent = std::min(kExponentCap, exponent * 10 + (text[i] - '0'));
    if (negative) exponent = -exponent;
  }
  skipBlanks();
  if (i != n) RaiseNotANumber(text);
  if (wholeDigits > static_cast<size_t>(kExponentCap)) RaiseOverflow();
  decimal.exponent = static_cast<int>(static_cast<long>(wholeDigits) + exponent);
  NumberFromDecimal(decimal, number);
}

std::string NumberToText(const OCINumber& number, char decimalSeparator) {
  const TNumberDecimal decimal = NumberToDecimal(number);
  if (decimal.digits.empty()) return "0";
  const std::string& digits = decimal.digits;
  const int n = static_cast<int>(digits.size());
  const int exponent = decimal.exponent;
  std::string text = decimal.negative ? "-" : "";
  const size_t plainLength = exponent <= 0 ? 2 + static_cast<size_t>(-exponent) + digits.size()
                             : exponent >= n ? static_cast<size_t>(exponent)
                                             : digits.size() + 1;
  if (plainLength > kPlainTextLimit) {
    text += digits[0];
    if (n > 1) {
      text += decimalSeparator;
      text.append(digits, 1);
    }
    text += exponent - 1 >= 0 ? "E+" : "E-";
    text += std::to_string(std::abs(exponent - 1));
  } else if (exponent <= 0) {
    text += '0';
    text += decimalSeparator;
    text.append(static_cast<size_t>(-exponent), '0');
    text += digits;
  } else if (exponent >= n) {
    text += digits;
    text.append(static_cast<size_t>(exponent - n), '0');
  } else {
    text.append(digits, 0, static_cast<size_t>(exponent));
    text += decimalSeparator;
    text.append(digits, static_cast<size_t>(exponent));
  }
  return text;
}

void NumberFromBcd(const classlib::TBcd& bcd, OCINumber& number) {
  classlib::TFormatSettings settings;
  settings.DecimalSeparator = '.';
  NumberFromText(classlib::BCDToStr(bcd, settings), number, '.');
}

classlib::TBcd NumberToBcd(const OCINumber& number) {
  const TNumberDecimal decimal = NumberToDecimal(number);
  classlib::TBcd bcd;
  const int n = static_cast<int>(decimal.digits.size());
  const int places = std::max(0, n - decimal.exponent);
  const int precision = std::max(n, decimal.exponent) + std::max(0, -decimal.exponent);
  if (places >= classlib::kMaxFMTBcdFractionSize || precision > classlib::kMaxFMTBcdFractionSize) {
    throw classlib::Exception("Cannot convert to Number to BCD");
  }
  classlib::TFormatSettings settings;
  settings.DecimalSeparator = '.';
  if (!classlib::TryStrToBcd(NumberToText(number, '.'), bcd, settings)) {
    throw classlib::Exception("Cannot convert to Number to BCD");
  }
  return bcd;
}

int NumberCompare(const OCINumber& a, const OCINumber& b) {
  const int la = a.OCINumberPart[0];
  const int lb = b.OCINumberPart[0];
  if (la < 1 || la > kMaxBytes || lb < 1 || lb > kMaxBytes) RaiseInvalid();
  // The encoding is ordered; a shorter value that is a prefix of a longer
  // one is the smaller (a negative value's end byte outranks every digit).
  const int c = std::memcmp(a.OCINumberPart + 1, b.OCINumberPart + 1, static_cast<size_t>(std::min(la, lb)));
  if (c != 0) return c < 0 ? -1 : 1;
  return la == lb ? 0 : la < lb ? -1 : 1;
}

void NumberAssign(const OCINumber& from, OCINumber& to) {
  const int length = from.OCINumberPart[0];
  if (length < 1 || length > kMaxBytes) RaiseInvalid();
  std::memmove(to.OCINumberPart, from.OCINumberPart, static_cast<size_t>(length) + 1);
}

bool NumberIsZero(const OCINumber& number) {
  return number.OCINumberPart[0] == 1 && number.OCINumberPart[1] == kZeroByte;
}

}  // namespace oranet
