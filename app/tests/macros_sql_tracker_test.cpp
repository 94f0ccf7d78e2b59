#include "app/macros_sql_tracker.h"

#include <gtest/gtest.h>

#include <string>

#include "app/macros.h"
#include "app/run_state.h"

namespace app {
namespace {

// Statements as each server kind reads them: values put in keep their
// literal or name whole, whatever quoting forms stand before them.
class StatementForms : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetRunState();
    LoginUserName = "x' || (SELECT 1 FROM T) || '";
  }
  void TearDown() override { ResetRunState(); }

  std::string Expand(const std::string& kind, const std::string& text) {
    DBType = kind;
    return ExpandMacros(text, {.statement = true});
  }
  static constexpr const char* kDoubled = "x'' || (SELECT 1 FROM T) || ''";
};

TEST_F(StatementForms, AlternativeQuotingOnOracleAndFirebird) {
  // The apostrophe inside q'{...}' neither ends it nor opens a literal.
  for (const std::string& kind : {kOracle, kFirebird, kInterBase}) {
    EXPECT_EQ(Expand(kind, "SELECT q'{it's}', '<USER>'"),
              std::string("SELECT q'{it's}', '") + kDoubled + "'")
        << kind;
    EXPECT_EQ(Expand(kind, "Q'(a'b)' '<USER>' q'[)]' q'<]>' q'!{!' '<USER>'"),
              std::string("Q'(a'b)' '") + kDoubled + "' q'[)]' q'<]>' q'!{!' '" + kDoubled + "'")
        << kind;
    // A closing delimiter not followed by an apostrophe is text, and the
    // literal's own "''" is two apostrophes, not an escape.
    EXPECT_EQ(Expand(kind, "q'{a}b''}' '<USER>'"), std::string("q'{a}b''}' '") + kDoubled + "'")
        << kind;
    // A name ending in q is no prefix.
    EXPECT_EQ(Expand(kind, "seq'{' '<USER>' '}'"), std::string("seq'{' '") + kDoubled + "' '}'")
        << kind;
  }
  // The national form is Oracle's only: Firebird reads nq as a name and then
  // a plain literal.
  EXPECT_EQ(Expand(kOracle, "nq'{it's}' NQ'{it's}' '<USER>'"),
            std::string("nq'{it's}' NQ'{it's}' '") + kDoubled + "'");
  EXPECT_EQ(Expand(kFirebird, "nq'{<USER>}'"), std::string("nq'{") + kDoubled + "}'");
  // SQL Server has no alternative quoting.
  EXPECT_EQ(Expand(kMsSql, "q'{<USER>}'"), std::string("q'{") + kDoubled + "}'");
}

TEST_F(StatementForms, AValueInsideAnAlternativeLiteralStandsAsItIsUnlessItClosesIt) {
  LoginUserName = "O'Brien}";
  EXPECT_EQ(Expand(kOracle, "q'{<USER>}'"), "q'{O'Brien}}'");
  // Closing inside the value, at its end before the statement's apostrophe,
  // or as the delimiter itself: the statement cannot take the value.
  for (const char* value : {"a}' || x || q'{", "a}", "'"}) {
    LoginUserName = value;
    EXPECT_THROW(Expand(kFirebird, "q'{<USER>'}' q'{b}<USER>}'"), EMacroValueError) << value;
  }
  LoginUserName = "{";
  EXPECT_THROW(Expand(kOracle, "q'<USER>x{'"), EMacroValueError);
  // An empty value leaves the statement's own closing pair as it is.
  LoginUserName = "";
  EXPECT_EQ(Expand(kOracle, "q'{a}<USER>' '<USER>'"), "q'{a}' ''");
}

TEST_F(StatementForms, BracketedNamesAndNestedCommentsOnSqlServer) {
  EXPECT_EQ(Expand(kMsSql, "SELECT 1 AS [it's], '<USER>'"),
            std::string("SELECT 1 AS [it's], '") + kDoubled + "'");
  EXPECT_EQ(Expand(kMsSql, "[a]]'b] '<USER>'"), std::string("[a]]'b] '") + kDoubled + "'");
  EXPECT_EQ(Expand(kMsSql, "/* a /* b */ it's */ '<USER>'"),
            std::string("/* a /* b */ it's */ '") + kDoubled + "'");
  // Elsewhere "[" is no quote (a Firebird array subscript) and comments do
  // not nest.
  for (const std::string& kind : {kFirebird, kOracle}) {
    EXPECT_EQ(Expand(kind, "A['<USER>']"), std::string("A['") + kDoubled + "']") << kind;
    EXPECT_EQ(Expand(kind, "/* /* */ '<USER>' /* it's */"),
              std::string("/* /* */ '") + kDoubled + "' /* it's */")
        << kind;
  }
}

TEST_F(StatementForms, ValuesInNamesHaveTheClosingCharacterDoubled) {
  LoginUserName = "a]\"b'";
  EXPECT_EQ(Expand(kMsSql, "[<USER>] \"<USER>\""), "[a]]\"b'] \"a]\"\"b'\"");
  EXPECT_EQ(Expand(kFirebird, "\"<USER>\""), "\"a]\"\"b'\"");
}

TEST_F(StatementForms, AValueThatWouldEndACommentIsRefused) {
  LoginUserName = "a\nDROP TABLE T";
  EXPECT_THROW(Expand(kFirebird, "-- by <USER>\nSELECT 1"), EMacroValueError);
  EXPECT_EQ(Expand(kFirebird, "/* by <USER> */"), "/* by a\nDROP TABLE T */");
  LoginUserName = "*/ DROP TABLE T /*";
  EXPECT_THROW(Expand(kOracle, "/* by <USER> */"), EMacroValueError);
  // On SQL Server an opening inside the value would swallow the statement's
  // own end of the comment.
  LoginUserName = "/*";
  EXPECT_THROW(Expand(kMsSql, "/* <USER> */ DROP TABLE T"), EMacroValueError);
  EXPECT_EQ(Expand(kOracle, "/* <USER> */"), "/* /* */");
  // A value in code stands as it is and may open and close its own forms.
  LoginUserName = "'a' -- x";
  EXPECT_EQ(Expand(kFirebird, "SELECT <USER>\n, '<LXDIR>'"), "SELECT 'a' -- x\n, ''");
}

// The tracker follows the text the server reads, values included, so a
// token right after a two-character opener is seen where it really is.
TEST_F(StatementForms, OpenersMadeOfAStatementAndAValueCharacter) {
  LoginUserName = "*";
  LxDir = "it's";
  EXPECT_EQ(Expand(kFirebird, "/<USER> '<LXDIR>' */ '<LXDIR>'"), "/* 'it's' */ 'it''s'");
  LoginUserName = "";
  EXPECT_EQ(Expand(kFirebird, "-<USER>- '<LXDIR>'\n'<LXDIR>'"), "-- 'it's'\n'it''s'");
}

}  // namespace
}  // namespace app
