// Fetching on the stand-in: values of every kind of column, blocks of
// FetchRows rows per round trip, the end of data with and without a last
// partial block, 100 000 rows, LONG values in pieces, one-way record sets
// and closing at the end.
#include <algorithm>

#include "classlib/datetime.h"
#include "dacore/blob.h"
#include "dacore/driver_props.h"
#include "oracle/cursor_conversions.h"
#include "oracle/cursor_ora_cursor.h"
#include "oracle/lob_ora_file.h"
#include "oracle/rset_row_copy.h"
#include "oracle/tests/rset_fixture.h"
#include "oracle/value_data_types.h"
#include "oracle/value_number.h"
#include "dacore/util_memory.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::Variant;
using classlib::testing::MessageOf;
using ::testing::ElementsAre;
using namespace dacore;

class FetchTest : public RecordSetTest {
 protected:
  // Opens a record set over `count` generated rows of one NUMBER column.
  std::unique_ptr<TOCIRecordSet> Numbers(int count, int fetch_rows) {
    fetch_->ScriptQuery("select n from numbers", "N NUMBER(9)");
    fetch_->GenerateRows("select n from numbers", count);
    auto record_set = NewRecordSet("select n from numbers", fetch_rows);
    record_set->Open();
    return record_set;
  }
  // Reads every row; answers how many there were.
  int ReadAll(TOCIRecordSet& record_set) {
    int rows = 0;
    record_set.SetToBegin();
    for (record_set.GetNextRecord(nullptr); !record_set.GetEOF(); record_set.GetNextRecord(nullptr)) ++rows;
    return rows;
  }
};

TEST_F(FetchTest, ValuesOfEachKindReachTheRecords) {
  Connect();
  connection_->EnableNumbers = true;
  const std::string sql = "select * from kinds";
  fetch_->ScriptQuery(sql,
                      "I NUMBER(9); F NUMBER(10,2); BIG NUMBER(30); S VARCHAR2(20); H VARCHAR2(100); C CHAR(6);"
                      "M VARCHAR2(2000); D DATE; R RAW(4); HR RAW(40); T TIMESTAMP(6); L CLOB; B BLOB; CD TYPE 25(8)");
  fetch_->AddRows(sql,
                  "42|-12.5|123456789012345678901234567890|short|a heap text|abc   |memo text|2024-02-29 13:45:07|"
                  "0A0B0C|00112233445566778899|2001-02-03 04:05:06.5|clob text|CAFE|chars\n"
                  "<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>");
  auto record_set = NewRecordSet(sql);
  record_set->SetProp(prLongStrings, false);
  record_set->SetProp(prFlatBuffers, false);
  record_set->SetTrimFixedChars(true);
  record_set->Open();
  record_set->GetNextRecord(nullptr);
  EXPECT_EQ(Value(*record_set, "I").AsInteger(), 42);
  EXPECT_DOUBLE_EQ(Value(*record_set, "F").AsDouble(), -12.5);
  EXPECT_DOUBLE_EQ(Value(*record_set, "BIG").AsDouble(), 123456789012345678901234567890.0);
  EXPECT_EQ(Value(*record_set, "S").AsString(), "short");
  EXPECT_EQ(Value(*record_set, "H").AsString(), "a heap text");
  EXPECT_EQ(Value(*record_set, "M").AsString(), "memo text");
  EXPECT_EQ(classlib::DateTimeToStr(Value(*record_set, "D").AsDate()),
            classlib::DateTimeToStr(classlib::EncodeDate(2024, 2, 29) + classlib::EncodeTime(13, 45, 7, 0)));
  EXPECT_EQ(classlib::DateTimeToStr(Value(*record_set, "T").AsDate()),
            classlib::DateTimeToStr(classlib::EncodeDate(2001, 2, 3) + classlib::EncodeTime(4, 5, 6, 500)));
  EXPECT_EQ(Value(*record_set, "L").AsString(), "clob text");
  EXPECT_EQ(Value(*record_set, "B").AsString(), "\xCA\xFE");
  TRecBuf rec = ItemRecord(record_set->CurrentItem());
  std::vector<uint8_t> raw(64);
  bool blank = true;
  record_set->GetFieldByNo(record_set->FieldByName("R")->FieldNo(), rec, raw.data(), blank);
  EXPECT_FALSE(blank);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(raw.data()), 5), std::string("\x03\x00\x0A\x0B\x0C", 5));
  record_set->GetFieldByNo(record_set->FieldByName("HR")->FieldNo(), rec, raw.data(), blank);
  EXPECT_EQ(raw[0], 10) << "the heap copy keeps the length word";
  record_set->GetFieldByNo(record_set->FieldByName("C")->FieldNo(), rec, raw.data(), blank);
  EXPECT_STREQ(reinterpret_cast<char*>(raw.data()), "abc") << "fixed text trimmed";
  std::fill(raw.begin(), raw.end(), 0);
  record_set->GetFieldByNo(record_set->FieldByName("CD")->FieldNo(), rec, raw.data(), blank);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(raw.data())), "chars") << "character data as the server sent it";

  // Every column of the second row is null, by its indicator.
  record_set->GetNextRecord(nullptr);
  rec = ItemRecord(record_set->CurrentItem());
  for (int no = 1; no <= record_set->GetFieldCount(); ++no) {
    EXPECT_TRUE(record_set->GetNull(no, rec)) << record_set->Fields().GetItems(no - 1)->Name();
    EXPECT_EQ(record_set->Indicator(rec, no), -1);
  }
  EXPECT_EQ(record_set->GetRecordCount(), 2);
}

TEST_F(FetchTest, WideTextsArriveAsUtf16) {
  Connect();
  connection_->UseUnicode = true;
  const std::string sql = "select * from wide";
  fetch_->ScriptQuery(sql, "S VARCHAR2(10); H VARCHAR2(100); M VARCHAR2(2000); L LONG");
  fetch_->AddRows(sql, "short|a heap text|memo text|" + std::string(70, 'w') + "\n<null>|<null>|<null>|<null>");
  const uint32_t saved = DefaultPieceSize();
  SetDefaultPieceSize(64);
  auto record_set = NewRecordSet(sql);
  record_set->SetProp(prLongStrings, false);
  record_set->SetProp(prFlatBuffers, false);
  record_set->Open();
  SetDefaultPieceSize(saved);
  EXPECT_EQ(record_set->FieldByName("S")->DataType(), dtWideString);
  EXPECT_EQ(record_set->FieldByName("H")->DataType(), dtHeapWideString);
  EXPECT_EQ(record_set->FieldByName("M")->DataType(), dtWideMemo);
  EXPECT_EQ(record_set->FieldByName("L")->DataType(), dtWideMemo);
  record_set->GetNextRecord(nullptr);
  EXPECT_EQ(Value(*record_set, "S").AsString(), "short");
  EXPECT_EQ(Value(*record_set, "H").AsString(), "a heap text");
  EXPECT_EQ(Value(*record_set, "M").AsString(), "memo text");
  EXPECT_EQ(Value(*record_set, "L").AsString(), std::string(70, 'w'));
  // 140 bytes of UTF-16 in pieces of 64.
  EXPECT_THAT(Calls("piece row=0"),
              ElementsAre("piece row=0 bytes=64", "piece row=0 bytes=64", "piece row=0 bytes=12"));
  // Each wide column's define is told the UTF-16 character set.
  EXPECT_EQ(Calls("OCIAttrSet htype=6 attr=" + std::to_string(OCI_ATTR_CHARSET_ID)).size(), 4u);
  record_set->GetNextRecord(nullptr);
  for (int no = 1; no <= 4; ++no) EXPECT_TRUE(record_set->GetNull(no, ItemRecord(record_set->CurrentItem())));
}

TEST_F(FetchTest, InvalidDateBytesReadAsNull) {
  Connect();
  fetch_->ScriptQuery("select d from dates", "D DATE");
  fetch_->AddRows("select d from dates", "0-0-0 0:0:0\n2020-01-31 00:00:00");
  auto record_set = NewRecordSet("select d from dates");
  record_set->Open();
  record_set->GetNextRecord(nullptr);
  EXPECT_TRUE(record_set->GetNull(1, ItemRecord(record_set->CurrentItem()))) << "century and year bytes of 100";
  record_set->GetNextRecord(nullptr);
  EXPECT_FALSE(record_set->GetNull(1, ItemRecord(record_set->CurrentItem())));

  uint8_t bytes[7] = {120, 124, 2, 30, 1, 1, 1};  // 30 February
  double value = 0;
  EXPECT_FALSE(OraDateToDateTime(bytes, value));
  bytes[3] = 28;
  EXPECT_TRUE(OraDateToDateTime(bytes, value));
  bytes[4] = 25;
  EXPECT_FALSE(OraDateToDateTime(bytes, value)) << "hour byte above 24";
  // Valid bytes, before 1899 too, the same through the day cache.
  const uint8_t samples[][7] = {{120, 124, 2, 28, 24, 60, 60}, {118, 150, 6, 15, 13, 31, 8}, {110, 101, 1, 1, 1, 1, 1}};
  const classlib::TDateTime expected[] = {
      classlib::EncodeDate(2024, 2, 28) + classlib::EncodeTime(23, 59, 59, 0),
      classlib::EncodeDate(1850, 6, 15) - classlib::EncodeTime(12, 30, 7, 0), classlib::EncodeDate(1001, 1, 1)};
  TDayCache cache;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(OraDateToDateTime(samples[i], value));
    EXPECT_DOUBLE_EQ(value, expected[i]);
    ASSERT_TRUE(OraDateToDateTime(samples[i], value, &cache));
    EXPECT_DOUBLE_EQ(value, expected[i]) << "the day cache is filled";
  }
  // Another time of the cached day; then an invalid day with the cache set.
  const uint8_t later[7] = {110, 101, 1, 1, 13, 1, 1};
  ASSERT_TRUE(OraDateToDateTime(later, value, &cache));
  EXPECT_DOUBLE_EQ(value, classlib::EncodeDate(1001, 1, 1) - 0.5);
  const uint8_t invalid[7] = {110, 101, 2, 30, 1, 1, 1};
  EXPECT_FALSE(OraDateToDateTime(invalid, value, &cache));
  // Other days of the cached month, before 1899 and in a leap year; the
  // month's own bound holds on the cached path.
  for (const uint8_t century : {118, 120}) {
    uint8_t day[7] = {century, 104, 2, 1, 1, 1, 1};
    ASSERT_TRUE(OraDateToDateTime(day, value, &cache));
    for (uint8_t d : {15, 29}) {
      day[3] = d;
      ASSERT_TRUE(OraDateToDateTime(day, value, &cache)) << int(century) << " " << int(d);
      EXPECT_DOUBLE_EQ(value, classlib::EncodeDate((century - 100) * 100 + 4, 2, d));
    }
    day[3] = 30;
    EXPECT_FALSE(OraDateToDateTime(day, value, &cache));
  }
  const uint8_t common_year[7] = {120, 123, 2, 29, 1, 1, 1};
  EXPECT_FALSE(OraDateToDateTime(common_year, value, &cache));
}

TEST_F(FetchTest, EachRoundTripFetchesFetchRowsRows) {
  Connect();
  auto record_set = Numbers(60, 25);
  EXPECT_EQ(ReadAll(*record_set), 60);
  // The last partial block comes with the end of data: no fourth call.
  EXPECT_THAT(Calls("OCIStmtFetch"), ElementsAre("OCIStmtFetch rows=25 orient=2", "OCIStmtFetch rows=25 orient=2",
                                                 "OCIStmtFetch rows=25 orient=2"));
  EXPECT_THAT(Calls("OCIDefineArrayOfStruct").size(), 1u) << "small blocks share one staging block";
  EXPECT_EQ(record_set->Command().GetCursorState(), csFinished);
  EXPECT_TRUE(record_set->FetchDone());

  // An exact multiple needs one more call that brings nothing.
  fetch_->ScriptQuery("select n from exact", "N NUMBER(9)");
  fetch_->GenerateRows("select n from exact", 50);
  standin_->ClearLog();
  auto exact = NewRecordSet("select n from exact", 25);
  exact->Open();
  EXPECT_EQ(ReadAll(*exact), 50);
  EXPECT_EQ(Calls("OCIStmtFetch").size(), 3u);
}

TEST_F(FetchTest, EndOfAnOpenRecordSetIsTheEndOfEveryRow) {
  Connect();
  auto record_set = Numbers(60, 25);
  EXPECT_EQ(record_set->GetRecordCount(), 25);
  record_set->SetToEnd();
  EXPECT_EQ(record_set->GetRecordCount(), 60);
  EXPECT_EQ(record_set->Command().GetCursorState(), csCancelled) << "the end of the rows ends the cursor";
  record_set->GetPriorRecord(nullptr);
  EXPECT_EQ(Value(*record_set, "N").AsInteger(), 59);
  record_set->Close();
  standin_->ClearLog();
  record_set->SetToEnd();
  EXPECT_TRUE(Calls("OCIStmtFetch").empty()) << "a closed record set fetches nothing";
}

TEST_F(FetchTest, HundredThousandRowsInBlocks) {
  Connect();
  const std::string sql = "select * from big";
  fetch_->ScriptQuery(sql, "ID NUMBER(9); NAME VARCHAR2(100); D DATE");
  fetch_->GenerateRows(sql, 100000);
  auto record_set = NewRecordSet(sql, 1000);
  record_set->SetProp(prFetchAll, true);
  record_set->Open();
  EXPECT_EQ(record_set->GetRecordCount(), 100000);
  EXPECT_EQ(fetch_->FetchCalls(), 101) << "100 full blocks and the empty one";
  record_set->SetToEnd();
  record_set->GetPriorRecord(nullptr);
  EXPECT_EQ(Value(*record_set, "ID").AsInteger(), 99999);
  EXPECT_EQ(Value(*record_set, "NAME").AsString(), "name-99999");
  record_set->SetRecordNo(5001);
  EXPECT_EQ(Value(*record_set, "ID").AsInteger(), 5000);
}

TEST_F(FetchTest, LongColumnsArriveInPieces) {
  Connect();
  const std::string sql = "select id, txt, bin from longs";
  fetch_->ScriptQuery(sql, "ID NUMBER(5); TXT LONG; BIN LONG RAW");
  const std::string text(100, 'x');
  fetch_->AddRows(sql, "1|" + text + "abc|DEADBEEF\n2|<null>|<null>\n3|short|00");
  const uint32_t saved = DefaultPieceSize();
  SetDefaultPieceSize(40);
  auto record_set = NewRecordSet(sql);
  record_set->Open();
  SetDefaultPieceSize(saved);
  record_set->GetNextRecord(nullptr);
  EXPECT_EQ(Value(*record_set, "TXT").AsString(), text + "abc");
  EXPECT_EQ(record_set->GetBlob(3, ItemRecord(record_set->CurrentItem()))->GetAsString(), "\xDE\xAD\xBE\xEF");
  // 103 bytes in pieces of 40: 40, 40, 23.
  EXPECT_THAT(Calls("piece row=0"), ElementsAre("piece row=0 bytes=40", "piece row=0 bytes=40",
                                                "piece row=0 bytes=23", "piece row=0 bytes=4"));
  EXPECT_THAT(Calls("OCIDefineDynamic").size(), 2u);
  record_set->GetNextRecord(nullptr);
  EXPECT_TRUE(record_set->GetNull(2, ItemRecord(record_set->CurrentItem())));
  EXPECT_TRUE(record_set->GetNull(3, ItemRecord(record_set->CurrentItem())));
  record_set->GetNextRecord(nullptr);
  EXPECT_EQ(Value(*record_set, "TXT").AsString(), "short");
}

TEST_F(FetchTest, OneWayRecordSetKeepsOnlyTheLastBlock) {
  Connect();
  fetch_->ScriptQuery("select n from numbers", "N NUMBER(9)");
  fetch_->GenerateRows("select n from numbers", 30);
  auto record_set = NewRecordSet("select n from numbers", 10);
  record_set->SetProp(prUniDirectional, true);
  record_set->Open();
  int seen = 0, last = -1;
  for (record_set->GetNextRecord(nullptr); !record_set->GetEOF(); record_set->GetNextRecord(nullptr)) {
    ++seen;
    last = Value(*record_set, "N").AsInteger();
    EXPECT_LE(record_set->GetRecordCount(), 10);
  }
  EXPECT_EQ(seen, 30);
  EXPECT_EQ(last, 29);
}

TEST_F(FetchTest, AutoCloseReleasesTheStatementAfterTheLastRow) {
  Connect();
  fetch_->ScriptQuery("select n from few", "N NUMBER(9)");
  fetch_->GenerateRows("select n from few", 5);
  auto record_set = NewRecordSet("select n from few", 25);
  record_set->SetProp(prAutoClose, true);
  record_set->Open();
  EXPECT_EQ(ReadAll(*record_set), 5);
  EXPECT_FALSE(record_set->Prepared());
  EXPECT_EQ(record_set->Command().GetCursorState(), csIdle);
}

TEST_F(FetchTest, LocalOrderComparesNumberObjectsByValue) {
  Connect();
  connection_->EnableNumbers = true;
  const std::string sql = "select id, big from wide_numbers";
  fetch_->ScriptQuery(sql, "ID NUMBER(5); BIG NUMBER(30)");
  // Byte order and text order would both put 9 after 10.
  fetch_->AddRows(sql, "1|100000000000000000000\n2|<null>\n3|9\n4|-5\n5|10");
  auto record_set = NewRecordSet(sql);
  record_set->SetProp(prFetchAll, true);
  record_set->Open();
  record_set->SetSortFields("BIG");
  std::vector<int> order;
  record_set->SetToBegin();
  for (record_set->GetNextRecord(nullptr); !record_set->GetEOF(); record_set->GetNextRecord(nullptr))
    order.push_back(Value(*record_set, "ID").AsInteger());
  EXPECT_THAT(order, ElementsAre(2, 4, 3, 5, 1));
}

TEST_F(FetchTest, CloseAndOpenAgainFetchesFromTheStart) {
  Connect();
  auto record_set = Numbers(40, 25);
  EXPECT_EQ(ReadAll(*record_set), 40);
  record_set->Close();
  record_set->Open();
  EXPECT_EQ(ReadAll(*record_set), 40);
  record_set->SetToBegin();
  record_set->GetNextRecord(nullptr);
  EXPECT_EQ(Value(*record_set, "N").AsInteger(), 0);
}

TEST_F(FetchTest, NumberObjectsTakeVariantsAndKeepTheirNull) {
  Connect();
  connection_->EnableNumbers = true;
  fetch_->ScriptQuery("select big from n", "BIG NUMBER(30)");
  fetch_->AddRows("select big from n", "12345678901234567890");
  auto record_set = NewRecordSet("select big from n");
  record_set->Open();
  record_set->GetNextRecord(nullptr);
  TRecBuf rec = ItemRecord(record_set->CurrentItem());
  auto* number = static_cast<TOraNumber*>(LoadUnaligned<void*>(static_cast<uint8_t*>(rec) +
                                                               record_set->FieldByName("BIG")->Offset()));
  EXPECT_EQ(number->AsString(), "12345678901234567890");
  record_set->PutFieldAsVariant(1, rec, Variant(int32_t{-7}));
  EXPECT_EQ(number->AsInteger(), -7);
  record_set->PutFieldAsVariant(1, rec, Variant(std::string("2.5")));
  EXPECT_DOUBLE_EQ(number->AsFloat(), 2.5);
  EXPECT_EQ(MessageOf([&] { record_set->PutFieldAsVariant(1, rec, Variant::FromDate(1.0)); }), "Cannot convert type");
  // A copy of the record (an edit buffer) has a number of its own.
  TRecBuf copy = record_set->AllocRecBuf();
  std::memcpy(copy, rec, static_cast<size_t>(record_set->RecordSize()));
  record_set->CopyComplexFields(rec, copy, true);
  record_set->PutFieldAsVariant(1, copy, Variant(int32_t{99}));
  EXPECT_DOUBLE_EQ(number->AsFloat(), 2.5) << "the row is unchanged";
  Variant copied;
  record_set->GetFieldAsVariant(1, copy, copied);
  EXPECT_DOUBLE_EQ(copied.AsDouble(), 99);
  record_set->FreeComplexFields(copy, true);
  TData::FreeRecBuf(copy);

  record_set->SetNull(1, rec, true);
  EXPECT_TRUE(number->IsNull()) << "the object's own indicator follows";
  EXPECT_TRUE(record_set->GetNull(1, rec));
}

TEST_F(FetchTest, FileColumnsHoldTheirFileNames) {
  Connect();
  const std::string sql = "select b, c from files";
  fetch_->ScriptQuery(sql, "B BFILE; C CFILE");
  fetch_->AddRows(sql, "DOCS/a.txt|IMAGES/b.png\n<null>|<null>");
  auto record_set = NewRecordSet(sql);
  record_set->Open();
  EXPECT_EQ(record_set->FieldByName("C")->DataType(), dtCFile);
  record_set->GetNextRecord(nullptr);
  TRecBuf rec = ItemRecord(record_set->CurrentItem());
  auto* b = static_cast<TOraFile*>(LoadUnaligned<void*>(static_cast<uint8_t*>(rec) + record_set->FieldByName("B")->Offset()));
  auto* c = static_cast<TOraFile*>(LoadUnaligned<void*>(static_cast<uint8_t*>(rec) + record_set->FieldByName("C")->Offset()));
  EXPECT_EQ(b->FileDir(), "DOCS");
  EXPECT_EQ(b->FileName(), "a.txt");
  EXPECT_EQ(c->FileDir(), "IMAGES");
  EXPECT_EQ(c->FileName(), "b.png");
  EXPECT_THAT(Calls("OCIDefineByPos pos=2"), ElementsAre("OCIDefineByPos pos=2 type=115 size=8 mode=0"));
  record_set->GetNextRecord(nullptr);
  EXPECT_TRUE(record_set->GetNull(1, ItemRecord(record_set->CurrentItem())));
  EXPECT_TRUE(record_set->GetNull(2, ItemRecord(record_set->CurrentItem())));
}

TEST_F(FetchTest, NestedCursorColumnsAreFetchedThroughARecordSetOfTheirOwn) {
  Connect();
  const int handles_before = standin_->LiveHandles();
  {
    const std::string sql = "select id, items from orders";
    fetch_->ScriptQuery(sql, "ID NUMBER(5); ITEMS CURSOR");
    fetch_->AddRows(sql, "1|select name from items1\n2|<null>");
    fetch_->ScriptQuery("select name from items1", "NAME VARCHAR2(20)");
    fetch_->AddRows("select name from items1", "bolt\nnut\nwasher");
    auto orders = NewRecordSet(sql);
    orders->Open();
    EXPECT_EQ(orders->FieldByName("ITEMS")->DataType(), dtCursor);
    orders->GetNextRecord(nullptr);
    EXPECT_THAT(Calls("cursor row=0"), ElementsAre("cursor row=0 opened"));
    auto* cursor = static_cast<TOraCursor*>(LoadUnaligned<void*>(static_cast<uint8_t*>(ItemRecord(orders->CurrentItem())) +
                                                                 orders->FieldByName("ITEMS")->Offset()));
    ASSERT_NE(cursor, nullptr);
    EXPECT_EQ(cursor->State, csExecuted);

    standin_->ClearLog();
    auto items = std::make_unique<TOCIRecordSet>();
    items->SetConnection(connection_.get());
    items->Command().SetCursor(cursor);
    items->Open();
    std::vector<std::string> names;
    for (items->GetNextRecord(nullptr); !items->GetEOF(); items->GetNextRecord(nullptr))
      names.push_back(Value(*items, "NAME").AsString());
    EXPECT_THAT(names, ElementsAre("bolt", "nut", "washer"));
    EXPECT_TRUE(Calls("OCIStmtPrepare").empty()) << "the nested cursor comes executed";
    EXPECT_TRUE(Calls("OCIStmtExecute").empty());
    EXPECT_EQ(Calls("OCIStmtFetch").size(), 1u);
    items.reset();

    orders->GetNextRecord(nullptr);
    EXPECT_TRUE(orders->GetNull(2, ItemRecord(orders->CurrentItem())));
  }
  EXPECT_EQ(standin_->LiveHandles(), handles_before) << "the nested statements go with their records";
}

TEST_F(FetchTest, StatementWithoutRowsIsRefused) {
  Connect();
  auto record_set = NewRecordSet("delete from t");
  EXPECT_EQ(MessageOf([&] { record_set->Open(); }), "SQL statement doesn't return rows");
}

TEST_F(FetchTest, CopiesAreBoundedByTheCell) {
  // A length word or a missing terminator from the client cannot carry a
  // copy past the cell.
  const uint8_t raw[6] = {0xFF, 0xFF, 1, 2, 3, 4};
  EXPECT_EQ(BoundedVarLength(raw, 4), 4);
  const char unterminated[4] = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(BoundedStrLen(unterminated, 4), 4u);
  EXPECT_EQ(BoundedStrLen("ab\0cd", 5), 2u);
}

}  // namespace
}  // namespace oracle::testing
