// Number fields against their record slots: decimals kept as value * 10^Size
// in an Int64, floats rounded to their column's scale, and the Boolean view
// of integer columns.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "classlib/bcd.h"
#include "classlib/exceptions.h"
#include "classlib/format_settings.h"
#include "classlib/variant.h"
#include "fib/tests/fib_fields_table.h"

namespace fib::testing {
namespace {

using classlib::Currency;
using classlib::ftBCD;
using classlib::ftFloat;
using classlib::ftInteger;
using classlib::ftSmallint;

constexpr int kInt64Type = 580;
constexpr int kLongType = 496;

class NumericFields : public ::testing::Test {
 protected:
  void SetUp() override {
    // A scaled INT64 column with two, four and no decimals, a NUMERIC(9,2)
    // kept as a LONG, and a NUMERIC(9,2) column read as double precision.
    table.AddColumn("B2", ftBCD, 2, TFIBColumnInfo{kInt64Type, -2, 0, 8});
    table.AddColumn("B4", ftBCD, 4, TFIBColumnInfo{kInt64Type, -4, 0, 8});
    table.AddColumn("B0", ftBCD, 0, TFIBColumnInfo{kInt64Type, 0, 0, 8});
    table.AddColumn("L2", ftBCD, 2, TFIBColumnInfo{kLongType, -2, 0, 4});
    table.AddColumn("F", ftFloat, 0, TFIBColumnInfo{kLongType, -2, 0, 8});
    table.AddColumn("I", ftInteger, 0, TFIBColumnInfo{kLongType, 0, 0, 4});
    table.AddColumn("SI", ftSmallint, 0, TFIBColumnInfo{500, 0, 0, 2});
    table.Open();
    table.Append();
  }
  void TearDown() override { classlib::ResetFormatSettings(); }

  TFIBBCDField* Bcd(const char* name) { return static_cast<TFIBBCDField*>(table.FieldByName(name)); }
  int64_t Native(const char* name) {
    int64_t value = 0;
    EXPECT_TRUE(table.GetFieldData(table.FieldByName(name), &value));
    return value;
  }
  void WriteNative(const char* name, int64_t value) {
    table.SetFieldData(table.FieldByName(name), &value);
  }
  template <class Action>
  std::string ErrorOf(Action action) {
    try {
      action();
    } catch (const classlib::Exception& e) {
      return e.Message();
    }
    return "no error";
  }

  FibFieldsTable table;
};

TEST_F(NumericFields, ScaledDecimalReadsThroughEveryView) {
  classlib::FormatSettings().DecimalSeparator = ',';
  WriteNative("B2", 12345);
  TFIBBCDField* b = Bcd("B2");
  EXPECT_EQ(b->DataSize(), 8);
  EXPECT_EQ(b->AsString(), "123,45");
  EXPECT_EQ(b->AsCurrency(), Currency::FromScaled(1234500));
  EXPECT_DOUBLE_EQ(b->AsFloat(), 123.45);
  EXPECT_EQ(b->AsLargeInt(), 123);
  EXPECT_EQ(b->AsInteger(), 123);
  EXPECT_EQ(b->AsVariant().VType(), classlib::varDouble);
  EXPECT_EQ(classlib::BCDToStr(b->AsBCD()), "123,45");

  WriteNative("B4", 12345);
  EXPECT_EQ(Bcd("B4")->AsVariant().VType(), classlib::varCurrency);
  EXPECT_EQ(Bcd("B4")->AsVariant().AsCurrency(), Currency::FromScaled(12345));
  WriteNative("B0", -77);
  EXPECT_EQ(Bcd("B0")->AsVariant().VType(), classlib::varInt64);
  EXPECT_EQ(Bcd("B0")->AsString(), "-77");
  EXPECT_EQ(Bcd("B0")->AsLargeInt(), -77);
}

TEST_F(NumericFields, NullDecimalReadsAsZeroOrNothing) {
  TFIBBCDField* b = Bcd("B2");
  EXPECT_TRUE(b->IsNull());
  EXPECT_EQ(b->AsString(), "");
  EXPECT_EQ(b->DisplayText(), "");
  EXPECT_EQ(b->AsCurrency(), Currency{});
  EXPECT_EQ(b->AsFloat(), 0.0);
  EXPECT_TRUE(classlib::VarIsNull(b->AsVariant()));
}

TEST_F(NumericFields, DecimalsBeyondADoubleStayExact) {
  TFIBBCDField* b = Bcd("B2");
  // Nineteen digits: a double would lose the last ones.
  b->SetAsString("92233720368547758.07");
  EXPECT_EQ(Native("B2"), INT64_MAX);
  EXPECT_EQ(b->AsString(), "92233720368547758.07");
  EXPECT_EQ(classlib::BCDToStr(b->AsBCD()), "92233720368547758.07");
  b->SetAsString(" -0.05 ");
  EXPECT_EQ(Native("B2"), -5);
  Bcd("B0")->SetAsString("9007199254740993");
  EXPECT_EQ(Native("B0"), 9007199254740993LL);
}

TEST_F(NumericFields, WritesScaleEveryKindOfValue) {
  TFIBBCDField* b = Bcd("B2");
  b->SetAsFloat(1.005);
  EXPECT_EQ(Native("B2"), 100);  // 1.005 is a little below itself as a double
  b->SetAsCurrency(Currency::FromScaled(12345));  // 1.2345
  EXPECT_EQ(Native("B2"), 123);
  b->SetAsCurrency(Currency::FromScaled(12350));  // halves go to the even neighbour
  EXPECT_EQ(Native("B2"), 124);
  b->SetAsLargeInt(7);
  EXPECT_EQ(Native("B2"), 700);
  b->SetAsInteger(-3);
  EXPECT_EQ(Native("B2"), -300);
  b->SetAsBCD(classlib::StrToBCD("2.125"));
  EXPECT_EQ(Native("B2"), 212);
  b->SetAsBCD(classlib::StrToBCD("3"));
  EXPECT_EQ(Native("B2"), 300);
  b->SetAsVariant(classlib::Variant(static_cast<long long>(5)));
  EXPECT_EQ(Native("B2"), 500);
  b->SetAsVariant(classlib::Variant(0.5));
  EXPECT_EQ(Native("B2"), 50);
  b->SetAsVariant(classlib::Null());
  EXPECT_TRUE(b->IsNull());

  Bcd("B0")->SetAsCurrency(Currency::FromScaled(25000));  // 2.5 rounds to even
  EXPECT_EQ(Native("B0"), 2);
  Bcd("B4")->SetAsCurrency(Currency::FromScaled(-10001));
  EXPECT_EQ(Native("B4"), -10001);
}

TEST_F(NumericFields, WritesThatOverflowTheInt64RaiseARangeError) {
  TFIBBCDField* b = Bcd("B4");
  EXPECT_NE(ErrorOf([&] { b->SetAsFloat(1e18); }).find("is not a valid value for field 'B4'"),
            std::string::npos);
  EXPECT_NE(ErrorOf([&] { b->SetAsLargeInt(1000000000000000LL); }).find("field 'B4'"),
            std::string::npos);
  EXPECT_NE(ErrorOf([&] { b->SetAsBCD(classlib::StrToBCD("99999999999999999")); }).find("field 'B4'"),
            std::string::npos);
  EXPECT_TRUE(b->IsNull());  // nothing half-written
  b->SetAsFloat(-922337203685477.0);
  EXPECT_EQ(Native("B4"), -9223372036854770000LL);
}

TEST_F(NumericFields, CurrencyChecksTheFieldsLimits) {
  TFIBBCDField* b = Bcd("B2");
  b->SetMinValue(Currency::FromInt(1));
  b->SetMaxValue(Currency::FromInt(3));
  // Rounded to the field's two decimals first: 3.004 passes, 3.006 does not.
  b->SetAsCurrency(Currency::FromScaled(30040));
  EXPECT_EQ(Native("B2"), 300);
  EXPECT_EQ(ErrorOf([&] { b->SetAsCurrency(Currency::FromScaled(30060)); }),
            "3.006 is not a valid value for field 'B2'. The allowed range is 1 to 3");
}

TEST_F(NumericFields, NonInt64ColumnsReadTextTheClassLibraryWay) {
  // The text goes through Currency and lands scaled by the field's Size.
  Bcd("L2")->SetAsString("12.345");
  EXPECT_EQ(Native("L2"), 1234);
  EXPECT_EQ(ErrorOf([&] { Bcd("L2")->SetAsString("1x"); }), "'1x' is not a valid floating point value");
  Bcd("L2")->SetAsString("");
  EXPECT_TRUE(Bcd("L2")->IsNull());
}

TEST_F(NumericFields, DisplayTextFollowsFormatsAndCurrency) {
  WriteNative("B2", 123456);
  TFIBBCDField* b = Bcd("B2");
  EXPECT_EQ(b->DisplayText(), "1234.56");
  b->SetDisplayFormat("#,##0.0");
  EXPECT_EQ(b->DisplayText(), "1,234.6");
  b->SetEditFormat("0.000");
  EXPECT_EQ(b->Text(), "1234.560");
  b->SetDisplayFormat("");
  b->SetEditFormat("");
  b->SetCurrency(true);
  classlib::FormatSettings().CurrencyDecimals = 3;
  EXPECT_EQ(b->DisplayText(), "1234.560");

  WriteNative("B4", 15000);
  Bcd("B4")->SetDisplayFormat("0.00");
  EXPECT_EQ(Bcd("B4")->DisplayText(), "1.50");
  WriteNative("B0", 1234567);
  Bcd("B0")->SetDisplayFormat("#,##0");
  EXPECT_EQ(Bcd("B0")->DisplayText(), "1,234,567");
}

TEST_F(NumericFields, SizeRangeAndAssignmentBetweenDecimals) {
  TFIBBCDField loose(nullptr);
  EXPECT_EQ(loose.Size(), 8);
  EXPECT_NO_THROW(loose.SetSize(18));
  EXPECT_THROW(loose.SetSize(19), classlib::EDatabaseError);

  WriteNative("B4", 123456);
  Bcd("B2")->Assign(Bcd("B4"));
  EXPECT_EQ(Native("B2"), 1235);
}

TEST_F(NumericFields, ValueChangedComparesWithTheRecordBeforeTheEdit) {
  WriteNative("B2", 100);
  table.Post();
  table.Edit();
  EXPECT_FALSE(Bcd("B2")->ValueChanged());
  Bcd("B2")->SetAsFloat(1.01);
  EXPECT_TRUE(Bcd("B2")->ValueChanged());
  Bcd("B2")->SetAsFloat(1.0);
  EXPECT_FALSE(Bcd("B2")->ValueChanged());
  Bcd("B2")->Clear();
  EXPECT_TRUE(Bcd("B2")->ValueChanged());
}

TEST_F(NumericFields, FloatsRoundToTheColumnsScaleWhenAsked) {
  auto* f = static_cast<TFIBFloatField*>(table.FieldByName("F"));
  EXPECT_TRUE(f->RoundByScale());
  f->SetAsFloat(2.675);
  double stored = 0;
  ASSERT_TRUE(table.GetFieldData(f, &stored));
  EXPECT_NEAR(stored, 2.67, 1e-12);  // two decimals of the double nearest 2.675
  f->SetAsString("3.14159");
  ASSERT_TRUE(table.GetFieldData(f, &stored));
  EXPECT_DOUBLE_EQ(stored, 3.14);
  f->SetRoundByScale(false);
  f->SetAsFloat(1.005);
  ASSERT_TRUE(table.GetFieldData(f, &stored));
  EXPECT_DOUBLE_EQ(stored, 1.005);

  f->SetAsFloat(3.14159);
  f->SetDisplayFormat("  0.00  ");
  EXPECT_EQ(f->DisplayText(), "3.14");
}

TEST_F(NumericFields, IntegersOfferABooleanView) {
  auto* i = table.FieldByName("I");
  auto* si = table.FieldByName("SI");
  i->SetAsBoolean(true);
  int32_t native = 0;
  ASSERT_TRUE(table.GetFieldData(i, &native));
  EXPECT_EQ(native, 1);
  i->SetAsInteger(-4);
  EXPECT_FALSE(i->AsBoolean());
  i->SetAsInteger(9);
  EXPECT_TRUE(i->AsBoolean());
  si->SetAsBoolean(false);
  int16_t small = 7;
  ASSERT_TRUE(table.GetFieldData(si, &small));
  EXPECT_EQ(small, 0);
  si->SetAsInteger(2);
  EXPECT_TRUE(si->AsBoolean());
}

}  // namespace
}  // namespace fib::testing
