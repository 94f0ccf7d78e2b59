// The stream of a BFILE field.
#include "oracle/field_bfile_stream.h"

#include "classlib/dataset.h"
#include "classlib/field.h"
#include "dacore/memds_dataset.h"
#include "oracle/lob_ora_file.h"

namespace oracle {

using namespace classlib;

TBFileStream::TBFileStream(TOraFile* file, std::unique_ptr<TStream> inner, TBlobStreamMode mode)
    : file_(file), inner_(std::move(inner)) {
  if (mode != bmRead || file_ == nullptr) return;
  if (!file_->IsOpen() && file_->Exists()) {
    file_->Open();
    opened_file_ = true;
  }
}

TBFileStream::~TBFileStream() {
  if (!opened_file_) return;
  try {
    if (file_->IsOpen()) file_->Close();
  } catch (...) {
    // A destructor cannot report a failed close; the server closes the
    // file with the session.
  }
}

std::unique_ptr<TStream> CreateBFileStream(dacore::TMemDataSet& data_set, TField* field, TBlobStreamMode mode) {
  // A BFILE is the server's file: nothing is written into it.
  if (mode != bmRead) DatabaseError(FormatMessage("Field '%s' cannot be modified", {field->DisplayName()}), &data_set);
  std::unique_ptr<TStream> inner = data_set.dacore::TMemDataSet::CreateBlobStream(field, mode);
  auto* file = static_cast<TOraFile*>(data_set.GetFieldObject(field));
  return std::make_unique<TBFileStream>(file, std::move(inner), mode);
}

}  // namespace oracle
