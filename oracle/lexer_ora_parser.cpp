#include "oracle/lexer_ora_parser.h"

namespace oracle {

const dacore::TLexemeList& OraSymbolLexemes() {
  static const dacore::TLexemeList symbols{{"*", 1}, {"=", 2}, {":", 3},  {",", 4},
                                           {".", 5}, {" :=", 6}, {"/", 7}};
  return symbols;
}

const dacore::TLexemeList& OraKeywordLexemes() {
  static const dacore::TLexemeList keywords{
      {"AND", 8},        {"AS", 9},         {"BEGIN", 10},   {"BODY", 11},     {"BY", 12},
      {"CONNECT", 13},   {"CREATE", 14},    {"DECLARE", 15}, {"DEFINE", 16},   {"DELETE", 17},
      {"DISCONNECT", 18}, {"END", 19},      {"EXECUTE", 20}, {"EXIT", 21},     {"EXPLAIN", 22},
      {"FOR", 23},       {"FROM", 24},      {"FULL", 25},    {"FUNCTION", 26}, {"GROUP", 27},
      {"HAVING", 28},    {"INNER", 29},     {"INSERT", 30},  {"INTERSECT", 31}, {"INTO", 32},
      {"IS", 33},        {"JOIN", 34},      {"LEFT", 35},    {"MINUS", 36},    {"OR", 37},
      {"ORDER", 38},     {"OUTER", 39},     {"PACKAGE", 40}, {"PAUSE", 41},    {"PROCEDURE", 42},
      {"PROMPT", 43},    {"QUIT", 44},      {"REMARK", 45},  {"REPLACE", 46},  {"RETURNING", 47},
      {"RIGHT", 48},     {"SELECT", 49},    {"SET", 50},     {"START", 51},    {"TRIGGER", 52},
      {"TYPE", 53},      {"UNDEFINE", 54},  {"UNION", 55},   {"UPDATE", 56},   {"WHERE", 57},
      {"WITH", 58},      {"WRAPPED", 59}};
  return keywords;
}

TOraParser::TOraParser(const std::string& text) : TParser(text) { TOraParser::InitParser(); }

TOraParser::TOraParser(classlib::TStream& stream) : TParser(stream) { TOraParser::InitParser(); }

void TOraParser::InitParser() {
  TParser::InitParser();
  symbol_lexemes_ = &OraSymbolLexemes();
  keyword_lexemes_ = &OraKeywordLexemes();
  comment_begin_ = "/*";
  comment_end_ = "*/";
  AdvancedStringParsing = true;
  clause_codes_ = {lxWHERE, lxSTART, lxCONNECT, lxGROUP, lxHAVING,
                   lxUNION, lxINTERSECT, lxMINUS, lxORDER, lxFOR};
}

void TOraParser::ToBegin() {
  TParser::ToBegin();
  wrapped_ = false;
}

bool TOraParser::IsAlpha(char c) { return c == '#' || c == '$' || TParser::IsAlpha(c); }

bool TOraParser::IsStringQuote(char c) { return c == '\''; }

bool TOraParser::IsIdentQuote(char c) { return c == '"'; }

bool TOraParser::IsInlineComment(int pos) {
  return Ch(pos) == '-' && HasChar(pos + 1) && Ch(pos + 1) == '-';
}

int TOraParser::GetNextToken(std::string& lexeme) {
  int code = TParser::GetNextToken(lexeme);
  if (code == lxWRAPPED)
    wrapped_ = true;
  else if (wrapped_ && code == lxSlash && GetPrevCol() == 0)
    wrapped_ = false;
  return code;
}

bool TOraParser::IsNotStringLexem(int code) {
  return !wrapped_ && TParser::IsNotStringLexem(code);
}

}  // namespace oracle
