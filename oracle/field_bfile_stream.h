// TBFileStream: the stream a BFILE field is read through. It reads the
// value the record held when the stream was made; opened for reading, it
// opens the file on the server first unless it is open already, and closes
// it again when it goes if it opened it and the file is still open.
//
// The stream holds a reference of its own to the BFILE value, so it may
// outlive the record it came from: the query may close, refresh or be freed
// first, and the value stays readable until the stream goes.
#pragma once

#include <cstdint>
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
  // file may be nil (no active record): the stream is then empty.
  TBFileStream(TOraFile* file, classlib::TBlobStreamMode mode);
  ~TBFileStream() override;
  TBFileStream(const TBFileStream&) = delete;
  TBFileStream& operator=(const TBFileStream&) = delete;

  // Whether this stream opened the file (and so closes it).
  bool OpenedFile() const { return opened_file_; }

  int Read(void* buffer, int count) override;
  // A BFILE is the server's file: nothing is written into it.
  int Write(const void* /*buffer*/, int /*count*/) override { return 0; }
  int64_t Seek(int64_t offset, int origin) override;
  int64_t Size() override;
  void SetSize(int64_t /*size*/) override {}

 private:
  TOraFile* file_;  // one reference is the stream's
  uint32_t position_ = 0;
  bool opened_file_ = false;
};

// The stream of a BFILE field of data_set over the value in its active
// record; only reading is allowed.
std::unique_ptr<classlib::TStream> CreateBFileStream(dacore::TMemDataSet& data_set, classlib::TField* field,
                                                     classlib::TBlobStreamMode mode);

}  // namespace oracle
