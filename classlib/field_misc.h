// The remaining field classes: Boolean, fixed and variable-length bytes,
// Variant, and the object fields (ADT, array, nested data set, reference)
// that carry child fields of their own.
#pragma once

#include <memory>
#include <vector>

#include "classlib/field.h"

namespace classlib {

class TFields;

class TBooleanField : public TField {
  CLASSLIB_CLASS(TBooleanField, TField)
 public:
  explicit TBooleanField(TComponent* owner);

  // "TrueText;FalseText"; the empty text means "True;False". Either half may
  // be empty (then that value shows as the empty text).
  const std::string& DisplayValues() const { return display_values_; }
  void SetDisplayValues(const std::string& values);

  bool GetValue(bool& value) const;

 protected:
  int GetDataSize() const override { return 2; }
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& value) override;
  bool GetAsBoolean() const override;
  void SetAsBooleanValue(bool value) override;
  int32_t GetAsInteger() const override;
  void SetAsIntegerValue(int32_t value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  std::string GetTextValue(bool display_text) const override;

 private:
  std::string display_values_;
  std::string true_text_ = "True";
  std::string false_text_ = "False";
};

// Fixed-length binary (ftBytes): the value is exactly Size bytes.
class TBytesField : public TField {
  CLASSLIB_CLASS(TBytesField, TField)
 public:
  explicit TBytesField(TComponent* owner);
  void CheckTypeSize(int size) const override;

 protected:
  int GetDataSize() const override { return Size(); }
  // The value as raw bytes (the text form of binary fields).
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& value) override;
  // A Variant byte array (element type varByte).
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  std::string GetTextValue(bool display_text) const override;

  // Bytes of the value and writing them back, per the buffer layout.
  virtual std::string LoadBytes(bool& is_null) const;
  virtual void StoreBytes(const std::string& bytes);
};

// Variable-length binary (ftVarBytes): a UInt16 length and up to Size bytes.
class TVarBytesField : public TBytesField {
  CLASSLIB_CLASS(TVarBytesField, TBytesField)
 public:
  explicit TVarBytesField(TComponent* owner);

 protected:
  int GetDataSize() const override { return Size() + 2; }
  std::string LoadBytes(bool& is_null) const override;
  void StoreBytes(const std::string& bytes) override;
};

// Any value: the record buffer holds a Variant.
class TVariantField : public TField {
  CLASSLIB_CLASS(TVariantField, TField)
 public:
  explicit TVariantField(TComponent* owner);

 protected:
  int GetDataSize() const override;
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& value) override;
  int32_t GetAsInteger() const override;
  void SetAsIntegerValue(int32_t value) override;
  int64_t GetAsLargeInt() const override;
  void SetAsLargeIntValue(int64_t value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double value) override;
  Currency GetAsCurrency() const override;
  void SetAsCurrencyValue(Currency value) override;
  bool GetAsBoolean() const override;
  void SetAsBooleanValue(bool value) override;
  TDateTime GetAsDateTime() const override;
  void SetAsDateTimeValue(TDateTime value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
};

// A field made of child fields. The children are fields of the same data
// set (they appear in its FieldList, not in Fields) and belong to this
// field: they are freed with it.
class TObjectField : public TField {
  CLASSLIB_CLASS(TObjectField, TField)
 public:
  explicit TObjectField(TComponent* owner);
  ~TObjectField() override;

  TFields& Fields() const { return *fields_; }
  int FieldCount() const;
  // The name of the object type (for ADT and reference fields).
  const std::string& ObjectType() const { return object_type_; }
  void SetObjectType(const std::string& name) { object_type_ = name; }
  void Clear() override;

 protected:
  // Null when every child is null.
  bool GetIsNull() const override;
  // A Variant array of the children's values; setting one spreads it.
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  std::string GetAsString() const override;
  std::string GetTextValue(bool display_text) const override;

 private:
  friend class TField;
  std::unique_ptr<TFields> fields_;
  std::string object_type_;
};

class TADTField : public TObjectField {
  CLASSLIB_CLASS(TADTField, TObjectField)
 public:
  explicit TADTField(TComponent* owner);
};

class TArrayField : public TObjectField {
  CLASSLIB_CLASS(TArrayField, TObjectField)
 public:
  explicit TArrayField(TComponent* owner);
};

// A column that holds a whole data set; the nested data set is owned by
// whoever created it and only referred to here.
class TDataSetField : public TObjectField {
  CLASSLIB_CLASS(TDataSetField, TObjectField)
 public:
  explicit TDataSetField(TComponent* owner);
  TDataSet* NestedDataSet() const { return nested_; }
  void SetNestedDataSet(TDataSet* data_set) { nested_ = data_set; }

 protected:
  bool GetIsNull() const override;
  std::string GetAsString() const override;

 private:
  TDataSet* nested_ = nullptr;
};

class TReferenceField : public TDataSetField {
  CLASSLIB_CLASS(TReferenceField, TDataSetField)
 public:
  explicit TReferenceField(TComponent* owner);
  const std::string& ReferenceTableName() const { return reference_table_; }
  void SetReferenceTableName(const std::string& name) { reference_table_ = name; }

 protected:
  int GetDataSize() const override { return Size(); }

 private:
  std::string reference_table_;
};

}  // namespace classlib
