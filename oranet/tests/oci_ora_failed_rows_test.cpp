// Calls that fail part-way in direct mode: a fetch reply whose rows are
// followed by an error shows the query those rows before the error, which
// ends the walk at the step past them, and an
// array INSERT that fails on its second row reports the one row processed.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "classlib/field.h"
#include "classlib/fields.h"
#include "oracle/query_ora_dataset.h"
#include "oranet/tests/fake_server_direct.h"
#include "oranet/tests/fake_server_logon.h"
#include "oranet/tests/fake_server_session.h"

namespace oranet::testing {
namespace {

using namespace oracle;

class OraFailedRowsDirectTest : public OraDirectTest {};

TEST_F(OraFailedRowsDirectTest, RowsBeforeAnErrorInAFetchReplyReachTheQuery) {
  TFakeScript script = LogonThen(StatusMessage(0), {});
  for (const TBytes& answer :
       {DescribeReply({{2, 22, 9, 0, false, "ID"}, {1, 20, 0, 0, true, "NAME"}}), CursorOpened(5),
        Status({0, 0, "", 5, 0, 3}),
        Concat({RowHeader(), Row({Value(IntNumber(1)), TextValue("one")}), Row({Value(IntNumber(2)), TextValue("two")}),
                Done(2)}),
        Concat({RowHeader(), Row({Value(IntNumber(3)), TextValue("three")}),
                Status({3, 1722, "ORA-01722: invalid number"})}),
        EndOfCall(), EndOfCall()})  // the cursor's close, the log-off
    Append(script, Exchange(answer));
  TFakeServer fake({script});
  auto session = DirectSession(fake);
  auto query = std::make_unique<TOraQuery>();
  query->SetSession(session.get());
  query->SetSQL("SELECT ID, NAME FROM T");
  query->SetFetchRows(2);
  std::vector<std::string> names;
  int recordCount = 0;
  bool eofAtError = false;
  std::string last;
  RunBounded(kBound, [&] { session->SetConnected(true); });
  const auto error = OraErrorOf([&] {
    query->Open();
    for (; !query->Eof(); query->Next()) names.push_back(query->FieldByName("NAME")->AsString());
  });
  RunBounded(kBound, [&] {
    eofAtError = query->Eof();
    query->Next();  // the walk stays ended, and the failure is not raised again
    query->Last();
    last = query->FieldByName("NAME")->AsString();
    recordCount = query->RecordCount();
    query->Close();
    session->SetConnected(false);
  });
  fake.Join();
  EXPECT_TRUE(fake.Failures().empty()) << fake.Failures().front();
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(error->ErrorCode(), 1722);
  EXPECT_EQ(names, (std::vector<std::string>{"one", "two", "three"}))
      << "the row that came with the error is shown before it";
  EXPECT_TRUE(eofAtError) << "the failure ends the walk";
  EXPECT_EQ(last, "three");
  EXPECT_EQ(recordCount, 3);
}

// The first fetch's reply brings two rows and the error: both are shown.
TEST_F(OraFailedRowsDirectTest, RowsOfTheFirstFetchReplyWithAnErrorAreShown) {
  TFakeScript script = LogonThen(StatusMessage(0), {});
  for (const TBytes& answer :
       {DescribeReply({{2, 22, 9, 0, false, "ID"}, {1, 20, 0, 0, true, "NAME"}}), CursorOpened(5),
        Status({0, 0, "", 5, 0, 3}),
        Concat({RowHeader(), Row({Value(IntNumber(1)), TextValue("one")}), Row({Value(IntNumber(2)), TextValue("two")}),
                Status({2, 1722, "ORA-01722: invalid number"})}),
        EndOfCall(), EndOfCall()})  // the cursor's close, the log-off
    Append(script, Exchange(answer));
  TFakeServer fake({script});
  auto session = DirectSession(fake);
  auto query = std::make_unique<TOraQuery>();
  query->SetSession(session.get());
  query->SetSQL("SELECT ID, NAME FROM T");
  query->SetFetchRows(5);
  std::vector<std::string> names;
  bool eofAtError = false;
  RunBounded(kBound, [&] { session->SetConnected(true); });
  const auto error = OraErrorOf([&] {
    query->Open();
    for (; !query->Eof(); query->Next()) names.push_back(query->FieldByName("NAME")->AsString());
  });
  RunBounded(kBound, [&] {
    eofAtError = query->Eof();
    query->Close();
    session->SetConnected(false);
  });
  fake.Join();
  EXPECT_TRUE(fake.Failures().empty()) << fake.Failures().front();
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(error->ErrorCode(), 1722);
  EXPECT_EQ(names, (std::vector<std::string>{"one", "two"}));
  EXPECT_TRUE(eofAtError);
}

TEST_F(OraFailedRowsDirectTest, ArrayInsertFailingOnItsSecondRowReportsOneRowProcessed) {
  TFakeScript script = LogonThen(StatusMessage(0), {});
  for (const TBytes& answer : {CursorOpened(5), Status({1, 1, "ORA-00001: unique constraint (SCOTT.PK_T) violated"}),
                               EndOfCall(), EndOfCall()})  // the cursor's close, the log-off
    Append(script, Exchange(answer));
  TFakeServer fake({script});
  auto session = DirectSession(fake);
  TOraSQL insert;
  insert.SetSession(session.get());
  insert.SetSQL("INSERT INTO T (ID) VALUES (:ID)");
  auto& id = static_cast<TOraParam&>(*insert.ParamByName("ID"));
  id.SetDataType(classlib::ftInteger);
  id.SetLength(3);
  for (int i = 1; i <= 3; ++i) id.SetItemValue(i, classlib::Variant(10 + i));
  RunBounded(kBound, [&] { session->SetConnected(true); });
  const auto error = OraErrorOf([&] { insert.Execute(3); });
  int rowsAffected = -1;
  RunBounded(kBound, [&] {
    rowsAffected = insert.RowsAffected();
    session->SetConnected(false);
  });
  fake.Join();
  EXPECT_TRUE(fake.Failures().empty()) << fake.Failures().front();
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(error->ErrorCode(), 1);
  EXPECT_EQ(rowsAffected, 1) << "the first row went in; the second failed";
  size_t rowsSent = 0;
  for (const TCheckedCall& call : fake.Calls())
    if (call.function == 71) rowsSent += call.rows.size();
  EXPECT_EQ(rowsSent, 3u) << "the three rows went out in one call";
}

}  // namespace
}  // namespace oranet::testing
