// The description of one column of a record store: its names, data type,
// size and place in the record, flags, and for object-typed columns the
// object type and the parent of attribute and element fields.
#pragma once

#include <cstdint>
#include <string>

#include "classlib/object.h"
#include "dacore/data_types.h"
#include "dacore/object_type.h"

namespace dacore {

// Field kinds.
inline constexpr uint8_t fkData = 0;
inline constexpr uint8_t fkCalculated = 2;  // lives in the record's calculated area

class TFieldDesc : public classlib::TObject {
  CLASSLIB_CLASS(TFieldDesc, classlib::TObject)
 public:
  TFieldDesc() = default;
  ~TFieldDesc() override;
  TFieldDesc(const TFieldDesc&) = delete;
  TFieldDesc& operator=(const TFieldDesc&) = delete;

  // The name the data set shows: for an attribute of an object field the
  // attribute's name, for an array element "[" index "]".
  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  // The name in the source; for attribute and element fields the path from
  // the root column ("ADDR.STREET", "ITEMS[0]").
  const std::string& ActualName() const { return actual_name_; }
  void SetActualName(const std::string& name) { actual_name_ = name; }
  TDataType DataType() const { return data_type_; }
  void SetDataType(TDataType t) { data_type_ = t; }
  // Characters, bytes of a binary column, or precision; digits after the point.
  uint16_t Length() const { return length_; }
  void SetLength(uint16_t length) { length_ = length; }
  uint16_t Scale() const { return scale_; }
  void SetScale(uint16_t scale) { scale_ = scale; }
  // 1-based position in the list.
  uint16_t FieldNo() const { return field_no_; }
  void SetFieldNo(uint16_t no) { field_no_ = no; }
  // Bytes the value takes in the record, and where.
  uint16_t Size() const { return size_; }
  void SetSize(uint16_t size) { size_ = size; }
  int32_t Offset() const { return offset_; }
  void SetOffset(int32_t offset) { offset_ = offset; }

  bool Required() const { return required_; }
  void SetRequired(bool value) { required_ = value; }
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool value) { read_only_ = value; }
  // A fixed-width character column, trimmed over its length.
  bool Fixed() const { return fixed_; }
  void SetFixed(bool value) { fixed_ = value; }
  // The column belongs to its table's key (set by the layer that knows it).
  bool IsKey() const { return is_key_; }
  void SetIsKey(bool value) { is_key_ = value; }
  bool Hidden() const { return hidden_; }
  void SetHidden(bool value) { hidden_ = value; }

  // The type of an object, reference, array or table field; the field holds
  // a reference to it.
  TObjectType* ObjectType() const { return object_type_; }
  void SetObjectType(TObjectType* type) { AssignSharedType(object_type_, type); }
  // Set for attribute and element fields.
  TFieldDesc* ParentField() const { return parent_field_; }
  void SetParentField(TFieldDesc* parent) { parent_field_ = parent; }
  bool HasParent() const { return parent_field_ != nullptr; }
  // The field gets no field definition of its own; its children become
  // top-level definitions instead.
  bool HiddenObject() const { return hidden_object_; }
  void SetHiddenObject(bool value) { hidden_object_ = value; }
  // Set by the unique-name step for names that occur more than once.
  bool HasDuplicateName() const { return duplicate_name_; }
  void SetHasDuplicateName(bool value) { duplicate_name_ = value; }
  uint8_t FieldKind() const { return field_kind_; }
  void SetFieldKind(uint8_t kind) { field_kind_ = kind; }

 private:
  std::string name_;
  std::string actual_name_;
  TDataType data_type_ = dtUnknown;
  uint16_t length_ = 0;
  uint16_t scale_ = 0;
  uint16_t field_no_ = 0;
  uint16_t size_ = 0;
  int32_t offset_ = 0;
  bool required_ = false;
  bool read_only_ = false;
  bool fixed_ = false;
  bool is_key_ = false;
  bool hidden_ = false;
  TObjectType* object_type_ = nullptr;
  TFieldDesc* parent_field_ = nullptr;
  bool hidden_object_ = false;
  bool duplicate_name_ = false;
  uint8_t field_kind_ = fkData;
};

}  // namespace dacore
