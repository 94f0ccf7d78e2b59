#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "classlib/exceptions.h"
#include "fib/base/variant_routines.h"

namespace {

using classlib::Currency;
using classlib::Variant;
using fib::CompareVariants;
using fib::EqualVariants;

std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const classlib::Exception& e) {
    return e.Message();
  }
  return "nothing raised";
}

TEST(CompareVariants, IntegersAgainstFloatsUseTheTolerance) {
  EXPECT_EQ(CompareVariants(Variant(1), Variant(1.0 + 1e-15)), 0);
  EXPECT_EQ(CompareVariants(Variant(1), Variant(1.0001)), -1);
  EXPECT_EQ(CompareVariants(Variant(2.0), Variant(1.0 + 1.0 + 5e-15)), 0);
  EXPECT_EQ(CompareVariants(Variant(float(0.5f)), Variant(0.25)), 1);
  EXPECT_EQ(CompareVariants(Variant(int64_t{1} << 40), Variant(int16_t{7})), 1);
  EXPECT_EQ(CompareVariants(Variant(uint32_t{4000000000u}), Variant(int32_t{-1})), 1);
}

TEST(CompareVariants, ScaledCurrencyDoesNotOverflow) {
  // 300000 * 10000 does not fit 32 bits; 10^15 * 10000 does not fit 64.
  EXPECT_EQ(CompareVariants(Variant(300000), Variant(Currency::FromInt(300000))), 0);
  EXPECT_EQ(CompareVariants(Variant(300001), Variant(Currency::FromInt(300000))), 1);
  EXPECT_EQ(CompareVariants(Variant(int64_t{1000000000000000}),
                            Variant(Currency::FromInt(900000000000000))),
            1);
  EXPECT_EQ(CompareVariants(Variant(Currency::FromInt(300000)), Variant(300000)), 0);
  EXPECT_EQ(CompareVariants(Variant(Currency::FromScaled(-5)), Variant(int64_t{-9000000000000000})),
            1);
  EXPECT_EQ(CompareVariants(Variant(Currency::FromScaled(15000)), Variant(1.5)), 0);
  EXPECT_EQ(CompareVariants(Variant(Currency::FromScaled(15001)), Variant(1.5)), 1);
  EXPECT_EQ(CompareVariants(Variant(2.5), Variant(Currency::FromScaled(25000))), 0);
}

TEST(CompareVariants, NumbersMeetTextsAsNumbersAndOtherKindsAsEqual) {
  EXPECT_EQ(CompareVariants(Variant(5), Variant("5")), 0);
  EXPECT_EQ(CompareVariants(Variant(5), Variant(u"12")), -1);
  EXPECT_THROW(CompareVariants(Variant(5), Variant("five")), classlib::EConvertError);
  EXPECT_EQ(CompareVariants(Variant(5), classlib::Null()), 0);
  EXPECT_EQ(CompareVariants(Variant(5), Variant(true)), 0);
  EXPECT_TRUE(EqualVariants(Variant(5), classlib::Null()));
  EXPECT_EQ(CompareVariants(Variant::FromDate(3.5), Variant(3)), 1);
  EXPECT_EQ(CompareVariants(Variant(3), Variant::FromDate(3.0)), 0);
}

TEST(CompareVariants, TextsCompareOrdinallyAcrossWidths) {
  EXPECT_EQ(CompareVariants(Variant("abc"), Variant("abd")), -1);
  EXPECT_EQ(CompareVariants(Variant("a"), Variant("B")), 1);  // by code, not by letter
  // 0xC0 (Cyrillic А) sorts after every ASCII byte when bytes count as unsigned.
  EXPECT_EQ(CompareVariants(Variant(std::string("\xC0")), Variant("z")), 1);
  EXPECT_EQ(CompareVariants(Variant(std::string("\xC0")), Variant(u"\u0410")), 0);
  EXPECT_EQ(CompareVariants(Variant(u"\u0410"), Variant(std::string("\xC0"))), 0);
  EXPECT_EQ(CompareVariants(Variant(u"abc"), Variant(u"ab")), 1);
  EXPECT_EQ(CompareVariants(Variant("12"), Variant(12)), 0);
  EXPECT_TRUE(EqualVariants(Variant(u"x"), Variant("x")));
  EXPECT_FALSE(EqualVariants(Variant("x"), Variant("X")));
}

TEST(CompareVariants, FollowsReferencesAndFallsBackToThePlatformOrder) {
  Variant target(7);
  EXPECT_EQ(CompareVariants(Variant::Reference(&target), Variant(7)), 0);
  EXPECT_EQ(CompareVariants(Variant(7), Variant::Reference(&target)), 0);
  EXPECT_EQ(CompareVariants(classlib::Null(), classlib::Null()), 0);
  EXPECT_EQ(CompareVariants(classlib::Null(), Variant(1)), -1);
  EXPECT_EQ(CompareVariants(Variant(true), Variant(false)), 1);
  EXPECT_NE(fib::ValuePtr(Variant::Reference(&target)), nullptr);
  EXPECT_EQ(*static_cast<const int32_t*>(fib::ValuePtr(Variant::Reference(&target))), 7);
  EXPECT_EQ(fib::ValuePtr(classlib::Null()), nullptr);
}

TEST(VarTypesIncompatible, FollowsTheKindRules) {
  using fib::VarTypesIncompatible;
  const Variant date = Variant::FromDate(1.0);
  EXPECT_FALSE(VarTypesIncompatible(date, Variant(1)));
  EXPECT_TRUE(VarTypesIncompatible(date, Variant("x")));
  EXPECT_TRUE(VarTypesIncompatible(Variant(true), Variant(1)));
  EXPECT_FALSE(VarTypesIncompatible(Variant(true), Variant(false)));
  EXPECT_TRUE(VarTypesIncompatible(Variant("x"), date));
  EXPECT_FALSE(VarTypesIncompatible(Variant(2.5), date));
  EXPECT_TRUE(VarTypesIncompatible(Variant(1), Variant(true)));
  EXPECT_TRUE(VarTypesIncompatible(Variant(1), Variant("1")));
  EXPECT_FALSE(VarTypesIncompatible(Variant("a"), Variant(u"b")));
  EXPECT_FALSE(VarTypesIncompatible(Variant(Currency::FromInt(1)), Variant(int64_t{2})));
}

TEST(VarArraysDiffer, ComparesNullsAndValuesFromTheTop) {
  const Variant a = classlib::VarArrayOf({Variant(1), classlib::Null(), Variant("x")});
  const Variant same = classlib::VarArrayOf({Variant(1), classlib::Null(), Variant("x")});
  const Variant b = classlib::VarArrayOf({Variant(2), Variant(0), Variant("x")});
  EXPECT_FALSE(fib::VarArraysDiffer(a, same, 2));
  EXPECT_TRUE(fib::VarArraysDiffer(a, b, 1));  // null against 0
  EXPECT_FALSE(fib::VarArraysDiffer(a, b, -1));
  const Variant c = classlib::VarArrayOf({Variant(2), classlib::Null(), Variant("x")});
  EXPECT_TRUE(fib::VarArraysDiffer(a, c, 2));
}

TEST(VariantArrays, CreateGetAndPutWithTheLayersMessages) {
  const fib::TVarArrayBound bounds[] = {{1, 2}, {0, 2}};
  Variant a = fib::CreateVarArray(bounds, classlib::varInteger, 2);
  EXPECT_EQ(classlib::VarType(a), classlib::varInteger | classlib::varArray);
  EXPECT_EQ(classlib::VarArrayDimCount(a), 2);
  const int at[] = {2, 1};
  fib::VarArrayPut(a, Variant("42"), at);  // converted to the element type
  const Variant got = fib::VarArrayGet(a, at);
  EXPECT_EQ(got.VType(), classlib::varInteger);
  EXPECT_EQ(got.AsInteger(), 42);

  const int one[] = {1};
  const int outside[] = {3, 0};
  EXPECT_EQ(MessageOf([&] { fib::VarArrayGet(a, one); }), "Variant array index out of bounds.");
  EXPECT_EQ(MessageOf([&] { fib::VarArrayGet(a, outside); }),
            "Variant array index out of bounds.");
  EXPECT_EQ(MessageOf([&] { fib::VarArrayPut(a, Variant(1), outside); }),
            "Variant array index out of bounds.");
  EXPECT_EQ(MessageOf([&] { fib::VarArrayGet(Variant(1), one); }), "Variant is not an array.");
  EXPECT_THROW(fib::VarArrayPut(a, Variant("nine"), at), classlib::EVariantError);

  std::vector<fib::TVarArrayBound> many(65, {0, 0});
  EXPECT_EQ(MessageOf([&] { fib::CreateVarArray(many, classlib::varInteger, 65); }),
            "Unable to create variant array.");
  const fib::TVarArrayBound reversed[] = {{5, 1}};
  EXPECT_EQ(MessageOf([&] { fib::CreateVarArray(reversed, classlib::varInteger, 1); }),
            "Unable to create variant array.");
}

TEST(VariantArrays, IndexVectorRunsLikeAnOdometer) {
  const fib::TVarArrayBound bounds[] = {{0, 1}, {0, 1}};
  const Variant a = fib::CreateVarArray(bounds, classlib::varVariant, 2);
  fib::InitIndexVector(a);
  std::vector<std::pair<int, int>> seen;
  while (fib::NextIndex(a)) seen.emplace_back(fib::IndexVector()[0], fib::IndexVector()[1]);
  EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{0, 1}, {1, 0}, {1, 1}}));
  EXPECT_EQ(fib::IndexVector()[2], 0);

  const fib::TVarArrayBound shifted[] = {{3, 4}, {-1, 0}, {7, 7}};
  const Variant b = fib::CreateVarArray(shifted, classlib::varVariant, 3);
  fib::InitIndexVector(b);
  EXPECT_EQ(fib::IndexVector()[0], 3);
  EXPECT_EQ(fib::IndexVector()[1], -1);
  EXPECT_EQ(fib::IndexVector()[2], 7);
}

TEST(VariantArrays, EachThreadWalksWithItsOwnIndexVector) {
  const fib::TVarArrayBound mine[] = {{10, 12}};
  const Variant a = fib::CreateVarArray(mine, classlib::varInteger, 1);
  fib::InitIndexVector(a);
  fib::NextIndex(a);
  int other_first = 0;
  int other_steps = 0;
  std::thread other([&] {
    const fib::TVarArrayBound theirs[] = {{-5, -1}};
    const Variant b = fib::CreateVarArray(theirs, classlib::varInteger, 1);
    fib::InitIndexVector(b);
    other_first = fib::IndexVector()[0];
    while (fib::NextIndex(b)) ++other_steps;
  });
  other.join();
  EXPECT_EQ(other_first, -5);
  EXPECT_EQ(other_steps, 4);
  EXPECT_EQ(fib::IndexVector()[0], 11);  // untouched by the other walk
  EXPECT_TRUE(fib::NextIndex(a));
  EXPECT_FALSE(fib::NextIndex(a));
}

TEST(VariantArrays, FillAndReadEveryElementInRowOrder) {
  const fib::TVarArrayBound bounds[] = {{1, 2}, {1, 3}};
  Variant a = fib::CreateVarArray(bounds, classlib::varSmallint, 2);
  int next = 0;
  fib::FillArrayElements(a, [&] { return Variant(++next); });
  const int last_of_first_row[] = {1, 3};
  EXPECT_EQ(fib::VarArrayGet(a, last_of_first_row).AsInteger(), 3);
  std::vector<int> read;
  fib::ForEachArrayElement(a, [&](const Variant& v) {
    read.push_back(v.AsInteger());
    // A nested walk must not disturb the outer one.
    int inner = 0;
    fib::ForEachArrayElement(a, [&](const Variant&) { ++inner; });
    EXPECT_EQ(inner, 6);
  });
  EXPECT_EQ(read, (std::vector<int>{1, 2, 3, 4, 5, 6}));

  const fib::TVarArrayBound empty[] = {{0, -1}};
  const Variant e = fib::CreateVarArray(empty, classlib::varInteger, 1);
  int visits = 0;
  fib::ForEachArrayElement(e, [&](const Variant&) { ++visits; });
  EXPECT_EQ(visits, 0);
}

}  // namespace
