#include "fib/base/ib_client_library.h"

#include "classlib/exceptions.h"
#include "classlib/format.h"
#include "fib/base/fpu_control.h"
#include "platform/dynlib.h"

namespace fib {

namespace {

// The error number a failed lookup reports, as callers of the layer know it
// from Windows ("The specified procedure could not be found").
constexpr unsigned kProcedureNotFound = 127;

template <class Fn>
bool LookUp(void* module, Fn& slot, const char* name) {
  slot = reinterpret_cast<Fn>(platform::GetProcAddress(module, name));
  return slot != nullptr;
}

template <class Fn>
void Require(void* module, Fn& slot, const char* name) {
  if (LookUp(module, slot, name)) return;
  int code = static_cast<int>(kProcedureNotFound);
  throw classlib::EOSError(
      classlib::Format("System Error.  Code: %d.\n%s", {code, platform::LastLibraryError()}),
      kProcedureNotFound);
}

}  // namespace

TIBClientLibrary::TIBClientLibrary(std::string library_name)
    : library_name_(std::move(library_name)) {
  try {
    LoadClientLibrary();
  } catch (...) {
    // A half-resolved library is never handed out; do not keep it mapped.
    UnloadClientLibrary();
    throw;
  }
}

TIBClientLibrary::~TIBClientLibrary() { UnloadClientLibrary(); }

void TIBClientLibrary::LoadClientLibrary() {
  module_ = platform::LoadLibraryA(library_name_);
  if (!module_) throw classlib::Exception(classlib::Format("Can't load library %s ", {library_name_}));
  ResolveBaseSet();
  if (LookUp(module_, entries_.isc_rollback_retaining, "isc_rollback_retaining")) {
    major_version_ = 6;
    minor_version_ = 0;
    ResolveVersion6Set();
  } else {
    major_version_ = 5;
    minor_version_ = 0;
  }
  ResolveClientVersion();
  // Optional: lets server messages be read into a bounded buffer.
  LookUp(module_, entries_.fb_interpret, "fb_interpret");
  // Optional: prepares and answers the statement's type in one call.
  LookUp(module_, entries_.isc_dsql_prepare_m, "isc_dsql_prepare_m");
  SetExtendedFPUPrecision();
}

void TIBClientLibrary::ResolveBaseSet() {
  ClientEntryPoints& e = entries_;
  void* m = module_;
  Require(m, e.BLOB_get, "BLOB_get");
  Require(m, e.BLOB_put, "BLOB_put");
  Require(m, e.isc_sqlcode, "isc_sqlcode");
  Require(m, e.isc_sql_interprete, "isc_sql_interprete");
  Require(m, e.isc_interprete, "isc_interprete");
  Require(m, e.isc_vax_integer, "isc_vax_integer");
  Require(m, e.isc_blob_info, "isc_blob_info");
  Require(m, e.isc_open_blob2, "isc_open_blob2");
  Require(m, e.isc_close_blob, "isc_close_blob");
  Require(m, e.isc_get_segment, "isc_get_segment");
  Require(m, e.isc_put_segment, "isc_put_segment");
  Require(m, e.isc_create_blob2, "isc_create_blob2");
  Require(m, e.isc_decode_date, "isc_decode_date");
  Require(m, e.isc_encode_date, "isc_encode_date");
  Require(m, e.isc_dsql_free_statement, "isc_dsql_free_statement");
  Require(m, e.isc_dsql_execute2, "isc_dsql_execute2");
  Require(m, e.isc_dsql_execute, "isc_dsql_execute");
  Require(m, e.isc_dsql_set_cursor_name, "isc_dsql_set_cursor_name");
  Require(m, e.isc_dsql_fetch, "isc_dsql_fetch");
  Require(m, e.isc_dsql_sql_info, "isc_dsql_sql_info");
  Require(m, e.isc_dsql_alloc_statement2, "isc_dsql_alloc_statement2");
  Require(m, e.isc_dsql_prepare, "isc_dsql_prepare");
  Require(m, e.isc_dsql_describe_bind, "isc_dsql_describe_bind");
  Require(m, e.isc_dsql_describe, "isc_dsql_describe");
  Require(m, e.isc_dsql_execute_immediate, "isc_dsql_execute_immediate");
  Require(m, e.isc_dsql_exec_immed2, "isc_dsql_exec_immed2");
  Require(m, e.isc_drop_database, "isc_drop_database");
  Require(m, e.isc_detach_database, "isc_detach_database");
  Require(m, e.isc_attach_database, "isc_attach_database");
  Require(m, e.isc_database_info, "isc_database_info");
  Require(m, e.isc_start_multiple, "isc_start_multiple");
  Require(m, e.isc_commit_transaction, "isc_commit_transaction");
  Require(m, e.isc_commit_retaining, "isc_commit_retaining");
  Require(m, e.isc_rollback_transaction, "isc_rollback_transaction");
  Require(m, e.isc_cancel_events, "isc_cancel_events");
  Require(m, e.isc_que_events, "isc_que_events");
  Require(m, e.isc_event_counts, "isc_event_counts");
  Require(m, e.isc_event_block, "isc_event_block");
  Require(m, e.isc_free, "isc_free");
  Require(m, e.isc_array_lookup_bounds, "isc_array_lookup_bounds");
  Require(m, e.isc_array_get_slice, "isc_array_get_slice");
  Require(m, e.isc_array_put_slice, "isc_array_put_slice");
  Require(m, e.isc_wait_for_event, "isc_wait_for_event");
  Require(m, e.isc_transaction_info, "isc_transaction_info");
}

void TIBClientLibrary::ResolveVersion6Set() {
  ClientEntryPoints& e = entries_;
  void* m = module_;
  Require(m, e.isc_service_attach, "isc_service_attach");
  Require(m, e.isc_service_detach, "isc_service_detach");
  Require(m, e.isc_service_query, "isc_service_query");
  Require(m, e.isc_service_start, "isc_service_start");
  Require(m, e.isc_decode_sql_date, "isc_decode_sql_date");
  Require(m, e.isc_decode_sql_time, "isc_decode_sql_time");
  Require(m, e.isc_decode_timestamp, "isc_decode_timestamp");
  Require(m, e.isc_encode_sql_date, "isc_encode_sql_date");
  Require(m, e.isc_encode_sql_time, "isc_encode_sql_time");
  Require(m, e.isc_encode_timestamp, "isc_encode_timestamp");
  Require(m, e.isc_portable_integer, "isc_portable_integer");
}

void TIBClientLibrary::ResolveClientVersion() {
  ClientEntryPoints& e = entries_;
  if (!LookUp(module_, e.isc_get_client_version, "isc_get_client_version")) {
    minor_version_ = 0;
    return;
  }
  Require(module_, e.isc_get_client_major_version, "isc_get_client_major_version");
  Require(module_, e.isc_get_client_minor_version, "isc_get_client_minor_version");
  major_version_ = e.isc_get_client_major_version();
  minor_version_ = e.isc_get_client_minor_version();
}

void TIBClientLibrary::UnloadClientLibrary() {
  if (!module_) return;
  // The entry points would point into unmapped code once the module is
  // gone: forget them, so a later call raises instead of crashing.
  entries_ = ClientEntryPoints();
  platform::FreeLibrary(module_);
  module_ = nullptr;
}

}  // namespace fib
