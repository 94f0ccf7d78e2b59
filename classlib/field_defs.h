// TFieldDefs / TFieldDef: the description of a data set's columns (name,
// type, size, precision, attributes), from which default fields are made.
// A data set fills them in InternalInitFieldDefs; Updated says whether they
// describe the current cursor.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "classlib/collection.h"
#include "classlib/db_types.h"

namespace classlib {

class TComponent;
class TDataSet;
class TField;
class TFieldDefs;
class TObjectField;

class TFieldDef : public TCollectionItem {
  CLASSLIB_CLASS(TFieldDef, TCollectionItem)
 public:
  explicit TFieldDef(TCollection* collection);
  TFieldDef(TFieldDefs* owner, const std::string& name, TFieldType data_type, int size,
            bool required, int field_no);
  ~TFieldDef() override;

  const std::string& Name() const { return name_; }
  void SetName(const std::string& name);
  TFieldType DataType() const { return data_type_; }
  void SetDataType(TFieldType type);
  int Size() const { return size_; }
  void SetSize(int size) { size_ = size; Changed(false); }
  int Precision() const { return precision_; }
  void SetPrecision(int precision) { precision_ = precision; Changed(false); }
  // FieldNo counts from 1; 0 asks for the position + 1.
  int FieldNo() const;
  void SetFieldNo(int field_no) { field_no_ = field_no; }
  TFieldAttributes Attributes() const { return attributes_; }
  void SetAttributes(TFieldAttributes attributes) { attributes_ = attributes; Changed(false); }
  // Required is the faRequired attribute.
  bool Required() const { return attributes_.Contains(faRequired); }
  void SetRequired(bool value);
  bool InternalCalcField() const { return internal_calc_; }
  void SetInternalCalcField(bool value) { internal_calc_ = value; }
  // Child definitions of ADT and array columns (made on first use).
  TFieldDefs& ChildDefs();
  bool HasChildDefs() const;
  TFieldDef* ParentDef() const;
  TFieldDefs* Owner() const;

  // Makes the field this definition describes, owned by owner, in the data
  // set of the definitions (or under parent_field for child definitions).
  TField* CreateField(TComponent* owner, TObjectField* parent_field = nullptr,
                      const std::string& field_name = std::string(), bool create_children = true);

  std::string DisplayName() const override { return name_; }
  void Assign(const TPersistent* source) override;

 private:
  std::string name_;
  TFieldType data_type_ = ftUnknown;
  int size_ = 0;
  int precision_ = 0;
  int field_no_ = 0;
  TFieldAttributes attributes_;
  bool internal_calc_ = false;
  std::unique_ptr<TFieldDefs> child_defs_;
};

class TFieldDefs : public TCollection {
  CLASSLIB_CLASS(TFieldDefs, TCollection)
 public:
  // Definitions of a data set (parent_def nullptr) or children of parent_def.
  explicit TFieldDefs(TDataSet* data_set, TFieldDef* parent_def = nullptr);

  TDataSet* DataSet() const { return data_set_; }
  TFieldDef* ParentDef() const { return parent_def_; }
  TFieldDef* Items(int index) const;
  TFieldDef* operator[](int index) const { return Items(index); }

  TFieldDef* AddFieldDef();
  TFieldDef* Add(const std::string& name, TFieldType data_type, int size = 0,
                 bool required = false);
  int IndexOf(std::string_view name) const;
  // Find raises EDatabaseError "Field '%s' not found".
  TFieldDef* Find(std::string_view name) const;
  bool HasDef(std::string_view name) const { return IndexOf(name) >= 0; }

  // Whether the definitions describe the data set's cursor; set by the data
  // set after it filled them, cleared by any change.
  bool Updated() const { return updated_; }
  void SetUpdated(bool value) { updated_ = value; }
  // Rebuilds the definitions through the data set (InitFieldDefs).
  void Update();

 protected:
  void Update(TCollectionItem* item) override;

 private:
  TDataSet* data_set_;
  TFieldDef* parent_def_;
  bool updated_ = false;
};

}  // namespace classlib
