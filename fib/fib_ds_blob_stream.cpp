#include "fib/fib_ds_blob_stream.h"

#include "classlib/field.h"
#include "classlib/field_blob.h"
#include "classlib/fields.h"
#include "fib/errors.h"
#include "fib/fib_blob_fields.h"
#include "fib/fib_blob_stream.h"
#include "fib/fib_dataset.h"

namespace fib {

TFIBDSBlobStream::TFIBDSBlobStream(TFIBCustomDataSet& data_set, classlib::TField* field,
                                   uint32_t handle, const ISC_QUAD& blob_id, bool write_mode)
    : data_set_(data_set),
      field_(field),
      field_name_(field != nullptr ? field->FieldName() : std::string()),
      handle_(handle),
      blob_id_(blob_id),
      write_mode_(write_mode) {}

TFIBBlobStream* TFIBDSBlobStream::Inner() const { return data_set_.BlobStreamByHandle(handle_); }

TFIBBlobStream* TFIBDSBlobStream::Live() const {
  if (handle_ == 0) return nullptr;
  TFIBBlobStream* inner = Inner();
  if (inner == nullptr)
    RaiseClientErrorMsg("The blob of field %s is no longer held by the data set", {field_name_});
  return inner;
}

TFIBDSBlobStream::~TFIBDSBlobStream() {
  // A closed data set may have freed its default fields meanwhile.
  if (!modified_ || data_set_.Fields().IndexOf(field_) < 0) return;
  if (auto* blob = dynamic_cast<classlib::TBlobField*>(field_)) blob->SetModified(true);
  try {
    data_set_.BlobStreamChanged(field_);
  } catch (...) {
    // A destructor must not throw; the change itself is already in place.
  }
}

int TFIBDSBlobStream::Read(void* buffer, int count) {
  TFIBBlobStream* inner = Live();
  return inner != nullptr ? inner->Read(buffer, count) : 0;
}

void TFIBDSBlobStream::CheckWritable() const {
  // A live inner stream means the data set is still open with this field.
  if (handle_ != 0) Live();
  const auto* blob = dynamic_cast<const TFIBBlobField*>(field_);
  const bool client_only = blob != nullptr && blob->IsClientField();
  const classlib::TDataSetState state = data_set_.State();
  if (!client_only && state != classlib::dsEdit && state != classlib::dsInsert)
    RaiseClientError(43);
  if (handle_ == 0) RaiseClientError(43);
}

int TFIBDSBlobStream::Write(const void* buffer, int count) {
  CheckWritable();
  modified_ = true;
  data_set_.MarkModified();
  return Live()->Write(buffer, count);
}

std::int64_t TFIBDSBlobStream::Seek(std::int64_t offset, int origin) {
  TFIBBlobStream* inner = Live();
  return inner != nullptr ? inner->Seek(offset, origin) : 0;
}

std::int64_t TFIBDSBlobStream::Size() {
  TFIBBlobStream* inner = Live();
  return inner != nullptr ? inner->Size() : 0;
}

void TFIBDSBlobStream::SetSize(std::int64_t size) {
  if (handle_ == 0) return;
  CheckWritable();
  modified_ = true;
  data_set_.MarkModified();
  Live()->SetSize(size);
}

}  // namespace fib
