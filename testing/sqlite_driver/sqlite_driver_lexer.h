// The SQLite dialect of the SQL lexer: only the apostrophe quotes strings,
// the double quote and the backquote quote names, "--" starts a line
// comment, and the keywords that begin the clauses of a SELECT carry clause
// codes, so that conditions can be added to a statement's WHERE clause.
#pragma once

#include <memory>
#include <string>

#include "dacore/lexer_lexemes.h"
#include "dacore/lexer_parser.h"
#include "dacore/macro_macros.h"

namespace sqlite_driver {

// Keyword codes, after the generic AND 29, NOT 30, OR 31.
inline constexpr int lxSELECT = 32;
inline constexpr int lxFROM = 33;
inline constexpr int lxWHERE = 34;
inline constexpr int lxGROUP = 35;
inline constexpr int lxHAVING = 36;
inline constexpr int lxORDER = 37;
inline constexpr int lxUNION = 38;
inline constexpr int lxEXCEPT = 39;
inline constexpr int lxINTERSECT = 40;
inline constexpr int lxLIMIT = 41;
inline constexpr int lxINSERT = 42;
inline constexpr int lxUPDATE = 43;
inline constexpr int lxDELETE = 44;
inline constexpr int lxINTO = 45;
inline constexpr int lxVALUES = 46;
inline constexpr int lxSET = 47;
inline constexpr int lxBY = 48;

const dacore::TLexemeList& SQLiteKeywordLexemes();

class TSQLiteParser : public dacore::TParser {
  CLASSLIB_CLASS(TSQLiteParser, dacore::TParser)
 public:
  explicit TSQLiteParser(const std::string& text);

  void InitParser() override;
  bool IsStringQuote(char c) override { return c == '\''; }
  bool IsIdentQuote(char c) override { return c == '"' || c == '`'; }
  bool IsInlineComment(int pos) override;
};

// The lexer class for macros and WHERE conditions.
dacore::TParserClass SQLiteParserClass();

// sql with condition added to the WHERE clause of its (first) SELECT.
std::string SQLiteAddWhere(const std::string& sql, const std::string& condition);
// sql without the clause of its first SELECT that begins with the keyword
// of code (lxWHERE, lxORDER ...): up to the next clause or the end.
std::string RemoveClause(const std::string& sql, int code);
// sql with its ORDER BY list replaced by fields (removed when blank),
// placed before a LIMIT clause.
std::string SQLiteSetOrderBy(const std::string& sql, const std::string& fields);

}  // namespace sqlite_driver
