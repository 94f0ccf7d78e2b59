// Descriptions of user-defined types (objects, references, arrays, nested
// tables) as lists of attributes, and the base of values of such types.
// Drivers derive their own types and values and fill the attributes.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dacore/data_types.h"
#include "dacore/object_shared.h"
#include "dacore/util_list_index.h"

namespace dacore {

class TObjectType;

class TAttribute : public classlib::TObject {
  CLASSLIB_CLASS(TAttribute, classlib::TObject)
 public:
  explicit TAttribute(TObjectType* owner = nullptr) : owner_(owner) {}
  ~TAttribute() override;
  TAttribute(const TAttribute&) = delete;
  TAttribute& operator=(const TAttribute&) = delete;

  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  TDataType DataType() const { return data_type_; }
  void SetDataType(TDataType t) { data_type_ = t; }
  uint16_t Length() const { return length_; }
  void SetLength(uint16_t length) { length_ = length; }
  bool Fixed() const { return fixed_; }
  void SetFixed(bool fixed) { fixed_ = fixed; }
  TObjectType* OwnerType() const { return owner_; }

  // What drivers fill in: the scale of a number, the attribute's width in a
  // record (Size) and in the driver's native instance (DataSize), its places
  // in the instance and in the null-indicator structure, its 1-based number.
  uint16_t Scale() const { return scale_; }
  void SetScale(uint16_t scale) { scale_ = scale; }
  int32_t Size() const { return size_; }
  void SetSize(int32_t size) { size_ = size; }
  int32_t DataSize() const { return data_size_; }
  void SetDataSize(int32_t size) { data_size_ = size; }
  int32_t Offset() const { return offset_; }
  void SetOffset(int32_t offset) { offset_ = offset; }
  int32_t IndicatorOffset() const { return indicator_offset_; }
  void SetIndicatorOffset(int32_t offset) { indicator_offset_ = offset; }
  int AttributeNo() const { return attribute_no_; }
  void SetAttributeNo(int number) { attribute_no_ = number; }

  // The type of an attribute that is itself an object, reference, array or
  // table. A type named like the owner type (one that refers to itself)
  // gets no reference, so that it can still be freed.
  TObjectType* ObjectType() const { return object_type_; }
  void SetObjectType(TObjectType* type);

 private:
  std::string name_;
  TDataType data_type_ = dtUnknown;
  uint16_t length_ = 0;
  bool fixed_ = false;
  uint16_t scale_ = 0;
  int32_t size_ = 0;
  int32_t data_size_ = 0;
  int32_t offset_ = 0;
  int32_t indicator_offset_ = 0;
  int attribute_no_ = 0;
  TObjectType* owner_;
  TObjectType* object_type_ = nullptr;
  bool holds_type_ = false;  // whether object_type_ carries our reference
};

class TObjectType : public TSharedObject {
  CLASSLIB_CLASS(TObjectType, TSharedObject)
 public:
  TObjectType() = default;

  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  // dtObject, dtReference, dtArray or dtTable.
  TDataType DataType() const { return data_type_; }
  void SetDataType(TDataType t) { data_type_ = t; }
  // For an array type, the declared number of elements.
  int32_t Size() const { return size_; }
  void SetSize(int32_t size) { size_ = size; }

  // A new attribute owned by this type, appended to the list.
  TAttribute* AddAttribute();
  void ClearAttributes() { attributes_.clear(); }
  // 0-based; EListError for an index outside the list.
  TAttribute* GetAttributes(int i) const {
    CheckListIndex(i, GetAttributeCount());
    return attributes_[static_cast<std::size_t>(i)].get();
  }
  int GetAttributeCount() const { return static_cast<int>(attributes_.size()); }

  // The attribute a path names, case-insensitively, through nested object
  // types: "ADDR.STREET", "ITEMS[5].NAME" (any index: the element attribute
  // of the array type). nil when there is none.
  TAttribute* FindAttribute(const std::string& path) const;
  // As FindAttribute; EDatabaseError "Attribute %s not found" for none.
  TAttribute* AttributeByName(const std::string& path) const;

 protected:
  ~TObjectType() override = default;

 private:
  std::string name_;
  TDataType data_type_ = dtUnknown;
  int32_t size_ = 0;
  std::vector<std::unique_ptr<TAttribute>> attributes_;
};

// A value of an object type. The record store reads and writes attribute
// fields through the two virtual operations, by the path below the root
// field; the base holds no attributes.
class TDBObject : public TSharedObject {
  CLASSLIB_CLASS(TDBObject, TSharedObject)
 public:
  TDBObject() = default;

  TObjectType* ObjectType() const { return object_type_; }
  // Releases the old type and adds a reference to the new one.
  void SetObjectType(TObjectType* type);

  // The base reports blank.
  virtual void GetAttributeValue(const std::string& name, void* dest, bool& is_blank);
  // The base does nothing.
  virtual void SetAttributeValue(const std::string& name, const void* source);

 protected:
  ~TDBObject() override;

 private:
  TObjectType* object_type_ = nullptr;
};

// Points `slot` at `type` holding a reference: the new one is added before
// the old one is released, so setting the same type again is harmless.
void AssignSharedType(TObjectType*& slot, TObjectType* type);

}  // namespace dacore
