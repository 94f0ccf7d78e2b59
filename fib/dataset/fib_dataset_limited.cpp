// The limited cache model of the buffered data set: its keyset statements,
// the keys its bookmarks carry, and Locate, which in that model asks the
// server for the row and refills the window around it.
#include "classlib/field.h"
#include "fib/base/component_name.h"
#include "fib/base/errors.h"
#include "fib/base/sql_types.h"
#include "fib/base/str_util.h"
#include "fib/dataset/fib_dataset.h"
#include "fib/records/limited_cache_sql.h"
#include "fib/sql/sql_clauses.h"
#include "fib/statements/auto_update_options.h"
#include "fib/statements/fib_query.h"

namespace fib {

using classlib::TField;

namespace {

// "Q.COL" of an ORDER BY item split at its last dot outside quotes.
void SplitQualified(const std::string& name, std::string& qualifier, std::string& column) {
  bool quoted = false;
  size_t dot = std::string::npos;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '"') quoted = !quoted;
    if (name[i] == '.' && !quoted) dot = i;
  }
  qualifier = dot == std::string::npos ? "" : name.substr(0, dot);
  column = dot == std::string::npos ? name : name.substr(dot + 1);
}

std::string Unquoted(const std::string& name) {
  return name.size() >= 2 && name.front() == '"' && name.back() == '"'
             ? name.substr(1, name.size() - 2)
             : name;
}

std::vector<std::string> SplitNames(const std::string& list) {
  const CharSet semicolon = MakeCharSet(";");
  std::vector<std::string> names;
  for (int n = 1; n <= WordCount(list, semicolon); ++n) {
    std::string name = FastTrim(ExtractWord(n, list, semicolon));
    if (!name.empty()) names.push_back(name);
  }
  return names;
}

// Gives the statement a text; an unchanged text keeps it prepared.
TFIBQuery* WithText(TFIBQuery* query, const std::string& text) {
  if (query->SQL().Text() != text) {
    query->Close();
    query->SQL().SetText(text);
  }
  return query;
}

}  // namespace

// The field of an ORDER BY item: by the item as written, then by its
// column without the qualifier, then by the column the field reads.
TField* TFIBCustomDataSet::SortFieldOf(const std::string& order_name) {
  if (TField* field = FindField(order_name)) return field;
  std::string qualifier, column;
  SplitQualified(order_name, qualifier, column);
  if (TField* field = FindField(Unquoted(column))) return field;
  for (TField* field : FieldList())
    if (field->FieldKind() == classlib::fkData && GetRelationFieldName(field) == Unquoted(column))
      return field;
  return nullptr;
}

KeysetField TFIBCustomDataSet::KeysetFieldOf(TField* field, const std::string& qualifier,
                                             bool ascending) {
  return {field->FieldName(), GetRelationFieldName(field), GetRelationTableName(field), qualifier,
          ascending};
}

std::vector<KeysetField> TFIBCustomDataSet::KeysetSortFields() {
  std::vector<KeysetField> fields;
  for (int position = 1; position <= SortFieldsCount(); ++position) {
    const TSortFieldInfo info = SortFieldInfo(position);
    TField* field = SortFieldOf(info.FieldName);
    if (field == nullptr) continue;
    std::string qualifier, column;
    SplitQualified(info.FieldName, qualifier, column);
    KeysetField keyset = KeysetFieldOf(field, qualifier, info.Ascending);
    const TFIBFieldDescr* descr = FieldDescr(field);
    keyset.nullable = descr != nullptr && descr->IsNullable;
    // The sort description already says where the server puts NULL.
    keyset.nulls_first = info.NullsFirst;
    fields.push_back(keyset);
  }
  return fields;
}

BookmarkLayout TFIBCustomDataSet::LayoutOf(const std::vector<std::string>& names) {
  const bool int64_as_bcd = PrepareOptions().Contains(psSQLINT64ToBCD);
  return BuildBookmarkLayout(names, [&](const std::string& name) {
    BookmarkKeySource source;
    TField* field = FindField(name);
    const TFIBFieldDescr* descr = field != nullptr ? FieldDescr(field) : nullptr;
    if (descr == nullptr) return source;
    source.column = field->FieldNo() - 1;
    source.descr = *descr;
    source.int64_as_double = descr->FieldType == kSQLInt64 && descr->Scale < -4 && !int64_as_bcd;
    return source;
  });
}

void TFIBCustomDataSet::PrepareOrderKeys() {
  if (!classlib::VarIsArray(SortInfo())) RaiseNoOrderBy(FullComponentName(this));
  std::vector<std::string> names = SplitNames(AutoUpdateOptions().KeyFields());
  if (names.empty()) {
    for (int position = 1; position <= SortFieldsCount(); ++position)
      if (TField* field = SortFieldOf(SortFieldInfo(position).FieldName))
        names.push_back(field->FieldName());
  }
  bookmark_layout_ = LayoutOf(names);
  order_keys_.clear();
  for (const BookmarkKey& key : bookmark_layout_.keys)
    order_keys_.emplace_back(key.field_name, key.offset);
  SetBookmarkSize(bookmark_layout_.size);
}

void TFIBCustomDataSet::PrepareLimitedCacheSQL() {
  const std::string select = QSelect()->SQL().Text();
  std::vector<KeysetField> keys;
  for (const BookmarkKey& key : bookmark_layout_.keys)
    keys.push_back(KeysetFieldOf(FindField(key.field_name), "", true));
  const std::vector<KeysetField> sort = KeysetSortFields();
  const LimitedCacheTexts texts = BuildLimitedCacheTexts(
      FullComponentName(this), select, sort, keys, CacheModelOptions().PlanForDescSQLs());
  auto statement = [this](const char* name, const std::string& text) {
    return WithText(LimitedCacheQuery(name), text);
  };
  const LimitedCacheStatements statements{QSelect(), statement("SelectDescQuery", texts.desc),
                                          statement("SelectPartQuery", texts.part),
                                          statement("SelectPartDescQuery", texts.part_desc)};
  statement("SelectLocate", texts.locate);
  std::vector<std::string> sort_names;
  for (const KeysetField& field : sort) sort_names.push_back(field.field_name);
  limited_host_ = std::make_unique<TLimitedCacheHost>(*this, LayoutOf(sort_names));
  navigator_ = std::make_unique<TLimitedCacheNavigator>(
      *limited_host_, LimitedCacheCursor{*window_, current_index_, record_count_}, statements,
      CacheModelOptions().BufferChunks());
  navigator_->Reset();
}

bool TFIBCustomDataSet::Locate(const std::string& key_fields, const classlib::Variant& key_values,
                               classlib::TLocateOptions options) {
  CheckActive();
  TLocateKeyOptions key_options;
  if (options.Contains(classlib::loCaseInsensitive)) key_options.Include(lkoCaseInsensitive);
  if (options.Contains(classlib::loPartialKey)) key_options.Include(lkoPartialKey);
  const classlib::Variant values =
      classlib::VarIsArray(key_values) ? key_values : classlib::VarArrayOf({key_values});
  const bool found = LimitedCacheModel()
                         ? LocateInLimitedCache(key_fields, values, key_options)
                         : LocateByKeys(key_fields, values, key_options, true, ldFirst, true);
  SetFound(found);
  return found;
}

bool TFIBCustomDataSet::LocateInLimitedCache(const std::string& key_fields,
                                             const classlib::Variant& key_values,
                                             TLocateKeyOptions options) {
  const std::string name = FullComponentName(this) + ".LocateForPartialCache";
  std::vector<TField*> fields;
  GetFieldList(fields, key_fields);
  if (fields.empty()) RaiseClientError(76, {name});
  std::vector<KeysetField> keys;
  for (TField* field : fields) {
    if (field->FieldKind() != classlib::fkData) RaiseClientError(77, {name, field->FieldName()});
    keys.push_back(KeysetFieldOf(field, "", true));
  }
  const std::string select = QSelect()->SQL().Text();
  const std::string text = AddToWhereClause(
      select, LocateCondition(select, keys,
                              {options.Contains(lkoCaseInsensitive), options.Contains(lkoPartialKey)}));
  TFIBQuery* locate = WithText(LimitedCacheQuery("QLocate"), text);
  for (size_t k = 0; k < fields.size(); ++k) {
    locate->ParamByName(kLocateParamPrefix + fields[k]->FieldName())
        .SetAsVariant(LocateKeyValue(key_values, k));
  }
  CheckBrowseMode();
  DoBeforeScroll();
  int target = CacheModelOptions().BufferChunks() / 2 + 1;
  const bool found = navigator_->FillAround(*locate, target, true, true);
  if (found) {
    CursorPosChanged();
    Resync({classlib::rmExact, classlib::rmCenter});
    DoAfterScroll();
  }
  return found;
}

}  // namespace fib
