// TMemDataSet's blob stream: a blob field's value in the active record,
// read and written through the store's blob operations. A wide memo is
// read as UTF-16; the old-value state reads the blob's rollback copy.
#include <algorithm>

#include "classlib/field_blob.h"
#include "classlib/stream.h"
#include "dacore/memds_dataset.h"
#include "dacore/messages.h"

namespace dacore {

using namespace classlib;

class TMemDataSet::TBlobStream : public TStream {
 public:
  TBlobStream(TMemDataSet& data_set, TBlobField* field, TBlobStreamMode mode)
      : data_set_(data_set), field_(field), mode_(mode) {
    record_ = data_set.ActiveBuffer();
    TFieldDesc* desc = data_set.GetFieldDesc(field);
    field_no_ = desc != nullptr ? desc->FieldNo() : 0;
    wide_ = field->DataType() == ftWideMemo;
    from_rollback_ = data_set.State() == dsOldValue;
    if (mode != bmRead && !field->Modified()) {
      if (field->ReadOnly())
        DatabaseError(FormatMessage("Field '%s' cannot be modified", {field->DisplayName()}), &data_set);
      if (data_set.State() != dsEdit && data_set.State() != dsInsert)
        DatabaseError("Dataset not in edit or insert mode", &data_set);
    }
    opened_ = record_ != nullptr && field_no_ > 0;
    if (opened_ && mode == bmWrite) {
      data_set.FIRecordSet->TruncateBlob(field_no_, record_, 0, wide_);
      modified_ = true;
    }
    // Last: a stream refused above is never listed.
    data_set.blob_streams_.push_back(this);
  }

  ~TBlobStream() override {
    if (detached_) return;
    std::erase(data_set_.blob_streams_, this);
    if (!modified_ || writes_ended_) return;
    field_->SetModified(true);
    try {
      data_set_.DataEvent(deFieldChange, reinterpret_cast<intptr_t>(field_));
    } catch (...) {
      // A destructor cannot pass on what a change handler raised.
    }
  }

  int Read(void* buffer, int count) override {
    if (!opened_ || count <= 0) return 0;
    const int64_t available = std::max<int64_t>(Size() - position_, 0);
    const auto wanted = static_cast<uint32_t>(std::min<int64_t>(count, available));
    if (wanted == 0) return 0;
    const uint32_t read = data_set_.FIRecordSet->ReadBlob(field_no_, record_, position_, wanted, buffer,
                                                          from_rollback_, wide_);
    position_ += read;
    return static_cast<int>(read);
  }

  int Write(const void* buffer, int count) override {
    if (!opened_ || count <= 0) return 0;
    if (mode_ == bmRead || writes_ended_) return 0;
    data_set_.FIRecordSet->WriteBlob(field_no_, record_, position_, static_cast<uint32_t>(count), buffer, wide_);
    position_ += static_cast<uint32_t>(count);
    modified_ = true;
    return count;
  }

  int64_t Seek(int64_t offset, int origin) override {
    int64_t target = 0;
    switch (origin) {
      case soFromBeginning: target = offset; break;
      case soFromCurrent: target = position_ + offset; break;
      case soFromEnd: target = Size() + offset; break;
      default: InvalidOrigin(origin);
    }
    position_ = static_cast<uint32_t>(std::clamp<int64_t>(target, 0, UINT32_MAX));
    return position_;
  }

  int64_t Size() override {
    return opened_ ? data_set_.FIRecordSet->GetBlobSize(field_no_, record_, from_rollback_, wide_) : 0;
  }

  // The data set closed or went: its buffers and fields are gone.
  void Detach() {
    detached_ = true;
    opened_ = false;
  }

  // The edit the stream was made for was posted or cancelled: what it
  // writes now would land in a record nobody edits.
  void EndWrites() {
    if (mode_ != bmRead) writes_ended_ = true;
  }

  // Cuts the value at size (a stream only shortens a blob this way).
  void SetSize(int64_t size) override {
    if (!opened_ || mode_ == bmRead || writes_ended_ || size >= Size()) return;
    data_set_.FIRecordSet->TruncateBlob(field_no_, record_, static_cast<uint32_t>(std::max<int64_t>(size, 0)), wide_);
    position_ = std::min<uint32_t>(position_, static_cast<uint32_t>(std::max<int64_t>(size, 0)));
    modified_ = true;
  }

 private:
  TMemDataSet& data_set_;
  TBlobField* field_;
  TBlobStreamMode mode_;
  TRecordBuffer record_ = nullptr;
  int field_no_ = 0;
  bool wide_ = false;
  bool from_rollback_ = false;
  bool opened_ = false;
  bool modified_ = false;
  bool detached_ = false;
  bool writes_ended_ = false;
  uint32_t position_ = 0;
};

void TMemDataSet::DetachBlobStreams() {
  for (TBlobStream* stream : blob_streams_) stream->Detach();
  blob_streams_.clear();
}

void TMemDataSet::EndBlobStreamWrites() {
  for (TBlobStream* stream : blob_streams_) stream->EndWrites();
}

std::unique_ptr<TStream> TMemDataSet::CreateBlobStream(TField* field, TBlobStreamMode mode) {
  auto* blob_field = dynamic_cast<TBlobField*>(field);
  if (blob_field == nullptr) DatabaseError(SNeedBlobType, this);
  return std::make_unique<TBlobStream>(*this, blob_field, mode);
}

}  // namespace dacore
