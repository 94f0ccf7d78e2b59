// TFIBDSBlobStream: what a blob field of a buffered data set reads and
// writes through. It wraps the data set's TFIBBlobStream of the record (or
// nothing, for a NULL blob opened for reading) and tells the data set and
// the field when the content changed.
#pragma once

#include <ibase.h>

#include "classlib/stream.h"

namespace classlib {
class TField;
}  // namespace classlib

namespace fib {

class TFIBBlobStream;
class TFIBCustomDataSet;

class TFIBDSBlobStream : public classlib::TStream {
  CLASSLIB_CLASS(TFIBDSBlobStream, classlib::TStream)
 public:
  // inner may be null: the stream then reads as empty and refuses writes.
  TFIBDSBlobStream(TFIBCustomDataSet& data_set, classlib::TField* field, TFIBBlobStream* inner,
                   const ISC_QUAD& blob_id, bool write_mode);
  // A changed stream marks its field modified and sends the field change.
  ~TFIBDSBlobStream() override;

  int Read(void* buffer, int count) override;
  // Client error 43 "Not editing." outside edit and insert (client-only
  // blob fields excepted).
  int Write(const void* buffer, int count) override;
  std::int64_t Seek(std::int64_t offset, int origin) override;
  std::int64_t Size() override;
  void SetSize(std::int64_t size) override;

  const ISC_QUAD& BlobID() const { return blob_id_; }
  bool Modified() const { return modified_; }
  TFIBBlobStream* Inner() const { return inner_; }

 private:
  void CheckWritable() const;

  TFIBCustomDataSet& data_set_;
  classlib::TField* field_;
  TFIBBlobStream* inner_;
  ISC_QUAD blob_id_;
  bool write_mode_;
  bool modified_ = false;
};

}  // namespace fib
