#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "classlib/currency.h"
#include "classlib/exceptions.h"

namespace classlib {
namespace {

int64_t Scaled(double d) { return Currency::FromDouble(d).value; }
Currency C(int64_t scaled) { return Currency::FromScaled(scaled); }

TEST(Currency, FromDoubleKeepsFourDecimalsAndRoundsTiesToEven) {
  EXPECT_EQ(Scaled(1.5), 15000);
  EXPECT_EQ(Scaled(-1234.5678), -12345678);
  EXPECT_EQ(Scaled(0.00005), 0);
  EXPECT_EQ(Scaled(0.00015), 2);
  EXPECT_EQ(Scaled(0.00025), 2);
  EXPECT_EQ(Scaled(-0.00015), -2);
  EXPECT_EQ(Scaled(0.12345), 1234);
  EXPECT_EQ(Scaled(0.12355), 1236);
  EXPECT_EQ(Scaled(0.000050001), 1);
  EXPECT_EQ(Scaled(1.00004999), 10000);
  EXPECT_EQ(Scaled(0.99995), 10000);
}

TEST(Currency, FromDoubleAtTheLimits) {
  EXPECT_EQ(Scaled(922337203685477.5), 9223372036854775000);
  EXPECT_EQ(Scaled(-922337203685477.5), -9223372036854775000);
  // The nearest double to the largest value is ...477.625: out of range.
  EXPECT_THROW(Currency::FromDouble(922337203685477.5807), ERangeError);
  EXPECT_THROW(Currency::FromDouble(1e15), ERangeError);
  EXPECT_THROW(Currency::FromDouble(-1e300), ERangeError);
  EXPECT_THROW(Currency::FromDouble(NAN), ERangeError);
  EXPECT_THROW(Currency::FromDouble(INFINITY), ERangeError);
  EXPECT_EQ(kMaxCurrency.value, INT64_MAX);
  EXPECT_DOUBLE_EQ(kMinCurrency.ToDouble(), -922337203685477.5808);
}

TEST(Currency, AdditionAndSubtractionCheckOverflow) {
  EXPECT_EQ(C(15000) + C(2500), C(17500));
  EXPECT_EQ(C(15000) - C(25000), C(-10000));
  EXPECT_EQ(kMaxCurrency - kMaxCurrency, C(0));
  EXPECT_EQ(kMinCurrency + kMaxCurrency, C(-1));
  EXPECT_THROW(kMaxCurrency + C(1), ERangeError);
  EXPECT_THROW(kMinCurrency - C(1), ERangeError);
  EXPECT_THROW(C(0) - kMinCurrency, ERangeError);
  EXPECT_THROW(-kMinCurrency, ERangeError);
  EXPECT_EQ(-kMaxCurrency, C(INT64_MIN + 1));
}

TEST(Currency, MultiplicationRoundsHalfToEven) {
  EXPECT_EQ(C(15000) * C(15000), C(22500));         // 1.5 * 1.5
  EXPECT_EQ(C(1) * C(5000), C(0));                  // 0.00005
  EXPECT_EQ(C(3) * C(5000), C(2));                  // 0.00015
  EXPECT_EQ(C(-3) * C(5000), C(-2));
  EXPECT_EQ(C(5) * C(5000), C(2));                  // 0.00025
  EXPECT_EQ(C(7) * C(5001), C(4));                  // 0.00035007
  // The product needs more than 64 bits before it is scaled back.
  EXPECT_EQ(kMaxCurrency * C(10000), kMaxCurrency);
  EXPECT_EQ(kMinCurrency * C(10000), kMinCurrency);
  EXPECT_THROW(kMaxCurrency * C(20000), ERangeError);
  EXPECT_THROW(kMinCurrency * C(-10000), ERangeError);
}

TEST(Currency, DivisionRoundsHalfToEven) {
  EXPECT_EQ(C(10000) / C(30000), C(3333));
  EXPECT_EQ(C(20000) / C(30000), C(6667));
  EXPECT_EQ(C(-20000) / C(30000), C(-6667));
  EXPECT_EQ(C(20000) / C(-30000), C(-6667));
  EXPECT_EQ(C(1) / C(20000), C(0));   // 0.00005
  EXPECT_EQ(C(3) / C(20000), C(2));   // 0.00015
  EXPECT_EQ(C(-3) / C(20000), C(-2));
  EXPECT_EQ(kMaxCurrency / C(10000), kMaxCurrency);
  EXPECT_THROW(C(10000) / C(0), ERangeError);
  EXPECT_THROW(kMinCurrency / C(-10000), ERangeError);
  EXPECT_THROW(kMaxCurrency / C(1), ERangeError);  // divided by 0.0001
}

TEST(Rounding, BankersRoundTruncFracInt) {
  const std::vector<std::pair<double, int64_t>> cases = {
      {0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2},
      {2.4999999, 2}, {2.5000001, 3}, {-2.7, -3}, {4503599627370497.0, 4503599627370497}};
  for (const auto& [d, expected] : cases) EXPECT_EQ(Round(d), expected) << d;
  EXPECT_THROW(Round(1e19), ERangeError);
  EXPECT_THROW(Round(NAN), ERangeError);
  EXPECT_EQ(Round(-9223372036854775808.0), INT64_MIN);

  EXPECT_EQ(Round(C(25000)), 2);
  EXPECT_EQ(Round(C(35000)), 4);
  EXPECT_EQ(Round(C(-25000)), -2);
  EXPECT_EQ(Round(C(25001)), 3);
  EXPECT_EQ(Round(C(-35000)), -4);
  EXPECT_EQ(Round(kMaxCurrency), 922337203685478);

  EXPECT_EQ(Trunc(-2.7), -2);
  EXPECT_EQ(Trunc(2.7), 2);
  EXPECT_THROW(Trunc(-1e19), ERangeError);
  EXPECT_DOUBLE_EQ(Frac(-2.75), -0.75);
  EXPECT_DOUBLE_EQ(Int(-2.75), -2.0);
  EXPECT_DOUBLE_EQ(Frac(2.75), 0.75);
}

TEST(Random, SeededSequencesRepeatAndStayInRange) {
  RandSeed(7);
  std::vector<int> first;
  for (int i = 0; i < 20; ++i) first.push_back(Random(1000));
  RandSeed(7);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(Random(1000), first[i]);

  std::set<int> seen;
  for (int i = 0; i < 2000; ++i) {
    const int r = Random(10);
    ASSERT_GE(r, 0);
    ASSERT_LT(r, 10);
    seen.insert(r);
  }
  EXPECT_EQ(seen.size(), 10u);
  EXPECT_EQ(Random(0), 0);
  EXPECT_EQ(Random(-5), 0);
  Randomize();
  double sum = 0;
  for (int i = 0; i < 2000; ++i) {
    const double r = Random();
    ASSERT_GE(r, 0.0);
    ASSERT_LT(r, 1.0);
    sum += r;
  }
  EXPECT_NEAR(sum / 2000, 0.5, 0.05);
  EXPECT_GE(Random(2147483647), 0);
}

}  // namespace
}  // namespace classlib
