#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "classlib/bcd.h"
#include "classlib/exceptions.h"
#include "classlib/format_settings.h"
#include "fib/base/bcd_scaled.h"
#include "fib/base/numeric_helpers.h"
#include "fib/base/numeric_mask.h"
#include "fib/base/numeric_text.h"
#include "fib/base/timestamps.h"

namespace fib {
namespace {

// Tests that change the locale's separators put them back.
class Locale : public ::testing::Test {
 protected:
  ~Locale() override { classlib::ResetFormatSettings(); }
  static void Use(char decimal, char thousands) {
    classlib::FormatSettings().DecimalSeparator = decimal;
    classlib::FormatSettings().ThousandSeparator = thousands;
  }
};

// ---- integers and scaled integers as text ------------------------------------

TEST(Int64ToText, ExactOverTheWholeRange) {
  EXPECT_EQ(Int64ToText(INT64_MIN), "-9223372036854775808");
  EXPECT_EQ(Int64ToText(INT64_MAX), "9223372036854775807");
  EXPECT_EQ(Int64ToText(999999999999999999), "999999999999999999");
  EXPECT_EQ(Int64ToText(1000000000000000000), "1000000000000000000");
  EXPECT_EQ(Int64ToText(-1000000000000000001), "-1000000000000000001");
  EXPECT_EQ(Int64ToText(0), "0");
}

TEST(ScaledInt64ToStrSep, PlacesThePointAndDropsTrailingZeros) {
  EXPECT_EQ(ScaledInt64ToStrSep(2, '.', 100), "1");
  EXPECT_EQ(ScaledInt64ToStrSep(4, '.', 0), "0");
  EXPECT_EQ(ScaledInt64ToStrSep(2, '.', 12300), "123");
  EXPECT_EQ(ScaledInt64ToStrSep(2, '.', 12340), "123.4");
  EXPECT_EQ(ScaledInt64ToStrSep(3, '.', -5), "-0.005");
  EXPECT_EQ(ScaledInt64ToStrSep(2, ',', -123456), "-1234,56");
  // Scale 0 and below leave the integer alone.
  EXPECT_EQ(ScaledInt64ToStrSep(0, '.', -4200), "-4200");
  EXPECT_EQ(ScaledInt64ToStrSep(-2, '.', 42), "42");
}

TEST(ScaledInt64ToStrSep, LargestScaleAndExtremeValues) {
  EXPECT_EQ(ScaledInt64ToStrSep(18, '.', INT64_MIN), "-9.223372036854775808");
  EXPECT_EQ(ScaledInt64ToStrSep(18, '.', INT64_MAX), "9.223372036854775807");
  EXPECT_EQ(ScaledInt64ToStrSep(18, '.', 1), "0.000000000000000001");
  EXPECT_EQ(ScaledInt64ToStrSep(18, '.', -1), "-0.000000000000000001");
  EXPECT_EQ(ScaledInt64ToStrSep(19, '.', INT64_MIN), "-0.9223372036854775808");
}

TEST_F(Locale, ScaledTextAndZeroTestFollowTheLocale) {
  Use(',', ' ');
  EXPECT_EQ(ScaledInt64ToStr(15, 1), "1,5");
  EXPECT_TRUE(IsZeroText("0,00"));
  EXPECT_FALSE(IsZeroText("0.00"));
  Use('.', ',');
  EXPECT_TRUE(IsZeroText("0"));
  EXPECT_TRUE(IsZeroText("00.0"));
  EXPECT_FALSE(IsZeroText(""));
  EXPECT_FALSE(IsZeroText("-0"));
  EXPECT_FALSE(IsZeroText("0.01"));
}

// ---- packed decimals ---------------------------------------------------------

TEST(BCDToInt64Scaled, DigitsBecomeTheIntegerAndPlacesTheScale) {
  int64_t value = 1;
  uint8_t scale = 9;
  ASSERT_TRUE(BCDToInt64Scaled(classlib::StrToBCD("-12.345"), value, scale));
  EXPECT_EQ(value, -12345);
  EXPECT_EQ(scale, 3);
  ASSERT_TRUE(BCDToInt64Scaled(classlib::StrToBCD("0"), value, scale));
  EXPECT_EQ(value, 0);
  ASSERT_TRUE(BCDToInt64Scaled(classlib::StrToBCD("922337203685477.5807"), value, scale));
  EXPECT_EQ(value, INT64_MAX);
  EXPECT_EQ(scale, 4);
  ASSERT_TRUE(BCDToInt64Scaled(classlib::StrToBCD("-9223372036854775808"), value, scale));
  EXPECT_EQ(value, INT64_MIN);
  EXPECT_EQ(scale, 0);
}

TEST(BCDToInt64Scaled, ReportsWhatDoesNotFit) {
  int64_t value = 0;
  uint8_t scale = 0;
  EXPECT_FALSE(BCDToInt64Scaled(classlib::StrToBCD("9223372036854775808"), value, scale));
  EXPECT_FALSE(BCDToInt64Scaled(classlib::StrToBCD("123456789012345678901234567890"), value,
                                scale));
  classlib::TBcd bad;
  bad.Precision = 2;
  bad.Fraction[0] = 0x1A;  // a nibble above 9
  EXPECT_FALSE(BCDToInt64Scaled(bad, value, scale));

  classlib::TBcd special;
  special.Precision = 2;
  special.SignSpecialPlaces = 0x80 | 0x40 | 2;
  special.Fraction[0] = 0x12;
  value = 7;
  EXPECT_TRUE(BCDToInt64Scaled(special, value, scale));
  EXPECT_EQ(value, 0);
  EXPECT_EQ(scale, 0x42);
}

TEST(BCDToExtended, DividesByTheScale) {
  long double value = 0;
  ASSERT_TRUE(BCDToExtended(classlib::StrToBCD("-12.345"), value));
  EXPECT_EQ(value, -12345.0L / 1000.0L);
  ASSERT_TRUE(BCDToExtended(classlib::StrToBCD("0.00000000000000000000123"), value));
  EXPECT_NEAR(static_cast<double>(value), 1.23e-21, 1e-35);
  EXPECT_FALSE(BCDToExtended(classlib::StrToBCD("99999999999999999999"), value));
}

TEST_F(Locale, BCDToPointStrAlwaysUsesAPoint) {
  Use(',', ' ');
  EXPECT_EQ(BCDToPointStr(classlib::StrToBCD("-1,5")), "-1.5");
  EXPECT_EQ(BCDToPointStr(classlib::StrToBCD("42")), "42");
}

// ---- small helpers -----------------------------------------------------------

TEST(NumericHelpers, ScaleTableAndBits) {
  EXPECT_EQ(PowerOfTen(0), 1.0);
  EXPECT_EQ(PowerOfTen(18), 1e18);
  EXPECT_EQ(PowerOfTen(-18), 1e-18);
  EXPECT_THROW(PowerOfTen(19), classlib::EAssertionFailed);
  EXPECT_EQ(SetBitInByte(0, 7, true), 128);
  EXPECT_EQ(SetBitInByte(0xFF, 0, false), 0xFE);
  EXPECT_EQ(SetBitInByte(0x10, 4, true), 0x10);
  EXPECT_THROW(SetBitInByte(0, 8, true), classlib::EAssertionFailed);
}

TEST(NumericHelpers, RoundToDecimalsRoundsHalvesToEven) {
  // Binary-exact halves, so the tie is a real tie.
  EXPECT_EQ(RoundToDecimals(2.125L, 2), 2.12L);
  EXPECT_EQ(RoundToDecimals(2.375L, 2), 2.38L);
  EXPECT_EQ(RoundToDecimals(-2.125L, 2), -2.12L);
  EXPECT_EQ(RoundToDecimals(2.5L, 0), 2.0L);
  EXPECT_EQ(RoundToDecimals(3.5L, 0), 4.0L);
  EXPECT_EQ(RoundToDecimals(-3.5L, 0), -4.0L);
  EXPECT_EQ(RoundToDecimals(35.0L, -1), 40.0L);
  EXPECT_EQ(RoundToDecimals(-25.0L, -1), -20.0L);
  EXPECT_EQ(RoundToDecimals(1e15L + 0.25L, 1), 1e15L + 0.2L);
}

// Decimal fields read their scaled integer as the extended quotient rounded
// to double; the one-division shortcut must give the same double.
TEST(NumericHelpers, ScaledToDoubleRoundsAsTheExtendedQuotient) {
  auto extended = [](int64_t value, int scale) {
    return static_cast<double>(static_cast<long double>(value) / PowerOfTen(scale));
  };
  std::mt19937_64 random(11);
  const int64_t exact = int64_t{1} << 53;
  for (int scale = 0; scale <= kMaxPowerOfTen; ++scale) {
    std::vector<int64_t> values = {0, 1, -1, exact, -exact, exact + 1, -exact - 1, INT64_MAX, INT64_MIN};
    for (int i = 0; i < 100000; ++i) {
      const int bits = 1 + static_cast<int>(random() % 63);
      const auto value = static_cast<int64_t>(random() >> (64 - bits));
      values.push_back(i % 2 == 0 ? value : -value);
    }
    for (int64_t value : values) {
      const double got = ScaledToDouble(value, scale);
      const double want = extended(value, scale);
      ASSERT_EQ(std::memcmp(&got, &want, sizeof got), 0) << value << " scale " << scale;
    }
  }
  // Where the two roundings part, the extended one is kept.
  EXPECT_NE(982 / 1e8, extended(982, 8));
  EXPECT_EQ(ScaledToDouble(982, 8), extended(982, 8));
}

TEST(NumericHelpers, RandomDigitsAndRanges) {
  std::string digits = RandomDigits(25);
  ASSERT_EQ(digits.size(), 25u);
  EXPECT_EQ(digits.find_first_not_of("0123456789"), std::string::npos);
  EXPECT_EQ(RandomDigits(0), "");
  EXPECT_EQ(RandomInRange(5, 5), 5);
  for (int i = 0; i < 200; ++i) {
    int64_t n = RandomInRange(-3, 3);
    EXPECT_GE(n, -3);
    EXPECT_LT(n, 3);
  }
  int64_t wide = RandomInRange(INT64_MIN / 2, INT64_MAX / 2);
  EXPECT_GE(wide, INT64_MIN / 2);
  EXPECT_LT(wide, INT64_MAX / 2);
}

// ---- time stamps -------------------------------------------------------------

TEST(TimeStamps, ABareTimeIsAFractionOfADay) {
  EXPECT_EQ(TimeStampToDateTimeEx(MakeTimeStamp(0, 0)), 0.0);
  EXPECT_EQ(TimeStampToDateTimeEx(MakeTimeStamp(0, 43200000)), 0.5);
  double last = TimeStampToDateTimeEx(MakeTimeStamp(0, classlib::kMSecsPerDay - 1));
  EXPECT_GT(last, 0.99999998);
  EXPECT_LT(last, 1.0);
  EXPECT_THROW(TimeStampToDateTimeEx(MakeTimeStamp(0, classlib::kMSecsPerDay)),
               classlib::EConvertError);
  EXPECT_THROW(TimeStampToDateTimeEx(MakeTimeStamp(0, -1)), classlib::EConvertError);
}

TEST(TimeStamps, DatesAtTheEndsOfTheRange) {
  // Day 1 is 0001-01-01; before 1899-12-30 the time still counts forward.
  EXPECT_EQ(TimeStampToDateTimeEx(MakeTimeStamp(1, 0)), -693593.0);
  EXPECT_EQ(TimeStampToDateTimeEx(MakeTimeStamp(1, 43200000)), -693593.5);
  EXPECT_EQ(TimeStampToDateTimeEx(MakeTimeStamp(classlib::kDateDelta, 21600000)), 0.25);
  // 9999-12-31, the last millisecond.
  double last = TimeStampToDateTimeEx(MakeTimeStamp(3652059, classlib::kMSecsPerDay - 1));
  EXPECT_NEAR(last, 2958465.99999999, 1e-8);
  EXPECT_THROW(TimeStampToDateTimeEx(MakeTimeStamp(-1, 0)), classlib::EConvertError);
}

TEST(TimeStamps, EveryDayNumberIsAWholeDate) {
  EXPECT_EQ(DateOfDayNumber(0), 0.0);
  for (int32_t day = 1; day <= 3652059; ++day) {
    double value = DateOfDayNumber(day);
    if (value != day - classlib::kDateDelta) {
      ADD_FAILURE() << "day " << day << " gives " << value;
      break;
    }
  }
  int year = 0, month = 0, dd = 0;
  classlib::DecodeDate(DateOfDayNumber(3652059), year, month, dd);
  EXPECT_EQ(year * 10000 + month * 100 + dd, 99991231);
}

// ---- numeric masks -----------------------------------------------------------

TEST(FormatNumericMask, DigitsDecimalsAndThousands) {
  EXPECT_EQ(FormatNumericMask("#,##0.00", "1234567.891", false), "1,234,567.89");
  EXPECT_EQ(FormatNumericMask("#,##0.00", "-1234.5", false), "-1,234.50");
  EXPECT_EQ(FormatNumericMask("#,##0.00", "-123456", false), "-123,456.00");
  EXPECT_EQ(FormatNumericMask("#,##0.00", "0", false), "0.00");
  EXPECT_EQ(FormatNumericMask("0.###", "2.5", false), "2.5");
  EXPECT_EQ(FormatNumericMask("0.###", "1.23456", false), "1.235");
  EXPECT_EQ(FormatNumericMask("0.###", "9.9996", false), "10");
  EXPECT_EQ(FormatNumericMask("#,##0", "999.5", false), "1,000");
  EXPECT_EQ(FormatNumericMask("000", "5", false), "005");
  // A sign is kept only while a digit is not zero.
  EXPECT_EQ(FormatNumericMask("0.00", "-0.001", false), "0.00");
}

TEST(FormatNumericMask, LeadingPointAndLiteralText) {
  EXPECT_EQ(FormatNumericMask(".##", "0.5", false), ".5");
  EXPECT_EQ(FormatNumericMask(".##", "-0.5", false), "-.5");
  EXPECT_EQ(FormatNumericMask("$#,##0", "1234.5", false), "$1,235");
  EXPECT_EQ(FormatNumericMask("$#,##0", "-1234.5", false), "-$1,235");
  EXPECT_EQ(FormatNumericMask("#0.00 kg", "12.5", false), "12.50 kg");
  EXPECT_EQ(FormatNumericMask("No. #", "7", false), "No. 7");
  EXPECT_EQ(FormatNumericMask("#.##", "12", false), "12");
}

TEST(FormatNumericMask, EmptyAndDegenerateMasks) {
  EXPECT_EQ(FormatNumericMask("#,##0.00", "", false), "");
  EXPECT_EQ(FormatNumericMask("", "12.5", false), "12.5");
  EXPECT_EQ(FormatNumericMask(" \t;", "12.5", true), "");
  EXPECT_EQ(FormatNumericMask("N/A", "12.5", false), "N/A");
  EXPECT_EQ(FormatNumericMask("#0.00", "twelve", false), "twelve");
}

TEST(FormatNumericMask, SectionsByTheSignOfTheNumber) {
  const char* mask = "#,##0.00;(#,##0.00);Zero";
  EXPECT_EQ(FormatNumericMask(mask, "5", false), "5.00");
  EXPECT_EQ(FormatNumericMask(mask, "+5", false), "5.00");
  EXPECT_EQ(FormatNumericMask(mask, "-1234.5", false), "(1,234.50)");
  EXPECT_EQ(FormatNumericMask(mask, "0.00", false), "Zero");
  EXPECT_EQ(FormatNumericMask(mask, "0.5", false), "0.50");
  // One ";": everything after it is the negative section.
  EXPECT_EQ(FormatNumericMask("0.0;-0.0 minus", "-2", false), "-2.0 minus");
  // An empty negative section leaves the number as it came.
  EXPECT_EQ(FormatNumericMask("#,##0.00;", "-1234.5", false), "-1234.5");
  // Without sections the ";" is trailing noise.
  EXPECT_EQ(FormatNumericMask("0.0;", "-2", true), "-2.0");
}

TEST_F(Locale, MasksWriteTheLocaleSeparators) {
  Use(',', ' ');
  EXPECT_EQ(FormatNumericMask("#,##0.00", "1234,5", false), "1 234,50");
  EXPECT_EQ(FormatNumericMask("0.00", "7", false), "7,00");
}

}  // namespace
}  // namespace fib
