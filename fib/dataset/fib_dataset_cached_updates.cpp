// Cached updates of the buffered data set: switching them on and off, and
// cancelling the changes that were not applied, each record by its status.
#include <vector>

#include "classlib/field.h"
#include "classlib/fields.h"
#include "fib/base/component_name.h"
#include "fib/base/errors.h"
#include "fib/base/record_bytes.h"
#include "fib/base/str_util.h"
#include "fib/dataset/fib_dataset.h"
#include "fib/records/field_descr_list_layout.h"
#include "fib/records/records_cache.h"
#include "fib/statements/fib_blob_stream.h"
#include "fib/statements/fib_query.h"

namespace fib {

void TFIBCustomDataSet::SetCachedUpdates(bool value) {
  if (value == cached_updates_) return;
  if (!value && Active()) CancelUpdates();
  if (value && !ComponentState().Contains(classlib::csLoading)) {
    TraceAction(" change CachedUpdates mode ");
    if (LimitedCacheModel()) RaiseClientError(75, {FullComponentName(this)});
  }
  cached_updates_ = value;
  // Changes of an open data set keep their earlier contents from now on;
  // what edits made before saved there is no earlier version of a cached
  // update and must not be taken for one.
  if (cache_) {
    if (value) cache_->ClearLog();
    cache_->SetLogMode(value);
  }
}

void TFIBCustomDataSet::MarkProtectedEdit() {
  if (cached_updates_ || cache_ == nullptr || !Active()) return;
  classlib::TRecordBuffer buffer = GetActiveRecBuf();
  if (buffer == nullptr) return;
  const int index = RecordIndexOf(buffer);
  if (index < 0 || index >= record_count_) return;
  if ((StatusOf(buffer) & kStatusMask) != cusUnmodified) return;
  SetStatusOf(buffer, static_cast<uint8_t>((StatusOf(buffer) & ~kStatusMask) | cusModified));
  WriteRecordToCache(index, buffer);
}

void TFIBCustomDataSet::ClearProtectedEditMarks() {
  if (cached_updates_ || cache_ == nullptr || !Active()) return;
  for (int index = 0; index < record_count_; ++index) {
    uint8_t* stored = cache_->RecordPointer(CacheNumberOf(index));
    if (stored != nullptr && (stored[0] & kStatusMask) == cusModified)
      stored[0] = static_cast<uint8_t>((stored[0] & ~kStatusMask) | cusUnmodified);
  }
  // The records on show carry their status too.
  for (int i = 0; i < BufferedRecords(); ++i) {
    classlib::TRecordBuffer buffer = Buffers(i);
    if ((StatusOf(buffer) & kStatusMask) == cusModified)
      SetStatusOf(buffer, static_cast<uint8_t>((StatusOf(buffer) & ~kStatusMask) | cusUnmodified));
  }
}

void TFIBCustomDataSet::CancelUpdates() {
  DisableControls();
  try {
    if (State() == classlib::dsEdit || State() == classlib::dsInsert) Cancel();
    if (cached_updates_ && updates_pending_ > 0 && cache_) {
      for (int index = 0; index < record_count_; ++index) RevertCachedRecord(index);
      updates_pending_ = 0;
      cache_->ClearLog();
      RefreshFilters();
    }
  } catch (...) {
    EnableControls();
    throw;
  }
  EnableControls();
}

void TFIBCustomDataSet::ApplyUpdates() {
  CheckActive();
  if (State() == classlib::dsEdit || State() == classlib::dsInsert) Post();
  if (!cached_updates_ || updates_pending_ == 0) return;
  std::vector<uint8_t> record(static_cast<size_t>(GetRecordSize()), 0);
  DisableControls();
  try {
    for (int index = 0; index < record_count_; ++index) {
      if (ApplyCachedRecord(index, record.data())) --updates_pending_;
    }
    updates_pending_ = 0;
    cache_->ClearLog();
    AutoCommitUpdateTransaction();
  } catch (...) {
    RefreshFilters();
    EnableControls();
    throw;
  }
  RefreshFilters();
  EnableControls();
}

// Sends one cached change to the server; answers whether there was one.
// The record's earlier contents, still in the log, give the OLD_ values.
bool TFIBCustomDataSet::ApplyCachedRecord(int index, classlib::TRecordBuffer buffer) {
  ReadRecordFromCache(index, buffer, false);
  const uint8_t status = StatusOf(buffer) & kStatusMask;
  TFIBQuery* statement = nullptr;
  int refusal = 0;
  if (status == cusModified) {
    statement = QUpdate();
    refusal = 46;
  } else if (status == cusInserted) {
    statement = QInsert();
    refusal = 44;
  } else if (status == cusDeleted) {
    statement = QDelete();
    refusal = 47;
  } else {
    return false;
  }
  // A change with no statement to carry it must not count as applied.
  if (IsEmptyStrings(statement->SQL())) RaiseClientError(refusal, {FullComponentName(this)});
  WriteAttempt attempt(*this, buffer);
  ExecuteModify(statement, buffer);
  attempt.Succeeded(buffer);
  SetStatusOf(buffer, status == cusDeleted ? cusDeletedApplied : cusUnmodified);
  WriteRecordToCache(index, buffer);
  return true;
}

// A changed record gets its contents from before the change back; an
// inserted one is hidden; a deleted one is shown again, also with its
// earlier contents when it was changed before it was deleted.
void TFIBCustomDataSet::RevertCachedRecord(int index) {
  const int logical = CacheNumberOf(index);
  uint8_t* stored = cache_->RecordPointer(logical);
  if (stored == nullptr) return;
  const uint8_t status = stored[0] & kStatusMask;
  if (status == cusInserted) {
    stored[0] = static_cast<uint8_t>((stored[0] & ~kStatusMask) | cusUninserted);
    ++deleted_count_;
    return;
  }
  if (status != cusModified && status != cusDeleted) return;
  if (cache_->FindLogEntry(cache_->RecordIndex(logical), false)) {
    std::vector<uint8_t> earlier(static_cast<size_t>(cache_->BufferSize()));
    cache_->ReadRecord(logical, earlier, true);
    RevertBlobStreams(stored, earlier.data());
    cache_->WriteRecord(logical, earlier, false);
    stored = cache_->RecordPointer(logical);
  }
  stored[0] = static_cast<uint8_t>((stored[0] & ~kStatusMask) | cusUnmodified);
  if (status == cusDeleted) --deleted_count_;
}

// The earlier version of a record keeps the streams that hold its blobs'
// contents: the server may no longer hold a blob by the id the record
// keeps (replaced by another attachment after the transaction that read
// it ended, or written by an apply that was rolled back). A stream that
// cannot give that content back goes, and the blob is read again by its id.
void TFIBCustomDataSet::RevertBlobStreams(uint8_t* stored, uint8_t* earlier) {
  // `earlier` is a record as the cache hands it out: a record buffer less
  // its leading bytes.
  uint8_t* former_slots = earlier + blob_slots_offset_ - kCacheBufferStart;
  for (classlib::TField* field : Fields().List()) {
    const TFIBFieldDescr* descr = FieldDescr(field);
    uint8_t* former_slot = BlobSlot(former_slots, field);
    if (descr == nullptr || former_slot == nullptr) continue;
    const uint32_t current = LoadUnaligned<uint32_t>(BlobSlot(stored + stored_blob_offset_, field));
    const uint32_t former = LoadUnaligned<uint32_t>(former_slot);
    const ISC_QUAD id = LoadUnaligned<ISC_QUAD>(earlier + descr->Offset - kCacheBufferStart);
    uint32_t kept = 0;
    for (uint32_t handle : {current, former}) {
      TFIBBlobStream* stream = BlobStreamByHandle(handle);
      if (stream == nullptr || handle == kept) continue;
      if (kept == 0 && stream->RestoreStored(id)) kept = handle;
      else FreeBlobStream(handle);
    }
    StoreUnaligned<uint32_t>(former_slot, kept);
  }
}

}  // namespace fib
