// The Firebird client library, loaded by name at run time and offered to the
// rest of the layer through IIBClientLibrary.
//
// Each call forwards its arguments unchanged to the client function of the
// same name and returns its result. A function the library did not provide
// (or that this binding never looks up) raises classlib::Exception
// "Can't find procedure <name> in <library>" when it is called.
//
// Loaded libraries are shared: FindOrLoadClientLibrary keeps one per
// distinct name in a process-wide cache until the program ends.
#pragma once

#include <ibase.h>

#include <array>
#include <cstddef>
#include <string>

#include "classlib/interfaced.h"

namespace fib {

// The name of the client library a new database uses. Windows names
// ("gds32.dll", "fbclient.dll") are accepted anywhere a library name is and
// load the same file.
std::string DefaultLibraryName();
void SetDefaultLibraryName(const std::string& name);

// The byte length of a statement descriptor area for `count` variables.
constexpr size_t XSQLDALength(int count) { return XSQLDA_LENGTH(count); }

// The names isc_event_block passes to the client: always 15 slots, unused
// ones nullptr.
constexpr int kMaxEventNames = 15;
using EventNames = std::array<const char*, kMaxEventNames>;

class IIBClientLibrary : public virtual classlib::IInterface {
 public:
  virtual std::string GetLibraryName() const = 0;
  virtual int GetMajorVersion() const = 0;
  virtual int GetMinorVersion() const = 0;

  virtual ISC_STATUS isc_attach_database(ISC_STATUS* status, short db_name_length,
                                         const ISC_SCHAR* db_name, isc_db_handle* db,
                                         short dpb_length, const ISC_SCHAR* dpb) = 0;
  virtual ISC_STATUS isc_array_get_slice(ISC_STATUS* status, isc_db_handle* db,
                                         isc_tr_handle* tr, ISC_QUAD* array_id,
                                         const ISC_ARRAY_DESC* desc, void* slice,
                                         ISC_LONG* slice_length) = 0;
  virtual ISC_STATUS isc_array_lookup_bounds(ISC_STATUS* status, isc_db_handle* db,
                                             isc_tr_handle* tr, const ISC_SCHAR* table,
                                             const ISC_SCHAR* column, ISC_ARRAY_DESC* desc) = 0;
  virtual ISC_STATUS isc_array_lookup_desc(ISC_STATUS* status, isc_db_handle* db,
                                           isc_tr_handle* tr, const ISC_SCHAR* table,
                                           const ISC_SCHAR* column, ISC_ARRAY_DESC* desc) = 0;
  virtual ISC_STATUS isc_array_set_desc(ISC_STATUS* status, const ISC_SCHAR* table,
                                        const ISC_SCHAR* column, const short* sql_dtype,
                                        const short* sql_length, const short* dimensions,
                                        ISC_ARRAY_DESC* desc) = 0;
  virtual ISC_STATUS isc_array_put_slice(ISC_STATUS* status, isc_db_handle* db,
                                         isc_tr_handle* tr, ISC_QUAD* array_id,
                                         const ISC_ARRAY_DESC* desc, void* slice,
                                         ISC_LONG* slice_length) = 0;
  virtual ISC_STATUS isc_blob_info(ISC_STATUS* status, isc_blob_handle* blob, short items_length,
                                   const ISC_SCHAR* items, short buffer_length,
                                   ISC_SCHAR* buffer) = 0;
  virtual ISC_STATUS isc_blob_lookup_desc(ISC_STATUS* status, isc_db_handle* db,
                                          isc_tr_handle* tr, const ISC_UCHAR* table,
                                          const ISC_UCHAR* column, ISC_BLOB_DESC* desc,
                                          ISC_UCHAR* global) = 0;
  virtual ISC_STATUS isc_blob_set_desc(ISC_STATUS* status, const ISC_UCHAR* table,
                                       const ISC_UCHAR* column, short subtype, short charset,
                                       short segment_size, ISC_BLOB_DESC* desc) = 0;
  virtual ISC_STATUS isc_cancel_blob(ISC_STATUS* status, isc_blob_handle* blob) = 0;
  virtual ISC_STATUS isc_cancel_events(ISC_STATUS* status, isc_db_handle* db,
                                       ISC_LONG* event_id) = 0;
  virtual ISC_STATUS isc_que_events(ISC_STATUS* status, isc_db_handle* db, ISC_LONG* event_id,
                                    short length, const ISC_UCHAR* event_buffer,
                                    ISC_EVENT_CALLBACK callback, void* callback_arg) = 0;
  virtual ISC_STATUS isc_wait_for_event(ISC_STATUS* status, isc_db_handle* db, short length,
                                        const ISC_UCHAR* event_buffer,
                                        ISC_UCHAR* result_buffer) = 0;
  virtual ISC_STATUS isc_close_blob(ISC_STATUS* status, isc_blob_handle* blob) = 0;
  virtual ISC_STATUS isc_create_blob2(ISC_STATUS* status, isc_db_handle* db, isc_tr_handle* tr,
                                      isc_blob_handle* blob, ISC_QUAD* blob_id, short bpb_length,
                                      const ISC_SCHAR* bpb) = 0;
  virtual ISC_STATUS isc_commit_retaining(ISC_STATUS* status, isc_tr_handle* tr) = 0;
  virtual ISC_STATUS isc_commit_transaction(ISC_STATUS* status, isc_tr_handle* tr) = 0;
  virtual ISC_STATUS isc_transaction_info(ISC_STATUS* status, isc_tr_handle* tr,
                                          short items_length, const ISC_SCHAR* items,
                                          short buffer_length, ISC_SCHAR* buffer) = 0;
  virtual ISC_STATUS isc_database_info(ISC_STATUS* status, isc_db_handle* db, short items_length,
                                       const ISC_SCHAR* items, short buffer_length,
                                       ISC_SCHAR* buffer) = 0;
  virtual void isc_decode_date(const ISC_QUAD* date, void* tm) = 0;
  virtual void isc_decode_sql_date(const ISC_DATE* date, void* tm) = 0;
  virtual void isc_decode_sql_time(const ISC_TIME* time, void* tm) = 0;
  virtual void isc_decode_timestamp(const ISC_TIMESTAMP* timestamp, void* tm) = 0;
  virtual ISC_STATUS isc_detach_database(ISC_STATUS* status, isc_db_handle* db) = 0;
  virtual ISC_STATUS isc_drop_database(ISC_STATUS* status, isc_db_handle* db) = 0;
  virtual ISC_STATUS isc_dsql_alloc_statement2(ISC_STATUS* status, isc_db_handle* db,
                                               isc_stmt_handle* stmt) = 0;
  virtual ISC_STATUS isc_dsql_describe(ISC_STATUS* status, isc_stmt_handle* stmt,
                                       unsigned short dialect, XSQLDA* sqlda) = 0;
  virtual ISC_STATUS isc_dsql_describe_bind(ISC_STATUS* status, isc_stmt_handle* stmt,
                                            unsigned short dialect, XSQLDA* sqlda) = 0;
  virtual ISC_STATUS isc_dsql_execute(ISC_STATUS* status, isc_tr_handle* tr,
                                      isc_stmt_handle* stmt, unsigned short dialect,
                                      const XSQLDA* in_sqlda) = 0;
  virtual ISC_STATUS isc_dsql_execute2(ISC_STATUS* status, isc_tr_handle* tr,
                                       isc_stmt_handle* stmt, unsigned short dialect,
                                       const XSQLDA* in_sqlda, const XSQLDA* out_sqlda) = 0;
  virtual ISC_STATUS isc_dsql_execute_immediate(ISC_STATUS* status, isc_db_handle* db,
                                                isc_tr_handle* tr, unsigned short length,
                                                const ISC_SCHAR* statement,
                                                unsigned short dialect,
                                                const XSQLDA* sqlda) = 0;
  virtual ISC_STATUS isc_dsql_exec_immed2(ISC_STATUS* status, isc_db_handle* db,
                                          isc_tr_handle* tr, unsigned short length,
                                          const ISC_SCHAR* statement, unsigned short dialect,
                                          const XSQLDA* in_sqlda, const XSQLDA* out_sqlda) = 0;
  virtual ISC_STATUS isc_dsql_fetch(ISC_STATUS* status, isc_stmt_handle* stmt,
                                    unsigned short dialect, const XSQLDA* sqlda) = 0;
  virtual ISC_STATUS isc_dsql_free_statement(ISC_STATUS* status, isc_stmt_handle* stmt,
                                             unsigned short option) = 0;
  virtual ISC_STATUS isc_dsql_prepare(ISC_STATUS* status, isc_tr_handle* tr,
                                      isc_stmt_handle* stmt, unsigned short length,
                                      const ISC_SCHAR* statement, unsigned short dialect,
                                      XSQLDA* sqlda) = 0;
  virtual ISC_STATUS isc_dsql_set_cursor_name(ISC_STATUS* status, isc_stmt_handle* stmt,
                                              const ISC_SCHAR* cursor_name,
                                              unsigned short type) = 0;
  virtual ISC_STATUS isc_dsql_sql_info(ISC_STATUS* status, isc_stmt_handle* stmt,
                                       short items_length, const ISC_SCHAR* items,
                                       short buffer_length, ISC_SCHAR* buffer) = 0;
  virtual void isc_encode_date(const void* tm, ISC_QUAD* date) = 0;
  virtual void isc_encode_sql_date(const void* tm, ISC_DATE* date) = 0;
  virtual void isc_encode_sql_time(const void* tm, ISC_TIME* time) = 0;
  virtual void isc_encode_timestamp(const void* tm, ISC_TIMESTAMP* timestamp) = 0;
  // Passes all 15 slots of `names` after `count`; count must not exceed 15.
  virtual ISC_LONG isc_event_block(ISC_UCHAR** event_buffer, ISC_UCHAR** result_buffer,
                                   ISC_USHORT count, const EventNames& names) = 0;
  virtual void isc_event_counts(ISC_ULONG* counts, short buffer_length, ISC_UCHAR* event_buffer,
                                const ISC_UCHAR* result_buffer) = 0;
  virtual ISC_LONG isc_free(ISC_SCHAR* block) = 0;
  virtual ISC_STATUS isc_get_segment(ISC_STATUS* status, isc_blob_handle* blob,
                                     unsigned short* actual_length,
                                     unsigned short buffer_length, ISC_SCHAR* buffer) = 0;
  virtual ISC_STATUS isc_put_segment(ISC_STATUS* status, isc_blob_handle* blob,
                                     unsigned short length, const ISC_SCHAR* buffer) = 0;
  virtual ISC_LONG isc_interprete(ISC_SCHAR* buffer, ISC_STATUS** status) = 0;
  virtual ISC_STATUS isc_open_blob2(ISC_STATUS* status, isc_db_handle* db, isc_tr_handle* tr,
                                    isc_blob_handle* blob, ISC_QUAD* blob_id,
                                    ISC_USHORT bpb_length, const ISC_UCHAR* bpb) = 0;
  virtual ISC_STATUS isc_prepare_transaction2(ISC_STATUS* status, isc_tr_handle* tr,
                                              ISC_USHORT message_length,
                                              const ISC_UCHAR* message) = 0;
  virtual ISC_STATUS isc_rollback_retaining(ISC_STATUS* status, isc_tr_handle* tr) = 0;
  virtual ISC_STATUS isc_rollback_transaction(ISC_STATUS* status, isc_tr_handle* tr) = 0;
  virtual ISC_STATUS isc_start_multiple(ISC_STATUS* status, isc_tr_handle* tr, short count,
                                        void* teb) = 0;
  virtual ISC_LONG isc_sqlcode(const ISC_STATUS* status) = 0;
  virtual void isc_sql_interprete(short sqlcode, ISC_SCHAR* buffer, short buffer_length) = 0;
  virtual ISC_LONG isc_vax_integer(const ISC_SCHAR* bytes, short length) = 0;
  virtual ISC_STATUS isc_add_user(ISC_STATUS* status, const USER_SEC_DATA* user) = 0;
  virtual ISC_STATUS isc_delete_user(ISC_STATUS* status, const USER_SEC_DATA* user) = 0;
  virtual ISC_STATUS isc_modify_user(ISC_STATUS* status, const USER_SEC_DATA* user) = 0;
  virtual ISC_STATUS isc_prepare_transaction(ISC_STATUS* status, isc_tr_handle* tr) = 0;
  virtual int BLOB_put(ISC_SCHAR c, FB_BLOB_STREAM stream) = 0;
  virtual int BLOB_get(FB_BLOB_STREAM stream) = 0;
  virtual ISC_STATUS isc_service_attach(ISC_STATUS* status, unsigned short name_length,
                                        const ISC_SCHAR* name, isc_svc_handle* service,
                                        unsigned short spb_length, const ISC_SCHAR* spb) = 0;
  virtual ISC_STATUS isc_service_detach(ISC_STATUS* status, isc_svc_handle* service) = 0;
  virtual ISC_STATUS isc_service_query(ISC_STATUS* status, isc_svc_handle* service,
                                       isc_resv_handle* reserved, unsigned short send_length,
                                       const ISC_SCHAR* send_items,
                                       unsigned short request_length,
                                       const ISC_SCHAR* request_items,
                                       unsigned short buffer_length, ISC_SCHAR* buffer) = 0;
  virtual ISC_STATUS isc_service_start(ISC_STATUS* status, isc_svc_handle* service,
                                       isc_resv_handle* reserved, unsigned short spb_length,
                                       const ISC_SCHAR* spb) = 0;
  virtual void isc_get_client_version(ISC_SCHAR* buffer) = 0;
  virtual int isc_get_client_major_version() = 0;
  virtual int isc_get_client_minor_version() = 0;
  virtual ISC_INT64 isc_portable_integer(const ISC_UCHAR* bytes, short length) = 0;

  // The bounded form of isc_interprete; only newer clients offer it, so
  // callers ask HasBoundedInterpret first.
  virtual bool HasBoundedInterpret() const = 0;
  virtual ISC_LONG fb_interpret(ISC_SCHAR* buffer, unsigned int buffer_length,
                                const ISC_STATUS** status) = 0;

  // Prepare and statement information in one call, without the output
  // description that isc_dsql_prepare always has the engine build; callers
  // ask HasPrepareWithInfo first (a client without it keeps isc_dsql_prepare).
  virtual bool HasPrepareWithInfo() const = 0;
  virtual ISC_STATUS isc_dsql_prepare_m(ISC_STATUS* status, isc_tr_handle* tr,
                                        isc_stmt_handle* stmt, unsigned short length,
                                        const ISC_SCHAR* statement, unsigned short dialect,
                                        unsigned short items_length, const ISC_SCHAR* items,
                                        unsigned short buffer_length, ISC_SCHAR* buffer) = 0;

  // Frees the library; every entry point then raises as if never found.
  virtual void UnloadClientLibrary() = 0;
};

using ClientLibraryRef = classlib::Intf<IIBClientLibrary>;

// The cached library of that exact name (case and path matter), loading it
// on first use. Loading failures propagate and leave no cache entry:
//   classlib::Exception "Can't load library <name> " when it will not load;
//   classlib::EOSError when a required entry point is missing.
ClientLibraryRef FindOrLoadClientLibrary(const std::string& name);

}  // namespace fib
