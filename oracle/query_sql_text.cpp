// The Oracle data set's SQL text routines.
#include "oracle/query_sql_text.h"

#include <utility>

#include "dacore/support_sql.h"
#include "oracle/lexer_ora_parser.h"

namespace oracle {

namespace {

constexpr size_t npos = std::string::npos;

// Where the clause that begins with the keyword of code stands at depth 0
// after the FROM of the first SELECT: [first, second), first npos when
// absent; `insert` is where a missing clause of that kind would go (before
// the first later clause, or the end).
struct ClausePlace {
  size_t start = npos;
  size_t end = npos;
  size_t insert = npos;
};

// The clauses that come after each kind, in the order a SELECT writes them.
bool ComesAfter(int clause, int code) {
  if (code == lxWHERE) return clause != lxWHERE;
  if (code == lxORDER) return clause == lxFOR;
  return false;
}

ClausePlace FindClause(const std::string& sql, int code) {
  TOraParser parser(sql);
  parser.OmitComment = true;
  std::string lexeme;
  int depth = 0;
  bool after_from = false;
  ClausePlace place;
  for (int token = parser.GetNextToken(lexeme); token != dacore::lcEnd; token = parser.GetNextToken(lexeme)) {
    if (lexeme == "(") ++depth;
    if (lexeme == ")") --depth;
    if (depth != 0 || lexeme == ")") continue;
    if (!after_from) {
      after_from = token == lxFROM;
      continue;
    }
    if (!parser.IsClauseCode(token)) continue;
    const auto pos = static_cast<size_t>(parser.GetPrevPos());
    if (place.start != npos) {
      place.end = pos;
      return place;
    }
    if (token == code) {
      place.start = pos;
    } else if (place.insert == npos && (ComesAfter(token, code) || token == lxUNION || token == lxINTERSECT ||
                                        token == lxMINUS)) {
      place.insert = pos;
    }
  }
  if (place.start != npos) place.end = sql.size();
  if (place.insert == npos) place.insert = sql.size();
  return place;
}

// Removes trailing blanks, keeping the text before a clause readable.
std::string TrimRight(std::string text) {
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.pop_back();
  return text;
}

// sql with the top-level clause of code (keyword text given) replaced by
// body, or removed when body is empty.
std::string SetClause(const std::string& sql, int code, const std::string& keyword, const std::string& body) {
  const ClausePlace place = FindClause(sql, code);
  size_t from = place.start != npos ? place.start : place.insert;
  const size_t to = place.start != npos ? place.end : place.insert;
  std::string head = TrimRight(sql.substr(0, from));
  std::string tail = sql.substr(to);
  std::string clause;
  if (!body.empty()) {
    const bool multi_line = head.find('\r') != npos || head.find('\n') != npos;
    clause = (multi_line ? "\r " : " ") + keyword + " " + body;
  }
  if (!tail.empty() && static_cast<unsigned char>(tail.front()) > ' ') tail.insert(0, " ");
  return head + clause + tail;
}

}  // namespace

dacore::TParserClass OraParserClass() {
  return [](const std::string& text) -> std::unique_ptr<dacore::TParser> { return std::make_unique<TOraParser>(text); };
}

std::string AddWhereToSQL(const std::string& sql, const std::string& condition) {
  return dacore::AddWhereCondition(sql, condition, OraParserClass(), lxWHERE, lxSELECT);
}

std::string SetWhereInSQL(const std::string& sql, const std::string& condition) {
  return SetClause(sql, lxWHERE, "WHERE", condition);
}

std::string DeleteWhereInSQL(const std::string& sql) { return SetWhereInSQL(sql, ""); }

std::string SetOrderByInSQL(const std::string& sql, const std::string& fields) {
  return SetClause(sql, lxORDER, "ORDER BY", fields);
}

std::string DeleteOrderByInSQL(const std::string& sql) { return SetOrderByInSQL(sql, ""); }

std::string CutForUpdate(const std::string& sql) {
  TOraParser parser(sql);
  parser.OmitComment = true;
  std::string lexeme;
  int depth = 0;
  for (int token = parser.GetNextToken(lexeme); token != dacore::lcEnd; token = parser.GetNextToken(lexeme)) {
    if (lexeme == "(") ++depth;
    if (lexeme == ")") --depth;
    if (depth != 0 || token != lxFOR) continue;
    const auto pos = static_cast<size_t>(parser.GetPrevPos());
    if (parser.GetNextToken(lexeme) == lxUPDATE) return TrimRight(sql.substr(0, pos));
  }
  return sql;
}

std::string RecordCountSQL(const std::string& sql) {
  return "SELECT Count(*) FROM (\r" + CutForUpdate(DeleteOrderByInSQL(sql)) + ")";
}

}  // namespace oracle
