// The layout of a buffered data set's record: one descriptor per column of
// its select statement, in column order.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "classlib/object.h"

namespace fib {

// Where and how one column's value lies in a record.
struct TFIBFieldDescr {
  uint16_t FieldType = 0;  // SQL type, nullable bit cleared
  int16_t Scale = 0;
  bool IsNullable = false;
  uint16_t DataSize = 0;   // bytes of the value in the record
  int32_t Offset = 0;      // offset in the data set's record buffer
  bool IsDBKey = false;    // the row key column
  bool IsString = false;   // a long text: its slot is an Int32 length and the text
  int32_t StringIndex = -1;  // column of the string store, -1 when kept in the record
  uint8_t ValueKind = 0;   // see TValueKind
};

// What the field definition makes of a column's bytes.
enum TValueKind : uint8_t { vkPlain = 0, vkGuid = 1, vkWideString = 2 };

class TFIBFieldDescrList : public classlib::TObject {
  CLASSLIB_CLASS(TFIBFieldDescrList, classlib::TObject)
 public:
  // Appends a separately allocated copy of values; the pointer stays valid
  // until the list is cleared.
  TFIBFieldDescr* Add(const TFIBFieldDescr& values);
  void Clear() { items_.clear(); }
  int GetCount() const { return static_cast<int>(items_.size()); }
  // Raises EListError for an index out of range. Inline: the data set asks
  // for a descriptor for every value it stores or reads.
  TFIBFieldDescr* GetItem(int index) const {
    if (index < 0 || index >= GetCount()) RaiseIndexError(index);
    return items_[static_cast<size_t>(index)].get();
  }
  void SetCapacity(int capacity);

 private:
  [[noreturn]] static void RaiseIndexError(int index);

  std::vector<std::unique_ptr<TFIBFieldDescr>> items_;
};

}  // namespace fib
