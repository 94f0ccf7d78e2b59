// Field layout and values: every data type written and read back, dates in
// their four kinds, null flags, trimming, line ends, attribute fields and
// blob fields of a record store.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "classlib/datetime.h"
#include "dacore/object_type.h"
#include "dacore/store_hooks.h"
#include "dacore/tests/store_fixture.h"
#include "dacore/util_bytes.h"
#include "dacore/util_var_bytes.h"
#include "testing/message_of.h"

namespace dacore {
namespace {

using classlib::Variant;
using classlib::testing::MessageOf;
constexpr uint16_t kPtr = sizeof(void*);

TEST(StoreLayoutTest, OddRecordsGetASpareByteAndWideStringsAnEvenOffset) {
  TTestStore store({{"A", dtInt8, 1}, {"W", dtWideString, 6, 2}, {"B", dtInt16, 2}});
  store.Open();
  EXPECT_EQ(store.FieldByName("A")->Offset(), 0);
  EXPECT_EQ(store.FieldByName("W")->Offset(), 2);
  EXPECT_EQ(store.FieldByName("B")->Offset(), 8);
  EXPECT_EQ(store.DataSize(), 10);
  EXPECT_EQ(store.RecordSize(), 14);  // 10 + 3 null bytes + 1 spare
  EXPECT_FALSE(store.HasComplexFields());
  store.Close();
  EXPECT_EQ(store.GetFieldCount(), 0);  // described anew on the next open
}

TEST(StoreLayoutTest, CalculatedFieldsFollowTheRecord) {
  TTestStore store({{"A", dtInt32, 4}, {"C", dtInt16, 2}});
  store.OnAfterInitFields = [&store] { store.Fields().GetItems(1)->SetFieldKind(fkCalculated); };
  store.Open();
  EXPECT_EQ(store.RecordSize(), 6);
  EXPECT_EQ(store.FieldByName("C")->Offset(), 6);
  EXPECT_EQ(store.CalcRecordSize(), 2);
}

class StoreValuesTest : public ::testing::Test {
 protected:
  StoreValuesTest()
      : store_({{"S", dtString, 6, 5},       {"I8", dtInt8, 1},        {"I16", dtInt16, 2},
                {"I32", dtInt32, 4},         {"F", dtFloat, 8, 0, 2},  {"D", dtDate, 8},
                {"T", dtTime, 8},            {"DT", dtDateTime, 8},    {"U16", dtUInt16, 2},
                {"BOOL", dtBoolean, 2},      {"I64", dtInt64, 8},      {"CUR", dtCurrency, 8},
                {"BLOB", dtBlob, kPtr},      {"MEMO", dtMemo, kPtr},   {"V", dtVariant, kPtr},
                {"HS", dtHeapString, kPtr, 100}, {"BY", dtBytes, 3, 3}, {"VB", dtVarBytes, 6, 4},
                {"HVB", dtHeapVarBytes, kPtr}, {"U32", dtUInt32, 4},   {"WS", dtWideString, 8, 3},
                {"HWS", dtHeapWideString, kPtr, 100}, {"BCD", dtBcd, 8}, {"FMT", dtFmtBcd, 34},
                {"GUID", dtGuid, 39, 38},    {"WMEMO", dtWideMemo, kPtr}}) {
    store_.Open();
    rec_ = std::make_unique<TestRecord>(store_);
  }
  int No(const char* name) { return store_.FieldByName(name)->FieldNo(); }
  Variant Get(const char* name) {
    Variant v;
    store_.GetFieldAsVariant(No(name), rec_->buf(), v);
    return v;
  }
  void Put(const char* name, const Variant& v) { store_.PutFieldAsVariant(No(name), rec_->buf(), v); }

  TTestStore store_;
  std::unique_ptr<TestRecord> rec_;
};

TEST_F(StoreValuesTest, EveryTypeIsWrittenAndReadBackAsAVariant) {
  using namespace classlib;
  const TDateTime when = EncodeDate(2024, 2, 29) + EncodeTime(13, 14, 15, 500);
  Put("S", Variant("abc"));
  Put("I8", Variant(int8_t{-7}));
  Put("I16", Variant(int16_t{-300}));
  Put("I32", Variant("123456"));
  Put("F", Variant(2.345678));
  Put("D", Variant::FromDate(when));
  Put("T", Variant::FromDate(when));
  Put("DT", Variant::FromDate(when));
  Put("U16", Variant(uint16_t{65000}));
  Put("BOOL", Variant(true));
  Put("I64", Variant(static_cast<long long>(1) << 40));
  Put("CUR", Variant(1.25));
  Put("MEMO", Variant("memo text"));
  Put("V", Variant(42));
  Put("HS", Variant("heap string"));
  Put("BY", BytesToVar({1, 2, 3}));
  Put("VB", BytesToVar({9, 8}));
  Put("HVB", BytesToVar(TBytes(300, 7)));
  Put("U32", Variant(uint32_t{4000000000u}));
  Put("WS", Variant(WideString(u"\u0416\u0416x")));
  Put("HWS", Variant(WideString(u"wide heap")));
  Put("BCD", Variant(Currency::FromScaled(123456)));
  Put("FMT", Variant("-12.5"));
  Put("GUID", Variant("{00000000-0000-0000-0000-000000000001}"));
  Put("WMEMO", Variant(WideString(u"\u042F memo")));

  EXPECT_EQ(Get("S").AsString(), "abc");
  EXPECT_EQ(Get("I8").AsInteger(), -7);
  EXPECT_EQ(Get("I16").AsInteger(), -300);
  EXPECT_EQ(Get("I32").AsInteger(), 123456);
  EXPECT_DOUBLE_EQ(Get("F").AsDouble(), 2.35);  // rounded to the field's scale
  EXPECT_DOUBLE_EQ(Get("DT").AsDate(), when);
  EXPECT_DOUBLE_EQ(Get("D").AsDate(), EncodeDate(2024, 2, 29));  // read as a day
  EXPECT_NEAR(Get("T").AsDate(), EncodeTime(13, 14, 15, 500), 1e-9);  // read as a time of day
  EXPECT_EQ(Get("U16").AsInteger(), 65000);
  EXPECT_TRUE(Get("BOOL").AsBoolean());
  EXPECT_EQ(Get("I64").AsInt64(), static_cast<int64_t>(1) << 40);
  EXPECT_DOUBLE_EQ(Get("CUR").AsDouble(), 1.25);
  EXPECT_EQ(Get("MEMO").AsString(), "memo text");
  EXPECT_EQ(Get("V").AsInteger(), 42);
  EXPECT_EQ(Get("HS").AsString(), "heap string");
  EXPECT_EQ(VarToBytes(Get("BY")), (TBytes{1, 2, 3}));
  EXPECT_EQ(VarToBytes(Get("VB")), (TBytes{9, 8}));
  EXPECT_EQ(VarToBytes(Get("HVB")), TBytes(300, 7));
  EXPECT_EQ(Get("U32").AsInt64(), 4000000000LL);
  EXPECT_EQ(Get("WS").AsOleStr(), u"\u0416\u0416x");
  EXPECT_EQ(Get("HWS").AsOleStr(), u"wide heap");
  EXPECT_EQ(Get("BCD").AsCurrency(), Currency::FromScaled(123456));
  EXPECT_EQ(BCDToStr(VarToBcd(Get("FMT"))), "-12.5");
  EXPECT_EQ(Get("GUID").AsString(), "{00000000-0000-0000-0000-000000000001}");
  EXPECT_EQ(Get("WMEMO").AsOleStr(), u"\u042F memo");
  Put("BLOB", Variant("bin"));
  EXPECT_EQ(store_.GetBlob(No("BLOB"), rec_->buf())->GetAsString(), "bin");
  EXPECT_EQ(MessageOf<EConvertError>([&] { Get("BLOB"); }), "Cannot convert type 13");
}

TEST_F(StoreValuesTest, ConversionsOutsideTheTableAreRefused) {
  EXPECT_EQ(MessageOf<classlib::EConvertError>([&] { Put("BOOL", Variant(1)); }), "Cannot convert type");
  EXPECT_EQ(MessageOf<classlib::EConvertError>([&] { Put("I64", Variant(1)); }), "Cannot convert type");
  EXPECT_EQ(MessageOf<classlib::EConvertError>([&] { Put("I16", Variant(1.5)); }), "Cannot convert type");
  EXPECT_TRUE(MessageOf([&] { Put("BY", BytesToVar({1, 2})); }).find("Invalid data size") != std::string::npos);
  EXPECT_TRUE(MessageOf([&] { Put("VB", BytesToVar({1, 2, 3, 4, 5})); }).find("Invalid data size") !=
              std::string::npos);
}

TEST_F(StoreValuesTest, HeapVarBytesLongerThanTheir16BitLengthAreRefused) {
  // The stored length would wrap to 1 and lose the value.
  EXPECT_TRUE(MessageOf([&] { Put("HVB", BytesToVar(TBytes(65537, 1))); }).find("Invalid data size") !=
              std::string::npos);
  Put("HVB", BytesToVar(TBytes(65535, 1)));
  EXPECT_EQ(VarToBytes(Get("HVB")).size(), 65535u);
}

TEST_F(StoreValuesTest, StringsAreCutToLeaveTheirTerminator) {
  Put("S", Variant("abcdefgh"));  // six bytes: five characters and the zero
  EXPECT_EQ(Get("S").AsString(), "abcde");
  const uint8_t* slot = static_cast<uint8_t*>(rec_->buf()) + store_.FieldByName("S")->Offset();
  EXPECT_EQ(slot[5], 0);
  EXPECT_EQ(store_.FieldByName("I8")->Offset(), 6);
  Put("WS", Variant(classlib::WideString(u"abcdef")));
  EXPECT_EQ(Get("WS").AsOleStr(), u"abc");
}

TEST_F(StoreValuesTest, LineEndExpansionStaysWithinTheField) {
  store_.connection_flag = true;
  Put("S", Variant("a\nb\nc"));
  char out[7];
  std::memset(out, 'X', sizeof out);
  bool blank = true;
  store_.GetFieldByNo(No("S"), rec_->buf(), out, blank);
  EXPECT_STREQ(out, "a\r\nb");  // at most size - 1 characters, no pair split
  EXPECT_EQ(out[6], 'X');
  EXPECT_EQ(Get("S").AsString(), "a\r\nb");
}

TEST_F(StoreValuesTest, NullsEmptyStringsAndTrimming) {
  EXPECT_TRUE(store_.GetNull(No("S"), rec_->buf()));
  Put("S", Variant(""));
  EXPECT_TRUE(store_.GetNull(No("S"), rec_->buf()));  // empty text is null while the option is off
  store_.SetEmptyStrAsValue(true);
  Put("S", Variant(""));
  EXPECT_FALSE(store_.GetNull(No("S"), rec_->buf()));
  Put("S", Variant("ab  "));
  store_.SetTrimVarChars(true);
  EXPECT_EQ(Get("S").AsString(), "ab");
  store_.PutFieldByNo(No("S"), rec_->buf(), nullptr);
  EXPECT_TRUE(classlib::VarIsNull(Get("S")));
  Put("MEMO", Variant("x"));
  store_.SetNull(No("MEMO"), rec_->buf(), true);
  EXPECT_EQ(store_.GetBlob(No("MEMO"), rec_->buf())->GetSize(), 0u);
  EXPECT_TRUE(store_.GetNullByBlob(No("MEMO"), rec_->buf()));
  store_.GetBlob(No("MEMO"), rec_->buf())->SetAsString("data");
  EXPECT_FALSE(store_.GetNullByBlob(No("MEMO"), rec_->buf()));
  EXPECT_FALSE(store_.GetNull(No("MEMO"), rec_->buf()));
}

TEST_F(StoreValuesTest, DatesTravelInFourKinds) {
  using namespace classlib;
  const TDateTime when = EncodeDate(2001, 3, 4) + EncodeTime(5, 6, 7, 8);
  const int32_t offset = store_.FieldByName("DT")->Offset();
  store_.PutDateToBuf(rec_->buf(), offset, dkDateTime, &when);
  double ms = 0;
  store_.GetDateFromBuf(rec_->buf(), offset, dkMSecsSince0001, &ms);
  EXPECT_DOUBLE_EQ(ms, TimeStampToMSecs(DateTimeToTimeStamp(when)));
  int32_t day = 0, msecs = 0;
  store_.GetDateFromBuf(rec_->buf(), offset, dkDayNumber, &day);
  store_.GetDateFromBuf(rec_->buf(), offset, dkMSecsOfDay, &msecs);
  EXPECT_EQ(day, DateTimeToTimeStamp(when).Date);
  EXPECT_EQ(msecs, ((5 * 60 + 6) * 60 + 7) * 1000 + 8);
  store_.PutDateToBuf(rec_->buf(), offset, dkMSecsOfDay, &msecs);
  double stored = 0;
  store_.GetDateFromBuf(rec_->buf(), offset, dkDateTime, &stored);
  EXPECT_NEAR(stored, EncodeTime(5, 6, 7, 8), 1e-9);  // on the zero date
  store_.PutDateToBuf(rec_->buf(), offset, dkDayNumber, &day);
  store_.GetDateFromBuf(rec_->buf(), offset, dkDateTime, &stored);
  EXPECT_DOUBLE_EQ(stored, EncodeDate(2001, 3, 4));
  ms += 0.4;
  store_.PutDateToBuf(rec_->buf(), offset, dkMSecsSince0001, &ms);
  store_.GetDateFromBuf(rec_->buf(), offset, dkDateTime, &stored);
  EXPECT_NEAR(stored, when, 1e-9);
}

TEST_F(StoreValuesTest, BlobFieldsByNumberSpeakAnsiToUnicodeBlobs) {
  EXPECT_EQ(MessageOf<classlib::EDatabaseError>([&] { store_.GetBlob(No("S"), rec_->buf()); }),
            "Field is not BLOB");
  const int wmemo = No("WMEMO");
  store_.WriteBlob(wmemo, rec_->buf(), 0, 4, "\xC0\xC1\xC2\xC3");
  EXPECT_EQ(store_.GetBlob(wmemo, rec_->buf())->GetSize(), 8u);
  EXPECT_EQ(store_.GetBlobSize(wmemo, rec_->buf()), 4u);
  char out[3] = {};
  EXPECT_EQ(store_.ReadBlob(wmemo, rec_->buf(), 1, 2, out), 2u);
  EXPECT_EQ(std::string(out, 2), "\xC1\xC2");
  store_.TruncateBlob(wmemo, rec_->buf(), 1);
  EXPECT_EQ(store_.GetBlob(wmemo, rec_->buf())->GetAsWideString(), u"\u0410");
  TData::FreeRecBuf(nullptr);
  TestRecord empty(store_, false);
  EXPECT_TRUE(MessageOf([&] { store_.GetBlob(wmemo, empty.buf()); }).find("Object for field WMEMO(26) = nil") !=
              std::string::npos);
  EXPECT_TRUE(MessageOf([&] { store_.AddRefComplexFields(empty.buf()); }).find("Shared object for BLOB=nil") !=
              std::string::npos);
}

// An object value whose attribute NAME is a long text.
class LongTextObject : public TDBObject {
 public:
  explicit LongTextObject(std::string text) : text_(std::move(text)) {}
  void GetAttributeValue(const std::string& name, void* dest, bool& is_blank) override {
    is_blank = name != "NAME";
    if (!is_blank) std::memcpy(dest, text_.c_str(), text_.size() + 1);
  }

 private:
  ~LongTextObject() override = default;
  std::string text_;
};

TEST(StoreAttributeTest, AttributeValuesLargerThan4000BytesAreRead) {
  // The value buffer is sized from the attribute, not a fixed 4000 bytes.
  TTestStore store({{"OBJ", dtObject, kPtr}});
  store.OnAfterInitFields = [&store] {
    auto child = std::make_unique<TFieldDesc>();
    child->SetName("NAME");
    child->SetActualName("OBJ.NAME");
    child->SetDataType(dtString);
    child->SetLength(6000);
    child->SetFieldNo(2);
    child->SetParentField(store.Fields().GetItems(0));
    store.Fields().Add(std::move(child));
  };
  store.Open();
  TestRecord rec(store);
  const std::string text(5999, 'q');
  auto* object = new LongTextObject(text);
  StoreUnaligned<void*>(static_cast<uint8_t*>(rec.buf()) + store.FieldByName("OBJ")->Offset(), object);
  Variant v;
  store.GetFieldAsVariant(2, rec.buf(), v);
  EXPECT_EQ(v.AsString(), text);
  EXPECT_FALSE(store.GetNull(2, rec.buf()));
  object->Release();
}

TEST(StoreHooksTest, WaitAndDesignHostHooksAreCalledOnlyWhenSet) {
  static int waits = 0;
  StartWait();
  SetStartWaitProc([] { ++waits; });
  SetStopWaitProc([] { waits += 10; });
  StartWait();
  StopWait();
  SetStartWaitProc(nullptr);
  SetStopWaitProc(nullptr);
  EXPECT_EQ(waits, 11);
  std::string name = "old";
  GetDesignHostName(name);
  EXPECT_EQ(name, "");
  SetDesignHostNameProc([](std::string& n) { n = "host"; });
  GetDesignHostName(name);
  SetDesignHostNameProc(nullptr);
  EXPECT_EQ(name, "host");
}

}  // namespace
}  // namespace dacore
