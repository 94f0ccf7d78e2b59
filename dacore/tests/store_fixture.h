// A record store whose fields the test names: each (name, type, size,
// length) becomes a field description when the store opens.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dacore/store_mem_data.h"

namespace dacore {

struct TestField {
  std::string name;
  TDataType type;
  uint16_t size;
  uint16_t length = 0;
  uint16_t scale = 0;
};

// Appends the named fields to a store's descriptions (from InternalInitFields).
inline void AddTestFields(TData& data, const std::vector<TestField>& fields) {
  for (const TestField& f : fields) {
    auto field = data.GetFieldDescType();
    field->SetName(f.name);
    field->SetActualName(f.name);
    field->SetDataType(f.type);
    field->SetSize(f.size);
    field->SetLength(f.length);
    field->SetScale(f.scale);
    field->SetFieldNo(static_cast<uint16_t>(data.Fields().Count() + 1));
    data.Fields().Add(std::move(field));
  }
}

class TTestStore : public TMemData {
 public:
  explicit TTestStore(std::vector<TestField> fields) : spec_(std::move(fields)) {}
  bool connection_flag = false;
  bool GetConnectionFlag() override { return connection_flag; }

 protected:
  void InternalOpen() override { InitFields(); }
  void InternalInitFields() override { AddTestFields(*this, spec_); }

 private:
  std::vector<TestField> spec_;
};

// A record buffer of the store, initialised with its complex values and
// freed with them.
class TestRecord {
 public:
  explicit TestRecord(TData& data, bool with_blob = true) : data_(data), buf_(data.AllocRecBuf()) {
    data_.InitRecord(buf_);
    data_.CreateComplexFields(buf_, with_blob);
  }
  ~TestRecord() {
    data_.FreeComplexFields(buf_, true);
    TData::FreeRecBuf(buf_);
  }
  TestRecord(const TestRecord&) = delete;
  TestRecord& operator=(const TestRecord&) = delete;
  TRecBuf buf() const { return buf_; }

 private:
  TData& data_;
  TRecBuf buf_;
};

}  // namespace dacore
