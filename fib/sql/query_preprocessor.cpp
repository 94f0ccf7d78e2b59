#include "fib/sql/query_preprocessor.h"

#include <algorithm>
#include <cctype>

#include "fib/base/errors.h"
#include "fib/sql/sql_parser.h"

namespace fib {

namespace {

bool IsLetter(char c) {
  auto u = static_cast<unsigned char>(c);
  // Bytes above ASCII are letters of the connection's character set.
  return std::isalpha(u) != 0 || u >= 0x80;
}

bool IsIdentChar(char c) { return IsLetter(c) || std::isdigit(static_cast<unsigned char>(c)) || c == '_' || c == '$'; }

bool IsNameChar(char c) {
  return IsLetter(c) || std::isdigit(static_cast<unsigned char>(c)) || c == '#' || c == '$' ||
         c == '%' || c == '.' || c == '_';
}

bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || IsLineEnd(c); }

std::string Upper(std::string_view word) {
  std::string upper(word);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

// Whether markers after `word` sit in a search condition; nullopt-like -1
// for words that do not change it.
int ConditionAfter(const std::string& word) {
  static const char* const kConditions[] = {"WHERE", "HAVING", "ON", "WHEN"};
  static const char* const kOthers[] = {"SET",   "VALUES", "SELECT", "FROM", "ORDER", "GROUP",
                                        "THEN",  "ELSE",   "INTO",   "RETURNING", "PLAN",
                                        "ROWS",  "FIRST",  "SKIP",   "MATCHING"};
  for (const char* w : kConditions)
    if (word == w) return 1;
  for (const char* w : kOthers)
    if (word == w) return 0;
  return -1;
}

class Preprocessor {
 public:
  Preprocessor(std::string_view sql, const PreprocessOptions& options)
      : sql_(sql), options_(options), check_params_(options.check_params) {}

  PreprocessedSQL Run() {
    result_.server_text.reserve(sql_.size());
    size_t i = 0;
    while (i < sql_.size()) i = Step(i);
    return std::move(result_);
  }

 private:
  char At(size_t i) const { return i < sql_.size() ? sql_[i] : '\0'; }

  [[noreturn]] void ParseError(const char* what) const {
    RaiseClientError(51, {options_.owner_name, std::string(what)});
  }

  void Copy(size_t from, size_t to) { result_.server_text.append(sql_.substr(from, to - from)); }

  // Handles the construct starting at `i` in normal state; answers where
  // scanning goes on.
  size_t Step(size_t i) {
    char c = sql_[i];
    if (c == '/' && At(i + 1) == '*') return SkipUntil(i, i + 2, "*/", "EOF in comment detected");
    if (c == '-' && At(i + 1) == '-') return SkipLineComment(i);
    if (c == '\'' || c == '"') return SkipQuoted(i, c);
    if (c == '(' || c == ')') return Paren(i, c);
    if (check_params_ && (c == ':' || c == '?')) return Parameter(i);
    if (check_params_ && c == options_.macro_char) return Macro(i);
    if (IsLetter(c) && (i == 0 || !IsIdentChar(sql_[i - 1]))) return Word(i);
    result_.server_text.push_back(c);
    return i + 1;
  }

  size_t SkipUntil(size_t start, size_t from, std::string_view end, const char* eof_message) {
    size_t found = sql_.find(end, from);
    if (found == std::string_view::npos) ParseError(eof_message);
    size_t stop = found + end.size();
    Copy(start, stop);
    return stop;
  }

  size_t SkipLineComment(size_t start) {
    size_t i = start + 2;
    while (i < sql_.size() && sql_[i] != '\0' && !IsLineEnd(sql_[i])) ++i;
    Copy(start, i);
    return i;
  }

  // A doubled quote stays inside the text.
  size_t SkipQuoted(size_t start, char quote) {
    size_t i = start + 1;
    for (;;) {
      if (i >= sql_.size()) ParseError("EOF in string detected");
      if (sql_[i] == quote) {
        if (At(i + 1) != quote) break;
        ++i;
      }
      ++i;
    }
    Copy(start, i + 1);
    return i + 1;
  }

  // Each parenthesis level has its own clause, so a sub-select's WHERE
  // does not make the rest of an outer SET list a condition.
  size_t Paren(size_t i, char c) {
    if (c == '(') {
      levels_.push_back(in_condition_);
    } else if (!levels_.empty()) {
      in_condition_ = levels_.back();
      levels_.pop_back();
    }
    result_.server_text.push_back(c);
    return i + 1;
  }

  size_t Word(size_t start) {
    size_t i = start;
    while (i < sql_.size() && IsIdentChar(sql_[i])) ++i;
    std::string word = Upper(sql_.substr(start, i - start));
    int condition = ConditionAfter(word);
    if (condition >= 0) in_condition_ = condition == 1;
    if (options_.executable_block && word == "BEGIN") check_params_ = false;
    Copy(start, i);
    return i;
  }

  size_t Parameter(size_t start) {
    SQLMarker marker;
    size_t end = ReadName(start + 1, marker);
    marker.start = static_cast<int>(start);
    marker.end = static_cast<int>(end);
    marker.in_condition = in_condition_;
    marker.operator_follows = OperatorFollows(end);
    result_.markers.push_back(std::move(marker));
    result_.server_text.push_back('?');
    return end;
  }

  // A name of name characters or a quoted name; answers where it ends.
  size_t ReadName(size_t from, SQLMarker& marker) {
    if (At(from) == '"') {
      size_t close = sql_.find('"', from + 1);
      if (close == std::string_view::npos) ParseError("EOF in string detected");
      marker.quoted = true;
      marker.name = std::string(sql_.substr(from + 1, close - from - 1));
      if (marker.name.empty()) ParseError("Parameter name expected");
      return close + 1;
    }
    size_t i = from;
    while (i < sql_.size() && IsNameChar(sql_[i])) ++i;
    if (i == from) ParseError("Parameter name expected");
    marker.name = std::string(sql_.substr(from, i - from));
    return i;
  }

  bool OperatorFollows(size_t i) const {
    while (i < sql_.size() && IsBlank(sql_[i])) ++i;
    char c = At(i);
    if (c == '|') return At(i + 1) == '|';
    if (c == '-') return At(i + 1) != '-';
    if (c == '/') return At(i + 1) != '*';
    return c == '*' || c == '+';
  }

  // "@name" runs to the next blank or line end; "@@name@" to the closing
  // macro character, which is consumed.
  size_t Macro(size_t start) {
    SQLMarker marker;
    marker.macro = true;
    size_t i = start + 1;
    size_t name_end;
    if (At(i) == options_.macro_char) {
      ++i;
      name_end = sql_.find(options_.macro_char, i);
      if (name_end == std::string_view::npos) ParseError("Parameter name expected");
    } else {
      name_end = i;
      while (name_end < sql_.size() && sql_[name_end] != '\0' && !IsBlank(sql_[name_end]))
        ++name_end;
    }
    if (name_end == i) ParseError("Parameter name expected");
    marker.name = "@" + std::string(sql_.substr(i, name_end - i));
    size_t end = At(start + 1) == options_.macro_char ? name_end + 1 : name_end;
    marker.start = static_cast<int>(start);
    marker.end = static_cast<int>(end);
    Copy(start, end);
    result_.markers.push_back(std::move(marker));
    return end;
  }

  std::string_view sql_;
  const PreprocessOptions& options_;
  bool check_params_;
  bool in_condition_ = false;
  std::vector<bool> levels_;
  PreprocessedSQL result_;
};

// Where the comparison operator before `marker_start` begins and whether it
// tests for inequality; -1 when no equality operator stands there.
int ComparisonStart(const std::string& sql, int marker_start, bool& not_equal) {
  int i = marker_start - 1;
  while (i >= 0 && IsBlank(sql[i])) --i;
  if (i < 0) return -1;
  char c = sql[i];
  char before = i > 0 ? sql[i - 1] : '\0';
  if (c == '>' && before == '<') {
    not_equal = true;
    return i - 1;
  }
  if (c != '=') return -1;
  if (before == '!' || before == '^' || before == '~') {
    not_equal = true;
    return i - 1;
  }
  if (before == '<' || before == '>') return -1;
  not_equal = false;
  return i;
}

}  // namespace

TextKind ClassifySQLText(const std::string& sql) {
  TSQLParser parser(sql);
  if (parser.Kind() == skDDL) return TextKind::kDDL;
  if (parser.Kind() == skExecuteBlock) return TextKind::kExecuteBlock;
  return TextKind::kPlain;
}

PreprocessedSQL PreprocessSQL(std::string_view sql, const PreprocessOptions& options) {
  return Preprocessor(sql, options).Run();
}

MacroName SplitMacroName(const std::string& marker_name) {
  MacroName macro;
  size_t percent = marker_name.find('%');
  macro.name = marker_name.substr(0, percent);
  if (percent == std::string::npos) return macro;
  macro.default_value = marker_name.substr(percent + 1);
  if (!macro.default_value.empty() && macro.default_value.front() == '#') {
    macro.quoted = true;
    macro.default_value.erase(0, 1);
  }
  return macro;
}

bool RewriteSQL(std::string& sql, const std::vector<MarkerEdit>& edits) {
  int shift = 0;
  bool changed = false;
  for (const MarkerEdit& edit : edits) {
    int start = edit.start + shift;
    int end = edit.end + shift;
    std::string replacement;
    if (edit.kind == MarkerEdit::kMacro) {
      replacement = edit.value;
    } else {
      bool not_equal = false;
      int op = ComparisonStart(sql, start, not_equal);
      if (op < 0) continue;
      start = op;
      replacement = not_equal ? " IS NOT NULL " : " IS NULL ";
    }
    sql.replace(start, end - start, replacement);
    shift += static_cast<int>(replacement.size()) - (end - start);
    changed = true;
  }
  return changed;
}

}  // namespace fib
