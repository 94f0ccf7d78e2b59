// The session's own statement and the compilation errors of a stored unit:
// the unit a CREATE names, the question sent for it (not traced) and the
// server's answer.
#include <memory>
#include <string>
#include <vector>

#include "oracle/query_ora_sql.h"
#include "oracle/session_compile_errors.h"
#include "oracle/session_ora_session.h"
#include "oracle/tests/cmd_fixture.h"
#include "oracle/tests/query_sqlite_fixture.h"
#include "dacore/trace_monitor.h"
#include "oracle/trace_ora_sql_monitor.h"

namespace oracle::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::string UnitOf(const std::string& sql) {
  const auto unit = StoredUnitOf(sql);
  return unit ? unit->type + " " + unit->name : "(none)";
}

TEST(StoredUnit, TheKindAndNameOfWhatACreateMakes) {
  EXPECT_EQ(UnitOf("create or replace package body scott.\"Pkg\" as begin null; end;"), "PACKAGE BODY Pkg");
  EXPECT_EQ(UnitOf("CREATE FORCE VIEW v_emp AS SELECT 1 FROM dual"), "VIEW V_EMP");
  EXPECT_EQ(UnitOf("/* head */ Create -- note\n Or Replace type body t is end;"), "TYPE BODY T");
  EXPECT_EQ(UnitOf("create type t as object (a number)"), "TYPE T");
  EXPECT_EQ(UnitOf("create or replace trigger trg before insert on t begin null; end;"), "TRIGGER TRG");
  EXPECT_EQ(UnitOf("create function f return number is begin return 1; end;"), "FUNCTION F");
  EXPECT_EQ(UnitOf("create procedure p is begin null; end;"), "PROCEDURE P");
  for (const char* other : {"create table t (a number)", "select * from user_errors", "create or", "create or view v",
                            "create view", "drop procedure p", ""})
    EXPECT_EQ(UnitOf(other), "(none)") << other;
}

class CompileErrorsTest : public CommandTest {
 protected:
  std::unique_ptr<TOraSession> Session() {
    auto session = std::make_unique<TOraSession>();
    session->SetConnectString("scott/tiger@db1");
    session->SetConnected(true);
    return session;
  }
};

TEST_F(CompileErrorsTest, TheSessionsOwnStatementIsMadeOnceAndTakesItsDebugFlag) {
  auto session = Session();
  session->SetDebug(true);
  TOraSQL& own = session->GetOraSQL();
  EXPECT_EQ(&own, &session->GetOraSQL());
  EXPECT_EQ(own.Session(), session.get());
  EXPECT_TRUE(own.Debug());
  session->SetDebug(false);
  EXPECT_FALSE(own.Debug());
}

TEST_F(CompileErrorsTest, OnlyACreateOfAStoredUnitAsksTheServer) {
  auto session = Session();
  standin_->ClearLog();
  EXPECT_EQ(session->GetCompileErrors("create table t (a number)"), "");
  EXPECT_EQ(session->GetCompileErrors("begin null; end;"), "");
  EXPECT_TRUE(standin_->LogOf("OCIStmtExecute").empty());
}

// What a debug display of the monitor was shown.
std::vector<std::string>& Shown() {
  static std::vector<std::string> shown;
  return shown;
}

TEST_F(CompileErrorsTest, TheUnitsErrorsComeFromTheServerAndNoneIsSaid) {
  auto session = Session();
  TOraSQLMonitor monitor;
  Shown().clear();
  dacore::SetDebugDisplayProc([](classlib::TObject*, const std::string& sql, const dacore::TDAParams*,
                                 const std::string&) { Shown().push_back(sql); });
  session->SetDebug(true);

  // Unscripted, the server lists nothing.
  statements_->ClearReceived();
  EXPECT_EQ(session->GetCompileErrors("create or replace package body scott.\"Pkg\" as end;"), "No errors");
  EXPECT_THAT(statements_->Received(), ElementsAre("NAME[1]=Pkg", "TYPE[1]=PACKAGE BODY", "RESULT[1]=NULL"));
  EXPECT_TRUE(Shown().empty()) << "the session's own question is not shown";
  EXPECT_TRUE(session->GetOraSQL().Debug()) << "the flag comes back";

  // The server's list comes back as it is.
  statements_->Script(kCompileErrorsBlock, "out:Result=3/5~PLS-00103");
  EXPECT_EQ(session->GetCompileErrors("CREATE PROCEDURE p IS BEGIN x END;"), "3/5~PLS-00103");
  EXPECT_THAT(statements_->Received(), ::testing::Contains("NAME[1]=P"));

  // A statement of the application's on the same statement is shown.
  session->ExecSQL("begin null; end;");
  EXPECT_THAT(Shown(), ElementsAre("begin null; end;"));
  dacore::SetDebugDisplayProc(nullptr);
}

// On the SQLite tier a view is made on the file and asked about: the tier
// leaves the block to the scripted engine, which lists no errors.
TEST_F(SqliteTierTest, AViewMadeOnTheTierHasNoErrors) {
  TOraSession& session = Connect();
  const std::string view = "CREATE VIEW V_IDS AS SELECT ID FROM T";
  session.ExecSQL(view);
  EXPECT_EQ(session.GetCompileErrors(view), "No errors");
  auto query = NewQuery(session, "SELECT ID FROM V_IDS ORDER BY ID");
  EXPECT_EQ(Rows(*query), (std::vector<std::string>{"1", "2", "3"}));
}

}  // namespace
}  // namespace oracle::testing
