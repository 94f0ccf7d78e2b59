// Pessimistic locking of the current record and the record count from the
// server.
#include "classlib/ansistr.h"
#include "classlib/exceptions.h"
#include "classlib/field.h"
#include "classlib/fields.h"
#include "classlib/format.h"
#include "fib/base/component_name.h"
#include "fib/base/errors.h"
#include "fib/metadata/dataset_info_cache.h"
#include "fib/metadata/table_info_cache.h"
#include "fib/sql/sql_clauses.h"
#include "fib/sql/sql_parser.h"
#include "fib/sql/sql_text.h"
#include "fib/statements/auto_update_options.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_query.h"
#include "fib/statements/fib_transaction.h"
#include "fib/zod/zod_dataset.h"
#include "fib/zod/zod_dataset_messages.h"
#include "fib/zod/zod_dataset_sql.h"

namespace fib {

namespace {

constexpr int32_t kLockConflict = 335544345;

std::string FirstWhereCondition(const std::string& sql) {
  TSQLParser parser(sql);
  int start = 0, end = 0;
  std::string condition;
  parser.GetWhereClause(1, start, condition, end);
  return classlib::Trim(condition);
}

std::string FirstWord(const std::string& text) {
  std::string trimmed = classlib::Trim(text);
  int alias_pos = AliasPos(trimmed);
  return alias_pos > 0 ? TableOfRef(trimmed, alias_pos) : trimmed;
}

bool IsDateTimeField(const classlib::TField* field) {
  classlib::TFieldType type = field->DataType();
  return type == classlib::ftDate || type == classlib::ftTime || type == classlib::ftDateTime ||
         type == classlib::ftTimeStamp;
}

}  // namespace

std::string TpZODDataSet::LockText() {
  TAutoUpdateOptions& options = AutoUpdateOptions();
  std::string table, where;
  if (UpdateSQL().Text().empty() ||
      (options.AutoReWriteSqls() && options.UpdateOnlyModifiedFields())) {
    if (!options.AutoReWriteSqls() || options.KeyFieldNames().empty())
      throw classlib::Exception(kMsgLockUpdateEmpty);
    table = classlib::Trim(options.UpdateTableName());
    std::vector<std::string> keys;
    for (const std::string& key : options.KeyFieldNames()) keys.push_back(FormatIdentifier(key));
    where = KeyWhereText(keys);
  } else {
    std::string update = QUpdate()->SQL().Text();
    table = ModifiedTable(update, true);
    where = FirstWhereCondition(update);
  }
  if (table.empty() || where.empty()) return "";
  std::string server_table = NormalizedIdentifier(FormatIdentifier(FirstWord(table)));
  TpZODTableInfo* info = GeneratorTableInfo(server_table);
  for (classlib::TField* field : Fields().List()) {
    if (field->FieldKind() != classlib::fkData || GetRelationTableName(field) != server_table)
      continue;
    std::string column = GetRelationFieldName(field);
    // Setting a computed column would fail, not lock.
    TpZODFieldInfo* column_info = info ? info->FindField(column) : nullptr;
    if (column_info && column_info->IsComputed) continue;
    return LockStatementText(table, FormatIdentifier(column), FormatIdentifier(field->FieldName()),
                             where);
  }
  return "";
}

void TpZODDataSet::FillLockParams() {
  SetModifyParams(*lock_query_, GetActiveRecBuf());
  if (!CachedUpdates()) return;
  // Under cached updates the server still holds the old values.
  for (int i = 0; i < lock_query_->ParamCount(); ++i) {
    classlib::TField* field = FindField(lock_query_->ParamName(i));
    if (!field || field->IsBlob()) continue;
    TFIBXSQLVAR& param = lock_query_->Param(i);
    classlib::Variant old = field->OldValue();
    if (classlib::VarIsNull(old)) param.SetIsNull(true);
    else if (IsDateTimeField(field)) param.SetAsDateTime(old.AsDate());
    else param.SetAsVariant(old);
  }
}

TLockStatus TpZODDataSet::LockRecord(bool raise_on_error) {
  std::string text = LockText();
  if (text.empty()) text = UpdateSQL().Text();
  if (lock_query_->SQL().Text() != ListText(text))
    lock_query_->SQL().SetText(text);
  lock_query_->SetDatabase(Database());
  lock_query_->SetTransaction(UpdateTransaction());
  FillLockParams();
  for (;;) {
    TLockStatus status = lsUnknownError;
    std::string error_text;
    try {
      TFIBTransaction* transaction = UpdateTransaction();
      if (transaction && !transaction->Active() && Options().Contains(poStartTransaction))
        transaction->StartTransaction();
      lock_query_->ExecQuery();
      int rows = lock_query_->RowsAffected();
      status = rows == 1 ? lsSuccess : rows == 0 ? lsNotExist : lsMultiply;
    } catch (const EFIBError& error) {
      bool deadlock = error.SQLCode() == -913 ||
                      (error.SQLCode() == -901 && error.IBErrorCode() == kLockConflict);
      status = deadlock ? lsDeadLock : lsUnknownError;
      error_text = error.Message();
    }
    if (status == lsSuccess || !raise_on_error) return status;
    std::string message = kMsgRecordUpdating;
    switch (status) {
      case lsDeadLock: message += kMsgDeadlock; break;
      case lsNotExist: message += kMsgRecordMissing; break;
      case lsMultiply: message += kMsgMultipleRecords; break;
      default: message += error_text; break;
    }
    classlib::TDataAction action = classlib::daFail;
    if (OnLockError) OnLockError(this, status, message, action);
    if (action == classlib::daFail) throw classlib::Exception(message);
    if (action == classlib::daAbort) classlib::Abort();
  }
}

int TpZODDataSet::GetRecordCountBySQL() {
  TFIBQuery* select = QSelect();
  if (!select->Transaction() || !select->Transaction()->Active()) return 0;
  try {
    count_query_->Close();
    count_query_->SetDatabase(select->Database());
    count_query_->SetTransaction(select->Transaction());
    std::string text;
    if (OnAskRecordCount) OnAskRecordCount(this, text);
    if (text.empty()) {
      TFIBDatabase* database = select->Database();
      bool derived = database->IsFirebirdConnect() && database->ServerMajorVersion() >= 2;
      text = CountStatementText(PreparedSelectText(), derived);
    }
    if (count_query_->SQL().Text() != ListText(text))
      count_query_->SQL().SetText(text);
    for (int i = 0; i < count_query_->ParamCount(); ++i)
      if (TFIBXSQLVAR* source = select->FindParam(count_query_->ParamName(i)))
        count_query_->Param(i).SetAsVariant(source->AsVariant());
    count_query_->Prepare();
    count_query_->ExecQuery();
    int count = count_query_->Eof() ? 0 : count_query_->Fields(0).AsInteger();
    count_query_->Close();
    return count;
  } catch (const std::exception& error) {
    throw classlib::Exception(classlib::Format(kMsgUnableToCount, {FullComponentName(this)}) + "\r\n" +
                              error.what());
  }
}

}  // namespace fib
