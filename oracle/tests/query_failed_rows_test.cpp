// A fetch that fails on a row the server cannot produce: the rows it
// delivered before that row are shown first, whether a block is staged
// (plain rows) or fetched into the rows' own records (a row with a value
// object), in line or in the background; the step past the last of them
// raises the error once, and the walk ends there.
#include <memory>
#include <string>
#include <vector>

#include "classlib/fields.h"
#include "oracle/error_ora.h"
#include "oracle/rset_oci_record_set.h"
#include "oracle/tests/query_fixture.h"
#include "testing/watchdog.h"

namespace oracle::testing {
namespace {

using classlib::testing::TWatchdog;

class QueryFailedRowsTest : public OraQueryFixture {
 protected:
  // Five rows of which the fourth fails with ORA-01722, fetched two a call:
  // the second call brings row 3, then the error.
  std::unique_ptr<TOraQuery> FailingOnRow4(const std::string& sql, const std::string& columns,
                                           const std::string& extra_value) {
    fetch_->ScriptQuery(sql, columns);
    std::string rows;
    for (int id = 1; id <= 5; ++id) rows += std::to_string(id) + "|name-" + std::to_string(id) + extra_value + "\n";
    fetch_->AddRows(sql, rows);
    fetch_->FailRow(sql, 4, 1722, "ORA-01722: invalid number");
    auto query = NewQuery(sql);
    query->SetFetchRows(2);
    return query;
  }
};

// Walks the query forward: the IDs shown in order, and the code of the
// error that ended the walk (0 for none). The walk must end.
std::vector<int> WalkForward(TOraQuery& query, int& code) {
  std::vector<int> ids;
  code = 0;
  for (int steps = 0; !query.Eof() && steps < 20; ++steps) {
    ids.push_back(query.FieldByName("ID")->AsInteger());
    try {
      query.Next();
    } catch (const EOraError& e) {
      code = e.ErrorCode();
      EXPECT_TRUE(query.Eof()) << "the walk ends at the failure";
    }
  }
  return ids;
}

TEST_F(QueryFailedRowsTest, RowsDeliveredWithAnErrorAreShownBeforeItEndsTheWalk) {
  struct TCase {
    const char* sql;
    const char* columns;
    const char* extra_value;
  };
  for (const TCase& c : {TCase{"SELECT ID, NAME FROM PLAIN_ROWS", "ID NUMBER(9); NAME VARCHAR2(20)", ""},
                         TCase{"SELECT ID, NAME, STAMP FROM STAMPED_ROWS",
                               "ID NUMBER(9); NAME VARCHAR2(20); STAMP TIMESTAMP(3)", "|2024-02-29 10:11:12.5"}}) {
    SCOPED_TRACE(c.sql);
    auto query = FailingOnRow4(c.sql, c.columns, c.extra_value);
    query->Open();
    int code = 0;
    // Row 3 came with the failing call: it is shown, then the failure.
    EXPECT_EQ(WalkForward(*query, code), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(code, 1722);
    EXPECT_TRUE(query->Eof());
    EXPECT_NO_THROW(query->Next()) << "the failure is raised once";
    EXPECT_TRUE(query->Eof());
    EXPECT_EQ(query->FieldByName("ID")->AsInteger(), 3);
    EXPECT_EQ(query->FieldByName("NAME")->AsString(), "name-3");
    EXPECT_EQ(query->RecordCount(), 3);
    // Walked again, the rows are what came, without a fetch or an error.
    EXPECT_EQ(WalkForward(*query, code), (std::vector<int>{}));
    query->First();
    EXPECT_EQ(WalkForward(*query, code), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(code, 0);
    query->Close();
  }
}

// In the background: the first rows fetched with the execute, or every row
// with FetchAll, and the failure after the rows delivered with it.
TEST_F(QueryFailedRowsTest, RowsDeliveredWithAnErrorInTheBackgroundAreShownBeforeIt) {
  const std::string sql = "SELECT ID, NAME FROM BACKGROUND_ROWS";
  for (int fetch_rows : {2, 5}) {
    for (bool fetch_all : {false, true}) {
      SCOPED_TRACE(std::to_string(fetch_rows) + (fetch_all ? " rows a fetch, FetchAll" : " rows a fetch"));
      TWatchdog watchdog(std::chrono::seconds(60), "a failed fetch in the background");
      auto query = FailingOnRow4(sql, "ID NUMBER(9); NAME VARCHAR2(20)", "");
      query->SetFetchRows(fetch_rows);
      query->SetNonBlocking(true);
      query->SetFetchAll(fetch_all);
      query->Open();
      int code = 0;
      auto* record_set = dynamic_cast<TOCIRecordSet*>(query->IRecordSet());
      try {
        record_set->WaitForExecute();
        record_set->WaitForFetchAll();
      } catch (const EOraError& e) {
        code = e.ErrorCode();  // the background fetch's failure, on the main thread
      }
      // A first block that came short ends the rows: no fetch of everything
      // follows, and the walk meets the failure.
      if (fetch_all && fetch_rows == 2) {
        EXPECT_EQ(code, 1722);
      }
      int walked = 0;
      const std::vector<int> ids = WalkForward(*query, walked);
      EXPECT_EQ(ids, (std::vector<int>{1, 2, 3}));
      EXPECT_EQ(code + walked, 1722) << "raised once, in the background or at the step past row 3";
      EXPECT_TRUE(query->Eof());
      query->Close();
    }
  }
}

}  // namespace
}  // namespace oracle::testing
