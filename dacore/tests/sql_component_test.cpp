// The statement component without a server: parameter markers on the
// generic lexer (where the double quote also encloses a parameter's name),
// the rename form used for batch rows, the final text, the use of the
// connection with a driver that does not report executions, and the update
// object's statement objects, its data set and applying.
#include "dacore/sql_component.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dacore/comp_connection.h"
#include "dacore/sql_update.h"
#include "dacore/tests/driver_script_fixture.h"

namespace dacore {
namespace {

TEST(DASQL, MarkersOnTheGenericLexer) {
  TCustomDASQL sql(nullptr);
  sql.SetSQL("SELECT * FROM T WHERE A = :A AND B = :\"My Name\" AND C = :@X AND D = ':no' AND E := 1");
  ASSERT_EQ(sql.ParamCount(), 3);
  EXPECT_EQ(sql.Params().Items(0)->Name(), "A");
  EXPECT_EQ(sql.Params().Items(1)->Name(), "My Name");
  EXPECT_EQ(sql.Params().Items(2)->Name(), "@X");

  TDAParams found;
  EXPECT_EQ(sql.ParseSQLParams("A = :A AND B = :B::INT", &found, ""), "A = ? AND B = ?::INT");
  EXPECT_EQ(found.Count(), 2);
  EXPECT_EQ(sql.ParseSQLParams("A = :A AND B = :\"B\"", nullptr, "P_3_"), "A = :P_3_A AND B = :P_3_B");
  EXPECT_EQ(sql.ParseSQLParams("A = :A", nullptr, ""), "A = :A");
  EXPECT_EQ(sql.ParseSQLParams("ends with :", nullptr, ""), "ends with :");
}

TEST(DASQL, FinalTextDropsTrailingBlanksAndExpandsMacros) {
  TCustomDASQL sql(nullptr);
  sql.SetSQL("SELECT &F FROM T \t\r\n\r\n");
  sql.Macros().MacroByName("F")->SetValue("ID");
  EXPECT_EQ(sql.FinalSQL(), "SELECT ID FROM T");
  EXPECT_THROW(sql.Execute(), classlib::EDatabaseError);  // "Connection is not defined"
}

// A data set that records what its update object asks of it.
class RecordingDataSet : public classlib::TComponent, public IDAUpdateDataSet {
 public:
  RecordingDataSet() : TComponent(nullptr) {}
  classlib::TComponent* UpdateDataSetComponent() override { return this; }
  bool PerformSQL(const std::string& sql, TStatementTypes types) override {
    performed.push_back(sql);
    last_types = types;
    return true;
  }
  void ReleaseUpdateObject(TCustomDAUpdateSQL*) override { ++released; }
  std::vector<std::string> performed;
  TStatementTypes last_types;
  int released = 0;
};

// Known by the class name the update object accepts.
class NamedDataSet : public RecordingDataSet {
  CLASSLIB_CLASS(TCustomDADataSet, classlib::TComponent)
};

TEST(DAUpdateSQL, StatementObjectsMustRunStatementsAndNotBeTheOwnDataSet) {
  TCustomDAUpdateSQL update(nullptr);
  NamedDataSet data_set;
  update.SetDataSet(&data_set);
  classlib::TComponent plain(nullptr);
  try {
    update.SetStatementObject(stInsert, &plain);
    FAIL() << "accepted";
  } catch (const classlib::Exception& e) {
    EXPECT_STREQ(e.what(), "Only TCustomDADataSet and TCustomDASQL objects are allowed in update properties");
  }
  EXPECT_THROW(update.SetStatementObject(stUpdate, &data_set), classlib::Exception);
  TCustomDASQL statement(nullptr);
  update.SetStatementObject(stDelete, &statement);
  EXPECT_EQ(update.DeleteObject(), &statement);
  {
    NamedDataSet other;
    update.SetStatementObject(stRefresh, &other);
    EXPECT_EQ(update.RefreshObject(), &other);
  }
  EXPECT_EQ(update.RefreshObject(), nullptr);  // dropped when it went away
}

TEST(DAUpdateSQL, ApplyRunsTheKindsTextThroughTheDataSetAndASecondDataSetTakesItOver) {
  TCustomDAUpdateSQL update(nullptr);
  RecordingDataSet first, second;
  update.SetDataSet(&first);
  update.ModifySQL().SetText("UPDATE T SET A = :A WHERE ID = :OLD_ID");
  update.Apply(classlib::ukModify);
  ASSERT_EQ(first.performed.size(), 1u);
  EXPECT_EQ(first.performed[0], "UPDATE T SET A = :A WHERE ID = :OLD_ID\r\n");
  EXPECT_TRUE(first.last_types.Contains(stUpdate));
  update.SetDataSet(&second);
  EXPECT_EQ(first.released, 1);
  update.Apply(classlib::ukDelete);
  EXPECT_EQ(first.performed.size(), 1u);
  ASSERT_EQ(second.performed.size(), 1u);
  EXPECT_TRUE(second.last_types.Contains(stDelete));
}

}  // namespace
}  // namespace dacore

namespace dacore {
namespace {

// A connection whose driver command never reports its executions.
class ScriptSession : public TCustomDAConnection {
 public:
  using TCustomDAConnection::TCustomDAConnection;
  ~ScriptSession() override { DestroyConnection(); }
  std::unique_ptr<TCRCommand> CreateICommand() override { return std::make_unique<testing::TScriptCommand>(); }
  testing::TScriptConnection& Script() { return *static_cast<testing::TScriptConnection*>(IConnection()); }

 protected:
  TConnectDialogClass ConnectDialogClass() const override { return {}; }
  void CreateIConnection() override {
    if (!IConnection()) SetIConnection(new testing::TScriptConnection());
  }
};

TEST(DASQL, WithADriverThatDoesNotReportTheStatementEndsItsOwnUse) {
  ScriptSession session(nullptr);
  session.Options().SetDisconnectedMode(true);
  auto sql = session.CreateSQL();
  sql->SetAutoCommit(true);
  sql->SetSQL("UPDATE T SET A = :A");
  sql->ParamByName("A")->SetAsInteger(3);
  int reports = 0;
  sql->AfterExecute = TAfterExecuteEvent::Function([&](classlib::TObject*, bool ok) { reports += ok ? 1 : 100; });
  sql->Execute();
  EXPECT_EQ(reports, 1);
  EXPECT_FALSE(session.Connected());  // the use ended, so disconnected mode closed it
  ASSERT_EQ(session.ConnectCount(), 0);

  ASSERT_EQ(session.Script().calls.size(), 1u);
  EXPECT_EQ(session.Script().calls[0].sql, "UPDATE T SET A = ?");
  EXPECT_EQ(session.Script().calls[0].params[0].AsInteger(), 3);
  session.SetConnected(true);
  session.Script().fail_execute = true;
  EXPECT_THROW(sql->Execute(), testing::EScriptFatal);
  EXPECT_EQ(reports, 101);
  EXPECT_EQ(session.ConnectCount(), 1);
}

}  // namespace
}  // namespace dacore
