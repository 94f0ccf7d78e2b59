// The dictionary's view of a statement's columns.
#include "oracle/query_field_dictionary.h"

#include <memory>

#include "classlib/ansistr.h"
#include "classlib/field.h"
#include "classlib/format_settings.h"
#include "dacore/dataset_component.h"
#include "dacore/driver_table_info.h"
#include "oracle/session_ora_session.h"

namespace oracle {

using namespace dacore;

namespace {

constexpr const char* kCR = "\r";
constexpr int kMaxResolveRounds = 16;

// Splits at the first sep outside double quotes.
bool SplitOutsideQuotes(const std::string& text, char sep, std::string& head, std::string& tail) {
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '"') quoted = !quoted;
    if (!quoted && text[i] == sep) {
      head = text.substr(0, i);
      tail = text.substr(i + 1);
      return true;
    }
  }
  return false;
}

// One row of the column query.
struct TDictionaryColumn {
  std::string Name;
  int TableIndex = -1;
  std::string Default;
  std::string DataType;
};

std::unique_ptr<TCustomDADataSet> OpenInternal(TOraSession& session, const std::string& sql) {
  std::unique_ptr<TCustomDADataSet> query = session.CreateDataSet();
  query->SetParamCheck(false);
  query->SetSQL(sql);
  query->Open();
  return query;
}

// Runs the column query for the unresolved tables and marks those found.
void ReadColumns(TOraSession& session, std::vector<TDictionaryTable>& tables, const std::vector<int>& indexes,
                 bool with_defaults, std::vector<TDictionaryColumn>& columns) {
  std::unique_ptr<TCustomDADataSet> query = OpenInternal(session, TableColumnsSQL(tables, indexes, with_defaults));
  for (; !query->Eof(); query->Next()) {
    TDictionaryColumn column;
    column.Name = query->FieldByNumber(2)->AsString();
    column.TableIndex = query->FieldByNumber(3)->AsInteger() - 1;
    if (with_defaults) column.Default = query->FieldByNumber(4)->AsString();
    column.DataType = query->FieldByNumber(with_defaults ? 6 : 5)->AsString();
    if (column.TableIndex < 0 || column.TableIndex >= static_cast<int>(tables.size())) continue;
    tables[static_cast<size_t>(column.TableIndex)].Flags |= kTableFound;
    columns.push_back(column);
  }
}

// Replaces the tables named by synonyms; a table without one is given up.
void ReadSynonyms(TOraSession& session, std::vector<TDictionaryTable>& tables, const std::vector<int>& indexes) {
  std::unique_ptr<TCustomDADataSet> query = OpenInternal(session, SynonymsSQL(tables, indexes));
  std::vector<bool> hit(tables.size(), false);
  for (; !query->Eof(); query->Next()) {
    const std::string synonym = query->FieldByNumber(1)->AsString();
    for (int index : indexes) {
      TDictionaryTable& table = tables[static_cast<size_t>(index)];
      // The private synonym comes first and wins.
      if (hit[static_cast<size_t>(index)] || table.Name != synonym) continue;
      hit[static_cast<size_t>(index)] = true;
      table.Owner = query->FieldByNumber(2)->AsString();
      table.Name = query->FieldByNumber(3)->AsString();
      table.Link = query->FieldByNumber(4)->AsString();
      table.Flags |= kTableOwnerBySynonym;
    }
  }
  for (int index : indexes)
    if (!hit[static_cast<size_t>(index)]) tables[static_cast<size_t>(index)].Flags = 0;
}

// Gives tables over a link the owner the link connects as.
bool ReadLinkOwners(TOraSession& session, std::vector<TDictionaryTable>& tables, const std::string& schema) {
  bool changed = false;
  std::string session_user;
  for (TDictionaryTable& table : tables) {
    if (table.Link.empty() || !table.Owner.empty() || !(table.Flags & kTableToResolve)) continue;
    std::unique_ptr<TCustomDADataSet> query = OpenInternal(session, DatabaseLinkSQL(schema, table.Link));
    if (query->Eof()) {
      table.Flags = 0;
      continue;
    }
    std::string owner = query->FieldByNumber(1)->AsString();
    if (owner.empty()) {
      if (session_user.empty()) session_user = OpenInternal(session, kSessionUserSQL)->FieldByNumber(1)->AsString();
      owner = "\"" + session_user + "\"";
    }
    table.Owner = StoredName(owner);
    changed = true;
  }
  return changed;
}

// The table a qualifier names: by alias, by name, or by owner and name.
int TableIndexOf(const TCRTablesInfo& tables, const std::vector<TDictionaryTable>& dictionary,
                 const std::string& qualifier) {
  for (int i = 0; i < tables.Count(); ++i)
    if (StoredName(tables.Items(i)->TableAlias()) == qualifier) return i;
  for (size_t i = 0; i < dictionary.size(); ++i) {
    std::string owner, name;
    const bool qualified = SplitOutsideQuotes(qualifier, '.', owner, name);
    if (!qualified && StoredName(tables.Items(static_cast<int>(i))->TableName()) == qualifier) return static_cast<int>(i);
    if (qualified && owner == dictionary[i].Owner && name == dictionary[i].Name) return static_cast<int>(i);
    if (!qualified && dictionary[i].Name == qualifier) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

std::vector<TDictionaryTable> DictionaryTablesOf(const TCRTablesInfo& tables, const std::string& schema) {
  std::vector<TDictionaryTable> result;
  for (int i = 0; i < tables.Count(); ++i) {
    TDictionaryTable table;
    std::string name = tables.Items(i)->TableName();
    std::string head, tail;
    if (SplitOutsideQuotes(name, '@', head, tail)) {
      name = head;
      table.Link = tail;
    }
    if (SplitOutsideQuotes(name, '.', head, tail)) {
      table.Owner = StoredName(head);
      name = tail;
    } else if (table.Link.empty()) {
      table.Owner = classlib::AnsiUpperCase(schema);
    }
    table.Name = StoredName(name);
    table.Flags = kTableToResolve;
    result.push_back(table);
  }
  return result;
}

std::string TableColumnsSQL(const std::vector<TDictionaryTable>& tables, const std::vector<int>& indexes,
                            bool with_defaults) {
  const std::string defaults = with_defaults ? ",data_default" : "";
  std::string branches;
  for (size_t k = 0; k < indexes.size(); ++k) {
    const TDictionaryTable& table = tables[static_cast<size_t>(indexes[k])];
    const std::string branch = "SELECT table_name,column_name," + std::to_string(indexes[k] + 1) + " table_id" +
                               defaults + ",column_id, data_type FROM all_tab_columns" +
                               (table.Link.empty() ? "" : "@" + table.Link) +
                               " WHERE owner =" + classlib::QuotedStr(table.Owner) +
                               " and table_name = " + classlib::QuotedStr(table.Name);
    branches += k == 0 ? branch : std::string(kCR) + "UNION (" + kCR + branch + kCR + ")" + kCR;
  }
  return "SELECT table_name,column_name,table_id" + defaults + ",column_id, data_type FROM (" + kCR + branches +
         ")" + kCR + "ORDER BY table_id,column_id";
}

std::string SynonymsSQL(const std::vector<TDictionaryTable>& tables, const std::vector<int>& indexes) {
  std::string conditions;
  for (int index : indexes) {
    const TDictionaryTable& table = tables[static_cast<size_t>(index)];
    if (!conditions.empty()) conditions += " or ";
    conditions += " (synonym_name=" + classlib::QuotedStr(table.Name);
    if (table.Flags & kTableOwnerBySynonym)
      conditions += " and owner =" + classlib::QuotedStr(table.Owner) + ")";
    else
      conditions += " and owner in (" + classlib::QuotedStr(table.Owner) + ",'PUBLIC') )";
  }
  return "select synonym_name, table_owner, table_name, db_link from all_synonyms where " + conditions +
         " order by decode(owner, 'PUBLIC', 1, 0)";
}

std::string DatabaseLinkSQL(const std::string& schema, const std::string& link) {
  return "SELECT username, db_link FROM all_db_links WHERE owner IN (" + classlib::QuotedStr(schema) + ", 'PUBLIC') " +
         " AND db_link = " + classlib::QuotedStr(link) + " ORDER BY decode(owner, 'PUBLIC', 1, 0) ";
}

const char* const kSessionUserSQL = "SELECT sys_context('USERENV', 'SESSION_USER') FROM dual";

std::string DefaultValueText(const std::string& stored, const std::string& data_type) {
  std::string text = classlib::Trim(stored);
  if (text.size() >= 2 && text.front() == '\'' && text.back() == '\'') text = text.substr(1, text.size() - 2);
  const char separator = classlib::FormatSettings().DecimalSeparator;
  if (data_type == "NUMBER" && separator != '.')
    if (const size_t dot = text.find('.'); dot != std::string::npos) text[dot] = separator;
  return text;
}

std::vector<TColumnInfo> DescribeColumnsFromDictionary(TOraSession& session, const std::string& sql,
                                                       const TCRTablesInfo& tables, bool with_defaults) {
  const std::string schema = session.Schema();
  std::vector<TDictionaryTable> dictionary = DictionaryTablesOf(tables, schema);
  with_defaults = with_defaults && dictionary.size() == 1;
  std::vector<TDictionaryColumn> found;
  // Each round resolves what the last one learnt (synonyms, link owners);
  // a chain of synonyms that loops is given up after a bounded number.
  bool changed = true;
  for (int round = 0; changed && round < kMaxResolveRounds; ++round) {
    changed = ReadLinkOwners(session, dictionary, schema);
    std::vector<int> open;
    for (size_t i = 0; i < dictionary.size(); ++i)
      if ((dictionary[i].Flags & kTableToResolve) && !(dictionary[i].Flags & kTableFound) &&
          !dictionary[i].Owner.empty())
        open.push_back(static_cast<int>(i));
    if (open.empty()) break;
    ReadColumns(session, dictionary, open, with_defaults, found);
    std::vector<int> missing;
    for (int index : open)
      if (!(dictionary[static_cast<size_t>(index)].Flags & kTableFound)) missing.push_back(index);
    if (missing.empty()) break;
    ReadSynonyms(session, dictionary, missing);
    for (int index : missing) changed = changed || (dictionary[static_cast<size_t>(index)].Flags & kTableToResolve);
  }

  std::vector<TColumnInfo> columns;
  for (TColumnInfo column : ParseSelectList(sql)) {
    if (column.Expression) {
      columns.push_back(column);
      continue;
    }
    const int qualified = column.Table.empty() ? -1 : TableIndexOf(tables, dictionary, column.Table);
    if (column.Name == "*") {
      // The star's columns, of its table or of every table, in column order.
      for (const TDictionaryColumn& item : found) {
        if (!column.Table.empty() && item.TableIndex != qualified) continue;
        TColumnInfo expanded;
        expanded.Name = item.Name;
        expanded.Alias = item.Name;
        expanded.TableIndex = item.TableIndex;
        expanded.Default = DefaultValueText(item.Default, item.DataType);
        columns.push_back(expanded);
      }
      continue;
    }
    if (column.Name == "ROWID") {
      column.TableIndex = qualified >= 0 ? qualified : (tables.Count() == 1 ? 0 : -1);
    } else {
      for (const TDictionaryColumn& item : found) {
        if (item.Name != column.Name || (qualified >= 0 && item.TableIndex != qualified)) continue;
        column.TableIndex = item.TableIndex;
        column.Default = DefaultValueText(item.Default, item.DataType);
        break;
      }
    }
    columns.push_back(column);
  }
  return columns;
}

}  // namespace oracle
