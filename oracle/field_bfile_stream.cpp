// The stream of a BFILE field.
#include "oracle/field_bfile_stream.h"

#include <algorithm>

#include "classlib/dataset.h"
#include "classlib/field.h"
#include "dacore/memds_dataset.h"
#include "oracle/lob_ora_file.h"

namespace oracle {

using namespace classlib;

TBFileStream::TBFileStream(TOraFile* file, TBlobStreamMode mode) : file_(file) {
  if (file_ == nullptr) return;
  file_->AddRef();
  if (mode != bmRead) return;
  try {
    if (!file_->IsOpen() && file_->Exists()) {
      file_->Open();
      opened_file_ = true;
    }
  } catch (...) {
    file_->Release();
    throw;
  }
}

TBFileStream::~TBFileStream() {
  if (file_ == nullptr) return;
  if (opened_file_) {
    try {
      // A session that has ended closed its files with it.
      if (file_->SessionOpen() && file_->IsOpen()) file_->Close();
    } catch (...) {
      // A destructor cannot report a failed close; the server closes the
      // file with the session.
    }
  }
  file_->Release();
}

int TBFileStream::Read(void* buffer, int count) {
  if (file_ == nullptr || count <= 0) return 0;
  const int64_t available = std::max<int64_t>(Size() - position_, 0);
  const auto wanted = static_cast<uint32_t>(std::min<int64_t>(count, available));
  if (wanted == 0) return 0;
  const uint32_t read = file_->Read(position_, wanted, buffer);
  position_ += read;
  return static_cast<int>(read);
}

int64_t TBFileStream::Seek(int64_t offset, int origin) {
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

int64_t TBFileStream::Size() { return file_ != nullptr ? file_->GetSize() : 0; }

std::unique_ptr<TStream> CreateBFileStream(dacore::TMemDataSet& data_set, TField* field, TBlobStreamMode mode) {
  if (mode != bmRead) DatabaseError(FormatMessage("Field '%s' cannot be modified", {field->DisplayName()}), &data_set);
  // The blob field check and its message are the data set's own.
  data_set.dacore::TMemDataSet::CreateBlobStream(field, mode);
  auto* file = static_cast<TOraFile*>(data_set.GetFieldObject(field));
  return std::make_unique<TBFileStream>(file, mode);
}

}  // namespace oracle
