// Field origins and key columns of the Oracle data set.
#include "oracle/query_field_origins.h"

#include <memory>

#include "classlib/ansistr.h"
#include "classlib/field.h"
#include "dacore/dataset_component.h"
#include "oracle/cursor_tables_info.h"
#include "oracle/lexer_ora_parser.h"
#include "oracle/object_names.h"
#include "oracle/session_ora_session.h"

namespace oracle {

using namespace dacore;

namespace {

bool IsQuoted(const std::string& name) { return name.size() >= 2 && name.front() == '"' && name.back() == '"'; }

bool IsExpressionWord(const std::string& name) {
  return name == "NULL" || name == "SYSDATE" || name == "USER" || name == "UID";
}

// Turns the tokens of one item into a column or an expression.
TColumnInfo ItemOf(const std::vector<std::pair<int, std::string>>& tokens) {
  TColumnInfo column;
  std::vector<std::string> chain;
  size_t i = 0;
  bool expect_name = true;
  for (; i < tokens.size(); ++i) {
    const auto& [code, text] = tokens[i];
    if (expect_name && (code == dacore::lcIdent || text == "*" || (code >= 0 && code != dacore::lcSymbol &&
                                                                   code != dacore::lcNumber &&
                                                                   code != dacore::lcString))) {
      chain.push_back(text);
      expect_name = false;
    } else if (!expect_name && text == ".") {
      expect_name = true;
    } else {
      break;
    }
  }
  // What follows the chain may only be an alias, with or without AS.
  std::string alias;
  if (i < tokens.size() && classlib::AnsiUpperCase(tokens[i].second) == "AS") ++i;
  if (i + 1 == tokens.size() && tokens[i].first == dacore::lcIdent) alias = tokens[i++].second;
  const bool chain_only = !chain.empty() && !expect_name && chain.size() <= 3 && i == tokens.size();
  if (!chain_only || IsExpressionWord(classlib::AnsiUpperCase(chain.back()))) {
    column.Expression = true;
    column.Alias = alias;
    return column;
  }
  column.Name = StoredName(chain.back());
  if (chain.size() > 1) {
    std::string table;
    for (size_t k = 0; k + 1 < chain.size(); ++k) table += (k ? "." : "") + StoredName(chain[k]);
    column.Table = table;
  }
  column.Alias = alias;
  return column;
}

}  // namespace

std::string StoredName(const std::string& name) {
  return IsQuoted(name) ? name.substr(1, name.size() - 2) : classlib::AnsiUpperCase(name);
}

std::vector<TColumnInfo> ParseSelectList(const std::string& sql) {
  TOraParser parser(sql);
  parser.OmitComment = true;
  std::string lexeme;
  int token = parser.GetNextToken(lexeme);
  while (token != dacore::lcEnd && token != lxSELECT) token = parser.GetNextToken(lexeme);
  std::vector<TColumnInfo> columns;
  columns.reserve(200);
  std::vector<std::pair<int, std::string>> item;
  int depth = 0;
  for (token = parser.GetNextToken(lexeme); token != dacore::lcEnd; token = parser.GetNextToken(lexeme)) {
    if (depth == 0 && item.empty() && columns.empty()) {
      const std::string word = classlib::AnsiUpperCase(lexeme);
      if (word == "ALL" || word == "DISTINCT" || word == "UNIQUE") continue;
    }
    if (lexeme == "(") ++depth;
    if (lexeme == ")") --depth;
    if (depth == 0 && (token == lxFROM || lexeme == ",")) {
      if (!item.empty()) columns.push_back(ItemOf(item));
      item.clear();
      if (token == lxFROM) break;
      continue;
    }
    item.emplace_back(token, lexeme);
  }
  return columns;
}

namespace {

// The table a qualifier names: by alias, then by name (with or without owner).
TCRTableInfo* TableOfQualifier(TCRTablesInfo& tables, const std::string& qualifier) {
  int index = tables.FindByAlias(qualifier);
  if (index < 0) index = tables.FindByName(qualifier);
  if (index < 0) {
    for (int i = 0; i < tables.Count(); ++i) {
      const std::string& name = tables.Items(i)->TableName();
      const size_t dot = name.rfind('.');
      if (dot != std::string::npos && name.substr(dot + 1) == qualifier) return tables.Items(i);
    }
  }
  return index >= 0 ? tables.Items(index) : nullptr;
}

}  // namespace

void PlaceFieldsInTables(const std::string& sql, TCRRecordSet& record_set) {
  TCRTablesInfo& tables = record_set.TablesInfo();
  ParseTablesInfo(sql, tables);
  std::vector<TColumnInfo> columns = ParseSelectList(sql);
  TCRTableInfo* only = tables.Count() == 1 ? tables.Items(0) : nullptr;
  // A star brings every column of its table (or of all tables); its
  // fields are those the named items do not take.
  TCRTableInfo* star_table = nullptr;
  bool star = false;
  for (const TColumnInfo& column : columns) {
    if (column.Expression || column.Name != "*") continue;
    star = true;
    star_table = column.Table.empty() ? only : TableOfQualifier(tables, column.Table);
  }
  for (int i = 0; i < record_set.Fields().Count(); ++i) {
    auto* field = dynamic_cast<TCRFieldDesc*>(record_set.Fields().GetItems(i));
    if (!field || field->HasParent() || field->FieldKind() == fkCalculated) continue;
    TColumnInfo* match = nullptr;
    for (TColumnInfo& column : columns) {
      if (column.Taken || column.Name == "*") continue;
      const std::string& shown = column.Alias.empty() ? column.Name : StoredName(column.Alias);
      if (shown == field->Name()) {
        match = &column;
        break;
      }
    }
    TCRTableInfo* table = nullptr;
    if (match) {
      match->Taken = true;
      if (!match->Expression) table = match->Table.empty() ? only : TableOfQualifier(tables, match->Table);
      if (!match->Expression && match->Name != field->ActualName() && !match->Alias.empty())
        field->SetActualName(match->Name);
    } else if (star) {
      table = star_table;
    }
    field->SetTableInfo(table);
  }
}

const char* const kKeyColumnsSQL =
    "SELECT\r\n"
    "  Column_Name Col, Con.Constraint_Name Con\r\n"
    "FROM\r\n"
    "  All_Constraints Con, All_Cons_Columns Col\r\n"
    "WHERE\r\n"
    "  Con.Owner = :Owner and\r\n"
    "  Col.Owner = :Owner and\r\n"
    "  Con.Table_Name = :Name and\r\n"
    "  Col.Table_Name = :Name and\r\n"
    "  Con.Constraint_Type in ('P', 'U') and\r\n"
    "  Con.Constraint_Name = Col.Constraint_Name\r\n"
    "ORDER BY\r\n"
    "  Con.Constraint_Name,Col.Position";

std::vector<std::string> ReadKeyColumns(TOraSession& session, const std::string& table_name) {
  std::string owner;
  std::string name = table_name;
  const size_t dot = table_name.find('.');
  if (dot != std::string::npos) {
    owner = StoredName(table_name.substr(0, dot));
    name = table_name.substr(dot + 1);
  } else {
    owner = classlib::AnsiUpperCase(session.Schema());
  }
  name = StoredName(name);
  // The names go to the server as values, never as text of the statement.
  std::unique_ptr<TCustomDADataSet> query = session.CreateDataSet();
  query->SetSQL(kKeyColumnsSQL);
  query->ParamByName("Owner")->SetAsString(owner);
  query->ParamByName("Name")->SetAsString(name);
  query->Open();
  std::vector<std::string> columns;
  std::string first_constraint;
  for (; !query->Eof(); query->Next()) {
    const std::string constraint = query->FieldByNumber(2)->AsString();
    if (first_constraint.empty()) first_constraint = constraint;
    if (constraint != first_constraint) break;
    columns.push_back(query->FieldByNumber(1)->AsString());
  }
  query->Close();
  return columns;
}

}  // namespace oracle
