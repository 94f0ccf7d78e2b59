// TFIBDSBlobStream: what a blob field of a buffered data set reads and
// writes through. It wraps the data set's TFIBBlobStream of the record (or
// nothing, for a NULL blob opened for reading) and tells the data set and
// the field when the content changed.
#pragma once

#include <ibase.h>

#include <cstdint>
#include <string>

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
  // handle names the record's TFIBBlobStream in the data set (0: none, the
  // stream then reads as empty and refuses writes). It is looked up at each
  // use, so a stream whose record left the cache fails plainly instead of
  // reaching freed memory.
  TFIBDSBlobStream(TFIBCustomDataSet& data_set, classlib::TField* field, uint32_t handle,
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

  // Opened in the old-value state: reads show the record's blob as it was
  // before the change being edited, and writes are refused.
  bool OldValue() const { return old_value_; }

  const ISC_QUAD& BlobID() const { return blob_id_; }
  bool Modified() const { return modified_; }
  // nullptr for none, and once the data set freed it.
  TFIBBlobStream* Inner() const;

 private:
  void CheckWritable() const;
  // The inner stream; a handle whose stream went raises.
  TFIBBlobStream* Live() const;

  TFIBCustomDataSet& data_set_;
  classlib::TField* field_;
  std::string field_name_;
  uint32_t handle_;
  ISC_QUAD blob_id_;
  bool write_mode_;
  bool old_value_;
  int64_t old_position_ = 0;
  bool modified_ = false;
};

}  // namespace fib
