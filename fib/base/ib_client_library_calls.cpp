// The calls of the bound client library: each forwards its arguments to the
// client function of the same name, or raises when that function was not
// resolved.
#include "classlib/exceptions.h"
#include "classlib/format.h"
#include "fib/base/ib_client_library.h"

namespace fib {

// Out of line, so that each call's wrapper needs no room for the message
// and stays a check and a jump into the client.
void TIBClientLibrary::MissingEntry(const char* name) const {
  throw classlib::Exception(
      classlib::Format("Can't find procedure %s in %s", {name, library_name_}));
}

template <class Fn>
Fn TIBClientLibrary::Entry(Fn slot, const char* name) const {
  if (slot == nullptr) [[unlikely]] MissingEntry(name);
  return slot;
}

ISC_LONG TIBClientLibrary::isc_event_block(ISC_UCHAR** event_buffer, ISC_UCHAR** result_buffer,
                                           ISC_USHORT count, const EventNames& names) {
  auto call = Entry(entries_.isc_event_block, "isc_event_block");
  // The client reads `count` names from its variable argument list: more
  // than the 15 passed would read past them.
  if (count > kMaxEventNames)
    throw classlib::Exception(
        classlib::Format("Too many event names (%d), at most %d", {count, kMaxEventNames}));
  return call(event_buffer, result_buffer, count, names[0], names[1], names[2], names[3], names[4],
              names[5], names[6], names[7], names[8], names[9], names[10], names[11], names[12],
              names[13], names[14]);
}

ISC_LONG TIBClientLibrary::fb_interpret(ISC_SCHAR* buffer, unsigned int buffer_length,
                                        const ISC_STATUS** status) {
  return Entry(entries_.fb_interpret, "fb_interpret")(buffer, buffer_length, status);
}

ISC_STATUS TIBClientLibrary::isc_dsql_prepare_m(ISC_STATUS* status, isc_tr_handle* tr, isc_stmt_handle* stmt, unsigned short length, const ISC_SCHAR* statement, unsigned short dialect, unsigned short items_length, const ISC_SCHAR* items, unsigned short buffer_length, ISC_SCHAR* buffer) {
  return Entry(entries_.isc_dsql_prepare_m, "isc_dsql_prepare_m")(status, tr, stmt, length, statement, dialect, items_length, items, buffer_length, buffer);
}

ISC_STATUS TIBClientLibrary::isc_attach_database(ISC_STATUS* status, short db_name_length, const ISC_SCHAR* db_name, isc_db_handle* db, short dpb_length, const ISC_SCHAR* dpb) {
  return Entry(entries_.isc_attach_database, "isc_attach_database")(status, db_name_length, db_name, db, dpb_length, dpb);
}

ISC_STATUS TIBClientLibrary::isc_array_get_slice(ISC_STATUS* status, isc_db_handle* db, isc_tr_handle* tr, ISC_QUAD* array_id, const ISC_ARRAY_DESC* desc, void* slice, ISC_LONG* slice_length) {
  return Entry(entries_.isc_array_get_slice, "isc_array_get_slice")(status, db, tr, array_id, desc, slice, slice_length);
}

ISC_STATUS TIBClientLibrary::isc_array_lookup_bounds(ISC_STATUS* status, isc_db_handle* db, isc_tr_handle* tr, const ISC_SCHAR* table, const ISC_SCHAR* column, ISC_ARRAY_DESC* desc) {
  return Entry(entries_.isc_array_lookup_bounds, "isc_array_lookup_bounds")(status, db, tr, table, column, desc);
}

ISC_STATUS TIBClientLibrary::isc_array_lookup_desc(ISC_STATUS* status, isc_db_handle* db, isc_tr_handle* tr, const ISC_SCHAR* table, const ISC_SCHAR* column, ISC_ARRAY_DESC* desc) {
  return Entry(entries_.isc_array_lookup_desc, "isc_array_lookup_desc")(status, db, tr, table, column, desc);
}

ISC_STATUS TIBClientLibrary::isc_array_set_desc(ISC_STATUS* status, const ISC_SCHAR* table, const ISC_SCHAR* column, const short* sql_dtype, const short* sql_length, const short* dimensions, ISC_ARRAY_DESC* desc) {
  return Entry(entries_.isc_array_set_desc, "isc_array_set_desc")(status, table, column, sql_dtype, sql_length, dimensions, desc);
}

ISC_STATUS TIBClientLibrary::isc_array_put_slice(ISC_STATUS* status, isc_db_handle* db, isc_tr_handle* tr, ISC_QUAD* array_id, const ISC_ARRAY_DESC* desc, void* slice, ISC_LONG* slice_length) {
  return Entry(entries_.isc_array_put_slice, "isc_array_put_slice")(status, db, tr, array_id, desc, slice, slice_length);
}

ISC_STATUS TIBClientLibrary::isc_blob_info(ISC_STATUS* status, isc_blob_handle* blob, short items_length, const ISC_SCHAR* items, short buffer_length, ISC_SCHAR* buffer) {
  return Entry(entries_.isc_blob_info, "isc_blob_info")(status, blob, items_length, items, buffer_length, buffer);
}

ISC_STATUS TIBClientLibrary::isc_blob_lookup_desc(ISC_STATUS* status, isc_db_handle* db, isc_tr_handle* tr, const ISC_UCHAR* table, const ISC_UCHAR* column, ISC_BLOB_DESC* desc, ISC_UCHAR* global) {
  return Entry(entries_.isc_blob_lookup_desc, "isc_blob_lookup_desc")(status, db, tr, table, column, desc, global);
}

ISC_STATUS TIBClientLibrary::isc_blob_set_desc(ISC_STATUS* status, const ISC_UCHAR* table, const ISC_UCHAR* column, short subtype, short charset, short segment_size, ISC_BLOB_DESC* desc) {
  return Entry(entries_.isc_blob_set_desc, "isc_blob_set_desc")(status, table, column, subtype, charset, segment_size, desc);
}

ISC_STATUS TIBClientLibrary::isc_cancel_blob(ISC_STATUS* status, isc_blob_handle* blob) {
  return Entry(entries_.isc_cancel_blob, "isc_cancel_blob")(status, blob);
}

ISC_STATUS TIBClientLibrary::isc_cancel_events(ISC_STATUS* status, isc_db_handle* db, ISC_LONG* event_id) {
  return Entry(entries_.isc_cancel_events, "isc_cancel_events")(status, db, event_id);
}

ISC_STATUS TIBClientLibrary::isc_que_events(ISC_STATUS* status, isc_db_handle* db, ISC_LONG* event_id, short length, const ISC_UCHAR* event_buffer, ISC_EVENT_CALLBACK callback, void* callback_arg) {
  return Entry(entries_.isc_que_events, "isc_que_events")(status, db, event_id, length, event_buffer, callback, callback_arg);
}

ISC_STATUS TIBClientLibrary::isc_wait_for_event(ISC_STATUS* status, isc_db_handle* db, short length, const ISC_UCHAR* event_buffer, ISC_UCHAR* result_buffer) {
  return Entry(entries_.isc_wait_for_event, "isc_wait_for_event")(status, db, length, event_buffer, result_buffer);
}

ISC_STATUS TIBClientLibrary::isc_close_blob(ISC_STATUS* status, isc_blob_handle* blob) {
  return Entry(entries_.isc_close_blob, "isc_close_blob")(status, blob);
}

ISC_STATUS TIBClientLibrary::isc_create_blob2(ISC_STATUS* status, isc_db_handle* db, isc_tr_handle* tr, isc_blob_handle* blob, ISC_QUAD* blob_id, short bpb_length, const ISC_SCHAR* bpb) {
  return Entry(entries_.isc_create_blob2, "isc_create_blob2")(status, db, tr, blob, blob_id, bpb_length, bpb);
}

ISC_STATUS TIBClientLibrary::isc_commit_retaining(ISC_STATUS* status, isc_tr_handle* tr) {
  return Entry(entries_.isc_commit_retaining, "isc_commit_retaining")(status, tr);
}

ISC_STATUS TIBClientLibrary::isc_commit_transaction(ISC_STATUS* status, isc_tr_handle* tr) {
  return Entry(entries_.isc_commit_transaction, "isc_commit_transaction")(status, tr);
}

ISC_STATUS TIBClientLibrary::isc_transaction_info(ISC_STATUS* status, isc_tr_handle* tr, short items_length, const ISC_SCHAR* items, short buffer_length, ISC_SCHAR* buffer) {
  return Entry(entries_.isc_transaction_info, "isc_transaction_info")(status, tr, items_length, items, buffer_length, buffer);
}

ISC_STATUS TIBClientLibrary::isc_database_info(ISC_STATUS* status, isc_db_handle* db, short items_length, const ISC_SCHAR* items, short buffer_length, ISC_SCHAR* buffer) {
  return Entry(entries_.isc_database_info, "isc_database_info")(status, db, items_length, items, buffer_length, buffer);
}

void TIBClientLibrary::isc_decode_date(const ISC_QUAD* date, void* tm) {
  Entry(entries_.isc_decode_date, "isc_decode_date")(date, tm);
}

void TIBClientLibrary::isc_decode_sql_date(const ISC_DATE* date, void* tm) {
  Entry(entries_.isc_decode_sql_date, "isc_decode_sql_date")(date, tm);
}

void TIBClientLibrary::isc_decode_sql_time(const ISC_TIME* time, void* tm) {
  Entry(entries_.isc_decode_sql_time, "isc_decode_sql_time")(time, tm);
}

void TIBClientLibrary::isc_decode_timestamp(const ISC_TIMESTAMP* timestamp, void* tm) {
  Entry(entries_.isc_decode_timestamp, "isc_decode_timestamp")(timestamp, tm);
}

ISC_STATUS TIBClientLibrary::isc_detach_database(ISC_STATUS* status, isc_db_handle* db) {
  return Entry(entries_.isc_detach_database, "isc_detach_database")(status, db);
}

ISC_STATUS TIBClientLibrary::isc_drop_database(ISC_STATUS* status, isc_db_handle* db) {
  return Entry(entries_.isc_drop_database, "isc_drop_database")(status, db);
}

ISC_STATUS TIBClientLibrary::isc_dsql_alloc_statement2(ISC_STATUS* status, isc_db_handle* db, isc_stmt_handle* stmt) {
  return Entry(entries_.isc_dsql_alloc_statement2, "isc_dsql_alloc_statement2")(status, db, stmt);
}

ISC_STATUS TIBClientLibrary::isc_dsql_describe(ISC_STATUS* status, isc_stmt_handle* stmt, unsigned short dialect, XSQLDA* sqlda) {
  return Entry(entries_.isc_dsql_describe, "isc_dsql_describe")(status, stmt, dialect, sqlda);
}

ISC_STATUS TIBClientLibrary::isc_dsql_describe_bind(ISC_STATUS* status, isc_stmt_handle* stmt, unsigned short dialect, XSQLDA* sqlda) {
  return Entry(entries_.isc_dsql_describe_bind, "isc_dsql_describe_bind")(status, stmt, dialect, sqlda);
}

ISC_STATUS TIBClientLibrary::isc_dsql_execute(ISC_STATUS* status, isc_tr_handle* tr, isc_stmt_handle* stmt, unsigned short dialect, const XSQLDA* in_sqlda) {
  return Entry(entries_.isc_dsql_execute, "isc_dsql_execute")(status, tr, stmt, dialect, in_sqlda);
}

ISC_STATUS TIBClientLibrary::isc_dsql_execute2(ISC_STATUS* status, isc_tr_handle* tr, isc_stmt_handle* stmt, unsigned short dialect, const XSQLDA* in_sqlda, const XSQLDA* out_sqlda) {
  return Entry(entries_.isc_dsql_execute2, "isc_dsql_execute2")(status, tr, stmt, dialect, in_sqlda, out_sqlda);
}

ISC_STATUS TIBClientLibrary::isc_dsql_execute_immediate(ISC_STATUS* status, isc_db_handle* db, isc_tr_handle* tr, unsigned short length, const ISC_SCHAR* statement, unsigned short dialect, const XSQLDA* sqlda) {
  return Entry(entries_.isc_dsql_execute_immediate, "isc_dsql_execute_immediate")(status, db, tr, length, statement, dialect, sqlda);
}

ISC_STATUS TIBClientLibrary::isc_dsql_exec_immed2(ISC_STATUS* status, isc_db_handle* db, isc_tr_handle* tr, unsigned short length, const ISC_SCHAR* statement, unsigned short dialect, const XSQLDA* in_sqlda, const XSQLDA* out_sqlda) {
  return Entry(entries_.isc_dsql_exec_immed2, "isc_dsql_exec_immed2")(status, db, tr, length, statement, dialect, in_sqlda, out_sqlda);
}

ISC_STATUS TIBClientLibrary::isc_dsql_fetch(ISC_STATUS* status, isc_stmt_handle* stmt, unsigned short dialect, const XSQLDA* sqlda) {
  return Entry(entries_.isc_dsql_fetch, "isc_dsql_fetch")(status, stmt, dialect, sqlda);
}

ISC_STATUS TIBClientLibrary::isc_dsql_free_statement(ISC_STATUS* status, isc_stmt_handle* stmt, unsigned short option) {
  return Entry(entries_.isc_dsql_free_statement, "isc_dsql_free_statement")(status, stmt, option);
}

ISC_STATUS TIBClientLibrary::isc_dsql_prepare(ISC_STATUS* status, isc_tr_handle* tr, isc_stmt_handle* stmt, unsigned short length, const ISC_SCHAR* statement, unsigned short dialect, XSQLDA* sqlda) {
  return Entry(entries_.isc_dsql_prepare, "isc_dsql_prepare")(status, tr, stmt, length, statement, dialect, sqlda);
}

ISC_STATUS TIBClientLibrary::isc_dsql_set_cursor_name(ISC_STATUS* status, isc_stmt_handle* stmt, const ISC_SCHAR* cursor_name, unsigned short type) {
  return Entry(entries_.isc_dsql_set_cursor_name, "isc_dsql_set_cursor_name")(status, stmt, cursor_name, type);
}

ISC_STATUS TIBClientLibrary::isc_dsql_sql_info(ISC_STATUS* status, isc_stmt_handle* stmt, short items_length, const ISC_SCHAR* items, short buffer_length, ISC_SCHAR* buffer) {
  return Entry(entries_.isc_dsql_sql_info, "isc_dsql_sql_info")(status, stmt, items_length, items, buffer_length, buffer);
}

void TIBClientLibrary::isc_encode_date(const void* tm, ISC_QUAD* date) {
  Entry(entries_.isc_encode_date, "isc_encode_date")(tm, date);
}

void TIBClientLibrary::isc_encode_sql_date(const void* tm, ISC_DATE* date) {
  Entry(entries_.isc_encode_sql_date, "isc_encode_sql_date")(tm, date);
}

void TIBClientLibrary::isc_encode_sql_time(const void* tm, ISC_TIME* time) {
  Entry(entries_.isc_encode_sql_time, "isc_encode_sql_time")(tm, time);
}

void TIBClientLibrary::isc_encode_timestamp(const void* tm, ISC_TIMESTAMP* timestamp) {
  Entry(entries_.isc_encode_timestamp, "isc_encode_timestamp")(tm, timestamp);
}

void TIBClientLibrary::isc_event_counts(ISC_ULONG* counts, short buffer_length, ISC_UCHAR* event_buffer, const ISC_UCHAR* result_buffer) {
  Entry(entries_.isc_event_counts, "isc_event_counts")(counts, buffer_length, event_buffer, result_buffer);
}

ISC_LONG TIBClientLibrary::isc_free(ISC_SCHAR* block) {
  return Entry(entries_.isc_free, "isc_free")(block);
}

ISC_STATUS TIBClientLibrary::isc_get_segment(ISC_STATUS* status, isc_blob_handle* blob, unsigned short* actual_length, unsigned short buffer_length, ISC_SCHAR* buffer) {
  return Entry(entries_.isc_get_segment, "isc_get_segment")(status, blob, actual_length, buffer_length, buffer);
}

ISC_STATUS TIBClientLibrary::isc_put_segment(ISC_STATUS* status, isc_blob_handle* blob, unsigned short length, const ISC_SCHAR* buffer) {
  return Entry(entries_.isc_put_segment, "isc_put_segment")(status, blob, length, buffer);
}

ISC_LONG TIBClientLibrary::isc_interprete(ISC_SCHAR* buffer, ISC_STATUS** status) {
  return Entry(entries_.isc_interprete, "isc_interprete")(buffer, status);
}

ISC_STATUS TIBClientLibrary::isc_open_blob2(ISC_STATUS* status, isc_db_handle* db, isc_tr_handle* tr, isc_blob_handle* blob, ISC_QUAD* blob_id, ISC_USHORT bpb_length, const ISC_UCHAR* bpb) {
  return Entry(entries_.isc_open_blob2, "isc_open_blob2")(status, db, tr, blob, blob_id, bpb_length, bpb);
}

ISC_STATUS TIBClientLibrary::isc_prepare_transaction2(ISC_STATUS* status, isc_tr_handle* tr, ISC_USHORT message_length, const ISC_UCHAR* message) {
  return Entry(entries_.isc_prepare_transaction2, "isc_prepare_transaction2")(status, tr, message_length, message);
}

ISC_STATUS TIBClientLibrary::isc_rollback_retaining(ISC_STATUS* status, isc_tr_handle* tr) {
  return Entry(entries_.isc_rollback_retaining, "isc_rollback_retaining")(status, tr);
}

ISC_STATUS TIBClientLibrary::isc_rollback_transaction(ISC_STATUS* status, isc_tr_handle* tr) {
  return Entry(entries_.isc_rollback_transaction, "isc_rollback_transaction")(status, tr);
}

ISC_STATUS TIBClientLibrary::isc_start_multiple(ISC_STATUS* status, isc_tr_handle* tr, short count, void* teb) {
  return Entry(entries_.isc_start_multiple, "isc_start_multiple")(status, tr, count, teb);
}

ISC_LONG TIBClientLibrary::isc_sqlcode(const ISC_STATUS* status) {
  return Entry(entries_.isc_sqlcode, "isc_sqlcode")(status);
}

void TIBClientLibrary::isc_sql_interprete(short sqlcode, ISC_SCHAR* buffer, short buffer_length) {
  Entry(entries_.isc_sql_interprete, "isc_sql_interprete")(sqlcode, buffer, buffer_length);
}

ISC_LONG TIBClientLibrary::isc_vax_integer(const ISC_SCHAR* bytes, short length) {
  return Entry(entries_.isc_vax_integer, "isc_vax_integer")(bytes, length);
}

ISC_STATUS TIBClientLibrary::isc_add_user(ISC_STATUS* status, const USER_SEC_DATA* user) {
  return Entry(entries_.isc_add_user, "isc_add_user")(status, user);
}

ISC_STATUS TIBClientLibrary::isc_delete_user(ISC_STATUS* status, const USER_SEC_DATA* user) {
  return Entry(entries_.isc_delete_user, "isc_delete_user")(status, user);
}

ISC_STATUS TIBClientLibrary::isc_modify_user(ISC_STATUS* status, const USER_SEC_DATA* user) {
  return Entry(entries_.isc_modify_user, "isc_modify_user")(status, user);
}

ISC_STATUS TIBClientLibrary::isc_prepare_transaction(ISC_STATUS* status, isc_tr_handle* tr) {
  return Entry(entries_.isc_prepare_transaction, "isc_prepare_transaction")(status, tr);
}

int TIBClientLibrary::BLOB_put(ISC_SCHAR c, FB_BLOB_STREAM stream) {
  return Entry(entries_.BLOB_put, "BLOB_put")(c, stream);
}

int TIBClientLibrary::BLOB_get(FB_BLOB_STREAM stream) {
  return Entry(entries_.BLOB_get, "BLOB_get")(stream);
}

ISC_STATUS TIBClientLibrary::isc_service_attach(ISC_STATUS* status, unsigned short name_length, const ISC_SCHAR* name, isc_svc_handle* service, unsigned short spb_length, const ISC_SCHAR* spb) {
  return Entry(entries_.isc_service_attach, "isc_service_attach")(status, name_length, name, service, spb_length, spb);
}

ISC_STATUS TIBClientLibrary::isc_service_detach(ISC_STATUS* status, isc_svc_handle* service) {
  return Entry(entries_.isc_service_detach, "isc_service_detach")(status, service);
}

ISC_STATUS TIBClientLibrary::isc_service_query(ISC_STATUS* status, isc_svc_handle* service, isc_resv_handle* reserved, unsigned short send_length, const ISC_SCHAR* send_items, unsigned short request_length, const ISC_SCHAR* request_items, unsigned short buffer_length, ISC_SCHAR* buffer) {
  return Entry(entries_.isc_service_query, "isc_service_query")(status, service, reserved, send_length, send_items, request_length, request_items, buffer_length, buffer);
}

ISC_STATUS TIBClientLibrary::isc_service_start(ISC_STATUS* status, isc_svc_handle* service, isc_resv_handle* reserved, unsigned short spb_length, const ISC_SCHAR* spb) {
  return Entry(entries_.isc_service_start, "isc_service_start")(status, service, reserved, spb_length, spb);
}

void TIBClientLibrary::isc_get_client_version(ISC_SCHAR* buffer) {
  Entry(entries_.isc_get_client_version, "isc_get_client_version")(buffer);
}

int TIBClientLibrary::isc_get_client_major_version() {
  return Entry(entries_.isc_get_client_major_version, "isc_get_client_major_version")();
}

int TIBClientLibrary::isc_get_client_minor_version() {
  return Entry(entries_.isc_get_client_minor_version, "isc_get_client_minor_version")();
}

ISC_INT64 TIBClientLibrary::isc_portable_integer(const ISC_UCHAR* bytes, short length) {
  return Entry(entries_.isc_portable_integer, "isc_portable_integer")(bytes, length);
}

}  // namespace fib
