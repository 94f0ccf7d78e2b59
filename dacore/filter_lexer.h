// TBoolParser: the lexer of filter expressions and index field lists. It
// knows the comparison and bracket symbols and the words AND, FALSE, IS,
// LIKE, NOT, NULL, OR, TRUE; a doubled quote inside a string literal stays
// part of it.
#pragma once

#include <string>

#include "dacore/lexer_parser.h"

namespace dacore {

// Its lexeme codes.
inline constexpr int bcEqual = 1, bcGreater = 2, bcLess = 3, bcGreaterEqual = 4, bcLessEqual = 5, bcNotEqual = 6;
inline constexpr int bcOpen = 7, bcClose = 8, bcMinus = 9, bcPlus = 10, bcOpenBracket = 11, bcCloseBracket = 12;
inline constexpr int bcAnd = 13, bcFalse = 14, bcIs = 15, bcLike = 16, bcNot = 17, bcNull = 18, bcOr = 19,
                     bcTrue = 20;

class TBoolParser : public TParser {
  CLASSLIB_CLASS(TBoolParser, TParser)
 public:
  explicit TBoolParser(const std::string& text);
  void InitParser() override;
  void SkipToChar(char c) override;
};

// A string literal's text with its doubled quotes made single.
std::string UndoubleQuotes(const std::string& literal, char quote);

}  // namespace dacore
