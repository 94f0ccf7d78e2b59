// The SQLite test driver's result set: describing and fetching.
#include "testing/sqlite_driver/sqlite_driver_record_set.h"

#include <cstring>

#include "dacore/util_bytes.h"
#include "testing/sqlite_driver/sqlite_driver_types.h"

namespace sqlite_driver {

using namespace dacore;

TSQLiteRecordSet::~TSQLiteRecordSet() { Close(); }

void TSQLiteRecordSet::InternalPrepare() {
  TCRRecordSet::InternalPrepare();
  SetCommandType(Command().ReturnsRows() ? ctCursor : ctStatement);
}

void TSQLiteRecordSet::InternalOpen() {
  if (!Prepared()) Prepare();
  TCRRecordSet::InternalOpen();
}

void TSQLiteRecordSet::InternalExecute() {
  if (!Command().GetPrepared()) {
    Command().Prepare();
    SetCommandType(Command().ReturnsRows() ? ctCursor : ctStatement);
  }
  TCRRecordSet::InternalExecute();
}

TCRTableInfo* TSQLiteRecordSet::TableOf(const char* table_name) {
  if (!table_name || !*table_name) return nullptr;
  TCRTablesInfo& tables = TablesInfo();
  const int index = tables.FindByName(table_name);
  if (index >= 0) return tables.Items(index);
  TCRTableInfo* info = tables.Add();
  info->SetTableName(table_name);
  return info;
}

void TSQLiteRecordSet::InternalInitFields() {
  sqlite3_stmt* stmt = Command().Statement();
  untyped_columns_ = false;
  has_blobs_ = false;
  if (!stmt) return;
  const bool has_row = Command().HasRow();
  for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
    const char* declared = sqlite3_column_decltype(stmt, i);
    TColumnType type;
    if (declared) {
      type = ColumnTypeOfDeclared(declared);
    } else {
      untyped_columns_ = true;
      type = ColumnTypeOfStorage(has_row ? sqlite3_column_type(stmt, i) : SQLITE_TEXT);
    }
    // As the layer's drivers do: a text of 32 characters or more lives in
    // the string heap (its length, not its declared room) unless the buffers
    // are to be flat.
    if (type.type == dtString && type.length >= kHeapStringLength && !FlatBuffers) type.type = dtHeapString;
    auto field = GetFieldDescType();
    auto* cr_field = static_cast<TCRFieldDesc*>(field.get());
    const char* origin = sqlite3_column_origin_name(stmt, i);
    field->SetName(sqlite3_column_name(stmt, i));
    field->SetActualName(origin ? origin : sqlite3_column_name(stmt, i));
    field->SetDataType(type.type);
    if (IsBlobFieldType(type.type)) has_blobs_ = true;
    field->SetLength(type.length);
    field->SetScale(type.scale);
    field->SetSize(FieldSize(type));
    field->SetFieldNo(static_cast<uint16_t>(Fields().Count() + 1));
    cr_field->SetTableInfo(TableOf(sqlite3_column_table_name(stmt, i)));
    Fields().Add(std::move(field));
  }
}

// Numbers and texts of the engine's own storage class go into the record
// as they are; anything else (dates, blobs, converted values) through a
// Variant. False when the value took the other way.
bool TSQLiteRecordSet::PutColumnValue(sqlite3_stmt* stmt, int column, const TFieldDesc& field, TRecBuf rec) {
  const int field_no = column + 1;
  const TDataType type = field.DataType();
  if (type == dtString || type == dtHeapString) {
    // A text of any storage class reads as text; NULL has none (every call
    // into the engine takes its lock, so the storage class is not asked).
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    // A zero inside the text is left to the Variant's way, which keeps it.
    if (!text || std::strlen(text) != static_cast<size_t>(sqlite3_column_bytes(stmt, column))) return false;
    PutFieldByNo(field_no, rec, text);
    return true;
  }
  const int storage = sqlite3_column_type(stmt, column);
  // A number of the field's own width goes straight into its place in the
  // record; anything else (a child of an object field, a scaled real) takes
  // the store's general way.
  const bool plain = !field.HasParent() && field.Size() == 8;
  switch (type) {
    case dtInt32: {
      if (storage != SQLITE_INTEGER) return false;
      const auto value = static_cast<int32_t>(sqlite3_column_int64(stmt, column));
      if (!field.HasParent() && field.Size() == sizeof value) PutPlain(field, field_no, rec, value);
      else PutFieldByNo(field_no, rec, &value);
      return true;
    }
    case dtInt64: {
      if (storage != SQLITE_INTEGER) return false;
      const int64_t value = sqlite3_column_int64(stmt, column);
      if (plain) PutPlain(field, field_no, rec, value);
      else PutFieldByNo(field_no, rec, &value);
      return true;
    }
    case dtFloat: {
      if (storage != SQLITE_FLOAT && storage != SQLITE_INTEGER) return false;
      const double value = sqlite3_column_double(stmt, column);
      if (plain && field.Scale() <= 0) PutPlain(field, field_no, rec, value);
      else PutFieldByNo(field_no, rec, &value);
      return true;
    }
    case dtDate: case dtTime: case dtDateTime: {
      // A record holds a date as its date-time value.
      if (storage != SQLITE_TEXT || field.HasParent()) return false;
      classlib::TDateTime value = 0;
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
      if (!text || !ParseDateTimeText(text, value)) return false;
      PutPlain(field, field_no, rec, value);
      return true;
    }
    default: return false;
  }
}

// rec is the fetch's scratch record: the appended row takes its values.
void TSQLiteRecordSet::AppendRow(TRecBuf rec) {
  sqlite3_stmt* stmt = Command().Statement();
  try {
    InitRecord(rec);
    CreateComplexFields(rec, true);
    for (int i = 0; i < GetFieldCount(); ++i) {
      const TFieldDesc& field = *Fields().GetItems(i);
      if (!PutColumnValue(stmt, i, field, rec)) PutFieldAsVariant(i + 1, rec, ColumnValue(stmt, i, field.DataType()));
    }
    // A fetched value is the row's own: no edit is pending on its blobs (a
    // cancelled edit would otherwise take them back to empty).
    if (has_blobs_) {
      CommitBlobs(rec);
      for (int i = 0; i < GetFieldCount(); ++i)
        if (TBlob* blob = IsBlobFieldType(Fields().GetItems(i)->DataType()) ? GetBlob(i + 1, rec) : nullptr)
          blob->SetModified(false);
    }
    InternalAppend(rec);
  } catch (...) {
    FreeComplexFields(rec, true);
    throw;
  }
}

bool TSQLiteRecordSet::Fetch() {
  bool cancel = false;
  DoBeforeFetch(cancel);
  if (cancel) return false;
  TSQLiteCommand& command = Command();
  int taken = 0;
  TRecBuf rec = AllocRecBuf();
  try {
    for (; taken < FetchRows && command.HasRow(); ++taken) {
      AppendRow(rec);
      command.NextRow();
    }
  } catch (...) {
    FreeRecBuf(rec);
    throw;
  }
  FreeRecBuf(rec);
  if (!command.HasRow()) {
    SetFetchDone(true);
    command.SetCursorState(csFinished);
  }
  DoAfterFetch();
  return taken > 0;
}

}  // namespace sqlite_driver
