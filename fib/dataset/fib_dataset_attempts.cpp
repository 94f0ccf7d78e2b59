// What a post or an apply leaves writable when its statement fails: the
// blobs and arrays of the record are written in the transaction of each
// attempt, and only a successful attempt lets go of what they were written
// from.
#include <cstring>
#include <vector>

#include "classlib/exceptions.h"
#include "classlib/field.h"
#include "classlib/fields.h"
#include "fib/base/component_name.h"
#include "fib/base/errors.h"
#include "fib/base/record_bytes.h"
#include "fib/base/sql_types.h"
#include "fib/dataset/fib_dataset.h"
#include "fib/dataset/fib_misc_fields.h"
#include "fib/statements/fib_blob_stream.h"
#include "fib/statements/fib_query.h"
#include "fib/statements/fib_transaction.h"
#include "fib/statements/zod_array.h"

namespace fib {

// ---- attempts ----

TFIBCustomDataSet::WriteAttempt::WriteAttempt(TFIBCustomDataSet& data_set,
                                              classlib::TRecordBuffer buffer)
    : data_set_(data_set) {
  data_set_.attempt_blob_handles_.clear();
  data_set_.pending_arrays_.BeginAttempt();
  if (buffer == nullptr) return;
  for (classlib::TField* field : data_set_.Fields().List()) {
    uint8_t* slot = data_set_.BlobSlot(buffer + data_set_.blob_slots_offset_, field);
    if (slot == nullptr) continue;
    const uint32_t handle = LoadUnaligned<uint32_t>(slot);
    TFIBBlobStream* stream = data_set_.BlobStreamByHandle(handle);
    if (stream != nullptr && stream->Modified()) data_set_.attempt_blob_handles_.push_back(handle);
  }
}

// A statement that failed may have written the record's changed blobs and
// arrays in a transaction that then ends: they are written again by the
// next attempt. Streams are found again by handle, since the attempt may
// have freed some (a refresh of the row).
TFIBCustomDataSet::WriteAttempt::~WriteAttempt() {
  if (succeeded_) return;
  for (uint32_t handle : data_set_.attempt_blob_handles_)
    if (TFIBBlobStream* stream = data_set_.BlobStreamByHandle(handle)) stream->MarkUnwritten();
  data_set_.attempt_blob_handles_.clear();
  data_set_.pending_arrays_.Forget();
}

// Arrays the record no longer holds (a refresh gave it the server's ids)
// are not kept.
void TFIBCustomDataSet::WriteAttempt::Succeeded(classlib::TRecordBuffer buffer) {
  succeeded_ = true;
  data_set_.attempt_blob_handles_.clear();
  data_set_.ForEachBlobStream(buffer, [](classlib::TField*, TFIBBlobStream* stream) {
    stream->ForgetStored();
  });
  data_set_.pending_arrays_.Settle(
      [&](const ISC_QUAD& id) { return data_set_.HoldsArray(buffer, id); });
}

bool TFIBCustomDataSet::HoldsArray(classlib::TRecordBuffer buffer, const ISC_QUAD& id) {
  bool held = false;
  ForEachArraySlot(buffer, [&](uint8_t* slot) {
    held = held || SameBlobId(LoadUnaligned<ISC_QUAD>(slot), id);
  });
  return held;
}

void TFIBCustomDataSet::ForEachArraySlot(classlib::TRecordBuffer buffer,
                                         const std::function<void(uint8_t*)>& action) {
  if (buffer == nullptr) return;
  for (int column = 0; column < field_descrs_.GetCount(); ++column) {
    const TFIBFieldDescr& descr = *field_descrs_.GetItem(column);
    if (descr.FieldType == kSQLArray && buffer[NullFlagOffset(column)] == 0)
      action(buffer + descr.Offset);
  }
}

// ---- edits ----

// Arrays the posted edit wrote and the record no longer holds (written
// over, or made NULL) are not kept.
void TFIBCustomDataSet::EndArrayEdit(classlib::TRecordBuffer buffer) {
  pending_arrays_.EndEdit([&](const ISC_QUAD& id) { return HoldsArray(buffer, id); });
}

// ---- arrays ----

ISC_QUAD TFIBCustomDataSet::WritePendingArray(TFIBQuery& statement, classlib::TField* field,
                                              const ISC_QUAD& pending) {
  auto* array_field = dynamic_cast<TFIBArrayField*>(field);
  TpZODArray* array = array_field != nullptr ? array_field->Array() : nullptr;
  const std::vector<char>* slice = pending_arrays_.Find(pending);
  if (array == nullptr || slice == nullptr)
    throw classlib::EDatabaseError(FullComponentName(this) + ": the values written to array field " +
                                   (field != nullptr ? field->FieldName() : std::string("?")) +
                                   " are no longer held");
  TFIBTransaction* transaction = statement.Transaction();
  if (transaction == nullptr) RaiseClientError(22, {FullComponentName(this)});
  if (!transaction->Active() && statement.Options().Contains(qoStartTransaction))
    transaction->StartTransaction();
  transaction->CheckActive();
  const isc_tr_handle handle = *transaction->HandleAddress();
  ISC_QUAD written{};
  if (pending_arrays_.WrittenIn(pending, handle, written)) return written;
  std::vector<char> copy = *slice;  // the client may write into the buffer it is given
  written = array->PutSlice(copy, base_->DBHandle(), transaction->HandleAddress());
  pending_arrays_.NoteWritten(pending, handle, written);
  return written;
}

}  // namespace fib
