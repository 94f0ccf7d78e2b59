// The database's own prepared statement for its single-value services
// (QueryValue, GeneratorValue, GetServerTime): prepare once, then execute and
// read the first row as often as asked. Its link drops the statement handle
// when the database disconnects, so the next run prepares again on the new
// attachment instead of using a dead handle.
#pragma once

#include <ibase.h>

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "classlib/variant.h"
#include "fib/fib_base.h"

namespace fib {

class TFIBDatabase;
class TFIBTransaction;

// A descriptor area with room for `count` variables and a buffer per
// variable.
class SqlDescriptors {
 public:
  explicit SqlDescriptors(int count = 1);
  XSQLDA* Area() { return reinterpret_cast<XSQLDA*>(area_.get()); }
  XSQLVAR& Var(int index) { return Area()->sqlvar[index]; }
  int Count() { return Area()->sqld; }
  // Gives each described variable a data buffer and a null indicator.
  void AllocateBuffers();
  // A buffer of `size` bytes for variable `index`, replacing its own.
  char* SetBuffer(int index, size_t size);

 private:
  std::unique_ptr<std::byte[]> area_;
  std::vector<std::vector<char>> buffers_;
  std::vector<short> indicators_;
};

class SingleValueStatement : public classlib::TObject {
  CLASSLIB_CLASS(SingleValueStatement, classlib::TObject)
 public:
  SingleValueStatement(TFIBDatabase& database, std::string sql);
  ~SingleValueStatement() override;

  // Runs the statement in `transaction` (which must be active) and answers
  // column `field` of the first row, every column as an array when field
  // < 0, Null when no row comes back and Unassigned when the statement has
  // no columns.
  classlib::Variant Run(TFIBTransaction& transaction, std::span<const classlib::Variant> params,
                        int field);
  bool Prepared() const { return handle_ != 0; }

 private:
  void Prepare(TFIBTransaction& transaction);
  void Free();
  void DropHandle(TFIBBase* link);
  void DescribeStatementType();
  void BindParams(std::span<const classlib::Variant> params);
  void BindParam(int index, const classlib::Variant& value);
  bool FetchRow(TFIBTransaction& transaction);
  classlib::Variant Column(int index, TFIBTransaction& transaction);
  std::string ReadBlobText(ISC_QUAD id, TFIBTransaction& transaction);

  TFIBDatabase& database_;
  std::string sql_;
  TFIBBase link_;
  isc_stmt_handle handle_ = 0;
  int statement_type_ = 0;
  SqlDescriptors input_;
  SqlDescriptors output_;
};

}  // namespace fib
