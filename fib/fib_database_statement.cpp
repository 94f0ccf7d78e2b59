#include "fib/fib_database_statement.h"

#include <cmath>
#include <cstring>

#include "classlib/datetime.h"
#include "fib/errors.h"
#include "fib/fib_database.h"
#include "fib/fib_transaction.h"

namespace fib {

namespace {

// Day 0 of the client interface (17 November 1858) as a date-time value, and
// the client's time unit (1/10000 second) per day.
constexpr int kClientDayZero = -15018;
constexpr double kClientTimeUnitsPerDay = 864000000.0;

classlib::TDateTime FromClientDate(ISC_DATE date, ISC_TIME time) {
  return (static_cast<double>(date) + kClientDayZero) + time / kClientTimeUnitsPerDay;
}

ISC_TIMESTAMP ToClientTimeStamp(classlib::TDateTime value) {
  double days = std::floor(value);
  auto time = static_cast<ISC_TIME>(std::llround((value - days) * kClientTimeUnitsPerDay));
  auto date = static_cast<ISC_DATE>(days - kClientDayZero);
  if (time >= kClientTimeUnitsPerDay) {  // rounded up to the next midnight
    time = 0;
    ++date;
  }
  return ISC_TIMESTAMP{date, time};
}

template <class T>
T ReadAs(const char* data) {
  T value;
  std::memcpy(&value, data, sizeof value);
  return value;
}

classlib::Variant ScaledInteger(int64_t value, short scale, bool wide) {
  if (scale == 0) {
    if (wide) return classlib::Variant(static_cast<long long>(value));
    return classlib::Variant(static_cast<int32_t>(value));
  }
  return classlib::Variant(static_cast<double>(value) * std::pow(10.0, scale));
}

}  // namespace

// ---- descriptor areas ------------------------------------------------------

SqlDescriptors::SqlDescriptors(int count)
    : area_(new std::byte[XSQLDA_LENGTH(count)]()) {
  Area()->version = SQLDA_VERSION1;
  Area()->sqln = static_cast<ISC_SHORT>(count);
}

void SqlDescriptors::AllocateBuffers() {
  int count = Count();
  buffers_.assign(count, {});
  indicators_.assign(count, 0);
  for (int i = 0; i < count; ++i) {
    XSQLVAR& var = Var(i);
    size_t size = var.sqllen + ((var.sqltype & ~1) == SQL_VARYING ? sizeof(short) : 0);
    buffers_[i].assign(size == 0 ? 1 : size, '\0');
    var.sqldata = buffers_[i].data();
    var.sqlind = &indicators_[i];
  }
}

char* SqlDescriptors::SetBuffer(int index, size_t size) {
  buffers_[index].resize(size == 0 ? 1 : size);
  Var(index).sqldata = buffers_[index].data();
  return buffers_[index].data();
}

// ---- statement -------------------------------------------------------------

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
  auto dialect = static_cast<unsigned short>(database_.SQLDialect());
  database_.CheckClientCall(
      library.isc_dsql_alloc_statement2(status, database_.HandleAddress(), &handle_), true);
  try {
    transaction.CheckTransactionCall(
        library.isc_dsql_prepare(status, transaction.HandleAddress(), &handle_, 0, sql_.c_str(),
                                 dialect, nullptr),
        true);
    DescribeStatementType();
    output_ = SqlDescriptors(1);
    database_.CheckClientCall(library.isc_dsql_describe(status, &handle_, dialect, output_.Area()),
                              true);
    if (output_.Count() > 1) {
      output_ = SqlDescriptors(output_.Count());
      database_.CheckClientCall(
          library.isc_dsql_describe(status, &handle_, dialect, output_.Area()), true);
    }
    output_.AllocateBuffers();
    input_ = SqlDescriptors(1);
    database_.CheckClientCall(
        library.isc_dsql_describe_bind(status, &handle_, dialect, input_.Area()), true);
    if (input_.Count() > 1) {
      input_ = SqlDescriptors(input_.Count());
      database_.CheckClientCall(
          library.isc_dsql_describe_bind(status, &handle_, dialect, input_.Area()), true);
    }
    input_.AllocateBuffers();
  } catch (...) {
    Free();
    throw;
  }
}

void SingleValueStatement::DescribeStatementType() {
  const char items[] = {isc_info_sql_stmt_type};
  char answer[16] = {};
  IIBClientLibrary& library = database_.ClientLibrary();
  database_.CheckClientCall(
      library.isc_dsql_sql_info(StatusVector(), &handle_, sizeof items, items, sizeof answer, answer),
      true);
  statement_type_ = 0;
  if (answer[0] != isc_info_sql_stmt_type) return;
  short length = static_cast<short>(library.isc_vax_integer(answer + 1, 2));
  if (length > 0 && length <= 4) statement_type_ = library.isc_vax_integer(answer + 3, length);
}

classlib::Variant SingleValueStatement::Run(TFIBTransaction& transaction,
                                            std::span<const classlib::Variant> params,
                                            int field) {
  if (handle_ == 0) Prepare(transaction);
  BindParams(params);
  IIBClientLibrary& library = database_.ClientLibrary();
  ISC_STATUS* status = StatusVector();
  auto dialect = static_cast<unsigned short>(database_.SQLDialect());
  bool has_row = true;
  if (statement_type_ == isc_info_sql_stmt_exec_procedure) {
    transaction.CheckTransactionCall(
        library.isc_dsql_execute2(status, transaction.HandleAddress(), &handle_, dialect,
                                  input_.Area(), output_.Area()),
        true);
  } else {
    transaction.CheckTransactionCall(
        library.isc_dsql_execute(status, transaction.HandleAddress(), &handle_, dialect,
                                 input_.Area()),
        true);
    if (output_.Count() == 0) return classlib::Unassigned();
    has_row = FetchRow(transaction);
  }
  if (output_.Count() == 0) return classlib::Unassigned();
  if (field >= output_.Count()) RaiseClientError(31);
  classlib::Variant result;
  if (!has_row) {
    result = classlib::Null();
  } else if (field >= 0) {
    result = Column(field, transaction);
  } else {
    std::vector<classlib::Variant> columns;
    for (int i = 0; i < output_.Count(); ++i) columns.push_back(Column(i, transaction));
    result = classlib::VarArrayOf(columns);
  }
  if (statement_type_ == isc_info_sql_stmt_select)
    database_.CheckClientCall(library.isc_dsql_free_statement(status, &handle_, DSQL_close), true);
  return result;
}

bool SingleValueStatement::FetchRow(TFIBTransaction& transaction) {
  ISC_STATUS result = database_.ClientLibrary().isc_dsql_fetch(
      StatusVector(), &handle_, static_cast<unsigned short>(database_.SQLDialect()),
      output_.Area());
  if (result == 100) return false;  // no row
  transaction.CheckTransactionCall(result, true);
  return true;
}

// Every parameter is set, so a value the caller did not give (or gave as
// Null) goes out as NULL rather than what the previous run left behind.
void SingleValueStatement::BindParams(std::span<const classlib::Variant> params) {
  for (int i = 0; i < input_.Count(); ++i)
    BindParam(i, i < static_cast<int>(params.size()) ? params[i] : classlib::Null());
}

// The value goes out in the type it has; the server converts it to the
// parameter's own type.
void SingleValueStatement::BindParam(int index, const classlib::Variant& value) {
  XSQLVAR& var = input_.Var(index);
  var.sqlscale = 0;
  var.sqlsubtype = 0;
  if (classlib::VarIsNull(value) || classlib::VarIsEmpty(value)) {
    var.sqltype = static_cast<ISC_SHORT>((var.sqltype & ~1) | 1);
    *var.sqlind = -1;
    return;
  }
  *var.sqlind = 0;
  classlib::TVarType type = classlib::VarType(value) & classlib::varTypeMask;
  if (type == classlib::varBoolean) {
    var.sqltype = SQL_BOOLEAN | 1;
    var.sqllen = 1;
    *input_.SetBuffer(index, 1) = value.AsBoolean() ? 1 : 0;
  } else if (classlib::VarIsOrdinal(value)) {
    var.sqltype = SQL_INT64 | 1;
    var.sqllen = sizeof(ISC_INT64);
    ISC_INT64 number = value.AsInt64();
    std::memcpy(input_.SetBuffer(index, sizeof number), &number, sizeof number);
  } else if (classlib::VarIsFloat(value)) {
    var.sqltype = SQL_DOUBLE | 1;
    var.sqllen = sizeof(double);
    double number = value.AsDouble();
    std::memcpy(input_.SetBuffer(index, sizeof number), &number, sizeof number);
  } else if (type == classlib::varDate || classlib::VarIsSQLTimeStamp(value)) {
    var.sqltype = SQL_TIMESTAMP | 1;
    var.sqllen = sizeof(ISC_TIMESTAMP);
    ISC_TIMESTAMP stamp = ToClientTimeStamp(value.AsDate());
    std::memcpy(input_.SetBuffer(index, sizeof stamp), &stamp, sizeof stamp);
  } else {
    std::string text = value.AsString();
    if (text.size() > 32765) RaiseClientError(33);
    var.sqltype = SQL_TEXT | 1;
    var.sqllen = static_cast<ISC_SHORT>(text.size());
    std::memcpy(input_.SetBuffer(index, text.size()), text.data(), text.size());
  }
}

classlib::Variant SingleValueStatement::Column(int index, TFIBTransaction& transaction) {
  XSQLVAR& var = output_.Var(index);
  if ((var.sqltype & 1) && *var.sqlind < 0) return classlib::Null();
  const char* data = var.sqldata;
  switch (var.sqltype & ~1) {
    case SQL_TEXT:
      return classlib::Variant(std::string(data, var.sqllen));
    case SQL_VARYING: {
      auto length = static_cast<size_t>(ReadAs<short>(data));
      return classlib::Variant(std::string(data + sizeof(short), length));
    }
    case SQL_SHORT:
      return ScaledInteger(ReadAs<ISC_SHORT>(data), var.sqlscale, false);
    case SQL_LONG:
      return ScaledInteger(ReadAs<ISC_LONG>(data), var.sqlscale, false);
    case SQL_INT64:
      return ScaledInteger(ReadAs<ISC_INT64>(data), var.sqlscale, true);
    case SQL_FLOAT:
      return classlib::Variant(static_cast<double>(ReadAs<float>(data)));
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
      return classlib::Variant(ReadAs<double>(data));
    case SQL_TIMESTAMP: {
      auto stamp = ReadAs<ISC_TIMESTAMP>(data);
      return classlib::Variant::FromDate(FromClientDate(stamp.timestamp_date, stamp.timestamp_time));
    }
    case SQL_TYPE_DATE:
      return classlib::Variant::FromDate(FromClientDate(ReadAs<ISC_DATE>(data), 0));
    case SQL_TYPE_TIME:
      return classlib::Variant::FromDate(ReadAs<ISC_TIME>(data) / kClientTimeUnitsPerDay);
    case SQL_BOOLEAN:
      return classlib::Variant(data[0] != 0);
    case SQL_BLOB:
      return classlib::Variant(ReadBlobText(ReadAs<ISC_QUAD>(data), transaction));
    default:
      RaiseClientError(30, {static_cast<int>(var.sqltype & ~1)});
  }
}

std::string SingleValueStatement::ReadBlobText(ISC_QUAD id, TFIBTransaction& transaction) {
  IIBClientLibrary& library = database_.ClientLibrary();
  ISC_STATUS* status = StatusVector();
  isc_blob_handle blob = 0;
  transaction.CheckTransactionCall(
      library.isc_open_blob2(status, database_.HandleAddress(), transaction.HandleAddress(), &blob,
                             &id, 0, nullptr),
      true);
  std::string text;
  char segment[16384];
  for (;;) {
    unsigned short length = 0;
    ISC_STATUS result = library.isc_get_segment(status, &blob, &length, sizeof segment, segment);
    if (result != 0 && status[1] == isc_segstr_eof) break;
    if (result != 0 && status[1] != isc_segment) {
      ISC_STATUS failure[ISC_STATUS_LENGTH];
      std::memcpy(failure, status, sizeof failure);
      library.isc_close_blob(status, &blob);
      std::memcpy(status, failure, sizeof failure);
      transaction.CheckTransactionCall(result, true);
    }
    text.append(segment, length);
  }
  transaction.CheckTransactionCall(library.isc_close_blob(status, &blob), true);
  return text;
}

}  // namespace fib
