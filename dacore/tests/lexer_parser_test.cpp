// The SQL lexer: token codes of mixed statements, literals, numbers,
// comments and lines, the unknown-symbol error, and stream input across
// window borders.
#include "dacore/lexer_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "classlib/exceptions.h"
#include "classlib/stream.h"

namespace dacore {
namespace {

using Tokens = std::vector<std::pair<int, std::string>>;

Tokens Scan(TParser& parser) {
  Tokens out;
  std::string lexeme;
  for (int code = parser.GetNextToken(lexeme); code != lcEnd; code = parser.GetNextToken(lexeme))
    out.emplace_back(code, lexeme);
  return out;
}

Tokens Scan(const std::string& text) {
  TParser parser(text);
  return Scan(parser);
}

TEST(LexerTest, MixedStatementGivesCodesAndLexemes) {
  const Tokens tokens = Scan("select a.b, 'it''s' from t where x<=1.5 and y <> :p -- no\n/* note */ ;");
  const Tokens expected{{lcIdent, "select"}, {lcIdent, "a"}, {14, "."},      {lcIdent, "b"},  {12, ","},
                        {lcString, "it"},    {lcString, "s"}, {lcIdent, "from"}, {lcIdent, "t"},
                        {lcIdent, "where"},  {lcIdent, "x"}, {18, "<"},      {19, "="},       {lcNumber, "1.5"},
                        {29, "AND"},         {lcIdent, "y"}, {18, "<"},      {20, ">"},       {16, ":"},
                        {lcIdent, "p"},      {13, "-"},      {13, "-"},      {lcIdent, "no"}, {lcComment, "/* note */"},
                        {17, ";"}};
  EXPECT_EQ(tokens, expected);
}

TEST(LexerTest, NumbersTakeOnlyTheDecimalSeparatorBeforeADigit) {
  EXPECT_EQ(Scan("1.5"), (Tokens{{lcNumber, "1.5"}}));
  EXPECT_EQ(Scan("1.e"), (Tokens{{lcNumber, "1"}, {14, "."}, {lcIdent, "e"}}));
  EXPECT_EQ(Scan("12-3e4"), (Tokens{{lcNumber, "12"}, {13, "-"}, {lcNumber, "3"}, {lcIdent, "e4"}}));
  TParser comma("1,5");
  comma.DecimalSeparator = ',';
  EXPECT_EQ(Scan(comma), (Tokens{{lcNumber, "1,5"}}));
}

TEST(LexerTest, KeywordsFoldCaseUnlessOmitted) {
  EXPECT_EQ(Scan("and Or nOt"), (Tokens{{29, "AND"}, {31, "OR"}, {30, "NOT"}}));
  TParser parser("and");
  parser.Uppercase = false;
  EXPECT_EQ(Scan(parser), (Tokens{{29, "and"}}));
  TParser plain("and");
  plain.OmitKeywords = true;
  EXPECT_EQ(Scan(plain), (Tokens{{lcIdent, "and"}}));
}

TEST(LexerTest, QuotesBlanksAndCommentsOnRequest) {
  TParser parser("'a'  \"b\" // rest\n");
  parser.QuotedString = true;
  parser.OmitBlank = false;
  EXPECT_EQ(Scan(parser), (Tokens{{lcString, "'a'"}, {lcBlank, "  "}, {lcString, "\"b\""}, {lcBlank, " "},
                                  {lcComment, "// rest"}, {lcBlank, "\n"}}));
  TParser omit("a /* x */ b");
  omit.OmitComment = true;
  EXPECT_EQ(Scan(omit), (Tokens{{lcIdent, "a"}, {lcIdent, "b"}}));
  // An unterminated literal runs to the end of the text.
  EXPECT_EQ(Scan("'open"), (Tokens{{lcString, "open"}}));
}

TEST(LexerTest, AdvancedStringParsingReadsQQuotedLiterals) {
  TParser parser("q'[it's]' q'!x!' q");
  parser.AdvancedStringParsing = true;
  EXPECT_EQ(Scan(parser), (Tokens{{lcString, "it's"}, {lcString, "x"}, {lcIdent, "q"}}));
  EXPECT_EQ(Scan("q'[a]'"), (Tokens{{lcIdent, "q"}, {lcString, "[a]"}}));
}

TEST(LexerTest, LinesAndPositionsFollowTheTokens) {
  TParser parser("a /* one\r\ntwo */ b\nc");
  parser.OmitComment = false;
  EXPECT_EQ(parser.GetNextCode(), lcIdent);
  EXPECT_EQ(parser.GetNextCode(), lcComment);
  EXPECT_EQ(parser.CurrLine(), 1);
  EXPECT_EQ(parser.GetNextCode(), lcIdent);
  EXPECT_EQ(parser.GetPrevPos(), 17);
  EXPECT_EQ(parser.GetPrevCol(), 7);
  EXPECT_EQ(parser.GetNextCode(), lcIdent);
  EXPECT_EQ(parser.PrevLine(), 2);
  EXPECT_EQ(parser.GetPrevCol(), 0);
  EXPECT_EQ(parser.GetPrevPrevPos(), 17);
  parser.BackToLastToken();
  EXPECT_EQ(parser.GetNextCode(), lcIdent);
  EXPECT_EQ(parser.Token(), "c");
  EXPECT_EQ(parser.GetCharAt(0), 'a');
  EXPECT_EQ(parser.GetCharAt(100), '\0');
}

TEST(LexerTest, SearchesForCodesAndLexemes) {
  TParser parser("select x from t where y = 1 order by y");
  EXPECT_TRUE(parser.ToLexem("WHERE"));
  EXPECT_EQ(parser.SkipToCode(19), 19);
  EXPECT_EQ(parser.GetNextCode(), lcNumber);
  EXPECT_EQ(parser.SkipToCode(12), lcEnd);
  parser.ToBegin();
  EXPECT_FALSE(parser.ToLexem("group"));
  // The base lexer has no clause codes: asking is a consistency failure.
  EXPECT_THROW(parser.IsClauseCode(1), classlib::EAssertionFailed);
}

TEST(LexerTest, UnknownCharacterRaisesWithItsCode) {
  TParser parser(std::string("a \x01"));
  parser.GetNextCode();
  try {
    parser.GetNextCode();
    FAIL() << "no exception";
  } catch (const classlib::Exception& e) {
    EXPECT_EQ(e.Message(), std::string("Parser: The unknown symbol '\x01'  $0001"));
  }
  // A character of code 128 or more is a letter.
  EXPECT_EQ(Scan("\xC0\xC1"), (Tokens{{lcIdent, "\xC0\xC1"}}));
}

TEST(LexerTest, LongSymbolRunsScanInLinearTime) {
  const std::string text(50000, ')');
  TParser parser(text);
  int count = 0;
  while (parser.GetNextCode() == 9) ++count;
  EXPECT_EQ(count, 50000);
}

TEST(LexerTest, StreamInputCrossesWindows) {
  // Tokens straddle the 65536-byte window borders.
  std::string text;
  std::vector<std::string> words;
  for (int i = 0; text.size() < 3 * 65536; ++i) {
    words.push_back("word" + std::to_string(i) + std::string(static_cast<size_t>(i % 13), 'x'));
    text += words.back() + (i % 7 == 0 ? "\r\n" : " ");
  }
  text += "'a literal at the end'";
  classlib::TMemoryStream stream;
  stream.WriteBuffer(text.data(), static_cast<int>(text.size()));
  stream.SetPosition(0);
  TParser parser(stream);
  Tokens tokens = Scan(parser);
  ASSERT_EQ(tokens.size(), words.size() + 1);
  for (size_t i = 0; i < words.size(); ++i) ASSERT_EQ(tokens[i].second, words[i]) << i;
  EXPECT_EQ(tokens.back(), (Tokens::value_type{lcString, "a literal at the end"}));
  EXPECT_EQ(parser.CurrLine(), static_cast<int>((words.size() + 6) / 7));
}

}  // namespace
}  // namespace dacore
