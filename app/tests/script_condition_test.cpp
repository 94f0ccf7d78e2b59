#include "app/script_condition.h"

#include <gtest/gtest.h>

#include "app/execute_statement_native.h"
#include "app/script_condition_catalogue.h"
#include "script_file_test_support.h"

namespace app::testing {
namespace {

struct TCase {
  const char* condition;
  bool met;
};

void ExpectOutcomes(const TScriptContext& context, std::initializer_list<TCase> cases) {
  for (const TCase& c : cases)
    EXPECT_EQ(CheckConditionText(context, c.condition), c.met) << c.condition;
}

class FirebirdConditionTest : public ::testing::Test {
 protected:
  void SetUp() override { db_.Connection().Reconnect(); }
  TScriptContext Context(bool log) { return {db_.Connection(), view_, log, "/r/s.xml"}; }

  FirebirdScriptDatabase db_;
  FakeProgressView view_;
};

TEST_F(FirebirdConditionTest, EachObjectKindIsFoundInTheCatalogue) {
  ExpectOutcomes(Context(false), {{"exist_table(books);", true},
                                  {"EXIST_TABLE(BOOK_TITLES);", false},  // a view is no table
                                  {"EXIST_TABLE(NOPE);", false},
                                  {"EXIST_VIEW(BOOK_TITLES);", true},
                                  {"EXIST_VIEW(BOOKS);", false},
                                  {"EXIST_FIELD(BOOKS, TITLE);", true},
                                  {"EXIST_FIELD(BOOKS, DOUBLED);", false},  // computed
                                  {"EXIST_FIELD(TITLE);", false},  // no comma: no table
                                  {"EXIST_PRC(P_BOOKS);", true},
                                  {"EXIST_PRC(P_NONE);", false},
                                  {"EXIST_TRIGGER(T_BOOKS);", true},
                                  {"EXIST_TRIGGER(T_NONE);", false},
                                  {"EXIST_GENERATOR(G_BOOKS);", true},
                                  {"EXIST_GENERATOR(RDB$PROCEDURES);", false},  // system one
                                  {"EXIST_INDEX(IX_BOOKS_TITLE);", true},
                                  {"EXIST_INDEX(IX_NONE);", false}});
}

TEST_F(FirebirdConditionTest, NotPrefixInvertsEveryKindOfTerm) {
  ExpectOutcomes(Context(false), {{"NOT_EXIST_FIELD(BOOKS, PRICE);", true},
                                  {"NOT_EXIST_FIELD(BOOKS, TITLE);", false},
                                  {"NOT_EXIST_TABLE(BOOKS);", false},
                                  {"not_exist_generator(g_none);", true},
                                  {"NOT_EXIST_INDEX(IX_BOOKS_TITLE);", false}});
}

TEST_F(FirebirdConditionTest, OnlyTermsEndedBySemicolonCountAndTheLastDecides) {
  ExpectOutcomes(Context(false), {{"", true},
                                  {"   ", true},
                                  {"EXIST_TABLE(BOOKS)", false},
                                  {"EXIST_TABLE(NOPE);EXIST_TABLE(BOOKS)", false},
                                  {"EXIST_TABLE(NOPE); EXIST_TABLE(BOOKS);", true},
                                  {"EXIST_TABLE(BOOKS);EXIST_TABLE(NOPE);", false},
                                  {"EXIST_TABLE(BOOKS);;", true},  // an empty name keeps it
                                  {"FOO(X);", false},
                                  {"NOT_FOO(X);", true}});
}

TEST_F(FirebirdConditionTest, ApostrophesInArgumentsAreDoubledInTheLiteral) {
  EXPECT_TRUE(CheckConditionText(Context(false), "EXIST_VIEW(IT'S);"));
  EXPECT_EQ(SqlLiteral("IT'S"), "'IT''S'");
}

TEST_F(FirebirdConditionTest, EveryUnmetTermIsLoggedWhenAsked) {
  view_.status = "st";
  EXPECT_TRUE(CheckConditionText(Context(true), "EXIST_VIEW(NOPE); NOT_EXIST_TABLE(BOOKS); "
                                                "EXIST_TABLE(BOOKS);"));
  const std::vector<std::string> expected = {
      "/*", Ansi("Операция:st"), Ansi("Источник:/r/s.xml"), Ansi("Ошибка:"),
      Ansi("Условия не выполнены:"),
      Ansi("  Текст условия: 'NOT_EXIST_TABLE(BOOKS); EXIST_TABLE(BOOKS);'"),
      Ansi("  Проверяем: 'EXIST_VIEW'"), Ansi("  Параметры: 'NOPE', ''"),
      Ansi("  Запрос на проверку: 'SELECT COUNT(*) FROM RDB$RELATIONS R WHERE (R.RDB$VIEW_SOURCE "
           "IS NOT NULL) AND (R.RDB$RELATION_NAME='NOPE')"),
      "'", std::string(48, '-'), "*/"};
  ASSERT_GE(view_.details.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(view_.details.begin(), view_.details.begin() + 12), expected);
  // The second block names the inverted term as written.
  const std::vector<std::string> rest(view_.details.begin() + 12, view_.details.end());
  ASSERT_EQ(rest.size(), 12u);
  EXPECT_EQ(rest[5], Ansi("  Текст условия: 'EXIST_TABLE(BOOKS);'"));
  EXPECT_EQ(rest[6], Ansi("  Проверяем: 'NOT_EXIST_TABLE'"));
  EXPECT_EQ(rest[7], Ansi("  Параметры: 'BOOKS', ''"));
  EXPECT_TRUE(view_.details_enabled);
}

TEST_F(FirebirdConditionTest, WithoutTheSwitchNothingIsLogged) {
  EXPECT_FALSE(CheckConditionText(Context(false), "EXIST_TABLE(NOPE);"));
  EXPECT_TRUE(view_.details.empty());
}

TEST(ConditionCatalogueTest, ArgumentsAreFilledOnceAndOracleHasItsOwnDictionary) {
  // A "%2" inside the first value must not be taken for a placeholder.
  EXPECT_EQ(ConditionQuery(TScriptServer::Oracle, "EXIST_FIELD", "A%2", "B").sql,
            "SELECT COUNT(*) FROM USER_TAB_COLUMNS WHERE TABLE_NAME = 'A%2' AND COLUMN_NAME = 'B'");
  EXPECT_EQ(ConditionQuery(TScriptServer::Oracle, "EXIST_TABLE", "T", "").test,
            TConditionTest::HasRow);
  EXPECT_EQ(ConditionQuery(TScriptServer::MsSql, "EXIST_GENERATOR", "G", "").test,
            TConditionTest::Never);
  EXPECT_EQ(ConditionQuery(TScriptServer::Firebird, "EXIST_THING", "G", "").test,
            TConditionTest::Unknown);
}

TEST(NativeScriptConnectionTest, TheKindChoosesTheComponentsAndAKindWithoutThemIsRefused) {
  fib::TpZODDatabase db(nullptr);
  fib::TFIBTransaction tr(nullptr);
  fib::TpZODQuery q(nullptr);
  TScriptComponents components{&db, &tr, &q};
  EXPECT_EQ(NativeScriptConnection("INTRBASE", components)->Server(), TScriptServer::Firebird);
  EXPECT_THROW(NativeScriptConnection("MSSQL", components), EScriptConnectionError);
  EXPECT_THROW(NativeScriptConnection("ORACLE", components), EScriptConnectionError);
}

class SqlServerConditionTest : public ::testing::Test {
 protected:
  TScriptContext Context(IScriptConnection& connection) {
    return {connection, view_, true, "s.xml"};
  }
  FakeProgressView view_;
};

TEST_F(SqlServerConditionTest, EachObjectKindIsFoundInTheCatalogue) {
  SqlServerScriptDatabase db;
  db.Connection().Reconnect();
  ExpectOutcomes(Context(db.Connection()), {{"EXIST_TABLE(books);", true},
                                            {"EXIST_TABLE(NOPE);", false},
                                            {"EXIST_FIELD(BOOKS,TITLE);", true},
                                            {"NOT_EXIST_FIELD(BOOKS, PRICE);", true},
                                            {"EXIST_VIEW(BOOK_TITLES);", true},
                                            {"EXIST_VIEW(SYS_VIEW);", false},  // category 2
                                            {"EXIST_VIEW(IT'S);", true},
                                            {"EXIST_PRC(P_BOOKS);", true},
                                            {"EXIST_PRC(T_BOOKS);", false},
                                            {"EXIST_TRIGGER(T_BOOKS);", true},
                                            {"EXIST_INDEX(IX_BOOKS_TITLE);", true},
                                            {"EXIST_INDEX(IX_NONE);", false},
                                            {"EXIST_GENERATOR(G1);", false},
                                            {"NOT_EXIST_GENERATOR(G1);", true},
                                            {"EXIST_PRC(NOPE);EXIST_PRC(P_BOOKS);", true}});
}

TEST_F(SqlServerConditionTest, AFailingCatalogueQueryRaisesAndLeavesTheQueryClosed) {
  SqlServerScriptDatabase db(false);
  db.Connection().Reconnect();
  EXPECT_ANY_THROW(CheckConditionText(Context(db.Connection()), "EXIST_INDEX(IX);"));
  // The query was closed: the next condition runs on it normally.
  EXPECT_TRUE(CheckConditionText(Context(db.Connection()), "EXIST_PRC(P_BOOKS);"));
}

}  // namespace
}  // namespace app::testing
