// Reads every value of a data set's current record through its fields, each
// in its field's type, as a program walking the rows reads them: the work
// the fetch benchmarks ask of our side.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "classlib/dataset.h"
#include "classlib/field.h"
#include "classlib/fields.h"

namespace bench {

class TFieldValueReader {
 public:
  explicit TFieldValueReader(const classlib::TDataSet& data_set) {
    for (int i = 0; i < data_set.Fields().Count(); ++i) fields_.push_back(data_set.Fields()[i]);
    bytes_.resize(64);
  }
  // Adds every value of the current record to the sum; false for a field of
  // a type the benchmarks do not expect.
  bool ReadRow(double& sum) {
    for (classlib::TField* field : fields_) {
      switch (field->DataType()) {
        case classlib::ftLargeint: sum += static_cast<double>(field->AsLargeInt()); break;
        case classlib::ftInteger: sum += field->AsInteger(); break;
        case classlib::ftFloat: sum += field->AsFloat(); break;
        case classlib::ftString:
        case classlib::ftFixedChar: sum += static_cast<double>(field->AsString().size()); break;
        case classlib::ftDateTime: sum += field->AsDateTime(); break;
        case classlib::ftVarBytes:
        case classlib::ftBytes: sum += static_cast<double>(Bytes(*field).size()); break;
        default: return false;
      }
    }
    return true;
  }
  const std::vector<classlib::TField*>& Fields() const { return fields_; }

  // A bytes field's value: a varying one comes with its 16-bit length first.
  std::span<const uint8_t> Bytes(const classlib::TField& field) {
    if (bytes_.size() < static_cast<size_t>(field.DataSize())) bytes_.resize(static_cast<size_t>(field.DataSize()));
    if (!field.GetData(bytes_.data())) return {};
    if (field.DataType() == classlib::ftBytes) return {bytes_.data(), static_cast<size_t>(field.DataSize())};
    uint16_t length = 0;
    std::memcpy(&length, bytes_.data(), sizeof length);
    return {bytes_.data() + sizeof length, std::min<size_t>(length, bytes_.size() - sizeof length)};
  }

 private:
  std::vector<classlib::TField*> fields_;
  std::vector<uint8_t> bytes_;
};

}  // namespace bench
