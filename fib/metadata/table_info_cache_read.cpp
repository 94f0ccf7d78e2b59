// Reading one table's metadata from the system tables and the repository.
#include <strings.h>

#include "classlib/ansistr.h"
#include "fib/metadata/repository_sql.h"
#include "fib/metadata/table_info_cache.h"

namespace fib::table_info_read {

namespace {

constexpr int kBlobType = 261;
constexpr int kQuadType = 9;

// Column positions shared by the columns and procedure-outputs statements.
enum ColumnPos { kName, kSource, kComputed, kDefault, kDomainDefault, kType, kCharSet };

// The repository stores flags as numbers or as letters, by the base
// table's own layout; a missing value keeps the default.
bool FlagValue(IMetadataRows& rows, const char* column, bool default_value) {
  if (rows.IsNull(column)) return default_value;
  std::string text = classlib::UpperCase(classlib::Trim(rows.AsString(column)));
  return text == "1" || text == "T" || text == "TRUE" || text == "Y" || text == "YES";
}

void ApplyRow(IMetadataRows& rows, TpZODFieldInfo& field) {
  field.WithAdditionalInfo = true;
  field.DisplayLabel = rows.AsString("DISPLAY_LABEL");
  field.DisplayWidth = rows.AsInteger("DISPLAY_WIDTH");
  field.DisplayFormat = rows.AsString("DISPLAY_FORMAT");
  field.EditFormat = rows.AsString("EDIT_FORMAT");
  field.Visible = FlagValue(rows, "VISIBLE", true);
  field.IsTriggered = FlagValue(rows, "TRIGGERED", false);
  field.OtherInfo.clear();
  static const char* const kKnown[] = {"TABLE_NAME",     "FIELD_NAME",    "ZOD$VERSION",
                                       "DISPLAY_LABEL",  "DISPLAY_WIDTH", "DISPLAY_FORMAT",
                                       "EDIT_FORMAT",    "VISIBLE",       "TRIGGERED"};
  for (int i = 0; i < rows.ColumnCount(); ++i) {
    std::string name = classlib::Trim(rows.ColumnName(i));
    bool known = false;
    for (const char* k : kKnown) known = known || strcasecmp(k, name.c_str()) == 0;
    if (!known) field.OtherInfo.push_back(name + "=" + rows.AsString(i));
  }
}

void ReadColumn(IMetadataRows& rows, bool procedure, TpZODFieldInfo& field) {
  field.CharSetID = rows.AsInteger(kCharSet);
  // The procedure statement fills the table-only positions with constants.
  if (procedure) return;
  field.DomainName = classlib::Trim(rows.AsString(kSource));
  field.IsComputed = !rows.IsNull(kComputed);
  int type = rows.AsInteger(kType);
  field.CanIncToWhereClause = type != kBlobType && type != kQuadType;
  int pos = !rows.IsNull(kDefault) ? kDefault : kDomainDefault;
  if (rows.IsNull(pos)) return;
  field.DefaultValue = DefaultValueOf(rows.AsString(pos));
  field.DefaultValueEmptyString = field.DefaultValue.empty();
}

}  // namespace

std::string DefaultValueOf(const std::string& default_source) {
  std::string text = classlib::Trim(default_source);
  text = classlib::Trim(text.size() > 7 ? text.substr(7) : std::string());
  size_t quote = text.find_first_of("'\"");
  if (quote == std::string::npos) return text;
  char mark = text[quote];
  std::string value;
  // The literal between its quotes, with doubled quotes made single.
  for (size_t i = quote + 1; i < text.size(); ++i) {
    if (text[i] != mark) {
      value += text[i];
    } else if (i + 1 < text.size() && text[i + 1] == mark) {
      value += mark;
      ++i;
    } else {
      break;
    }
  }
  return value;
}

void ReadColumns(IMetadataSource& source, TpZODTableInfo& info) {
  bool procedure = false;
  auto rows =
      source.Select(repository_sql::kColumns, {{"TN", classlib::Variant(info.TableName)}});
  bool any = rows->Next();
  if (!any) {
    procedure = true;
    rows = source.Select(repository_sql::kProcedureOutputs,
                         {{"PN", classlib::Variant(info.TableName)}});
    any = rows->Next();
  }
  for (; any; any = rows->Next()) {
    ReadColumn(*rows, procedure, info.AddField(classlib::Trim(rows->AsString(kName))));
  }
}

void ApplyRepositoryRows(IMetadataRows& rows, TpZODTableInfo& info) {
  bool alias = strcasecmp(info.TableName.c_str(), kAliasTable) == 0;
  while (rows.Next()) {
    std::string column = classlib::Trim(rows.AsString("FIELD_NAME"));
    TpZODFieldInfo* field = info.FindField(column);
    if (field == nullptr && alias) field = &info.AddField(column);
    if (field != nullptr) ApplyRow(rows, *field);
  }
}

std::string ReadPrimaryKey(IMetadataSource& source, const std::string& table) {
  std::string key;
  auto rows = source.Select(repository_sql::kPrimaryKey, {{"TN", classlib::Variant(table)}});
  while (rows->Next()) {
    if (!key.empty()) key += ";";
    key += classlib::Trim(rows->AsString(0));
  }
  source.Commit();
  return key.empty() ? kDeferredPrimaryKey : key;
}

}  // namespace fib::table_info_read
