#include "fib/statements/auto_update_options.h"

#include "classlib/ansistr.h"
#include "fib/statements/zod_props_owners.h"

namespace fib {

namespace {

// The position of the first blank outside double quotes; npos when none.
std::size_t BlankOutsideQuotes(const std::string& text) {
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '"') quoted = !quoted;
    else if (text[i] == ' ' && !quoted) return i;
  }
  return std::string::npos;
}

bool IsQuoted(const std::string& name) {
  return name.size() >= 2 && name.front() == '"' && name.back() == '"';
}

}  // namespace

TAutoUpdateOptions::TAutoUpdateOptions(classlib::TPersistent* owner) : owner_(owner) {}

void TAutoUpdateOptions::SetUpdateTableName(const std::string& name) {
  update_table_name_ = name;
  cached_where_.clear();
  formatted_ = false;
  formatted_table_.clear();
  formatted_alias_.clear();
  std::string trimmed = classlib::Trim(name);
  std::size_t blank = BlankOutsideQuotes(trimmed);
  has_alias_ = blank != std::string::npos;
  if (!generator_name_.empty() || when_get_gen_id_ == wgNever || trimmed.empty()) return;
  // The generator belongs to the table, not to "table alias".
  std::string table = trimmed.substr(0, blank);
  if (IsQuoted(table))
    generator_name_ = "\"GEN_" + table.substr(1, table.size() - 2) + "_ID\"";
  else
    generator_name_ = "GEN_" + table + "_ID";
}

void TAutoUpdateOptions::SetKeyFields(const std::string& fields) {
  cached_where_.clear();
  key_names_.clear();
  std::size_t start = 0;
  for (;;) {
    std::size_t end = fields.find(';', start);
    std::string name = classlib::Trim(fields.substr(start, end - start));
    if (!name.empty()) key_names_.push_back(name);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  key_fields_ = fields;
}

void TAutoUpdateOptions::SetUpdateOnlyModifiedFields(bool v) {
  update_only_modified_fields_ = v && auto_rewrite_sqls_ && can_change_sqls_;
}

void TAutoUpdateOptions::SetParamsToFieldsLinks(const classlib::TStrings& lines) {
  classlib::TStrings::Updating updating(params_to_fields_links_);
  params_to_fields_links_.Clear();
  for (int i = 0; i < lines.Count(); ++i) {
    std::string line = classlib::Trim(lines.Strings(i));
    if (!line.empty()) params_to_fields_links_.Add(line);
  }
}

void TAutoUpdateOptions::SetUseGenerator(bool use) {
  if (!use) when_get_gen_id_ = wgNever;
  else if (when_get_gen_id_ == wgNever) when_get_gen_id_ = wgBeforePost;
}

void TAutoUpdateOptions::FormatTable() {
  if (formatted_) return;
  auto* data_set = dynamic_cast<IAutoUpdateOwner*>(owner_);
  std::string name = classlib::Trim(update_table_name_);
  std::string table = name, alias;
  if (has_alias_) {
    std::size_t blank = BlankOutsideQuotes(name);
    table = name.substr(0, blank);
    alias = classlib::Trim(name.substr(blank));
  } else if (data_set) {
    alias = data_set->AliasForTable(name);
  }
  if (alias.empty()) alias = table;
  formatted_table_ = data_set ? data_set->FormatIdentifier(table) : table;
  formatted_alias_ = data_set ? data_set->FormatIdentifier(alias) : alias;
  formatted_ = true;
}

const std::string& TAutoUpdateOptions::FormattedTableName() {
  FormatTable();
  return formatted_table_;
}

const std::string& TAutoUpdateOptions::FormattedAlias() {
  FormatTable();
  return formatted_alias_;
}

void TAutoUpdateOptions::ReadSelectGenID(bool value) {
  select_gen_id_ = value;
  when_get_gen_id_ = value ? wgBeforePost : wgNever;
}

void TAutoUpdateOptions::ReadGenBeforePost(bool value) {
  gen_before_post_ = value;
  if (select_gen_id_) when_get_gen_id_ = value ? wgBeforePost : wgOnNewRecord;
}

void TAutoUpdateOptions::Assign(const classlib::TPersistent* source) {
  const auto* other = dynamic_cast<const TAutoUpdateOptions*>(source);
  if (!other) return classlib::TPersistent::Assign(source);
  // The generator first, so that taking the table name keeps it.
  generator_name_ = other->generator_name_;
  when_get_gen_id_ = other->when_get_gen_id_;
  SetUpdateTableName(other->update_table_name_);
  SetKeyFields(other->key_fields_);
  auto_rewrite_sqls_ = other->auto_rewrite_sqls_;
  can_change_sqls_ = other->can_change_sqls_;
  update_only_modified_fields_ = other->update_only_modified_fields_;
  generator_step_ = other->generator_step_;
  params_to_fields_links_.Assign(other->params_to_fields_links_);
  auto_params_to_fields_ = other->auto_params_to_fields_;
  separate_blob_update_ = other->separate_blob_update_;
  select_gen_id_ = other->select_gen_id_;
  gen_before_post_ = other->gen_before_post_;
  has_alias_ = other->has_alias_;
}

}  // namespace fib
