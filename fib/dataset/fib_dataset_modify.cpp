// The modify statements of the buffered data set: running the update,
// insert and delete statements for one record, the values they return, the
// update transaction around them, and refreshing a record from the server.
#include "fib/base/component_name.h"
#include "fib/base/errors.h"
#include "fib/base/str_util.h"
#include "fib/dataset/fib_dataset.h"
#include "fib/statements/fib_blob_stream.h"
#include "fib/statements/fib_query.h"
#include "fib/statements/fib_transaction.h"

namespace fib {

using classlib::TRecordBuffer;

// A statement whose text is "No Action" stands for a change the server
// needs no statement for (a trigger or view does the work).
bool TFIBCustomDataSet::IsNoAction(TFIBQuery* statement) {
  return statement == nullptr || IsEmptyStrings(statement->SQL()) ||
         FastTrim(statement->SQL().Text()) == "No Action";
}

void TFIBCustomDataSet::StartUpdateTransactionIfAsked() {
  TFIBTransaction* transaction = UpdateTransaction();
  if (transaction != nullptr && !transaction->Active() && options_.Contains(poStartTransaction))
    transaction->StartTransaction();
}

void TFIBCustomDataSet::AutoCommitUpdateTransaction() {
  TFIBTransaction* transaction = UpdateTransaction();
  if (!auto_commit_ || transaction == nullptr || !transaction->Active()) return;
  // Committing the read transaction itself would close the data set's cursor.
  if (transaction != Transaction() && transaction->TimeoutAction() != TACommitRetaining)
    transaction->Commit();
  else
    transaction->CommitRetaining();
}

// The base post of one record: the statement with the record's values, the
// values it returns, the auto-commit and the refresh that may follow.
// Runs a modify statement with the record's values; a statement that
// returns a row hands its values to the record.
void TFIBCustomDataSet::ExecuteModify(TFIBQuery* statement, TRecordBuffer buffer) {
  if (IsNoAction(statement)) return;
  StartUpdateTransactionIfAsked();
  SetModifyParams(*statement, buffer);
  statement->ExecQuery();
  if (statement->Transaction() != nullptr && statement->Transaction() != Transaction())
    update_writes_pending_ = true;
  TakeReturnedValues(statement, buffer);
}

void TFIBCustomDataSet::InternalPostRecord(TFIBQuery* statement, TRecordBuffer buffer) {
  ExecuteModify(statement, buffer);
  SetStatusOf(buffer, cusUnmodified);
  AutoCommitUpdateTransaction();
  if (options_.Contains(poRefreshAfterPost) && !IsEmptyStrings(RefreshSQL()))
    RefreshAfterPost(buffer);
  KeepPostedBlobContent(buffer);
}

// A statement that returns a row (RETURNING, a selectable or executable
// procedure) hands its values to the columns of the same name.
void TFIBCustomDataSet::TakeReturnedValues(TFIBQuery* statement, TRecordBuffer buffer) {
  const TFIBSQLTypes type = statement->SQLType();
  if (type != SQLSelect && type != SQLSelectForUpdate && type != SQLExecProcedure) return;
  const bool has_row = type == SQLExecProcedure || (statement->Open() && !statement->Eof());
  if (has_row && statement->FieldCount() > 0) {
    const int index = RecordIndexOf(buffer);
    WriteRecordToCache(index, buffer);
    keep_blob_streams_ = true;
    try {
      FetchRecordToCache(*statement, index);
    } catch (...) {
      keep_blob_streams_ = false;
      throw;
    }
    keep_blob_streams_ = false;
    ReadRecordFromCache(index, buffer, false);
  }
  if (statement->Open()) statement->Close();
}

void TFIBCustomDataSet::RefreshAfterPost(TRecordBuffer buffer) {
  if (!LimitedCacheModel()) RefreshRecordThrough(QRefresh(), buffer);
  current_index_ = RecordIndexOf(buffer);
}

void TFIBCustomDataSet::InternalDeleteRecord(TFIBQuery* statement, TRecordBuffer buffer) {
  ExecuteModify(statement, buffer);
  // A row the refresh statement still finds (a trigger kept it) stays.
  const bool still_there = options_.Contains(poRefreshAfterDelete) &&
                           !IsEmptyStrings(RefreshSQL()) && RefreshRecordThrough(QRefresh(), buffer);
  if (!still_there) SetStatusOf(buffer, cusDeletedApplied);
  WriteRecordToCache(RecordIndexOf(buffer), buffer);
  if (!cached_updates_) AutoCommitUpdateTransaction();
}

void TFIBCustomDataSet::InternalRefresh() {
  TDataSet::InternalRefresh();
  RefreshRecordThrough(QRefresh());
}

}  // namespace fib
