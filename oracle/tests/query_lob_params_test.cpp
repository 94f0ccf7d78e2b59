// LOB parameters of a statement as an application runs them: an output LOB
// read from the locator the server hands back at every execute and never
// written over it, an uncached one read only when used, a LOB of no
// direction refused before anything runs.
#include <memory>
#include <string>

#include "oracle/lob_ora_lob.h"
#include "oracle/query_ora_options.h"
#include "oracle/query_ora_sql.h"
#include "oracle/tests/query_fixture.h"
#include "oracle/tests/standin_fixture_values.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;

class LobParamTest : public OraQueryFixture {
 protected:
  static constexpr const char* kBlock = "begin select c into :c from docs where id = :id for update; end;";

  void SetUp() override {
    OraQueryFixture::SetUp();
    values_ = std::make_unique<StandinValues>(ORACLE_STANDIN_PATH);
  }
  void TearDown() override {
    values_.reset();
    OraQueryFixture::TearDown();
  }
  // The block hands back the locator of the row's CLOB, which holds `text`.
  void RowHolds(const std::string& text) { statements_->Script(kBlock, "rows=0 out:c=" + text); }

  std::unique_ptr<StandinValues> values_;
};

TEST_F(LobParamTest, OutputLobIsReadAtEveryExecuteAndNeverWrittenBack) {
  TOraSQL sql;
  sql.SetSession(session_component_.get());
  sql.SetSQL(kBlock);
  TOraParam* c = sql.Params().ParamByName("c");
  c->SetParamType(classlib::ptOutput);
  TOraLob* lob = c->AsOraClob();
  sql.Params().ParamByName("id")->SetAsInteger(1);
  RowHolds("first_row");
  sql.Execute();
  EXPECT_EQ(lob->GetAsString(), "first_row");

  // The second run hands back another row's CLOB: the value held from the
  // first row must not land in it.
  sql.Params().ParamByName("id")->SetAsInteger(2);
  RowHolds("second_row");
  standin_->ClearLog();
  sql.Execute();
  EXPECT_TRUE(Calls("OCILobWrite").empty() && Calls("OCILobTrim").empty()) << "nothing is written to the server";
  EXPECT_EQ(values_->LobContent(lob->GetOCILobLocator()), "second_row") << "the second row's CLOB is untouched";
  EXPECT_FALSE(Calls("OCILobRead2").empty()) << "read at the execute, with CacheLobs on";
  EXPECT_EQ(lob->GetAsString(), "second_row");
  EXPECT_FALSE(lob->Modified());
}

TEST_F(LobParamTest, UncachedOutputLobIsReadWhenUsed) {
  auto query = NewQuery(kBlock);
  query->Options().SetCacheLobs(false);
  TOraParam* c = query->Params().ParamByName("c");
  c->SetParamType(classlib::ptOutput);
  c->SetDataType(classlib::ftOraClob);
  query->Params().ParamByName("id")->SetAsInteger(1);
  RowHolds("kept_on_the_server");
  standin_->ClearLog();
  query->Execute();
  EXPECT_TRUE(Calls("OCILobRead2").empty()) << "nothing is read at the execute";
  TOraLob* lob = c->AsOraClob();
  EXPECT_FALSE(lob->Cached());
  EXPECT_EQ(lob->GetAsString(), "kept_on_the_server");
}

// A run that hands back a NULL LOB leaves the parameter NULL and its LOB
// empty, whatever the run before held, read or wrote, cached or not.
TEST_F(LobParamTest, NullHandedBackEmptiesTheLobAndMakesTheParameterNull) {
  struct Case {
    const char* name;
    classlib::TParamType type;
    bool cache_lobs, temporary_lob_update;
    const char* first;  // what the first run leaves in the LOB
  };
  const Case cases[] = {
      {"output", classlib::ptOutput, true, false, "first_row"},
      {"uncached output", classlib::ptOutput, false, false, "first_row"},
      {"in/out written after the run", classlib::ptInputOutput, true, false, "mine"},
      {"in/out through a temporary LOB", classlib::ptInputOutput, true, true, "first_row"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto query = NewQuery(kBlock);
    query->Options().SetCacheLobs(c.cache_lobs);
    query->Options().SetTemporaryLobUpdate(c.temporary_lob_update);
    TOraParam* param = query->Params().ParamByName("c");
    param->SetParamType(c.type);
    param->SetDataType(classlib::ftOraClob);
    if (c.type == classlib::ptInputOutput) param->AsOraClob()->SetAsString("mine");
    query->Params().ParamByName("id")->SetAsInteger(1);
    RowHolds("first_row");
    query->Execute();
    TOraLob* lob = param->AsOraClob();
    EXPECT_EQ(lob->GetAsString(), c.first);
    EXPECT_FALSE(param->IsNull());

    query->Params().ParamByName("id")->SetAsInteger(2);
    statements_->Script(kBlock, "rows=0 out:c=NULL");
    query->Execute();
    EXPECT_TRUE(param->IsNull()) << "the row's CLOB is NULL";
    EXPECT_EQ(param->AsString(), "");
    EXPECT_EQ(lob->GetAsString(), "") << "nothing of the first row is left";
    EXPECT_EQ(lob->GetSize(), 0);

    // The run after that reads its row again.
    query->Params().ParamByName("id")->SetAsInteger(3);
    RowHolds("third_row");
    if (c.type == classlib::ptInputOutput) lob->SetAsString("mine");
    query->Execute();
    EXPECT_FALSE(param->IsNull());
    EXPECT_EQ(lob->GetAsString(), c.first == std::string("mine") ? "mine" : "third_row");
  }
}

TEST_F(LobParamTest, LobOfNoDirectionIsRefusedBeforeTheStatementRuns) {
  TOraSQL sql;
  sql.SetSession(session_component_.get());
  sql.SetSQL("begin p(:c); end;");
  statements_->Script("begin p(:c); end;", "rows=0");
  sql.Params().ParamByName("c")->AsOraClob()->SetAsString("text");
  standin_->ClearLog();
  EXPECT_EQ(MessageOf([&] { sql.Execute(); }), "Lob parameter should be Input or Output");
  EXPECT_TRUE(Calls("OCIStmtExecute").empty());
}

}  // namespace
}  // namespace oracle::testing
