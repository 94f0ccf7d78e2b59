#include "fib/fib_database_statement.h"

#include <vector>

#include "fib/component_name.h"
#include "fib/errors.h"
#include "fib/fib_database.h"
#include "fib/fib_transaction.h"

namespace fib {

SingleValueStatement::SingleValueStatement(TFIBDatabase& database, std::string sql)
    : database_(database), sql_(std::move(sql)), link_(this) {
  link_.BeforeDatabaseDisconnect = TFIBBaseEvent(this, &SingleValueStatement::DropHandle);
  link_.SetDatabase(&database);
}

SingleValueStatement::~SingleValueStatement() {
  try {
    Free();
  } catch (const std::exception&) {
    // The handle dies with the attachment anyway.
  }
}

// ---- what the descriptors ask ----------------------------------------------

IIBClientLibrary* SingleValueStatement::ClientLibrary() { return &database_.ClientLibrary(); }
isc_db_handle* SingleValueStatement::DBHandle() { return database_.HandleAddress(); }
isc_tr_handle* SingleValueStatement::TRHandle() {
  return transaction_ != nullptr ? transaction_->HandleAddress() : nullptr;
}
int SingleValueStatement::SQLDialect() const { return database_.SQLDialect(); }
bool SingleValueStatement::UpperOldNames() const { return database_.UpperOldNames(); }
bool SingleValueStatement::IsUTF8Connection() const { return database_.IsUnicodeConnect(); }
bool SingleValueStatement::IsExecProcedure() const {
  return statement_type_ == isc_info_sql_stmt_exec_procedure;
}
std::string SingleValueStatement::FullName() const { return FullComponentName(&database_); }

// ---- preparing -------------------------------------------------------------

void SingleValueStatement::DropHandle(TFIBBase*) { Free(); }

void SingleValueStatement::Free() {
  if (handle_ == 0) return;
  if (database_.Connected())
    database_.CheckClientCall(
        database_.ClientLibrary().isc_dsql_free_statement(StatusVector(), &handle_, DSQL_drop),
        false);
  handle_ = 0;
}

void SingleValueStatement::Prepare(TFIBTransaction& transaction) {
  IIBClientLibrary& library = database_.ClientLibrary();
  ISC_STATUS* status = StatusVector();
  database_.CheckClientCall(
      library.isc_dsql_alloc_statement2(status, database_.HandleAddress(), &handle_), true);
  try {
    transaction.CheckTransactionCall(
        library.isc_dsql_prepare(status, transaction.HandleAddress(), &handle_, 0, sql_.c_str(),
                                 static_cast<unsigned short>(SQLDialect()), nullptr),
        true);
    DescribeStatementType();
    Describe(output_, false);
    Describe(input_, true);
  } catch (...) {
    Free();
    throw;
  }
}

// Describes into one item first and again with room for all.
void SingleValueStatement::Describe(TFIBXSQLDA& area, bool params) {
  IIBClientLibrary& library = database_.ClientLibrary();
  auto dialect = static_cast<unsigned short>(SQLDialect());
  auto describe = [&] {
    ISC_STATUS* status = StatusVector();
    database_.CheckClientCall(
        params ? library.isc_dsql_describe_bind(status, &handle_, dialect, area.AsXSQLDA())
               : library.isc_dsql_describe(status, &handle_, dialect, area.AsXSQLDA()),
        true);
  };
  area.Resize(1);
  describe();
  int count = area.DescribedCount();
  if (count > 1) {
    area.Resize(count);
    describe();
  }
  area.Initialize();
}

void SingleValueStatement::DescribeStatementType() {
  const char items[] = {isc_info_sql_stmt_type};
  char answer[16] = {};
  IIBClientLibrary& library = database_.ClientLibrary();
  database_.CheckClientCall(library.isc_dsql_sql_info(StatusVector(), &handle_, sizeof items,
                                                      items, sizeof answer, answer),
                            true);
  statement_type_ = 0;
  if (answer[0] != isc_info_sql_stmt_type) return;
  short length = static_cast<short>(library.isc_vax_integer(answer + 1, 2));
  if (length > 0 && length <= 4) statement_type_ = library.isc_vax_integer(answer + 3, length);
}

// ---- running ---------------------------------------------------------------

classlib::Variant SingleValueStatement::Run(TFIBTransaction& transaction,
                                            std::span<const classlib::Variant> params,
                                            int field) {
  if (handle_ == 0) Prepare(transaction);
  transaction_ = &transaction;
  struct Done {
    TFIBTransaction*& running;
    ~Done() { running = nullptr; }
  } done{transaction_};
  // Every parameter is set, so one the caller left out (or gave as Null)
  // goes out as NULL rather than as what the previous run left behind.
  for (int i = 0; i < input_.Count(); ++i)
    input_[i].SetAsVariant(i < static_cast<int>(params.size()) ? params[i] : classlib::Null());
  Execute(transaction);
  return Result(field);
}

void SingleValueStatement::Execute(TFIBTransaction& transaction) {
  IIBClientLibrary& library = database_.ClientLibrary();
  ISC_STATUS* status = StatusVector();
  auto dialect = static_cast<unsigned short>(SQLDialect());
  record_count_ = 0;
  if (IsExecProcedure()) {
    transaction.CheckTransactionCall(
        library.isc_dsql_execute2(status, transaction.HandleAddress(), &handle_, dialect,
                                  input_.AsXSQLDA(), output_.AsXSQLDA()),
        true);
    return;
  }
  transaction.CheckTransactionCall(
      library.isc_dsql_execute(status, transaction.HandleAddress(), &handle_, dialect,
                               input_.AsXSQLDA()),
      true);
  if (output_.Count() == 0) return;
  ISC_STATUS fetched = library.isc_dsql_fetch(status, &handle_, dialect, output_.AsXSQLDA());
  if (fetched != 100) {  // 100: no row
    transaction.CheckTransactionCall(fetched, true);
    record_count_ = 1;
  }
}

classlib::Variant SingleValueStatement::Result(int field) {
  if (output_.Count() == 0) return classlib::Unassigned();
  if (field >= output_.Count()) RaiseClientError(31);
  classlib::Variant result;
  if (!IsExecProcedure() && record_count_ == 0) {
    result = classlib::Null();
  } else if (field >= 0) {
    result = output_[field].AsVariant();
  } else {
    std::vector<classlib::Variant> columns;
    for (int i = 0; i < output_.Count(); ++i) columns.push_back(output_[i].AsVariant());
    result = classlib::VarArrayOf(columns);
  }
  if (statement_type_ == isc_info_sql_stmt_select)
    database_.CheckClientCall(
        database_.ClientLibrary().isc_dsql_free_statement(StatusVector(), &handle_, DSQL_close),
        true);
  return result;
}

}  // namespace fib
