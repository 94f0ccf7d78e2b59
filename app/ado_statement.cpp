#include "app/ado_statement.h"

#include <vector>

#include "classlib/ansistr.h"

namespace app {

namespace {

bool IsWordChar(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '$' || c == '#' || c == '@' || c == '.' || u >= 0x80;
}

// The end of a quoted part that starts at `begin` ('...', "..." or [...]);
// a doubled closing character stays inside.
std::size_t QuotedEnd(std::string_view text, std::size_t begin) {
  const char close = text[begin] == '[' ? ']' : text[begin];
  std::size_t i = begin + 1;
  while (i < text.size()) {
    if (text[i] == close) {
      if (i + 1 < text.size() && text[i + 1] == close) {
        i += 2;
        continue;
      }
      return i + 1;
    }
    ++i;
  }
  return text.size();
}

// The tokens outside parentheses: names (with their quoted parts and dots
// joined) and single punctuation characters. String literals are skipped.
std::vector<std::string> TopLevelTokens(std::string_view text) {
  std::vector<std::string> tokens;
  int depth = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\'') {
      i = QuotedEnd(text, i);
    } else if (c == '(') {
      if (depth++ == 0) tokens.emplace_back("(");  // a derived table shows here
      ++i;
    } else if (c == ')') {
      if (depth > 0) --depth;
      ++i;
    } else if (IsWordChar(c) || c == '"' || c == '[') {
      std::size_t end = i;
      while (end < text.size() && (IsWordChar(text[end]) || text[end] == '"' || text[end] == '[')) {
        end = (text[end] == '"' || text[end] == '[') ? QuotedEnd(text, end) : end + 1;
      }
      if (depth == 0) tokens.emplace_back(text.substr(i, end - i));
      i = end;
    } else {
      if (depth == 0 && c > ' ') tokens.emplace_back(1, c);
      ++i;
    }
  }
  return tokens;
}

bool IsKeyword(const std::string& token, std::string_view keyword) {
  return classlib::AnsiSameText(token, keyword);
}

// Words that may end the table part of a single-table SELECT.
bool EndsTablePart(const std::string& token) {
  for (std::string_view word : {"WHERE", "ORDER", "GROUP", "HAVING", "UNION", "FOR", ";"}) {
    if (IsKeyword(token, word)) return true;
  }
  return false;
}

}  // namespace

std::string SingleBaseTable(std::string_view statement) {
  const std::vector<std::string> tokens = TopLevelTokens(statement);
  std::size_t i = 0;
  while (i < tokens.size() && !IsKeyword(tokens[i], "FROM")) ++i;
  if (i + 1 >= tokens.size()) return {};
  const std::string& table = tokens[i + 1];
  if (!IsWordChar(table.front()) && table.front() != '"' && table.front() != '[') return {};
  std::size_t next = i + 2;
  if (next < tokens.size() && IsKeyword(tokens[next], "AS")) ++next;  // "AS alias"
  if (next < tokens.size() && !EndsTablePart(tokens[next]) && tokens[next] != ",") ++next;  // alias
  if (next < tokens.size() && !EndsTablePart(tokens[next])) return {};  // a join or a table list
  return table;
}

}  // namespace app
