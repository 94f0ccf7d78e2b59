#include <gtest/gtest.h>

#include "classlib/field_blob.h"
#include "classlib/field_numeric.h"
#include "classlib/field_string.h"
#include "classlib/params.h"
#include "testing/dataset_test_table.h"

namespace classlib {
namespace {

TEST(ParamFromField, TypeSizeAndValueComeFromTheField) {
  TStringField name(nullptr);
  name.SetFieldName("NAME");
  name.SetSize(20);
  TParam p(nullptr);
  p.AssignFieldValue(&name, Variant("abc"));
  EXPECT_EQ(p.DataType(), ftString);
  EXPECT_EQ(p.Size(), 20);
  EXPECT_EQ(p.AsString(), "abc");
  EXPECT_TRUE(p.Bound());
  EXPECT_EQ(p.Name(), "");  // only AssignField takes the name

  name.SetFixedChar(true);
  p.AssignFieldValue(&name, Variant("abc"));
  EXPECT_EQ(p.DataType(), ftFixedChar);
}

TEST(ParamFromField, LongMemosBindAsStrings) {
  TMemoField memo(nullptr);
  TWideMemoField wide(nullptr);
  TParam p(nullptr);

  memo.SetSize(255);
  p.AssignFieldValue(&memo, Variant("m"));
  EXPECT_EQ(p.DataType(), ftMemo);
  memo.SetSize(256);
  p.AssignFieldValue(&memo, Variant("m"));
  EXPECT_EQ(p.DataType(), ftString);

  wide.SetSize(256);
  p.AssignFieldValue(&wide, Variant(u"w"));
  EXPECT_EQ(p.DataType(), ftWideString);
  EXPECT_EQ(p.AsWideString(), u"w");
}

TEST(ParamFromField, DecimalFieldsGivePrecisionAndScale) {
  TBCDField amount(nullptr);
  amount.SetPrecision(18);
  amount.SetSize(2);
  TParam p(nullptr);
  p.AssignFieldValue(&amount, Variant(Currency::FromScaled(12345)));
  EXPECT_EQ(p.DataType(), ftBCD);
  EXPECT_EQ(p.Precision(), 18);
  EXPECT_EQ(p.NumericScale(), 2);
  EXPECT_EQ(p.AsCurrency(), Currency::FromScaled(12345));
}

TEST(ParamFromField, NullValueClearsButBinds) {
  TIntegerField id(nullptr);
  TParam p(nullptr);
  p.SetAsString("old");
  p.AssignFieldValue(&id, Null());
  EXPECT_EQ(p.DataType(), ftInteger);
  EXPECT_TRUE(p.IsNull());
  EXPECT_TRUE(p.Bound());

  p.AssignFieldValue(nullptr, Variant(1));
  EXPECT_TRUE(p.IsNull());  // no field: nothing changes
}

// A table with one row: ID 7, NAME "seven", NOTE null.
std::unique_ptr<testing::TestTable> OneRow() {
  auto table = std::make_unique<testing::TestTable>();
  table->AddColumn("ID", ftInteger);
  table->AddColumn("NAME", ftString, 20);
  table->AddColumn("NOTE", ftString, 10);
  table->Open();
  table->Append();
  table->FieldByName("ID")->SetAsInteger(7);
  table->FieldByName("NAME")->SetAsString("seven");
  table->Post();
  return table;
}

TEST(ParamFromField, AssignTakesTheCurrentRecordsValueAndTheFieldName) {
  auto table = OneRow();
  TParam p(nullptr);
  p.Assign(table->FieldByName("NAME"));
  EXPECT_EQ(p.Name(), "NAME");
  EXPECT_EQ(p.DataType(), ftString);
  EXPECT_EQ(p.Size(), 20);
  EXPECT_EQ(p.AsString(), "seven");

  p.AssignField(table->FieldByName("NOTE"));
  EXPECT_EQ(p.Name(), "NOTE");
  EXPECT_TRUE(p.IsNull());
  EXPECT_TRUE(p.Bound());

  TParams params;
  params.CreateParam(ftUnknown, "id", ptInput)->AssignField(table->FieldByName("ID"));
  EXPECT_EQ(params.ParamByName("ID")->AsInteger(), 7);
}

TEST(ParamFromField, FieldTakesTheParametersValue) {
  auto table = OneRow();
  TParam p(nullptr);
  p.SetAsString("renamed");
  table->Edit();
  table->FieldByName("NAME")->Assign(&p);
  table->Post();
  EXPECT_EQ(table->FieldByName("NAME")->AsString(), "renamed");

  p.Clear();
  table->Edit();
  table->FieldByName("NAME")->Assign(&p);
  EXPECT_TRUE(table->FieldByName("NAME")->IsNull());
  table->Cancel();
}

}  // namespace
}  // namespace classlib
