// Re-reading what the data set shows: one record through a statement, the
// whole data set with the position kept, and the buffers after a change of
// which records are visible.
#include <vector>

#include "classlib/field.h"
#include "classlib/fields.h"
#include "classlib/variant.h"
#include "fib/base/component_name.h"
#include "fib/base/errors.h"
#include "fib/base/screen_cursor.h"
#include "fib/base/sql_types.h"
#include "fib/dataset/fib_dataset.h"
#include "fib/records/records_cache.h"
#include "fib/statements/fib_query.h"
#include "fib/statements/fib_transaction.h"

namespace fib {

bool TFIBCustomDataSet::RefreshRecordThrough(TFIBQuery* statement,
                                             classlib::TRecordBuffer buffer) {
  if (statement == nullptr || statement->SQL().Text().empty() || !Active()) {
    if (record_count_ > 0) RaiseClientError(48, {FullComponentName(this)});
    return false;
  }
  if (buffer == nullptr) buffer = GetActiveRecBuf();
  if (buffer == nullptr) return false;
  const TScreenCursorGuard cursor(sql_screen_cursor_);
  const int index = RecordIndexOf(buffer);
  if (!LimitedCacheModel() && !cached_updates_ && index >= 0 && index < record_count_)
    cache_->LoadCurrentBuffer(CacheNumberOf(index));
  SetModifyParams(*statement, buffer);
  if (!statement->Prepared()) statement->Prepare();
  TFIBTransaction* transaction = statement->Transaction();
  if (options_.Contains(poStartTransaction) && transaction != nullptr && !transaction->Active())
    transaction->StartTransaction();
  bool found = false;
  try {
    statement->ExecQuery();
    found = statement->Open() && !statement->Eof();
    if (found && transaction == Transaction()) NoteReadBehindUpdateWrites();
    if (found) {
      keep_blob_streams_ = true;
      FetchRecordToCache(*statement, index);
      keep_blob_streams_ = false;
      ReadRecordFromCache(index, buffer, false);
    } else if (options_.Contains(poRefreshDeletedRecord) && !LimitedCacheModel()) {
      CacheDelete();
    }
  } catch (...) {
    keep_blob_streams_ = false;
    if (statement->Open()) statement->Close();
    throw;
  }
  if (statement->Open()) statement->Close();
  return found;
}

void TFIBCustomDataSet::ReopenLocate(const std::string& key_fields) {
  if (!Active()) return;
  std::string keys = key_fields;
  if (keys.empty() && !IsEmpty() && RefreshRecordThrough(refresh_query_)) {
    for (classlib::TField* field : Fields().List()) {
      const TFIBFieldDescr* descr = FieldDescr(field);
      if (descr == nullptr || descr->FieldType == kSQLBlob || descr->FieldType == kSQLArray) continue;
      if (!keys.empty()) keys += ";";
      keys += field->FieldName();
    }
  }
  std::vector<classlib::TField*> fields;
  if (!keys.empty() && !IsEmpty()) GetFieldList(fields, keys);
  std::vector<classlib::Variant> values;
  for (classlib::TField* field : fields) values.push_back(field->Value());
  const int former_rec_no = RecNo();
  const int former_active = ActiveRecord();

  DisableControls();
  try {
    Close();
    Open();
    if (!values.empty()) {
      FetchNext(former_rec_no - record_count_);
      const classlib::Variant key_values =
          values.size() == 1 ? values.front() : classlib::VarArrayOf(values);
      if (LocateByKeys(keys, key_values, {}, true, ldFirst, false)) {
        // Keep the record where it stood among the buffered rows.
        const int shift = former_active - ActiveRecord();
        if (shift != 0 && RecNo() - shift >= 1) {
          const int target = RecNo();
          MoveBy(-shift);
          MoveBy(target - RecNo());
        }
      }
    }
  } catch (...) {
    EnableControls();
    throw;
  }
  EnableControls();
}

void TFIBCustomDataSet::RefreshAround(bool resync, bool execute_first) {
  if (!LimitedCacheModel()) {
    ReopenLocate("");
    return;
  }
  if (!Active()) {
    Open();
    return;
  }
  DoBeforeRefresh();
  const int chunks = cache_model_options_->BufferChunks();
  const int slot = current_index_ % chunks;
  cache_->LoadCurrentBuffer(slot == 0 ? chunks : slot);
  ISQLObject* sources[] = {this};
  AssignSQLObjectParams(*refresh_query_, sources);
  FillLimitedCacheAround(current_index_, execute_first, false);
  FreeAllBlobStreams();
  if (resync) TDataSet::Resync({});
  DoAfterRefresh();
}

void TFIBCustomDataSet::RefreshFilters() {
  if (ComponentState().Contains(classlib::csDestroying) || !Active()) return;
  CheckBrowseMode();
  const int former = IsEmpty() ? -1 : RecNo();
  TDataSet::Resync({});
  if ((IsEmpty() ? -1 : RecNo()) != former) First();
}

}  // namespace fib
