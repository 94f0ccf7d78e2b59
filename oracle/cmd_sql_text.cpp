// Line ends, error offsets and parameter names of statement texts.
#include "oracle/cmd_sql_text.h"

#include <cctype>
#include <set>

#include "classlib/ansistr.h"
#include "oracle/lexer_ora_parser.h"

namespace oracle {

namespace {

char QuoteCloser(char open) {
  switch (open) {
    case '(': return ')';
    case '[': return ']';
    case '{': return '}';
    case '<': return '>';
    default: return open;
  }
}

bool IsWrappedAt(const std::string& text, size_t i) {
  static const char kWord[] = "WRAPPED";
  if (i == 0 || i + 7 >= text.size()) return false;
  const char before = text[i - 1];
  if (before != ' ' && before != '\n' && before != '/') return false;
  for (size_t k = 0; k < 7; ++k)
    if (std::toupper(static_cast<unsigned char>(text[i + k])) != kWord[k]) return false;
  const char after = text[i + 7];
  return after == '\r' || after == '\n' || after == ' ' || after == '/';
}

}  // namespace

std::string PrepareSQLText(const std::string& text, int* limit) {
  enum class Mode { Code, LineComment, BlockComment, Literal };
  const bool stop = limit && *limit != -1;
  std::string out;
  out.reserve(text.size());
  Mode mode = Mode::Code;
  bool wrapped = false;
  char literal_end = '\'';  // the character before the closing quote of a q literal
  bool q_literal = false;
  size_t i = 0;
  while (i < text.size()) {
    if (stop && static_cast<int>(out.size()) == *limit) {
      *limit = static_cast<int>(i);
      return out;
    }
    const char c = text[i];
    if (c == '\r' && mode != Mode::Literal) {
      out += '\n';
      i += i + 1 < text.size() && text[i + 1] == '\n' ? 2 : 1;
      if (mode == Mode::LineComment) mode = Mode::Code;
      continue;
    }
    out += c;
    ++i;
    switch (mode) {
      case Mode::Code:
        if (c == '-' && i < text.size() && text[i] == '-') {
          mode = Mode::LineComment;
          out += text[i++];
        } else if (c == '/' && i < text.size() && text[i] == '*') {
          mode = Mode::BlockComment;
          out += text[i++];
        } else if (c == '\'' && !wrapped) {
          mode = Mode::Literal;
          q_literal = i >= 2 && (text[i - 2] == 'q' || text[i - 2] == 'Q') && i < text.size();
          if (q_literal) {
            literal_end = QuoteCloser(text[i]);
            out += text[i++];
          }
        } else if (!wrapped && IsWrappedAt(text, i - 1)) {
          wrapped = true;
        }
        break;
      case Mode::LineComment:
        if (c == '\n') mode = Mode::Code;
        break;
      case Mode::BlockComment:
        if (c == '*' && i < text.size() && text[i] == '/') {
          out += text[i++];
          mode = Mode::Code;
        }
        break;
      case Mode::Literal:
        if (!q_literal && c == '\'') mode = Mode::Code;
        if (q_literal && c == literal_end && i < text.size() && text[i] == '\'') {
          out += text[i++];
          mode = Mode::Code;
        }
        break;
    }
  }
  if (stop) *limit = static_cast<int>(i);
  return out;
}

std::vector<TParsedParam> ParseParamNames(const std::string& sql) {
  std::vector<TParsedParam> params;
  TOraParser parser(sql);
  parser.OmitBlank = true;
  parser.OmitComment = true;
  std::string lexeme;
  int code = parser.GetNextToken(lexeme);
  if (code == lxCREATE) return params;
  std::set<std::string> seen;
  bool after_param = false;
  for (; code != dacore::lcEnd; code = parser.GetNextToken(lexeme)) {
    if (code == lxTRIGGER) break;
    // A CREATE after a parameter starts DDL whose text holds no parameters.
    if (after_param && code == lxCREATE) break;
    if (code != lxColon || !parser.IsNotStringLexem(code)) continue;
    code = parser.GetNextToken(lexeme);
    const bool is_name = code == dacore::lcIdent || code == dacore::lcNumber || code > lxSlash;
    if (!is_name) {
      if (code == dacore::lcEnd) break;
      continue;
    }
    TParsedParam param;
    param.Name = code == dacore::lcIdent ? lexeme : parser.Token();
    if (param.Name.size() > 1 && param.Name.front() == '"' && param.Name.back() == '"') {
      param.Name = param.Name.substr(1, param.Name.size() - 2);
      param.Quoted = true;
    }
    const std::string key = param.Quoted ? "\"" + param.Name : classlib::AnsiUpperCase(param.Name);
    if (seen.insert(key).second) params.push_back(param);
    after_param = true;
  }
  return params;
}

}  // namespace oracle
