// Field values against the fixed record-buffer formats, and the errors the
// conversions and range checks raise.
#include <gtest/gtest.h>

#include <cstring>

#include "classlib/datetime.h"
#include "classlib/field_blob.h"
#include "classlib/field_misc.h"
#include "classlib/field_numeric.h"
#include "classlib/field_string.h"
#include "classlib/stream.h"
#include "testing/dataset_test_table.h"

namespace classlib::testing {
namespace {

class FieldConversion : public ::testing::Test {
 protected:
  void SetUp() override {
    table.AddColumn("I", ftInteger);
    table.AddColumn("S", ftSmallint);
    table.AddColumn("W", ftWord);
    table.AddColumn("L", ftLargeint);
    table.AddColumn("F", ftFloat);
    table.AddColumn("B", ftBCD, 2);
    table.AddColumn("M", ftFMTBcd, 3);
    table.AddColumn("BO", ftBoolean);
    table.AddColumn("D", ftDate);
    table.AddColumn("T", ftTime);
    table.AddColumn("DT", ftDateTime);
    table.AddColumn("STR", ftString, 5);
    table.AddColumn("WS", ftWideString, 5);
    table.AddColumn("VB", ftVarBytes, 4);
    table.AddColumn("G", ftGuid, 38);
    table.AddColumn("BL", ftBlob);
    table.AddColumn("ME", ftMemo);
    table.AddColumn("WM", ftWideMemo);
    table.Open();
    table.Append();
  }

  TField* F(const char* name) { return table.FieldByName(name); }

  // The value exactly as the record buffer holds it.
  template <class T>
  T Native(const char* name) {
    T value{};
    EXPECT_TRUE(table.GetFieldData(F(name), &value));
    return value;
  }

  // The message of the EDatabaseError (or EConvertError) that action raises.
  template <class Action>
  std::string ErrorOf(Action action) {
    try {
      action();
    } catch (const Exception& e) {
      return e.Message();
    }
    return "no error";
  }

  TestTable table;
};

TEST_F(FieldConversion, DefaultFieldsHaveTheClassOfTheirType) {
  EXPECT_EQ(F("I")->ClassName(), "TIntegerField");
  EXPECT_EQ(F("S")->ClassName(), "TSmallintField");
  EXPECT_EQ(F("B")->ClassName(), "TBCDField");
  EXPECT_EQ(F("M")->ClassName(), "TFMTBCDField");
  EXPECT_EQ(F("D")->ClassName(), "TDateField");
  EXPECT_EQ(F("WS")->ClassName(), "TWideStringField");
  EXPECT_EQ(F("G")->ClassName(), "TGuidField");
  EXPECT_EQ(F("ME")->ClassName(), "TMemoField");
  EXPECT_EQ(F("WM")->ClassName(), "TWideMemoField");
  EXPECT_EQ(F("STR")->DataSize(), 6);
  EXPECT_EQ(F("WS")->DataSize(), 12);
  EXPECT_EQ(F("VB")->DataSize(), 6);
  EXPECT_EQ(F("BO")->DataSize(), 2);
  EXPECT_EQ(F("B")->DataSize(), 8);
  EXPECT_EQ(F("D")->DataSize(), 4);
}

TEST_F(FieldConversion, DatesAndTimesUseDayNumbersAndMilliseconds) {
  F("D")->SetAsDateTime(EncodeDate(1, 1, 1));
  EXPECT_EQ(Native<int32_t>("D"), 1);
  F("D")->SetAsDateTime(EncodeDate(1899, 12, 30) + EncodeTime(18, 0, 0, 0));
  EXPECT_EQ(Native<int32_t>("D"), 693594);
  EXPECT_DOUBLE_EQ(F("D")->AsDateTime(), 0.0);

  F("T")->SetAsDateTime(EncodeTime(13, 45, 30, 250));
  EXPECT_EQ(Native<int32_t>("T"), ((13 * 60 + 45) * 60 + 30) * 1000 + 250);
  int h, m, s, ms;
  DecodeTime(F("T")->AsDateTime(), h, m, s, ms);
  EXPECT_EQ(h * 10000000 + m * 100000 + s * 1000 + ms, 134530250);

  // Day number times the milliseconds of a day, plus the time of day.
  F("DT")->SetAsDateTime(EncodeDate(1, 1, 1));
  EXPECT_DOUBLE_EQ(Native<double>("DT"), 86400000.0);
  F("DT")->SetAsDateTime(EncodeDate(2000, 1, 1) + EncodeTime(0, 0, 1, 0));
  EXPECT_DOUBLE_EQ(Native<double>("DT"), 730120.0 * 86400000.0 + 1000.0);
  TDateTime stamp = EncodeDate(2024, 2, 29) + EncodeTime(23, 59, 59, 999);
  F("DT")->SetAsDateTime(stamp);
  EXPECT_NEAR(F("DT")->AsDateTime(), stamp, 1e-9);
  EXPECT_EQ(F("DT")->Value().VType(), varDate);
}

TEST_F(FieldConversion, BooleansAreSixteenBitsWithTextRules) {
  F("BO")->SetAsBoolean(true);
  EXPECT_NE(Native<int16_t>("BO"), 0);
  EXPECT_EQ(F("BO")->AsString(), "True");
  F("BO")->SetAsString("f");
  EXPECT_EQ(Native<int16_t>("BO"), 0);
  EXPECT_FALSE(F("BO")->AsBoolean());

  auto* flag = static_cast<TBooleanField*>(F("BO"));
  flag->SetDisplayValues("Yes;No");
  flag->SetAsString("YES");
  EXPECT_TRUE(flag->AsBoolean());
  EXPECT_EQ(flag->DisplayText(), "Yes");
  EXPECT_EQ(ErrorOf([&] { flag->SetAsString("maybe"); }),
            "'maybe' is not a valid boolean value for field 'BO'");
  EXPECT_EQ(ErrorOf([&] { flag->AsDateTime(); }), "Cannot access field 'BO' as type DateTime");
}

TEST_F(FieldConversion, BcdIsCurrencyScaledAndChecksItsRange) {
  auto* amount = static_cast<TBCDField*>(F("B"));
  amount->SetAsFloat(123.456);
  EXPECT_EQ(Native<int64_t>("B"), 1234600);  // rounded to the field's two decimals
  EXPECT_EQ(amount->AsString(), "123.46");
  EXPECT_EQ(amount->AsCurrency(), Currency::FromScaled(1234600));
  EXPECT_EQ(amount->Value().VType(), varCurrency);

  amount->SetPrecision(5);
  EXPECT_EQ(ErrorOf([&] { amount->SetAsInteger(1000); }),
            "1000 is not a valid value for field 'B'. The allowed range is -999.99 to 999.99");
  amount->SetPrecision(0);
  amount->SetMinValue(Currency::FromInt(1));
  amount->SetMaxValue(Currency::FromInt(3));
  EXPECT_EQ(ErrorOf([&] { amount->SetAsFloat(5); }),
            "5 is not a valid value for field 'B'. The allowed range is 1 to 3");
  amount->SetAsFloat(2.5);
  EXPECT_EQ(amount->AsInteger(), 2);  // halves go to the even neighbour
  EXPECT_EQ(ErrorOf([&] { amount->SetAsString("12a"); }), "'12a' is not a valid floating point value");
  TBCDField loose(nullptr);
  EXPECT_EQ(ErrorOf([&] { loose.SetSize(40); }), "Invalid field size");
}

TEST_F(FieldConversion, FmtBcdKeepsAllItsDigits) {
  F("M")->SetAsString("12345678901234.567");
  EXPECT_EQ(F("M")->AsString(), "12345678901234.567");
  TBcd native = Native<TBcd>("M");
  EXPECT_EQ(BCDToStr(native), "12345678901234.567");
  EXPECT_EQ(F("M")->Value().VType(), varFMTBcd);
  F("M")->SetAsInteger(-7);
  EXPECT_EQ(F("M")->AsLargeInt(), -7);
}

TEST_F(FieldConversion, IntegersCheckTheirStorageAndLimits) {
  F("S")->SetAsInteger(-32768);
  EXPECT_EQ(Native<int16_t>("S"), -32768);
  EXPECT_EQ(ErrorOf([&] { F("S")->SetAsInteger(40000); }),
            "40000 is not a valid value for field 'S'. The allowed range is -32768 to 32767");
  EXPECT_EQ(ErrorOf([&] { F("W")->SetAsInteger(-1); }),
            "-1 is not a valid value for field 'W'. The allowed range is 0 to 65535");
  F("W")->SetAsInteger(65535);
  EXPECT_EQ(Native<uint16_t>("W"), 65535);

  auto* count = static_cast<TIntegerField*>(F("I"));
  count->SetMaxValue(10);
  EXPECT_EQ(ErrorOf([&] { count->SetAsString("11"); }),
            "11 is not a valid value for field 'I'. The allowed range is 0 to 10");
  EXPECT_EQ(ErrorOf([&] { count->SetAsString("ten"); }), "'ten' is not a valid integer value");
  count->SetAsFloat(2.5);
  EXPECT_EQ(Native<int32_t>("I"), 2);
  count->SetAsString("");
  EXPECT_TRUE(count->IsNull());
  EXPECT_EQ(count->AsString(), "");
  EXPECT_EQ(VarType(count->Value()), varNull);

  F("L")->SetAsString("9000000000");
  EXPECT_EQ(Native<int64_t>("L"), 9000000000LL);
  EXPECT_EQ(ErrorOf([&] { F("L")->AsInteger(); }),
            "9000000000 is not a valid value for field 'L'. The allowed range is -2147483648 to "
            "2147483647");
}

TEST_F(FieldConversion, FloatsFormatAndParse) {
  auto* ratio = static_cast<TFloatField*>(F("F"));
  ratio->SetAsString("3.14159");
  EXPECT_DOUBLE_EQ(Native<double>("F"), 3.14159);
  EXPECT_EQ(ErrorOf([&] { ratio->SetAsString("1.5x"); }), "'1.5x' is not a valid floating point value");
  ratio->SetDisplayFormat("0.00");
  EXPECT_EQ(ratio->DisplayText(), "3.14");
  ratio->SetEditFormat("0.0000");
  EXPECT_EQ(ratio->Text(), "3.1416");
  ratio->SetPrecision(3);
  EXPECT_EQ(ratio->AsString(), "3.14");
  ratio->SetMinValue(0);
  ratio->SetMaxValue(1);
  EXPECT_THROW(ratio->SetAsFloat(2), EDatabaseError);
}

TEST_F(FieldConversion, TextFieldsAreZeroTerminatedAndCutToSize) {
  F("STR")->SetAsString("abcdefgh");
  char raw[6];
  EXPECT_TRUE(table.GetFieldData(F("STR"), raw));
  EXPECT_STREQ(raw, "abcde");
  EXPECT_EQ(ErrorOf([&] { F("STR")->AsInteger(); }), "'abcde' is not a valid integer value");
  F("STR")->SetAsInteger(42);
  EXPECT_EQ(F("STR")->AsInteger(), 42);

  F("WS")->SetAsWideString(u"\u0416\u0443\u043A\u0438 \u0438 \u043F\u0430\u0443\u043A\u0438");
  char16_t wide[6];
  EXPECT_TRUE(table.GetFieldData(F("WS"), wide));
  EXPECT_EQ(std::u16string(wide), u"\u0416\u0443\u043A\u0438 ");
  EXPECT_EQ(F("WS")->AsString(), "\xC6\xF3\xEA\xE8 ");  // CP1251
}

TEST_F(FieldConversion, VarBytesCarryTheirLength) {
  F("VB")->SetAsString(std::string("\x01\x00\x02", 3));
  uint8_t raw[6];
  ASSERT_TRUE(table.GetFieldData(F("VB"), raw));
  uint16_t length;
  std::memcpy(&length, raw, 2);
  EXPECT_EQ(length, 3);
  EXPECT_EQ(raw[2], 1);
  EXPECT_EQ(raw[4], 2);
  Variant bytes = F("VB")->Value();
  ASSERT_TRUE(VarIsArray(bytes));
  EXPECT_EQ(VarArrayHighBound(bytes, 1), 2);
  F("VB")->SetAsString("too long");
  EXPECT_EQ(F("VB")->AsString(), "too ");
}

TEST_F(FieldConversion, GuidsAreBracedText) {
  TGUID id = CreateGUID();
  F("G")->SetAsGuid(id);
  EXPECT_EQ(F("G")->AsString(), GUIDToString(id));
  EXPECT_TRUE(F("G")->AsGuid() == id);
  TGuidField loose(nullptr);
  EXPECT_EQ(ErrorOf([&] { loose.SetSize(16); }), "Invalid field size");
  EXPECT_EQ(ErrorOf([&] { F("G")->SetSize(38); }),
            "Cannot perform this operation on an open dataset");
}

TEST_F(FieldConversion, BlobsGoThroughStreams) {
  auto* blob = static_cast<TBlobField*>(F("BL"));
  EXPECT_TRUE(blob->IsNull());
  EXPECT_EQ(blob->DisplayText(), "(Blob)");
  TMemoryStream input;
  input.WriteBuffer("\x00\x01\x02\x03", 4);
  input.SetPosition(0);
  blob->LoadFromStream(input);
  EXPECT_EQ(blob->BlobSize(), 4);
  EXPECT_EQ(blob->DisplayText(), "(BLOB)");

  F("ME")->SetAsString("memo text");
  F("WM")->SetAsWideString(u"\u044F");
  F("I")->SetAsInteger(1);
  EXPECT_TRUE(blob->Modified());
  table.Post();
  EXPECT_FALSE(blob->Modified());
  EXPECT_EQ(F("ME")->AsString(), "memo text");
  EXPECT_EQ(F("WM")->AsWideString(), u"\u044F");
  EXPECT_EQ(F("WM")->AsString(), "\xFF");
  TMemoryStream output;
  blob->SaveToStream(output);
  ASSERT_EQ(output.Size(), 4);
  EXPECT_EQ(std::memcmp(output.Memory(), "\x00\x01\x02\x03", 4), 0);

  // Writing needs edit mode.
  EXPECT_THROW(F("ME")->SetAsString("x"), EDatabaseError);
  table.Edit();
  F("ME")->Clear();
  EXPECT_TRUE(F("ME")->IsNull());
  EXPECT_TRUE(static_cast<TBlobField*>(F("ME"))->Modified());
  table.Cancel();
  EXPECT_FALSE(static_cast<TBlobField*>(F("ME"))->Modified());
  EXPECT_EQ(F("ME")->AsString(), "memo text");
}

TEST_F(FieldConversion, TextEventsReplaceTheTextForms) {
  F("I")->SetAsInteger(5);
  F("I")->SetOnGetText(TFieldGetTextEvent::Function(
      [](TField* f, std::string& text, bool display) {
        text = (display ? "#" : "") + std::to_string(f->AsInteger());
      }));
  F("I")->SetOnSetText(TFieldSetTextEvent::Function(
      [](TField* f, const std::string& text) { f->SetAsInteger(std::stoi(text) * 10); }));
  EXPECT_EQ(F("I")->DisplayText(), "#5");
  EXPECT_EQ(F("I")->Text(), "5");
  F("I")->SetText("3");
  EXPECT_EQ(F("I")->AsInteger(), 30);
  EXPECT_EQ(F("I")->AsString(), "30");
}

TEST_F(FieldConversion, AssignCopiesValuesBetweenFields) {
  F("I")->SetAsInteger(12);
  F("STR")->Assign(F("I"));
  EXPECT_EQ(F("STR")->AsString(), "12");
  F("I")->Assign(nullptr);
  EXPECT_TRUE(F("I")->IsNull());
  F("F")->SetValue(Variant(2.5));
  EXPECT_DOUBLE_EQ(F("F")->AsFloat(), 2.5);
  F("F")->SetValue(Null());
  EXPECT_TRUE(F("F")->IsNull());
}

}  // namespace
}  // namespace classlib::testing
