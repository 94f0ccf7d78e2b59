// The database's own prepared statement for its single-value services
// (QueryValue, GeneratorValue, GetServerTime): prepare once, then execute and
// read the first row as often as asked. Its link drops the statement handle
// when the database disconnects, so the next run prepares again on the new
// attachment instead of using a dead handle.
#pragma once

#include <ibase.h>

#include <span>
#include <string>

#include "classlib/variant.h"
#include "fib/fib_base.h"
#include "fib/xsqlda.h"
#include "fib/xsqlda_owner.h"

namespace fib {

class TFIBDatabase;
class TFIBTransaction;

class SingleValueStatement : public classlib::TObject, public TXSQLOwner {
  CLASSLIB_CLASS(SingleValueStatement, classlib::TObject)
 public:
  SingleValueStatement(TFIBDatabase& database, std::string sql);
  ~SingleValueStatement() override;

  // Runs the statement in `transaction` (which must be active) and answers
  // column `field` of the first row, every column as an array when field
  // < 0, Null when no row comes back and Unassigned when the statement has
  // no columns. Parameters without a value, or with Null, are sent as NULL.
  classlib::Variant Run(TFIBTransaction& transaction, std::span<const classlib::Variant> params,
                        int field);
  bool Prepared() const { return handle_ != 0; }

  // What the descriptors ask of their statement.
  IIBClientLibrary* ClientLibrary() override;
  isc_db_handle* DBHandle() override;
  isc_tr_handle* TRHandle() override;
  bool HasDatabase() const override { return true; }
  int SQLDialect() const override;
  bool UpperOldNames() const override;
  bool IsUTF8Connection() const override;
  bool TrimCharFields() const override { return false; }
  int RecordCount() const override { return record_count_; }
  bool IsExecProcedure() const override;
  std::string FullName() const override;
  void MacroValueChanged() override {}

 private:
  void Prepare(TFIBTransaction& transaction);
  void Describe(TFIBXSQLDA& area, bool params);
  void Free();
  void DropHandle(TFIBBase* link);
  void DescribeStatementType();
  void Execute(TFIBTransaction& transaction);
  classlib::Variant Result(int field);

  TFIBDatabase& database_;
  std::string sql_;
  TFIBBase link_;
  isc_stmt_handle handle_ = 0;
  int statement_type_ = 0;
  int record_count_ = 0;
  TFIBTransaction* transaction_ = nullptr;  // while running
  TFIBXSQLDA input_{this, true};
  TFIBXSQLDA output_{this, false};
};

}  // namespace fib
