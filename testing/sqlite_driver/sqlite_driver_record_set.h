// The SQLite test driver's result set: fields described from the columns'
// declared types and their origin tables (an expression column takes the
// type of its first value, so its fields are described again after the
// statement ran), rows fetched FetchRows at a time into the record store.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <vector>

#include "classlib/unaligned.h"
#include "dacore/driver_record_set.h"
#include "testing/sqlite_driver/sqlite_driver_command.h"
#include "testing/sqlite_driver/sqlite_driver_row.h"

namespace sqlite_driver {

// Texts declared this long or longer are kept in the string heap.
inline constexpr int kHeapStringLength = 32;

class TSQLiteRecordSet : public dacore::TCRRecordSet {
  CLASSLIB_CLASS(TSQLiteRecordSet, dacore::TCRRecordSet)
 public:
  ~TSQLiteRecordSet() override;

  std::unique_ptr<dacore::TCRCommand> CreateCommand() override { return std::make_unique<TSQLiteCommand>(); }
  bool NeedInitFieldsAfterExecute() override { return untyped_columns_; }
  // Compiles the statement first, so that whether it returns rows is known
  // before it runs (and before its execution is reported).
  void InternalExecute() override;
  // Appends up to FetchRows rows; whether any came.
  bool Fetch() override;
  TSQLiteCommand& Command() { return *static_cast<TSQLiteCommand*>(GetCommand()); }

 protected:
  void InternalPrepare() override;
  void InternalOpen() override;
  void InternalInitFields() override;

 private:
  void AppendRow(dacore::TRecBuf rec);
  bool PutColumnValue(const TColumnPlan& plan, const TColumnValue& value, dacore::TRecBuf rec);
  // Stores a fixed-size value in the field's place and marks it not null.
  template <typename T>
  void PutPlain(const dacore::TFieldDesc& field, int field_no, dacore::TRecBuf rec, T value) {
    classlib::StoreUnaligned<T>(FieldPtr(rec, field), value);
    *NullPtr(rec, field_no) = 0;
  }
  dacore::TCRTableInfo* TableOf(const char* table_name);

  bool untyped_columns_ = false;
  bool has_blobs_ = false;
  // The current fetch's column plans and the row being appended.
  std::vector<TColumnPlan> plans_;
  std::vector<TColumnValue> values_;
};

}  // namespace sqlite_driver
