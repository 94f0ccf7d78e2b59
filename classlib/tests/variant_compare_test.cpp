#include <gtest/gtest.h>

#include "classlib/exceptions.h"
#include "classlib/format_settings.h"
#include "classlib/variant.h"

namespace classlib {
namespace {

class VariantCompare : public ::testing::Test {
 protected:
  void TearDown() override { ResetFormatSettings(); }
};

TEST_F(VariantCompare, NullEqualsNullAndSortsFirst) {
  EXPECT_TRUE(Null() == Null());
  EXPECT_FALSE(Null() == Variant(0));
  EXPECT_FALSE(Null() == Variant());
  EXPECT_TRUE(Null() != Variant(""));
  EXPECT_TRUE(Null() < Variant(-1000));
  EXPECT_TRUE(Null() < Variant());
  EXPECT_TRUE(Variant("") > Null());
  EXPECT_EQ(VarCompareValue(Null(), Variant(5)), vrLessThan);
  EXPECT_EQ(VarCompareValue(Variant(5), Null()), vrGreaterThan);
  EXPECT_EQ(VarCompareValue(Null(), Null()), vrEqual);
}

TEST_F(VariantCompare, NumberAgainstTextComparesNumbers) {
  EXPECT_TRUE(Variant(5) == Variant("5"));
  EXPECT_TRUE(Variant("5") == Variant(5.0));
  // As texts "10" < "5"; as numbers it is the other way round.
  EXPECT_TRUE(Variant(5) < Variant("10"));
  EXPECT_TRUE(Variant("10") > Variant(5));
  EXPECT_TRUE(Variant(2) < Variant("2.5"));
  EXPECT_TRUE(Variant(Currency::FromScaled(15000)) == Variant("1.5"));
  EXPECT_THROW((void)(Variant(5) == Variant("five")), EVariantError);
  EXPECT_FALSE(VarSameValue(Variant(5), Variant("five")));
  FormatSettings().DecimalSeparator = ',';
  EXPECT_TRUE(Variant(2.5) == Variant("2,5"));
  EXPECT_THROW((void)(Variant(2.5) == Variant("2.5")), EVariantError);
}

TEST_F(VariantCompare, NumbersAcrossKindsCompareByValue) {
  EXPECT_TRUE(Variant(1) == Variant(1.0));
  EXPECT_TRUE(Variant(int16_t{7}) == Variant(uint8_t{7}));
  EXPECT_TRUE(Variant(uint8_t{200}) > Variant(int8_t{-1}));
  EXPECT_TRUE(Variant(4000000000u) > Variant(-1));
  // Exact: as doubles these two would be equal.
  EXPECT_TRUE(Variant(INT64_MAX) > Variant(INT64_MAX - 1));
  EXPECT_TRUE(Variant(Currency::FromScaled(10001)) > Variant(1));
  EXPECT_TRUE(Variant(Currency::FromScaled(15000)) == Variant(1.5));
  EXPECT_TRUE(Variant::FromDate(2.0) == Variant(2));
  EXPECT_TRUE(Variant(0.1f) != Variant(0.1));
  EXPECT_TRUE(Variant(StrToBCD("12.30")) == Variant(12.3));
  EXPECT_TRUE(Variant(StrToBCD("12.31")) > Variant(Currency::FromScaled(123000)));
  EXPECT_TRUE(Variant(false) < Variant(true));
  EXPECT_TRUE(Variant(true) == Variant("TRUE"));
  EXPECT_TRUE(Variant(true) == Variant(-1));
}

TEST_F(VariantCompare, TextsCompareOrdinally) {
  EXPECT_TRUE(Variant("B") < Variant("a"));
  EXPECT_TRUE(Variant("a") != Variant("A"));
  EXPECT_TRUE(Variant("abc") < Variant("abd"));
  EXPECT_TRUE(Variant("ab") < Variant("abc"));
  // Bytes above 0x7F count as unsigned: CP1251 "а" sorts after "z".
  EXPECT_TRUE(Variant("\xE0") > Variant("z"));
  const std::string ansi = "\xCF\xF0\xE8\xE2\xE5\xF2";  // "Привет"
  EXPECT_TRUE(Variant(ansi) == Variant(u"Привет"));
  EXPECT_TRUE(Variant(u"Привет") == Variant(ansi));
  EXPECT_TRUE(Variant(u"Б") > Variant("\xC0"));  // "А"
}

TEST_F(VariantCompare, EmptyIsTheZeroOfTheOtherSide) {
  EXPECT_TRUE(Variant() == Variant());
  EXPECT_TRUE(Variant() == Variant(0));
  EXPECT_TRUE(Variant() == Variant(""));
  EXPECT_TRUE(Variant() == Variant(u""));
  EXPECT_TRUE(Variant() == Variant(false));
  EXPECT_TRUE(Variant() < Variant(1));
  EXPECT_TRUE(Variant() > Variant(-0.5));
  EXPECT_TRUE(Variant("a") > Variant());
}

TEST_F(VariantCompare, ArraysAndReferencesHaveNoOrder) {
  Variant a = VarArrayOf({Variant(1), Variant("x")});
  Variant b = VarArrayOf({Variant(1.0), Variant("x")});
  Variant c = VarArrayOf({Variant(1), Variant("y")});
  EXPECT_TRUE(a == b);
  EXPECT_TRUE(a != c);
  EXPECT_EQ(VarCompareValue(a, c), vrNotEqual);
  try {
    (void)(a < c);
    FAIL() << "arrays were ordered";
  } catch (const EVariantError& e) {
    EXPECT_EQ(e.Message(), "Invalid variant operation");
  }
  EXPECT_TRUE(VarArrayCreate({0, 1}, varByte) != VarArrayCreate({1, 2}, varByte));
  EXPECT_EQ(VarCompareValue(a, Variant(1)), vrNotEqual);

  TObject x, y;
  EXPECT_TRUE(Variant::FromObject(&x) == Variant::FromObject(&x));
  EXPECT_TRUE(Variant::FromObject(&x) != Variant::FromObject(&y));
  EXPECT_TRUE(Variant::FromError(3) == Variant::FromError(3));
  EXPECT_EQ(VarCompareValue(Variant::FromError(3), Variant(3)), vrNotEqual);

  Variant target(7);
  EXPECT_TRUE(Variant::Reference(&target) == Variant(7));
  EXPECT_TRUE(Variant(6) < Variant::Reference(&target));
}

TEST_F(VariantCompare, DatesAgainstText) {
  auto& fs = FormatSettings();
  fs.ShortDateFormat = "dd.mm.yyyy";
  fs.DateSeparator = '.';
  Variant d = Variant::FromDate(EncodeDate(2024, 3, 5));
  EXPECT_TRUE(d == Variant("05.03.2024"));
  EXPECT_TRUE(d < Variant("06.03.2024"));
  EXPECT_THROW((void)(d == Variant("no date")), EVariantError);
  EXPECT_TRUE(Variant(TSQLTimeStamp{2024, 3, 5, 0, 0, 0, 0}) == d);
}

TEST(VariantArith, IntegersWidenAndOverflowIsCaught) {
  Variant sum = Variant(2) + Variant(int16_t{3});
  EXPECT_EQ(VarType(sum), varInteger);
  EXPECT_EQ(sum.AsInteger(), 5);
  Variant wide = Variant(INT32_MAX) + Variant(1);
  EXPECT_EQ(VarType(wide), varInt64);
  EXPECT_EQ(wide.AsInt64(), int64_t{INT32_MAX} + 1);
  EXPECT_THROW((void)(Variant(INT64_MAX) + Variant(1)), EVariantError);
  EXPECT_EQ((Variant(6) * Variant(7)).AsInteger(), 42);
  EXPECT_EQ((-Variant(INT32_MIN)).AsInt64(), -int64_t{INT32_MIN});
  Variant q = Variant(7) / Variant(2);
  EXPECT_EQ(VarType(q), varDouble);
  EXPECT_EQ(q.AsDouble(), 3.5);
  EXPECT_THROW((void)(Variant(1) / Variant(0)), EVariantError);
}

TEST(VariantArith, MixedKinds) {
  EXPECT_EQ(VarType(Variant(1) + Variant(0.5)), varDouble);
  Variant money = Variant(Currency::FromScaled(1)) + Variant(2);
  EXPECT_EQ(VarType(money), varCurrency);
  EXPECT_EQ(money.AsCurrency().value, 20001);
  EXPECT_EQ((Variant(Currency::FromScaled(15000)) * Variant(3)).AsCurrency().value, 45000);
  EXPECT_THROW((void)(Variant(kMaxCurrency) + Variant(1)), EVariantError);
  EXPECT_THROW((void)(Variant(kMaxCurrency) * Variant(Currency::FromInt(2))), EVariantError);
  EXPECT_EQ((Variant("ab") + Variant(u"c")).AsOleStr(), u"abc");
  EXPECT_EQ(VarType(Variant("ab") + Variant("c")), varString);
  EXPECT_EQ((Variant("x") + Variant()).AsString(), "x");
  EXPECT_EQ((Variant("2") + Variant(3)).AsInteger(), 5);
  EXPECT_THROW((void)(Variant("two") + Variant(3)), EVariantError);
  EXPECT_TRUE(VarIsNull(Null() + Variant(1)));
  EXPECT_TRUE(VarIsNull(-Null()));
  Variant later = Variant::FromDate(10.25) + Variant(1);
  EXPECT_EQ(VarType(later), varDate);
  EXPECT_EQ(later.AsDate(), 11.25);
  EXPECT_EQ(VarType(Variant::FromDate(3.0) - Variant::FromDate(1.0)), varDouble);
  EXPECT_THROW((void)(VarArrayOf({Variant(1)}) + Variant(1)), EVariantError);
}

TEST(VariantArith, Not) {
  EXPECT_FALSE(VarNot(Variant(true)).AsBoolean());
  EXPECT_TRUE(VarNot(Variant("False")).AsBoolean());
  EXPECT_EQ(VarNot(Variant(0)).AsInteger(), -1);
  EXPECT_TRUE(VarIsNull(VarNot(Null())));
  EXPECT_THROW((void)VarNot(Variant(1.5)), EVariantError);
}

}  // namespace
}  // namespace classlib
