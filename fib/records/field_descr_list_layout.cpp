#include "fib/records/field_descr_list_layout.h"

#include "fib/base/sql_types.h"

namespace fib {

namespace {

int DataSizeOf(int type, int length) {
  switch (type) {
    case kSQLShort: return 2;
    case kSQLDouble: case kSQLTimeStamp: case kSQLDFloat: case kSQLInt64: return 8;
    case kSQLFloat: case kSQLLong: case kSQLTime: case kSQLDate: return 4;
    default: return length < 0 ? 0 : length;  // text, blob and array ids, booleans
  }
}

uint8_t ValueKindOf(classlib::TFieldType def_type) {
  if (def_type == classlib::ftGuid) return vkGuid;
  if (def_type == classlib::ftWideString) return vkWideString;
  return vkPlain;
}

}  // namespace

TRecordLayout BuildRecordLayout(std::span<const TColumnLayoutInfo> columns,
                                TFIBFieldDescrList& descriptors) {
  TRecordLayout layout;
  const int count = static_cast<int>(columns.size());
  layout.HeaderSize = 6 + count;
  descriptors.Clear();
  descriptors.SetCapacity(count);

  int offset = layout.HeaderSize;
  layout.StoredSize = layout.HeaderSize - kCacheBufferStart;
  for (const TColumnLayoutInfo& column : columns) {
    TFIBFieldDescr descr;
    descr.FieldType = static_cast<uint16_t>(column.SQLType & ~1);
    descr.Scale = static_cast<int16_t>(column.Scale);
    descr.IsNullable = (column.SQLType & 1) != 0;
    descr.DataSize = static_cast<uint16_t>(DataSizeOf(descr.FieldType, column.Length));
    descr.IsDBKey = column.SQLName == "DB_KEY" || column.SQLName == "RDB$DB_KEY";
    descr.ValueKind = ValueKindOf(column.DefType);
    // A GUID's 16 bytes are a value, not a text to trim and keep aside.
    descr.IsString = (descr.FieldType == kSQLVarying || descr.FieldType == kSQLText) &&
                     column.Length > kMaxFixedTextSize && column.DefType != classlib::ftGuid;
    if (descr.IsString && column.Length > kMaxInlineTextSize) {
      descr.StringIndex = layout.StringCount++;
    } else {
      // A long text kept in the record has its length word before it, as
      // its slot has in every expanded record.
      const int size = descr.DataSize + (descr.IsString ? kTextLengthSize : 0);
      descr.Offset = offset;
      offset += size;
      layout.StoredSize += size;
    }
    descriptors.Add(descr);
  }
  // The string store's text slots follow all values kept in the record, in
  // column order.
  for (int i = 0; i < descriptors.GetCount(); ++i) {
    TFIBFieldDescr* descr = descriptors.GetItem(i);
    if (descr->StringIndex < 0) continue;
    descr->Offset = offset;
    offset += descr->DataSize + kTextLengthSize;
  }
  layout.ValuesEnd = offset;
  return layout;
}

std::unique_ptr<TRecordsCache> CreateRecordsCache(const TRecordLayout& layout,
                                                  const TFIBFieldDescrList& descriptors,
                                                  int block_records, int extra_stored,
                                                  int record_buffer_size) {
  auto cache = std::make_unique<TRecordsCache>(
      block_records, record_buffer_size - kCacheBufferStart, layout.StoredSize + extra_stored,
      layout.StringCount);
  int k = 0;
  for (int i = 0; i < descriptors.GetCount(); ++i) {
    const TFIBFieldDescr* descr = descriptors.GetItem(i);
    if (descr->StringIndex >= 0)
      cache->SetStringLayout(++k, descr->Offset - kCacheBufferStart, descr->DataSize);
  }
  return cache;
}

}  // namespace fib
