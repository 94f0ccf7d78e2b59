// FROM, WHERE, ORDER BY and PLAN of a statement: finding and rewriting.
// A clause region ends at its last statement text, so a trailing comment
// stays behind the region and text put after the region is never swallowed
// by a line comment.
#include "fib/sql/sql_clauses.h"

#include "fib/base/str_util.h"
#include "fib/sql/sql_parser.h"
#include "fib/sql/sql_text.h"

namespace fib {

namespace {

bool EndsWithLF(const std::string& s) { return !s.empty() && s.back() == '\n'; }

std::string Head(const std::string& s, int count) {
  return count <= 0 ? std::string() : s.substr(0, static_cast<size_t>(count));
}

// Text after 1-based position pos.
std::string TailAfter(const std::string& s, int pos) {
  return pos >= static_cast<int>(s.size()) ? std::string() : s.substr(static_cast<size_t>(pos));
}

// The plan text without a leading word PLAN.
std::string PlanBody(const std::string& plan) {
  std::string body = FastTrim(plan);
  if (SQLWordAt(body, 1, "PLAN")) body = FastTrim(body.substr(4));
  return body;
}

}  // namespace

void TSQLParser::GetFromClause(int& from_start, int& from_end) {
  from_start = 0;
  from_end = 0;
  depth_ = 0;
  stop_at_close_ = false;
  Scan(start_pos_, FromTest);
  if (found_pos_ == 0 || found_pos_ > length_) return;
  from_start = found_pos_;
  Scan(from_start + 4, ClauseBoundaryTest);
  if (found_pos_ != 0 && found_pos_ <= length_) {
    // The blank before the next clause keyword, or what ends right before it.
    from_end = IsSQLBlank(At(found_pos_)) ? found_pos_ : found_pos_ - 1;
  } else {
    from_end = last_significant_ != 0 ? last_significant_ : from_start + 3;
  }
}

int TSQLParser::MainWhereIndex() {
  found_pos_ = 0;
  depth_ = 0;
  stop_at_close_ = false;
  int ordinal = 0;
  int from = start_pos_;
  while (true) {
    Scan(from, WhereTest);
    if (found_pos_ == 0 || found_pos_ > length_) return -1;
    ++ordinal;
    if (depth_ == 0) return ordinal;
    from = found_pos_ + 5;
  }
}

int TSQLParser::WhereClausesCount() {
  depth_ = 0;
  stop_at_close_ = false;
  int count = 0;
  int from = start_pos_;
  while (true) {
    Scan(from, WhereTest);
    if (found_pos_ == 0 || found_pos_ > length_) return count;
    ++count;
    from = found_pos_ + 5;
  }
}

void TSQLParser::GetWhereClause(int n, int& where_start, std::string& condition, int& where_end) {
  where_start = 0;
  where_end = 0;
  condition.clear();
  if (n < 1) return;
  depth_ = 0;
  stop_at_close_ = false;
  SetOccurrence(n);
  Scan(start_pos_, WhereTest);
  if (found_pos_ == 0 || found_pos_ > length_) return;
  where_start = found_pos_;
  where_end = WhereEndFrom(where_start);
  int first = where_start + 5;
  SkipBlanksAndCommentsOnly(sql_, first);
  if (first <= where_end) condition = sql_.substr(first - 1, where_end - first + 1);
}

int TSQLParser::WhereEndFrom(int where_start) {
  // A WHERE of a sub-query ends at the parenthesis that closes it.
  stop_at_close_ = depth_ > 0;
  Scan(where_start + 5, WhereEndTest);
  stop_at_close_ = false;
  return last_significant_ != 0 ? last_significant_ : where_start + 4;
}

std::string TSQLParser::SetWhereClause(int n, const std::string& new_condition) {
  int where_start, where_end;
  std::string old_condition;
  GetWhereClause(n, where_start, old_condition, where_end);
  if (where_start == 0) return sql_;
  const std::string before = Head(sql_, where_start - 1);
  const std::string after = TailAfter(sql_, where_end);
  if (IsBlankStr(new_condition)) return before + "\r\n" + after;
  std::string result = before;
  if (!EndsWithLF(before)) result += "\r\n";
  result += "WHERE " + new_condition;
  if (after.empty() || after[0] != '\r') result += "\r\n";
  return result + after;
}

std::string TSQLParser::SetMainWhereClause(const std::string& new_condition) {
  const int main = MainWhereIndex();
  if (main < 0) return AddToWhereClause(new_condition, false);
  return SetWhereClause(main, new_condition);
}

std::string TSQLParser::AddToWhereClause(const std::string& condition, bool indent) {
  if (IsBlankStr(condition)) return sql_;
  const std::string nl = indent ? "\r\n    " : "";
  // A condition that ends in a line comment must not comment out the ")".
  const std::string closing = EndsInLineComment(condition) ? "\r\n )" : " )";
  const int main = MainWhereIndex();
  if (main > 0) {
    int where_start, where_end;
    std::string old_condition;
    GetWhereClause(main, where_start, old_condition, where_end);
    return Head(sql_, where_start + 4) + "( " +
           sql_.substr(where_start + 4, where_end - (where_start + 4)) + nl + " ) and ( " +
           condition + closing + nl + TailAfter(sql_, where_end);
  }
  int from_start, from_end;
  GetFromClause(from_start, from_end);
  const std::string where = "\r\n WHERE " + nl + condition + "\r\n";
  // Only an UPDATE may lack a FROM and still take a WHERE (at its end).
  if (from_start == 0) return kind_ == skUpdate ? AppendToSQL(sql_, where) : sql_;
  return Head(sql_, from_end) + where + TailAfter(sql_, from_end);
}

void TSQLParser::GetOrderClause(int& order_start, int& order_end, std::string& clause) {
  order_start = 0;
  order_end = 0;
  clause.clear();
  depth_ = 0;
  stop_at_close_ = false;
  Scan(start_pos_, OrderTest);
  if (found_pos_ == 0 || found_pos_ > length_) return;
  const int order = found_pos_;
  Scan(order + 5, ByTest);
  if (found_pos_ == 0 || found_pos_ > length_) return;
  const int by = found_pos_;
  Scan(by + 2, OrderEndTest);
  order_start = order;
  order_end = last_significant_ != 0 ? last_significant_ : by + 1;
  clause = sql_.substr(by + 1, order_end - (by + 1));
}

std::string TSQLParser::SetOrderClause(const std::string& new_order) {
  int order_start, order_end;
  std::string clause;
  GetOrderClause(order_start, order_end, clause);
  if (order_start == 0) {
    if (IsBlankStr(new_order)) return sql_;
    std::string text = sql_;
    TrimRightInPlace(text);
    return AppendToSQL(text, "\r\nORDER BY " + new_order);
  }
  const std::string before = Head(sql_, order_start - 1);
  const std::string after = TailAfter(sql_, order_end);
  if (IsBlankStr(new_order)) return AppendToSQL(before, after);
  return AppendToSQL(before + (EndsWithLF(before) ? "" : "\r\n") + "ORDER BY " + new_order, after);
}

int TSQLParser::MainPlanIndex() {
  depth_ = 0;
  stop_at_close_ = false;
  int ordinal = 0;
  int from = start_pos_;
  while (true) {
    Scan(from, PlanTest);
    if (found_pos_ == 0 || found_pos_ > length_) return -1;
    ++ordinal;
    if (depth_ == 0) return ordinal;
    from = found_pos_ + 4;
  }
}

void TSQLParser::GetPlanClause(int n, int& plan_word, int& plan_start, int& plan_end,
                               std::string& clause) {
  plan_word = plan_start = plan_end = 0;
  clause.clear();
  if (n < 1) return;
  depth_ = 0;
  stop_at_close_ = false;
  SetOccurrence(n);
  Scan(start_pos_, PlanTest);
  if (found_pos_ == 0 || found_pos_ > length_) return;
  plan_word = found_pos_;
  stop_at_close_ = depth_ > 0;
  Scan(plan_word + 4, PlanEndTest);
  stop_at_close_ = false;
  plan_start = plan_word + 4;
  SkipBlanksAndCommentsOnly(sql_, plan_start);
  plan_end = last_significant_ != 0 ? last_significant_ : plan_word + 3;
  if (plan_end < plan_start) {
    // PLAN with nothing after it: an empty region right behind the word.
    plan_start = plan_word + 4;
    plan_end = plan_word + 3;
  }
  clause = sql_.substr(plan_start - 1, plan_end - plan_start + 1);
}

std::string TSQLParser::SetPlanClause(const std::string& new_plan) {
  const std::string body = PlanBody(new_plan);
  const int main = MainPlanIndex();
  if (main > 0) {
    int plan_word, plan_start, plan_end;
    std::string clause;
    GetPlanClause(main, plan_word, plan_start, plan_end, clause);
    if (body.empty()) return AppendToSQL(Head(sql_, plan_word - 1), TailAfter(sql_, plan_end));
    return AppendToSQL(Head(sql_, plan_word + 3) + " " + body, TailAfter(sql_, plan_end));
  }
  if (body.empty()) return sql_;
  int order_start, order_end;
  std::string order;
  GetOrderClause(order_start, order_end, order);
  if (order_start > 0) {
    std::string before = Head(sql_, order_start - 1);
    if (!EndsWithLF(before)) before += "\r\n";
    return AppendToSQL(before + "PLAN " + body, "\r\n" + TailAfter(sql_, order_start - 1));
  }
  return AppendToSQL(sql_, (EndsWithLF(sql_) ? "" : "\r\n") + std::string("PLAN ") + body);
}

std::string TSQLParser::MakeCountSQL() {
  if (kind_ != skSelect) return std::string();
  int from_start, from_end;
  GetFromClause(from_start, from_end);
  if (from_start == 0) return std::string();
  std::string result = "Select Count(*) " + sql_.substr(from_start - 1, from_end - from_start + 1);
  const int main = MainWhereIndex();
  if (main > 0) {
    int where_start, where_end;
    std::string condition;
    GetWhereClause(main, where_start, condition, where_end);
    if (!condition.empty()) result = AppendToSQL(result, "\r\n WHERE " + condition);
  }
  return result;
}

// ---- Wrappers over a text ---------------------------------------------------

std::string SetWhereClause(const std::string& sql, int n, const std::string& new_condition) {
  return TSQLParser(sql).SetWhereClause(n, new_condition);
}

std::string SetMainWhereClause(const std::string& sql, const std::string& new_condition) {
  return TSQLParser(sql).SetMainWhereClause(new_condition);
}

std::string AddToWhereClause(const std::string& sql, const std::string& condition, bool indent) {
  return TSQLParser(sql).AddToWhereClause(condition, indent);
}

std::string SetOrderClause(const std::string& sql, const std::string& new_order) {
  return TSQLParser(sql).SetOrderClause(new_order);
}

std::string ReplaceOrderFields(const std::string& sql, const std::string& new_fields) {
  TSQLParser parser(sql);
  int order_start, order_end;
  std::string clause;
  parser.GetOrderClause(order_start, order_end, clause);
  if (order_start == 0)
    return new_fields.empty() ? sql : AppendToSQL(sql, " ORDER BY " + new_fields);
  if (new_fields.empty())
    return AppendToSQL(Head(sql, order_start - 1) + " ", TailAfter(sql, order_end));
  const int clause_start = order_end - static_cast<int>(clause.size());
  return AppendToSQL(Head(sql, clause_start) + " " + new_fields + " ", TailAfter(sql, order_end));
}

std::string SetPlanClause(const std::string& sql, const std::string& new_plan) {
  return TSQLParser(sql).SetPlanClause(new_plan);
}

std::string MakeCountSQL(const std::string& sql) { return TSQLParser(sql).MakeCountSQL(); }

}  // namespace fib
