// NUMBER values: known byte forms, round trips through integers, doubles,
// text and decimals, and an order of the bytes that agrees with the values.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "classlib/exceptions.h"
#include "oranet/value_number.h"

namespace oranet {
namespace {

std::vector<uint8_t> BytesOf(const OCINumber& n) {
  return {n.OCINumberPart + 1, n.OCINumberPart + 1 + n.OCINumberPart[0]};
}

std::vector<uint8_t> IntBytes(int64_t value) {
  OCINumber n{};
  NumberFromInt(value, n);
  return BytesOf(n);
}

OCINumber FromText(const std::string& text) {
  OCINumber n{};
  NumberFromText(text, n);
  return n;
}

TEST(ValueNumberTest, IntegersHaveTheDatabasesBytes) {
  using B = std::vector<uint8_t>;
  EXPECT_EQ(IntBytes(0), (B{0x80}));
  EXPECT_EQ(IntBytes(1), (B{0xC1, 0x02}));
  EXPECT_EQ(IntBytes(-1), (B{0x3E, 0x64, 0x66}));
  EXPECT_EQ(IntBytes(100), (B{0xC2, 0x02}));
  EXPECT_EQ(IntBytes(123456), (B{0xC3, 0x0D, 0x23, 0x39}));
  EXPECT_EQ(IntBytes(-123456), (B{0x3C, 0x59, 0x43, 0x2D, 0x66}));
  EXPECT_EQ(IntBytes(std::numeric_limits<int64_t>::max()),
            (B{0xCA, 0x0A, 0x17, 0x22, 0x49, 0x04, 0x45, 0x37, 0x4E, 0x3B, 0x08}));
  EXPECT_EQ(IntBytes(std::numeric_limits<int64_t>::min()),
            (B{0x35, 0x5C, 0x4F, 0x44, 0x1D, 0x62, 0x21, 0x2F, 0x18, 0x2B, 0x5D, 0x66}));
}

TEST(ValueNumberTest, IntegersAtEveryPowerOfTenComeBack) {
  int64_t power = 1;
  for (int i = 0; i <= 18; ++i) {
    if (i > 0) power *= 10;
    for (int64_t v : {power, power - 1, power + 1, -power, -power + 1, -power - 1}) {
      OCINumber n{};
      NumberFromInt(v, n);
      EXPECT_EQ(NumberToInt(n), v);
      EXPECT_EQ(NumberToText(n), std::to_string(v));
    }
  }
  for (int64_t v : {std::numeric_limits<int64_t>::max(), std::numeric_limits<int64_t>::min()}) {
    OCINumber n{};
    NumberFromInt(v, n);
    EXPECT_EQ(NumberToInt(n), v);
  }
  OCINumber n{};
  NumberFromUnsigned(std::numeric_limits<uint64_t>::max(), n);
  EXPECT_EQ(NumberToUnsigned(n), std::numeric_limits<uint64_t>::max());
}

TEST(ValueNumberTest, ConversionToIntegerCutsTheFractionAndRefusesOverflow) {
  EXPECT_EQ(NumberToInt(FromText("12.99")), 12);
  EXPECT_EQ(NumberToInt(FromText("-12.99")), -12);
  EXPECT_EQ(NumberToInt(FromText("0.5")), 0);
  EXPECT_THROW(NumberToInt(FromText("9223372036854775808")), classlib::Exception);
  EXPECT_EQ(NumberToInt(FromText("-9223372036854775808")), std::numeric_limits<int64_t>::min());
  EXPECT_THROW(NumberToInt(FromText("1E+30")), classlib::Exception);
  EXPECT_THROW(NumberToUnsigned(FromText("-1")), classlib::Exception);
}

TEST(ValueNumberTest, TextsComeBackAsWritten) {
  for (const char* text : {"0", "0.5", "-0.005", "1E+125", "-1E+125", "1E-130", "123.456", "-98765432109876543210",
                           "1.5E+100", "0.00000000000000000001", "12345678901234567890123456789012345678"}) {
    EXPECT_EQ(NumberToText(FromText(text)), text);
  }
  EXPECT_EQ(NumberToText(FromText("  +007.50  ")), "7.5");
  EXPECT_EQ(NumberToText(FromText("1.5e3")), "1500");
  EXPECT_EQ(NumberToText(FromText(".25")), "0.25");
  EXPECT_EQ(NumberToText([] { OCINumber n{}; NumberFromText("0,25", n, ','); return n; }(), ','), "0,25");
}

TEST(ValueNumberTest, TextsThatAreNoNumbersAreRefusedByName) {
  for (const char* text : {"abc", "", " ", "-", "1.2.3", "1E", "1E+", "12a", "1 2", "+-1", "."}) {
    try {
      FromText(text);
      ADD_FAILURE() << "accepted '" << text << "'";
    } catch (const classlib::Exception& e) {
      EXPECT_EQ(e.Message(), "'" + std::string(text) + "' is not a valid Oracle Number value");
    }
  }
}

TEST(ValueNumberTest, ValuesBeyondTwentyDigitsRoundAndTheRangeIsKept) {
  // 41 significant digits: the last base-100 digit is rounded half up.
  EXPECT_EQ(NumberToText(FromText("1234567890123456789012345678901234567890.5")),
            "1234567890123456789012345678901234567891");
  EXPECT_EQ(NumberToText(FromText("99999999999999999999999999999999999999999")), "1E+41");
  // Negative values with all 20 digits carry no end byte.
  EXPECT_EQ(FromText("-1234567890123456789012345678901234567890").OCINumberPart[0], 21);
  EXPECT_THROW(FromText("1E+126"), classlib::Exception);
  EXPECT_TRUE(NumberIsZero(FromText("1E-131")));
  EXPECT_THROW(FromText("1E+99999999999999999999"), classlib::Exception);
  EXPECT_EQ(NumberToText(FromText(std::string(2000000, '0') + "12.5")), "12.5");
  EXPECT_EQ(NumberToText(FromText("000")), "0");
}

TEST(ValueNumberTest, DoublesComeBackWithinRoundingError) {
  std::mt19937_64 rng(45);
  std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
  std::uniform_int_distribution<int> exponent(-120, 120);
  for (int i = 0; i < 10000; ++i) {
    const double v = mantissa(rng) * std::pow(10.0, exponent(rng));
    OCINumber n{};
    NumberFromReal(v, n);
    const double back = NumberToReal(n);
    EXPECT_LE(std::fabs(back - v), std::fabs(v) * 1e-15) << v;
  }
  for (double v : {0.1, -0.005, 1e-130, 1.7976931348623157e+125, 0.0}) {
    OCINumber n{};
    NumberFromReal(v, n);
    EXPECT_EQ(NumberToReal(n), v);
  }
  OCINumber n{};
  NumberFromReal(0.1, n);
  EXPECT_EQ(NumberToText(n), "0.1");
  EXPECT_THROW(NumberFromReal(std::nan(""), n), classlib::Exception);
  EXPECT_THROW(NumberFromReal(1e300, n), classlib::Exception);
}

// Short values (few digits, small exponents) are decoded without a text;
// they must round exactly as the decimal reader does, the same double for
// the same digits.
TEST(ValueNumberTest, ShortValuesReadAsTheirDecimalText) {
  std::mt19937_64 rng(7);
  std::uniform_int_distribution<int64_t> digits(1, 99999999999999LL);
  std::uniform_int_distribution<int> scale(-30, 30);
  for (int i = 0; i < 20000; ++i) {
    std::string text = std::to_string(digits(rng) >> (rng() % 40));
    const int shift = scale(rng);
    if (shift >= 0) text += std::string(static_cast<size_t>(shift), '0');
    else text = "0." + std::string(static_cast<size_t>(-shift), '0') + text;
    if (i % 2 == 1) text = "-" + text;
    const OCINumber n = FromText(text);
    double expected = 0;
    const std::string plain = NumberToText(n);
    std::from_chars(plain.data(), plain.data() + plain.size(), expected);
    EXPECT_EQ(NumberToReal(n), expected) << plain;
  }
}

TEST(ValueNumberTest, ComparisonAgreesWithNumericOrder) {
  std::mt19937_64 rng(2026);
  std::uniform_real_distribution<double> mantissa(-1000.0, 1000.0);
  std::uniform_int_distribution<int> exponent(-40, 40);
  std::vector<std::pair<double, OCINumber>> values;
  for (int i = 0; i < 10000; ++i) {
    double v = mantissa(rng) * std::pow(10.0, exponent(rng));
    if (i % 10 == 0) v = std::trunc(mantissa(rng));  // zeros and small integers repeat
    OCINumber n{};
    NumberFromReal(v, n);
    values.emplace_back(NumberToReal(n), n);
  }
  for (size_t i = 1; i < values.size(); ++i) {
    const auto& [a, na] = values[i - 1];
    const auto& [b, nb] = values[i];
    const int want = a < b ? -1 : a > b ? 1 : 0;
    ASSERT_EQ(NumberCompare(na, nb), want) << a << " " << b;
    ASSERT_EQ(NumberCompare(nb, na), -want) << a << " " << b;
  }
  std::sort(values.begin(), values.end(), [](const auto& x, const auto& y) { return NumberCompare(x.second, y.second) < 0; });
  EXPECT_TRUE(std::is_sorted(values.begin(), values.end(), [](const auto& x, const auto& y) { return x.first < y.first; }));
}

TEST(ValueNumberTest, AssignCopiesAndMalformedBytesAreRefused) {
  OCINumber from = FromText("-3.25");
  OCINumber to{};
  NumberAssign(from, to);
  EXPECT_EQ(NumberCompare(from, to), 0);
  EXPECT_EQ(NumberToText(to), "-3.25");

  OCINumber bad{};  // length 0: never set
  EXPECT_THROW(NumberToText(bad), classlib::Exception);
  EXPECT_THROW(NumberCompare(bad, from), classlib::Exception);
  bad.OCINumberPart[0] = 22;
  EXPECT_THROW(NumberToInt(bad), classlib::Exception);
  bad.OCINumberPart[0] = 2;
  bad.OCINumberPart[1] = 0xC1;
  bad.OCINumberPart[2] = 0xFF;  // a positive digit byte above 100
  EXPECT_THROW(NumberToReal(bad), classlib::Exception);
  bad.OCINumberPart[2] = 0;  // and one below 1
  EXPECT_THROW(NumberToReal(bad), classlib::Exception);
  bad.OCINumberPart[0] = 1;  // an exponent without digits
  EXPECT_THROW(NumberToReal(bad), classlib::Exception);
}

TEST(ValueNumberTest, DecimalsConvertBothWaysWithinTheirDigits) {
  const classlib::TBcd bcd = classlib::StrToBCD("-1234.5678");
  OCINumber n{};
  NumberFromBcd(bcd, n);
  EXPECT_EQ(NumberToText(n), "-1234.5678");
  EXPECT_EQ(classlib::BcdCompare(NumberToBcd(n), bcd), 0);
  EXPECT_EQ(classlib::BCDToStr(NumberToBcd(FromText("0.005"))), "0.005");
  try {
    NumberToBcd(FromText("1E+125"));
    ADD_FAILURE() << "a number of 126 digits fitted a decimal";
  } catch (const classlib::Exception& e) {
    EXPECT_EQ(e.Message(), "Cannot convert to Number to BCD");
  }
  EXPECT_THROW(NumberToBcd(FromText("1E-100")), classlib::Exception);
}

}  // namespace
}  // namespace oranet
