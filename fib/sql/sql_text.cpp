// Text routines over SQL fragments. Each one knows where quoted names,
// string literals and comments are, so keywords and parentheses inside
// them are never taken for statement text.
#include "fib/sql/sql_text.h"

#include "fib/base/str_util.h"
#include "fib/sql/reserved_words.h"
#include "fib/sql/sql_parser.h"

namespace fib {

namespace {

// Index just past the quoted part that starts at i (s[i] is the quote).
size_t SkipQuoted(std::string_view s, size_t i) {
  const size_t close = s.find(s[i], i + 1);
  return close == std::string_view::npos ? s.size() : close + 1;
}

// Index just past the comment that starts at i, or i when none starts there.
size_t SkipComment(std::string_view s, size_t i) {
  if (s.compare(i, 2, "--") == 0) {
    while (i < s.size() && s[i] != '\n' && s[i] != '\r') ++i;
    return i;
  }
  if (s.compare(i, 2, "/*") == 0) {
    const size_t close = s.find("*/", i + 2);
    return close == std::string_view::npos ? s.size() : close + 2;
  }
  return i;
}

enum class TokenKind { kWord, kQuoted, kOpen, kClose, kComma };

struct Token {
  TokenKind kind;
  size_t begin;
  size_t end;
};

bool IsFromSeparator(char c) { return IsSQLBlank(c) || c == '-' || c == '/' || c == ';'; }

// Words, quoted names and literals, parentheses and commas of a FROM list;
// comments and separators are dropped.
std::vector<Token> TokenizeFromList(std::string_view s) {
  std::vector<Token> tokens;
  size_t i = 0;
  while (i < s.size()) {
    const size_t after_comment = SkipComment(s, i);
    if (after_comment != i) {
      i = after_comment;
      continue;
    }
    const char c = s[i];
    if (c == '"' || c == '\'') {
      const size_t end = SkipQuoted(s, i);
      tokens.push_back({TokenKind::kQuoted, i, end});
      i = end;
    } else if (c == '(' || c == ')' || c == ',') {
      const TokenKind kind = c == '('   ? TokenKind::kOpen
                             : c == ')' ? TokenKind::kClose
                                        : TokenKind::kComma;
      tokens.push_back({kind, i, i + 1});
      ++i;
    } else if (IsFromSeparator(c)) {
      ++i;
    } else {
      const size_t begin = i;
      while (i < s.size() && !IsFromSeparator(s[i]) && s[i] != '"' && s[i] != '\'' && s[i] != '(' &&
             s[i] != ')' && s[i] != ',') {
        ++i;
      }
      tokens.push_back({TokenKind::kWord, begin, i});
    }
  }
  return tokens;
}

bool IsJoinModifier(const std::string& word) {
  return StrInArray(UpperCaseASCII(word),
                    {"LEFT", "RIGHT", "FULL", "INNER", "OUTER", "CROSS", "NATURAL"});
}

// Splits a FROM list into entries; see FromListEntries. With keep_groups a
// parenthesised group stays in its entry as written.
std::vector<std::string> SplitFromList(std::string_view s, bool keep_entries, bool upper,
                                       bool keep_groups) {
  std::vector<std::string> entries;
  std::vector<std::string> parts;
  bool drop = false;
  bool in_condition = false;  // skipping an ON or USING condition
  int depth = 0;
  size_t group_begin = 0;
  auto flush = [&]() {
    if (!drop && !parts.empty()) {
      std::string entry = parts[0];
      for (size_t k = 1; k < parts.size(); ++k) entry += " " + parts[k];
      entries.push_back(entry);
    }
    parts.clear();
    drop = false;
    in_condition = false;
  };
  for (const Token& t : TokenizeFromList(s)) {
    const std::string text(s.substr(t.begin, t.end - t.begin));
    if (depth > 0) {
      if (t.kind == TokenKind::kOpen) ++depth;
      if (t.kind == TokenKind::kClose && --depth == 0 && keep_groups && !in_condition)
        parts.push_back(std::string(s.substr(group_begin, t.end - group_begin)));
      continue;
    }
    if (t.kind == TokenKind::kComma) {
      flush();
    } else if (t.kind == TokenKind::kWord && SameStrASCII(text, "JOIN", false)) {
      while (!parts.empty() && IsJoinModifier(parts.back())) parts.pop_back();
      flush();
    } else if (t.kind == TokenKind::kOpen) {
      depth = 1;
      group_begin = t.begin;
      if (!keep_entries && !keep_groups && !in_condition) drop = true;
    } else if (in_condition || t.kind == TokenKind::kClose) {
      continue;
    } else if (t.kind == TokenKind::kWord &&
               (SameStrASCII(text, "ON", false) || SameStrASCII(text, "USING", false))) {
      in_condition = true;
    } else {
      parts.push_back(upper && t.kind == TokenKind::kWord ? UpperCaseASCII(text) : text);
    }
  }
  flush();
  return entries;
}

bool IsQuotedName(std::string_view name) { return name.size() >= 2 && name.front() == '"'; }

// The text between a name's double quotes, doubled quotes undoubled.
std::string InnerName(std::string_view name) {
  std::string result;
  const size_t end = name.back() == '"' ? name.size() - 1 : name.size();
  for (size_t i = 1; i < end; ++i) {
    result += name[i];
    if (name[i] == '"' && i + 1 < end && name[i + 1] == '"') ++i;
  }
  return result;
}

std::string QuoteIfNeeded(std::string_view name) {
  if (!NeedQuoteIdentifier(name)) return std::string(name);
  std::string quoted(1, '"');
  quoted += ReplaceSubStr(name, "\"", "\"\"");
  quoted += '"';
  return quoted;
}

}  // namespace

std::string StripSQLComments(std::string_view s) {
  std::string result;
  result.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    if (s[i] == '"' || s[i] == '\'') {
      const size_t end = SkipQuoted(s, i);
      result.append(s.substr(i, end - i));
      i = end;
      continue;
    }
    size_t end = SkipComment(s, i);
    if (end == i) {
      result += s[i++];
      continue;
    }
    if (s[i] == '-' && end < s.size()) {
      // The line break goes with the comment: CR, CR LF or LF.
      if (s[end] == '\r') ++end;
      if (end < s.size() && s[end] == '\n') ++end;
    }
    // Two words that only a comment kept apart stay apart.
    if (!result.empty() && !IsBlankChar(result.back()) && end < s.size() && !IsBlankChar(s[end]))
      result += ' ';
    i = end;
  }
  return result;
}

bool EndsInLineComment(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    if (s[i] == '"' || s[i] == '\'') {
      i = SkipQuoted(s, i);
      continue;
    }
    const size_t end = SkipComment(s, i);
    if (end == i) {
      ++i;
    } else if (s[i] == '-' && end == s.size()) {
      return true;
    } else {
      i = end;
    }
  }
  return false;
}

std::string AppendToSQL(std::string_view sql, std::string_view tail) {
  std::string result(sql);
  const bool tail_breaks_line = !tail.empty() && (tail[0] == '\r' || tail[0] == '\n');
  if (!tail.empty() && !tail_breaks_line && EndsInLineComment(sql)) result += "\r\n";
  result.append(tail);
  return result;
}

std::vector<std::string> FromListEntries(std::string_view from_list, bool keep_entries,
                                         bool upper) {
  return SplitFromList(from_list, keep_entries, upper, false);
}

std::string JoinsToCommaList(std::string_view s) {
  std::string result;
  for (const std::string& entry : SplitFromList(s, true, false, true)) {
    if (!result.empty()) result += ", ";
    result += entry;
  }
  return result;
}

std::string RemoveParenthesized(std::string_view s, bool keep_entries) {
  std::string result(s);
  while (true) {
    size_t open = std::string::npos;
    size_t close = std::string::npos;
    size_t last_comma = std::string::npos;  // before the group
    int depth = 0;
    for (size_t i = 0; i < result.size() && close == std::string::npos;) {
      const char c = result[i];
      if (c == '"' || c == '\'') {
        i = SkipQuoted(result, i);
        continue;
      }
      if (c == ',' && depth == 0) last_comma = i;
      if (c == '(' && depth++ == 0) open = i;
      if (c == ')' && depth > 0 && --depth == 0) close = i;
      ++i;
    }
    if (open == std::string::npos) return result;
    size_t begin = open;
    size_t end = close == std::string::npos ? result.size() : close + 1;
    if (!keep_entries) {
      begin = last_comma == std::string::npos ? 0 : last_comma;
      size_t next = end;
      while (next < result.size() && result[next] != ',') {
        next = (result[next] == '"' || result[next] == '\'') ? SkipQuoted(result, next) : next + 1;
      }
      end = next;
    }
    result.erase(begin, end - begin);
  }
}

bool SameIdentifiers(std::string_view a, std::string_view b) {
  if (a.empty() || b.empty()) return true;
  const bool qa = IsQuotedName(a);
  const bool qb = IsQuotedName(b);
  if (qa && qb) return InnerName(a) == InnerName(b);
  if (qa) return InnerName(a) == UpperCaseASCII(b);
  if (qb) return InnerName(b) == UpperCaseASCII(a);
  return UpperCaseASCII(a) == UpperCaseASCII(b);
}

std::string QualifiedName(std::string_view table, std::string_view field) {
  if (table.empty()) return QuoteIfNeeded(field);
  return QuoteIfNeeded(table) + "." + QuoteIfNeeded(field);
}

int AliasPos(std::string_view ref) {
  size_t i = 0;
  while (i < ref.size() && !IsSQLBlank(ref[i])) {
    i = (ref[i] == '"' || ref[i] == '\'') ? SkipQuoted(ref, i) : i + 1;
  }
  if (i >= ref.size()) return 0;
  while (i < ref.size() && IsKeywordEndChar(ref[i])) ++i;
  return static_cast<int>(i) + 1;
}

std::string TableOfRef(std::string_view ref, int alias_pos) {
  if (alias_pos <= 0) return FastTrim(ref);
  return FastTrim(ref.substr(0, std::min(ref.size(), static_cast<size_t>(alias_pos - 1))));
}

std::string AliasOfRef(std::string_view ref, int alias_pos) {
  if (alias_pos <= 0 || alias_pos > static_cast<int>(ref.size())) return std::string();
  std::string alias = FastTrim(ref.substr(static_cast<size_t>(alias_pos - 1)));
  if (alias.size() > 2 && SameStrASCII(alias.substr(0, 2), "AS", false) && IsSQLBlank(alias[2]))
    alias = FastTrim(alias.substr(3));
  return alias;
}

std::string NormalizedIdentifier(std::string_view name) {
  const std::string trimmed = FastTrim(name);
  return IsQuotedName(trimmed) ? InnerName(trimmed) : UpperCaseASCII(trimmed);
}

int PosWordInSQL(std::string_view word, std::string_view s) {
  static const CharSet kLead = MakeCharSet("\t\n\r )");
  static const CharSet kEnd = MakeCharSet("\t\n\r (-/;");
  return PosDelimited(word, s, kLead, kEnd, false);
}

void SplitAtPercent(std::string_view s, char lead, std::string& left, std::string& right) {
  const size_t percent = s.find('%');
  const std::string_view head = percent == std::string_view::npos ? s : s.substr(0, percent);
  left = (!s.empty() && s[0] == lead) ? std::string(head) : lead + std::string(head);
  if (percent != std::string_view::npos) right = std::string(s.substr(percent + 1));
}

bool IsWhereAt(std::string_view s, int pos) { return SQLKeywordAt(s, pos, "WHERE"); }

bool IsWhereEndAt(std::string_view s, int pos) {
  if (pos > static_cast<int>(s.size())) return true;
  for (const char* word :
       {"FOR", "GROUP", "HAVING", "ORDER", "PLAN", "START", "UNION", "ROWS", "RETURNING"}) {
    if (SQLKeywordAt(s, pos, word)) return true;
  }
  return false;
}

}  // namespace fib
