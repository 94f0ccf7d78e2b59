// Small blocks of plain rows pass through a staging block defined once:
// every row of every block reaches its own item with its values and nulls,
// a short last block included, and the columns are defined anew whenever
// the staging block or the statement's execution changed.
#include <string>
#include <vector>

#include "dacore/driver_props.h"
#include "oracle/tests/rset_fixture.h"

namespace oracle::testing {
namespace {

using namespace dacore;

constexpr const char* kSql = "select id, name, d, r from staged";

class StagedFetchTest : public RecordSetTest {
 protected:
  // Eight rows of a NUMBER, a text, a DATE and a RAW; rows 2 and 6 hold
  // nulls, so that nulls fall in several blocks and at a block's start.
  void ScriptRows() {
    fetch_->ScriptQuery(kSql, "ID NUMBER(9); NAME VARCHAR2(20); D DATE; R RAW(4)");
    fetch_->AddRows(kSql,
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
