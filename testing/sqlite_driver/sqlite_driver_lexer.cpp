// The SQLite dialect of the SQL lexer.
#include "testing/sqlite_driver/sqlite_driver_lexer.h"

#include <utility>

#include "classlib/ansistr.h"
#include "dacore/support_sql.h"

namespace sqlite_driver {

const dacore::TLexemeList& SQLiteKeywordLexemes() {
  static const dacore::TLexemeList keywords{
      {"AND", 29},     {"NOT", 30},    {"OR", 31},     {"SELECT", 32}, {"FROM", 33},      {"WHERE", 34},
      {"GROUP", 35},   {"HAVING", 36}, {"ORDER", 37},  {"UNION", 38},  {"EXCEPT", 39},    {"INTERSECT", 40},
      {"LIMIT", 41},   {"INSERT", 42}, {"UPDATE", 43}, {"DELETE", 44}, {"INTO", 45},      {"VALUES", 46},
      {"SET", 47},     {"BY", 48}};
  return keywords;
}

TSQLiteParser::TSQLiteParser(const std::string& text) : TParser(text) { TSQLiteParser::InitParser(); }

void TSQLiteParser::InitParser() {
  TParser::InitParser();
  keyword_lexemes_ = &SQLiteKeywordLexemes();
  clause_codes_ = {lxWHERE, lxGROUP, lxHAVING, lxORDER, lxUNION, lxEXCEPT, lxINTERSECT, lxLIMIT};
}

bool TSQLiteParser::IsInlineComment(int pos) { return Ch(pos) == '-' && Ch(pos + 1) == '-' && HasChar(pos + 1); }

dacore::TParserClass SQLiteParserClass() {
  return [](const std::string& text) -> std::unique_ptr<dacore::TParser> {
    return std::make_unique<TSQLiteParser>(text);
  };
}

namespace {

// Where the clause that begins with the keyword of code stands in the first
// SELECT at parenthesis depth 0: [first, second), first npos when absent.
std::pair<size_t, size_t> FindClause(const std::string& sql, int code) {
  TSQLiteParser parser(sql);
  parser.OmitComment = true;
  std::string lexeme;
  int depth = 0;
  bool after_from = false;
  size_t start = std::string::npos;
  for (int token = parser.GetNextToken(lexeme); token != dacore::lcEnd; token = parser.GetNextToken(lexeme)) {
    if (lexeme == "(") ++depth;
    if (lexeme == ")") --depth;
    if (depth != 0 || lexeme == ")") continue;
    if (!after_from) {
      after_from = token == lxFROM;
      continue;
    }
    const bool clause = parser.IsClauseCode(token);
    if (start != std::string::npos) {
      if (clause) return {start, static_cast<size_t>(parser.GetPrevPos())};
    } else if (token == code) {
      start = static_cast<size_t>(parser.GetPrevPos());
    } else if (token == lxUNION || token == lxEXCEPT || token == lxINTERSECT) {
      break;
    }
  }
  return {start, sql.size()};
}

}  // namespace

std::string RemoveClause(const std::string& sql, int code) {
  const auto [start, end] = FindClause(sql, code);
  if (start == std::string::npos) return sql;
  return sql.substr(0, start) + sql.substr(end);
}

std::string SQLiteSetOrderBy(const std::string& sql, const std::string& fields) {
  std::string text = RemoveClause(sql, lxORDER);
  if (classlib::Trim(fields).empty()) return text;
  const std::string clause = "ORDER BY " + classlib::Trim(fields);
  const size_t limit = FindClause(text, lxLIMIT).first;
  if (limit != std::string::npos) return text.substr(0, limit) + clause + " " + text.substr(limit);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.pop_back();
  return text + "\r" + clause;
}

std::string SQLiteAddWhere(const std::string& sql, const std::string& condition) {
  return dacore::AddWhereCondition(sql, condition, SQLiteParserClass(), lxWHERE, lxFROM);
}

}  // namespace sqlite_driver
