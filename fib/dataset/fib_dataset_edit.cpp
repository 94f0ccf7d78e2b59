// Posting and cancelling a record of the buffered data set: where a new
// record goes in the cache, the cached-update status it takes, its blob
// columns, the modify statement that writes it, and what a post does to a
// sort order.
#include <algorithm>
#include <cstring>

#include "classlib/field.h"
#include "classlib/fields.h"
#include "fib/base/component_name.h"
#include "fib/base/errors.h"
#include "fib/base/screen_cursor.h"
#include "fib/dataset/fib_dataset.h"
#include "fib/records/records_cache.h"
#include "fib/statements/fib_blob_stream.h"
#include "fib/statements/fib_query.h"

namespace fib {

using classlib::TRecordBuffer;

namespace {

bool IsBlobType(classlib::TFieldType type) {
  switch (type) {
    case classlib::ftBlob: case classlib::ftMemo: case classlib::ftGraphic:
    case classlib::ftFmtMemo: case classlib::ftTypedBinary: case classlib::ftWideMemo:
      return true;
    default:
      return false;
  }
}

uint8_t StatusBits(uint8_t status_byte) { return status_byte & kStatusMask; }

}  // namespace

void TFIBCustomDataSet::Post() {
  TDataSet::Post();
  skip_resync_ = 0;
}

void TFIBCustomDataSet::InternalPost() {
  CheckCanModify();
  if (!cache_only_) TDataSet::InternalPost();
  const TScreenCursorGuard cursor(sql_screen_cursor_);
  PostBuffer(ActiveBuffer(), State() == classlib::dsInsert);
}

void TFIBCustomDataSet::InternalAddRecord(TRecordBuffer buffer, bool append) {
  if (!CanInsert()) RaiseClientError(44, {FullComponentName(this)});
  if (append && !uni_directional_) {
    InternalLast();
    SetBookmarkFlag(buffer, classlib::bfEOF);
  } else {
    SetRecordIndexOf(buffer, std::max(current_index_, 0));
  }
  SetStatusOf(buffer, cusInserted);
  PostBuffer(buffer, true);
}

// Where a new record goes: before the record it was inserted at, or after
// the last one when it was appended.
int TFIBCustomDataSet::InsertPosition(TRecordBuffer buffer) {
  if (GetBookmarkFlag(buffer) == classlib::bfEOF)
    return LimitedCacheModel() ? window_->LastIndex + 1 : record_count_;
  return std::clamp(RecordIndexOf(buffer), 0, record_count_);
}

void TFIBCustomDataSet::PostBuffer(TRecordBuffer buffer, bool inserting) {
  // The server's open cursor may return a row inserted beyond the rows read
  // so far once more, and the cache would then hold it twice. The rest of
  // the result is read before the insert runs: a full fetch on the first
  // insert into a partly read data set, which is the price of a result
  // without duplicates. A uni-directional ring is left as it is: reading on
  // would push the place of the new record out of it.
  if (inserting && !cached_updates_ && !cache_only_ && !uni_directional_) FetchAll();
  Storing storing(storing_);
  const bool sort_changed = inserting || SortFieldsChanged();
  SyncBlobColumns(buffer);
  const int index = inserting ? InsertPosition(buffer) : RecordIndexOf(buffer);
  const uint8_t status = StatusOf(buffer);
  const int current = current_index_;
  const int deleted = deleted_count_;
  const bool becomes_pending = MarkPosted(buffer, inserting, index);
  try {
    if (cached_updates_ || cache_only_) {
      // The change stays in the cache until it is applied or cancelled.
      if (inserting) cache_->InsertRecord(index);
      WriteRecordToCache(index, buffer);
      if (becomes_pending && !cache_only_) ++updates_pending_;
      KeepPostedBlobContent(buffer);
    } else if (!LimitedCacheModel()) {
      WriteAttempt attempt(*this, buffer);
      PostThroughStatement(buffer, inserting, index);
      attempt.Succeeded(buffer);
    } else {
      if (!cache_only_) {
        WriteAttempt attempt(*this, buffer);
        InternalPostRecord(inserting ? QInsert() : QUpdate(), buffer);
        attempt.Succeeded(buffer);
      }
      if (sort_changed || (!cache_only_ && options_.Contains(poRefreshAfterPost))) {
        EndArrayEdit(buffer);
        // Nothing has left the refresh statement holding the posted row (a
        // post refreshes no record in this model, and a refresh closes its
        // statement), so the refill runs it first.
        RefreshAround(true, true);
        return;
      }
    }
  } catch (...) {
    // A refused record stays as it was edited, with nothing counted.
    SetStatusOf(buffer, status);
    current_index_ = current;
    deleted_count_ = deleted;
    throw;
  }

  if (inserting) {
    ++record_count_;
    ++inserted_count_;
  }
  EndArrayEdit(buffer);
  if (FieldCount() > 0) {
    if (!cached_updates_ && options_.Contains(poRefreshAfterPost))
      ForEachBlobStream(buffer, [](classlib::TField*, TFIBBlobStream* stream) {
        if (stream->Modified()) stream->Finalize();
      });
    if (cached_updates_ || options_.Contains(poRefreshAfterPost)) SyncBlobColumns(buffer);
    WriteRecordToCache(index, buffer);
  }
  AfterPostOrder(sort_changed);
}

// The status a posted record takes; answers whether it now waits to be
// applied where it did not before.
bool TFIBCustomDataSet::MarkPosted(TRecordBuffer buffer, bool inserting, int index) {
  if (inserting) {
    if (!cache_only_) SetStatusOf(buffer, cusInserted);
    SetRecordIndexOf(buffer, index);
    current_index_ = index;
    return true;
  }
  if (cache_only_) return false;
  const uint8_t status = StatusBits(StatusOf(buffer));
  if (status == cusUnmodified) {
    SetStatusOf(buffer, cusModified);
    return true;
  }
  if (status == cusUninserted) {
    SetStatusOf(buffer, cusInserted);
    --deleted_count_;
    return true;
  }
  return false;
}

void TFIBCustomDataSet::PostThroughStatement(TRecordBuffer buffer, bool inserting, int index) {
  if (inserting) cache_->InsertRecord(index);
  try {
    InternalPostRecord(inserting ? QInsert() : QUpdate(), buffer);
  } catch (...) {
    // The server refused the record: the cache must not keep a slot that
    // no record count accounts for.
    if (inserting) cache_->DeleteRecord(index + 1);
    throw;
  }
}

// A post that changed a sort field either moves the record to its sorted
// place or leaves records that are no longer known to be sorted: then the
// sort descriptor goes, so no sorted search trusts it.
void TFIBCustomDataSet::AfterPostOrder(bool sort_changed) {
  if (!sort_changed || !classlib::VarIsArray(SortInfo())) return;
  if (options_.Contains(poKeepSorting))
    RepositionAfterPost();
  else
    ClearSortInfo();
}

bool TFIBCustomDataSet::SortFieldsChanged() {
  if (State() != classlib::dsEdit) return false;
  std::vector<classlib::TField*> fields;
  for (int position = 1; position <= SortFieldsCount(); ++position)
    if (classlib::TField* field = FindField(SortFieldInfo(position).FieldName))
      fields.push_back(field);
  const bool calculated = std::any_of(fields.begin(), fields.end(), [](classlib::TField* f) {
    return f->FieldKind() != classlib::fkData;
  });
  if (calculated) GetCalcFields(ActiveBuffer());
  // The value the record showed before this edit, which the cache still
  // holds; under cached updates the old value is the one before the first
  // cached change, which an earlier post may have moved the record from.
  const int index = RecordIndexOf(ActiveBuffer());
  const bool from_cache = !LimitedCacheModel() && index >= 0 && index < record_count_;
  for (classlib::TField* field : fields) {
    const classlib::Variant before = from_cache ? CachedFieldValue(index, field) : field->OldValue();
    if (CompareFieldValues(field, field->Value(), before) != 0) return true;
  }
  return false;
}

void TFIBCustomDataSet::ForEachBlobStream(
    TRecordBuffer buffer, const std::function<void(classlib::TField*, TFIBBlobStream*)>& action) {
  if (buffer == nullptr) return;
  for (classlib::TField* field : Fields().List()) {
    if (field->FieldKind() != classlib::fkData || !IsBlobType(field->DataType())) continue;
    if (TFIBBlobStream* stream = BlobStreamOf(buffer, field)) action(field, stream);
  }
}

// The record's blob columns follow their streams: an empty blob is NULL,
// and the column holds the id the stream has now.
void TFIBCustomDataSet::SyncBlobColumns(TRecordBuffer buffer) {
  ForEachBlobStream(buffer, [&](classlib::TField* field, TFIBBlobStream* stream) {
    const TFIBFieldDescr* descr = FieldDescr(field);
    if (descr == nullptr) return;
    const int column = field->FieldNo() - 1;
    buffer[NullFlagOffset(column)] = stream->Size() == 0 ? 1 : 0;
    const ISC_QUAD id = stream->BlobID();
    std::memcpy(buffer + descr->Offset, &id, sizeof id);
  });
}

// A posted record's blobs are what a later cancel comes back to: a cancel
// undoes only the edit it ends, never an earlier posted (or cached) one.
void TFIBCustomDataSet::KeepPostedBlobContent(TRecordBuffer buffer) {
  ForEachBlobStream(buffer, [](classlib::TField*, TFIBBlobStream* stream) {
    stream->DropSavedContent();
  });
}

void TFIBCustomDataSet::InternalCancel() {
  TDataSet::InternalCancel();
  pending_arrays_.CancelEdit();
  TRecordBuffer buffer = ActiveBuffer();
  if (buffer == nullptr) return;
  ForEachBlobStream(buffer, [](classlib::TField*, TFIBBlobStream* stream) { stream->Restore(); });
}

}  // namespace fib
