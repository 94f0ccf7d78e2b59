// Large values of a TOraQuery on the stand-in's SQLite tier: a CLOB, BLOB,
// LONG or LONG RAW column written into a new row, from NULL to a value and
// from a value to NULL, posted at once or applied from the cache, with and
// without a refresh after the post; another session and the record itself
// show what was written.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "classlib/field.h"
#include "oracle/tests/query_sqlite_fixture.h"

namespace oracle::testing {
namespace {

struct LongKind {
  const char* name;
  const char* declared;
  const char* old_literal;  // the value "old" as the tier's SQL writes it
};

constexpr LongKind kLongKinds[] = {
    {"Clob", "CLOB", "'old'"},
    {"Blob", "BLOB", "X'6F6C64'"},
    {"Long", "LONG", "'old'"},
    {"LongRaw", "LONG RAW", "X'6F6C64'"},
};

using LongCase = std::tuple<size_t, bool, bool>;  // kind, cached, refreshed

class LongValuesTest : public SqliteTierTest, public ::testing::WithParamInterface<LongCase> {
 protected:
  const LongKind& Kind() const { return kLongKinds[std::get<0>(GetParam())]; }

  void SetUp() override {
    SqliteTierTest::SetUp();
    ASSERT_EQ(tier_->Exec("db1", std::string("CREATE TABLE X (ID NUMBER(9) PRIMARY KEY, V ") + Kind().declared +
                                     ");INSERT INTO X VALUES (1, NULL);INSERT INTO X VALUES (2, " +
                                     Kind().old_literal + ")"),
              "");
  }

  // The rows as "ID|V" with "<null>" for NULL.
  static std::vector<std::string> Shown(TOraQuery& query) {
    std::vector<std::string> rows;
    for (query.First(); !query.Eof(); query.Next()) {
      classlib::TField* value = query.FieldByName("V");
      rows.push_back(query.FieldByName("ID")->AsString() + "|" + (value->IsNull() ? "<null>" : value->AsString()));
    }
    return rows;
  }
};

TEST_P(LongValuesTest, TheServerAndTheRecordHoldWhatWasWritten) {
  const bool cached = std::get<1>(GetParam());
  const bool refreshed = std::get<2>(GetParam());
  auto query = NewQuery(Connect(), "SELECT ID, V FROM X ORDER BY ID");
  query->SetCachedUpdates(cached);
  if (refreshed) query->SetRefreshOptions({dacore::roAfterInsert, dacore::roAfterUpdate});
  query->Open();
  ASSERT_EQ(Shown(*query), (std::vector<std::string>{"1|<null>", "2|old"}));

  query->First();
  query->Edit();
  query->FieldByName("V")->SetAsString("eight");
  query->Post();
  query->Next();
  query->Edit();
  query->FieldByName("V")->Clear();
  query->Post();
  query->Append();
  query->FieldByName("ID")->SetAsInteger(3);
  query->FieldByName("V")->SetAsString("new");
  query->Post();
  if (cached) {
    query->ApplyUpdates();
    query->CommitUpdates();
  }

  const std::vector<std::string> written{"1|eight", "2|<null>", "3|new"};
  EXPECT_EQ(Shown(*query), written);
  auto reader = NewQuery(Connect(), "SELECT ID, V FROM X ORDER BY ID");
  EXPECT_EQ(Rows(*reader), written);
}

std::string LongCaseName(const ::testing::TestParamInfo<LongCase>& info) {
  return std::string(kLongKinds[std::get<0>(info.param)].name) + (std::get<1>(info.param) ? "_Cached" : "_Post") +
         (std::get<2>(info.param) ? "_Refreshed" : "");
}

INSTANTIATE_TEST_SUITE_P(EveryLongKind, LongValuesTest,
                         ::testing::Combine(::testing::Range<size_t>(0, std::size(kLongKinds)), ::testing::Bool(),
                                            ::testing::Bool()),
                         LongCaseName);

}  // namespace
}  // namespace oracle::testing
