#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "classlib/bcd.h"
#include "classlib/exceptions.h"
#include "classlib/format_settings.h"

namespace classlib {
namespace {

std::string RoundTrip(const std::string& text) { return BCDToStr(StrToBCD(text)); }

int64_t CurrOf(const std::string& text) {
  Currency c;
  EXPECT_TRUE(BCDToCurr(StrToBCD(text), c)) << text;
  return c.value;
}

TEST(Bcd, PackedLayout) {
  const TBcd b = StrToBCD("-12.345");
  EXPECT_EQ(b.Precision, 5);
  EXPECT_EQ(b.SignSpecialPlaces, 0x80 | 3);
  EXPECT_EQ(b.Fraction[0], 0x12);
  EXPECT_EQ(b.Fraction[1], 0x34);
  EXPECT_EQ(b.Fraction[2], 0x50);
  const TBcd small = StrToBCD("0.05");
  EXPECT_EQ(small.Precision, 2);
  EXPECT_EQ(small.Places(), 2);
  EXPECT_EQ(small.Fraction[0], 0x05);
  const TBcd i = IntegerToBcd(1234);
  EXPECT_EQ(i.Precision, 4);
  EXPECT_EQ(i.SignSpecialPlaces, 0);
  EXPECT_EQ(i.Fraction[0], 0x12);
  EXPECT_EQ(i.Fraction[1], 0x34);
}

TEST(Bcd, TextShowsSignificantDigitsOnly) {
  EXPECT_EQ(RoundTrip("1.50"), "1.5");
  EXPECT_EQ(RoundTrip("-0.25"), "-0.25");
  EXPECT_EQ(RoundTrip("0"), "0");
  EXPECT_EQ(RoundTrip("000120.000"), "120");
  EXPECT_EQ(RoundTrip(".5"), "0.5");
  EXPECT_EQ(RoundTrip("+7."), "7");
  EXPECT_EQ(RoundTrip("  42.125 "), "42.125");
  EXPECT_EQ(BCDToStr(IntegerToBcd(INT64_MIN)), "-9223372036854775808");
  EXPECT_EQ(BCDToStr(IntegerToBcd(0)), "0");
}

TEST(Bcd, DecimalSeparatorOfTheSettings) {
  TFormatSettings fs;
  fs.DecimalSeparator = ',';
  const TBcd b = StrToBCD("2,5", fs);
  EXPECT_EQ(BCDToStr(b, fs), "2,5");
  EXPECT_EQ(BCDToStr(b), "2.5");
  TBcd ignored;
  EXPECT_FALSE(TryStrToBcd("2.5", ignored, fs));
}

TEST(Bcd, SixtyFourDigitsAndSixtyThreePlaces) {
  const std::string nines(64, '9');
  TBcd b = StrToBCD(nines);
  EXPECT_EQ(b.Precision, 64);
  EXPECT_EQ(b.Fraction[31], 0x99);
  EXPECT_EQ(BCDToStr(b), nines);
  EXPECT_EQ(RoundTrip("-" + nines), "-" + nines);
  TBcd ignored;
  EXPECT_FALSE(TryStrToBcd(nines + "9", ignored));
  EXPECT_FALSE(TryStrToBcd("1." + std::string(63, '0') + "1", ignored));  // 64 places
  EXPECT_TRUE(TryStrToBcd("1." + std::string(70, '0'), ignored));  // zeros say nothing
  EXPECT_EQ(BCDToStr(ignored), "1");

  for (int places = 0; places <= 63; ++places) {
    const std::string text =
        places == 0 ? "7" : "0." + std::string(static_cast<size_t>(places - 1), '0') + "7";
    const TBcd p = StrToBCD(text);
    EXPECT_EQ(p.Places(), places);
    EXPECT_EQ(BCDToStr(p), text);
    EXPECT_EQ(BcdCompare(p, StrToBCD(places == 0 ? "7.000" : text + "000")), 0);
  }
}

TEST(Bcd, NegativeZeroIsZero) {
  const TBcd parsed = StrToBCD("-0.00");
  EXPECT_FALSE(parsed.IsNegative());
  EXPECT_TRUE(BcdIsZero(parsed));
  TBcd signed_zero;
  signed_zero.Precision = 3;
  signed_zero.SignSpecialPlaces = 0x80 | 1;
  EXPECT_TRUE(BcdIsZero(signed_zero));
  EXPECT_EQ(BCDToStr(signed_zero), "0");
  EXPECT_EQ(BcdCompare(signed_zero, IntegerToBcd(0)), 0);
  EXPECT_EQ(BcdCompare(signed_zero, StrToBCD("-0.001")), 1);
  EXPECT_EQ(BCDToDouble(signed_zero), 0.0);
  TBcd empty;  // precision 0: nothing written yet
  EXPECT_TRUE(BcdIsZero(empty));
  EXPECT_EQ(BCDToStr(empty), "0");
}

TEST(Bcd, CurrencyExtremesRoundTrip) {
  for (Currency c : {kMaxCurrency, kMinCurrency, Currency::FromScaled(0),
                     Currency::FromScaled(-1), Currency::FromScaled(123456789)}) {
    TBcd b;
    ASSERT_TRUE(CurrToBCD(c, b));
    EXPECT_EQ(b.Precision, 32);
    EXPECT_EQ(b.Places(), 4);
    Currency back;
    ASSERT_TRUE(BCDToCurr(b, back));
    EXPECT_EQ(back, c);
  }
  TBcd b;
  ASSERT_TRUE(CurrToBCD(kMaxCurrency, b));
  EXPECT_EQ(BCDToStr(b), "922337203685477.5807");
  ASSERT_TRUE(CurrToBCD(kMinCurrency, b));
  EXPECT_EQ(BCDToStr(b), "-922337203685477.5808");
}

TEST(Bcd, CurrToBcdKeepsPrecisionAndPlaces) {
  // The digits end at the last place: new places rescale the same digits.
  TBcd b;
  ASSERT_TRUE(CurrToBCD(Currency::FromScaled(12300), b, 32, 4));
  b.SignSpecialPlaces = 2;
  EXPECT_EQ(BCDToStr(b), "123");
  ASSERT_TRUE(CurrToBCD(Currency::FromScaled(12350), b, 10, 2));
  EXPECT_EQ(b.Precision, 10);
  EXPECT_EQ(BCDToStr(b), "1.24");  // 1.235: tie goes to even
  ASSERT_TRUE(CurrToBCD(Currency::FromScaled(12250), b, 10, 2));
  EXPECT_EQ(BCDToStr(b), "1.22");
  ASSERT_TRUE(CurrToBCD(Currency::FromScaled(-15), b, 8, 6));
  EXPECT_EQ(BCDToStr(b), "-0.0015");
  EXPECT_FALSE(CurrToBCD(Currency::FromInt(1000), b, 3, 0));
  EXPECT_TRUE(CurrToBCD(Currency::FromInt(999), b, 3, 0));
  EXPECT_FALSE(CurrToBCD(Currency::FromInt(1), b, 65, 4));
  EXPECT_FALSE(CurrToBCD(Currency::FromInt(1), b, 4, 5));
}

TEST(Bcd, BcdToCurrRoundsHalfToEvenPastFourPlaces) {
  EXPECT_EQ(CurrOf("0.00005"), 0);
  EXPECT_EQ(CurrOf("0.00015"), 2);
  EXPECT_EQ(CurrOf("0.00025"), 2);
  EXPECT_EQ(CurrOf("0.000250001"), 3);
  EXPECT_EQ(CurrOf("-0.00015"), -2);
  EXPECT_EQ(CurrOf("0.99995"), 10000);
  EXPECT_EQ(CurrOf("12"), 120000);
  EXPECT_EQ(CurrOf("-922337203685477.5808"), INT64_MIN);
  EXPECT_EQ(CurrOf("922337203685477.58069"), INT64_MAX);
  Currency c = Currency::FromScaled(77);
  EXPECT_FALSE(BCDToCurr(StrToBCD("922337203685477.5808"), c));
  EXPECT_FALSE(BCDToCurr(StrToBCD("922337203685477.58075"), c));  // rounds up past the top
  EXPECT_FALSE(BCDToCurr(StrToBCD(std::string(64, '9')), c));
  EXPECT_EQ(c.value, 77);  // untouched on failure
}

TEST(Bcd, PlacesBeyondPrecisionAreLeadingZeros) {
  // Rereading the digits with four places turns them into Currency's raw integer.
  TBcd b = StrToBCD("-12.5");
  b.SignSpecialPlaces = 4;
  Currency c;
  ASSERT_TRUE(BCDToCurr(b, c));
  EXPECT_EQ(c.value, 125);
  EXPECT_EQ(BCDToStr(b), "0.0125");
}

TEST(Bcd, Doubles) {
  EXPECT_EQ(BCDToDouble(StrToBCD("1.5")), 1.5);
  EXPECT_EQ(BCDToDouble(StrToBCD("-0.25")), -0.25);
  EXPECT_EQ(BCDToDouble(StrToBCD("0.1")), 0.1);
  EXPECT_EQ(BCDToDouble(StrToBCD(std::string(64, '9'))), 1e64);
  EXPECT_EQ(BCDToStr(DoubleToBCD(0.1)), "0.1");
  EXPECT_EQ(BCDToStr(DoubleToBCD(-1e-5)), "-0.00001");
  EXPECT_EQ(BCDToStr(DoubleToBCD(123456789012.5)), "123456789012.5");
  EXPECT_EQ(BCDToStr(DoubleToBCD(1e20)), "100000000000000000000");
  EXPECT_TRUE(BcdIsZero(DoubleToBCD(1e-70)));
  EXPECT_EQ(BCDToStr(DoubleToBCD(1.5e-63)), "0." + std::string(62, '0') + "2");
  EXPECT_THROW(DoubleToBCD(1e100), EConvertError);
  EXPECT_THROW(DoubleToBCD(NAN), EConvertError);
  EXPECT_THROW(DoubleToBCD(-INFINITY), EConvertError);
}

TEST(Bcd, Compare) {
  EXPECT_EQ(BcdCompare(StrToBCD("1.5"), StrToBCD("1.50")), 0);
  EXPECT_EQ(BcdCompare(StrToBCD("-2"), StrToBCD("1")), -1);
  EXPECT_EQ(BcdCompare(StrToBCD("10"), StrToBCD("9.99")), 1);
  EXPECT_EQ(BcdCompare(StrToBCD("-10"), StrToBCD("-9.99")), -1);
  EXPECT_EQ(BcdCompare(StrToBCD("0.001"), StrToBCD("0.01")), -1);
  TBcd padded;
  ASSERT_TRUE(CurrToBCD(Currency::FromInt(5), padded, 20, 4));  // leading zeros
  EXPECT_EQ(BcdCompare(padded, IntegerToBcd(5)), 0);
  EXPECT_EQ(BcdCompare(padded, IntegerToBcd(40)), -1);
}

TEST(Bcd, MalformedTextAndValues) {
  for (const char* bad : {"", " ", "-", ".", "+.", "1.2.3", "1e5", "12a", "1 2", "--1"}) {
    TBcd ignored;
    EXPECT_FALSE(TryStrToBcd(bad, ignored)) << bad;
  }
  try {
    StrToBCD("abc");
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'abc' is not a valid BCD value");
  }
  TBcd bad_nibble = IntegerToBcd(12);
  bad_nibble.Fraction[0] = 0x1A;
  EXPECT_THROW(BCDToStr(bad_nibble), EConvertError);
  EXPECT_THROW(BcdCompare(bad_nibble, IntegerToBcd(1)), EConvertError);
  Currency c;
  EXPECT_FALSE(BCDToCurr(bad_nibble, c));
  TBcd too_long = IntegerToBcd(1);
  too_long.Precision = 65;
  EXPECT_THROW(BCDToDouble(too_long), EConvertError);
}

}  // namespace
}  // namespace classlib
