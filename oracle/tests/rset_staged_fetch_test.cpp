// Small blocks of plain rows pass through a staging block defined once:
// every row of every block reaches its own item with its values and nulls,
// a short last block included, and the columns are defined anew whenever
// the staging block or the statement's execution changed.
#include <string>
#include <vector>

#include "classlib/unaligned.h"
#include "dacore/driver_props.h"
#include "dacore/heap_string.h"
#include "oracle/error_ora.h"
#include "oracle/tests/rset_fixture.h"

namespace oracle::testing {
namespace {

using namespace dacore;

// The heap text a row's slot holds; nil for a null.
const char* HeapText(TOCIRecordSet& record_set, const std::string& field) {
  const auto* record = static_cast<const uint8_t*>(ItemRecord(record_set.CurrentItem()));
  return static_cast<const char*>(classlib::LoadUnaligned<void*>(record + record_set.FieldByName(field)->Offset()));
}

constexpr const char* kSql = "select id, name, d, r from staged";
// The same rows with a name long enough to be a heap text without flat buffers.
constexpr const char* kHeapSql = "select id, name, d, r from staged_heap";

class StagedFetchTest : public RecordSetTest {
 protected:
  // Eight rows of a NUMBER, a text, a DATE and a RAW; rows 2 and 6 hold
  // nulls, so that nulls fall in several blocks and at a block's start.
  void ScriptRows(const char* sql = kSql, const std::string& name_type = "VARCHAR2(20)") {
    fetch_->ScriptQuery(sql, "ID NUMBER(9); NAME " + name_type + "; D DATE; R RAW(4)");
    fetch_->AddRows(sql,
                    "0|zero|2020-01-01 00:00:00|00\n"
                    "1|one|2020-01-02 01:00:00|0101\n"
                    "2|<null>|<null>|<null>\n"
                    "3|three|2020-01-04 03:00:00|030303\n"
                    "4|four|2020-01-05 04:00:00|04040404\n"
                    "5|five|2020-01-06 05:00:00|05\n"
                    "<null>|six|2020-01-07 06:00:00|<null>\n"
                    "7|seven|2020-01-08 07:00:00|0707");
  }
  // Every row as "id|name|day|raw length", nulls as "-".
  std::vector<std::string> Rows(TOCIRecordSet& record_set) {
    std::vector<std::string> rows;
    record_set.SetToBegin();
    for (record_set.GetNextRecord(nullptr); !record_set.GetEOF(); record_set.GetNextRecord(nullptr)) {
      std::string row;
      for (const char* field : {"ID", "NAME", "D", "R"}) {
        const classlib::Variant value = Value(record_set, field);
        std::string text = "-";
        if (!classlib::VarIsNull(value))
          text = std::string(field) == "D" ? std::to_string(static_cast<int>(value.AsDouble()))
                 : std::string(field) == "R" ? std::to_string(classlib::VarArrayHighBound(value, 1) -
                                                            classlib::VarArrayLowBound(value, 1) + 1)
                                             : value.AsString();
        row += (row.empty() ? "" : "|") + text;
      }
      rows.push_back(row);
    }
    return rows;
  }
  std::vector<std::string> Expected() const {
    return {"0|zero|43831|1",  "1|one|43832|2",   "2|-|-|-",         "3|three|43834|3",
            "4|four|43835|4", "5|five|43836|1", "-|six|43837|-", "7|seven|43838|2"};
  }
};

TEST_F(StagedFetchTest, RowsOfManyBlocksKeepTheirValuesAndNulls) {
  Connect();
  ScriptRows();
  auto record_set = NewRecordSet(kSql, 3);
  record_set->SetProp(prFetchAll, true);
  record_set->Open();
  EXPECT_EQ(Rows(*record_set), Expected()) << "blocks of 3, 3 and a short one of 2";
  EXPECT_EQ(Calls("OCIStmtFetch").size(), 3u);
  EXPECT_EQ(Calls("OCIDefineByPos").size(), 4u) << "the columns are defined once for every block";
  EXPECT_EQ(record_set->GetRecordCount(), 8);
}

TEST_F(StagedFetchTest, RowsFetchedOnDemandStayWhileLaterBlocksArrive) {
  Connect();
  ScriptRows();
  auto record_set = NewRecordSet(kSql, 2);
  record_set->Open();
  EXPECT_EQ(record_set->GetRecordCount(), 2);
  // Each block is fetched as the walk reaches it; the earlier rows are
  // still their own, not the staging block's latest.
  EXPECT_EQ(Rows(*record_set), Expected());
  EXPECT_EQ(Rows(*record_set), Expected()) << "read again once every block is in";
}

// With heap texts (no flat buffers) each row's text is its own heap buffer:
// a null in a staging slot that held the last block's text stays a null,
// and every text has one reference, its row's.
TEST_F(StagedFetchTest, HeapTextsGoWithTheirRows) {
  Connect();
  ScriptRows(kHeapSql, "VARCHAR2(40)");
  for (const int fetch_rows : {2, 3}) {
    auto record_set = NewRecordSet(kHeapSql, fetch_rows);
    record_set->SetProp(prFlatBuffers, false);
    record_set->Open();
    ASSERT_EQ(record_set->FieldByName("NAME")->DataType(), dtHeapString) << "the premise: heap texts";
    EXPECT_EQ(Rows(*record_set), Expected()) << "blocks of " << fetch_rows;
    EXPECT_EQ(Calls("OCIDefineByPos").size(), 4u) << "staged: defined once";
    record_set->SetToBegin();
    for (record_set->GetNextRecord(nullptr); !record_set->GetEOF(); record_set->GetNextRecord(nullptr)) {
      if (const char* text = HeapText(*record_set, "NAME")) {
        EXPECT_EQ(TStringHeap::RefCount(text), 1);
      }
    }
    record_set->Close();
    standin_->ClearLog();
  }
}

// A block that fails frees the texts it made and none of the rows before it.
TEST_F(StagedFetchTest, AFailedBlockLeavesTheEarlierTextsAlone) {
  Connect();
  ScriptRows(kHeapSql, "VARCHAR2(40)");
  auto record_set = NewRecordSet(kHeapSql, 3);
  record_set->SetProp(prFlatBuffers, false);
  record_set->Open();
  ASSERT_EQ(record_set->GetRecordCount(), 3);
  standin_->InjectFault("OCIStmtFetch", 1, OCI_ERROR, 3113, "ORA-03113: end-of-file on communication channel");
  int rows = 0;
  try {
    record_set->SetToBegin();
    for (record_set->GetNextRecord(nullptr); !record_set->GetEOF(); record_set->GetNextRecord(nullptr)) ++rows;
    ADD_FAILURE() << "the failed fetch was lost";
  } catch (const EOraError& e) {
    EXPECT_EQ(e.ErrorCode(), 3113);
  }
  EXPECT_EQ(rows, 3);
  // The rows of the first block, the third with a null text.
  std::vector<std::string> names;
  record_set->SetToBegin();
  for (int i = 0; i < 3; ++i) {
    record_set->GetNextRecord(nullptr);
    const char* text = HeapText(*record_set, "NAME");
    if (text) {
      EXPECT_EQ(TStringHeap::RefCount(text), 1) << "row " << i;
    }
    names.push_back(text ? text : "<null>");
  }
  EXPECT_EQ(names, (std::vector<std::string>{"zero", "one", "<null>"}));
}

TEST_F(StagedFetchTest, ReopeningOrAnotherBlockSizeDefinesAgain) {
  Connect();
  ScriptRows();
  auto record_set = NewRecordSet(kSql, 3);
  record_set->SetProp(prFetchAll, true);
  record_set->Open();
  ASSERT_EQ(Rows(*record_set), Expected());
  record_set->Close();
  standin_->ClearLog();
  record_set->Open();
  EXPECT_EQ(Rows(*record_set), Expected()) << "the same staging block after a new execute";
  EXPECT_EQ(Calls("OCIDefineByPos").size(), 4u);

  record_set->Close();
  record_set->SetProp(prFetchRows, 5);
  standin_->ClearLog();
  record_set->Open();
  EXPECT_EQ(Rows(*record_set), Expected()) << "a staging block of another size";
  EXPECT_EQ(Calls("OCIDefineByPos").size(), 4u);
}

TEST_F(StagedFetchTest, LargeBlocksAreStillFetchedIntoTheirItems) {
  Connect();
  fetch_->ScriptQuery("select n from many", "N NUMBER(9)");
  fetch_->GenerateRows("select n from many", 700);
  auto record_set = NewRecordSet("select n from many", 300);
  record_set->SetProp(prFetchAll, true);
  record_set->Open();
  EXPECT_EQ(record_set->GetRecordCount(), 700);
  EXPECT_EQ(Calls("OCIDefineArrayOfStruct").size(), 3u) << "each block of 300 defined where it goes";
  record_set->SetToEnd();
  record_set->GetPriorRecord(nullptr);
  EXPECT_EQ(Value(*record_set, "N").AsInteger(), 699);
}

}  // namespace
}  // namespace oracle::testing
