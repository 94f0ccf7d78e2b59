// Reading by field number through the plan made at layout: every planned
// type gives what the per-type read (GetField) gives, nulls included; the
// trimming and line-end options are those in force at the read, not at the
// layout; a new layout with other fields plans anew.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "classlib/datetime.h"
#include "dacore/tests/store_fixture.h"
#include "dacore/util_bytes.h"
#include "dacore/util_var_bytes.h"

namespace dacore {
namespace {

using classlib::Variant;
constexpr uint16_t kPtr = sizeof(void*);

class StoreReadPlanTest : public ::testing::Test {
 protected:
  StoreReadPlanTest()
      : store_({{"S", dtString, 11, 10},   {"I8", dtInt8, 1},       {"I16", dtInt16, 2},
                {"I32", dtInt32, 4},       {"F", dtFloat, 8},       {"DT", dtDateTime, 8},
                {"U16", dtUInt16, 2},      {"BOOL", dtBoolean, 2},  {"I64", dtInt64, 8},
                {"CUR", dtCurrency, 8},    {"BY", dtBytes, 3, 3},   {"VB", dtVarBytes, 6, 4},
                {"U32", dtUInt32, 4},      {"WS", dtWideString, 12, 5}, {"BCD", dtBcd, 8},
                {"GUID", dtGuid, 39, 38},  {"D", dtDate, 8},        {"HS", dtHeapString, kPtr, 100}}) {
    store_.Open();
    rec_ = std::make_unique<TestRecord>(store_);
  }
  int No(const char* name) { return store_.FieldByName(name)->FieldNo(); }
  void Put(const char* name, const Variant& v) { store_.PutFieldAsVariant(No(name), rec_->buf(), v); }
  // The value by field number, and the same field by the per-type read,
  // each into a buffer of its own that starts out different.
  struct Reads {
    std::vector<uint8_t> by_number, by_type;
    bool blank;
  };
  Reads Read(int field_no) {
    const TFieldDesc& field = *store_.Fields().GetItems(field_no - 1);
    Reads r{std::vector<uint8_t>(ValueBufferSize(field), 0xAA), std::vector<uint8_t>(ValueBufferSize(field), 0x55),
            true};
    store_.GetFieldByNo(field_no, rec_->buf(), r.by_number.data(), r.blank);
    store_.GetField(field, rec_->buf(), r.by_type.data());
    return r;
  }
  std::string Text(const char* name) {
    std::vector<char> value(64, 'x');
    bool blank = true;
    store_.GetFieldByNo(No(name), rec_->buf(), value.data(), blank);
    return blank ? "<null>" : value.data();
  }

  TTestStore store_;
  std::unique_ptr<TestRecord> rec_;
};

TEST_F(StoreReadPlanTest, EveryTypeReadsAsItsPerTypeReadNullOrNot) {
  using namespace classlib;
  // Null first: the record holds what InitRecord left.
  for (int no = 1; no <= store_.GetFieldCount(); ++no) {
    const Reads r = Read(no);
    EXPECT_TRUE(r.blank) << no;
  }
  Put("S", Variant("abc  "));
  Put("I8", Variant(int8_t{-7}));
  Put("I16", Variant(int16_t{-300}));
  Put("I32", Variant(123456));
  Put("F", Variant(2.5));
  Put("DT", Variant::FromDate(EncodeDate(2024, 2, 29) + EncodeTime(13, 14, 15, 500)));
  Put("U16", Variant(uint16_t{65000}));
  Put("BOOL", Variant(true));
  Put("I64", Variant(static_cast<long long>(1) << 40));
  Put("CUR", Variant(1.25));
  Put("BY", BytesToVar({1, 2, 3}));
  Put("VB", BytesToVar({9, 8}));
  Put("U32", Variant(uint32_t{4000000000u}));
  Put("WS", Variant(WideString(u"\u0416x ")));
  Put("BCD", Variant(Currency::FromScaled(123456)));
  Put("GUID", Variant("{00000000-0000-0000-0000-000000000001}"));
  Put("D", Variant::FromDate(EncodeDate(1999, 12, 31)));
  Put("HS", Variant("heap"));
  for (int no = 1; no <= store_.GetFieldCount(); ++no) {
    const TFieldDesc& field = *store_.Fields().GetItems(no - 1);
    const Reads r = Read(no);
    EXPECT_FALSE(r.blank) << field.Name();
    // The per-type read writes the field's size (a date-time 8 bytes, a
    // day number 4, a heap text up to its terminator).
    size_t size = field.Size();
    if (field.DataType() == dtDate) size = 4;
    if (field.DataType() == dtHeapString) size = 5;
    EXPECT_EQ(0, std::memcmp(r.by_number.data(), r.by_type.data(), size)) << field.Name();
  }
}

TEST_F(StoreReadPlanTest, TrimmingFollowsTheOptionsAtTheRead) {
  store_.FieldByName("S")->SetFixed(true);
  Put("S", Variant("ab   "));
  EXPECT_EQ(Text("S"), "ab   ");
  store_.SetTrimFixedChars(true);
  EXPECT_EQ(Text("S"), "ab");
  store_.SetTrimFixedChars(false);
  store_.SetTrimVarChars(true);  // a fixed field is not a varying one
  EXPECT_EQ(Text("S"), "ab   ");
}

TEST_F(StoreReadPlanTest, LineEndsAreExpandedWhileTheConnectionSaysSo) {
  Put("S", Variant("a\nb"));
  EXPECT_EQ(Text("S"), "a\nb");
  store_.connection_flag = true;
  EXPECT_EQ(Text("S"), "a\r\nb");
  store_.connection_flag = false;
  EXPECT_EQ(Text("S"), "a\nb");
}

// Before 1899-12-30 the milliseconds are not taken inline but through the
// time stamp; both sides of the boundary read as their time stamps say.
TEST_F(StoreReadPlanTest, DateTimesOnBothSidesOfTheInlineRangeReadAsTheirTimeStamps) {
  using namespace classlib;
  for (const TDateTime when : {EncodeDate(1066, 10, 14) + EncodeTime(9, 30, 0, 250), EncodeDate(1899, 12, 29),
                               EncodeDate(1899, 12, 30), EncodeDate(2024, 2, 29) + EncodeTime(23, 59, 59, 999)}) {
    Put("DT", Variant::FromDate(when));
    double stored = 0, ms = -1;
    store_.GetDateFromBuf(rec_->buf(), store_.FieldByName("DT")->Offset(), dkDateTime, &stored);
    bool blank = true;
    store_.GetFieldByNo(No("DT"), rec_->buf(), &ms, blank);
    EXPECT_FALSE(blank);
    EXPECT_EQ(ms, TimeStampToMSecs(DateTimeToTimeStamp(stored))) << when;
  }
}

TEST(StoreReadPlanLayoutTest, ANewLayoutWithOtherFieldsPlansAnew) {
  TTestStore store({{"A", dtInt32, 4}, {"B", dtInt32, 4}});
  bool text = false;
  // The second open describes A as a text and B after it at a new offset.
  store.OnAfterInitFields = [&] {
    if (!text) return;
    TFieldDesc& a = *store.Fields().GetItems(0);
    a.SetDataType(dtString);
    a.SetSize(9);
    a.SetLength(8);
  };
  auto read = [&store](TRecBuf rec, int no, void* dest) {
    bool blank = true;
    store.GetFieldByNo(no, rec, dest, blank);
    return blank;
  };
  store.Open();
  {
    TestRecord rec(store);
    store.PutFieldAsVariant(1, rec.buf(), Variant(7));
    store.PutFieldAsVariant(2, rec.buf(), Variant(8));
    int32_t value = 0;
    EXPECT_FALSE(read(rec.buf(), 1, &value));
    EXPECT_EQ(value, 7);
  }
  store.Close();
  text = true;
  store.Open();
  TestRecord rec(store);
  store.PutFieldAsVariant(1, rec.buf(), Variant("eight ch"));
  store.PutFieldAsVariant(2, rec.buf(), Variant(9));
  char chars[16] = {};
  EXPECT_FALSE(read(rec.buf(), 1, chars));
  EXPECT_STREQ(chars, "eight ch");
  int32_t value = 0;
  EXPECT_FALSE(read(rec.buf(), 2, &value));
  EXPECT_EQ(value, 9);
  EXPECT_EQ(store.FieldByName("B")->Offset(), 9);
}

TEST(StoreReadPlanLayoutTest, AFieldNumberOutsideTheFieldsIsRefused) {
  TTestStore store({{"A", dtInt32, 4}});
  store.Open();
  TestRecord rec(store);
  int32_t value = 0;
  bool blank = false;
  EXPECT_THROW(store.GetFieldByNo(0, rec.buf(), &value, blank), classlib::Exception);
  EXPECT_THROW(store.GetFieldByNo(2, rec.buf(), &value, blank), classlib::Exception);
}

}  // namespace
}  // namespace dacore
