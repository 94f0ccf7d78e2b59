#include "fib/zod/generate_sql.h"

#include "classlib/ansistr.h"
#include "classlib/exceptions.h"
#include "classlib/format.h"
#include "fib/metadata/table_info_cache.h"
#include "fib/sql/reserved_words.h"
#include "fib/sql/sql_clauses.h"
#include "fib/sql/sql_text.h"
#include "fib/statements/auto_update_options.h"
#include "fib/zod/zod_dataset_messages.h"

namespace fib {

const char* const kNoAction = "No Action";

namespace {

const char* const kCRLF = "\r\n";
const char* const kIndent = "     ";

std::vector<std::string> SplitNames(const std::string& names) {
  std::vector<std::string> result;
  std::size_t start = 0;
  for (;;) {
    std::size_t end = names.find(';', start);
    std::string name = classlib::Trim(names.substr(start, end - start));
    if (!name.empty()) result.push_back(name);
    if (end == std::string::npos) return result;
    start = end + 1;
  }
}

const GeneratorField* FindField(const std::vector<GeneratorField>& fields, const std::string& name) {
  for (const GeneratorField& field : fields)
    if (classlib::SameText(field.name, name)) return &field;
  // A quoted key name means the field of exactly that name.
  if (name.size() > 2 && name.front() == '"' && name.back() == '"')
    return FindField(fields, name.substr(1, name.size() - 2));
  return nullptr;
}

// The update table as the statements write it, and as the server names it.
struct TargetTable {
  std::string table;
  std::string alias;
  std::string server_name;
  // The options' own table: its cached texts may be used.
  bool own = false;
};

TargetTable ResolveTable(IModifyTextHost& host, const std::string& table) {
  TAutoUpdateOptions& options = host.GeneratorOptions();
  TargetTable target;
  std::string given = classlib::Trim(table);
  if (!given.empty() && given != classlib::Trim(options.UpdateTableName())) {
    IdentifierRules rules = host.Identifiers();
    int alias_pos = AliasPos(given);
    std::string name = alias_pos > 0 ? TableOfRef(given, alias_pos) : given;
    std::string alias = alias_pos > 0 ? AliasOfRef(given, alias_pos) : name;
    target.table = FormatIdentifier(name, rules);
    target.alias = FormatIdentifier(alias, rules);
  } else {
    target.table = options.FormattedTableName();
    target.alias = options.FormattedAlias();
    target.own = true;
  }
  target.server_name = NormalizedIdentifier(target.table);
  return target;
}

bool BelongsTo(const GeneratorField& field, const TargetTable& target) {
  return field.table == target.server_name;
}

std::string ParamName(const char* prefix, const std::string& field, const IdentifierRules& rules) {
  return "?" + FormatIdentifier(prefix + field, rules);
}

// The terms that identify the row, last key first; empty when no key field
// qualifies.
std::string BuildWhere(IModifyTextHost& host, const std::vector<GeneratorField>& fields,
                       const TargetTable& target, TpZODTableInfo& info,
                       const std::string& key_fields) {
  IdentifierRules rules = host.Identifiers();
  std::vector<std::string> keys = SplitNames(key_fields);
  std::string where;
  for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
    const GeneratorField* field = FindField(fields, *key);
    if (!field || !BelongsTo(*field, target)) continue;
    if (TpZODFieldInfo* column = info.FindField(field->column)) {
      if (!column->CanIncToWhereClause) continue;
    } else if (!field->is_db_key) {
      continue;
    }
    if (!where.empty()) where += " and ";
    where += target.alias + "." + FormatIdentifier(field->column, rules) + "=" +
             ParamName("OLD_", field->name, rules);
  }
  return where;
}

bool SkipByBlobMode(const GeneratorField& field, TBlobMode mode) {
  if (mode == bmNoBlobFields) return field.is_blob;
  if (mode == bmBlobFieldsOnly) return !field.is_blob;
  return false;
}

// Modify and insert: the columns that take new values.
std::string BuildWrite(IModifyTextHost& host, const std::vector<GeneratorField>& fields,
                       const TargetTable& target, TpZODTableInfo& info, TBlobMode blob_mode,
                       TModifyTextKind kind, const std::string& where) {
  IdentifierRules rules = host.Identifiers();
  bool only_modified = host.GeneratorOptions().UpdateOnlyModifiedFields();
  std::string text = kind == mtkModify
                         ? "Update " + target.table + " " + target.alias + " Set"
                         : "Insert into " + target.table + "(";
  std::string values = "values (";
  bool first = true;
  for (const GeneratorField& field : fields) {
    if (!field.data_field || SkipByBlobMode(field, blob_mode) || !BelongsTo(field, target))
      continue;
    if (only_modified && kind == mtkModify && field.unchanged) continue;
    if (only_modified && kind == mtkInsert && field.is_null) continue;
    TpZODFieldInfo* column = info.FindField(field.column);
    if (!column || (column->IsComputed && !host.CanEditComputedFields())) continue;
    std::string separator = first ? std::string(kCRLF) : std::string(",") + kCRLF;
    first = false;
    std::string param = ParamName("NEW_", field.name, rules);
    std::string name = FormatIdentifier(field.column, rules);
    if (kind == mtkModify) {
      text += separator + kIndent + name + "=" + param;
    } else {
      text += separator + kIndent + name;
      values += separator + kIndent + param;
    }
  }
  if (first) return kNoAction;
  if (kind == mtkModify) return text + kCRLF + "where " + where;
  return text + kCRLF + ")" + kCRLF + values + kCRLF + ")";
}

}  // namespace

bool IsNoAction(const std::string& sql) {
  std::size_t end = sql.find_first_of("\r\n");
  return classlib::Trim(sql.substr(0, end)) == kNoAction;
}

const char* ModifyTextName(TModifyTextKind kind) {
  switch (kind) {
    case mtkModify: return "UpdateSQL";
    case mtkInsert: return "InsertSQL";
    case mtkDelete: return "DeleteSQL";
    case mtkRefresh: return "RefreshSQL";
  }
  return "";
}

std::string FormatIdentifier(const std::string& name, const IdentifierRules& rules) {
  std::string trimmed = classlib::Trim(name);
  if (rules.dialect == 1) return classlib::UpperCase(trimmed);
  if (!trimmed.empty() && trimmed.front() == '"') return trimmed;
  bool need = rules.dialect < 3 || rules.upper_old_names ? NeedQuoteIdentifierCI(trimmed)
                                                           : NeedQuoteIdentifier(trimmed);
  if (!need) return classlib::UpperCase(trimmed);
  // A quote inside the name is doubled, or it would end the identifier.
  std::string quoted = "\"";
  for (char c : trimmed) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + "\"";
}

std::string GenerateSQLText(IModifyTextHost& host, const std::string& table,
                            const std::string& key_fields, TBlobMode blob_mode,
                            TModifyTextKind kind) {
  TAutoUpdateOptions& options = host.GeneratorOptions();
  if (options.UpdateOnlyModifiedFields() && !host.HasFields()) return "";
  TargetTable target = ResolveTable(host, table);
  TpZODTableInfo* info = host.GeneratorTableInfo(target.server_name);
  // The cache answers an unknown table with an entry without columns.
  if (!info || info->Fields.empty()) return "";
  bool compare = options.UpdateOnlyModifiedFields() && (kind == mtkModify || kind == mtkInsert);
  std::vector<GeneratorField> fields = host.GeneratorFields(compare);

  // The cached texts belong to the options' own table and keys only.
  bool use_cache = target.own && key_fields == options.KeyFields();
  std::string where = use_cache ? options.CachedWhereText() : "";
  if (where.empty()) where = BuildWhere(host, fields, target, *info, key_fields);
  if (where.empty())
    throw classlib::Exception(classlib::Format(
        kMsgUnableToGenerate, {host.GeneratorOwnerName(), ModifyTextName(kind),
                               table.empty() ? options.UpdateTableName() : table}));
  if (use_cache) options.SetCachedWhereText(where);

  if (kind == mtkDelete)
    return "Delete from " + target.table + " " + target.alias + kCRLF + "where " + where;
  if (kind == mtkRefresh) {
    std::string select = use_cache ? options.CachedSelectText() : "";
    if (select.empty()) select = host.PreparedSelectText();
    if (use_cache) options.SetCachedSelectText(select);
    return ReplaceOrderFields(AddToWhereClause(select, where), "");
  }
  return BuildWrite(host, fields, target, *info, blob_mode, kind, where);
}

std::string FillKeyFields(IModifyTextHost& host) {
  TAutoUpdateOptions& options = host.GeneratorOptions();
  if (!options.KeyFields().empty()) return options.KeyFields();
  TargetTable target = ResolveTable(host, "");
  std::string keys = host.GeneratorPrimaryKey(target.server_name);
  if (keys.empty()) {
    for (const GeneratorField& field : host.GeneratorFields(false)) {
      if (!field.data_field || field.is_blob || !BelongsTo(field, target)) continue;
      if (!keys.empty()) keys += ";";
      keys += field.name;
    }
  }
  options.SetKeyFields(keys);
  return keys;
}

}  // namespace fib
