#include "fib/dataset/fib_ds_blob_stream.h"

#include <algorithm>
#include <cstring>

#include "classlib/dataset.h"
#include "classlib/field.h"
#include "classlib/field_blob.h"
#include "classlib/fields.h"
#include "fib/base/errors.h"
#include "fib/dataset/fib_blob_fields.h"
#include "fib/dataset/fib_dataset.h"
#include "fib/statements/fib_blob_stream.h"

namespace fib {

TFIBDSBlobStream::TFIBDSBlobStream(TFIBCustomDataSet& data_set, classlib::TField* field,
                                   uint32_t handle, const ISC_QUAD& blob_id, bool write_mode)
    : data_set_(data_set),
      field_(field),
      field_name_(field != nullptr ? field->FieldName() : std::string()),
      handle_(handle),
      blob_id_(blob_id),
      write_mode_(write_mode),
      old_value_(data_set.State() == classlib::dsOldValue) {}

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
  if (inner == nullptr) return 0;
  if (!old_value_) return inner->Read(buffer, count);
  const std::string& previous = inner->PreviousContent();
  const int64_t size = static_cast<int64_t>(previous.size());
  if (count <= 0 || old_position_ >= size) return 0;
  const int got = static_cast<int>(std::min<int64_t>(count, size - old_position_));
  std::memcpy(buffer, previous.data() + old_position_, static_cast<size_t>(got));
  old_position_ += got;
  return got;
}

void TFIBDSBlobStream::CheckWritable() const {
  if (old_value_) RaiseClientError(43);
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
  if (inner == nullptr) return 0;
  if (!old_value_) return inner->Seek(offset, origin);
  const int64_t size = static_cast<int64_t>(inner->PreviousContent().size());
  int64_t target = origin == 0 ? offset : origin == 1 ? old_position_ + offset : size + offset;
  old_position_ = std::clamp<int64_t>(target, 0, size);
  return old_position_;
}

std::int64_t TFIBDSBlobStream::Size() {
  TFIBBlobStream* inner = Live();
  if (inner == nullptr) return 0;
  return old_value_ ? static_cast<int64_t>(inner->PreviousContent().size()) : inner->Size();
}

void TFIBDSBlobStream::SetSize(std::int64_t size) {
  if (handle_ == 0) return;
  CheckWritable();
  modified_ = true;
  data_set_.MarkModified();
  Live()->SetSize(size);
}

}  // namespace fib
