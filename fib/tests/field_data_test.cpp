#include <gtest/gtest.h>

#include "classlib/format_settings.h"
#include "fib/records/field_data.h"
#include "testing/dataset_test_table.h"

namespace fib {
namespace {

using classlib::Variant;
using classlib::testing::TestTable;

class FieldData : public ::testing::Test {
 protected:
  void SetUp() override {
    table.AddColumn("M", classlib::ftFMTBcd, 6);
    table.AddColumn("I", classlib::ftInteger);
    table.Open();
    table.Append();
    table.FieldByName("M")->SetAsString("12.345678");
    table.FieldByName("I")->SetAsInteger(7);
    table.Post();
    table.Edit();
    table.FieldByName("M")->SetAsString("-0.5");
    table.FieldByName("I")->Clear();
  }
  void TearDown() override { classlib::ResetFormatSettings(); }

  TestTable table;
};

TEST_F(FieldData, ReadsTheEditedOrTheOldValueAndRestoresTheState) {
  int32_t value = 0;
  EXPECT_FALSE(ReadFieldData(table.FieldByName("I"), false, &value));
  EXPECT_TRUE(ReadFieldData(table.FieldByName("I"), true, &value));
  EXPECT_EQ(value, 7);
  EXPECT_EQ(table.State(), classlib::dsEdit);
}

TEST_F(FieldData, DecimalTextUsesThePointOrTheLocaleSeparator) {
  classlib::FormatSettings().DecimalSeparator = ',';
  classlib::TField* m = table.FieldByName("M");
  EXPECT_EQ(BCDFieldAsVariantText(m, false, true).AsString(), "-0.5");
  EXPECT_EQ(BCDFieldAsVariantText(m, false, false).AsString(), "-0,5");
  EXPECT_EQ(BCDFieldAsVariantText(m, true, true).AsString(), "12.345678");
  EXPECT_EQ(table.State(), classlib::dsEdit);
  m->Clear();
  EXPECT_TRUE(classlib::VarIsNull(BCDFieldAsVariantText(m, false, true)));
}

}  // namespace
}  // namespace fib
