#include "fib/records/field_descr_list.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "classlib/exceptions.h"
#include "fib/records/field_descr_list_layout.h"

namespace fib {
namespace {

using classlib::ftGuid;
using classlib::ftInteger;
using classlib::ftString;
using classlib::ftWideString;

// A select list with every kind of slot: nullable types carry bit 0.
std::vector<TColumnLayoutInfo> MixedColumns() {
  return {
      {501, 0, 2, "SMALL", classlib::ftSmallint},   // 0
      {496, 0, 4, "ID", ftInteger},                 // 1
      {448, 0, 300, "NAME", ftString},              // 2 string store
      {452, 0, 12, "CODE", ftString},               // 3 twelve bytes stay inside
      {453, 0, 13, "WIDE", ftWideString},           // 4 a long text kept in the record
      {452, 0, 16, "GUID", ftGuid},                 // 5 a GUID stays inside
      {480, 0, 8, "AMOUNT", classlib::ftFloat},     // 6
      {510, 0, 8, "STAMP", classlib::ftDateTime},   // 7
      {580, -2, 8, "PRICE", classlib::ftBCD},       // 8
      {570, 0, 4, "DAY", classlib::ftDate},         // 9
      {560, 0, 4, "TIME", classlib::ftTime},        // 10
      {482, 0, 4, "RATIO", classlib::ftFloat},      // 11
      {520, 0, 8, "NOTES", classlib::ftMemo},       // 12
      {452, 0, 8, "DB_KEY", ftString},              // 13
  };
}

TEST(RecordLayout, ValuesFollowTheHeaderAndTextSlotsFollowTheValues) {
  const std::vector<TColumnLayoutInfo> columns = MixedColumns();
  TFIBFieldDescrList list;
  const TRecordLayout layout = BuildRecordLayout(columns, list);
  EXPECT_EQ(layout.HeaderSize, 20);
  EXPECT_EQ(layout.StringCount, 1);
  ASSERT_EQ(list.GetCount(), 14);

  const struct {
    int offset, size, string_index;
    bool long_text;
  } expected[] = {
      // WIDE's slot inside the record is its length word and 13 bytes.
      {20, 2, -1, false}, {22, 4, -1, false}, {123, 300, 0, true}, {26, 12, -1, false},
      {38, 13, -1, true}, {55, 16, -1, false}, {71, 8, -1, false}, {79, 8, -1, false},
      {87, 8, -1, false}, {95, 4, -1, false}, {99, 4, -1, false}, {103, 4, -1, false},
      {107, 8, -1, false}, {115, 8, -1, false},
  };
  for (int i = 0; i < 14; ++i) {
    const TFIBFieldDescr* d = list.GetItem(i);
    EXPECT_EQ(d->Offset, expected[i].offset) << i;
    EXPECT_EQ(d->DataSize, expected[i].size) << i;
    EXPECT_EQ(d->StringIndex, expected[i].string_index) << i;
    EXPECT_EQ(d->IsString, expected[i].long_text) << i;
  }
  EXPECT_EQ(layout.StoredSize, 118) << "status and null flags, then the values kept inside";
  EXPECT_EQ(layout.ValuesEnd, 427);

  EXPECT_EQ(list.GetItem(0)->FieldType, 500);
  EXPECT_TRUE(list.GetItem(0)->IsNullable);
  EXPECT_FALSE(list.GetItem(1)->IsNullable);
  EXPECT_EQ(list.GetItem(8)->Scale, -2);
  EXPECT_EQ(list.GetItem(4)->ValueKind, vkWideString);
  EXPECT_EQ(list.GetItem(5)->ValueKind, vkGuid);
  EXPECT_EQ(list.GetItem(3)->ValueKind, vkPlain);
  EXPECT_TRUE(list.GetItem(13)->IsDBKey);
  EXPECT_FALSE(list.GetItem(2)->IsDBKey);
}

TEST(RecordLayout, RowKeyNamesAndRebuilding) {
  TFIBFieldDescrList list;
  const std::vector<TColumnLayoutInfo> keys = {
      {452, 0, 8, "RDB$DB_KEY", ftString}, {452, 0, 8, "db_key", ftString}};
  BuildRecordLayout(keys, list);
  EXPECT_TRUE(list.GetItem(0)->IsDBKey);
  EXPECT_FALSE(list.GetItem(1)->IsDBKey);

  // Laying out again starts from an empty list.
  const TRecordLayout layout = BuildRecordLayout(MixedColumns(), list);
  EXPECT_EQ(list.GetCount(), 14);
  EXPECT_EQ(layout.StringCount, 1);
}

TEST(FieldDescrList, ItemsAreSeparateAndCheckedByIndex) {
  TFIBFieldDescrList list;
  list.SetCapacity(2);
  TFIBFieldDescr values;
  values.DataSize = 4;
  TFIBFieldDescr* first = list.Add(values);
  for (int i = 0; i < 100; ++i) list.Add(values);
  EXPECT_EQ(list.GetItem(0), first) << "a descriptor does not move when the list grows";
  first->Offset = 99;
  EXPECT_EQ(list.GetItem(1)->Offset, 0);
  EXPECT_THROW(list.GetItem(101), classlib::EListError);
  EXPECT_THROW(list.GetItem(-1), classlib::EListError);
  list.Clear();
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_THROW(list.GetItem(0), classlib::EListError);
}

// The data set's whole record buffer: the layout, 4 bytes of blob slot per
// field and a calculated area that is not cached.
class LaidOutCache : public ::testing::Test {
 protected:
  static constexpr int kFields = 14, kCalcSize = 8;

  LaidOutCache() : layout(BuildRecordLayout(MixedColumns(), list)) {
    buffer_size = layout.ValuesEnd + 4 * kFields + kCalcSize;
    cache = CreateRecordsCache(layout, list, 32, 4 * kFields, buffer_size);
    cache->AddPage();
  }

  // A record buffer as the data set fills it: header bytes it keeps, values,
  // text slots with a zero after a short text, blob slots, calculated area.
  std::vector<uint8_t> Buffer(int seed, const std::string& name, const std::string& wide) {
    std::vector<uint8_t> buffer(static_cast<size_t>(buffer_size), 0);
    for (int i = 0; i < layout.ValuesEnd; ++i)
      buffer[static_cast<size_t>(i)] = static_cast<uint8_t>(seed + i);
    PutText(buffer, *list.GetItem(2), name);
    PutText(buffer, *list.GetItem(4), wide);
    for (int i = layout.ValuesEnd; i < buffer_size; ++i)
      buffer[static_cast<size_t>(i)] = static_cast<uint8_t>(seed * 3 + i);
    return buffer;
  }

  static void PutText(std::vector<uint8_t>& buffer, const TFIBFieldDescr& d,
                      const std::string& text) {
    uint8_t* slot = &buffer[static_cast<size_t>(d.Offset)];
    const int32_t length = static_cast<int32_t>(text.size());
    std::memcpy(slot, &length, 4);
    std::memset(slot + 4, 0, d.DataSize);
    std::memcpy(slot + 4, text.data(), text.size());
  }

  TFIBFieldDescrList list;
  TRecordLayout layout;
  int buffer_size = 0;
  std::unique_ptr<TRecordsCache> cache;
};

TEST_F(LaidOutCache, TheCacheSeesExactlyTheBufferPastItsFirstFiveBytes) {
  EXPECT_EQ(cache->BufferSize(), buffer_size - 5);
  EXPECT_EQ(cache->RecordSize(), 118 + 4 * kFields);
  EXPECT_EQ(cache->StringCount(), 1);
  EXPECT_EQ(cache->ExpandedSize(), buffer_size - 5 - kCalcSize);

  const std::vector<uint8_t> written = Buffer(1, "a name of some length", "wide");
  cache->WriteRecord(1, std::span(written).subspan(5), true);

  std::vector<uint8_t> read(static_cast<size_t>(buffer_size), 0);
  cache->ReadRecord(1, std::span(read).subspan(5), false);
  const int calc_at = buffer_size - kCalcSize;
  EXPECT_EQ(std::vector<uint8_t>(read.begin() + 5, read.begin() + calc_at),
            std::vector<uint8_t>(written.begin() + 5, written.begin() + calc_at));
  EXPECT_EQ(std::vector<uint8_t>(read.begin() + calc_at, read.end()),
            std::vector<uint8_t>(kCalcSize, 0)) << "calculated fields are not cached";

  // The current buffer fits a record buffer from byte 5 exactly.
  std::vector<uint8_t> current(static_cast<size_t>(buffer_size), 0);
  std::memcpy(current.data() + 5, cache->GetCurrentBuffer(1),
              static_cast<size_t>(cache->BufferSize()));
  const int first_text = list.GetItem(2)->Offset;
  EXPECT_EQ(std::vector<uint8_t>(current.begin() + 5, current.begin() + first_text),
            std::vector<uint8_t>(written.begin() + 5, written.begin() + first_text));
}

TEST_F(LaidOutCache, NonStringValuesAreReadInPlace) {
  const std::vector<uint8_t> written = Buffer(3, "name", "wide text");
  cache->WriteRecord(1, std::span(written).subspan(5), true);
  uint8_t* record = nullptr;
  for (int i = 0; i < list.GetCount(); ++i) {
    const TFIBFieldDescr& d = *list.GetItem(i);
    TFieldDataRef ref = cache->ReadFieldData(1, d.Offset - 5, record, d.StringIndex);
    if (d.StringIndex >= 0) {
      ASSERT_NE(ref.text, nullptr);
      EXPECT_EQ(*ref.text, "name");
    } else {
      // A long text kept in the record is read with its length word.
      const int size = d.DataSize + (d.IsString ? kTextLengthSize : 0);
      EXPECT_EQ(std::memcmp(ref.value, &written[static_cast<size_t>(d.Offset)], size), 0) << i;
    }
  }
  EXPECT_EQ(record[0], written[5]) << "the stored record begins with the status byte";
}

}  // namespace
}  // namespace fib
