// Booleans in integer columns, GUIDs as 16 bytes, array columns, dates, and
// blobs of the buffered data sets.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "classlib/datetime.h"
#include "classlib/guid.h"
#include "classlib/variant.h"
#include "fib/tests/fib_fields_table.h"

namespace fib::testing {
namespace {

using namespace classlib;

class MiscFields : public ::testing::Test {
 protected:
  template <class Action>
  std::string ErrorOf(Action action) {
    try {
      action();
    } catch (const Exception& e) {
      return e.Message();
    }
    return "no error";
  }
  FibFieldsTable table;
};

TEST_F(MiscFields, BooleanReadsExactlyItsColumnsBytes) {
  // A CHAR(1) flag followed by a column whose slot starts with a set byte.
  table.AddColumn("FLAG", ftBoolean, 0, fib::TFIBColumnInfo{452, 0, 0, 1});
  table.AddColumn("NEXT", ftInteger, 0, fib::TFIBColumnInfo{496, 0, 0, 4});
  table.AddColumn("WIDE", ftBoolean, 0, fib::TFIBColumnInfo{496, 0, 0, 4});
  table.Open();
  table.Append();
  auto* flag = table.FieldByName("FLAG");
  EXPECT_EQ(flag->DataSize(), 1);
  table.FieldByName("NEXT")->SetAsInteger(-1);
  flag->SetAsBoolean(false);
  EXPECT_FALSE(flag->AsBoolean());
  flag->SetAsBoolean(true);
  uint8_t byte = 0;
  ASSERT_TRUE(table.GetFieldData(flag, &byte));
  EXPECT_EQ(byte, 1);
  EXPECT_EQ(table.FieldByName("NEXT")->AsInteger(), -1);  // the neighbour is untouched

  auto* wide = table.FieldByName("WIDE");
  EXPECT_EQ(wide->DataSize(), 4);
  wide->SetAsInteger(5);
  int32_t word = 0;
  ASSERT_TRUE(table.GetFieldData(wide, &word));
  EXPECT_EQ(word, 1);
  EXPECT_EQ(wide->AsInteger(), 1);
  word = 256;  // any set bit is true, also above the first byte
  table.SetFieldData(wide, &word);
  EXPECT_TRUE(wide->AsBoolean());
}

TEST_F(MiscFields, BooleanWordsAndTextRules) {
  table.AddColumn("FLAG", ftBoolean, 0, fib::TFIBColumnInfo{500, 0, 0, 2});
  table.Open();
  table.Append();
  auto* flag = static_cast<fib::TFIBBooleanField*>(table.FieldByName("FLAG"));
  EXPECT_EQ(flag->AsString(), "");
  EXPECT_FALSE(flag->AsBoolean());
  EXPECT_TRUE(VarIsNull(flag->AsVariant()));
  EXPECT_FALSE(flag->StoreStringTrue());

  flag->SetStringTrue("Yes");
  flag->SetStringFalse("No");
  EXPECT_TRUE(flag->StoreStringTrue());
  flag->SetAsString("yes");
  EXPECT_TRUE(flag->AsBoolean());
  EXPECT_EQ(flag->AsString(), "Yes");
  EXPECT_EQ(flag->DisplayText(), "Yes");
  EXPECT_EQ(flag->AsVariant().AsBoolean(), true);
  flag->SetAsString("0");
  EXPECT_FALSE(flag->AsBoolean());
  flag->SetAsString("1");
  EXPECT_TRUE(flag->AsBoolean());
  flag->SetAsString("NO");
  EXPECT_EQ(flag->AsString(), "No");
  // Other words go to the class library's rule, which knows True and False.
  flag->SetAsString("true");
  EXPECT_TRUE(flag->AsBoolean());
  EXPECT_EQ(ErrorOf([&] { flag->SetAsString("maybe"); }),
            "'maybe' is not a valid boolean value for field 'FLAG'");
}

TEST_F(MiscFields, GuidIsKeptAsItsSixteenBytes) {
  table.AddColumn("G", ftGuid, 16, fib::TFIBColumnInfo{452, 0, 1, 16});
  table.Open();
  table.Append();
  auto* g = table.FieldByName("G");
  EXPECT_EQ(g->DataSize(), 16);
  EXPECT_EQ(g->AsString(), "");
  EXPECT_EQ(g->AsGuid(), TGUID{});

  const std::string text = "{01234567-89AB-CDEF-0123-456789ABCDEF}";
  g->SetAsString(text);
  uint8_t bytes[16] = {};
  ASSERT_TRUE(table.GetFieldData(g, bytes));
  TGUID expected = StringToGUID(text);
  EXPECT_EQ(std::memcmp(bytes, &expected, 16), 0);
  EXPECT_EQ(g->AsString(), text);
  EXPECT_EQ(g->AsVariant().AsString(), text);
  EXPECT_EQ(g->AsGuid(), expected);

  g->SetAsGuid(TGUID{});
  EXPECT_TRUE(g->IsNull());
  g->SetAsString(text);
  g->SetAsString("");
  EXPECT_TRUE(g->IsNull());
  EXPECT_THROW(g->SetAsString("{not a guid}"), EConvertError);

  fib::TFIBGuidField loose(nullptr);
  EXPECT_NO_THROW(loose.SetSize(38));
  EXPECT_EQ(ErrorOf([&] { loose.SetSize(20); }), "Invalid field size");
}

TEST_F(MiscFields, ArrayValuesGoThroughTheDataSet) {
  table.AddColumn("A", ftBytes, 8, fib::TFIBColumnInfo{540, 0, 0, 8});
  table.Open();
  table.Append();
  auto* a = static_cast<fib::TFIBArrayField*>(table.FieldByName("A"));
  EXPECT_EQ(a->AsString(), "(Array)");
  a->SetArrayId(ISC_QUAD{0x11223344, 0x55667788});
  ISC_QUAD id{};
  EXPECT_TRUE(a->GetArrayId(id));
  EXPECT_EQ(id.gds_quad_high, 0x11223344);
  EXPECT_EQ(id.gds_quad_low, 0x55667788u);
  EXPECT_EQ(a->AsString(), "(ARRAY)");
  // A data set that cannot describe the column is asked again next time.
  EXPECT_EQ(a->Array(), nullptr);
  EXPECT_EQ(a->Array(), nullptr);
  EXPECT_EQ(table.arrays_made, 2);

  table.array_values = Variant(int32_t{42});
  EXPECT_EQ(a->AsVariant().AsInteger(), 42);
  a->SetAsVariant(Variant(int32_t{7}));
  EXPECT_EQ(table.array_writes, 1);
  EXPECT_EQ(table.array_values.AsInteger(), 7);
}

TEST_F(MiscFields, DatesAndTimesKeepTheNativeForms) {
  table.AddColumn("D", ftDate);
  table.AddColumn("T", ftTime);
  table.AddColumn("DT", ftDateTime);
  table.Open();
  table.Append();
  EXPECT_EQ(table.FieldByName("D")->ClassName(), "TFIBDateField");
  table.FieldByName("D")->SetAsDateTime(EncodeDate(1858, 11, 17));
  int32_t day = 0;
  ASSERT_TRUE(table.GetFieldData(table.FieldByName("D"), &day));
  EXPECT_EQ(day, 678576);
  table.FieldByName("T")->SetAsDateTime(EncodeTime(1, 2, 3, 4));
  int32_t ms = 0;
  ASSERT_TRUE(table.GetFieldData(table.FieldByName("T"), &ms));
  EXPECT_EQ(ms, 3723004);
  const TDateTime stamp = EncodeDate(2001, 2, 3) + EncodeTime(4, 5, 6, 0);
  table.FieldByName("DT")->SetAsDateTime(stamp);
  EXPECT_NEAR(table.FieldByName("DT")->AsDateTime(), stamp, 1e-9);
}

TEST_F(MiscFields, ClientBlobIsNullExactlyWhenEmpty) {
  table.AddColumn("BL", ftBlob);
  table.AddColumn("CL", ftBlob);
  table.Open();
  table.Append();
  auto* client = static_cast<fib::TFIBBlobField*>(table.FieldByName("CL"));
  client->SetIsClientField(true);
  EXPECT_TRUE(client->IsNull());
  EXPECT_TRUE(VarIsNull(client->AsVariant()));
  client->SetAsString("data");
  EXPECT_FALSE(client->IsNull());
  client->SetAsString("");
  EXPECT_TRUE(client->IsNull());

  auto* blob = table.FieldByName("BL");
  EXPECT_TRUE(VarIsNull(blob->AsVariant()));
  blob->SetAsString("xy");
  EXPECT_FALSE(VarIsNull(blob->AsVariant()));
}

TEST_F(MiscFields, MemoWideTextFollowsItsCharacterSet) {
  table.AddColumn("M", ftMemo);
  table.Open();
  table.Append();
  auto* memo = static_cast<fib::TFIBMemoField*>(table.FieldByName("M"));
  EXPECT_TRUE(VarIsNull(memo->AsVariant()));
  memo->SetCharSetId(3);
  memo->SetAsWideString(u"Дом");
  EXPECT_EQ(memo->AsString(), "Дом");  // the blob holds UTF-8
  EXPECT_EQ(memo->AsWideString(), u"Дом");
  memo->SetCharSetId(52);
  memo->SetAsWideString(u"Дом");
  EXPECT_EQ(memo->AsString(), Utf8ToCp1251("Дом"));
  EXPECT_EQ(memo->AsWideString(), u"Дом");
}

}  // namespace
}  // namespace fib::testing
