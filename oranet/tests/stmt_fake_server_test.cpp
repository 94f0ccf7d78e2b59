// Statements through the Oracle layer's table in direct mode, against the
// fake server: a query described and fetched in blocks, DML with its row
// count, PL/SQL blocks with out-binds, and the server's errors. The
// requests the client sent are checked byte for byte where their layout
// matters.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "oranet/tests/fake_server_logon.h"
#include "oranet/tests/fake_server_session.h"

namespace oranet::testing {
namespace {

TFakeScript Script(std::initializer_list<TBytes> answers) {
  TFakeScript script = LogonThen(StatusMessage(0), {});
  for (const TBytes& a : answers) Append(script, Exchange(a));
  return script;
}

std::string ColumnName(void* param) {
  char* name = nullptr;
  ub4 size = 0;
  OCIAttrGet(param, OCI_DTYPE_PARAM, &name, &size, OCI_ATTR_NAME, nullptr);
  return std::string(name, size);
}

TEST(StmtFakeServerTest, AQueryIsDescribedAndFetchedInBlocks) {
  const std::vector<TColumnFields> columns{
      {2, 22, 10, 0, false, "ID"}, {1, 20, 0, 0, true, "NAME"}, {2, 22, 10, 2, true, "PRICE"}};
  TFakeServer fake({Script({
      CursorOpened(5),
      Status({0, 0, "", 5, 0, 3}),
      DescribeReply(columns),
      Concat({RowHeader(), Row({Value(IntNumber(1)), TextValue("apple"), Value(RealNumber(1.5))}),
              Row({Value(IntNumber(2)), NullValue(), Value(RealNumber(2.25))}), Done(2)}),
      Concat({RowHeader(), Row({Value(IntNumber(3)), TextValue("cherry"), Value(RealNumber(3))}),
              Status({3, 1403, "ORA-01403: no data found"})}),
      EndOfCall(),
  })});
  TDirectSession s;
  ASSERT_EQ(s.LogOn(fake), OCI_SUCCESS);
  OCIStmt* stmt = s.NewStatement("select id, name, price from t where id > :lo");
  int32_t lo = 0;
  OCIBind* bind = nullptr;
  ASSERT_EQ(OCIBindByName(stmt, &bind, s.Err(), reinterpret_cast<const OraText*>(":lo"), 3, &lo, sizeof lo, SQLT_INT,
                          nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(s.Execute(stmt, 0), OCI_SUCCESS);

  ub4 count = 0;
  OCIAttrGet(stmt, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, s.Err());
  EXPECT_EQ(count, 3u);
  void* param = nullptr;
  ASSERT_EQ(OCIParamGet(stmt, OCI_HTYPE_STMT, s.Err(), &param, 3), OCI_SUCCESS);
  EXPECT_EQ(ColumnName(param), "PRICE");
  sb1 scale = 0;
  OCIAttrGet(param, OCI_DTYPE_PARAM, &scale, nullptr, OCI_ATTR_SCALE, s.Err());
  EXPECT_EQ(scale, 2);
  EXPECT_EQ(OCIParamGet(stmt, OCI_HTYPE_STMT, s.Err(), &param, 4), OCI_NO_DATA);

  int32_t ids[2] = {};
  char names[2][8] = {};
  double prices[2] = {};
  sb2 nameNull[2] = {};
  ub2 nameLength[2] = {};
  OCIDefine* define = nullptr;
  OCIDefineByPos(stmt, &define, s.Err(), 1, ids, sizeof ids[0], SQLT_INT, nullptr, nullptr, nullptr, OCI_DEFAULT);
  OCIDefineByPos(stmt, &define, s.Err(), 2, names, sizeof names[0], SQLT_STR, nameNull, nameLength, nullptr,
                 OCI_DEFAULT);
  OCIDefineByPos(stmt, &define, s.Err(), 3, prices, sizeof prices[0], SQLT_FLT, nullptr, nullptr, nullptr, OCI_DEFAULT);

  ASSERT_EQ(s.Fetch(stmt, 2), OCI_SUCCESS);
  EXPECT_EQ(ids[0], 1);
  EXPECT_STREQ(names[0], "apple");
  EXPECT_EQ(nameLength[0], 5);
  EXPECT_DOUBLE_EQ(prices[0], 1.5);
  EXPECT_EQ(ids[1], 2);
  EXPECT_EQ(nameNull[1], -1);
  EXPECT_DOUBLE_EQ(prices[1], 2.25);

  // The last block: one row, then "no data" as the end of the rows.
  ASSERT_EQ(s.Fetch(stmt, 2), OCI_NO_DATA);
  EXPECT_EQ(ids[0], 3);
  EXPECT_STREQ(names[0], "cherry") << "a value is cut to the buffer, with room for the terminator";
  ub4 rows = 0;
  OCIAttrGet(stmt, OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_ROW_COUNT, s.Err());
  EXPECT_EQ(rows, 3u);
  s.Free(stmt, OCI_HTYPE_STMT);
  fake.Join();
  EXPECT_TRUE(fake.Failures().empty()) << fake.Failures().front();

  const std::vector<TBytes> sent = Requests(fake);
  ASSERT_EQ(sent.size(), 6u);
  EXPECT_EQ(sent[0], Hex("03 02 00  01 00"));  // open cursor
  const TBytes text = Bytes("select id, name, price from t where id > :lo");
  // Parse and execute with binds, not PL/SQL; the bind's metadata; its row.
  EXPECT_EQ(sent[1], Concat({Hex("03 47 00  02 80 29  01 05  01 01 2c  00 00 00 00  01 01 02 00  00 00  01 01 01"),
                             {static_cast<uint8_t>(text.size())},
                             text,
                             Hex("01 01  00 00 00 00 00 00"),
                             Hex("02 01 00 00 01 16 00 00  00 00 00 01"),
                             Hex("07 01 80")}));
  EXPECT_EQ(sent[2], Hex("03 62 00  07  01 05  00 00  01 02  01 01"));  // describe of the cursor, without text
  // Fetch two rows with the three defines: no text, no binds.
  EXPECT_EQ(sent[3],
            Concat({Hex("03 47 00  02 80 50  01 05  00 00  00 00 00 00  01 01 02 00  01 01 03  00 00"),
                    Hex("01 01  01 02  00 00 00 00 00"), Hex("02 01 00 00 01 16 00 00  00 00 00 01"),
                    Hex("01 01 00 00 01 07 00 00  00 00 00 01"), Hex("02 01 00 00 01 16 00 00  00 00 00 01")}));
  EXPECT_EQ(sent[5], Hex("03 08 00  01 05"));  // close cursor
}

TEST(StmtFakeServerTest, DescribeOnlyGivesTheColumnsWithoutExecuting) {
  TFakeServer fake(
      {Script({DescribeReply({{2, 22, 10, 0, false, "A"}, {1, 30, 0, 0, true, "B"}, {12, 7, 0, 0, true, "C"}})})});
  TDirectSession s;
  ASSERT_EQ(s.LogOn(fake), OCI_SUCCESS);
  OCIStmt* stmt = s.NewStatement("select a, b, c from t3");
  ASSERT_EQ(s.Execute(stmt, 0, OCI_DESCRIBE_ONLY), OCI_SUCCESS);
  ub4 count = 0;
  OCIAttrGet(stmt, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, s.Err());
  EXPECT_EQ(count, 3u);
  void* param = nullptr;
  OCIParamGet(stmt, OCI_HTYPE_STMT, s.Err(), &param, 2);
  ub2 size = 0, type = 0;
  OCIAttrGet(param, OCI_DTYPE_PARAM, &size, nullptr, OCI_ATTR_DATA_SIZE, s.Err());
  OCIAttrGet(param, OCI_DTYPE_PARAM, &type, nullptr, OCI_ATTR_DATA_TYPE, s.Err());
  EXPECT_EQ(size, 30);
  EXPECT_EQ(type, SQLT_CHR);
  s.Free(stmt, OCI_HTYPE_STMT);  // no cursor: nothing more is sent
  fake.Join();
  EXPECT_TRUE(fake.Failures().empty()) << fake.Failures().front();
  const std::vector<TBytes> sent = Requests(fake);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(Concat({Hex("03 62 00 07 00 01 01 16 01 02 01 01 16"), Bytes("select a, b, c from t3")}), sent[0]);
}

TEST(StmtFakeServerTest, DmlReportsItsRowsAndCommitsOnSuccess) {
  TFakeServer fake({Script({CursorOpened(7), Status({3, 0, "", 0, 0, 6}), EndOfCall(), EndOfCall()})});
  TDirectSession s;
  ASSERT_EQ(s.LogOn(fake), OCI_SUCCESS);
  OCIStmt* stmt = s.NewStatement("update t set name = :name where id = :id");
  int32_t ids[3] = {4, 5, 300};
  char names[3][4] = {"ab", "", "xyz"};
  sb2 nameNull[3] = {0, -1, 0};
  OCIBind* bind = nullptr;
  OCIBindByPos(stmt, &bind, s.Err(), 1, names, sizeof names[0], SQLT_STR, nameNull, nullptr, nullptr, 0, nullptr,
               OCI_DEFAULT);
  // What the layer sets on every text bind of a 9.0 client.
  sb4 longest = 4;
  EXPECT_EQ(OCIAttrSet(bind, OCI_HTYPE_BIND, &longest, 0, OCI_ATTR_MAXDATA_SIZE, s.Err()), OCI_SUCCESS);
  EXPECT_EQ(OCIAttrSet(bind, OCI_HTYPE_BIND, &longest, 0, OCI_ATTR_MAXCHAR_SIZE, s.Err()), OCI_SUCCESS);
  OCIBindByName(stmt, &bind, s.Err(), reinterpret_cast<const OraText*>("ID"), 2, ids, sizeof ids[0], SQLT_INT, nullptr,
                nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
  ASSERT_EQ(s.Execute(stmt, 3, OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS);
  ub4 rows = 0;
  ub2 function = 0;
  OCIAttrGet(stmt, OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_ROW_COUNT, s.Err());
  OCIAttrGet(stmt, OCI_HTYPE_STMT, &function, nullptr, OCI_ATTR_SQLFNCODE, s.Err());
  EXPECT_EQ(rows, 3u);
  EXPECT_EQ(function, 5);  // UPDATE
  s.Free(stmt, OCI_HTYPE_STMT);
  fake.Join();
  EXPECT_TRUE(fake.Failures().empty()) << fake.Failures().front();
  const std::vector<TBytes> sent = Requests(fake);
  ASSERT_EQ(sent.size(), 4u);
  // Three iterations, each a bind row: a null name is one zero byte.
  const TBytes& call = sent[1];
  const TBytes rows3 = Hex("07 02 61 62 02 c1 05  07 00 02 c1 06  07 03 78 79 7a 02 c2 04");
  ASSERT_GE(call.size(), rows3.size());
  EXPECT_EQ(TBytes(call.end() - static_cast<std::ptrdiff_t>(rows3.size()), call.end()), rows3);
  EXPECT_EQ(TBytes(call.begin(), call.begin() + 6), Hex("03 47 00 02 80 29"));
  EXPECT_EQ(sent[2], Hex("03 0e 00"));  // commit
}

TEST(StmtFakeServerTest, ABlockSendsTheValuesTheServerAsksForAndReadsItsOutBinds) {
  TFakeServer fake({Script(
      {CursorOpened(9), BindVector({0x10, 0x20}), Concat({Row({Value(IntNumber(42))}), Done(1)}), EndOfCall()})});
  TDirectSession s;
  ASSERT_EQ(s.LogOn(fake), OCI_SUCCESS);
  // :x twice names one bind in a block.
  OCIStmt* stmt = s.NewStatement("begin :x := :y * 2; :x := :x; end;");
  int64_t x = -1;
  int32_t y = 21;
  OCIBind* bind = nullptr;
  ASSERT_EQ(
      OCIBindByPos(stmt, &bind, s.Err(), 3, &y, sizeof y, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
      OCI_ERROR);
  EXPECT_EQ(s.LastError().first, 1036);
  OCIBindByPos(stmt, &bind, s.Err(), 1, &x, sizeof x, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
  OCIBindByPos(stmt, &bind, s.Err(), 2, &y, sizeof y, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
  ub2 type = 0;
  OCIAttrGet(stmt, OCI_HTYPE_STMT, &type, nullptr, OCI_ATTR_STMT_TYPE, s.Err());
  EXPECT_EQ(type, OCI_STMT_BEGIN);
  ASSERT_EQ(s.Execute(stmt, 1), OCI_SUCCESS);
  EXPECT_EQ(x, 42);
  s.Free(stmt, OCI_HTYPE_STMT);
  fake.Join();
  EXPECT_TRUE(fake.Failures().empty()) << fake.Failures().front();
  const std::vector<TBytes> sent = Requests(fake);
  ASSERT_EQ(sent.size(), 4u);
  // A block: option 0x400 and no bind rows in the call; the row asked for
  // holds only y.
  EXPECT_EQ(TBytes(sent[1].begin(), sent[1].begin() + 6), Hex("03 47 00 02 04 29"));
  EXPECT_EQ(sent[1].back(), 0x01) << "the call ends with the last metadata record";
  EXPECT_EQ(sent[2], Hex("07 02 c1 16"));
}

TEST(StmtFakeServerTest, OutBindsReturnedAtOnceAndDmlReturningRunsAsABlock) {
  TFakeServer fake({Script({CursorOpened(3),
                            Concat({BindVector({0x10, 0x10}), Row({TextValue("new"), Value(IntNumber(77))}), Done(1)}),
                            EndOfCall()})});
  TDirectSession s;
  ASSERT_EQ(s.LogOn(fake), OCI_SUCCESS);
  OCIStmt* stmt = s.NewStatement("update t set n = 'new' returning n, id into :n, :id");
  ub2 type = 0;
  OCIAttrGet(stmt, OCI_HTYPE_STMT, &type, nullptr, OCI_ATTR_STMT_TYPE, s.Err());
  EXPECT_EQ(type, OCI_STMT_BEGIN);
  char n[8] = {};
  int32_t id = 0;
  OCIBind* bind = nullptr;
  OCIBindByPos(stmt, &bind, s.Err(), 1, n, sizeof n, SQLT_STR, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
  OCIBindByPos(stmt, &bind, s.Err(), 2, &id, sizeof id, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
  ASSERT_EQ(s.Execute(stmt, 1), OCI_SUCCESS);
  EXPECT_STREQ(n, "new");
  EXPECT_EQ(id, 77);
  s.Free(stmt, OCI_HTYPE_STMT);
  fake.Join();
  EXPECT_TRUE(fake.Failures().empty()) << fake.Failures().front();
  const TBytes text = Bytes("begin update t set n = 'new' returning n, id into :n, :id; end;");
  const TBytes call = Requests(fake)[1];
  EXPECT_NE(std::search(call.begin(), call.end(), text.begin(), text.end()), call.end());
}

TEST(StmtFakeServerTest, ServerErrorsReachTheErrorHandle) {
  const TBytes missing = Status({0, 942, "ORA-00942: table or view does not exist", 0, 14});
  TFakeServer fake({Script({CursorOpened(4), missing, missing, EndOfCall()})});
  TDirectSession s;
  ASSERT_EQ(s.LogOn(fake), OCI_SUCCESS);
  OCIStmt* stmt = s.NewStatement("select * from missing");
  EXPECT_EQ(s.Execute(stmt, 0), OCI_ERROR);
  EXPECT_EQ(s.LastError(), std::make_pair(942, std::string("ORA-00942: table or view does not exist")));
  ub2 position = 0;
  OCIAttrGet(stmt, OCI_HTYPE_STMT, &position, nullptr, OCI_ATTR_PARSE_ERROR_OFFSET, s.Err());
  EXPECT_EQ(position, 14);
  position = 0;
  EXPECT_EQ(OCIAttrGet(s.Err(), OCI_HTYPE_ERROR, &position, nullptr, OCI_ATTR_PARSE_ERROR_OFFSET, s.Err()),
            OCI_SUCCESS);
  EXPECT_EQ(position, 14) << "the error handle knows it too";
  // The server never took the text: the next execute sends it again.
  EXPECT_EQ(s.Execute(stmt, 0), OCI_ERROR);
  s.Free(stmt, OCI_HTYPE_STMT);
  fake.Join();
  EXPECT_TRUE(fake.Failures().empty()) << fake.Failures().front();
  const std::vector<TBytes> sent = Requests(fake);
  ASSERT_EQ(sent.size(), 4u);
  EXPECT_EQ(TBytes(sent[2].begin(), sent[2].begin() + 9), Hex("03 47 00 02 80 21 01 04 01"));
}

// A statement that outlives its session's log-off is freed without a word
// to the server: its cursor went with the session.
TEST(StmtFakeServerTest, AStatementFreedAfterTheLogOffSendsNothing) {
  TFakeServer fake({Script({CursorOpened(6), Done(1), EndOfCall()})});
  TDirectSession s;
  ASSERT_EQ(s.LogOn(fake), OCI_SUCCESS);
  OCIStmt* stmt = s.NewStatement("delete from t");
  ASSERT_EQ(s.Execute(stmt, 1), OCI_SUCCESS);
  sword end = -9;
  RunBounded(kCallBound, [&] { end = OCISessionEnd(s.Svc(), s.Err(), nullptr, 0); });
  EXPECT_EQ(end, OCI_SUCCESS);
  s.Free(stmt, OCI_HTYPE_STMT);
  fake.Join();
  EXPECT_TRUE(fake.Failures().empty()) << fake.Failures().front();
  const std::vector<TBytes> sent = Requests(fake);
  ASSERT_GE(sent.size(), 3u);
  EXPECT_EQ(sent[2], Hex("03 09 00"));
  for (size_t i = 3; i < sent.size(); ++i) EXPECT_NE(sent[i].size() > 1 ? sent[i][1] : 0, 8) << "no close cursor";
}

TEST(StmtFakeServerTest, AWrongPasswordIs1017) {
  TFakeServer fake({LogonThen(StatusMessage(1017, kWrongPasswordText), {})});
  TDirectSession s;
  EXPECT_EQ(s.LogOn(fake, "lion"), OCI_ERROR);
  EXPECT_EQ(s.LastError().first, 1017);
  fake.Join();
}

// A value longer than its define: the fetch answers "success with info"
// with ORA-01406 in the error record, the indicator the length it had and
// the return code 1406, as the client library answers; the values that fit
// are whole.
TEST(StmtFakeServerTest, AValueLongerThanItsDefineIsCutWithInfo) {
  TFakeServer fake({Script({
      CursorOpened(5),
      Status({0, 0, "", 5, 0, 3}),
      DescribeReply({{1, 20, 0, 0, true, "NAME"}}),
      Concat({RowHeader(), Row({TextValue("strawberry")}), Row({TextValue("fig")}), Done(2)}),
      EndOfCall(),
  })});
  TDirectSession s;
  ASSERT_EQ(s.LogOn(fake), OCI_SUCCESS);
  OCIStmt* stmt = s.NewStatement("select name from t");
  ASSERT_EQ(s.Execute(stmt, 0), OCI_SUCCESS);
  char names[2][6] = {};
  sb2 indicators[2] = {};
  ub2 lengths[2] = {}, codes[2] = {};
  OCIDefine* define = nullptr;
  OCIDefineByPos(stmt, &define, s.Err(), 1, names, sizeof names[0], SQLT_STR, indicators, lengths, codes, OCI_DEFAULT);
  EXPECT_EQ(s.Fetch(stmt, 2), OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(s.LastError(), std::make_pair(1406, std::string("ORA-01406: fetched column value was truncated")));
  EXPECT_STREQ(names[0], "straw");
  EXPECT_EQ(indicators[0], 10);
  EXPECT_EQ(lengths[0], 5);
  EXPECT_EQ(codes[0], 1406);
  EXPECT_STREQ(names[1], "fig");
  EXPECT_EQ(indicators[1], 0);
  EXPECT_EQ(codes[1], 0);
  s.Free(stmt, OCI_HTYPE_STMT);
  fake.Join();
  EXPECT_TRUE(fake.Failures().empty()) << fake.Failures().front();
}

// A cursor column: the cursor a row hands out describes itself when asked
// for its columns (function 98 on its cursor, without a text), as the
// client library has it described, and its rows are fetched.
TEST(StmtFakeServerTest, ACursorFetchedInARowDescribesItselfWhenAsked) {
  TFakeServer fake({Script({
      CursorOpened(5),
      Status({0, 0, "", 5, 0, 3}),
      DescribeReply({{2, 22, 9, 0, false, "ID"}, {102, 1, 0, 0, true, "ITEMS"}}),
      Concat({RowHeader(), Row({Value(IntNumber(1)), Value({1, 9})}), Status({1, 1403, "ORA-01403: no data found"})}),
      DescribeReply({{1, 10, 0, 0, true, "ITEM"}}),
      Concat({RowHeader(), Row({TextValue("pen")}), Status({1, 1403, "ORA-01403: no data found"})}),
      EndOfCall(),
      EndOfCall(),
  })});
  TDirectSession s;
  ASSERT_EQ(s.LogOn(fake), OCI_SUCCESS);
  OCIStmt* stmt = s.NewStatement("select id, cursor(select item from items) from t");
  ASSERT_EQ(s.Execute(stmt, 0), OCI_SUCCESS);
  void* cursor = nullptr;
  ASSERT_EQ(OCIHandleAlloc(nullptr, &cursor, OCI_HTYPE_STMT, 0, nullptr), OCI_SUCCESS);
  int32_t id = 0;
  OCIDefine* define = nullptr;
  OCIDefineByPos(stmt, &define, s.Err(), 1, &id, sizeof id, SQLT_INT, nullptr, nullptr, nullptr, OCI_DEFAULT);
  OCIDefineByPos(stmt, &define, s.Err(), 2, &cursor, 0, SQLT_RSET, nullptr, nullptr, nullptr, OCI_DEFAULT);
  ASSERT_EQ(s.Fetch(stmt, 1), OCI_NO_DATA);
  ub4 count = 0;
  sword counted = -9;
  RunBounded(kCallBound,
             [&] { counted = OCIAttrGet(cursor, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, s.Err()); });
  EXPECT_EQ(counted, OCI_SUCCESS);
  EXPECT_EQ(count, 1u);
  void* param = nullptr;
  ASSERT_EQ(OCIParamGet(cursor, OCI_HTYPE_STMT, s.Err(), &param, 1), OCI_SUCCESS) << "described once";
  EXPECT_EQ(ColumnName(param), "ITEM");
  char item[8] = {};
  OCIDefineByPos(static_cast<OCIStmt*>(cursor), &define, s.Err(), 1, item, sizeof item, SQLT_STR, nullptr, nullptr,
                 nullptr, OCI_DEFAULT);
  EXPECT_EQ(s.Fetch(static_cast<OCIStmt*>(cursor), 1), OCI_NO_DATA);
  EXPECT_STREQ(item, "pen");
  s.Free(cursor, OCI_HTYPE_STMT);
  s.Free(stmt, OCI_HTYPE_STMT);
  fake.Join();
  EXPECT_TRUE(fake.Failures().empty()) << fake.Failures().front();
  const auto calls = fake.Calls();
  const auto describe = std::find_if(calls.begin(), calls.end(),
                                     [](const TCheckedCall& c) { return c.function == 98 && c.cursor == 9; });
  ASSERT_NE(describe, calls.end());
  EXPECT_TRUE(describe->sql.empty());
}

// The server's bind vector must list the statement's binds: one more or
// one fewer is a broken reply, not a status the caller could trust.
TEST(StmtFakeServerTest, ABindVectorOfTheWrongLengthIsRefused) {
  TFakeServer fake({Script({CursorOpened(9), BindVector({0x10, 0x20, 0x20})})});
  TDirectSession s;
  ASSERT_EQ(s.LogOn(fake), OCI_SUCCESS);
  OCIStmt* stmt = s.NewStatement("begin :x := :y; end;");
  int32_t x = 0, y = 1;
  OCIBind* bind = nullptr;
  OCIBindByPos(stmt, &bind, s.Err(), 1, &x, sizeof x, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
  OCIBindByPos(stmt, &bind, s.Err(), 2, &y, sizeof y, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
  EXPECT_EQ(s.Execute(stmt, 1), OCI_ERROR);
  EXPECT_EQ(s.LastError(), std::make_pair(-3106, std::string("ORA-03106: fatal two-task communication protocol "
                                                              "error (NET: Unknown error 1)")));
  fake.Join();
  // The rest of the broken reply is never read as another call's answer.
  EXPECT_EQ(s.Execute(stmt, 1), OCI_ERROR);
  EXPECT_EQ(s.LastError(), std::make_pair(-3114, std::string("ORA-03114: not connected to ORACLE")));
  s.Free(stmt, OCI_HTYPE_STMT);
}

}  // namespace
}  // namespace oranet::testing
