// Booleans kept in integer columns, GUIDs kept as 16 bytes, and array
// columns whose elements the data set reads and writes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <ibase.h>

#include "classlib/field_misc.h"
#include "classlib/field_string.h"

namespace fib {

class TpZODArray;

class TFIBBooleanField : public classlib::TBooleanField {
  CLASSLIB_CLASS(TFIBBooleanField, classlib::TBooleanField)
 public:
  explicit TFIBBooleanField(classlib::TComponent* owner);

  // The words shown and accepted for true and false.
  const std::string& StringTrue() const { return string_true_; }
  void SetStringTrue(const std::string& value) { string_true_ = value; }
  const std::string& StringFalse() const { return string_false_; }
  void SetStringFalse(const std::string& value) { string_false_ = value; }
  // Whether the words must be stored with the form (they differ from the
  // defaults).
  bool StoreStringTrue() const;
  bool StoreStringFalse() const;

 protected:
  // The column's own byte size: a SMALLINT, INTEGER or CHAR(1) column.
  int GetDataSize() const override;
  bool GetAsBoolean() const override;
  void SetAsBooleanValue(bool value) override;
  int32_t GetAsInteger() const override { return GetAsBoolean() ? 1 : 0; }
  void SetAsIntegerValue(int32_t value) override { SetAsBooleanValue(value != 0); }
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& value) override;
  classlib::Variant GetAsVariant() const override;
  std::string GetTextValue(bool) const override { return GetAsString(); }

 private:
  std::string string_true_;
  std::string string_false_;
};

class TFIBGuidField : public classlib::TGuidField {
  CLASSLIB_CLASS(TFIBGuidField, classlib::TGuidField)
 public:
  explicit TFIBGuidField(classlib::TComponent* owner);
  // 16 (the bytes) and 38 (the braced text) are accepted.
  void CheckTypeSize(int size) const override;

 protected:
  int GetDataSize() const override { return 16; }
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& value) override;
  classlib::TGUID GetAsGuid() const override;
  void SetAsGuidValue(const classlib::TGUID& value) override;
  classlib::Variant GetAsVariant() const override;
  std::string GetTextValue(bool) const override { return GetAsString(); }
};

// An array column: the record holds the array's 8-byte id; the elements
// come and go through the data set.
class TFIBArrayField : public classlib::TBytesField {
  CLASSLIB_CLASS(TFIBArrayField, classlib::TBytesField)
 public:
  explicit TFIBArrayField(classlib::TComponent* owner);
  ~TFIBArrayField() override;

  // The column's array object, made once through the data set on first
  // use; nullptr when the data set cannot make one.
  TpZODArray* Array();
  // The array id of the current record; false when null.
  bool GetArrayId(ISC_QUAD& id) const;
  void SetArrayId(const ISC_QUAD& id);

 protected:
  int GetDataSize() const override { return 8; }
  std::string GetAsString() const override;
  std::string GetTextValue(bool) const override { return GetAsString(); }
  classlib::Variant GetAsVariant() const override;
  void SetVarValue(const classlib::Variant& value) override;

 private:
  std::unique_ptr<TpZODArray> array_;
};

}  // namespace fib
