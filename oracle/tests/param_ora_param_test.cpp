// Component parameters: tables, national data, arrays for array DML and the
// value objects of date-times and numbers.
#include "oracle/param_ora_param.h"

#include "classlib/exceptions.h"
#include "oracle/lob_ora_lob.h"
#include "oracle/param_ora_desc.h"
#include "oracle/tests/standin_fixture_values.h"
#include "oracle/value_number.h"
#include "oracle/value_timestamp.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::Variant;
using classlib::testing::MessageOf;

class OraParamTest : public ::testing::Test {
 protected:
  TOraParams params_;
  TOraParam* Make(classlib::TFieldType type, const std::string& name = "P") {
    return static_cast<TOraParam*>(params_.CreateParam(type, name, classlib::ptInput));
  }
};

TEST_F(OraParamTest, TypeMappingsBothWays) {
  EXPECT_EQ(OraFieldTypeToDataType(ftIntervalDS), 113);
  EXPECT_EQ(OraFieldTypeToDataType(classlib::ftLargeint), dacore::dtInt64);
  EXPECT_EQ(OraFieldTypeToDataType(classlib::ftString), dacore::dtString);
  EXPECT_EQ(OraDataTypeToFieldType(101), classlib::ftCursor);
  EXPECT_EQ(OraDataTypeToFieldType(115), ftNumber);
  EXPECT_EQ(OraDataTypeToFieldType(dacore::dtInt32), classlib::ftInteger);
}

TEST_F(OraParamTest, TableAndNationalRefuseTypesWithoutThatForm) {
  TOraParam* integer = Make(classlib::ftInteger);
  EXPECT_EQ(MessageOf([&] { integer->SetNational(true); }), "Wrong national type");
  EXPECT_FALSE(integer->National()) << "unchanged after a refusal";
  integer->SetTable(true);
  EXPECT_TRUE(integer->Table());
  TOraParam* blob = Make(classlib::ftBlob, "B");
  EXPECT_EQ(MessageOf([&] { blob->SetTable(true); }), "This type cannot consist in table");
  EXPECT_EQ(MessageOf([&] { blob->SetLength(2); }), "Type is not allowed in DML array");
  TOraParam* clob = Make(classlib::ftOraClob, "C");
  clob->SetNational(true);
  auto* lob = dynamic_cast<TOraLob*>(clob->ParamObject());
  ASSERT_NE(lob, nullptr);
  EXPECT_EQ(lob->LobType(), ltNClob);
  // Changing the type checks the national flag against the new type.
  EXPECT_EQ(MessageOf([&] { clob->SetDataType(classlib::ftInteger); }), "Wrong national type");
}

TEST_F(OraParamTest, LengthMakesAnArrayAndCollapsesBack) {
  TOraParam* param = Make(classlib::ftString);
  param->SetAsString("A");
  param->SetLength(3);
  EXPECT_EQ(param->Length(), 3);
  EXPECT_EQ(param->ItemValue(1).AsString(), "A");
  EXPECT_TRUE(classlib::VarIsNull(param->ItemValue(3)));
  param->SetItemValue(5, Variant("E"));
  EXPECT_EQ(param->Length(), 5) << "a write beyond the end grows the array";
  EXPECT_EQ(MessageOf([&] { param->ItemValue(0); }), "Index of array is not range");
  param->SetLength(1);
  EXPECT_EQ(param->AsString(), "A");
  EXPECT_THAT(MessageOf([&] { param->AsArray(); }), ::testing::HasSubstr("Param is not an array"));
  TOraParam* scalar = Make(classlib::ftInteger, "S");
  scalar->SetItemValue(7, Variant(5));
  EXPECT_EQ(scalar->AsInteger(), 5) << "a scalar takes its value at any index";
  EXPECT_EQ(scalar->Length(), 1);
}

TEST_F(OraParamTest, BoundDescriptorFollowsItemWrites) {
  TOraParam* param = Make(classlib::ftInteger);
  TOraParamDesc desc;
  desc.SetDataType(dacore::dtInt32);
  param->SetBoundDesc(&desc);
  param->SetLength(2);
  EXPECT_EQ(desc.GetArrayLength(), 2);
  param->SetItemValue(2, Variant(11));
  EXPECT_EQ(desc.GetItemAsInteger(2), 11);
  param->SetLength(1);
  EXPECT_EQ(param->BoundDesc(), nullptr);
}

class OraParamValueTest : public ValueTest {};

TEST_F(OraParamValueTest, NumbersAndTimeStampsThroughTheirObjects) {
  Start();
  TOraParams params;
  auto* number = static_cast<TOraParam*>(params.CreateParam(ftNumber, "N", classlib::ptInput));
  EXPECT_TRUE(number->IsNull());
  number->SetAsInteger(12);
  EXPECT_FALSE(number->IsNull());
  EXPECT_EQ(number->AsNumber()->AsInteger(), 12);
  number->SetLength(2);
  number->SetItemValue(2, Variant(34));
  EXPECT_EQ(number->ItemValue(1).AsString(), "12");
  EXPECT_EQ(number->ItemValue(2).AsString(), "34");
  number->SetLength(1);
  EXPECT_EQ(number->AsInteger(), 12);

  auto* stamp = static_cast<TOraParam*>(params.CreateParam(classlib::ftTimeStamp, "T", classlib::ptInput));
  classlib::TSQLTimeStamp value;
  value.Year = 2006;
  value.Month = 7;
  value.Day = 8;
  value.Hour = 9;
  value.Minute = 10;
  value.Second = 11;
  value.Fractions = 123;
  stamp->SetAsSQLTimeStamp(value);
  EXPECT_EQ(stamp->AsSQLTimeStamp(), value) << "milliseconds carried both ways";
  stamp->SetAsSQLTimeStamp(classlib::TSQLTimeStamp{});
  EXPECT_TRUE(stamp->IsNull());

  TOraParams copies;
  auto* copy = static_cast<TOraParam*>(copies.CreateParam(ftNumber, "N", classlib::ptInput));
  copy->Assign(number);
  copy->SetAsInteger(99);
  EXPECT_EQ(number->AsInteger(), 12) << "a copy has a value object of its own";
}

}  // namespace
}  // namespace oracle::testing
