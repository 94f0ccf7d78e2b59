// AddWhereCondition and the update kind's statement type.
#include "dacore/support_sql.h"

#include <memory>

#include "classlib/ansistr.h"
#include "classlib/exceptions.h"

namespace dacore {

TStatementType UpdateKindToStatementType(classlib::TUpdateKind kind) {
  switch (kind) {
    case classlib::ukModify: return stUpdate;
    case classlib::ukInsert: return stInsert;
    case classlib::ukDelete: return stDelete;
  }
  CLASSLIB_ASSERT(false);
  return stQuery;
}

namespace {

// Where the statement's WHERE keyword ends (-1 when it has none) and where
// the clause after it begins (the text's length when none follows).
struct TWhereSpan {
  int keyword_end = -1;
  int stop = 0;
};

TWhereSpan FindWhere(TParser& parser, int length, int where_code, int start_code) {
  TWhereSpan span{-1, length};
  if (parser.SkipToCode(start_code) == lcEnd) return span;
  const std::string macro_char(1, MacroChar());
  std::string lexeme;
  std::string previous;
  int depth = 0;
  for (int code = parser.GetNextToken(lexeme); code != lcEnd; code = parser.GetNextToken(lexeme)) {
    if (lexeme == "(") {
      ++depth;
    } else if (lexeme == ")") {
      --depth;
    } else if (depth == 0 && code == where_code) {
      if (previous != macro_char) span.keyword_end = parser.GetCurrPos();
    } else if (depth == 0 && parser.IsClauseCode(code)) {
      span.stop = parser.GetPrevPos();
      break;
    }
    previous = lexeme;
  }
  return span;
}

bool EndsInBlank(const std::string& text) {
  return !text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                           text.back() == '\n');
}

// Whether text ends inside a line comment: servers end one only at a line
// feed, so text added after it needs a line of its own.
bool EndsInLineComment(const TParserClass& parser_class, const std::string& text) {
  std::unique_ptr<TParser> parser = parser_class(text);
  parser->OmitComment = false;
  std::string lexeme;
  int comment_start = -1;
  for (int code = parser->GetNextToken(lexeme); code != lcEnd; code = parser->GetNextToken(lexeme)) {
    const int start = parser->GetPrevPos();
    comment_start = code == lcComment && parser->IsInlineComment(start + 1) ? start : -1;
  }
  return comment_start >= 0 && text.find('\n', static_cast<size_t>(comment_start)) == std::string::npos;
}

}  // namespace

std::string AddWhereCondition(const std::string& sql, const std::string& condition,
                              const TParserClass& parser_class, int where_code, int start_code,
                              bool omit_comment) {
  if (classlib::Trim(condition).empty()) return sql;
  std::unique_ptr<TParser> parser = parser_class(sql);
  parser->OmitComment = omit_comment;
  const TWhereSpan span = FindWhere(*parser, static_cast<int>(sql.size()), where_code, start_code);
  const auto stop = static_cast<size_t>(span.stop);
  // After a line comment the added text starts on a new line.
  const bool after_comment = EndsInLineComment(parser_class, sql.substr(0, stop));
  if (span.keyword_end < 0)
    return sql.substr(0, stop) + (after_comment ? "\r\n" : "\r") + "WHERE " + condition + " " + sql.substr(stop);
  const auto keyword_end = static_cast<size_t>(span.keyword_end);
  const std::string old_condition = sql.substr(keyword_end, stop - keyword_end);
  const char* close = after_comment ? "\r\n)" : EndsInBlank(old_condition) ? "\r)" : ")";
  return sql.substr(0, keyword_end) + "(" + old_condition + close + " AND " + condition + " " + sql.substr(stop);
}

std::vector<std::string> SplitFieldNames(const std::string& text) {
  std::vector<std::string> names;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = text.find(';', start);
    const std::string name = classlib::Trim(text.substr(start, end == std::string::npos ? end : end - start));
    if (!name.empty()) names.push_back(name);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return names;
}

}  // namespace dacore
