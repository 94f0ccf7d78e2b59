// A fetch that fails on a row the server cannot produce: the rows it
// delivered before that row reach the query before the error is raised,
// whether a block is staged (plain rows) or fetched into the rows' own
// records (a row with a value object).
#include <memory>
#include <string>

#include "classlib/fields.h"
#include "oracle/error_ora.h"
#include "oracle/tests/query_fixture.h"

namespace oracle::testing {
namespace {

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

TEST_F(QueryFailedRowsTest, RowsDeliveredWithAnErrorReachTheQueryFirst) {
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
    query->Next();
    EXPECT_EQ(query->FieldByName("ID")->AsInteger(), 2);
    int code = 0;
    try {
      query->Next();  // the second block: row 3, then the failure
    } catch (const EOraError& e) {
      code = e.ErrorCode();
    }
    EXPECT_EQ(code, 1722);
    // Row 3 came with the failing call and stays; nothing is fetched after.
    query->Last();
    EXPECT_EQ(query->FieldByName("ID")->AsInteger(), 3);
    EXPECT_EQ(query->FieldByName("NAME")->AsString(), "name-3");
    EXPECT_EQ(query->RecordCount(), 3);
    query->Close();
  }
}

}  // namespace
}  // namespace oracle::testing
