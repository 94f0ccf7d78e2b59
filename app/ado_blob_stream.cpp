#include "app/ado_blob_stream.h"

#include <QByteArray>

namespace app {

TADOBlobStream::TADOBlobStream(TADOField& field, classlib::TBlobStreamMode mode)
    : data_set_(field.DataSet()),
      field_index_(field.Index()),
      open_serial_(field.DataSet().OpenSerial()),
      mode_(mode) {
  if (mode_ == classlib::bmWrite) return;
  const std::string bytes = field.AsString();
  TMemoryStream::Write(bytes.data(), static_cast<int>(bytes.size()));
  Seek(0, classlib::soFromBeginning);
}

TADOBlobStream::~TADOBlobStream() {
  if (mode_ == classlib::bmRead || (mode_ == classlib::bmReadWrite && !written_)) return;
  if (data_set_.OpenSerial() != open_serial_) return;  // its fields are gone
  // A destructor must not throw: a data set taken out of edit mode meanwhile
  // refuses the value, and the bytes are dropped.
  try {
    TADOField& field = data_set_.Fields(field_index_);
    const std::string bytes(Memory(), static_cast<std::size_t>(Size()));
    if (field.IsBlob()) {
      field.SetValue(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    } else {
      field.SetAsString(bytes);
    }
  } catch (...) {
  }
}

int TADOBlobStream::Write(const void* buffer, int count) {
  if (mode_ == classlib::bmRead) return 0;
  written_ = true;
  return TMemoryStream::Write(buffer, count);
}

}  // namespace app
