// The statements of the limited cache model: their texts, whether a data set
// may use the model, and the texts run on the embedded engine, paging a
// result forwards and backwards with them and comparing with one plain
// ordered select.
#include "fib/records/limited_cache_sql.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "fib/base/errors.h"
#include "fib/sql/sql_clauses.h"
#include "fib_query_fixture.h"
#include "testing/message_of.h"

namespace fib {
namespace {

using classlib::testing::MessageOf;
using fib_test::QueryTest;

KeysetField Sort(std::string field, bool ascending = true, std::string table = "T") {
  return {field, field, std::move(table), "", ascending};
}

// ---- texts -----------------------------------------------------------------

TEST(LimitedCacheSql, KeysetConditionsFollowTheSortDirections) {
  const std::string sql = "select ID from T order by ID";
  KeysetConditions one = BuildKeysetConditions(sql, {Sort("ID")});
  EXPECT_EQ(one.next, "(T.ID>?NEW_ID)");
  EXPECT_EQ(one.prior, "(T.ID<?NEW_ID)");
  KeysetConditions desc = BuildKeysetConditions(sql, {Sort("ID", false)});
  EXPECT_EQ(desc.next, "(T.ID<?NEW_ID)");
  EXPECT_EQ(desc.prior, "(T.ID>?NEW_ID)");

  const std::string two_sql = "select A, B from T X order by A, B desc";
  KeysetConditions two = BuildKeysetConditions(two_sql, {Sort("A"), Sort("B", false)});
  EXPECT_EQ(two.next, "(((X.B<?NEW_B) and (X.A=?NEW_A)) or (X.A>?NEW_A))");
  EXPECT_EQ(two.prior, "(((X.B>?NEW_B) and (X.A=?NEW_A)) or (X.A<?NEW_A))");
}

TEST(LimitedCacheSql, NamesThatNeedQuotingAreQuoted) {
  const std::string sql = "select \"id\" from \"lower t\" order by \"id\"";
  KeysetField field{"Id", "id", "lower t", "", true};
  EXPECT_EQ(BuildKeysetConditions(sql, {field}).next, "(\"lower t\".\"id\">?\"NEW_Id\")");
  EXPECT_EQ(PrefixedParamName(kNewParamPrefix, "ID"), "NEW_ID");
  EXPECT_EQ(PrefixedParamName(kLocateParamPrefix, "My Field"), "\"LOCATE_My Field\"");
  // The qualifier the ORDER BY item is written with wins over the table's alias.
  KeysetField second{"ID2", "ID", "T", "B", true};
  EXPECT_EQ(KeysetColumnRef("select A.ID, B.ID ID2 from T A, T B order by B.ID", second), "B.ID");
  // An expression column has no table to qualify it.
  KeysetField expression{"S", "S", "", "", true};
  EXPECT_EQ(KeysetColumnRef("select A + B S from T order by 1", expression), "S");
}

TEST(LimitedCacheSql, LocateTermsByOption) {
  const std::string sql = "select A, B from T order by A";
  const std::vector<KeysetField> keys{Sort("A"), Sort("B")};
  EXPECT_EQ(LocateEqualCondition(sql, keys), "(T.A=?LOCATE_A) and (T.B=?LOCATE_B)");
  EXPECT_EQ(LocateCondition(sql, {Sort("A")}, {true, false}), "(UPPER(T.A)=UPPER(?LOCATE_A))");
  EXPECT_EQ(LocateCondition(sql, {Sort("A")}, {false, true}), "(T.A starting with ?LOCATE_A)");
  EXPECT_EQ(LocateCondition(sql, {Sort("A")}, {true, true}),
            "(UPPER(T.A) starting with UPPER(?LOCATE_A))");
}

TEST(LimitedCacheSql, StatementTextsReverseTheOrderAndReplaceThePlan) {
  const std::string sql =
      "select A, B from T where A > 0 plan (T order PK_T) order by A, B desc nulls first";
  LimitedCacheTexts texts =
      BuildLimitedCacheTexts("Form1.DS", sql, {Sort("A"), Sort("B", false)}, {Sort("A")}, "");
  EXPECT_NE(texts.desc.find("ORDER BY A desc,B NULLS LAST"), std::string::npos) << texts.desc;
  EXPECT_EQ(texts.desc.find("plan"), std::string::npos) << texts.desc;
  EXPECT_NE(texts.part.find("order by A, B desc nulls first"), std::string::npos);
  EXPECT_NE(texts.part.find("plan (T order PK_T)"), std::string::npos);
  EXPECT_NE(texts.part.find("A > 0 ) and ( (((T.B<?NEW_B)"), std::string::npos) << texts.part;
  EXPECT_NE(texts.part_desc.find("(T.B>?NEW_B)"), std::string::npos);
  EXPECT_NE(texts.part_desc.find("ORDER BY A desc,B NULLS LAST"), std::string::npos);
  EXPECT_NE(texts.locate.find("(T.A=?LOCATE_A)"), std::string::npos);

  LimitedCacheTexts planned =
      BuildLimitedCacheTexts("Form1.DS", sql, {Sort("A"), Sort("B", false)}, {}, "(T natural)");
  EXPECT_NE(planned.desc.find("plan (T natural)"), std::string::npos) << planned.desc;
  EXPECT_EQ(planned.locate, sql);  // no locate keys yet: the select itself
}

TEST(LimitedCacheSql, NoOrderByNamesTheDataSet) {
  const std::string message = MessageOf<EFIBClientError>(
      [] { BuildLimitedCacheTexts("Form1.DS", "select A from T", {}, {}, ""); });
  EXPECT_NE(message.find("Form1.DS:Can't find or parse ORDER BY statement."), std::string::npos)
      << message;
}

TEST(LimitedCacheSql, EachConditionOfUseIsChecked) {
  const LimitedCacheUse good{false, true, true, {"MAS_ID", "NEWS"}};
  EXPECT_TRUE(CanUseLimitedCache(good));
  EXPECT_NO_THROW(CheckLimitedCacheUse("DS", good));
  LimitedCacheUse cached = good;
  cached.cached_updates = true;
  LimitedCacheUse unordered = good;
  unordered.has_order_by = false;
  LimitedCacheUse other_transaction = good;
  other_transaction.update_transaction_ok = false;
  LimitedCacheUse new_param = good;
  new_param.select_param_names.push_back("new_Id");
  for (const LimitedCacheUse& bad : {cached, unordered, other_transaction, new_param}) {
    EXPECT_FALSE(CanUseLimitedCache(bad));
    try {
      CheckLimitedCacheUse("Form1.DS", bad);
      ADD_FAILURE() << "code 75 expected";
    } catch (const EFIBClientError& e) {
      EXPECT_EQ(e.SQLCode(), 75);
      EXPECT_NE(e.Message().find("Form1.DS. Can't use limited cache."), std::string::npos);
    }
  }
}

// ---- on the engine -----------------------------------------------------------

// ITEMS: 700 rows keyed by (GRP, SEQ), seven rows per group, SEQ not in key order.
class LimitedCacheSqlEngine : public QueryTest {
 protected:
  LimitedCacheSqlEngine() {
    Run("create table ITEMS (GRP integer not null, SEQ integer not null, NAME varchar(20), "
        "primary key (GRP, SEQ))");
    Run("create table TAGS (ID integer not null primary key, GRP integer)");
    Run("execute block as declare i integer = 0; begin while (i < 700) do begin "
        "insert into ITEMS values (:i / 7, mod(:i * 37, 101), 'n' || :i); "
        "insert into TAGS values (:i, :i / 7); i = i + 1; end end");
  }

  using Row = std::pair<int, int>;

  // A statement whose rows are all read by Fetch (none on executing).
  std::unique_ptr<TFIBQuery> Statement(const std::string& name, const std::string& sql) {
    auto query = NewQuery(name, sql);
    query->SetGoToFirstRecordOnExecute(false);
    return query;
  }

  // Up to limit rows of the executed statement.
  // A NULL GRP reads as kNull.
  static constexpr int kNull = -1000000;

  static std::vector<Row> Fetch(TFIBQuery& query, int limit) {
    std::vector<Row> rows;
    while (static_cast<int>(rows.size()) < limit && query.Next()) {
      TFIBXSQLVAR& grp = query.FieldByName("GRP");
      rows.emplace_back(grp.IsNull() ? kNull : grp.AsInteger(), query.FieldByName("SEQ").AsInteger());
    }
    return rows;
  }

  // The whole result read in pages: first from `start`, then each page from
  // the keyset statement `part` after the last row read.
  std::vector<Row> Pages(const std::string& start, const std::string& part, int page) {
    auto first = Statement("First", start);
    auto next = Statement("Part", part);
    first->ExecQuery();
    std::vector<Row> all = Fetch(*first, page);
    first->Close();
    while (!all.empty()) {
      next->Close();
      if (all.back().first == kNull)
        next->ParamByName("NEW_GRP").SetIsNull(true);
      else
        next->ParamByName("NEW_GRP").SetAsInteger(all.back().first);
      next->ParamByName("NEW_SEQ").SetAsInteger(all.back().second);
      next->ExecQuery();
      std::vector<Row> rows = Fetch(*next, page);
      if (rows.empty()) break;
      all.insert(all.end(), rows.begin(), rows.end());
    }
    return all;
  }

  std::vector<Row> All(const std::string& sql) {
    auto query = Statement("All", sql);
    query->ExecQuery();
    return Fetch(*query, 1 << 30);
  }
};

TEST_F(LimitedCacheSqlEngine, PagesForwardsAndBackwardsGiveTheOrderedResult) {
  for (const std::string sql :
       {"select I.GRP, I.SEQ, I.NAME from ITEMS I where I.GRP <> 3 order by I.GRP desc, I.SEQ",
        "select GRP, SEQ from ITEMS order by GRP, SEQ desc"}) {
    SCOPED_TRACE(sql);
    const bool grp_descending = sql.find("GRP desc") != std::string::npos;
    std::vector<KeysetField> sort{{"GRP", "GRP", "ITEMS", "", !grp_descending},
                                  {"SEQ", "SEQ", "ITEMS", "", grp_descending}};
    LimitedCacheTexts texts = BuildLimitedCacheTexts("DS", sql, sort, sort, "");
    const std::vector<Row> expected = All(sql);
    ASSERT_EQ(expected.size(), grp_descending ? 693u : 700u);
    EXPECT_EQ(Pages(sql, texts.part, 50), expected);
    std::vector<Row> backwards = Pages(texts.desc, texts.part_desc, 50);
    EXPECT_EQ(std::vector<Row>(backwards.rbegin(), backwards.rend()), expected);

    auto locate = Statement("Locate", texts.locate);
    locate->ParamByName("LOCATE_GRP").SetAsInteger(expected[321].first);
    locate->ParamByName("LOCATE_SEQ").SetAsInteger(expected[321].second);
    locate->ExecQuery();
    EXPECT_EQ(Fetch(*locate, 5), std::vector<Row>{expected[321]});
  }
}

// Rows whose sort value is NULL sort at one end of their column; the
// keyset conditions must neither lose nor repeat them.
TEST_F(LimitedCacheSqlEngine, NullSortValuesArePagedOnce) {
  Run("create table SPARSE (GRP integer, SEQ integer not null primary key)");
  Run("execute block as declare i integer = 0; begin while (i < 300) do begin "
      "insert into SPARSE values (iif(mod(:i, 7) < 3, null, mod(:i, 11)), :i); "
      "i = i + 1; end end");
  for (const std::string sql : {"select GRP, SEQ from SPARSE order by GRP, SEQ desc",
                                "select GRP, SEQ from SPARSE order by GRP desc, SEQ",
                                "select GRP, SEQ from SPARSE order by GRP desc nulls first, SEQ"}) {
    SCOPED_TRACE(sql);
    const bool desc = sql.find("GRP desc") != std::string::npos;
    const bool nulls_first = !desc || sql.find("nulls first") != std::string::npos;
    std::vector<KeysetField> sort{{"GRP", "GRP", "SPARSE", "", !desc, true, nulls_first},
                                  {"SEQ", "SEQ", "SPARSE", "", desc}};
    LimitedCacheTexts texts = BuildLimitedCacheTexts("DS", sql, sort, sort, "");
    const std::vector<Row> expected = All(sql);
    ASSERT_EQ(expected.size(), 300u);
    EXPECT_EQ(Pages(sql, texts.part, 40), expected);
    std::vector<Row> backwards = Pages(texts.desc, texts.part_desc, 40);
    EXPECT_EQ(std::vector<Row>(backwards.rbegin(), backwards.rend()), expected);
  }
}

// Which qualifier the keyset columns need, asked of the engine: a join of two
// tables that both have GRP makes a bare column ambiguous, and the table's
// name is no longer valid once the FROM clause gives it an alias.
TEST_F(LimitedCacheSqlEngine, TheEngineSettlesHowColumnsAreQualified) {
  auto prepares = [&](const std::string& sql) {
    auto query = NewQuery("Try", sql);
    try {
      query->Prepare();
      return true;
    } catch (const EFIBInterBaseError&) {
      return false;
    }
  };
  const std::string join =
      "select ITEMS.GRP, ITEMS.SEQ, TAGS.ID from ITEMS join TAGS on TAGS.GRP = ITEMS.GRP "
      "order by ITEMS.GRP, ITEMS.SEQ";
  EXPECT_FALSE(prepares(AddToWhereClause(join, "(GRP>?NEW_GRP)")));
  const std::vector<KeysetField> join_sort{{"GRP", "GRP", "ITEMS", "", true},
                                           {"SEQ", "SEQ", "ITEMS", "", true}};
  EXPECT_TRUE(prepares(BuildLimitedCacheTexts("DS", join, join_sort, {}, "").part));

  const std::string aliased = "select i.GRP, i.SEQ from ITEMS i order by 1, 2";
  EXPECT_FALSE(prepares(AddToWhereClause(aliased, "(ITEMS.GRP>?NEW_GRP)")));
  LimitedCacheTexts texts = BuildLimitedCacheTexts("DS", aliased, join_sort, join_sort, "");
  EXPECT_TRUE(prepares(texts.part));
  EXPECT_TRUE(prepares(texts.part_desc));
  EXPECT_TRUE(prepares(texts.locate));

  // A self-join: only the ORDER BY's own qualifier names the right copy.
  const std::string self =
      "select A.GRP, B.SEQ from ITEMS A join ITEMS B on B.GRP = A.GRP + 1 order by B.SEQ, A.GRP";
  const std::vector<KeysetField> self_sort{{"SEQ", "SEQ", "ITEMS", "B", true},
                                           {"GRP", "GRP", "ITEMS", "A", true}};
  texts = BuildLimitedCacheTexts("DS", self, self_sort, self_sort, "");
  EXPECT_NE(texts.part.find("(B.SEQ>?NEW_SEQ)"), std::string::npos) << texts.part;
  auto part = Statement("Self", texts.part);
  part->ParamByName("NEW_SEQ").SetAsInteger(50);
  part->ParamByName("NEW_GRP").SetAsInteger(1000);
  part->ExecQuery();
  std::vector<Row> rows = Fetch(*part, 100000);
  ASSERT_FALSE(rows.empty());
  for (const Row& row : rows) ASSERT_GT(row.second, 50);
}

TEST_F(LimitedCacheSqlEngine, LocateTermsRunOnTheEngine) {
  const std::string sql = "select GRP, SEQ, NAME from ITEMS order by GRP, SEQ";
  KeysetField name{"NAME", "NAME", "ITEMS", "", true};
  auto run = [&](LocateTermOptions options, const std::string& key) {
    auto query = Statement("Q", AddToWhereClause(sql, LocateCondition(sql, {name}, options)));
    query->ParamByName("LOCATE_NAME").SetAsString(key);
    query->ExecQuery();
    return static_cast<int>(Fetch(*query, 1000).size());
  };
  EXPECT_EQ(run({}, "n69"), 1);
  EXPECT_EQ(run({}, "N69"), 0);
  EXPECT_EQ(run({true, false}, "N69"), 1);
  EXPECT_EQ(run({false, true}, "n69"), 11);  // n69, n690 .. n699
  EXPECT_EQ(run({true, true}, "N69"), 11);
  EXPECT_EQ(run({false, true}, "n%"), 0);  // a prefix, not a pattern
}

}  // namespace
}  // namespace fib
