// TDASQLGenerator: writes the statements through which a data set stores
// its edits and re-reads records (INSERT, UPDATE, DELETE, row lock, refresh
// of one record, quick refresh, the check for deleted rows) for its
// updating table, and on request the parameter list that matches the text.
// Generated texts carry parameter markers only, never a value.
//
// The generator reads the data set through IDAGeneratorDataSet, which the
// data set implements.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dacore/driver_field_desc.h"
#include "dacore/driver_table_info.h"
#include "dacore/field_descs.h"
#include "dacore/param_da.h"
#include "dacore/support_sql.h"
#include "dacore/util_string_builder.h"

namespace dacore {

// What the generator needs of the data set it writes for.
class IDAGeneratorDataSet {
 public:
  virtual ~IDAGeneratorDataSet() = default;
  // The updating table, nullptr while the data set has none.
  virtual TCRTableInfo* UpdatingTableInfo() = 0;
  // The key fields and the data fields of the updating table; every field
  // as data when all_fields.
  virtual void GetKeyFieldDescs(std::vector<TCRFieldDesc*>& key_fields, std::vector<TCRFieldDesc*>& data_fields,
                                bool all_fields) = 0;
  // A field the driver provides that identifies a row, or nullptr.
  virtual TCRFieldDesc* RowIdentityField() = 0;
  // Every field description of the data set.
  virtual TFieldDescs& FieldDescs() = 0;
  // The record being posted: whether the old (or the new) value is null,
  // and whether the value changed.
  virtual bool FieldValueIsNull(const TFieldDesc& field, bool old_value) = 0;
  virtual bool FieldValueModified(const TFieldDesc& field) = 0;
  // The data set's quoting rule for names, and whether names are always quoted.
  virtual std::string QuoteName(const std::string& name) const = 0;
  virtual bool QuoteNames() const = 0;
  virtual bool FullRefresh() const = 0;
  virtual bool ReadOnly() const = 0;
  virtual bool CachedUpdates() const = 0;
  // Whether the component is being designed (refresh columns keep their names).
  virtual bool Designing() const = 0;
  // Whether the data set's own statement has parameters.
  virtual bool HasParams() const = 0;
  // The data set's own text, its final text, the text with a condition
  // added to its WHERE clause, and its own condition.
  virtual std::string SQLText() = 0;
  virtual std::string FinalSQL() = 0;
  virtual std::string AddWhere(const std::string& sql, const std::string& condition) = 0;
  virtual std::string GetWhere() = 0;
};

// What one generated parameter stands for.
class TDAParamInfo {
 public:
  virtual ~TDAParamInfo() = default;
  TDAParam* Param = nullptr;
  TFieldDesc* Field = nullptr;
  bool Old = false;
  int FieldIndex = -1;  // the batch row's index, -1 outside a batch
};

class TDAParamsInfo {
 public:
  void Add(std::unique_ptr<TDAParamInfo> info) { items_.push_back(std::move(info)); }
  void Clear() { items_.clear(); }
  int Count() const { return static_cast<int>(items_.size()); }
  TDAParamInfo* Items(int index) const { return items_.at(static_cast<size_t>(index)).get(); }
  // The item of a generated parameter, nullptr when it has none.
  TDAParamInfo* FindParam(const TDAParam* param) const;

 private:
  std::vector<std::unique_ptr<TDAParamInfo>> items_;
};

class TDASQLGenerator : public classlib::TObject {
  CLASSLIB_CLASS(TDASQLGenerator, classlib::TObject)
 public:
  // The data set is required (an assertion failure without one).
  explicit TDASQLGenerator(IDAGeneratorDataSet* data_set);
  TDASQLGenerator(const TDASQLGenerator&) = delete;
  TDASQLGenerator& operator=(const TDASQLGenerator&) = delete;

  // The statement of a kind for the data set's updating table; empty while
  // it has none. params (may be nullptr) receives the matching parameters;
  // index >= 0 names the parameters for that batch row.
  virtual std::string GenerateSQL(TStatementType statement_type, bool modified_fields_only, TDAParams* params,
                                  int index = -1);
  virtual std::string GenerateSQLForTableInfo(TCRTableInfo& table_info, const std::vector<TCRFieldDesc*>& key_fields,
                                              const std::vector<TCRFieldDesc*>& data_fields, TDAParams* params,
                                              bool modified_fields_only, TStatementType statement_type,
                                              int index = -1);
  // "_" followed by a decimal number gives the number; anything else -1.
  virtual int ParamSuffixToIndex(const std::string& name) const;
  virtual std::string IndexToParamSuffix(int index) const { return "_" + std::to_string(index); }
  const TDAParamsInfo& ParamsInfo() const { return params_info_; }

 protected:
  virtual void Clear();
  virtual std::string AssembleSQL() const;
  virtual bool IsBlobDataType(TDataType t) const { return t == dtBlob || t == dtMemo || t == dtWideMemo; }
  // Objects and VARRAYs are expanded into attribute fields: such a field is
  // null when all its attribute fields are, modified when any is.
  virtual bool HasAttributeFields(TDataType t) const { return t == dtObject || t == dtArray; }
  virtual bool FieldIsNull(const TFieldDesc& field, bool old_value);
  virtual bool FieldModified(const TFieldDesc& field);
  virtual std::string GetFieldName(const TCRFieldDesc& field) const;
  virtual std::string GetActualFieldName(const TCRFieldDesc& field, TStatementType statement_type) const;
  std::string TableName() const;
  virtual bool IsSubstituteParamName() const { return true; }
  virtual void AddFieldParam(StringBuilder& builder, TCRFieldDesc& field, bool old, int index,
                             TStatementType statement_type);
  virtual void AddFieldToInsertSQL(TCRFieldDesc& field, int index);
  virtual void AddFieldToUpdateSQL(TCRFieldDesc& field, bool modified_fields_only, int index);
  virtual void AddFieldToRefreshSQL(TCRFieldDesc& field);
  virtual void GenerateConditions(StringBuilder& builder, TCRFieldDesc& field, bool check_null,
                                  TStatementType statement_type, int index);
  virtual void GenerateInsertSQL(bool modified_fields_only, int index);
  virtual void GenerateUpdateSQL(bool modified_fields_only, int index);
  virtual void GenerateDeleteSQL(int index);
  // Writes nothing here: a row lock is the server's own statement.
  virtual void GenerateLockSQL(int /*index*/) {}
  virtual void AddSelectList();
  virtual void AddFromClause();
  virtual void GenerateRefreshSQL();
  virtual void GenerateRefreshQuickSQL();
  virtual void GenerateRefreshCheckDeletedSQL();
  virtual void GenerateKeyConditions(StringBuilder& builder, TStatementType statement_type, int index);
  virtual std::unique_ptr<TDAParamInfo> GetParamInfoClass() const { return std::make_unique<TDAParamInfo>(); }

  IDAGeneratorDataSet& DataSet() const { return *data_set_; }

  // The statement's parts, joined in this order.
  StringBuilder header_sb_{100};
  StringBuilder fld_sb_{100};
  StringBuilder middle_sb_{100};
  StringBuilder fld_param_sb_{100};
  StringBuilder cond_sb_{100};
  StringBuilder footer_sb_{100};
  int field_count_ = 0;
  int param_count_ = 0;
  TDAParams* params_ = nullptr;
  TDAParamsInfo params_info_;
  TCRTableInfo* table_info_ = nullptr;
  std::vector<TCRFieldDesc*> key_fields_;
  std::vector<TCRFieldDesc*> data_fields_;

 private:
  IDAGeneratorDataSet* data_set_;
};

}  // namespace dacore
