// The statement's side of the protocol without a server: the bind scan of
// a text, the option bits of the all-in-one call, and the reply loop and
// row decoder on the scripted transport, with the replies that must be
// refused and the values that must be cut to their buffers.
#include <gtest/gtest.h>

#include <cstring>

#include "oranet/lob_locator.h"
#include "oranet/logon_connect.h"
#include "oranet/stmt_call.h"
#include "oranet/stmt_row.h"
#include "oranet/stmt_statement.h"
#include "oranet/tests/fake_server_stmt.h"
#include "oranet/tests/ttc_fixture.h"
#include "oranet/value_datetime.h"
#include "oranet/value_interval.h"

namespace oranet::testing {
namespace {

using namespace oracle;

std::vector<std::string> BindNames(const std::string& sql, int* type = nullptr) {
  TNetStatement statement(nullptr);
  statement.Prepare(sql);
  if (type) *type = statement.Type();
  std::vector<std::string> names;
  for (const auto& bind : statement.Binds()) names.push_back(bind->name);
  return names;
}

using Names = std::vector<std::string>;

TEST(StmtPrepareTest, TheScanFindsBindNamesOutsideLiterals) {
  EXPECT_EQ(BindNames("select * from t where s = ':x' and a = :a -- :c\n"), Names{"a"});
  EXPECT_EQ(BindNames("select :1, :date, :\"Quoted\" from dual"), (Names{"1", "date", "\"Quoted\""}));
  // DML keeps every occurrence; a block names each bind once.
  EXPECT_EQ(BindNames("update t set a = :a where b = :A"), (Names{"a", "A"}));
  EXPECT_EQ(BindNames("begin :x := :x + :Y; :y := 1; end;"), (Names{"x", "Y"}));
  EXPECT_TRUE(BindNames("create or replace trigger t before insert on t for each row begin :new.a := 1; end;").empty());
}

TEST(StmtPrepareTest, TheFirstKeywordGivesTheKind) {
  int type = -1;
  BindNames("  ( (select 1 from dual))  ", &type);
  EXPECT_EQ(type, kStmtSelect);
  BindNames("with q as (select 1 from dual) select * from q", &type);
  EXPECT_EQ(type, kStmtSelect);
  BindNames("delete from t", &type);
  EXPECT_EQ(type, kStmtDelete);
  BindNames("declare a int; begin null; end;", &type);
  EXPECT_EQ(type, kStmtDeclare);
  BindNames("alter session set x = 1", &type);
  EXPECT_EQ(type, kStmtOther);
  EXPECT_EQ(BindNames("insert into t values (:a) returning id into :b", &type), (Names{"a", "b"}));
  EXPECT_EQ(type, kStmtBegin);
}

TEST(StmtPrepareTest, OptionBitsFollowTheKindTheBindsAndTheDefines) {
  TNetStatement select(nullptr);
  select.Prepare("select a from t where b = :b");
  EXPECT_EQ(AllInOneOptions(select, kCallParse | kCallExecute), 0x8029u);
  EXPECT_EQ(AllInOneOptions(select, kCallFetch), 0x8040u) << "no defines yet";
  select.DefineAt(1);
  EXPECT_EQ(AllInOneOptions(select, kCallFetch), 0x8050u);
  TNetStatement block(nullptr);
  block.Prepare("begin null; end;");
  EXPECT_EQ(AllInOneOptions(block, kCallParse | kCallExecute), 0x421u);
  TNetStatement explain(nullptr);
  explain.Prepare("explain plan for select * from t where a = :a");
  EXPECT_EQ(AllInOneOptions(explain, kCallExecute), 0x8020u) << "an explained statement's binds are not sent";
}

TEST(StmtWireShapeTest, ItemsAreAnnouncedByTheTypeTable) {
  TStmtSession utf8;  // a UTF8 server, the client in another set
  utf8.serverCharsetId = 873;
  utf8.clientCharsetId = 871;
  TNetBind bind(nullptr);
  auto shape = [&](int type, int size, bool isBind = true) {
    bind.externalType = type;
    bind.valueSize = size;
    const TWireShape s = WireShapeOf(bind, utf8, isBind);
    return std::make_pair(s.wireType, s.length);
  };
  EXPECT_EQ(shape(SQLT_INT, 4), std::make_pair(2, 22));
  EXPECT_EQ(shape(SQLT_STR, 100), std::make_pair(1, 99));
  EXPECT_EQ(shape(SQLT_STR, 5000), std::make_pair(1, 1333)) << "a third of the longest string";
  EXPECT_EQ(shape(SQLT_STR, 5000, false), std::make_pair(1, 4999)) << "defines are not bounded";
  EXPECT_EQ(shape(SQLT_AVC, 5000), std::make_pair(96, 1332));
  EXPECT_EQ(shape(SQLT_RSET, 8), std::make_pair(102, 1));
  EXPECT_EQ(shape(SQLT_BLOB, 8), std::make_pair(113, 4));
  EXPECT_EQ(shape(SQLT_TIMESTAMP_TZ, 8), std::make_pair(181, 13));
  EXPECT_EQ(shape(SQLT_INTERVAL_YM, 8), std::make_pair(182, 5));
  EXPECT_EQ(shape(SQLT_TIMESTAMP_LTZ, 8), std::make_pair(231, 11));
  EXPECT_EQ(shape(SQLT_BIN, 300), std::make_pair(23, 300));
}

class StmtReplyTest : public TtcTest {
 protected:
  StmtReplyTest() : statement(nullptr) {
    Negotiated();
    tns->SetByteStringMode(2);
    error = std::make_unique<TNetError>(nullptr);
  }

  void Query(const std::string& sql = "select a from t") { statement.Prepare(sql); }
  TNetDefine& Define(int type, void* value, int size, sb2* indicator = nullptr, ub2* length = nullptr) {
    TNetDefine& d = statement.DefineAt(static_cast<ub4>(statement.Defines().size() + 1));
    d.externalType = type;
    d.value = value;
    d.valueSize = size;
    d.indicator = indicator;
    d.length = length;
    return d;
  }
  sword Reply(const TBytes& payload) {
    ServerSays(payload);
    statement.rowIndex = 0;
    return ReadCallReply(*reader, *writer, statement, error.get());
  }
  template <class Call>
  std::string MessageOf(Call call) {
    try {
      call();
    } catch (const classlib::Exception& e) {
      return e.Message();
    }
    return "(nothing raised)";
  }

  TNetStatement statement;
  std::unique_ptr<TNetError> error;
};

TEST_F(StmtReplyTest, MetadataRecordsCarryFlagsAndTheServersTail) {
  TNetBind array(nullptr);
  array.externalType = SQLT_BIN;
  array.valueSize = 16;
  array.maxArray = 5;
  array.wireLength = 16;
  WriteItemMetadata(*writer, array, statement.Session());
  EXPECT_EQ(Written(), Hex("17 43 00 00 01 10 01 05 00  00 00 00 01"));
  TNetDefine afc(nullptr);
  afc.externalType = SQLT_AFC;
  afc.valueSize = 3;
  TStmtSession old;
  old.serverVersion = kServer7230;
  WriteItemMetadata(*writer, afc, old);
  EXPECT_EQ(Written(), Hex("60 21 00 00 01 03 00 00")) << "no tail before 8.0";
}

// A value longer than its buffer is cut, as the client library cuts it:
// the indicator holds the length it had (-2 beyond what an indicator
// holds), the length what is left, the return code 1406, and the call
// answers "success with info" with ORA-01406 in its error record.
TEST_F(StmtReplyTest, ValuesLongerThanTheirBuffersAreCutWithInfo) {
  Query();
  uint8_t varnum[6], raw[5];
  char text[5];
  std::memset(varnum, 0xAA, sizeof varnum);
  std::memset(raw, 0xAA, sizeof raw);
  std::memset(text, 0xAA, sizeof text);
  sb2 indicators[3] = {};
  ub2 lengths[3] = {}, codes[3] = {};
  Define(SQLT_VNU, varnum, 3, &indicators[0], &lengths[0]).returnCode = &codes[0];
  Define(SQLT_STR, text, 4, &indicators[1], &lengths[1]).returnCode = &codes[1];
  Define(SQLT_BIN, raw, 4, &indicators[2], &lengths[2]).returnCode = &codes[2];
  const TBytes big(40000, 'x');
  EXPECT_EQ(Reply(Concat({RowHeader(), Row({Value(IntNumber(123456789)), TextValue("abcdef"), Value(big)}), Done(1)})),
            OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(error->Number(), 1406);
  EXPECT_EQ(error->Text(), "ORA-01406: fetched column value was truncated");
  EXPECT_EQ(varnum[0], 2);
  EXPECT_EQ(varnum[3], 0xAA) << "nothing written past the buffer";
  EXPECT_EQ(std::string(text), "abc");
  EXPECT_EQ(text[4], '\xAA');
  EXPECT_EQ(raw[4], 0xAA);
  EXPECT_EQ(indicators[0], 7) << "a length byte and six NUMBER bytes";
  EXPECT_EQ(indicators[1], 6);
  EXPECT_EQ(indicators[2], -2) << "40000 bytes do not fit an indicator";
  EXPECT_EQ(lengths[0], 3);
  EXPECT_EQ(lengths[1], 3);
  EXPECT_EQ(lengths[2], 4);
  EXPECT_EQ(codes[0], 1406);
  EXPECT_EQ(codes[1], 1406);
  EXPECT_EQ(codes[2], 1406);
  // A value that fits answers plain success again.
  EXPECT_EQ(Reply(Concat({RowHeader(), Row({Value(IntNumber(5)), TextValue("ab"), Value({1})}), Done(2)})),
            OCI_SUCCESS);
  EXPECT_EQ(indicators[1], 0);
  EXPECT_EQ(codes[1], 0);
}

// A VARRAW define travels as RAW and gets its length word in front, the
// bytes cut to the room behind it as any value is; the lengths count the
// word too.
TEST_F(StmtReplyTest, AVarRawDefineGetsItsLengthWordAndIsCutToItsBuffer) {
  Query("select a, b from t");
  uint8_t whole[8], cut[5];
  std::memset(whole, 0xAA, sizeof whole);
  std::memset(cut, 0xAA, sizeof cut);
  ub2 whole_length = 0, cut_length = 0;
  sb2 whole_indicator = 9, cut_indicator = 9;
  TNetDefine& first = Define(SQLT_VBI, whole, sizeof whole, &whole_indicator, &whole_length);
  Define(SQLT_VBI, cut, 4, &cut_indicator, &cut_length);
  WriteItemMetadata(*writer, first, statement.Session());
  EXPECT_EQ(Written(), Hex("17 03 00 00 01 06 00 00  00 00 00 01"));
  EXPECT_EQ(Reply(Concat({RowHeader(), Row({Value(Hex("01 02 03")), Value(Hex("01 02 03"))}), Done(1)})),
            OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(whole_indicator, 0);
  EXPECT_EQ(cut_indicator, 5) << "the length it had";
  const auto word = [](const uint8_t* at) {
    ub2 value = 0;
    std::memcpy(&value, at, sizeof value);
    return value;
  };
  EXPECT_EQ(word(whole), 3);
  EXPECT_EQ(TBytes(whole + 2, whole + 5), Hex("01 02 03"));
  EXPECT_EQ(whole_length, 5);
  EXPECT_EQ(word(cut), 2);
  EXPECT_EQ(TBytes(cut + 2, cut + 4), Hex("01 02"));
  EXPECT_EQ(cut_length, 4);
  EXPECT_EQ(cut[4], 0xAA) << "nothing written past the buffer";
}

// Out-binds are cut the same way.
TEST_F(StmtReplyTest, AnOutBindLongerThanItsBufferIsCutWithInfo) {
  statement.Prepare("begin :s := 'abcdef'; end;");
  char text[4] = {};
  sb2 indicator = 0;
  ub2 length = 0;
  TNetBind& bind = *statement.Binds()[0];
  bind.externalType = SQLT_CHR;
  bind.value = text;
  bind.valueSize = sizeof text;
  bind.indicator = &indicator;
  bind.length = &length;
  statement.iterations = 1;
  EXPECT_EQ(Reply(Concat({BindVector({0x10}), Row({TextValue("abcdef")}), Done(1)})), OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(std::string(text, 4), "abcd");
  EXPECT_EQ(indicator, 6);
  EXPECT_EQ(length, 4);
}

// A cursor value too short for its kind, or of an unknown kind, fails the
// call; the reply is read to its end first, so the stream stays in step.
TEST_F(StmtReplyTest, CursorValuesAreCheckedBeforeTheyAreRead) {
  Query("begin open :c for select 1 from dual; end;");
  TNetStatement cursor(nullptr);
  void* handle = HandleOf(&cursor);
  Define(SQLT_RSET, &handle, sizeof handle);
  EXPECT_EQ(MessageOf([&] { Reply(Concat({RowHeader(), Row({Value({1})}), Done(1)})); }), "Unknown error 1");
  EXPECT_EQ(MessageOf([&] { Reply(Concat({RowHeader(), Row({Value({2, 1})}), Done(1)})); }), "Unknown error 1");
  EXPECT_EQ(MessageOf([&] { Reply(Concat({RowHeader(), Row({Value({3, 1})}), Done(1)})); }),
            "Net error: maximum open cursors exceeded");
  EXPECT_EQ(Reply(Concat({RowHeader(), Row({Value({2, 1, 2})}), Done(1)})), OCI_SUCCESS);
  EXPECT_EQ(cursor.cursorId, 258);
  EXPECT_TRUE(cursor.parsed);
  EXPECT_FALSE(cursor.described) << "described when first asked for its columns";
  EXPECT_EQ(tns->AvailableInPacket(), 0) << "every reply was read to its end";
}

// The server's element count of an array bind is bounded by the caller's
// array: the surplus is read past, the stream stays in step.
TEST_F(StmtReplyTest, AnArrayOutBindKeepsNoMoreThanItsCapacity) {
  statement.Prepare("begin pkg.get(:list); end;");
  int32_t values[3] = {-1, -1, -1};
  ub4 count = 0;
  TNetBind& bind = *statement.Binds()[0];
  bind.externalType = SQLT_INT;
  bind.value = values;
  bind.valueSize = sizeof values[0];
  bind.maxArray = 2;
  bind.currentArray = &count;
  EXPECT_EQ(Reply(Concat({BindVector({0x10}),
                          Row({Int(3), Value(IntNumber(7)), Value(IntNumber(8)), Value(IntNumber(9))}), Done(1)})),
            OCI_SUCCESS);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(values[0], 7);
  EXPECT_EQ(values[1], 8);
  EXPECT_EQ(values[2], -1);
}

TEST_F(StmtReplyTest, MalformedRepliesAreRefused) {
  Query();
  int32_t a = 0;
  Define(SQLT_INT, &a, sizeof a);
  ExpectUnknownError(40, [&] { Reply(Hex("06 00 00 00 00 01 05")); });
  tns->SkipRestOfPacket();
  ExpectUnknownError(1, [&] { Reply(Row({Value(IntNumber(1))})); });  // a row before its header
  tns->SkipRestOfPacket();
  ExpectUnknownError(1, [&] { Reply(Hex("08 01 01 05 08 01 01 05")); });  // return parameters twice
  tns->SkipRestOfPacket();
  ExpectUnknownError(1, [&] { Reply(Hex("09")); });
  tns->SkipRestOfPacket();
  statement.Prepare("begin :x := 1; end;");
  ExpectUnknownError(1, [&] { Reply(BindVector({0x00})); });  // a bind flag of 0
}

TEST_F(StmtReplyTest, NoDataEndsAQueryButIsABlocksError) {
  Query();
  int32_t a = 0;
  Define(SQLT_INT, &a, sizeof a);
  TStatusFields noData;
  noData.error = 1403;
  noData.text = "ORA-01403: no data found";
  EXPECT_EQ(Reply(Status(noData)), OCI_NO_DATA);
  statement.Prepare("begin select 1 into :x from dual where 1 = 0; end;");
  EXPECT_EQ(Reply(Status(noData)), OCI_ERROR);
  EXPECT_EQ(error->Number(), 1403);
}

TEST_F(StmtReplyTest, NullsAndFetchedNulls) {
  Query();
  char text[4] = "xyz";
  sb2 indicators[2] = {5, 5};
  ub2 lengths[2] = {9, 9};
  TNetDefine& d = Define(SQLT_STR, text, 2, indicators, lengths);
  d.valueSkip = 2;
  statement.fetchSize = 2;
  EXPECT_EQ(Reply(Concat({RowHeader(), Row({NullValue()}), Row({Hex("00 02 0c 21")}), Done(2)})), OCI_SUCCESS);
  EXPECT_EQ(indicators[0], -1);
  EXPECT_EQ(indicators[1], 0) << "return code 3105: a value that is null but fetched";
  EXPECT_EQ(lengths[0], 0);
}

// Values are read from the packet itself when they lie whole in it, else
// gathered across packets: a reply cut at every place reads the same.
TEST_F(StmtReplyTest, RowsReadTheSameWhereverThePacketsEnd) {
  Query("select a, b from t");
  char texts[2][8];
  int32_t numbers[2];
  sb2 indicators[2][2];
  ub2 codes[2][2];
  TNetDefine& text = Define(SQLT_STR, texts, sizeof texts[0], &indicators[0][0]);
  text.returnCode = &codes[0][0];
  text.indicatorSkip = text.returnCodeSkip = sizeof indicators[0];
  TNetDefine& number = Define(SQLT_INT, numbers, sizeof numbers[0], &indicators[0][1]);
  number.returnCode = &codes[0][1];
  number.indicatorSkip = number.returnCodeSkip = sizeof indicators[0];
  statement.fetchSize = 2;
  const TBytes payload = Concat({RowHeader(), Row({TextValue("abcdef"), Value(IntNumber(-7))}),
                                 Row({Hex("00 02 0c 21"), Value(IntNumber(123456))}), Done(2)});
  for (size_t cut = 1; cut < payload.size(); ++cut) {
    std::memset(texts, 'x', sizeof texts);
    std::memset(codes, 0xFF, sizeof codes);
    net->Feed(DataPacket(TBytes(payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(cut))));
    net->Feed(DataPacket(TBytes(payload.begin() + static_cast<std::ptrdiff_t>(cut), payload.end())));
    statement.rowIndex = 0;
    ASSERT_EQ(ReadCallReply(*reader, *writer, statement, error.get()), OCI_SUCCESS) << "cut at " << cut;
    EXPECT_STREQ(texts[0], "abcdef") << "cut at " << cut;
    EXPECT_EQ(numbers[0], -7) << "cut at " << cut;
    EXPECT_EQ(indicators[1][0], 0) << "null but fetched, cut at " << cut;
    EXPECT_EQ(codes[1][0], 3105) << "cut at " << cut;
    EXPECT_EQ(numbers[1], 123456) << "cut at " << cut;
    EXPECT_EQ(codes[0][0], 0) << "cut at " << cut;
  }
}

// A server that sends more rows than were asked for would write past the
// caller's buffers: the row is refused.
TEST_F(StmtReplyTest, RowsBeyondTheFetchSizeAreRefused) {
  Query();
  int32_t a[2] = {};
  Define(SQLT_INT, a, sizeof a[0]);
  statement.fetchSize = 2;
  ExpectUnknownError(1, [&] {
    Reply(Concat({RowHeader(), Row({Value(IntNumber(1))}), Row({Value(IntNumber(2))}), Row({Value(IntNumber(3))})}));
  });
  EXPECT_EQ(a[1], 2);
}

TEST_F(StmtReplyTest, DescribedColumnsTakeTheirTypesAndPrecisions) {
  Query("select ts, n from t");
  ServerSays(
      Concat({Hex("08 01 01"), Hex("b4 00 00 06 00 01 0b 00 00  00 00 00 00  01 00 02"), Bytes("TS"), Hex("09")}));
  ASSERT_EQ(ReadDescribeReply(*reader, statement, error.get()), OCI_SUCCESS);
  ASSERT_EQ(statement.Columns().size(), 1u);
  const TNetParam& ts = *statement.Columns()[0];
  EXPECT_EQ(ts.dataType, SQLT_TIMESTAMP);
  EXPECT_EQ(ts.scale, 6);
  EXPECT_EQ(ts.fsPrecision, 0);
  EXPECT_EQ(ts.dataSize, 11);
  EXPECT_EQ(ts.name, "TS");
  EXPECT_TRUE(statement.described);
}

// Servers before 8.0 list the columns in blocks, their names after them.
TEST_F(StmtReplyTest, AnOlderServersDescribeListsNamesInABlock) {
  statement.Session().serverVersion = kServer7230;
  Query("select a, bb from t");
  ServerSays(Concat({Hex("08 01 02 01 02"), Hex("02 00 05 01 00 01 16 00 00 01"), Hex("01 00 00 00 01 0a 00 00 00"),
                     Hex("01 05 05"), Bytes("A"), Hex("00"), Bytes("BB"), Hex("00"), Hex("09")}));
  ASSERT_EQ(ReadOldDescribeReply(*reader, statement, error.get()), OCI_SUCCESS);
  ASSERT_EQ(statement.Columns().size(), 2u);
  EXPECT_EQ(statement.Columns()[0]->name, "A");
  EXPECT_EQ(statement.Columns()[1]->name, "BB");
  EXPECT_EQ(statement.Columns()[1]->dataSize, 10);
  EXPECT_FALSE(statement.Columns()[1]->nullAllowed);
  tns->SkipRestOfPacket();
  // Fewer names than columns: the last goes without one.
  ServerSays(Concat({Hex("08 01 02 01 02"), Hex("01 00 00 00 01 05 00 00 01"), Hex("01 00 00 00 01 05 00 00 01"),
                     Hex("01 02 02"), Bytes("A"), Hex("00 09")}));
  ASSERT_EQ(ReadOldDescribeReply(*reader, statement, error.get()), OCI_SUCCESS);
  EXPECT_EQ(statement.Columns()[1]->name, "");
  tns->SkipRestOfPacket();
  ServerSays(Hex("08 01 01 01 01  01 00 00 00 01 05 00 00 01  00"));
  ExpectUnknownError(112, [&] { ReadOldDescribeReply(*reader, statement, error.get()); });
  tns->SkipRestOfPacket();
  ServerSays(Hex("08 01 01 01 01  01 00 00 00 01 05 00 00 01  02 03 d1"));
  ExpectUnknownError(107, [&] { ReadOldDescribeReply(*reader, statement, error.get()); });
}

struct TLongPieces {
  char room[4] = {};
  ub4 length = 0;
  std::string received;
  std::vector<ub1> pieces;
};

sb4 TakeLongPiece(void* context, OCIDefine*, ub4, void** buffer, ub4** length, ub1* piece, void**, ub2**) {
  auto* p = static_cast<TLongPieces*>(context);
  if (p->length > 0) p->received.append(p->room, p->length);  // what the last call delivered
  p->pieces.push_back(*piece);
  p->length = sizeof p->room;
  *buffer = p->room;
  *length = &p->length;
  return OCI_CONTINUE;
}

TEST_F(StmtReplyTest, ALongValueReachesItsCallbackInPiecesAndDescriptorsAreFilled) {
  Query("select l, ts, iv, b from t");
  TLongPieces pieces;
  TNetDefine& l = Define(SQLT_LNG, nullptr, 0);
  l.callbackContext = &pieces;
  l.callback = TakeLongPiece;
  TNetDateTime stamp(nullptr, OCI_DTYPE_TIMESTAMP);
  TNetIntervalYM interval(nullptr);
  TNetLobLocator lob(nullptr, OCI_DTYPE_LOB);
  void* cells[3] = {HandleOf(&stamp), HandleOf(&interval), HandleOf(&lob)};
  Define(SQLT_TIMESTAMP, &cells[0], sizeof(void*));
  Define(SQLT_INTERVAL_YM, &cells[1], sizeof(void*));
  Define(SQLT_CLOB, &cells[2], sizeof(void*));
  const TBytes stampBytes = Hex("78 7c 02 1d 0e 06 08 00 00 00 00");
  const TBytes intervalBytes = Hex("80 00 00 05 3e");
  EXPECT_EQ(Reply(Concat(
                {RowHeader(),
                 Row({TextValue("hello world"), Value(stampBytes), Value(intervalBytes), LocatorValue(Hex("0a 0b"))}),
                 Done(1)})),
            OCI_SUCCESS);
  pieces.received.append(pieces.room, pieces.length);
  EXPECT_EQ(pieces.received, "hello world");
  EXPECT_EQ(pieces.pieces, (std::vector<ub1>{OCI_FIRST_PIECE, OCI_NEXT_PIECE, OCI_NEXT_PIECE}));
  EXPECT_EQ(TBytes(stamp.Bytes(), stamp.Bytes() + stamp.Size()), stampBytes);
  EXPECT_EQ(TBytes(interval.Bytes(), interval.Bytes() + interval.Size()), intervalBytes);
  EXPECT_EQ(lob.Bytes(), Hex("0a 0b"));
  EXPECT_TRUE(lob.IsCharacter());
}

// Binds without a buffer take their values from their callbacks: an in
// value may come in pieces, an out value goes where the callback says.
struct TDynamicValues {
  const char* pieces[2] = {"hello ", "world"};
  int calls = 0;
  char out[8] = {};
  ub4 outLength = 0;
  sb2 outIndicator = 5;
};

sb4 GiveInPiece(void* context, OCIBind*, ub4, ub4, void** buffer, ub4* length, ub1* piece, void** indicator) {
  auto* v = static_cast<TDynamicValues*>(context);
  const char* text = v->pieces[v->calls++];
  *buffer = const_cast<char*>(text);
  *length = static_cast<ub4>(std::strlen(text));
  *piece = v->calls == 1 ? OCI_FIRST_PIECE : OCI_LAST_PIECE;
  *indicator = nullptr;
  return OCI_CONTINUE;
}

sb4 TakeOutValue(void* context, OCIBind*, ub4, ub4, void** buffer, ub4** length, ub1*, void** indicator,
                 ub2** returnCode) {
  auto* v = static_cast<TDynamicValues*>(context);
  v->outLength = sizeof v->out;
  *buffer = v->out;
  *length = &v->outLength;
  *indicator = &v->outIndicator;
  *returnCode = nullptr;
  return OCI_CONTINUE;
}

TEST_F(StmtReplyTest, DynamicBindsUseTheirCallbacks) {
  TDynamicValues values;
  statement.Prepare("insert into t values (:a)");
  TNetBind& in = *statement.Binds()[0];
  in.externalType = SQLT_LNG;
  in.inContext = &values;
  in.inCallback = GiveInPiece;
  WriteBindRow(*writer, statement, nullptr, 0);
  EXPECT_EQ(Written(), Concat({Hex("07 0b"), Bytes("hello world")}));
  EXPECT_EQ(values.calls, 2);

  statement.Prepare("begin :a := 'xyz'; end;");
  TNetBind& out = *statement.Binds()[0];
  out.externalType = SQLT_CHR;
  out.outContext = &values;
  out.outCallback = TakeOutValue;
  EXPECT_EQ(Reply(Concat({BindVector({0x10}), Row({TextValue("xyz")}), Done(1)})), OCI_SUCCESS);
  EXPECT_EQ(std::string(values.out, values.outLength), "xyz");
  EXPECT_EQ(values.outIndicator, 0);
}

}  // namespace
}  // namespace oranet::testing
