// Deleting a record of the buffered data set: through the delete statement,
// as a cached update, or from the cache alone.
#include "fib/base/component_name.h"
#include "fib/base/errors.h"
#include "fib/dataset/fib_dataset.h"

namespace fib {

using classlib::TRecordBuffer;

namespace {

uint8_t StatusBits(uint8_t status_byte) { return status_byte & kStatusMask; }

// Statuses that hide a record that is still in the cache.
bool CountsAsDeleted(uint8_t status_byte) {
  const uint8_t status = StatusBits(status_byte);
  return status == cusDeleted || status == cusUninserted || status == cusDeletedApplied;
}

}  // namespace

void TFIBCustomDataSet::InternalDelete() {
  if (!CanDelete()) RaiseClientError(47, {FullComponentName(this)});
  Storing storing(storing_);
  TRecordBuffer buffer = ActiveBuffer();
  const int index = RecordIndexOf(buffer);
  const bool was_hidden = CountsAsDeleted(StatusOf(buffer));
  const int counted = deleted_count_;
  if (cached_updates_) {
    const uint8_t status = StatusBits(StatusOf(buffer));
    if (status == cusInserted) {
      // Never sent to the server: nothing is left to apply.
      SetStatusOf(buffer, cusUninserted);
      --updates_pending_;
    } else if (!cache_only_) {
      if (status == cusUnmodified) ++updates_pending_;
      SetStatusOf(buffer, cusDeleted);
    }
    WriteRecordToCache(index, buffer);
  } else {
    InternalDeleteRecord(QDelete(), buffer);
    if (LimitedCacheModel()) RefreshAround(true, true);
  }
  // A record that became hidden counts once: one the refresh found again,
  // or one the cache-only mode left as it was, is still shown, and one the
  // refresh found gone was counted as it was marked.
  if (!was_hidden && CountsAsDeleted(StatusOf(buffer)) && deleted_count_ == counted)
    ++deleted_count_;
}

void TFIBCustomDataSet::CacheDelete() {
  // A refresh inside a post or delete may find the row gone: that operation
  // stores the record and re-reads the buffers itself. Any other edit ends first, as
  // it would before a move.
  if (!storing_) CheckBrowseMode();
  TRecordBuffer buffer = GetActiveRecBuf();
  if (buffer == nullptr) return;
  TraceAction(" do delete from cache ");
  if (!CountsAsDeleted(StatusOf(buffer))) ++deleted_count_;
  SetStatusOf(buffer, cusDeletedApplied);
  WriteRecordToCache(RecordIndexOf(buffer), buffer);
  if (!storing_) Resync({});
}

}  // namespace fib
