#include "fib/fib_ds_blob_stream.h"

#include "classlib/field_blob.h"
#include "fib/errors.h"
#include "fib/fib_blob_fields.h"
#include "fib/fib_blob_stream.h"
#include "fib/fib_dataset.h"

namespace fib {

TFIBDSBlobStream::TFIBDSBlobStream(TFIBCustomDataSet& data_set, classlib::TField* field,
                                   TFIBBlobStream* inner, const ISC_QUAD& blob_id, bool write_mode)
    : data_set_(data_set), field_(field), inner_(inner), blob_id_(blob_id), write_mode_(write_mode) {}

TFIBDSBlobStream::~TFIBDSBlobStream() {
  if (!modified_) return;
  if (auto* blob = dynamic_cast<classlib::TBlobField*>(field_)) blob->SetModified(true);
  try {
    data_set_.BlobStreamChanged(field_);
  } catch (...) {
    // A destructor must not throw; the change itself is already in place.
  }
}

int TFIBDSBlobStream::Read(void* buffer, int count) {
  return inner_ != nullptr ? inner_->Read(buffer, count) : 0;
}

void TFIBDSBlobStream::CheckWritable() const {
  const auto* blob = dynamic_cast<const TFIBBlobField*>(field_);
  const bool client_only = blob != nullptr && blob->IsClientField();
  const classlib::TDataSetState state = data_set_.State();
  if (!client_only && state != classlib::dsEdit && state != classlib::dsInsert)
    RaiseClientError(43);
  if (inner_ == nullptr) RaiseClientError(43);
}

int TFIBDSBlobStream::Write(const void* buffer, int count) {
  CheckWritable();
  modified_ = true;
  data_set_.MarkModified();
  return inner_->Write(buffer, count);
}

std::int64_t TFIBDSBlobStream::Seek(std::int64_t offset, int origin) {
  return inner_ != nullptr ? inner_->Seek(offset, origin) : 0;
}

std::int64_t TFIBDSBlobStream::Size() { return inner_ != nullptr ? inner_->Size() : 0; }

void TFIBDSBlobStream::SetSize(std::int64_t size) {
  if (inner_ == nullptr) return;
  CheckWritable();
  modified_ = true;
  data_set_.MarkModified();
  inner_->SetSize(size);
}

}  // namespace fib
