#include <algorithm>
#include <cstring>

#include "classlib/ansistr.h"
#include "classlib/field.h"
#include "classlib/field_defs.h"
#include "classlib/fields.h"
#include "fib/base/sql_types.h"
#include "fib/dataset/fib_dataset.h"
#include "fib/sql/sql_clauses.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_query.h"

namespace fib {

namespace {

constexpr int kUnknownSQLType = 65535;
constexpr int kUnknownScale = 100;

// Bytes the record keeps for a column of this type (see the record layout).
int ColumnDataSize(int sql_type, int length) {
  switch (sql_type) {
    case kSQLShort: return 2;
    case kSQLLong: case kSQLFloat: case kSQLDate: case kSQLTime: return 4;
    case kSQLDouble: case kSQLDFloat: case kSQLInt64: case kSQLTimeStamp: return 8;
    case kSQLBlob: case kSQLArray: case kSQLQuad: return 8;
    default: return std::max(length, 0);
  }
}

std::string Unquoted(const std::string& part) {
  if (part.size() >= 2 && part.front() == '"' && part.back() == '"')
    return part.substr(1, part.size() - 2);
  return part;
}

bool IsDataField(const classlib::TField* field) {
  return field != nullptr && field->FieldKind() == classlib::fkData;
}

}  // namespace

// ---- column descriptors ----

TFIBXSQLVAR* TFIBCustomDataSet::ColumnOf(const classlib::TField* field) const {
  if (!IsDataField(field) || !select_query_->Prepared()) return nullptr;
  TFIBXSQLDA& columns = select_query_->Current();
  const int number = field->FieldNo();
  if (number > 0 && number <= columns.Count()) return &columns[number - 1];
  return columns.ByName(field->FieldName());
}

// A closed data set binds its fields first, so that they get their numbers.
void TFIBCustomDataSet::BindForColumnInfo(classlib::TField* field) {
  if (!select_query_->Prepared()) Prepare();
  if (!Active() && field->FieldNo() == 0) {
    InitFieldDefs();
    BindFields(true);
  }
}

XSQLVAR TFIBCustomDataSet::GetFieldXSQLVAR(classlib::TField* field) {
  XSQLVAR result;
  std::memset(&result, 0, sizeof result);
  result.sqltype = static_cast<ISC_SHORT>(static_cast<uint16_t>(kUnknownSQLType));
  if (!IsDataField(field)) return result;
  BindForColumnInfo(field);
  if (TFIBXSQLVAR* column = ColumnOf(field)) result = *column->Data();
  return result;
}

int TFIBCustomDataSet::GetFieldScale(classlib::TField* field) {
  XSQLVAR column = GetFieldXSQLVAR(field);
  return static_cast<uint16_t>(column.sqltype) == kUnknownSQLType ? kUnknownScale
                                                                 : column.sqlscale;
}

std::string TFIBCustomDataSet::GetRelationTableName(classlib::TObject* field_or_def) {
  if (auto* def = dynamic_cast<classlib::TFieldDef*>(field_or_def)) {
    if (!select_query_->Prepared()) return "";
    TFIBXSQLVAR* column = select_query_->Current().ByName(def->Name());
    return column != nullptr ? column->RelationName() : "";
  }
  auto* field = dynamic_cast<classlib::TField*>(field_or_def);
  if (field == nullptr) return "";
  if (field->FieldKind() == classlib::fkCalculated) return "CALCULATED";
  if (field->FieldKind() == classlib::fkLookup) {
    auto* lookup = dynamic_cast<TFIBCustomDataSet*>(field->LookupDataSet());
    if (lookup == nullptr) return "";
    return lookup->GetRelationTableName(lookup->FindField(field->LookupResultField()));
  }
  XSQLVAR column = GetFieldXSQLVAR(field);
  return std::string(column.relname, static_cast<std::size_t>(std::max<short>(column.relname_length, 0)));
}

std::string TFIBCustomDataSet::GetRelationFieldName(classlib::TObject* field_or_def) {
  std::string name;
  if (auto* def = dynamic_cast<classlib::TFieldDef*>(field_or_def)) {
    if (!select_query_->Prepared()) return "";
    TFIBXSQLVAR* column = select_query_->Current().ByName(def->Name());
    name = column != nullptr ? column->SQLName() : "";
  } else if (auto* field = dynamic_cast<classlib::TField*>(field_or_def)) {
    if (field->FieldKind() == classlib::fkCalculated) return field->FieldName();
    if (field->FieldKind() == classlib::fkLookup) {
      auto* lookup = dynamic_cast<TFIBCustomDataSet*>(field->LookupDataSet());
      if (lookup == nullptr) return "";
      return lookup->GetRelationFieldName(lookup->FindField(field->LookupResultField()));
    }
    XSQLVAR column = GetFieldXSQLVAR(field);
    name.assign(column.sqlname, static_cast<std::size_t>(std::max<short>(column.sqlname_length, 0)));
  }
  return name == "DB_KEY" ? "RDB$DB_KEY" : name;
}

std::string TFIBCustomDataSet::GetFieldOrigin(classlib::TField* field) {
  if (field == nullptr) return "";
  std::string first;
  std::string second;
  switch (field_origin_rule_) {
    case forNoRule: return "";
    case forClientFieldName: return field->FieldName();
    case forTableAndFieldName:
      first = GetRelationTableName(field);
      second = GetRelationFieldName(field);
      break;
    case forTableAliasAndFieldName: {
      const std::string table = GetRelationTableName(field);
      first = table.empty() ? "" : AliasForTable(select_query_->SQL().Text(), table);
      second = GetRelationFieldName(field);
      break;
    }
  }
  if (first.empty()) return second;
  if (second.empty()) return first;
  return first + "." + second;
}

classlib::TField* TFIBCustomDataSet::FieldByOrigin(const std::string& origin) {
  const std::size_t dot = origin.find('.');
  std::string table = dot == std::string::npos ? "" : origin.substr(0, dot);
  std::string column = dot == std::string::npos ? origin : origin.substr(dot + 1);
  TFIBDatabase* database = Database();
  const bool keeps_case =
      database != nullptr && database->SQLDialect() >= 3 && !database->UpperOldNames();
  for (std::string* part : {&table, &column}) {
    if (!keeps_case && !part->empty() && part->front() != '"') *part = classlib::UpperCase(*part);
    *part = Unquoted(*part);
  }
  for (classlib::TField* field : Fields().List())
    if (GetRelationTableName(field) == table && GetRelationFieldName(field) == column) return field;
  return nullptr;
}

// ---- what the field classes ask ----

const TFIBFieldDescr* TFIBCustomDataSet::FieldDescr(const classlib::TField* field) const {
  if (!IsDataField(field)) return nullptr;
  const int number = field->FieldNo();
  if (number <= 0 || number > field_descrs_.GetCount()) return nullptr;
  return field_descrs_.GetItem(number - 1);
}

bool TFIBCustomDataSet::ColumnInfo(const std::string& field_name, TFIBColumnInfo& info) const {
  if (!select_query_->Prepared()) return false;
  TFIBXSQLVAR* column = select_query_->Current().ByName(field_name);
  if (column == nullptr) return false;
  info.SQLType = column->SQLType();
  info.Scale = column->SQLScale();
  info.SubType = column->SQLSubtype();
  info.DataSize = ColumnDataSize(info.SQLType, column->Size());
  return true;
}

// ---- the field-name cache ----

classlib::TField* TFIBCustomDataSet::FN(const std::string& name) {
  auto less = [](const std::pair<std::string, classlib::TField*>& entry, const std::string& key) {
    return entry.first < key;
  };
  auto it = std::lower_bound(field_name_cache_.begin(), field_name_cache_.end(), name, less);
  if (it != field_name_cache_.end() && it->first == name) return it->second;
  classlib::TField* field = FindField(Unquoted(name));
  if (field != nullptr) field_name_cache_.insert(it, {name, field});
  return field;
}

classlib::TField* TFIBCustomDataSet::FBN(const std::string& name) {
  classlib::TField* field = FN(name);
  if (field == nullptr) FieldByName(Unquoted(name));  // raises "field not found"
  return field;
}

void TFIBCustomDataSet::ForgetCachedField(const classlib::TComponent* component) {
  std::erase_if(field_name_cache_,
                [component](const auto& entry) { return entry.second == component; });
}

// ---- sort description ----

int TFIBCustomDataSet::SortFieldsCount() const {
  if (!classlib::VarIsArray(sort_info_)) return 0;
  return classlib::VarArrayHighBound(sort_info_, 1) + 1;
}

TSortFieldInfo TFIBCustomDataSet::SortFieldInfo(int position) const {
  TSortFieldInfo info;
  if (position < 1 || position > SortFieldsCount()) return info;
  const int row = position - 1;
  info.FieldName = classlib::VarArrayGet(sort_info_, {row, 0}).AsString();
  info.Ascending = classlib::VarArrayGet(sort_info_, {row, 1}).AsBoolean();
  info.NullsFirst = classlib::VarArrayGet(sort_info_, {row, 2}).AsBoolean();
  info.Position = position;
  classlib::TField* field = FindField(info.FieldName);
  info.FieldIndex = field != nullptr ? field->Index() : -1;
  return info;
}

bool TFIBCustomDataSet::SortFieldsPresent() const {
  for (int position = 1; position <= SortFieldsCount(); ++position)
    if (SortFieldInfo(position).FieldIndex < 0) return false;
  return true;
}

bool TFIBCustomDataSet::FieldSortInfo(classlib::TField* field, TSortFieldInfo& info) const {
  if (field == nullptr) return false;
  for (int position = 1; position <= SortFieldsCount(); ++position) {
    TSortFieldInfo candidate = SortFieldInfo(position);
    if (candidate.FieldName == field->FieldName()) {
      info = candidate;
      return true;
    }
  }
  return false;
}

std::string TFIBCustomDataSet::SortFieldsText() const {
  std::string text;
  for (int position = 1; position <= SortFieldsCount(); ++position) {
    if (position > 1) text += ";";
    text += SortFieldInfo(position).FieldName;
  }
  return text;
}

}  // namespace fib
