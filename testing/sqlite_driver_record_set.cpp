// The SQLite test driver's result set: describing and fetching.
#include "testing/sqlite_driver_record_set.h"

#include "testing/sqlite_driver_types.h"

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
    auto field = GetFieldDescType();
    auto* cr_field = static_cast<TCRFieldDesc*>(field.get());
    const char* origin = sqlite3_column_origin_name(stmt, i);
    field->SetName(sqlite3_column_name(stmt, i));
    field->SetActualName(origin ? origin : sqlite3_column_name(stmt, i));
    field->SetDataType(type.type);
    field->SetLength(type.length);
    field->SetScale(type.scale);
    field->SetSize(FieldSize(type));
    field->SetFieldNo(static_cast<uint16_t>(Fields().Count() + 1));
    cr_field->SetTableInfo(TableOf(sqlite3_column_table_name(stmt, i)));
    Fields().Add(std::move(field));
  }
}

void TSQLiteRecordSet::AppendRow() {
  sqlite3_stmt* stmt = Command().Statement();
  TRecBuf rec = AllocRecBuf();
  try {
    InitRecord(rec);
    CreateComplexFields(rec, true);
    for (int i = 0; i < GetFieldCount(); ++i) {
      const TFieldDesc& field = *Fields().GetItems(i);
      PutFieldAsVariant(i + 1, rec, ColumnValue(stmt, i, field.DataType()));
    }
    // A fetched value is the row's own: no edit is pending on its blobs (a
    // cancelled edit would otherwise take them back to empty).
    CommitBlobs(rec);
    for (int i = 0; i < GetFieldCount(); ++i)
      if (TBlob* blob = IsBlobFieldType(Fields().GetItems(i)->DataType()) ? GetBlob(i + 1, rec) : nullptr)
        blob->SetModified(false);
    InternalAppend(rec);
  } catch (...) {
    FreeComplexFields(rec, true);
    FreeRecBuf(rec);
    throw;
  }
  FreeRecBuf(rec);
}

bool TSQLiteRecordSet::Fetch() {
  bool cancel = false;
  DoBeforeFetch(cancel);
  if (cancel) return false;
  TSQLiteCommand& command = Command();
  int taken = 0;
  for (; taken < FetchRows && command.HasRow(); ++taken) {
    AppendRow();
    command.NextRow();
  }
  if (!command.HasRow()) {
    SetFetchDone(true);
    command.SetCursorState(csFinished);
  }
  DoAfterFetch();
  return taken > 0;
}

}  // namespace sqlite_driver
