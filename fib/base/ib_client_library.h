// TIBClientLibrary: one loaded client library and its entry points.
//
// The constructor loads the library and resolves its entry points:
//   - the base set, all required (a missing one fails the load);
//   - isc_rollback_retaining, optional: with it the client counts as
//     version 6.0 and the version-6 set (services, SQL dates and times,
//     isc_portable_integer) is required too; without it, version 5.0;
//   - isc_get_client_version, optional: with it the version is what the
//     client's own major/minor functions answer.
// Use FindOrLoadClientLibrary to share libraries; create one directly only
// where sharing is not wanted.
#pragma once

#include <string>

#include "fib/base/client_library.h"

namespace fib {

// Typed slots for every client function the binding knows; nullptr until
// resolved.
struct ClientEntryPoints {
  decltype(&::isc_attach_database) isc_attach_database = nullptr;
  decltype(&::isc_array_get_slice) isc_array_get_slice = nullptr;
  decltype(&::isc_array_lookup_bounds) isc_array_lookup_bounds = nullptr;
  decltype(&::isc_array_lookup_desc) isc_array_lookup_desc = nullptr;
  decltype(&::isc_array_set_desc) isc_array_set_desc = nullptr;
  decltype(&::isc_array_put_slice) isc_array_put_slice = nullptr;
  decltype(&::isc_blob_info) isc_blob_info = nullptr;
  decltype(&::isc_blob_lookup_desc) isc_blob_lookup_desc = nullptr;
  decltype(&::isc_blob_set_desc) isc_blob_set_desc = nullptr;
  decltype(&::isc_cancel_blob) isc_cancel_blob = nullptr;
  decltype(&::isc_cancel_events) isc_cancel_events = nullptr;
  decltype(&::isc_que_events) isc_que_events = nullptr;
  decltype(&::isc_wait_for_event) isc_wait_for_event = nullptr;
  decltype(&::isc_close_blob) isc_close_blob = nullptr;
  decltype(&::isc_create_blob2) isc_create_blob2 = nullptr;
  decltype(&::isc_commit_retaining) isc_commit_retaining = nullptr;
  decltype(&::isc_commit_transaction) isc_commit_transaction = nullptr;
  decltype(&::isc_transaction_info) isc_transaction_info = nullptr;
  decltype(&::isc_database_info) isc_database_info = nullptr;
  decltype(&::isc_decode_date) isc_decode_date = nullptr;
  decltype(&::isc_decode_sql_date) isc_decode_sql_date = nullptr;
  decltype(&::isc_decode_sql_time) isc_decode_sql_time = nullptr;
  decltype(&::isc_decode_timestamp) isc_decode_timestamp = nullptr;
  decltype(&::isc_detach_database) isc_detach_database = nullptr;
  decltype(&::isc_drop_database) isc_drop_database = nullptr;
  decltype(&::isc_dsql_alloc_statement2) isc_dsql_alloc_statement2 = nullptr;
  decltype(&::isc_dsql_describe) isc_dsql_describe = nullptr;
  decltype(&::isc_dsql_describe_bind) isc_dsql_describe_bind = nullptr;
  decltype(&::isc_dsql_execute) isc_dsql_execute = nullptr;
  decltype(&::isc_dsql_execute2) isc_dsql_execute2 = nullptr;
  decltype(&::isc_dsql_execute_immediate) isc_dsql_execute_immediate = nullptr;
  decltype(&::isc_dsql_exec_immed2) isc_dsql_exec_immed2 = nullptr;
  decltype(&::isc_dsql_fetch) isc_dsql_fetch = nullptr;
  decltype(&::isc_dsql_free_statement) isc_dsql_free_statement = nullptr;
  decltype(&::isc_dsql_prepare) isc_dsql_prepare = nullptr;
  decltype(&::isc_dsql_set_cursor_name) isc_dsql_set_cursor_name = nullptr;
  decltype(&::isc_dsql_sql_info) isc_dsql_sql_info = nullptr;
  decltype(&::isc_encode_date) isc_encode_date = nullptr;
  decltype(&::isc_encode_sql_date) isc_encode_sql_date = nullptr;
  decltype(&::isc_encode_sql_time) isc_encode_sql_time = nullptr;
  decltype(&::isc_encode_timestamp) isc_encode_timestamp = nullptr;
  decltype(&::isc_event_block) isc_event_block = nullptr;
  decltype(&::isc_event_counts) isc_event_counts = nullptr;
  decltype(&::isc_free) isc_free = nullptr;
  decltype(&::isc_get_segment) isc_get_segment = nullptr;
  decltype(&::isc_put_segment) isc_put_segment = nullptr;
  // Spelled out: the header marks the function deprecated.
  ISC_LONG (*isc_interprete)(ISC_SCHAR*, ISC_STATUS**) = nullptr;
  decltype(&::isc_open_blob2) isc_open_blob2 = nullptr;
  decltype(&::isc_prepare_transaction2) isc_prepare_transaction2 = nullptr;
  decltype(&::isc_rollback_retaining) isc_rollback_retaining = nullptr;
  decltype(&::isc_rollback_transaction) isc_rollback_transaction = nullptr;
  decltype(&::isc_start_multiple) isc_start_multiple = nullptr;
  decltype(&::isc_sqlcode) isc_sqlcode = nullptr;
  decltype(&::isc_sql_interprete) isc_sql_interprete = nullptr;
  decltype(&::isc_vax_integer) isc_vax_integer = nullptr;
  decltype(&::isc_add_user) isc_add_user = nullptr;
  decltype(&::isc_delete_user) isc_delete_user = nullptr;
  decltype(&::isc_modify_user) isc_modify_user = nullptr;
  decltype(&::isc_prepare_transaction) isc_prepare_transaction = nullptr;
  decltype(&::BLOB_put) BLOB_put = nullptr;
  decltype(&::BLOB_get) BLOB_get = nullptr;
  decltype(&::isc_service_attach) isc_service_attach = nullptr;
  decltype(&::isc_service_detach) isc_service_detach = nullptr;
  decltype(&::isc_service_query) isc_service_query = nullptr;
  decltype(&::isc_service_start) isc_service_start = nullptr;
  decltype(&::isc_get_client_version) isc_get_client_version = nullptr;
  decltype(&::isc_get_client_major_version) isc_get_client_major_version = nullptr;
  decltype(&::isc_get_client_minor_version) isc_get_client_minor_version = nullptr;
  decltype(&::isc_portable_integer) isc_portable_integer = nullptr;
  decltype(&::fb_interpret) fb_interpret = nullptr;
  decltype(&::isc_dsql_prepare_m) isc_dsql_prepare_m = nullptr;
};

class TIBClientLibrary : public classlib::TInterfacedObject, public IIBClientLibrary {
  CLASSLIB_CLASS(TIBClientLibrary, classlib::TInterfacedObject)
 public:
  // Loads the library; see the header comment for the failures.
  explicit TIBClientLibrary(std::string library_name);
  ~TIBClientLibrary() override;
  TIBClientLibrary(const TIBClientLibrary&) = delete;
  TIBClientLibrary& operator=(const TIBClientLibrary&) = delete;

  std::string GetLibraryName() const override { return library_name_; }
  int GetMajorVersion() const override { return major_version_; }
  int GetMinorVersion() const override { return minor_version_; }
  bool IsLoaded() const { return module_ != nullptr; }

  ISC_STATUS isc_attach_database(ISC_STATUS*, short, const ISC_SCHAR*, isc_db_handle*, short,
                                 const ISC_SCHAR*) override;
  ISC_STATUS isc_array_get_slice(ISC_STATUS*, isc_db_handle*, isc_tr_handle*, ISC_QUAD*,
                                 const ISC_ARRAY_DESC*, void*, ISC_LONG*) override;
  ISC_STATUS isc_array_lookup_bounds(ISC_STATUS*, isc_db_handle*, isc_tr_handle*,
                                     const ISC_SCHAR*, const ISC_SCHAR*,
                                     ISC_ARRAY_DESC*) override;
  ISC_STATUS isc_array_lookup_desc(ISC_STATUS*, isc_db_handle*, isc_tr_handle*, const ISC_SCHAR*,
                                   const ISC_SCHAR*, ISC_ARRAY_DESC*) override;
  ISC_STATUS isc_array_set_desc(ISC_STATUS*, const ISC_SCHAR*, const ISC_SCHAR*, const short*,
                                const short*, const short*, ISC_ARRAY_DESC*) override;
  ISC_STATUS isc_array_put_slice(ISC_STATUS*, isc_db_handle*, isc_tr_handle*, ISC_QUAD*,
                                 const ISC_ARRAY_DESC*, void*, ISC_LONG*) override;
  ISC_STATUS isc_blob_info(ISC_STATUS*, isc_blob_handle*, short, const ISC_SCHAR*, short,
                           ISC_SCHAR*) override;
  ISC_STATUS isc_blob_lookup_desc(ISC_STATUS*, isc_db_handle*, isc_tr_handle*, const ISC_UCHAR*,
                                  const ISC_UCHAR*, ISC_BLOB_DESC*, ISC_UCHAR*) override;
  ISC_STATUS isc_blob_set_desc(ISC_STATUS*, const ISC_UCHAR*, const ISC_UCHAR*, short, short,
                               short, ISC_BLOB_DESC*) override;
  ISC_STATUS isc_cancel_blob(ISC_STATUS*, isc_blob_handle*) override;
  ISC_STATUS isc_cancel_events(ISC_STATUS*, isc_db_handle*, ISC_LONG*) override;
  ISC_STATUS isc_que_events(ISC_STATUS*, isc_db_handle*, ISC_LONG*, short, const ISC_UCHAR*,
                            ISC_EVENT_CALLBACK, void*) override;
  ISC_STATUS isc_wait_for_event(ISC_STATUS*, isc_db_handle*, short, const ISC_UCHAR*,
                                ISC_UCHAR*) override;
  ISC_STATUS isc_close_blob(ISC_STATUS*, isc_blob_handle*) override;
  ISC_STATUS isc_create_blob2(ISC_STATUS*, isc_db_handle*, isc_tr_handle*, isc_blob_handle*,
                              ISC_QUAD*, short, const ISC_SCHAR*) override;
  ISC_STATUS isc_commit_retaining(ISC_STATUS*, isc_tr_handle*) override;
  ISC_STATUS isc_commit_transaction(ISC_STATUS*, isc_tr_handle*) override;
  ISC_STATUS isc_transaction_info(ISC_STATUS*, isc_tr_handle*, short, const ISC_SCHAR*, short,
                                  ISC_SCHAR*) override;
  ISC_STATUS isc_database_info(ISC_STATUS*, isc_db_handle*, short, const ISC_SCHAR*, short,
                               ISC_SCHAR*) override;
  void isc_decode_date(const ISC_QUAD*, void*) override;
  void isc_decode_sql_date(const ISC_DATE*, void*) override;
  void isc_decode_sql_time(const ISC_TIME*, void*) override;
  void isc_decode_timestamp(const ISC_TIMESTAMP*, void*) override;
  ISC_STATUS isc_detach_database(ISC_STATUS*, isc_db_handle*) override;
  ISC_STATUS isc_drop_database(ISC_STATUS*, isc_db_handle*) override;
  ISC_STATUS isc_dsql_alloc_statement2(ISC_STATUS*, isc_db_handle*, isc_stmt_handle*) override;
  ISC_STATUS isc_dsql_describe(ISC_STATUS*, isc_stmt_handle*, unsigned short, XSQLDA*) override;
  ISC_STATUS isc_dsql_describe_bind(ISC_STATUS*, isc_stmt_handle*, unsigned short,
                                    XSQLDA*) override;
  ISC_STATUS isc_dsql_execute(ISC_STATUS*, isc_tr_handle*, isc_stmt_handle*, unsigned short,
                              const XSQLDA*) override;
  ISC_STATUS isc_dsql_execute2(ISC_STATUS*, isc_tr_handle*, isc_stmt_handle*, unsigned short,
                               const XSQLDA*, const XSQLDA*) override;
  ISC_STATUS isc_dsql_execute_immediate(ISC_STATUS*, isc_db_handle*, isc_tr_handle*,
                                        unsigned short, const ISC_SCHAR*, unsigned short,
                                        const XSQLDA*) override;
  ISC_STATUS isc_dsql_exec_immed2(ISC_STATUS*, isc_db_handle*, isc_tr_handle*, unsigned short,
                                  const ISC_SCHAR*, unsigned short, const XSQLDA*,
                                  const XSQLDA*) override;
  ISC_STATUS isc_dsql_fetch(ISC_STATUS*, isc_stmt_handle*, unsigned short,
                            const XSQLDA*) override;
  ISC_STATUS isc_dsql_free_statement(ISC_STATUS*, isc_stmt_handle*, unsigned short) override;
  ISC_STATUS isc_dsql_prepare(ISC_STATUS*, isc_tr_handle*, isc_stmt_handle*, unsigned short,
                              const ISC_SCHAR*, unsigned short, XSQLDA*) override;
  ISC_STATUS isc_dsql_set_cursor_name(ISC_STATUS*, isc_stmt_handle*, const ISC_SCHAR*,
                                      unsigned short) override;
  ISC_STATUS isc_dsql_sql_info(ISC_STATUS*, isc_stmt_handle*, short, const ISC_SCHAR*, short,
                               ISC_SCHAR*) override;
  void isc_encode_date(const void*, ISC_QUAD*) override;
  void isc_encode_sql_date(const void*, ISC_DATE*) override;
  void isc_encode_sql_time(const void*, ISC_TIME*) override;
  void isc_encode_timestamp(const void*, ISC_TIMESTAMP*) override;
  ISC_LONG isc_event_block(ISC_UCHAR**, ISC_UCHAR**, ISC_USHORT, const EventNames&) override;
  void isc_event_counts(ISC_ULONG*, short, ISC_UCHAR*, const ISC_UCHAR*) override;
  ISC_LONG isc_free(ISC_SCHAR*) override;
  ISC_STATUS isc_get_segment(ISC_STATUS*, isc_blob_handle*, unsigned short*, unsigned short,
                             ISC_SCHAR*) override;
  ISC_STATUS isc_put_segment(ISC_STATUS*, isc_blob_handle*, unsigned short,
                             const ISC_SCHAR*) override;
  ISC_LONG isc_interprete(ISC_SCHAR*, ISC_STATUS**) override;
  ISC_STATUS isc_open_blob2(ISC_STATUS*, isc_db_handle*, isc_tr_handle*, isc_blob_handle*,
                            ISC_QUAD*, ISC_USHORT, const ISC_UCHAR*) override;
  ISC_STATUS isc_prepare_transaction2(ISC_STATUS*, isc_tr_handle*, ISC_USHORT,
                                      const ISC_UCHAR*) override;
  ISC_STATUS isc_rollback_retaining(ISC_STATUS*, isc_tr_handle*) override;
  ISC_STATUS isc_rollback_transaction(ISC_STATUS*, isc_tr_handle*) override;
  ISC_STATUS isc_start_multiple(ISC_STATUS*, isc_tr_handle*, short, void*) override;
  ISC_LONG isc_sqlcode(const ISC_STATUS*) override;
  void isc_sql_interprete(short, ISC_SCHAR*, short) override;
  ISC_LONG isc_vax_integer(const ISC_SCHAR*, short) override;
  ISC_STATUS isc_add_user(ISC_STATUS*, const USER_SEC_DATA*) override;
  ISC_STATUS isc_delete_user(ISC_STATUS*, const USER_SEC_DATA*) override;
  ISC_STATUS isc_modify_user(ISC_STATUS*, const USER_SEC_DATA*) override;
  ISC_STATUS isc_prepare_transaction(ISC_STATUS*, isc_tr_handle*) override;
  int BLOB_put(ISC_SCHAR, FB_BLOB_STREAM) override;
  int BLOB_get(FB_BLOB_STREAM) override;
  ISC_STATUS isc_service_attach(ISC_STATUS*, unsigned short, const ISC_SCHAR*, isc_svc_handle*,
                                unsigned short, const ISC_SCHAR*) override;
  ISC_STATUS isc_service_detach(ISC_STATUS*, isc_svc_handle*) override;
  ISC_STATUS isc_service_query(ISC_STATUS*, isc_svc_handle*, isc_resv_handle*, unsigned short,
                               const ISC_SCHAR*, unsigned short, const ISC_SCHAR*,
                               unsigned short, ISC_SCHAR*) override;
  ISC_STATUS isc_service_start(ISC_STATUS*, isc_svc_handle*, isc_resv_handle*, unsigned short,
                               const ISC_SCHAR*) override;
  void isc_get_client_version(ISC_SCHAR*) override;
  int isc_get_client_major_version() override;
  int isc_get_client_minor_version() override;
  ISC_INT64 isc_portable_integer(const ISC_UCHAR*, short) override;

  bool HasBoundedInterpret() const override { return entries_.fb_interpret != nullptr; }
  ISC_LONG fb_interpret(ISC_SCHAR*, unsigned int, const ISC_STATUS**) override;
  bool HasPrepareWithInfo() const override { return entries_.isc_dsql_prepare_m != nullptr; }
  ISC_STATUS isc_dsql_prepare_m(ISC_STATUS*, isc_tr_handle*, isc_stmt_handle*, unsigned short,
                                const ISC_SCHAR*, unsigned short, unsigned short, const ISC_SCHAR*,
                                unsigned short, ISC_SCHAR*) override;

  void UnloadClientLibrary() override;

 private:
  void LoadClientLibrary();
  void ResolveBaseSet();
  void ResolveVersion6Set();
  void ResolveClientVersion();
  // Answers the slot's function, or raises "Can't find procedure".
  template <class Fn>
  Fn Entry(Fn slot, const char* name) const;
  [[noreturn, gnu::cold, gnu::noinline]] void MissingEntry(const char* name) const;

  std::string library_name_;
  void* module_ = nullptr;  // nullptr while nothing is loaded
  int major_version_ = 0;
  int minor_version_ = 0;
  ClientEntryPoints entries_;
};

}  // namespace fib
