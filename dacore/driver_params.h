// TParamDesc: a statement parameter as a driver sees it (name, data type,
// direction, size, value and null flag), and TParamDescs, the list that
// owns them.
#pragma once

#include <cstdint>
#include <string>

#include "classlib/list.h"
#include "classlib/object.h"
#include "classlib/variant.h"
#include "dacore/data_types.h"

namespace dacore {

// In the order of the class library's parameter types.
enum TParamDirection : uint8_t { pdUnknown, pdInput, pdOutput, pdInputOutput, pdResult };

class TParamDesc : public classlib::TObject {
  CLASSLIB_CLASS(TParamDesc, classlib::TObject)
 public:
  TParamDesc() = default;
  virtual void SetDataType(TDataType value) { data_type_ = value; }
  // A driver resizes its bind buffer here.
  virtual void SetSize(int32_t value) { size_ = value; }
  virtual classlib::Variant GetValue() { return value_; }
  // IsNull follows the value: set exactly for Empty and Null.
  virtual void SetValue(const classlib::Variant& value);
  // Nil for Empty or Null; otherwise the value must be an object reference.
  virtual classlib::TObject* GetObject();
  virtual void SetObject(classlib::TObject* value) { SetValue(classlib::Variant::FromObject(value)); }
  virtual bool GetNull() { return is_null_; }
  // Stores the flag and clears the value.
  virtual void SetNull(bool value);

  const std::string& GetName() const { return name_; }
  void SetName(const std::string& value) { name_ = value; }
  TDataType GetDataType() const { return data_type_; }
  TParamDirection GetParamType() const { return param_type_; }
  void SetParamType(TParamDirection value) { param_type_ = value; }
  int32_t GetSize() const { return size_; }
  bool GetConvertEOL() const { return convert_eol_; }
  void SetConvertEOL(bool value) { convert_eol_ = value; }

 protected:
  std::string name_;
  TDataType data_type_ = dtUnknown;
  TParamDirection param_type_ = pdUnknown;
  int32_t size_ = 0;
  classlib::Variant value_;
  bool is_null_ = false;
  bool convert_eol_ = false;
};

class TParamDescs : public classlib::TList {
  CLASSLIB_CLASS(TParamDescs, classlib::TList)
 public:
  ~TParamDescs() override { Clear(); }
  // Frees every item, then empties the list.
  void Clear() override;
  // EListError for an index outside the list.
  TParamDesc* ParamItems(int index) const;
};

}  // namespace dacore
