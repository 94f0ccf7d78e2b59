// TBoolParser: tables and literals of filter expressions.
#include "dacore/filter_lexer.h"

namespace dacore {

namespace {

const TLexemeList& BoolSymbolLexemes() {
  static const TLexemeList table{{"=", bcEqual},        {">", bcGreater}, {"<", bcLess},       {">=", bcGreaterEqual},
                                 {"<=", bcLessEqual},   {"<>", bcNotEqual}, {"(", bcOpen},     {")", bcClose},
                                 {"-", bcMinus},        {"+", bcPlus},    {"[", bcOpenBracket}, {"]", bcCloseBracket}};
  return table;
}

const TLexemeList& BoolKeywordLexemes() {
  static const TLexemeList table{{"AND", bcAnd}, {"FALSE", bcFalse}, {"IS", bcIs}, {"LIKE", bcLike},
                                 {"NOT", bcNot}, {"NULL", bcNull},   {"OR", bcOr}, {"TRUE", bcTrue}};
  return table;
}

}  // namespace

TBoolParser::TBoolParser(const std::string& text) : TParser(text) { InitParser(); }

void TBoolParser::InitParser() {
  TParser::InitParser();
  symbol_lexemes_ = &BoolSymbolLexemes();
  keyword_lexemes_ = &BoolKeywordLexemes();
}

// Stops at the closing quote only: a doubled quote is passed over.
void TBoolParser::SkipToChar(char c) {
  for (;;) {
    TParser::SkipToChar(c);
    if (!HasChar(Pos()) || Ch(Pos() + 1) != c || !HasChar(Pos() + 1)) return;
    SetPos(Pos() + 2);
  }
}

std::string UndoubleQuotes(const std::string& literal, char quote) {
  std::string out;
  out.reserve(literal.size());
  for (size_t i = 0; i < literal.size(); ++i) {
    out.push_back(literal[i]);
    if (literal[i] == quote && i + 1 < literal.size() && literal[i + 1] == quote) ++i;
  }
  return out;
}

}  // namespace dacore
