// TOraParser: the Oracle dialect of the SQL lexer. "#" and "$" belong to
// names, only the apostrophe quotes strings, the double quote quotes names,
// "--" starts a line comment and q-quoted literals are recognised. Its
// keyword codes are shared with every caller that classifies statements
// (49 SELECT, 58 WITH, 47 RETURNING ...).
//
// The text of a wrapped PL/SQL unit is passed over: after the keyword
// WRAPPED every token until a "/" that starts a line answers false to
// IsNotStringLexem, so parameter and macro searches skip it.
#pragma once

#include <string>

#include "classlib/stream.h"
#include "dacore/lexer_lexemes.h"
#include "dacore/lexer_parser.h"

namespace oracle {

// Symbol codes.
inline constexpr int lxStar = 1;
inline constexpr int lxEqual = 2;
inline constexpr int lxColon = 3;
inline constexpr int lxComma = 4;
inline constexpr int lxDot = 5;
inline constexpr int lxAssign = 6;  // " :=", with its leading blank
inline constexpr int lxSlash = 7;
// Keyword codes (the ones callers compare against; the table has them all).
inline constexpr int lxAND = 8;
inline constexpr int lxBEGIN = 10;
inline constexpr int lxCONNECT = 13;
inline constexpr int lxCREATE = 14;
inline constexpr int lxDECLARE = 15;
inline constexpr int lxDELETE = 17;
inline constexpr int lxFOR = 23;
inline constexpr int lxFROM = 24;
inline constexpr int lxGROUP = 27;
inline constexpr int lxHAVING = 28;
inline constexpr int lxINSERT = 30;
inline constexpr int lxINTERSECT = 31;
inline constexpr int lxINTO = 32;
inline constexpr int lxMINUS = 36;
inline constexpr int lxORDER = 38;
inline constexpr int lxRETURNING = 47;
inline constexpr int lxSELECT = 49;
inline constexpr int lxSTART = 51;
inline constexpr int lxTRIGGER = 52;
inline constexpr int lxUNION = 55;
inline constexpr int lxUPDATE = 56;
inline constexpr int lxWHERE = 57;
inline constexpr int lxWITH = 58;
inline constexpr int lxWRAPPED = 59;

const dacore::TLexemeList& OraSymbolLexemes();
const dacore::TLexemeList& OraKeywordLexemes();

class TOraParser : public dacore::TParser {
  CLASSLIB_CLASS(TOraParser, dacore::TParser)
 public:
  explicit TOraParser(const std::string& text);
  explicit TOraParser(classlib::TStream& stream);

  void InitParser() override;
  // Back to the start of the text, outside any wrapped block.
  void ToBegin() override;
  bool IsAlpha(char c) override;
  bool IsStringQuote(char c) override;
  bool IsIdentQuote(char c) override;
  bool IsInlineComment(int pos) override;
  int GetNextToken(std::string& lexeme) override;
  bool IsNotStringLexem(int code) override;
  bool IsParserOption16() override { return true; }

  bool InWrappedBlock() const { return wrapped_; }

 private:
  bool wrapped_ = false;
};

}  // namespace oracle
