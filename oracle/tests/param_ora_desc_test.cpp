// Parameter descriptors: item sizes per type, nulls, typed items, Variants
// and arrays; numbers and date-times in arrays on the stand-in.
#include "oracle/param_ora_desc.h"

#include <cstring>

#include "classlib/exceptions.h"
#include "dacore/blob.h"
#include "oracle/tests/standin_fixture_values.h"
#include "oracle/value_data_types.h"
#include "oracle/value_number.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::Variant;
using classlib::testing::MessageOf;
using namespace dacore;

TEST(ParamDescSizes, ItemSizePerType) {
  TOraParamDesc desc;
  desc.SetDataType(dtString);
  EXPECT_EQ(desc.ItemSize(), 2) << "size 0 still holds the terminating zero";
  desc.SetSize(10);
  EXPECT_EQ(desc.ItemSize(), 11);
  desc.SetDataType(dtWideString);
  desc.SetSize(1);
  EXPECT_EQ(desc.ItemSize(), 4);
  desc.SetSize(10);
  EXPECT_EQ(desc.ItemSize(), 22) << "ten wide characters and a zero word";
  desc.SetDataType(dtVarBytes);
  EXPECT_EQ(desc.ItemSize(), 12) << "a length word in front";
  desc.SetDataType(dtDateTime);
  EXPECT_EQ(desc.ItemSize(), 7);
  desc.SetDataType(dtNumber);
  EXPECT_EQ(desc.ItemSize(), 22);
  desc.SetDataType(dtInt32);
  EXPECT_EQ(desc.ItemSize(), 4);
  desc.SetDataType(dtFloat);
  EXPECT_EQ(desc.ItemSize(), 8);
  desc.SetDataType(dtTimeStamp);
  EXPECT_EQ(desc.ItemSize(), static_cast<int>(sizeof(void*))) << "a descriptor's address";
  desc.SetDataType(dtOraBlob);
  EXPECT_EQ(desc.ItemSize(), 0);
  EXPECT_EQ(desc.ValueBuffer(), nullptr);
  desc.SetArrayLength(3);
  desc.SetDataType(dtDateTime);
  EXPECT_NE(desc.ValueBuffer(), nullptr);
  EXPECT_EQ(desc.GetIndicator(3), -1) << "every item starts null";
  EXPECT_THAT(MessageOf([&] { desc.SetDataType(dtVariant); }), ::testing::HasSubstr("Unknown data type"))
      << "checked when the buffers are built";
}

TEST(ParamDescItems, StringsAreCutTerminatedAndNullWhenEmpty) {
  TOraParamDesc desc;
  desc.SetDataType(dtString);
  desc.SetSize(20);
  desc.SetItemAsString(1, std::string(40, 'x'));
  EXPECT_EQ(desc.GetItemAsString(1), std::string(20, 'x'));
  EXPECT_EQ(desc.MaxItemLength, 20);
  desc.SetConvertEOL(true);
  desc.SetItemAsString(1, "a\r\nb");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(desc.ItemPtr(1))), "a\nb") << "stored with LF";
  EXPECT_EQ(desc.GetItemAsString(1), "a\r\nb");
  desc.SetItemAsString(1, "");
  EXPECT_TRUE(desc.GetNull());
  EXPECT_EQ(desc.MaxItemLength, 0);
  EXPECT_TRUE(classlib::VarIsStr(desc.GetItemAsVariant(1))) << "a null string reads as empty text";

  desc.SetDataType(dtWideString);
  desc.SetSize(3);
  desc.SetItemAsWideString(1, u"abcdef");
  EXPECT_EQ(desc.GetItemAsWideString(1), u"abc");
}

TEST(ParamDescItems, TypedValuesAndVariants) {
  TOraParamDesc desc;
  desc.SetValue(Variant(int32_t{42}));
  EXPECT_EQ(desc.GetDataType(), dtInt32) << "an untyped descriptor takes the Variant's type";
  EXPECT_EQ(desc.GetItemAsInteger(1), 42);
  desc.SetNull(true);
  EXPECT_TRUE(classlib::VarIsNull(desc.GetValue()));
  EXPECT_EQ(desc.GetItemAsInteger(1), 0) << "the item's storage is emptied";

  TOraParamDesc date;
  const classlib::TDateTime when = classlib::EncodeDate(2005, 3, 15) + classlib::EncodeTime(10, 30, 0, 0);
  date.SetValue(Variant::FromDate(when));
  EXPECT_EQ(date.GetDataType(), dtDateTime);
  const uint8_t expected[7] = {120, 105, 3, 15, 11, 31, 1};
  EXPECT_EQ(std::memcmp(date.ItemPtr(1), expected, 7), 0);
  EXPECT_DOUBLE_EQ(date.GetValue().AsDate(), when);
  // Bytes the server left without a date (an output never written) read as
  // null, as a fetched DATE's do, instead of failing the statement.
  std::memset(date.ItemPtr(1), 0, 7);
  EXPECT_TRUE(classlib::VarIsNull(date.GetValue()));
  date.ItemPtr(1)[2] = 13;
  EXPECT_TRUE(classlib::VarIsNull(date.GetValue()));
  EXPECT_EQ(date.GetItemAsDateTime(1), 0.0);

  TOraParamDesc flag;
  flag.SetDataType(dtBoolean);
  flag.SetValue(Variant(7));
  EXPECT_TRUE(flag.GetValue().AsBoolean());

  TOraParamDesc raw;
  raw.SetDataType(dtVarBytes);
  raw.SetSize(4);
  raw.SetValue(Variant(std::string("\x01\x02\x03\x04\x05", 5)));
  const Variant bytes = raw.GetValue();
  EXPECT_EQ(bytes.VType(), classlib::varArray | classlib::varByte);
  EXPECT_EQ(classlib::VarArrayHighBound(bytes, 1), 3) << "cut to the item's capacity";

  TOraParamDesc untyped;
  EXPECT_EQ(MessageOf([&] { untyped.SetValue(Variant(true)); }), "Unknown data type");
  TOraParamDesc integer;
  integer.SetDataType(dtInt32);
  EXPECT_EQ(MessageOf([&] { integer.SetItemAsVariant(1, Variant::FromDate(1.0)); }), "Cannot convert type");
}

TEST(ParamDescArrays, WholeValueIsAVariantArray) {
  TOraParamDesc desc;
  desc.SetDataType(dtString);
  desc.SetSize(5);
  Variant items = classlib::VarArrayCreate({1, 3}, classlib::varVariant);
  classlib::VarArrayPut(items, Variant("one"), {1});
  classlib::VarArrayPut(items, Variant::Null(), {2});
  classlib::VarArrayPut(items, Variant("three"), {3});
  desc.SetValue(items);
  EXPECT_EQ(desc.GetArrayLength(), 3);
  EXPECT_EQ(desc.ItemSize(), 6);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(desc.ItemPtr(3))), "three") << "items are contiguous";
  EXPECT_EQ(desc.IndicatorPtr()[1], -1);
  EXPECT_EQ(desc.IndicatorPtr()[2], 0);
  const Variant back = desc.GetValue();
  EXPECT_EQ(classlib::VarArrayGet(back, {1}).AsString(), "one");
  EXPECT_EQ(classlib::VarArrayGet(back, {3}).AsString(), "three");
  EXPECT_EQ(MessageOf([&] { desc.GetItemAsString(4); }), "Index of array is not range");
  EXPECT_EQ(MessageOf([&] { desc.SetItemNull(0, true); }), "Index of array is not range");
}

TEST(ParamDescObjects, BlobIndicatorFollowsItsContent) {
  TOraParamDesc desc;
  desc.SetDataType(dtBlob);
  desc.UpdateIndicator();
  EXPECT_EQ(desc.IndicatorPtr()[0], -1) << "no blob";
  auto* blob = new TBlob;
  desc.SetObject(blob);
  blob->Release();
  desc.UpdateIndicator();
  EXPECT_EQ(desc.IndicatorPtr()[0], -1) << "an empty blob";
  blob->SetAsString("data");
  desc.UpdateIndicator();
  EXPECT_EQ(desc.IndicatorPtr()[0], 0);
  EXPECT_EQ(desc.GetValue().AsString(), "data");
  desc.SetNull(true);
  EXPECT_EQ(blob->GetSize(), 0u) << "a null item clears its blob";
}

class ParamDescNumberTest : public ValueTest {};

TEST_F(ParamDescNumberTest, LargeIntegersAndNumberArraysGoThroughNumbers) {
  Start();
  TOraParamDesc single;
  single.SetDataType(dtInt64);
  single.SetItemAsLargeInt(1, 9007199254740993LL);
  EXPECT_EQ(single.GetItemAsLargeInt(1), 9007199254740993LL);
  auto* number = dynamic_cast<TOraNumber*>(single.GetObject());
  ASSERT_NE(number, nullptr);
  EXPECT_EQ(single.IndicatorPtr(), number->IndicatorCell()) << "the object's indicator is bound";

  TOraParamDesc array;
  array.SetDataType(dtNumber);
  array.SetArrayLength(3);
  array.SetItemAsVariant(2, Variant(static_cast<long long>(77)));
  array.ItemObjectsToBuffer();
  EXPECT_EQ(array.IndicatorPtr()[0], -1);
  EXPECT_EQ(array.IndicatorPtr()[1], 0);
  auto* second = dynamic_cast<TOraNumber*>(array.GetItemObject(2));
  EXPECT_EQ(std::memcmp(array.ItemPtr(2), second->GetOCINumberPtr(), 22), 0);
}

}  // namespace
}  // namespace oracle::testing
