// ORDER BY lists read item by item (expression, collation, direction,
// nulls placement), and the column a parameter is compared with.
#include <algorithm>

#include "classlib/ansistr.h"
#include "fib/base/str_util.h"
#include "fib/sql/sql_clauses.h"
#include "fib/sql/sql_parser.h"
#include "fib/sql/sql_text.h"

namespace fib {

namespace {

struct Span {
  size_t begin;
  size_t end;
};

// Runs of s separated by `separator` (or blanks when it is 0) at parenthesis
// depth 0 outside quotes and literals.
std::vector<Span> SplitTopLevel(std::string_view s, char separator) {
  std::vector<Span> spans;
  size_t begin = 0;
  int depth = 0;
  auto is_separator = [&](char c) { return separator ? c == separator : IsSQLBlank(c); };
  for (size_t i = 0; i <= s.size(); ++i) {
    if (i < s.size() && (s[i] == '"' || s[i] == '\'')) {
      const size_t close = s.find(s[i], i + 1);
      i = close == std::string_view::npos ? s.size() - 1 : close;
      continue;
    }
    if (i < s.size() && s[i] == '(') ++depth;
    if (i < s.size() && s[i] == ')') --depth;
    if (i == s.size() || (depth <= 0 && is_separator(s[i]))) {
      if (i > begin) spans.push_back({begin, i});
      begin = i + 1;
    }
  }
  return spans;
}

struct OrderItem {
  std::string expression;
  std::string collation;
  bool descending = false;
  std::string nulls;  // FIRST, LAST or empty
};

OrderItem ParseOrderItem(std::string_view item) {
  std::vector<Span> words = SplitTopLevel(item, 0);
  auto word = [&](size_t k) {
    return UpperCaseASCII(item.substr(words[k].begin, words[k].end - words[k].begin));
  };
  OrderItem result;
  size_t n = words.size();
  if (n >= 3 && word(n - 2) == "NULLS") {
    result.nulls = word(n - 1);
    n -= 2;
  }
  if (n >= 2 && StrInArray(word(n - 1), {"ASC", "ASCENDING", "DESC", "DESCENDING"})) {
    result.descending = word(n - 1)[0] == 'D';
    --n;
  }
  if (n >= 3 && word(n - 2) == "COLLATE") {
    result.collation =
        std::string(item.substr(words[n - 1].begin, words[n - 1].end - words[n - 1].begin));
    n -= 2;
  }
  if (n > 0)
    result.expression = std::string(item.substr(words[0].begin, words[n - 1].end - words[0].begin));
  return result;
}

std::vector<OrderItem> ParseOrderList(std::string_view order_list) {
  const std::string text = StripSQLComments(order_list);
  std::vector<OrderItem> items;
  for (const Span& span : SplitTopLevel(text, ',')) {
    OrderItem item =
        ParseOrderItem(std::string_view(text).substr(span.begin, span.end - span.begin));
    if (!item.expression.empty()) items.push_back(std::move(item));
  }
  return items;
}

// "PREFIX.NAME" with each unquoted part upper-cased.
std::string NormalizeFieldName(const std::string& name) {
  std::string result = name;
  bool quoted = false;
  for (char& c : result) {
    if (c == '"')
      quoted = !quoted;
    else if (!quoted && c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 32);
  }
  return result;
}

// ---- Parameters -----------------------------------------------------------

bool IsOperatorChar(char c) {
  return IsSQLBlank(c) || std::string_view("!()*+,-/;<=>^|~").find(c) != std::string_view::npos;
}

// Where :name or ?name stands in plain statement text: every marker outside
// literals, quoted names and comments, in text order.
struct ParamMarkers {
  std::vector<int> colon;
  std::vector<int> question;
};

ParamMarkers FindMarkers(TSQLParser& parser, const std::string& name) {
  ParamMarkers markers;
  const std::string upper_name = classlib::AnsiUpperCase(name);
  const std::string& sql = parser.SQL();
  const int len = parser.Length();
  const int n = static_cast<int>(name.size());
  parser.SetDepth(0);
  parser.SetStopAtClose(false);
  parser.Scan(1, [&](TSQLParser& p, int pos) {
    const char c = p.At(pos);
    if ((c != ':' && c != '?') || pos + n > len) return false;
    if (pos > 1 && !IsOperatorChar(sql[pos - 2])) return false;
    if (pos + n + 1 <= len && !IsOperatorChar(sql[pos + n])) return false;
    if (classlib::AnsiUpperCase(sql.substr(pos, n)) != upper_name) return false;
    (c == ':' ? markers.colon : markers.question).push_back(pos);
    return false;
  });
  return markers;
}

// The column written before the marker at pos: back over the comparison,
// then one name (a quoted one whole); for "?" markers a "T." prefix stays.
std::string ColumnBefore(const std::string& sql, int pos, bool keep_prefix) {
  int end = pos - 1;
  while (end >= 1 && (IsOperatorChar(sql[end - 1]) || sql[end - 1] == ':' || sql[end - 1] == '?'))
    --end;
  int begin = end;
  while (begin >= 1) {
    if (sql[begin - 1] == '"') {
      const size_t open = begin >= 2 ? sql.rfind('"', begin - 2) : std::string::npos;
      if (open == std::string::npos) break;
      begin = static_cast<int>(open);
      continue;
    }
    const char c = sql[begin - 1];
    if (IsOperatorChar(c) || c == ':' || c == '?' || (c == '.' && !keep_prefix)) break;
    --begin;
  }
  return sql.substr(begin, end - begin);
}

// The first of the (ascending) positions within from..to; 0 when none.
int FirstIn(const std::vector<int>& positions, int from, int to) {
  const auto it = std::lower_bound(positions.begin(), positions.end(), from);
  return it != positions.end() && *it <= to ? *it : 0;
}

}  // namespace

bool OrderNullsFirst(bool ascending, const std::string& nulls_word) {
  if (nulls_word.empty()) return ascending;
  return nulls_word[0] == 'F' || nulls_word[0] == 'f';
}

classlib::Variant OrderFieldsArray(const std::string& sql) {
  TSQLParser parser(sql);
  int order_start, order_end;
  std::string clause;
  parser.GetOrderClause(order_start, order_end, clause);
  if (order_start == 0) return classlib::Variant();
  const std::vector<OrderItem> items = ParseOrderList(clause);
  const int n = static_cast<int>(items.size());
  classlib::Variant result = classlib::VarArrayCreate({0, n - 1, 0, 2}, classlib::varVariant);
  for (int i = 0; i < n; ++i) {
    classlib::VarArrayPut(result, NormalizeFieldName(items[i].expression), {i, 0});
    classlib::VarArrayPut(result, !items[i].descending, {i, 1});
    classlib::VarArrayPut(result, OrderNullsFirst(!items[i].descending, items[i].nulls), {i, 2});
  }
  return result;
}

// Items are joined by a bare ",", as the order clauses are written ("A desc,B").
std::string InvertOrderClause(const std::string& order_list) {
  std::string result;
  for (const OrderItem& item : ParseOrderList(order_list)) {
    if (!result.empty()) result += ",";
    result += item.expression;
    if (!item.collation.empty()) result += " COLLATE " + item.collation;
    if (!item.descending) result += " desc";
    if (item.nulls == "FIRST")
      result += " NULLS LAST";
    else if (item.nulls == "LAST")
      result += " NULLS FIRST";
  }
  return result;
}

std::string FieldNameOfParam(const std::string& sql, const std::string& param_name) {
  if (param_name.empty()) return std::string();
  TSQLParser parser(sql);
  const ParamMarkers markers = FindMarkers(parser, param_name);
  if (markers.colon.empty() && markers.question.empty()) return std::string();
  // Every WHERE with its depth in one pass; each condition's end is then
  // found from its own WHERE, so the work grows with the text, not with the
  // number of WHERE clauses times the text.
  std::vector<std::pair<int, int>> wheres;
  parser.SetDepth(0);
  parser.SetStopAtClose(false);
  parser.Scan(1, [&](TSQLParser& p, int pos) {
    if (p.KeywordAt(pos, "WHERE")) wheres.emplace_back(pos, p.Depth());
    return false;
  });
  for (const auto& [where_start, depth] : wheres) {
    parser.SetDepth(depth);
    const int where_end = parser.WhereEndFrom(where_start);
    if (const int pos = FirstIn(markers.colon, where_start + 5, where_end)) {
      return ColumnBefore(sql, pos, false);
    }
    if (const int pos = FirstIn(markers.question, where_start + 5, where_end)) {
      return ColumnBefore(sql, pos, true);
    }
  }
  return std::string();
}

}  // namespace fib
