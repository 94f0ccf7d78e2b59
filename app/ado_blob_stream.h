// A stream over one field of the current row of an ADO data set. A stream
// that writes keeps the bytes until it is destroyed and then stores them into
// the field, the way the platform's blob streams hand their data over. It
// must not outlive its data set; one that outlives the data set's open state
// (the data set was closed meanwhile) drops its bytes.
#pragma once

#include "app/ado_custom_dataset.h"
#include "app/ado_field.h"
#include "classlib/db_types.h"
#include "classlib/stream.h"

namespace app {

class TADOBlobStream : public classlib::TMemoryStream {
  CLASSLIB_CLASS(TADOBlobStream, classlib::TMemoryStream)

 public:
  // bmRead and bmReadWrite start with the field's bytes, bmWrite empty.
  TADOBlobStream(TADOField& field, classlib::TBlobStreamMode mode);
  ~TADOBlobStream() override;

  int Write(const void* buffer, int count) override;

 private:
  TCustomADODataSet& data_set_;
  int field_index_;
  unsigned open_serial_;  // the data set's open when the stream was made
  classlib::TBlobStreamMode mode_;
  bool written_ = false;
};

}  // namespace app
