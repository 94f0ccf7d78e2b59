// The driver interfaces on the scripted driver: connection bookkeeping and
// the error loop, commands and parameters, table names, and record sets
// that execute and fetch on demand.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/exceptions.h"
#include "dacore/tests/driver_script_fixture.h"

namespace dacore {
namespace {

using classlib::Variant;
using testing::EScriptFatal;
using testing::ScriptAnswer;
using testing::TScriptConnection;
using testing::TScriptRecordSet;

// ---- Connection -------------------------------------------------------------

class ErrorLoopTest : public ::testing::Test {
 protected:
  void OnError(classlib::Exception&, bool& fail, bool& reconnect, bool& reexecute, int attempt,
               TConnLostCause& cause) {
    attempts.push_back(attempt);
    cause_seen = cause;
    reconnect = attempt < max_attempts;
    reexecute = want_reexecute;
    fail = !reexecute;
  }
  void OnSuccess() { ++successes; }
  void OnReconnectError() {
    connected_during_error = connection.Connected;
    ++reconnect_errors;
  }
  void Install() {
    connection.OnError = TCRConnection::TErrorProc(this, &ErrorLoopTest::OnError);
    connection.OnReconnectSuccess = TCRConnection::TNotifyProc(this, &ErrorLoopTest::OnSuccess);
    connection.OnReconnectError = TCRConnection::TNotifyProc(this, &ErrorLoopTest::OnReconnectError);
  }

  TScriptConnection connection;
  std::vector<int> attempts;
  TConnLostCause cause_seen = clUnknown;
  int max_attempts = 1, successes = 0, reconnect_errors = 0;
  bool want_reexecute = false, connected_during_error = false;
  EScriptFatal error{"connection lost"};
};

TEST_F(ErrorLoopTest, WithoutHandlerOnePassLeavesTheConnectionAlone) {
  connection.Connect("");
  bool fail = true;
  connection.DoError(error, fail);
  EXPECT_TRUE(fail);
  EXPECT_EQ(connection.connects, 1);
  EXPECT_EQ(connection.disconnects, 0);
}

TEST_F(ErrorLoopTest, ReconnectThenReexecuteRaisesFailOver) {
  Install();
  connection.Connect("");
  connection.ConnLostCause = clOpen;
  want_reexecute = true;
  bool fail = true;
  try {
    connection.DoError(error, fail);
    FAIL() << "no fail-over";
  } catch (const EFailOver& e) {
    EXPECT_EQ(e.ConnLostCause, clOpen);
  }
  EXPECT_EQ(attempts, (std::vector<int>{0}));
  EXPECT_EQ(cause_seen, clOpen);
  EXPECT_EQ(connection.disconnects, 1);
  EXPECT_EQ(connection.connects, 2);
  EXPECT_EQ(successes, 1);
  EXPECT_FALSE(connection.InProcessError);
}

TEST_F(ErrorLoopTest, FailedReconnectsRetryWhileTheHandlerSaysSo) {
  Install();
  connection.Connect("");
  connection.fail_connect = true;
  max_attempts = 3;
  bool fail = true;
  connection.DoError(error, fail);
  // Attempts 0, 1 and 2 reconnect and fail; attempt 3 gives up.
  EXPECT_EQ(attempts, (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(connection.connects, 4);
  EXPECT_EQ(connection.disconnects, 1) << "only the first attempt disconnects";
  EXPECT_EQ(reconnect_errors, 1);
  EXPECT_TRUE(connected_during_error);
  EXPECT_FALSE(connection.Connected);
  EXPECT_FALSE(connection.Reconnected);
  EXPECT_EQ(successes, 0);
}

TEST_F(ErrorLoopTest, ReconnectWithoutReexecuteReturns) {
  Install();
  connection.Connect("");
  bool fail = true;
  connection.DoError(error, fail);
  EXPECT_TRUE(connection.Reconnected);
  EXPECT_TRUE(connection.Connected);
  EXPECT_EQ(successes, 1);
}

class RecordingPool : public TCRConnectionPool {
 public:
  void PutConnection(TCRConnection* connection) override { returned.push_back(connection); }
  std::vector<TCRConnection*> returned;
};

TEST(DriverConnectionTest, PropertiesPoolAndConnectBookkeeping) {
  TScriptConnection connection;
  connection.IsValid = false;
  connection.Connect("");
  EXPECT_TRUE(connection.IsValid);
  EXPECT_TRUE(connection.GetConnected());
  EXPECT_TRUE(connection.SetProp(prAutoCommit, true));
  EXPECT_TRUE(connection.AutoCommit);
  EXPECT_TRUE(connection.SetProp(prDisconnectedMode, true));
  EXPECT_TRUE(connection.DisconnectedMode);
  connection.SetUsername("scott");
  Variant value;
  EXPECT_TRUE(connection.GetProp(prUsername, value));
  EXPECT_EQ(value.AsString(), "scott");
  EXPECT_THROW(connection.SetProp(77, 1), classlib::EAssertionFailed);
  EXPECT_THROW(connection.GetProp(prAutoCommit, value), classlib::EAssertionFailed);
  EXPECT_THROW(connection.ReturnToPool(), classlib::EAssertionFailed);
  RecordingPool pool;
  connection.Pool = &pool;
  connection.Component = &pool;
  connection.OnError = TCRConnection::TErrorProc::Function(
      [](classlib::Exception&, bool&, bool&, bool&, int, TConnLostCause&) {});
  connection.ReturnToPool();
  EXPECT_EQ(pool.returned, (std::vector<TCRConnection*>{&connection}));
  EXPECT_FALSE(connection.OnError);
  EXPECT_EQ(connection.Component, nullptr);
}

// ---- Parameters and commands ------------------------------------------------

TEST(DriverParamsTest, ValuesNullsAndObjects) {
  TParamDesc param;
  param.SetValue(Variant(5));
  EXPECT_FALSE(param.GetNull());
  param.SetValue(classlib::Null());
  EXPECT_TRUE(param.GetNull());
  param.SetValue(Variant());
  EXPECT_TRUE(param.GetNull());
  EXPECT_EQ(param.GetObject(), nullptr);
  param.SetValue(Variant("text"));
  EXPECT_THROW(param.GetObject(), classlib::EAssertionFailed);
  classlib::TObject object;
  param.SetObject(&object);
  EXPECT_EQ(param.GetObject(), &object);
  param.SetNull(true);
  EXPECT_TRUE(param.GetNull());
  EXPECT_TRUE(classlib::VarIsEmpty(param.GetValue()));
}

TEST(DriverCommandTest, ParametersAndProperties) {
  testing::TScriptCommand command;
  command.AddParam()->SetName("A");
  command.AddParam()->SetName("B");
  command.AddParam()->SetName("C");
  command.DeleteParam(1);
  ASSERT_EQ(command.GetParamCount(), 2);
  EXPECT_EQ(command.GetParam(1)->GetName(), "C");
  EXPECT_THROW(command.GetParam(2), classlib::EListError);
  EXPECT_TRUE(command.SetProp(prAutoCommit, true));
  EXPECT_TRUE(command.AutoCommit);
  EXPECT_TRUE(command.SetProp(prCommandProp32, 1));
  Variant value;
  EXPECT_TRUE(command.GetProp(prCommandProp11, value));
  EXPECT_FALSE(value.AsBoolean());
  EXPECT_THROW(command.SetProp(prFetchRows, 1), classlib::EAssertionFailed);
  command.Prepare();
  EXPECT_TRUE(command.GetPrepared());
  command.Unprepare();
  EXPECT_EQ(command.GetCursorState(), csIdle);
}

// ---- Table names ------------------------------------------------------------

TEST(DriverTableInfoTest, NamesAreNormalisedAndQuoted) {
  TCRTableInfo rules(nullptr);
  EXPECT_EQ(rules.NormalizeName("a.b", false), "a.b");
  EXPECT_EQ(rules.NormalizeName("a.my table", false), "a.\"my table\"");
  EXPECT_EQ(rules.NormalizeName("\"emp\"", false), "emp");
  EXPECT_EQ(rules.NormalizeName("emp", true), "\"emp\"");
  EXPECT_EQ(rules.NormalizeName("", true), "");
  EXPECT_FALSE(rules.IsQuoted("\""));
  EXPECT_EQ(rules.Quote("\"", '"', '"'), "\"\"\"");
  EXPECT_EQ(rules.UnQuote("\"x\""), "x");
  EXPECT_EQ(rules.QuoteTableName("t"), "\"t\"");
  EXPECT_TRUE(rules.QuotesNeeded("a-b"));
  EXPECT_FALSE(rules.QuotesNeeded("\"a_b1\""));
}

TEST(DriverTableInfoTest, ListFindsByNameAndAlias) {
  TCRTablesInfo tables(BaseTableInfoClass());
  tables.Add()->SetTableName("EMP");
  TCRTableInfo* dept = tables.Add();
  dept->SetTableName("DEPT");
  dept->SetTableAlias("d");
  EXPECT_EQ(tables.FindByName("dept"), 1);
  EXPECT_EQ(tables.FindByAlias("D"), 1);
  EXPECT_EQ(tables.FindByName("none"), -1);
  tables.BeginUpdate();
  tables.Add()->SetTableName("SAL");
  EXPECT_EQ(tables.FindByName("sal"), 2) << "searched in list order while updating";
  tables.EndUpdate();
  EXPECT_EQ(tables.FindByName("SAL"), 2);
  tables.NormalizeLookups = true;
  EXPECT_EQ(tables.FindByName("\"EMP\""), 0);
  try {
    tables.Items(3);
    FAIL();
  } catch (const classlib::Exception& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (3)");
  }
  tables.Clear();
  EXPECT_EQ(tables.FindByName("EMP"), -1);
}

// ---- Record sets ------------------------------------------------------------

class RecordSetTest : public ::testing::Test {
 protected:
  RecordSetTest() {
    record_set.SetConnection(&connection);
    connection.Connect("");
  }
  void ScriptRows(int count) {
    ScriptAnswer answer;
    answer.columns = {{"ID", dtInt32, 4}, {"NAME", dtHeapString, sizeof(void*), 20}};
    for (int i = 1; i <= count; ++i) answer.rows.push_back({Variant(i), Variant("row " + std::to_string(i))});
    connection.answers.push_back(answer);
  }
  // Reads the row in place: a copy would share its heap string.
  int CurrentId() {
    Variant v;
    record_set.GetFieldAsVariant(1, ItemRecord(record_set.CurrentItem()), v);
    return v.AsInteger();
  }

  TScriptConnection connection;
  TScriptRecordSet record_set;
};

TEST_F(RecordSetTest, RowsAreFetchedAsNavigationNeedsThem) {
  ScriptRows(7);
  record_set.SetProp(prFetchRows, 3);
  record_set.SetSQL("select id, name from t");
  record_set.Open();
  EXPECT_EQ(record_set.fetches, 1);
  EXPECT_EQ(record_set.GetRecordCount(), 3);
  std::vector<int> ids;
  record_set.SetToBegin();
  for (record_set.GetNextRecord(nullptr); !record_set.GetEOF(); record_set.GetNextRecord(nullptr))
    ids.push_back(CurrentId());
  EXPECT_EQ(ids, (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(record_set.GetRecordCount(), 7);
  EXPECT_TRUE(record_set.FetchDone());
  EXPECT_EQ(connection.calls.size(), 1u);
  EXPECT_EQ(connection.calls[0].sql, "select id, name from t");
  record_set.GetPriorRecord(nullptr);
  EXPECT_EQ(CurrentId(), 7);
  EXPECT_TRUE(record_set.IsCommandIdle());
}

TEST_F(RecordSetTest, FetchAllAndSortFieldsThroughProperties) {
  ScriptRows(10);
  record_set.SetProp(prFetchRows, 4);
  record_set.SetProp(prFetchAll, true);
  Variant value;
  record_set.GetProp(prFetchAll, value);
  EXPECT_TRUE(value.AsBoolean());
  record_set.Open();
  EXPECT_EQ(record_set.GetRecordCount(), 10);
  record_set.SetProp(prSortFields, "ID DESC");
  record_set.SetToBegin();
  record_set.GetNextRecord(nullptr);
  EXPECT_EQ(CurrentId(), 10);
  EXPECT_THROW(record_set.SetProp(99, 0), classlib::EAssertionFailed);
}

TEST_F(RecordSetTest, StatementsWithoutRowsAndBoundValues) {
  connection.answers.push_back(ScriptAnswer{{}, {}, 4});
  auto& command = record_set.Command();
  command.SetSQL("update t set a = :a");
  command.AddParam()->SetValue(Variant(42));
  record_set.Open();
  EXPECT_EQ(command.rows_affected, 4);
  EXPECT_EQ(record_set.fetches, 0);
  ASSERT_EQ(connection.calls.size(), 1u);
  EXPECT_EQ(connection.calls[0].params[0].AsInteger(), 42);
  record_set.Close();
  connection.fail_execute = true;
  EXPECT_THROW(record_set.Open(), EScriptFatal);
}

TEST_F(RecordSetTest, UniDirectionalCannotGoBack) {
  ScriptRows(2);
  record_set.UniDirectional = true;
  record_set.Open();
  record_set.GetNextRecord(nullptr);
  record_set.GetPriorRecord(nullptr);
  EXPECT_TRUE(record_set.GetBOF());
}

TEST_F(RecordSetTest, BeforeFetchHandlerCanStopFetching) {
  ScriptRows(9);
  record_set.SetProp(prFetchRows, 2);
  record_set.OnBeforeFetch = TCRRecordSet::TBeforeFetchProc::Function([&](bool& cancel) {
    cancel = record_set.GetRecordCount() >= 4;
  });
  record_set.Open();
  record_set.FetchAll();
  EXPECT_EQ(record_set.GetRecordCount(), 4);
  EXPECT_EQ(record_set.Command().GetCursorState(), csFetchingPaused);
}

}  // namespace
}  // namespace dacore
