// Commands on the stand-in: the text and parameters a statement gets, the
// statement type, prepare and release, error offsets, properties.
#include "oracle/cmd_oci_command.h"

#include "dacore/driver_props.h"
#include "oracle/cursor_ora_cursor.h"
#include "oracle/error_ora.h"
#include "oracle/param_ora_desc.h"
#include "oracle/tests/cmd_fixture.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::Variant;
using classlib::testing::MessageOf;
using ::testing::ElementsAre;

// The texts the server ran, joined again at their line breaks.
std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
  return text;
}

std::vector<std::string> ParamNames(TOCICommand& command) {
  std::vector<std::string> names;
  for (int i = 0; i < command.GetParamCount(); ++i)
    names.push_back(command.ParamAt(i)->IsQuoted ? "\"" + command.ParamAt(i)->GetName() + "\""
                                                 : command.ParamAt(i)->GetName());
  return names;
}

TEST_F(CommandTest, PreparedTextAndParametersOfAMixedStatement) {
  Connect();
  const std::string sql =
      "insert into t (a, b, c)\r\n"
      "values (:a, 'x\r\n:x', :\"MiXed\") -- :comment\r\n"
      "returning d into :1";
  auto command = NewCommand(sql);
  EXPECT_THAT(ParamNames(*command), ElementsAre("a", "\"MiXed\"", "1"));
  command->ParamAt(0)->SetDataType(dacore::dtInt32);
  command->ParamAt(0)->SetValue(Variant(1));
  command->ParamAt(1)->SetDataType(dacore::dtString);
  command->ParamAt(1)->SetValue(Variant("v"));
  command->ParamAt(2)->SetDataType(dacore::dtInt32);
  command->ParamAt(2)->SetParamType(dacore::pdOutput);
  command->Execute(1);
  // Line ends outside the literal are LF, the literal keeps its CR LF, one blank ends the text.
  EXPECT_EQ(JoinLines(session_->Executed()), "insert into t (a, b, c)\nvalues (:a, 'x\r\n:x', :\"MiXed\") -- :comment\n"
                            "returning d into :1 ");
  EXPECT_EQ(statements_->Received(), (std::vector<std::string>{"A[1]=1", "MiXed[1]=v", "1[1]=NULL"}))
      << "the quoted name matched exactly, the others without regard to case";
  EXPECT_THAT(Calls("OCIBindByName"),
              ElementsAre("OCIBindByName name=a type=3 size=4 mode=0",
                          "OCIBindByName name=\"MiXed\" type=5 size=2 mode=0",
                          "OCIBindByName name=1 type=3 size=4 mode=0"));
  auto ddl = NewCommand("CREATE PROCEDURE p(a number) AS BEGIN x := :a; END;");
  EXPECT_EQ(ddl->GetParamCount(), 0);
}

TEST_F(CommandTest, PreparedTextReachesTheServerWithLfLineEnds) {
  Connect();
  auto command = NewCommand("update t set a = 'p\r\nq'\r\nwhere b = 1");
  command->Execute(1);
  EXPECT_EQ(JoinLines(session_->Executed()), "update t set a = 'p\r\nq'\nwhere b = 1 ");
}

TEST_F(CommandTest, StatementTypesAndPrepareState) {
  Connect();
  struct Case {
    const char* sql;
    uint16_t type;
  } cases[] = {{"select * from dual", SQL_SELECT}, {"insert into t values (1)", SQL_INSERT},
               {"UPDATE t SET a = 1", SQL_UPDATE},  {"delete from t", SQL_DELETE},
               {"begin null; end;", SQL_PLSQL},     {"declare x int; begin null; end;", SQL_PLSQL},
               {"alter session set x = 'y'", SQL_UNKNOWN}};
  for (const Case& c : cases) {
    auto command = NewCommand(c.sql);
    command->Prepare();
    EXPECT_TRUE(command->GetPrepared());
    EXPECT_EQ(command->GetSQLType(), c.type) << c.sql;
    command->Unprepare();
    EXPECT_FALSE(command->GetPrepared());
  }
  EXPECT_EQ(standin_->LiveHandles(), standin_->LiveHandles());
}

TEST_F(CommandTest, ExecuteKeepsThePreparedStateItFound) {
  Connect();
  const int handles = standin_->LiveHandles();
  auto once = NewCommand("insert into t values (1)");
  once->Execute(1);
  EXPECT_FALSE(once->GetPrepared()) << "prepared only for the run";
  EXPECT_EQ(standin_->LiveHandles(), handles) << "its statement was freed again";
  auto kept = NewCommand("insert into t values (2)");
  kept->Prepare();
  kept->Execute(1);
  EXPECT_TRUE(kept->GetPrepared());
  Variant rows;
  ASSERT_TRUE(kept->GetProp(dacore::prRowsProcessed, rows));
  EXPECT_EQ(rows.AsInteger(), 1);
}

TEST_F(CommandTest, SessionChecksAndServerErrorsWithOffset) {
  auto command = std::make_unique<TOCICommand>();
  command->SetSQL("select 1 from dual");
  EXPECT_EQ(MessageOf([&] { command->Prepare(); }), "Session is not defined");
  connection_ = NewConnection();
  command->SetConnection(connection_.get());
  EXPECT_EQ(MessageOf([&] { command->Prepare(); }), "Session is not connected");
  EXPECT_EQ(MessageOf([&] { command->CheckActive(); }), "Cursor must be opened");
  connection_->Connect("");
  statements_->Script("insert into\n nothing", "error=942 text=ORA-00942: table or view does not exist");
  auto failing = NewCommand("insert into\r\n nothing");
  try {
    failing->Execute(1);
    ADD_FAILURE() << "no error";
  } catch (const EOraError& e) {
    EXPECT_EQ(e.ErrorCode(), 942);
  }
  EXPECT_FALSE(failing->GetPrepared()) << "released after the failed run";
}

TEST_F(CommandTest, ScrollableSelectAndExplainWithoutBinds) {
  Connect();
  standin_->ScriptSelect("select a from t where b = :b", "A");
  auto select = NewCommand("select a from t where b = :b");
  select->ParamAt(0)->SetValue(Variant(5));
  select->SetProp(prScrollableCursor, Variant(true));
  select->Execute(1);
  EXPECT_THAT(Calls("OCIStmtExecute"), ElementsAre("OCIStmtExecute iters=0 offset=0 mode=8"));
  standin_->ClearLog();
  auto explain = NewCommand("explain plan for select a from t where b = :b");
  explain->Prepare();
  explain->SetSQLType(SQL_EXPLAIN);
  explain->Execute(1);
  EXPECT_TRUE(Calls("OCIBindByName").empty());
}

TEST_F(CommandTest, QuotedNamesBindExactlyAndScriptedColumnsAnswer) {
  Connect();
  auto command = NewCommand("update t set a = :\"MiXed\"");
  command->SetProp(prParamCheck, Variant(false));
  command->Params().Clear();
  auto* param = static_cast<TOraParamDesc*>(command->AddParam());
  param->SetName("MIXED");
  param->IsQuoted = true;
  param->SetValue(Variant(1));
  try {
    command->Execute(1);
    ADD_FAILURE() << "a quoted name of another case was bound";
  } catch (const EOraError& e) {
    EXPECT_EQ(e.ErrorCode(), 1036);
  }
  statements_->Script("select a, b from t", "columns=A,B");
  auto select = NewCommand("select a, b from t");
  EXPECT_NO_THROW(select->Execute(1)) << "the scripted select list answers";
  EXPECT_EQ(select->GetSQLType(), SQL_SELECT);
}

TEST_F(CommandTest, StatementCacheUsesTheCachedStatement) {
  connection_ = NewConnection();
  connection_->SetProp(prStatementCache, Variant(true));
  connection_->Connect("");
  standin_->ClearLog();
  auto command = NewCommand("insert into t values (1)");
  command->SetProp(prCommandStatementCache, Variant(true));
  command->Prepare();
  command->Execute(1);
  command->Unprepare();
  EXPECT_TRUE(InOrder(Calls(), {"OCIStmtPrepare2 language=1 mode=0", "OCIStmtExecute iters=1 offset=0 mode=32",
                                "OCIStmtRelease mode=0"}));
  EXPECT_TRUE(Calls("OCIStmtPrepare").empty());
}

}  // namespace
}  // namespace oracle::testing
