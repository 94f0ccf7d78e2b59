#include "classlib/numconv.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>

#include "classlib/exceptions.h"
#include "classlib/format_settings.h"

#include "testing/message_of.h"

namespace classlib {
namespace {

using testing::MessageOf;

TFormatSettings CommaSettings() {
  TFormatSettings fs;
  fs.DecimalSeparator = ',';
  fs.ThousandSeparator = '.';
  return fs;
}

TEST(IntText, ToText) {
  EXPECT_EQ(IntToStr(std::numeric_limits<int64_t>::min()), "-9223372036854775808");
  EXPECT_EQ(IntToStr(std::numeric_limits<int64_t>::max()), "9223372036854775807");
  EXPECT_EQ(UIntToStr(std::numeric_limits<uint64_t>::max()), "18446744073709551615");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(0, 0), "0");
  EXPECT_EQ(IntToHex(0x1234ABCD, 2), "1234ABCD");
  EXPECT_EQ(IntToHex(-1, 1), "FFFFFFFF");
  EXPECT_EQ(IntToHex(int64_t{-1}, 1), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(IntToHex(-1LL, 1), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(IntToHex(static_cast<short>(-2), 4), "FFFFFFFE");
  EXPECT_EQ(IntToHex(std::numeric_limits<uint64_t>::max(), 20), "0000FFFFFFFFFFFFFFFF");
}

TEST(IntText, ParsesDecimalAndHex) {
  EXPECT_EQ(StrToInt(" 42 "), 42);
  EXPECT_EQ(StrToInt("+7"), 7);
  EXPECT_EQ(StrToInt("-2147483648"), std::numeric_limits<int>::min());
  EXPECT_EQ(StrToInt("$1F"), 31);
  EXPECT_EQ(StrToInt("0x1f"), 31);
  EXPECT_EQ(StrToInt("-$10"), -16);
  EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
  EXPECT_EQ(StrToInt64("-9223372036854775808"), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(StrToInt64("9223372036854775807"), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(StrToInt64("0xFFFFFFFFFFFFFFFF"), -1);
  EXPECT_EQ(StrToInt64("4294967296"), int64_t{1} << 32);
}

TEST(IntText, RejectsBadTextAndOverflow) {
  for (const char* bad : {"", "  ", "+", "-", "$", "0x", "12a", "1 2", "1.0", "2147483648",
                          "-2147483649", "$100000000", "0x"}) {
    int v = 99;
    EXPECT_FALSE(TryStrToInt(bad, v)) << bad;
    EXPECT_EQ(v, 99) << bad;
    EXPECT_EQ(StrToIntDef(bad, -5), -5) << bad;
  }
  int64_t v64 = 0;
  EXPECT_FALSE(TryStrToInt64("9223372036854775808", v64));
  EXPECT_FALSE(TryStrToInt64("-9223372036854775809", v64));
  EXPECT_FALSE(TryStrToInt64("$10000000000000000", v64));
  EXPECT_EQ(StrToInt64Def("x", 7), 7);
  EXPECT_EQ(MessageOf<EConvertError>([] { StrToInt("abc"); }), "'abc' is not a valid integer value");
  EXPECT_EQ(MessageOf<EConvertError>([] { StrToInt64(" 1e3"); }), "' 1e3' is not a valid integer value");
}

TEST(FloatText, FifteenDigitsGeneralForm) {
  EXPECT_EQ(FloatToStr(0.0), "0");
  EXPECT_EQ(FloatToStr(-0.0), "0");
  EXPECT_EQ(FloatToStr(1.5), "1.5");
  EXPECT_EQ(FloatToStr(-2.25), "-2.25");
  EXPECT_EQ(FloatToStr(100.0), "100");
  EXPECT_EQ(FloatToStr(0.1 + 0.2), "0.3");
  EXPECT_EQ(FloatToStr(1.0 / 3), "0.333333333333333");
  EXPECT_EQ(FloatToStr(2.0 / 3), "0.666666666666667");
  EXPECT_EQ(FloatToStr(-0.7), "-0.7");
  EXPECT_EQ(FloatToStr(999999999999999.4), "999999999999999");
  EXPECT_EQ(FloatToStr(999999999999999.6), "1E15");
}

TEST(FloatText, SwitchesToExponentAtTheLimits) {
  EXPECT_EQ(FloatToStr(123456789012345.0), "123456789012345");
  EXPECT_EQ(FloatToStr(1e15), "1E15");
  EXPECT_EQ(FloatToStr(1234567890123456.0), "1.23456789012346E15");
  EXPECT_EQ(FloatToStr(0.0001), "0.0001");
  EXPECT_EQ(FloatToStr(0.00012345), "0.00012345");
  EXPECT_EQ(FloatToStr(0.00001), "1E-5");
  EXPECT_EQ(FloatToStr(-1.5e-7), "-1.5E-7");
  EXPECT_EQ(FloatToStr(1e100), "1E100");
  EXPECT_EQ(FloatToStr(DBL_MAX), "1.79769313486232E308");
  EXPECT_EQ(FloatToStr(std::numeric_limits<double>::denorm_min()), "4.94065645841247E-324");
  EXPECT_EQ(FloatToStr(std::numeric_limits<double>::infinity()), "INF");
  EXPECT_EQ(FloatToStr(-std::numeric_limits<double>::infinity()), "-INF");
  EXPECT_EQ(FloatToStr(std::nan("")), "NAN");
}

TEST(FloatText, UsesTheDecimalSeparator) {
  TFormatSettings fs = CommaSettings();
  EXPECT_EQ(FloatToStr(1.5, fs), "1,5");
  EXPECT_EQ(FloatToStr(2.5e-9, fs), "2,5E-9");
  EXPECT_EQ(StrToFloat("1,5", fs), 1.5);
  EXPECT_EQ(StrToFloat("-1,25E2", fs), -125.0);
  double v = 0;
  EXPECT_FALSE(TryStrToFloat("1.5", v, fs));
  FormatSettings() = fs;
  EXPECT_EQ(FloatToStr(0.25), "0,25");
  EXPECT_EQ(StrToFloat("0,25"), 0.25);
  ResetFormatSettings();
}

TEST(FloatText, Parses) {
  EXPECT_EQ(StrToFloat("1.5"), 1.5);
  EXPECT_EQ(StrToFloat(" -2.5e3 "), -2500.0);
  EXPECT_EQ(StrToFloat("+.5"), 0.5);
  EXPECT_EQ(StrToFloat("5."), 5.0);
  EXPECT_EQ(StrToFloat("0.1"), 0.1);  // correctly rounded, not accumulated
  EXPECT_EQ(StrToFloat("1E-400"), 0.0);
  EXPECT_TRUE(std::signbit(StrToFloat("-1e-400")));
  EXPECT_EQ(StrToFloat("-inf"), -std::numeric_limits<double>::infinity());
  EXPECT_TRUE(std::isnan(StrToFloat("NaN")));
  EXPECT_EQ(StrToFloat("000000000000000000000000000000001e-2"), 0.01);
  for (const char* bad : {"", ".", "e5", "1e", "1e+", "1.5.2", "1,5", "--1", "1 5", "0x10",
                          "1e400", "-1e99999999999"}) {
    double v = 7;
    EXPECT_FALSE(TryStrToFloat(bad, v)) << bad;
    EXPECT_EQ(v, 7) << bad;
    EXPECT_EQ(StrToFloatDef(bad, -1), -1) << bad;
  }
  EXPECT_EQ(MessageOf<EConvertError>([] { StrToFloat("1x"); }), "'1x' is not a valid floating point value");
}

TEST(FloatText, FifteenDigitTextReadsBackExactly) {
  for (double v : {1.5, -123.456, 1e-5, 6.02214076e23, 123456789012345.0, 0.000123456789012345,
                   -9.87654321098765e-300}) {
    std::string text = FloatToStr(v);
    EXPECT_EQ(FloatToStr(StrToFloat(text)), text);
    EXPECT_NEAR(StrToFloat(text), v, std::fabs(v) * 1e-14) << text;
  }
}

TEST(FloatPictures, DigitsSeparatorsAndRounding) {
  EXPECT_EQ(FormatFloat("0.00", 3.14159), "3.14");
  EXPECT_EQ(FormatFloat("0.00", 2.5), "2.50");
  EXPECT_EQ(FormatFloat("0.00", 0.125), "0.13");
  EXPECT_EQ(FormatFloat("#,##0.00", 1234567.891), "1,234,567.89");
  EXPECT_EQ(FormatFloat("#,##0.00", -0.5), "-0.50");
  EXPECT_EQ(FormatFloat("#,##0.", 1234567.0), "1,234,567");
  EXPECT_EQ(FormatFloat("#,##0.", 999.6), "1,000");
  EXPECT_EQ(FormatFloat("000", 7.0), "007");
  EXPECT_EQ(FormatFloat("0", 1e20), "100000000000000000000");
  EXPECT_EQ(FormatFloat("0.##", 1.0), "1");
  EXPECT_EQ(FormatFloat("0.0#", 1.256), "1.26");
  EXPECT_EQ(FormatFloat("#.##", 0.5), ".5");
  EXPECT_EQ(FormatFloat("0.000000000000000000", 0.1), "0.100000000000000000");
  EXPECT_EQ(FormatFloat("", 1.5), "1.5");
  EXPECT_EQ(FormatFloat("#,##0.00", 1234.5, CommaSettings()), "1.234,50");
}

TEST(FloatPictures, Exponents) {
  EXPECT_EQ(FormatFloat("0.###E+00", 12345.0), "1.235E+04");
  EXPECT_EQ(FormatFloat("0.00E+00", 0.000123), "1.23E-04");
  EXPECT_EQ(FormatFloat("0.0E-0", 1234.0), "1.2E3");
  EXPECT_EQ(FormatFloat("0.0E-0", 0.001234), "1.2E-3");
  EXPECT_EQ(FormatFloat("00.00E+00", 12345.0), "12.35E+03");
  EXPECT_EQ(FormatFloat("0.00E+00", 0.0), "0.00E+00");
  EXPECT_EQ(FormatFloat("0.0e+000", -9.96), "-1.0e+001");
}

TEST(FloatPictures, SectionsAndLiterals) {
  const std::string fmt = "0.00;(0.00);'zero'";
  EXPECT_EQ(FormatFloat(fmt, 5.0), "5.00");
  EXPECT_EQ(FormatFloat(fmt, -5.0), "(5.00)");
  EXPECT_EQ(FormatFloat(fmt, 0.0), "zero");
  EXPECT_EQ(FormatFloat(fmt, -0.001), "zero");
  EXPECT_EQ(FormatFloat("0.0;", -2.0), "-2.0");       // empty negative section
  EXPECT_EQ(FormatFloat("0.0;;", 0.0), "0.0");        // empty zero section
  EXPECT_EQ(FormatFloat("0.00", -0.001), "0.00");     // no sign on a zero
  EXPECT_EQ(FormatFloat("\"$\"#,##0.00", 1234.5), "$1,234.50");
  EXPECT_EQ(FormatFloat("0.0 'a;b' \"kg\"", 2.0), "2.0 a;b kg");
  EXPECT_EQ(FormatFloat("#,##0.00 'units'", -1234.5), "-1,234.50 units");
  EXPECT_EQ(FormatFloat("0.00", std::numeric_limits<double>::infinity()), "INF");
}

TEST(CurrencyText, ExactAtTheExtremes) {
  EXPECT_EQ(CurrToStr(kMaxCurrency), "922337203685477.5807");
  EXPECT_EQ(CurrToStr(kMinCurrency), "-922337203685477.5808");
  EXPECT_EQ(CurrToStr(Currency::FromScaled(15000)), "1.5");
  EXPECT_EQ(CurrToStr(Currency::FromScaled(1)), "0.0001");
  EXPECT_EQ(CurrToStr(Currency::FromScaled(-1)), "-0.0001");
  EXPECT_EQ(CurrToStr(Currency{}), "0");
  EXPECT_EQ(CurrToStr(Currency::FromScaled(1000000)), "100");
  EXPECT_EQ(CurrToStr(Currency::FromScaled(-25), CommaSettings()), "-0,0025");

  EXPECT_EQ(StrToCurr("922337203685477.5807"), kMaxCurrency);
  EXPECT_EQ(StrToCurr("-922337203685477.5808"), kMinCurrency);
  Currency c;
  EXPECT_FALSE(TryStrToCurr("922337203685477.5808", c));
  EXPECT_FALSE(TryStrToCurr("-922337203685477.5809", c));
  EXPECT_FALSE(TryStrToCurr("1e16", c));
  for (Currency v : {kMaxCurrency, kMinCurrency, Currency::FromScaled(123456789),
                     Currency::FromScaled(-7)})
    EXPECT_EQ(StrToCurr(CurrToStr(v)), v);
}

TEST(CurrencyText, ParsesAndRoundsHalfToEven) {
  EXPECT_EQ(StrToCurr("0.1").value, 1000);
  EXPECT_EQ(StrToCurr(" -12.3456 ").value, -123456);
  EXPECT_EQ(StrToCurr("1.23456789").value, 12346);
  EXPECT_EQ(StrToCurr("0.00005").value, 0);
  EXPECT_EQ(StrToCurr("0.00015").value, 2);
  EXPECT_EQ(StrToCurr("0.00025").value, 2);
  EXPECT_EQ(StrToCurr("0.000250001").value, 3);
  EXPECT_EQ(StrToCurr("-0.00035").value, -4);
  EXPECT_EQ(StrToCurr("0.000049999").value, 0);
  EXPECT_EQ(StrToCurr("1e3").value, 10000000);
  EXPECT_EQ(StrToCurr("15E-5").value, 2);
  EXPECT_EQ(StrToCurr("1e-99999").value, 0);
  EXPECT_EQ(StrToCurr("00000000000000000000000001.5").value, 15000);
  EXPECT_EQ(StrToCurr("12,5", CommaSettings()).value, 125000);
  for (const char* bad : {"", "abc", "1.2.3", "1,5", "1e", "$5", "1e99999"}) {
    Currency v = Currency::FromScaled(9);
    EXPECT_FALSE(TryStrToCurr(bad, v)) << bad;
    EXPECT_EQ(v.value, 9) << bad;
  }
  EXPECT_EQ(MessageOf<EConvertError>([] { StrToCurr("x1"); }), "'x1' is not a valid floating point value");
}

}  // namespace
}  // namespace classlib
