// Which tables a statement reads or modifies, and how aliases resolve.
#include "fib/base/str_util.h"
#include "fib/sql/sql_clauses.h"
#include "fib/sql/sql_parser.h"
#include "fib/sql/sql_text.h"

namespace fib {

namespace {

// Words that follow a modified table and are no alias.
bool IsClauseWord(const std::string& word) {
  return StrInArray(UpperCaseASCII(word), {"SET", "WHERE", "PLAN", "ORDER", "ROWS", "RETURNING"});
}

struct TableRef {
  std::string table;
  std::string alias;
};

std::vector<TableRef> TableRefs(const std::string& sql) {
  TSQLParser parser(sql);
  parser.GetTablesList(true);
  std::vector<TableRef> refs;
  for (int i = 0; i < parser.Tables().Count(); ++i) {
    const std::string entry = parser.Tables().Strings(i);
    const int alias_pos = AliasPos(entry);
    refs.push_back({TableOfRef(entry, alias_pos), AliasOfRef(entry, alias_pos)});
  }
  return refs;
}

// Position of the first "." outside double quotes; npos when none.
size_t DotOutsideQuotes(std::string_view ref) {
  bool quoted = false;
  for (size_t i = 0; i < ref.size(); ++i) {
    if (ref[i] == '"')
      quoted = !quoted;
    else if (ref[i] == '.' && !quoted)
      return i;
  }
  return std::string_view::npos;
}

}  // namespace

std::string TSQLParser::IdentifierAt(int pos, int& next) const {
  SkipBlanksAndCommentsOnly(sql_, pos);
  const int begin = pos;
  bool quoted = false;
  for (; pos <= length_; ++pos) {
    const char c = sql_[pos - 1];
    if (c == '"')
      quoted = !quoted;
    else if (!quoted && (IsKeywordEndChar(c) || c == ',' || c == ')'))
      break;
  }
  next = pos;
  return begin > length_ ? std::string() : sql_.substr(begin - 1, pos - begin);
}

std::string TSQLParser::GetModifiedTableName() {
  depth_ = 0;
  stop_at_close_ = false;
  int from = 0;
  int kind = kind_;
  if (kind == skUpdate) {
    // UPDATE OR INSERT INTO names its table like an INSERT.
    int next = 0;
    if (SameStrASCII(IdentifierAt(start_pos_ + 6, next), "OR", false)) kind = skInsert;
  }
  switch (kind) {
    case skUpdate:
      from = start_pos_ + 6;
      break;
    case skInsert:
      Scan(start_pos_ + 6, IntoTest);
      if (found_pos_ == 0 || found_pos_ > length_) return "Unknown";
      from = found_pos_ + 4;
      break;
    case skDelete:
      Scan(start_pos_ + 6, FromTest);
      if (found_pos_ == 0 || found_pos_ > length_) return "Unknown";
      from = found_pos_ + 4;
      break;
    default:
      return std::string();
  }
  int next = 0;
  const std::string table = IdentifierAt(from, next);
  if (kind == skInsert) return table;
  std::string alias = IdentifierAt(next, next);
  if (SameStrASCII(alias, "AS", false)) alias = IdentifierAt(next, next);
  if (alias.empty() || IsClauseWord(alias)) return table;
  return table + " " + alias;
}

void TSQLParser::GetTablesList(bool keep_procedure_entries) {
  tables_.Clear();
  int from_start, from_end;
  GetFromClause(from_start, from_end);
  if (from_start == 0 || from_end < from_start + 4) return;
  const std::string_view list(sql_.data() + from_start + 3, from_end - (from_start + 3));
  for (const std::string& entry : FromListEntries(list, keep_procedure_entries, true)) {
    tables_.Add(entry);
  }
}

void TSQLParser::GetStatementTables() {
  if (kind_ == skSelect) {
    GetTablesList(false);
    return;
  }
  tables_.Clear();
  const std::string table = GetModifiedTableName();
  if (table.empty() || table == "Unknown") return;
  for (const std::string& entry : FromListEntries(table, false, true)) tables_.Add(entry);
}

std::string ModifiedTable(const std::string& sql, bool keep_as_written) {
  std::string name = FastTrim(TSQLParser(sql).GetModifiedTableName());
  if (keep_as_written) return name;
  if (!name.empty() && name[0] == '"') {
    const size_t close = name.find('"', 1);
    return name.substr(1, close == std::string::npos ? std::string::npos : close - 1);
  }
  size_t end = 0;
  while (end < name.size() && !IsKeywordEndChar(name[end])) ++end;
  return UpperCaseASCII(name.substr(0, end));
}

void TablesOf(const std::string& sql, classlib::TStrings& list, bool keep_procedure_entries,
              bool keep_aliases) {
  TSQLParser parser(sql);
  parser.GetTablesList(keep_procedure_entries);
  classlib::TStrings::Updating updating(list);
  list.Clear();
  for (int i = 0; i < parser.Tables().Count(); ++i) {
    const std::string entry = parser.Tables().Strings(i);
    list.Add(keep_aliases ? entry : TableOfRef(entry, AliasPos(entry)));
  }
}

std::string AliasForTable(const std::string& sql, const std::string& table) {
  for (const TableRef& ref : TableRefs(sql)) {
    if (SameIdentifiers(ref.table, table)) return ref.alias.empty() ? table : ref.alias;
  }
  return table;
}

std::string TableForAlias(const std::string& sql, const std::string& alias) {
  for (const TableRef& ref : TableRefs(sql)) {
    if (SameIdentifiers(ref.alias.empty() ? ref.table : ref.alias, alias)) return ref.table;
  }
  return alias;
}

std::string FullFieldName(const std::string& sql, const std::string& field_ref) {
  const size_t dot = DotOutsideQuotes(field_ref);
  if (dot == std::string::npos || dot == 0) return field_ref;
  const std::string table = TableForAlias(sql, field_ref.substr(0, dot));
  if (table.empty()) return field_ref;
  return NormalizedIdentifier(table) + "." + NormalizedIdentifier(field_ref.substr(dot + 1));
}

}  // namespace fib
