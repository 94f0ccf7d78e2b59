#include <gtest/gtest.h>

#include <cstring>

#include "classlib/exceptions.h"
#include "classlib/variant.h"

#include "testing/message_of.h"

namespace classlib {
namespace {

using testing::MessageOf;

const char kBadIndex[] = "Variant or safe array index out of bounds";

TEST(VariantArray, TwoDimensionsWithNonZeroLowerBounds) {
  Variant a = VarArrayCreate({1, 3, -2, 0}, varInteger);
  EXPECT_EQ(VarType(a), varArray | varInteger);
  EXPECT_TRUE(VarIsArray(a));
  ASSERT_EQ(VarArrayDimCount(a), 2);
  EXPECT_EQ(VarArrayLowBound(a, 1), 1);
  EXPECT_EQ(VarArrayHighBound(a, 1), 3);
  EXPECT_EQ(VarArrayLowBound(a, 2), -2);
  EXPECT_EQ(VarArrayHighBound(a, 2), 0);
  for (int i = 1; i <= 3; ++i) {
    for (int j = -2; j <= 0; ++j) VarArrayPut(a, Variant(i * 10 + j), {i, j});
  }
  for (int i = 1; i <= 3; ++i) {
    for (int j = -2; j <= 0; ++j) EXPECT_EQ(VarArrayGet(a, {i, j}).AsInteger(), i * 10 + j);
  }
  EXPECT_EQ(VarType(VarArrayGet(a, {2, -1})), varInteger);
  EXPECT_EQ(MessageOf<EVariantError>([&] { (void)VarArrayGet(a, {0, 0}); }), kBadIndex);
  EXPECT_EQ(MessageOf<EVariantError>([&] { (void)VarArrayGet(a, {4, 0}); }), kBadIndex);
  EXPECT_EQ(MessageOf<EVariantError>([&] { (void)VarArrayGet(a, {1, 1}); }), kBadIndex);
  EXPECT_EQ(MessageOf<EVariantError>([&] { VarArrayPut(a, Variant(1), {1, -3}); }), kBadIndex);
  EXPECT_EQ(MessageOf<EVariantError>([&] { (void)VarArrayGet(a, {1}); }), kBadIndex);
  EXPECT_EQ(MessageOf<EVariantError>([&] { (void)VarArrayGet(a, {1, 0, 0}); }), kBadIndex);
  EXPECT_EQ(MessageOf<EVariantError>([&] { (void)VarArrayLowBound(a, 3); }), kBadIndex);
}

TEST(VariantArray, ThreeDimensionsOfVariants) {
  Variant a = VarArrayCreate({0, 1, 1, 2, 5, 7}, varVariant);
  EXPECT_EQ(VarArrayDimCount(a), 3);
  EXPECT_TRUE(VarIsEmpty(VarArrayGet(a, {1, 2, 7})));
  VarArrayPut(a, Variant("last"), {1, 2, 7});
  VarArrayPut(a, Null(), {0, 1, 5});
  VarArrayPut(a, Variant(2.5), {0, 2, 6});
  EXPECT_EQ(VarArrayGet(a, {1, 2, 7}).AsString(), "last");
  EXPECT_TRUE(VarIsNull(VarArrayGet(a, {0, 1, 5})));
  EXPECT_EQ(VarType(VarArrayGet(a, {0, 2, 6})), varDouble);
  // Neighbours of the written cells stay untouched.
  EXPECT_TRUE(VarIsEmpty(VarArrayGet(a, {1, 2, 6})));
  EXPECT_TRUE(VarIsEmpty(VarArrayGet(a, {0, 1, 6})));
}

TEST(VariantArray, PutConvertsToTheElementType) {
  Variant a = VarArrayCreate({0, 2}, varSmallint);
  VarArrayPut(a, Variant("12"), {0});
  EXPECT_EQ(VarType(VarArrayGet(a, {0})), varSmallint);
  EXPECT_EQ(VarArrayGet(a, {0}).AsInteger(), 12);
  VarArrayPut(a, Variant(7), {1});
  EXPECT_THROW(VarArrayPut(a, Variant("abc"), {1}), EVariantError);
  EXPECT_THROW(VarArrayPut(a, Variant(40000), {1}), EVariantError);
  EXPECT_THROW(VarArrayPut(a, Null(), {1}), EVariantError);
  EXPECT_EQ(VarArrayGet(a, {1}).AsInteger(), 7);  // a failed put leaves the element

  Variant flags = VarArrayCreate({0, 1}, varBoolean);
  VarArrayPut(flags, Variant("True"), {1});
  EXPECT_TRUE(VarArrayGet(flags, {1}).AsBoolean());
  EXPECT_FALSE(VarArrayGet(flags, {0}).AsBoolean());

  Variant texts = VarArrayCreate({1, 2}, varOleStr);
  VarArrayPut(texts, Variant("\xC4\xE0"), {2});  // "Да" in CP1251
  EXPECT_EQ(VarType(VarArrayGet(texts, {2})), varOleStr);
  EXPECT_EQ(VarArrayGet(texts, {2}).AsOleStr(), u"Да");

  Variant money = VarArrayCreate({0, 0}, varCurrency);
  VarArrayPut(money, Variant("0.0001"), {0});
  EXPECT_EQ(VarArrayGet(money, {0}).AsCurrency().value, 1);
}

TEST(VariantArray, RawAccessIsRowOrder) {
  Variant bytes = VarArrayCreate({0, 3}, varByte);
  EXPECT_EQ(VarArrayElementSize(bytes), 1);
  auto* p = static_cast<unsigned char*>(VarArrayLock(bytes));
  std::memcpy(p, "\x01\x02\xFE\xFF", 4);
  VarArrayUnlock(bytes);
  EXPECT_EQ(VarArrayGet(bytes, {2}).AsInteger(), 0xFE);
  EXPECT_EQ(VarType(VarArrayGet(bytes, {3})), varByte);

  Variant grid = VarArrayCreate({1, 2, 1, 3}, varInteger);
  VarArrayPut(grid, Variant(99), {2, 1});
  auto* cells = static_cast<int32_t*>(VarArrayLock(grid));
  EXPECT_EQ(cells[1 * 3 + 0], 99);
  cells[0 * 3 + 2] = 42;
  VarArrayUnlock(grid);
  EXPECT_EQ(VarArrayGet(grid, {1, 3}).AsInteger(), 42);
  EXPECT_THROW(VarArrayUnlock(grid), EVariantError);

  Variant variants = VarArrayOf({Variant(1), Variant("two")});
  auto* items = static_cast<Variant*>(VarArrayLock(variants));
  EXPECT_EQ(items[1].AsString(), "two");
  VarArrayUnlock(variants);
}

TEST(VariantArray, ArraysAreCopiedByValue) {
  Variant a = VarArrayCreate({1, 2}, varInteger);
  VarArrayPut(a, Variant(1), {1});
  Variant b = a;
  VarArrayPut(b, Variant(2), {1});
  EXPECT_EQ(VarArrayGet(a, {1}).AsInteger(), 1);
  Variant c;
  c = b;
  VarArrayPut(c, Variant(3), {1});
  EXPECT_EQ(VarArrayGet(b, {1}).AsInteger(), 2);

  Variant nested = VarArrayOf({a});
  VarArrayPut(a, Variant(9), {1});
  EXPECT_EQ(VarArrayGet(VarArrayGet(nested, {0}), {1}).AsInteger(), 1);
}

TEST(VariantArray, VarArrayOfAndScalars) {
  Variant a = VarArrayOf({Variant(1), Variant("x"), Null()});
  EXPECT_EQ(VarType(a), varArray | varVariant);
  EXPECT_EQ(VarArrayLowBound(a, 1), 0);
  EXPECT_EQ(VarArrayHighBound(a, 1), 2);
  EXPECT_EQ(VarType(VarArrayGet(a, {1})), varString);
  EXPECT_TRUE(VarIsNull(VarArrayGet(a, {2})));

  Variant scalar(5);
  EXPECT_FALSE(VarIsArray(scalar));
  EXPECT_EQ(VarArrayDimCount(scalar), 0);
  EXPECT_EQ(MessageOf<EVariantError>([&] { (void)VarArrayLowBound(scalar, 1); }),
            "Variant is not an array");
  EXPECT_EQ(MessageOf<EVariantError>([&] { (void)VarArrayGet(scalar, {0}); }), "Variant is not an array");
  EXPECT_THROW((void)a.AsString(), EVariantError);
}

TEST(VariantArray, CreationChecksBoundsAndTypes) {
  Variant empty = VarArrayCreate({0, -1}, varByte);
  EXPECT_EQ(VarArrayHighBound(empty, 1), -1);
  EXPECT_THROW((void)VarArrayGet(empty, {0}), EVariantError);
  const char kCreate[] = "Error creating variant or safe array";
  EXPECT_EQ(MessageOf<EVariantError>([] { (void)VarArrayCreate({0, -2}, varByte); }), kCreate);
  EXPECT_EQ(MessageOf<EVariantError>([] { (void)VarArrayCreate({0, 1, 2}, varByte); }), kCreate);
  EXPECT_EQ(MessageOf<EVariantError>([] { (void)VarArrayCreate({0, 99999, 0, 99999}, varByte); }),
            kCreate);
  std::vector<int> too_many(2 * 65, 0);
  EXPECT_EQ(MessageOf<EVariantError>([&] { (void)VarArrayCreate(too_many, varByte); }), kCreate);
  EXPECT_THROW((void)VarArrayCreate({0, 1}, varString), EVariantError);
  EXPECT_THROW((void)VarArrayCreate({0, 1}, varNull), EVariantError);
}

TEST(VariantArray, RedimKeepsElements) {
  Variant a = VarArrayCreate({1, 2, 5, 6}, varInteger);
  VarArrayPut(a, Variant(11), {1, 5});
  VarArrayPut(a, Variant(26), {2, 6});
  VarArrayRedim(a, 8);
  EXPECT_EQ(VarArrayHighBound(a, 2), 8);
  EXPECT_EQ(VarArrayGet(a, {1, 5}).AsInteger(), 11);
  EXPECT_EQ(VarArrayGet(a, {2, 6}).AsInteger(), 26);
  EXPECT_EQ(VarArrayGet(a, {2, 8}).AsInteger(), 0);
  VarArrayRedim(a, 5);
  EXPECT_EQ(VarArrayGet(a, {2, 5}).AsInteger(), 0);
  EXPECT_THROW((void)VarArrayGet(a, {2, 6}), EVariantError);
  (void)VarArrayLock(a);
  EXPECT_THROW(VarArrayRedim(a, 9), EVariantError);
  VarArrayUnlock(a);
}

}  // namespace
}  // namespace classlib
