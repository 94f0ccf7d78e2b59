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
bool TSQLiteRecordSet::PutColumnValue(const TColumnPlan& plan, const TColumnValue& value, TRecBuf rec) {
  const TFieldDesc& field = *plan.field;
  const int field_no = plan.field_no;
  switch (plan.put) {
    case TColumnPut::kText:
      // NULL has no text; a zero inside the text is left to the Variant's
      // way, which keeps it.
      if (!value.text || std::memchr(value.text, 0, static_cast<size_t>(value.bytes))) return false;
      PutFieldByNo(field_no, rec, value.text);
      return true;
    case TColumnPut::kInt32: {
      if (value.storage != SQLITE_INTEGER) return false;
      const auto number = static_cast<int32_t>(value.integer);
      if (plan.plain) PutPlain(field, field_no, rec, number);
      else PutFieldByNo(field_no, rec, &number);
      return true;
    }
    case TColumnPut::kInt64: {
      if (value.storage != SQLITE_INTEGER) return false;
      const int64_t number = value.integer;
      if (plan.plain) PutPlain(field, field_no, rec, number);
      else PutFieldByNo(field_no, rec, &number);
      return true;
    }
    case TColumnPut::kFloat:
      if (value.storage != SQLITE_FLOAT && value.storage != SQLITE_INTEGER) return false;
      if (plan.plain) PutPlain(field, field_no, rec, value.real);
      else PutFieldByNo(field_no, rec, &value.real);
      return true;
    case TColumnPut::kDate: {
      classlib::TDateTime date = 0;
      if (value.storage != SQLITE_TEXT || !value.text ||
          !ParseDateTimeText(value.text, static_cast<size_t>(value.bytes), date))
        return false;
      PutPlain(field, field_no, rec, date);
      return true;
    }
    case TColumnPut::kVariant: return false;
  }
  return false;
}

// rec is the fetch's scratch record: the appended row takes its values.
void TSQLiteRecordSet::AppendRow(TRecBuf rec) {
  sqlite3_stmt* stmt = Command().Statement();
  try {
    InitRecord(rec);
    CreateComplexFields(rec, true);
    ReadRow(stmt, plans_, values_);
    for (size_t i = 0; i < plans_.size(); ++i)
      if (!PutColumnValue(plans_[i], values_[i], rec))
        PutFieldAsVariant(plans_[i].field_no, rec, ColumnValue(stmt, static_cast<int>(i), plans_[i].field->DataType()));
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
  // A one-way result set keeps only the rows of its last fetch: the walk
  // goes on from the first row fetched, so the rows read before go.
  if (UniDirectional && command.HasRow()) DropRowsBefore(nullptr);
  int taken = 0;
  // The fields stay as they are for the whole fetch.
  PlanColumns(Fields(), GetFieldCount(), plans_);
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
