// The record set and command on a client as strict as the public call
// interface: values never kept cut, defines sized for what a column holds,
// warnings at a fetch taken as the rows they came with, no fetch after the
// end, defines before an execute that fetches, a forward cursor never
// scrolled.
#include "dacore/driver_props.h"
#include "oracle/cmd_oci_command.h"
#include "oracle/error_ora.h"
#include "oracle/tests/rset_fixture.h"

namespace oracle::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using namespace dacore;

class StrictFetchTest : public RecordSetTest {
 protected:
  // The values of one column of every row, read from the start.
  std::vector<std::string> Column(TOCIRecordSet& record_set, const std::string& field) {
    std::vector<std::string> values;
    record_set.SetToBegin();
    for (record_set.GetNextRecord(nullptr); !record_set.GetEOF(); record_set.GetNextRecord(nullptr))
      values.push_back(Value(record_set, field).AsString());
    return values;
  }
  // The code of the EOraError that opening and reading raise; 0 for none.
  int ErrorOfReading(TOCIRecordSet& record_set, const std::string& field, std::string& text) {
    try {
      record_set.Open();
      Column(record_set, field);
    } catch (const EOraError& e) {
      text = e.what();
      return e.ErrorCode();
    }
    return 0;
  }
};

TEST_F(StrictFetchTest, AValueCutToItsBufferIsNeverKept) {
  Connect();
  // Longer than the column says: the client cuts it and tells so.
  for (const char* type : {"VARCHAR2(5)", "VARCHAR2(40)", "RAW(2)"}) {
    const std::string sql = std::string("select s from t_") + type;
    fetch_->ScriptQuery(sql, std::string("S ") + type);
    fetch_->AddRows(sql, "0A0B\n0A0B0C0D0E0F0A0B0C0D0E0F0A0B0C0D0E0F0A0B0C0D0E0F0A0B0C0D0E0F0A0B");
    auto record_set = NewRecordSet(sql);
    std::string text;
    EXPECT_EQ(ErrorOfReading(*record_set, "S", text), 1406) << type;
    EXPECT_THAT(text, HasSubstr("ORA-01406")) << type;
    EXPECT_THAT(text, HasSubstr("(S)")) << "the column is named";
  }
}

TEST_F(StrictFetchTest, ANumberAsTextHasRoomForEveryValueOfItsColumn) {
  Connect();
  const std::string sql = "select small, wide, whole from n";
  fetch_->ScriptQuery(sql, "SMALL NUMBER(2,5); WIDE NUMBER(3,-2); WHOLE NUMBER(4)");
  fetch_->AddRows(sql, "-0.00012|-99900|-9999");
  auto record_set = NewRecordSet(sql);
  record_set->GetCommand()->SetProp(prNumberAsString, true);
  record_set->Open();
  record_set->GetNextRecord(nullptr);
  EXPECT_EQ(Value(*record_set, "SMALL").AsString(), "-0.00012");
  EXPECT_EQ(Value(*record_set, "WIDE").AsString(), "-99900");
  EXPECT_EQ(Value(*record_set, "WHOLE").AsString(), "-9999");
}

TEST_F(StrictFetchTest, AWarningAtAFetchComesWithItsRows) {
  Connect();
  const std::string sql = "select n from w";
  fetch_->ScriptQuery(sql, "N NUMBER(9)");
  fetch_->GenerateRows(sql, 3);
  standin_->InjectFault("OCIStmtFetch", 1, OCI_SUCCESS_WITH_INFO, 24347,
                        "ORA-24347: Warning of a NULL column in an aggregate function");
  auto forward = NewRecordSet(sql, 2);  // a full first block: the warning is its status
  forward->Open();
  EXPECT_THAT(Column(*forward, "N"), ElementsAre("0", "1", "2"));
  EXPECT_EQ(connection_->LastErrorCode, 24347) << "the warning is the connection's last";

  // One row a call on a scrollable cursor: the row of a call that warned is
  // the row it brought.
  standin_->InjectFault("OCIStmtFetch2", 1, OCI_SUCCESS_WITH_INFO, 24347,
                        "ORA-24347: Warning of a NULL column in an aggregate function");
  auto scrollable = NewRecordSet(sql);
  scrollable->GetCommand()->SetProp(prScrollableCursor, true);
  scrollable->Open();
  EXPECT_THAT(Column(*scrollable, "N"), ElementsAre("0", "1", "2"));
}

TEST_F(StrictFetchTest, NothingIsFetchedAfterTheEnd) {
  Connect();
  for (int rows : {60, 50}) {  // a last partial block, and an exact multiple
    const std::string sql = "select n from e" + std::to_string(rows);
    fetch_->ScriptQuery(sql, "N NUMBER(9)");
    fetch_->GenerateRows(sql, rows);
    auto record_set = NewRecordSet(sql, 25);
    record_set->Open();
    EXPECT_EQ(Column(*record_set, "N").size(), static_cast<size_t>(rows));
    const size_t fetches = Calls("OCIStmtFetch").size();
    // The client refuses a fetch past the end (ORA-01002): none is made.
    record_set->SetToEnd();
    record_set->FetchAll();
    record_set->SetToBegin();
    EXPECT_EQ(Column(*record_set, "N").size(), static_cast<size_t>(rows));
    EXPECT_EQ(Calls("OCIStmtFetch").size(), fetches) << rows;
  }
}

TEST_F(StrictFetchTest, AnExecuteThatFetchesComesAfterTheDefines) {
  Connect();
  const std::string sql = "select n from d";
  fetch_->ScriptQuery(sql, "N NUMBER(9)");
  fetch_->GenerateRows(sql, 3);
  auto record_set = NewRecordSet(sql);
  record_set->Prepare();  // described, bound, not executed
  standin_->ClearLog();
  ASSERT_TRUE(record_set->Fetch());
  std::vector<std::string> calls;
  for (const std::string& line : standin_->Log())
    if (line.rfind("OCIDefineByPos", 0) == 0 || line.rfind("OCIStmtExecute", 0) == 0) calls.push_back(line);
  EXPECT_THAT(calls, ElementsAre("OCIDefineByPos pos=1 type=3 size=4 mode=0",
                                 "OCIStmtExecute iters=25 offset=0 mode=0"))
      << "the first rows come with the execute, into the defines made before it";
  EXPECT_THAT(Column(*record_set, "N"), ElementsAre("0", "1", "2"));
}

TEST_F(StrictFetchTest, AForwardCursorIsOnlyFetchedForward) {
  Connect();
  const std::string sql = "select n from f";
  fetch_->ScriptQuery(sql, "N NUMBER(9)");
  fetch_->GenerateRows(sql, 40);
  auto record_set = NewRecordSet(sql, 10);
  record_set->Open();
  record_set->SetToEnd();
  record_set->GetPriorRecord(nullptr);
  record_set->SetToBegin();
  record_set->GetNextRecord(nullptr);
  EXPECT_EQ(Value(*record_set, "N").AsInteger(), 0);
  EXPECT_TRUE(Calls("OCIStmtFetch2").empty()) << "moving back is done on the rows held";
}

}  // namespace
}  // namespace oracle::testing
