// TAutoUpdateOptions: how a data set generates its modify statements and
// gives new records their generator keys.
#pragma once

#include <string>
#include <vector>

#include "classlib/persistent.h"
#include "classlib/strings.h"
#include "fib/statements/zod_options.h"

namespace fib {

class TAutoUpdateOptions : public classlib::TPersistent {
  CLASSLIB_CLASS(TAutoUpdateOptions, classlib::TPersistent)
 public:
  // `owner` is the data set; when it implements IAutoUpdateOwner, table and
  // alias are formatted by its database and its select text gives the alias.
  explicit TAutoUpdateOptions(classlib::TPersistent* owner = nullptr);

  // The table the generated statements change, optionally followed by an
  // alias. Setting it names a generator when none is named and keys are
  // generated: "GEN_<table>_ID" (inside the quotes of a quoted name).
  const std::string& UpdateTableName() const { return update_table_name_; }
  void SetUpdateTableName(const std::string& name);
  // Key field names separated by ";".
  const std::string& KeyFields() const { return key_fields_; }
  void SetKeyFields(const std::string& fields);
  const std::vector<std::string>& KeyFieldNames() const { return key_names_; }

  bool AutoReWriteSqls() const { return auto_rewrite_sqls_; }
  void SetAutoReWriteSqls(bool v) { auto_rewrite_sqls_ = v; }
  bool CanChangeSQLs() const { return can_change_sqls_; }
  void SetCanChangeSQLs(bool v) { can_change_sqls_ = v; }
  const std::string& GeneratorName() const { return generator_name_; }
  void SetGeneratorName(const std::string& v) { generator_name_ = v; }
  // True only while AutoReWriteSqls and CanChangeSQLs are both on as it is set.
  bool UpdateOnlyModifiedFields() const { return update_only_modified_fields_; }
  void SetUpdateOnlyModifiedFields(bool v);
  TWhenGetGenID WhenGetGenID() const { return when_get_gen_id_; }
  void SetWhenGetGenID(TWhenGetGenID v) { when_get_gen_id_ = v; }
  int GeneratorStep() const { return generator_step_; }
  void SetGeneratorStep(int v) { generator_step_ = v; }
  // Lines "field=parameter": new records take the select parameter's value.
  classlib::TStrings& ParamsToFieldsLinks() { return params_to_fields_links_; }
  const classlib::TStrings& ParamsToFieldsLinks() const { return params_to_fields_links_; }
  // Takes the lines trimmed, without empty ones.
  void SetParamsToFieldsLinks(const classlib::TStrings& lines);
  bool AutoParamsToFields() const { return auto_params_to_fields_; }
  void SetAutoParamsToFields(bool v) { auto_params_to_fields_ = v; }
  bool SeparateBlobUpdate() const { return separate_blob_update_; }
  void SetSeparateBlobUpdate(bool v) { separate_blob_update_ = v; }

  // Whether new records get generator keys; switching it on picks
  // wgBeforePost unless a moment is already chosen.
  bool UseGenerator() const { return when_get_gen_id_ != wgNever; }
  void SetUseGenerator(bool use);

  // The update table and its alias as the generated statements write them.
  const std::string& FormattedTableName();
  const std::string& FormattedAlias();
  bool TableNameHasAlias() const { return has_alias_; }

  // Texts the statement generator keeps between runs; changing the table or
  // the keys forgets the WHERE text.
  const std::string& CachedWhereText() const { return cached_where_; }
  void SetCachedWhereText(const std::string& v) { cached_where_ = v; }
  const std::string& CachedSelectText() const { return cached_select_; }
  void SetCachedSelectText(const std::string& v) { cached_select_ = v; }

  // Properties of older stored forms, only ever read.
  void ReadSelectGenID(bool value);
  void ReadGenBeforePost(bool value);

  void Assign(const classlib::TPersistent* source) override;
  classlib::TPersistent* GetOwner() const override { return owner_; }

 private:
  void FormatTable();

  classlib::TPersistent* owner_;
  std::string update_table_name_;
  std::string key_fields_;
  std::vector<std::string> key_names_;
  bool auto_rewrite_sqls_ = false;
  bool can_change_sqls_ = false;
  std::string generator_name_;
  bool update_only_modified_fields_ = false;
  TWhenGetGenID when_get_gen_id_ = wgNever;
  int generator_step_ = 1;
  classlib::TStringList params_to_fields_links_;
  bool auto_params_to_fields_ = false;
  bool separate_blob_update_ = false;

  bool has_alias_ = false;
  bool formatted_ = false;
  std::string formatted_table_;
  std::string formatted_alias_;
  std::string cached_where_;
  std::string cached_select_;
  bool select_gen_id_ = false;
  bool gen_before_post_ = false;
};

}  // namespace fib
