#include <gtest/gtest.h>

#include "classlib/exceptions.h"
#include "classlib/format_settings.h"
#include "classlib/variant.h"

#include "testing/message_of.h"

namespace classlib {
namespace {

using testing::MessageOf;

class VariantConvert : public ::testing::Test {
 protected:
  void TearDown() override { ResetFormatSettings(); }
};

TEST(VariantKinds, CppTypesMapToTheirTypeCodes) {
  EXPECT_EQ(VarType(Variant()), varEmpty);
  EXPECT_EQ(VarType(Null()), varNull);
  EXPECT_EQ(VarType(Variant(int16_t{1})), varSmallint);
  EXPECT_EQ(VarType(Variant(1)), varInteger);
  EXPECT_EQ(VarType(Variant(int8_t{1})), varShortInt);
  EXPECT_EQ(VarType(Variant(uint8_t{1})), varByte);
  EXPECT_EQ(VarType(Variant(uint16_t{1})), varWord);
  EXPECT_EQ(VarType(Variant(1u)), varLongWord);
  EXPECT_EQ(VarType(Variant(int64_t{1})), varInt64);
  EXPECT_EQ(VarType(Variant(1LL)), varInt64);
  EXPECT_EQ(VarType(Variant(1.0f)), varSingle);
  EXPECT_EQ(VarType(Variant(1.0)), varDouble);
  EXPECT_EQ(VarType(Variant(true)), varBoolean);
  EXPECT_EQ(VarType(Variant(Currency::FromInt(1))), varCurrency);
  EXPECT_EQ(VarType(Variant::FromDate(1.0)), varDate);
  EXPECT_EQ(VarType(Variant("x")), varString);
  EXPECT_EQ(VarType(Variant('x')), varString);
  EXPECT_EQ(Variant('x').AsString(), "x");
  EXPECT_EQ(VarType(Variant(u"x")), varOleStr);
  EXPECT_EQ(VarType(Variant::FromError(5)), varError);
  EXPECT_EQ(VarType(Variant(TSQLTimeStamp{})), varSQLTimeStamp);
  EXPECT_EQ(VarType(Variant(TBcd{})), varFMTBcd);
  EXPECT_TRUE(VarIsNull(Null()));
  EXPECT_TRUE(VarIsEmpty(Unassigned()));
  EXPECT_FALSE(VarIsNull(Variant(0)));
  EXPECT_TRUE(VarIsStr(Variant(u"x")));
  EXPECT_TRUE(VarIsOrdinal(Variant(true)));
  EXPECT_TRUE(VarIsFloat(Variant(Currency{})));
  EXPECT_FALSE(VarIsNumeric(Variant("1")));
}

TEST(VariantKinds, TypeNamesForMessages) {
  EXPECT_EQ(VarTypeAsText(varSmallint), "Smallint");
  EXPECT_EQ(VarTypeAsText(varOleStr), "OleStr");
  EXPECT_EQ(VarTypeAsText(varArray | varVariant), "Array Variant");
  EXPECT_EQ(VarTypeAsText(varVariantByRef), "ByRef Variant");
  EXPECT_EQ(VarTypeAsText(varLongWord), "LongWord");
}

TEST_F(VariantConvert, NullConvertsToNothingButText) {
  Variant n = Null();
  EXPECT_EQ(MessageOf<EVariantError>([&] { (void)n.AsString(); }),
            "Could not convert variant of type (Null) into type (String)");
  EXPECT_EQ(MessageOf<EVariantError>([&] { (void)n.AsInteger(); }),
            "Could not convert variant of type (Null) into type (Integer)");
  EXPECT_EQ(MessageOf<EVariantError>([&] { (void)n.AsBoolean(); }),
            "Could not convert variant of type (Null) into type (Boolean)");
  EXPECT_EQ(MessageOf<EVariantError>([&] { (void)n.AsDate(); }),
            "Could not convert variant of type (Null) into type (Date)");
  EXPECT_THROW((void)n.AsDouble(), EVariantError);
  EXPECT_THROW((void)n.AsCurrency(), EVariantError);
  EXPECT_EQ(VarToStr(n), "");
  EXPECT_EQ(VarToStrDef(n, "-"), "-");
  EXPECT_TRUE(VarIsNull(VarAsType(n, varNull)));
}

TEST_F(VariantConvert, EmptyConvertsToZeroes) {
  Variant e;
  EXPECT_EQ(e.AsInteger(), 0);
  EXPECT_EQ(e.AsInt64(), 0);
  EXPECT_EQ(e.AsDouble(), 0.0);
  EXPECT_EQ(e.AsString(), "");
  EXPECT_EQ(e.AsOleStr(), u"");
  EXPECT_FALSE(e.AsBoolean());
  EXPECT_EQ(e.AsDate(), 0.0);
  EXPECT_EQ(e.AsCurrency().value, 0);
  EXPECT_EQ(VarType(VarAsType(e, varSmallint)), varSmallint);
}

TEST_F(VariantConvert, TextToIntegers) {
  EXPECT_EQ(Variant("42").AsInteger(), 42);
  EXPECT_EQ(Variant("-7").AsSmallint(), -7);
  EXPECT_EQ(Variant(u"9000000000").AsInt64(), 9000000000LL);
  // A number text that is no integer is rounded half to even.
  EXPECT_EQ(Variant("2.5").AsInteger(), 2);
  EXPECT_EQ(Variant("3.5").AsInteger(), 4);
  EXPECT_EQ(Variant("True").AsInteger(), -1);
  EXPECT_EQ(MessageOf<EVariantError>([] { (void)Variant("abc").AsInteger(); }),
            "Could not convert variant of type (String) into type (Integer)");
  EXPECT_EQ(MessageOf<EVariantError>([] { (void)Variant(u"").AsInt64(); }),
            "Could not convert variant of type (OleStr) into type (Int64)");
}

TEST_F(VariantConvert, NumbersThatDoNotFitOverflow) {
  EXPECT_EQ(MessageOf<EVariantError>([] { (void)Variant(int64_t{100000}).AsSmallint(); }),
            "Overflow while converting variant of type (Int64) into type (Smallint)");
  EXPECT_EQ(MessageOf<EVariantError>([] { (void)VarAsType(Variant(300), varByte); }),
            "Overflow while converting variant of type (Integer) into type (Byte)");
  EXPECT_EQ(MessageOf<EVariantError>([] { (void)VarAsType(Variant(-1), varLongWord); }),
            "Overflow while converting variant of type (Integer) into type (LongWord)");
  EXPECT_EQ(MessageOf<EVariantError>([] { (void)Variant(1e20).AsInt64(); }),
            "Overflow while converting variant of type (Double) into type (Int64)");
  EXPECT_EQ(MessageOf<EVariantError>([] { (void)Variant(INT64_MAX).AsInteger(); }),
            "Overflow while converting variant of type (Int64) into type (Integer)");
  EXPECT_EQ(MessageOf<EVariantError>([] { (void)Variant("70000").AsSmallint(); }),
            "Overflow while converting variant of type (String) into type (Smallint)");
  EXPECT_THROW((void)VarAsType(Variant(1e39), varSingle), EVariantError);
  // The edges themselves fit.
  EXPECT_EQ(Variant(int64_t{-32768}).AsSmallint(), -32768);
  EXPECT_EQ(VarAsType(Variant(4294967295LL), varLongWord).AsInt64(), 4294967295LL);
  EXPECT_EQ(Variant(-2.5).AsInteger(), -2);
}

TEST_F(VariantConvert, TextAndFloatsUseTheDecimalSeparator) {
  FormatSettings().DecimalSeparator = ',';
  EXPECT_EQ(Variant(1.5).AsString(), "1,5");
  EXPECT_DOUBLE_EQ(Variant("2,25").AsDouble(), 2.25);
  EXPECT_THROW((void)Variant("2.25").AsDouble(), EVariantError);
  EXPECT_EQ(Variant(Currency::FromScaled(12500)).AsString(), "1,25");
  FormatSettings().DecimalSeparator = '.';
  EXPECT_DOUBLE_EQ(Variant(u"2.25").AsDouble(), 2.25);
}

TEST_F(VariantConvert, BooleanRules) {
  EXPECT_TRUE(Variant("true").AsBoolean());
  EXPECT_TRUE(Variant(u"TRUE").AsBoolean());
  EXPECT_FALSE(Variant(" False ").AsBoolean());
  EXPECT_EQ(MessageOf<EVariantError>([] { (void)Variant("yes").AsBoolean(); }),
            "Could not convert variant of type (String) into type (Boolean)");
  EXPECT_FALSE(Variant(0).AsBoolean());
  EXPECT_TRUE(Variant(0.25).AsBoolean());
  EXPECT_TRUE(Variant(Currency::FromScaled(1)).AsBoolean());
  EXPECT_EQ(Variant(true).AsString(), "True");
  EXPECT_EQ(Variant(false).AsString(), "False");
  // The platform's True is all bits set.
  EXPECT_EQ(Variant(true).AsInteger(), -1);
  EXPECT_EQ(Variant(true).AsDouble(), -1.0);
}

TEST_F(VariantConvert, CurrencyStaysExact) {
  EXPECT_EQ(Variant("0.1").AsCurrency().value, 1000);
  EXPECT_EQ(Variant("922337203685477.5807").AsCurrency().value, INT64_MAX);
  EXPECT_EQ(Variant(Currency::FromScaled(12345)).AsString(), "1.2345");
  EXPECT_EQ(Variant(int64_t{123456789012}).AsCurrency().value, 1234567890120000LL);
  EXPECT_EQ(Variant(Currency::FromScaled(25000)).AsInteger(), 2);  // half to even
  EXPECT_EQ(Variant(Currency::FromScaled(35000)).AsInteger(), 4);
  EXPECT_EQ(MessageOf<EVariantError>([] { (void)Variant(int64_t{1000000000000000}).AsCurrency(); }),
            "Overflow while converting variant of type (Int64) into type (Currency)");
  EXPECT_THROW((void)Variant(1e300).AsCurrency(), EVariantError);
}

TEST_F(VariantConvert, DatesAndText) {
  auto& fs = FormatSettings();
  fs.ShortDateFormat = "dd.mm.yyyy";
  fs.DateSeparator = '.';
  EXPECT_EQ(Variant("05.03.2024").AsDate(), EncodeDate(2024, 3, 5));
  EXPECT_EQ(MessageOf<EVariantError>([] { (void)Variant("31.02.2024").AsDate(); }),
            "Could not convert variant of type (String) into type (Date)");
  EXPECT_THROW((void)Variant("tomorrow").AsDate(), EVariantError);
  TDateTime dt = EncodeDate(2024, 3, 5) + EncodeTime(14, 30, 15, 0);
  Variant d = Variant::FromDate(dt);
  EXPECT_EQ(d.AsString(), DateTimeToStr(dt));
  EXPECT_NEAR(Variant(d.AsString()).AsDate(), dt, 1e-9);
  EXPECT_EQ(d.AsDouble(), dt);
  EXPECT_EQ(Variant(2).AsDate(), 2.0);
}

TEST_F(VariantConvert, WideAndAnsiTextGoThroughCp1251) {
  const std::string ansi = "\xCF\xF0\xE8\xE2\xE5\xF2";  // "Привет" in CP1251
  EXPECT_EQ(Variant(ansi).AsOleStr(), u"Привет");
  EXPECT_EQ(Variant(u"Привет").AsString(), ansi);
  Variant wide = VarAsType(Variant(ansi), varOleStr);
  EXPECT_EQ(VarType(wide), varOleStr);
  EXPECT_EQ(VarAsType(wide, varString).AsString(), ansi);
  EXPECT_EQ(Variant(12).AsOleStr(), u"12");
}

TEST_F(VariantConvert, TimestampsAndDecimals) {
  TSQLTimeStamp ts{2023, 12, 31, 23, 59, 58, 250};
  Variant v = VarSQLTimeStampCreate(ts);
  EXPECT_NEAR(v.AsDate(), EncodeDate(2023, 12, 31) + EncodeTime(23, 59, 58, 250), 1e-10);
  EXPECT_EQ(VarToSQLTimeStamp(Variant::FromDate(EncodeDate(2001, 2, 3) + EncodeTime(4, 5, 6, 7))),
            (TSQLTimeStamp{2001, 2, 3, 4, 5, 6, 7}));
  EXPECT_THROW((void)Variant(TSQLTimeStamp{2023, 13, 1, 0, 0, 0, 0}).AsDate(), EConvertError);

  Variant bcd = VarFMTBcdCreate(StrToBCD("123.45"));
  EXPECT_TRUE(VarIsFMTBcd(bcd));
  EXPECT_DOUBLE_EQ(bcd.AsDouble(), 123.45);
  EXPECT_EQ(bcd.AsCurrency().value, 1234500);
  EXPECT_EQ(bcd.AsString(), "123.45");
  EXPECT_EQ(BCDToStr(VarToBcd(Variant(12))), "12");
  EXPECT_EQ(BCDToStr(VarToBcd(Variant("-0.5"))), "-0.5");
  EXPECT_THROW((void)VarToBcd(Variant("x")), EVariantError);
}

TEST_F(VariantConvert, ReferencesAndObjects) {
  Variant target(5);
  Variant ref = Variant::Reference(&target);
  EXPECT_EQ(VarType(ref), varVariantByRef);
  EXPECT_TRUE(VarIsByRef(ref));
  EXPECT_EQ(ref.AsInteger(), 5);
  target = Null();
  EXPECT_TRUE(VarIsNull(ref));
  ref.Deref() = "changed";
  EXPECT_EQ(target.AsString(), "changed");
  EXPECT_EQ(*static_cast<const std::string*>(ref.DataPtr()), "changed");

  TObject obj;
  Variant o = Variant::FromObject(&obj);
  EXPECT_EQ(VarType(o), varByRef);
  EXPECT_EQ(o.AsObject(), &obj);
  EXPECT_EQ(MessageOf<EVariantError>([&] { (void)o.AsString(); }),
            "Could not convert variant of type (Object) into type (String)");
  EXPECT_THROW((void)Variant(1).AsObject(), EVariantError);
  EXPECT_TRUE(VarIsClear(Variant::FromObject(nullptr)));
}

TEST_F(VariantConvert, CopiesAreIndependent) {
  Variant a("text");
  Variant b = a;
  b = std::string("other");
  EXPECT_EQ(a.AsString(), "text");
  Variant moved = std::move(b);
  EXPECT_EQ(moved.AsString(), "other");
  EXPECT_TRUE(VarIsEmpty(b));  // NOLINT: a moved-from variant is Empty
}

}  // namespace
}  // namespace classlib
