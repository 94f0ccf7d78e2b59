// TBFileStream: the stream a BFILE field is read through. It reads the
// record's value like any blob stream; opened for reading, it opens the
// file on the server first unless it is open already, and closes it again
// when it goes if it opened it and the file is still open.
#pragma once

#include <memory>

#include "classlib/db_types.h"
#include "classlib/stream.h"

namespace classlib {
class TField;
}

namespace dacore {
class TMemDataSet;
}

namespace oracle {

class TOraFile;

class TBFileStream : public classlib::TStream {
 public:
  TBFileStream(TOraFile* file, std::unique_ptr<classlib::TStream> inner, classlib::TBlobStreamMode mode);
  ~TBFileStream() override;

  // Whether this stream opened the file (and so closes it).
  bool OpenedFile() const { return opened_file_; }

  int Read(void* buffer, int count) override { return inner_->Read(buffer, count); }
  int Write(const void* buffer, int count) override { return inner_->Write(buffer, count); }
  int64_t Seek(int64_t offset, int origin) override { return inner_->Seek(offset, origin); }
  int64_t Size() override { return inner_->Size(); }
  void SetSize(int64_t size) override { inner_->SetSize(size); }

 private:
  TOraFile* file_;
  std::unique_ptr<classlib::TStream> inner_;
  bool opened_file_ = false;
};

// The stream of a BFILE field of data_set over the data set's own blob
// stream; only reading is allowed.
std::unique_ptr<classlib::TStream> CreateBFileStream(dacore::TMemDataSet& data_set, classlib::TField* field,
                                                     classlib::TBlobStreamMode mode);

}  // namespace oracle
