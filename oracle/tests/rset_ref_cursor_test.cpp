// A record set over a PL/SQL block that opens a REF CURSOR parameter: the
// block runs on the command's own cursor, the parameter's cursor is
// described and fetched, and closing goes back to the own cursor, so that
// opening again runs the block again on a new statement.
#include <string>

#include "dacore/driver_props.h"
#include "oracle/cursor_ora_cursor.h"
#include "oracle/param_ora_desc.h"
#include "oracle/tests/rset_fixture.h"
#include "oracle/value_data_types.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using ::testing::ElementsAre;

class RefCursorParamTest : public RecordSetTest {
 protected:
  static constexpr const char* kBlock = "begin open :c for select id, name from items; end;";
  static constexpr const char* kQuery = "select id, name from items";

  std::unique_ptr<TOCIRecordSet> NewBlockRecordSet() {
    fetch_->ScriptQuery(kQuery, "ID NUMBER(9); NAME VARCHAR2(10)");
    fetch_->GenerateRows(kQuery, 3);
    statements_->Script(kBlock, std::string("cursor:C=") + kQuery);
    auto record_set = NewRecordSet(kBlock, 2);
    TOraParamDesc& param = *record_set->Command().ParamAt(0);
    param.SetDataType(dtCursor);
    param.SetParamType(dacore::pdOutput);
    auto* cursor = new TOraCursor;
    param.SetObject(cursor);
    cursor->Release();
    cursor_ = cursor;
    return record_set;
  }
  // Statements executed since the log was cleared.
  int Executes() { return static_cast<int>(Calls("OCIStmtExecute").size()); }
  TOraCursor* cursor_ = nullptr;
};

TEST_F(RefCursorParamTest, BlockOpensTheCursorWhoseRowsAreFetched) {
  Connect();
  auto record_set = NewBlockRecordSet();
  standin_->ClearLog();
  record_set->Open();
  EXPECT_TRUE(record_set->IsFetching()) << "a block with a REF CURSOR returns rows";
  EXPECT_EQ(record_set->GetFieldCount(), 2);
  EXPECT_EQ(record_set->Command().GetCursor(), cursor_) << "the parameter's cursor is the one fetched";
  record_set->FetchAll();
  EXPECT_EQ(record_set->GetRecordCount(), 3);
  record_set->SetToBegin();
  record_set->GetNextRecord(nullptr);
  EXPECT_EQ(classlib::VarToStr(Value(*record_set, "NAME")), "name-0");
  // The block runs once to describe the cursor and once to open it for the
  // rows. The cursor is bound once, as a result set through its statement
  // cell: the second run finds a new statement there.
  EXPECT_EQ(Executes(), 2);
  EXPECT_THAT(Calls("OCIBindByName"), ElementsAre("OCIBindByName name=c type=116 size=0 mode=0"));
  EXPECT_EQ(Calls("OCIHandleAlloc type=4").size(), 3u) << "the block's own statement and one for each run";
  EXPECT_THAT(Calls("OCIStmtFetch"), ElementsAre("OCIStmtFetch rows=2 orient=2", "OCIStmtFetch rows=2 orient=2"));
}

TEST_F(RefCursorParamTest, CloseGoesBackToTheOwnCursorAndOpenRunsTheBlockAgain) {
  Connect();
  auto record_set = NewBlockRecordSet();
  record_set->Open();
  record_set->FetchAll();
  EXPECT_TRUE(record_set->CanReopen());
  record_set->Close();
  EXPECT_TRUE(record_set->Command().IsOwnCursor());
  EXPECT_FALSE(cursor_->HasStatement()) << "the opened statement went with the close";
  EXPECT_EQ(record_set->Command().GetCursorState(), dacore::csPrepared);
  standin_->ClearLog();
  record_set->Open();
  record_set->FetchAll();
  EXPECT_EQ(record_set->GetRecordCount(), 3);
  EXPECT_EQ(Executes(), 1) << "prepared and described: only the run that opens the cursor";
  // A reopen runs the block again: the cursor it opened cannot be read twice.
  record_set->Reopen();
  record_set->FetchAll();
  EXPECT_EQ(record_set->GetRecordCount(), 3);
  EXPECT_EQ(Executes(), 2);
  record_set->Close();
  record_set->UnPrepare();
  EXPECT_TRUE(record_set->Command().IsOwnCursor());
  EXPECT_EQ(record_set->Command().GetCursorState(), 0);
}

TEST_F(RefCursorParamTest, ACursorThatCannotBeDescribedLeavesTheOwnCursorCurrent) {
  Connect();
  auto record_set = NewBlockRecordSet();
  fetch_->ScriptQuery(kQuery, "ID NUMBER(9); ODD GEOMETRY");
  EXPECT_EQ(classlib::testing::MessageOf([&] { record_set->Open(); }), "Data type is not supported");
  EXPECT_TRUE(record_set->Command().IsOwnCursor());
  EXPECT_FALSE(cursor_->HasStatement());
}

}  // namespace
}  // namespace oracle::testing
