// Markers, macros and NULL-test rewriting of statement texts, without a
// server.
#include "fib/sql/query_preprocessor.h"

#include <gtest/gtest.h>

#include "fib/base/errors.h"

namespace fib {
namespace {

PreprocessedSQL Preprocess(const std::string& sql, bool block = false) {
  PreprocessOptions options;
  options.executable_block = block;
  options.owner_name = "Form1.Q";
  return PreprocessSQL(sql, options);
}

std::vector<std::string> Names(const PreprocessedSQL& result) {
  std::vector<std::string> names;
  for (const SQLMarker& marker : result.markers) names.push_back(marker.name);
  return names;
}

TEST(QueryPreprocessor, MarkersBecomeQuestionMarksWithTheirPositions) {
  PreprocessedSQL result = Preprocess("select * from T where A = :A and B = ?NEW_B or C = :\"c d\"");
  EXPECT_EQ(result.server_text, "select * from T where A = ? and B = ? or C = ?");
  EXPECT_EQ(Names(result), (std::vector<std::string>{"A", "NEW_B", "c d"}));
  EXPECT_FALSE(result.markers[0].quoted);
  EXPECT_TRUE(result.markers[2].quoted);
  EXPECT_EQ(result.markers[0].start, 26);
  EXPECT_EQ(result.markers[0].end, 28);
  EXPECT_EQ(result.markers[2].end, 57);
}

TEST(QueryPreprocessor, QuotesAndCommentsHideMarkers) {
  PreprocessedSQL result =
      Preprocess("select ':A', \":B\" /* :C */ from T -- :D\r\nwhere X = 'it''s :E' and Y = :Y");
  EXPECT_EQ(Names(result), std::vector<std::string>{"Y"});
  EXPECT_EQ(result.server_text,
            "select ':A', \":B\" /* :C */ from T -- :D\r\nwhere X = 'it''s :E' and Y = ?");
}

TEST(QueryPreprocessor, ARepeatedNameGivesOneMarkerPerUse) {
  PreprocessedSQL result = Preprocess("select * from T where A = :A or B = :A");
  EXPECT_EQ(Names(result), (std::vector<std::string>{"A", "A"}));
}

TEST(QueryPreprocessor, UnfinishedTextsAndMissingNamesAreParseErrors) {
  auto message = [](const std::string& sql) {
    try {
      Preprocess(sql);
    } catch (const EFIBClientError& e) {
      EXPECT_EQ(e.SQLCode(), 51);
      return e.Message();
    }
    return std::string("no error");
  };
  EXPECT_NE(message("select 1 /* open").find("EOF in comment detected"), std::string::npos);
  EXPECT_NE(message("select 'open").find("EOF in string detected"), std::string::npos);
  EXPECT_NE(message("select * from T where A = : ").find("Parameter name expected"),
            std::string::npos);
  EXPECT_NE(message("select 1 /* open").find("Form1.Q"), std::string::npos);
}

TEST(QueryPreprocessor, ExecuteBlockBodyKeepsItsOwnReferences) {
  PreprocessedSQL result = Preprocess(
      "execute block (P int = :P) returns (R int) as\r\nbegin\r\n  R = :P;\r\n  suspend;\r\nend",
      true);
  EXPECT_EQ(Names(result), std::vector<std::string>{"P"});
  EXPECT_NE(result.server_text.find("R = :P;"), std::string::npos);
}

TEST(QueryPreprocessor, ConditionsAndOperatorsAreFlagged) {
  PreprocessedSQL result =
      Preprocess("update T set A = :A, B = (select X from Y where Z = :Z), C = :C "
          "where D = :D || 'x' and E = :E");
  ASSERT_EQ(result.markers.size(), 5u);
  EXPECT_FALSE(result.markers[0].in_condition);
  EXPECT_TRUE(result.markers[1].in_condition);
  EXPECT_FALSE(result.markers[2].in_condition);  // back in the SET list
  EXPECT_TRUE(result.markers[3].in_condition);
  EXPECT_TRUE(result.markers[3].operator_follows);
  EXPECT_TRUE(result.markers[4].in_condition);
  EXPECT_FALSE(result.markers[4].operator_follows);
}

TEST(QueryPreprocessor, MacrosRunToABlankOrTheClosingMark) {
  PreprocessedSQL result = Preprocess("select * from @TABLE%T where @@COND%1=1@ and A = :A");
  EXPECT_EQ(Names(result), (std::vector<std::string>{"@TABLE%T", "@COND%1=1", "A"}));
  EXPECT_TRUE(result.markers[0].macro);
  EXPECT_EQ(result.markers[1].end, 40);  // the closing "@" belongs to it

  MacroName plain = SplitMacroName("@COND%1=1");
  EXPECT_EQ(plain.name, "@COND");
  EXPECT_EQ(plain.default_value, "1=1");
  EXPECT_FALSE(plain.quoted);
  MacroName quoted = SplitMacroName("@NAME%#abc");
  EXPECT_TRUE(quoted.quoted);
  EXPECT_EQ(quoted.default_value, "abc");
  EXPECT_EQ(SplitMacroName("@X").default_value, "");
}

TEST(QueryPreprocessor, RewritingPutsMacroValuesAndNullTestsInPlace) {
  std::string sql = "select * from @T where A = :A and B <> :B and C >= :C and D != :D";
  PreprocessedSQL result = Preprocess(sql);
  std::vector<MarkerEdit> edits;
  edits.push_back({MarkerEdit::kMacro, result.markers[0].start, result.markers[0].end, "TAB"});
  for (size_t i = 1; i < result.markers.size(); ++i)
    edits.push_back({MarkerEdit::kNullTest, result.markers[i].start, result.markers[i].end, ""});
  EXPECT_TRUE(RewriteSQL(sql, edits));
  EXPECT_EQ(sql,
            "select * from TAB where A  IS NULL  and B  IS NOT NULL  and C >= :C and D  IS NOT "
            "NULL ");
  std::string untouched = "select 1 from T where C < :C";
  EXPECT_FALSE(RewriteSQL(untouched, {{MarkerEdit::kNullTest, 26, 28, ""}}));
}

}  // namespace
}  // namespace fib
