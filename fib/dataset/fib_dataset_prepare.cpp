#include "classlib/field.h"
#include "classlib/field_defs.h"
#include "classlib/fields.h"
#include "fib/base/component_name.h"
#include "fib/base/errors.h"
#include "fib/base/screen_cursor.h"
#include "fib/base/sql_types.h"
#include "fib/dataset/fib_dataset.h"
#include "fib/metadata/metadata_cache.h"
#include "fib/metadata/metadata_cache_fib_source.h"
#include "fib/sql/sql_clauses.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_query.h"
#include "fib/statements/fib_transaction.h"

namespace fib {

namespace {

constexpr int kUnicodeFssCharSet = 3;

bool Designing(const classlib::TComponent& component) {
  return component.ComponentState().Contains(classlib::csDesigning);
}

}  // namespace

void TFIBCustomDataSet::CompleteConnection() {
  if (Database() == nullptr && Transaction() != nullptr &&
      Transaction()->DefaultDatabase() != nullptr)
    SetDatabase(Transaction()->DefaultDatabase());
  if (Transaction() == nullptr && Database() != nullptr &&
      Database()->DefaultTransaction() != nullptr)
    SetTransaction(Database()->DefaultTransaction());
  TFIBTransaction* transaction = Transaction();
  if (transaction != nullptr && !transaction->Active()) {
    if (transaction->DatabaseCount() == 0 && Database() != nullptr)
      transaction->SetDefaultDatabase(Database());
    if (options_.Contains(poStartTransaction)) transaction->StartTransaction();
  }
}

void TFIBCustomDataSet::Prepare() {
  const TScreenCursorGuard cursor(sql_screen_cursor_);
  base_->CheckDatabase();
  CompleteConnection();
  base_->CheckTransaction();
  if (select_query_->SQL().Text().empty() ||
      select_query_->SQL().Text().find_first_not_of(" \t\r\n") == std::string::npos)
    RaiseClientError(37, {"Prepare " + FullComponentName(this)});
  if (!select_query_->Prepared()) select_query_->Prepare();
  if (Designing(*this)) {
    for (int kind = 0; kind < 4; ++kind) {
      TFIBQuery* query = StatementOfKind(kind);
      if (!query->SQL().Text().empty() && !query->Prepared()) query->Prepare();
    }
  }
  prepared_ = true;
  FieldDefs().SetUpdated(false);
  InitFieldDefs();
}

void TFIBCustomDataSet::Unprepare() {
  for (TFIBQuery* query : {select_query_, delete_query_, insert_query_, update_query_})
    if (query->Prepared()) query->FreeHandle();
  prepared_ = false;
}

// ---- field definitions ----

void TFIBCustomDataSet::InternalInitFieldDefs() {
  if (!select_query_->Prepared()) {
    if (Designing(*this)) {
      GuardedDesignPrepare();
      if (!select_query_->Prepared()) return;
    } else {
      // Prepare reads the definitions itself once the statement is ready.
      Prepare();
      return;
    }
  }
  FieldDefs().Clear();
  field_defs_rebuilt_ = true;
  TFIBXSQLDA& columns = select_query_->Current();
  for (int i = 0; i < columns.Count(); ++i) AddFieldDef(columns[i], i + 1);
  if (prepare_options_.Contains(psGetOrderInfo) || LimitedCacheModel()) ReadSortInfo();
}

// At design time a missing connection must not raise: the designer asks
// for definitions whenever it likes.
void TFIBCustomDataSet::GuardedDesignPrepare() {
  TFIBDatabase* database = Database();
  if (database == nullptr) return;
  const bool was_connected = database->Connected();
  const bool login_prompt = database->UseLoginPrompt();
  database->SetUseLoginPrompt(false);
  try {
    if (!was_connected) database->Connect();
  } catch (const classlib::Exception&) {
    database->SetUseLoginPrompt(login_prompt);
    return;
  }
  try {
    if (Transaction() != nullptr && !Transaction()->Active()) Transaction()->StartTransaction();
    if (Transaction() != nullptr) Prepare();
  } catch (...) {
    database->SetUseLoginPrompt(login_prompt);
    if (!was_connected) database->SetConnected(false);
    throw;
  }
  database->SetUseLoginPrompt(login_prompt);
  if (!was_connected) database->SetConnected(false);
}

bool TFIBCustomDataSet::RepositoryMarks(TFIBXSQLVAR& column, bool guid) const {
  TFIBDatabase* database = Database();
  const std::string table = column.RelationName();
  if (database == nullptr || table.empty()) return false;
  FIBMetadataSource source(*database);
  TpZODFieldInfo* info = ProcessMetadataCaches().TableInfo.GetFieldInfo(
      source, table, column.SQLName(), true);
  if (info == nullptr) return false;
  return guid ? info->IsGuid() : info->IsBoolean();
}

void TFIBCustomDataSet::AddFieldDef(TFIBXSQLVAR& column, int field_no) {
  using namespace classlib;
  const std::string name = column.Name();
  const int scale = column.SQLScale();
  TField* existing = FindField(name);
  TFieldType type = ftUnknown;
  int size = 0;
  switch (column.SQLType()) {
    case kSQLTimeStamp: type = ftDateTime; break;
    case kSQLFloat:
    case kSQLDouble:
    case kSQLDFloat: type = ftFloat; break;
    case kSQLText:
    case kSQLVarying:
      size = column.Size();
      type = column.SQLSubtype() == kUnicodeFssCharSet ? ftWideString : ftString;
      if (prepare_options_.Contains(psUseGuidField) && size == 16 && RepositoryMarks(column, true))
        type = ftGuid;
      break;
    case kSQLShort:
    case kSQLLong:
      if (scale < 0) {
        type = ftFloat;
      } else if ((prepare_options_.Contains(psUseBooleanField) &&
                  column.RelationName() != "ZOD$FIELDS_INFO" && RepositoryMarks(column, false)) ||
                 (existing != nullptr && existing->DataType() == ftBoolean)) {
        type = ftBoolean;
      } else if (column.Size() == 2 || (existing != nullptr && existing->DataType() == ftSmallint)) {
        type = ftSmallint;
      } else {
        type = ftInteger;
      }
      break;
    case kSQLInt64:
      if (scale == 0) {
        type = prepare_options_.Contains(psUseLargeIntField) ? ftLargeint : ftBCD;
      } else if (scale < -4 && !prepare_options_.Contains(psSQLINT64ToBCD)) {
        type = ftFloat;
      } else {
        type = ftBCD;
        size = -scale;
      }
      break;
    case kSQLBoolean:
    case kSQLFBBoolean: type = ftBoolean; break;
    case kSQLDate: type = ftDate; break;
    case kSQLTime: type = ftTime; break;
    case kSQLBlob:
      type = column.SQLSubtype() == 1 ? ftMemo : ftBlob;
      size = 8;
      break;
    case kSQLArray:
      type = ftBytes;
      size = 8;
      break;
    default: return;
  }
  TFieldDef* def = FieldDefs().Add(name, type, size, false);
  def->SetFieldNo(field_no);
  // A field of another kind is made anew at opening instead.
  if (existing != nullptr && existing->FieldKind() == fkData && existing->Size() != size &&
      type != ftBoolean && existing->DataType() == type)
    existing->SetSize(size);
}

// ---- ORDER BY ----

void TFIBCustomDataSet::ReadSortInfo() { sort_info_ = OrderFieldsArray(select_query_->SQL().Text()); }

}  // namespace fib
