// A blocking query with a local order whose rows come a few at a time: the
// order holds for every row the query will show, whether it is set before
// the open, after it, or kept across a re-open; a one-way query, which
// keeps only its last rows, orders those and loses none.
#include <memory>
#include <set>
#include <string>

#include "classlib/fields.h"
#include "classlib/variant.h"
#include "oracle/tests/query_fixture.h"

namespace oracle::testing {
namespace {

using classlib::Variant;

constexpr const char *kSql = "SELECT ID, NAME FROM LETTERS";
constexpr int kRows = 20;

// IDs 1, 2, 3 ... are named h, o, v ...: every letter from a to t once.
std::string NameOf(int id) { return std::string(1, static_cast<char>('a' + id * 7 % kRows)); }

class QuerySortFetchTest : public OraQueryFixture {
 protected:
  std::unique_ptr<TOraQuery> Letters() {
    fetch_->ScriptQuery(kSql, "ID NUMBER(9); NAME VARCHAR2(10)");
    std::string rows;
    for (int id = 1; id <= kRows; ++id) rows += std::to_string(id) + "|" + NameOf(id) + "\n";
    fetch_->AddRows(kSql, rows);
    auto query = NewQuery(kSql);
    query->SetFetchRows(3);
    query->SetKeyFields("ID");
    return query;
  }
  static std::string Names(TOraQuery &query) {
    std::string names;
    for (query.First(); !query.Eof(); query.Next()) names += query.FieldByName("NAME")->AsString();
    query.First();
    return names;
  }
  static void ExpectFound(TOraQuery &query) {
    for (int id = 1; id <= kRows; ++id) {
      query.First();
      EXPECT_TRUE(query.Locate("NAME", Variant(NameOf(id)), {})) << NameOf(id);
      EXPECT_EQ(query.FieldByName("ID")->AsInteger(), id);
      const Variant found = query.Lookup("NAME", Variant(NameOf(id)), "ID");
      EXPECT_EQ(classlib::VarIsNull(found) ? -1 : found.AsInteger(), id) << NameOf(id);
    }
    EXPECT_FALSE(query.Locate("NAME", Variant(std::string("zz")), {}));
    EXPECT_TRUE(classlib::VarIsNull(query.Lookup("NAME", Variant(std::string("0")), "ID")));
  }
};

TEST_F(QuerySortFetchTest, BlockingQueryShowsEveryRowInTheLocalOrder) {
  const std::string ascending = "abcdefghijklmnopqrst";
  const std::string descending(ascending.rbegin(), ascending.rend());
  auto query = Letters();
  query->SetIndexFieldNames("NAME");
  query->Open();
  EXPECT_EQ(query->RecordCount(), kRows);
  EXPECT_EQ(Names(*query), ascending) << "set before the open";
  ExpectFound(*query);

  query->Close();
  query->SetIndexFieldNames("");
  query->Open();
  query->Next();
  query->SetIndexFieldNames("NAME DESC");
  EXPECT_EQ(Names(*query), descending) << "set after the open";
  ExpectFound(*query);

  query->Refresh();
  EXPECT_EQ(Names(*query), descending) << "after a refresh";
  ExpectFound(*query);
}

// A one-way query lets rows go as it fetches more: it orders the rows it
// holds, and walking it still shows every row once.
TEST_F(QuerySortFetchTest, OneWayQueryWithALocalOrderLosesNoRow) {
  auto query = Letters();
  query->SetUniDirectional(true);
  query->SetIndexFieldNames("NAME");
  query->Open();
  std::set<std::string> seen;
  int read = 0;
  for (; !query->Eof(); query->Next(), ++read) seen.insert(query->FieldByName("NAME")->AsString());
  EXPECT_EQ(read, kRows);
  EXPECT_EQ(seen.size(), static_cast<size_t>(kRows));
}

}  // namespace
}  // namespace oracle::testing
