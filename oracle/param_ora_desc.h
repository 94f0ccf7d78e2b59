// TOraParamDesc: a statement parameter as the Oracle command binds it. It
// owns the value buffer (one item per array element, laid out for the call
// interface's array binds), the null indicators and the cell that receives
// the bind handle; large and structured values live in a value object
// (blob, LOB, cursor, date-time, interval, number) that the Value refers to.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "classlib/codepage.h"
#include "classlib/datetime.h"
#include "dacore/driver_params.h"
#include "dacore/object_shared.h"
#include "oracle/oci_defs.h"

namespace oracle {

class TOraParam;

class TOraParamDesc : public dacore::TParamDesc {
  CLASSLIB_CLASS(TOraParamDesc, dacore::TParamDesc)
 public:
  TOraParamDesc();
  ~TOraParamDesc() override;

  // Each rebuilds the buffers when the value changes.
  void SetDataType(dacore::TDataType value) override;
  // Strings: size + 1 bytes (at least 2); wide strings: 2 bytes a
  // character and a zero word (at least 4); bytes: size + 2 (a length word
  // in front). Other types keep their fixed item size.
  void SetSize(int32_t value) override;
  void SetArrayLength(int32_t value);
  int32_t GetArrayLength() const { return array_length_; }

  // The whole parameter: item 1, or a variant array [1..ArrayLength].
  classlib::Variant GetValue() override;
  void SetValue(const classlib::Variant& value) override;
  classlib::TObject* GetObject() override;
  void SetObject(classlib::TObject* value) override;
  bool GetNull() override { return GetItemNull(1); }
  void SetNull(bool value) override { SetItemNull(1, value); }

  // ERangeError "Index of array is not range" unless 1 <= i <= ArrayLength.
  void CheckIndex(int i) const;
  sb2 GetIndicator(int i) const;
  void SetIndicator(int i, sb2 value);
  bool GetItemNull(int i) const;
  void SetItemNull(int i, bool value);

  classlib::TDateTime GetItemAsDateTime(int i);
  void SetItemAsDateTime(int i, classlib::TDateTime value);
  double GetItemAsFloat(int i);
  void SetItemAsFloat(int i, double value);
  int32_t GetItemAsInteger(int i);
  void SetItemAsInteger(int i, int32_t value);
  bool GetItemAsBoolean(int i);
  void SetItemAsBoolean(int i, bool value);
  int64_t GetItemAsLargeInt(int i);
  void SetItemAsLargeInt(int i, int64_t value);
  std::string GetItemAsString(int i);
  void SetItemAsString(int i, const std::string& value);
  classlib::WideString GetItemAsWideString(int i);
  void SetItemAsWideString(int i, const classlib::WideString& value);
  classlib::Variant GetItemAsVariant(int i);
  void SetItemAsVariant(int i, const classlib::Variant& value);
  // The value object of an item: the single value object, or an array
  // item's (numbers, date-times, intervals).
  dacore::TSharedObject* GetItemObject(int i);
  void SetItemObject(int i, dacore::TSharedObject* value);

  // Indicator 1 from the value object of object-held types.
  void UpdateIndicator();
  // Arrays of numbers, date-times and intervals: the items' numbers or
  // descriptor addresses into the buffer before a bind, and the numbers
  // back after an execute.
  void ItemObjectsToBuffer();
  void BufferToItemObjects();

  // ---- What the command binds.
  int32_t ItemSize() const { return item_size_; }
  uint8_t* ValueBuffer() { return buffer_.empty() ? nullptr : buffer_.data(); }
  uint8_t* ItemPtr(int i) { return buffer_.data() + static_cast<size_t>(i - 1) * item_size_; }
  sb2* IndicatorPtr() { return indicator_ptr_; }
  OCIBind** BindCell() { return &bind_cell_; }
  int32_t BoundSize = 0;
  OCIBind* BoundHandle = nullptr;
  int32_t MaxItemLength = 0;
  // The current length of a PL/SQL table bind, which the client reads and
  // writes while the statement runs.
  ub4 TableLength = 0;

  bool GetTable() const { return table_; }
  void SetTable(bool value) { table_ = value; }
  bool GetNational() const { return national_; }
  void SetNational(bool value) { national_ = value; }
  // The name was written in double quotes (binds use it quoted, exactly).
  bool IsQuoted = false;
  uint16_t SubDataType = 0;

  // The component parameter whose value was last written into the
  // descriptor (TOraParam::SetBoundDesc keeps both ends); a descriptor that
  // goes tells it.
  TOraParam* BoundParam() const { return bound_param_; }

 private:
  friend class TOraParam;

  void AllocBuffer();
  void FreeBuffer();
  void EnsureItemSize(int32_t size);
  bool HasItemObjects() const;
  // Marks the descriptor with a type without rebuilding its buffers.
  void MarkType(dacore::TDataType type) { data_type_ = type; }
  void StoreText(int i, const std::string& text);
  void StoreWideText(int i, const classlib::WideString& text);
  void StoreBytes(int i, const uint8_t* bytes, size_t count);
  dacore::TSharedObject* NumberObject(int i);

  std::vector<uint8_t> buffer_;
  int32_t item_size_ = 0;
  int32_t array_length_ = 1;
  sb2 indicator_cell_ = -1;
  std::vector<sb2> indicators_;
  sb2* indicator_ptr_;
  // Pointer-sized: the client library writes a handle's address into it.
  OCIBind* bind_cell_ = nullptr;
  // One value object per item for arrays of numbers, date-times, intervals.
  std::vector<dacore::TSharedObject*> item_objects_;
  bool table_ = false;
  bool national_ = false;
  TOraParam* bound_param_ = nullptr;
};

// The item size of a data type, before any declared size (0 for types
// whose value lives in an object). An assertion failure "Unknown data type"
// for a type a parameter cannot have.
int32_t FixedItemSize(dacore::TDataType type);
// Numbers, date-times and intervals: kept as one value object per item.
bool IsItemObjectType(dacore::TDataType type);

}  // namespace oracle
