// Laying out a buffered data set's record over the columns of its select
// statement, and creating the record cache for that layout.
//
// A record buffer begins with a header: the record index (Int32), the
// bookmark flag, the status byte and one null flag per column. The values
// of the columns kept in the record follow in column order, then the text
// slots of the columns kept in the cache's string store, also in column
// order. A long text's slot is an Int32 length and the declared length in
// bytes; one declared no wider than kMaxInlineTextSize lies among the values
// and is stored with the record itself, so a row of short texts is one
// block of memory that needs no allocation of its own. The data set appends
// its own areas (blob slots, calculated fields) after that.
#pragma once

#include <memory>
#include <span>
#include <string>

#include "classlib/db_types.h"
#include "fib/records/field_descr_list.h"
#include "fib/records/records_cache.h"

namespace fib {

// What the layout needs of one output column.
struct TColumnLayoutInfo {
  int SQLType = 0;  // as described, nullable bit included
  int Scale = 0;
  int Length = 0;   // declared length in bytes
  std::string SQLName;
  classlib::TFieldType DefType = classlib::ftUnknown;  // the column's field definition
};

struct TRecordLayout {
  int HeaderSize = 0;   // 6 + number of columns
  int StringCount = 0;  // columns kept in the string store
  // Bytes of a stored record so far: status, null flags and the values kept
  // in the record. The data set adds the stored part of its own areas.
  int StoredSize = 0;
  int ValuesEnd = 0;    // offset right after the last value or text slot
};

// The data set keeps the first bytes of a record buffer (record index and
// bookmark flag) to itself; the cache sees each buffer from this offset on.
inline constexpr int kCacheBufferStart = 5;

// Character columns up to this many bytes stay inside the record.
inline constexpr int kMaxFixedTextSize = 12;
// Long texts up to this many bytes keep their slot inside the stored record;
// wider ones go to the string store, so that a wide column of mostly short
// values does not make every row as wide as its declaration.
inline constexpr int kMaxInlineTextSize = 256;

// Empties descriptors and fills them for columns; returns the sizes.
TRecordLayout BuildRecordLayout(std::span<const TColumnLayoutInfo> columns,
                                TFIBFieldDescrList& descriptors);

// Creates the cache for a laid-out record and places its text slots.
// extra_stored: bytes the data set appends to every stored record;
// record_buffer_size: the data set's whole record buffer, header included.
std::unique_ptr<TRecordsCache> CreateRecordsCache(const TRecordLayout& layout,
                                                  const TFIBFieldDescrList& descriptors,
                                                  int block_records, int extra_stored,
                                                  int record_buffer_size);

}  // namespace fib
