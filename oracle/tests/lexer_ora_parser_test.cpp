// The Oracle dialect of the lexer: token codes of statements with bind
// names, quoted names, "$" and "#" in names, comments, literals, and the
// wrapped-block rule.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "oracle/lexer_ora_parser.h"

namespace oracle {
namespace {

using dacore::lcComment;
using dacore::lcIdent;
using dacore::lcNumber;
using dacore::lcString;
using ::testing::ElementsAre;
using ::testing::Pair;
using Tokens = std::vector<std::pair<int, std::string>>;

Tokens Scan(TOraParser& parser) {
  Tokens tokens;
  std::string lexeme;
  for (int code; (code = parser.GetNextToken(lexeme)) != dacore::lcEnd;)
    tokens.emplace_back(code, lexeme);
  return tokens;
}

Tokens Scan(const std::string& text) {
  TOraParser parser(text);
  return Scan(parser);
}

TEST(OraParser, QueryWithBindName) {
  EXPECT_THAT(Scan("select * from t where a = :p"),
              ElementsAre(Pair(lxSELECT, "SELECT"), Pair(lxStar, "*"), Pair(lxFROM, "FROM"),
                          Pair(lcIdent, "t"), Pair(lxWHERE, "WHERE"), Pair(lcIdent, "a"),
                          Pair(lxEqual, "="), Pair(lxColon, ":"), Pair(lcIdent, "p")));
}

TEST(OraParser, KeywordsKeepTheirCodes) {
  EXPECT_THAT(Scan("With Returning Into wrapped"),
              ElementsAre(Pair(lxWITH, "WITH"), Pair(lxRETURNING, "RETURNING"),
                          Pair(lxINTO, "INTO"), Pair(lxWRAPPED, "WRAPPED")));
  EXPECT_THAT(Scan("insert update delete , . /"),
              ElementsAre(Pair(30, "INSERT"), Pair(56, "UPDATE"), Pair(17, "DELETE"),
                          Pair(lxComma, ","), Pair(lxDot, "."), Pair(lxSlash, "/")));
}

TEST(OraParser, DollarAndHashBelongToNames) {
  EXPECT_THAT(Scan("select sys$users, a#b from v$session"),
              ElementsAre(Pair(lxSELECT, "SELECT"), Pair(lcIdent, "sys$users"), Pair(lxComma, ","),
                          Pair(lcIdent, "a#b"), Pair(lxFROM, "FROM"), Pair(lcIdent, "v$session")));
}

TEST(OraParser, QuotesNamesAndStrings) {
  TOraParser parser("select \"My Col\", 'it''s', q'[a'b]' from \"T\"");
  EXPECT_THAT(Scan(parser),
              ElementsAre(Pair(lxSELECT, "SELECT"), Pair(lcIdent, "\"My Col\""), Pair(lxComma, ","),
                          Pair(lcString, "it"), Pair(lcString, "s"), Pair(lxComma, ","),
                          Pair(lcString, "a'b"), Pair(lxFROM, "FROM"), Pair(lcIdent, "\"T\"")));
  EXPECT_THAT(Scan(":\"MixedCase\""), ElementsAre(Pair(lxColon, ":"), Pair(lcIdent, "\"MixedCase\"")));
}

TEST(OraParser, DoubleMinusStartsALineComment) {
  TOraParser parser("select 1 -- :not_a_param\nfrom dual /* :x */ - -1");
  parser.OmitComment = false;
  EXPECT_THAT(Scan(parser),
              ElementsAre(Pair(lxSELECT, "SELECT"), Pair(lcNumber, "1"),
                          Pair(lcComment, "-- :not_a_param"), Pair(lxFROM, "FROM"),
                          Pair(lcIdent, "dual"), Pair(lcComment, "/* :x */"),
                          Pair(dacore::lcSymbol, "-"), Pair(dacore::lcSymbol, "-"), Pair(lcNumber, "1")));
  EXPECT_THAT(Scan("a // b"), ElementsAre(Pair(lcIdent, "a"), Pair(lxSlash, "/"), Pair(lxSlash, "/"),
                                          Pair(lcIdent, "b")))
      << "two slashes are no comment here";
  EXPECT_THAT(Scan("x -"), ElementsAre(Pair(lcIdent, "x"), Pair(dacore::lcSymbol, "-")));
}

TEST(OraParser, WrappedUnitIsPassedOverUntilASlashStartsALine) {
  TOraParser parser("create package p wrapped\nabc :x / :y\n/\nselect :z from dual");
  std::vector<std::pair<std::string, bool>> seen;
  std::string lexeme;
  for (int code; (code = parser.GetNextToken(lexeme)) != dacore::lcEnd;)
    seen.emplace_back(lexeme, parser.IsNotStringLexem(code));
  EXPECT_THAT(seen, ElementsAre(Pair("CREATE", true), Pair("PACKAGE", true), Pair("p", true),
                                Pair("WRAPPED", false), Pair("abc", false), Pair(":", false),
                                Pair("x", false), Pair("/", false), Pair(":", false), Pair("y", false),
                                Pair("/", true), Pair("SELECT", true), Pair(":", true), Pair("z", true),
                                Pair("FROM", true), Pair("dual", true)));
  parser.ToBegin();
  EXPECT_FALSE(parser.InWrappedBlock());
}

TEST(OraParser, ClauseTable) {
  TOraParser parser("");
  for (int code : {lxWHERE, lxSTART, lxCONNECT, lxGROUP, lxHAVING, lxUNION, lxINTERSECT, lxMINUS,
                   lxORDER, lxFOR})
    EXPECT_TRUE(parser.IsClauseCode(code)) << code;
  EXPECT_FALSE(parser.IsClauseCode(lxSELECT));
  EXPECT_FALSE(parser.IsClauseCode(lxFROM));
  EXPECT_TRUE(parser.IsParserOption16());
}

}  // namespace
}  // namespace oracle
