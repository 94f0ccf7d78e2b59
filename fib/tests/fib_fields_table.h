// The shared in-memory test table dressed as a buffered data set of this
// layer: it makes the layer's field classes and answers their questions
// about columns, the record layout and the connection from tables the test
// fills in.
#pragma once

#include <map>
#include <string>

#include "classlib/field_blob.h"
#include "fib/dataset/fib_blob_fields.h"
#include "fib/dataset/fib_datetime_fields.h"
#include "fib/dataset/fib_field_factory.h"
#include "fib/dataset/fib_fields_owner.h"
#include "fib/dataset/fib_misc_fields.h"
#include "fib/dataset/fib_numeric_fields.h"
#include "fib/dataset/fib_string_fields.h"
#include "fib/statements/zod_array.h"
#include "testing/dataset_test_table.h"

namespace fib::testing {

class FibFieldsTable : public classlib::testing::TestTable, public IFIBFieldsOwner {
 public:
  // A column with what its descriptor would report.
  void AddColumn(const std::string& name, classlib::TFieldType type, int size,
                 TFIBColumnInfo info, bool db_key = false) {
    TestTable::AddColumn(name, type, size);
    columns_[name] = info;
    TFIBFieldDescr descr;
    descr.IsDBKey = db_key;
    descr.FieldType = static_cast<uint16_t>(info.SQLType);
    descrs_[name] = descr;
  }
  using TestTable::AddColumn;

  bool unicode = false;
  TpPrepareOptions options;
  classlib::Variant array_values = classlib::Variant(int32_t{0});
  int array_writes = 0;
  int arrays_made = 0;

  bool ColumnInfo(const std::string& name, TFIBColumnInfo& info) const override {
    auto it = columns_.find(name);
    if (it == columns_.end()) return false;
    info = it->second;
    return true;
  }
  const TFIBFieldDescr* FieldDescr(const classlib::TField* field) const override {
    auto it = descrs_.find(field->FieldName());
    return it == descrs_.end() ? nullptr : &it->second;
  }
  bool UnicodeConnection() const override { return unicode; }
  TpPrepareOptions PrepareOptions() const override { return options; }
  std::unique_ptr<TpZODArray> CreateArray(classlib::TField*) override {
    ++arrays_made;
    return nullptr;
  }
  classlib::Variant ArrayValues(classlib::TField*) override { return array_values; }
  void SetArrayValues(classlib::TField*, const classlib::Variant& values) override {
    array_values = values;
    ++array_writes;
  }

 protected:
  classlib::TField* CreateFieldOfType(classlib::TFieldType type,
                                      classlib::TComponent* owner) override {
    classlib::TField* field = fib::NewFIBField(type, owner);
    return field != nullptr ? field : TestTable::CreateFieldOfType(type, owner);
  }

 private:
  std::map<std::string, TFIBColumnInfo> columns_;
  std::map<std::string, TFIBFieldDescr> descrs_;
};

}  // namespace fib::testing
