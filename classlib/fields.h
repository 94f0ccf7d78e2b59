// TFields: the ordered list of a data set's (or an object field's) fields.
// It does not own them: fields are components and belong to their owner.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "classlib/object.h"

namespace classlib {

class TDataSet;
class TField;
class TObjectField;

class TFields : public TObject {
  CLASSLIB_CLASS(TFields, TObject)
 public:
  explicit TFields(TDataSet* data_set, TObjectField* parent = nullptr);
  ~TFields() override;
  TFields(const TFields&) = delete;
  TFields& operator=(const TFields&) = delete;

  TDataSet* DataSet() const { return data_set_; }
  TObjectField* ParentField() const { return parent_; }
  int Count() const { return static_cast<int>(fields_.size()); }
  // EListError "List index out of bounds (%d)" for a bad index.
  TField* Fields(int index) const;
  TField* operator[](int index) const { return Fields(index); }
  const std::vector<TField*>& List() const { return fields_; }

  // Adding a field whose name is already in the list raises EDatabaseError
  // "Duplicate field name '%s'".
  void Add(TField* field);
  void Remove(TField* field);
  // Drops every field from the list and frees them.
  void Clear();
  int IndexOf(const TField* field) const;
  // Moves a field to a new position (clamped to the list).
  void SetFieldIndex(TField* field, int index);

  // Names compare ignoring case; FindField answers nullptr, FieldByName
  // raises EDatabaseError "Field '%s' not found".
  TField* FindField(std::string_view name) const;
  TField* FieldByName(std::string_view name) const;
  TField* FieldByNumber(int field_no) const;

 private:
  TDataSet* data_set_;
  TObjectField* parent_;
  std::vector<TField*> fields_;
};

}  // namespace classlib
