// The Oracle layer's components with Direct set, on the fake server: a
// LONG value longer than the longest string, which travels after its bind
// row as chunked data fed by the layer's dynamic-bind callbacks, and a
// REF CURSOR parameter, which describes itself when the layer asks for
// its columns, as on the client library.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/field.h"
#include "oracle/query_ora_dataset.h"
#include "oracle/query_ora_sql.h"
#include "oranet/tests/fake_server_direct.h"
#include "oranet/tests/fake_server_logon.h"
#include "oranet/tests/fake_server_session.h"

namespace oranet::testing {
namespace {

using namespace oracle;

// The calls of the first connection with function `function`.
std::vector<TCheckedCall> CallsOf(TFakeServer& fake, int function) {
  std::vector<TCheckedCall> found;
  for (const TCheckedCall& call : fake.Calls())
    if (call.function == function) found.push_back(call);
  return found;
}

class OraLongCursorDirectTest : public OraDirectTest {};

// 100 000 bytes of LONG, named before the number: the server reads them
// after the row's other values, in chunks, in DATA packets none larger
// than the SDU, and gets every byte.
TEST_F(OraLongCursorDirectTest, ALongValueBeyondTheLongestStringFollowsItsRow) {
  std::string text(100000, ' ');
  for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);
  TFakeScript script = LogonThen(StatusMessage(0), {});
  Append(script, Exchange(CursorOpened(5)));
  Append(script, Exchange(Done(1)));
  for (int i = 0; i < 2; ++i) Append(script, Exchange(EndOfCall()));  // the cursor's close, the log-off
  TFakeServer fake({script});
  auto session = DirectSession(fake);
  auto insert = std::make_unique<TOraSQL>();
  insert->SetSession(session.get());
  insert->SetSQL("INSERT INTO NOTES (BODY, ID) VALUES (:BODY, :ID)");
  RunBounded(kBound, [&] {
    session->SetConnected(true);
    insert->ParamByName("ID")->SetAsInteger(7);
    insert->ParamByName("BODY")->SetAsMemo(text);
    insert->Execute();
    insert.reset();
    session->SetConnected(false);
  });
  const auto calls = CallsOf(fake, 71);
  ASSERT_EQ(calls.size(), 1u);
  const TCheckedCall& call = calls[0];
  ASSERT_EQ(call.binds.size(), 2u);
  EXPECT_EQ(call.binds[0].wireType, SQLT_LNG);
  EXPECT_EQ(call.binds[0].maxLength, text.size());
  ASSERT_EQ(call.rows.size(), 1u);
  ASSERT_EQ(call.rows[0][0].elements.size(), 1u);
  EXPECT_EQ(call.rows[0][0].elements[0], TBytes(text.begin(), text.end()));
  EXPECT_EQ(call.rows[0][1].elements.at(0), IntNumber(7));
  for (const TBytes& packet : fake.PacketsOfType(kTnsData)) EXPECT_LE(packet.size(), 2048u);
  EXPECT_TRUE(fake.Failures().empty()) << fake.Failures().front();
}

// The same value in a block the server asks values of: the bind vector's
// row carries it after the row as well.
TEST_F(OraLongCursorDirectTest, ALongValueInABlockFollowsTheRowTheServerAsksFor) {
  const std::string text(5000, 'q');
  TFakeScript script = LogonThen(StatusMessage(0), {});
  Append(script, Exchange(CursorOpened(5)));
  Append(script, Exchange(BindVector({0x20, 0x20})));
  Append(script, Exchange(Done(1)));
  for (int i = 0; i < 2; ++i) Append(script, Exchange(EndOfCall()));
  TFakeServer fake({script});
  auto session = DirectSession(fake);
  auto block = std::make_unique<TOraSQL>();
  block->SetSession(session.get());
  block->SetSQL("begin pkg.keep(:BODY, :ID); end;");
  RunBounded(kBound, [&] {
    session->SetConnected(true);
    block->ParamByName("BODY")->SetAsMemo(text);
    block->ParamByName("ID")->SetAsInteger(3);
    block->Execute();
    block.reset();
    session->SetConnected(false);
  });
  const auto calls = CallsOf(fake, 71);
  ASSERT_EQ(calls.size(), 1u);
  ASSERT_EQ(calls[0].rows.size(), 1u);
  EXPECT_EQ(calls[0].rows[0][0].elements.at(0), TBytes(text.begin(), text.end()));
  EXPECT_EQ(calls[0].rows[0][1].elements.at(0), IntNumber(3));
  EXPECT_TRUE(fake.Failures().empty()) << fake.Failures().front();
}

// A block opens a REF CURSOR: the cursor the server hands out describes
// itself when the layer asks for its columns (function 98 on its cursor,
// without a text), and its rows are fetched into the query.
TEST_F(OraLongCursorDirectTest, ARefCursorParameterDescribesItselfAndIsFetched) {
  const TBytes opened = Concat({BindVector({0x10}), Row({Value({1, 7})}), Done(1)});
  TFakeScript script = LogonThen(StatusMessage(0), {});
  Append(script, Exchange(CursorOpened(5)));
  Append(script, Exchange(opened));  // the block runs to describe its cursor
  Append(script, Exchange(DescribeReply({{2, 22, 9, 0, false, "ID"}, {1, 20, 0, 0, true, "NAME"}})));
  Append(script, Exchange(EndOfCall()));  // the described cursor goes
  Append(script, Exchange(Concat({BindVector({0x10}), Row({Value({1, 8})}), Done(1)})));  // and runs for the rows
  Append(script, Exchange(EndOfCall()));  // the session commits the block
  Append(script, Exchange(Concat({RowHeader(), Row({Value(IntNumber(1)), TextValue("one")}),
                                  Row({Value(IntNumber(2)), TextValue("two")}),
                                  Status({2, 1403, "ORA-01403: no data found"})})));
  for (int i = 0; i < 3; ++i) Append(script, Exchange(EndOfCall()));  // both cursors close, the log-off
  TFakeServer fake({script});
  auto session = DirectSession(fake);
  auto query = std::make_unique<TOraQuery>();
  query->SetSession(session.get());
  query->SetSQL("begin open :C for select ID, NAME from T; end;");
  std::vector<std::string> names;
  int fields = 0;
  RunBounded(kBound, [&] {
    session->SetConnected(true);
    query->ParamByName("C")->SetDataType(classlib::ftCursor);
    query->ParamByName("C")->SetParamType(classlib::ptOutput);
    query->Open();
    fields = query->FieldCount();
    for (; !query->Eof(); query->Next()) names.push_back(query->FieldByName("NAME")->AsString());
    query->Close();
    query.reset();
    session->SetConnected(false);
  });
  EXPECT_EQ(fields, 2);
  EXPECT_EQ(names, (std::vector<std::string>{"one", "two"}));
  const auto describes = CallsOf(fake, 98);
  ASSERT_EQ(describes.size(), 1u);
  EXPECT_EQ(describes[0].cursor, 7u);
  EXPECT_TRUE(describes[0].sql.empty());
  const auto calls = CallsOf(fake, 71);
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[2].cursor, 8u) << "the rows come from the second cursor handed out";
  EXPECT_TRUE(fake.Failures().empty()) << fake.Failures().front();
}

}  // namespace
}  // namespace oranet::testing
