/* A stand-in client library that exports only part of the client interface,
 * built in one of three forms:
 *   PARTIAL_CLIENT_VERSION5   the base calls only, and start-up code that
 *                             lowers the x87 precision;
 *   PARTIAL_CLIENT_VERSION6   the base calls, isc_rollback_retaining, the
 *                             version-6 calls and its own client version 7.3;
 *   PARTIAL_CLIENT_MISSING    the base calls without isc_transaction_info.
 * Its message calls answer from the status vector so that tests control the
 * texts: isc_sqlcode answers the first error code, isc_sql_interprete a text
 * picked by that code, isc_interprete each string argument in turn. */
#include <stdint.h>
#include <string.h>

#define EXPORT __attribute__((visibility("default")))
/* Looked up by name only; never called by the tests. */
#define UNUSED_CALL(name) \
  EXPORT int name(void) { return 0; }

UNUSED_CALL(BLOB_get)
UNUSED_CALL(BLOB_put)
UNUSED_CALL(isc_vax_integer)
UNUSED_CALL(isc_blob_info)
UNUSED_CALL(isc_open_blob2)
UNUSED_CALL(isc_close_blob)
UNUSED_CALL(isc_get_segment)
UNUSED_CALL(isc_put_segment)
UNUSED_CALL(isc_create_blob2)
UNUSED_CALL(isc_decode_date)
UNUSED_CALL(isc_encode_date)
UNUSED_CALL(isc_dsql_free_statement)
UNUSED_CALL(isc_dsql_execute2)
UNUSED_CALL(isc_dsql_execute)
UNUSED_CALL(isc_dsql_set_cursor_name)
UNUSED_CALL(isc_dsql_fetch)
UNUSED_CALL(isc_dsql_sql_info)
UNUSED_CALL(isc_dsql_alloc_statement2)
UNUSED_CALL(isc_dsql_prepare)
UNUSED_CALL(isc_dsql_describe_bind)
UNUSED_CALL(isc_dsql_describe)
UNUSED_CALL(isc_dsql_execute_immediate)
UNUSED_CALL(isc_dsql_exec_immed2)
UNUSED_CALL(isc_drop_database)
UNUSED_CALL(isc_detach_database)
UNUSED_CALL(isc_attach_database)
UNUSED_CALL(isc_database_info)
UNUSED_CALL(isc_start_multiple)
UNUSED_CALL(isc_commit_transaction)
UNUSED_CALL(isc_commit_retaining)
UNUSED_CALL(isc_rollback_transaction)
UNUSED_CALL(isc_cancel_events)
UNUSED_CALL(isc_que_events)
UNUSED_CALL(isc_event_counts)
UNUSED_CALL(isc_event_block)
UNUSED_CALL(isc_free)
UNUSED_CALL(isc_array_lookup_bounds)
UNUSED_CALL(isc_array_get_slice)
UNUSED_CALL(isc_array_put_slice)
UNUSED_CALL(isc_wait_for_event)
#ifndef PARTIAL_CLIENT_MISSING
UNUSED_CALL(isc_transaction_info)
#endif

#ifdef PARTIAL_CLIENT_VERSION6
UNUSED_CALL(isc_rollback_retaining)
UNUSED_CALL(isc_service_attach)
UNUSED_CALL(isc_service_detach)
UNUSED_CALL(isc_service_query)
UNUSED_CALL(isc_service_start)
UNUSED_CALL(isc_decode_sql_date)
UNUSED_CALL(isc_decode_sql_time)
UNUSED_CALL(isc_decode_timestamp)
UNUSED_CALL(isc_encode_sql_date)
UNUSED_CALL(isc_encode_sql_time)
UNUSED_CALL(isc_encode_timestamp)
UNUSED_CALL(isc_portable_integer)

EXPORT void isc_get_client_version(char* buffer) { strcpy(buffer, "partial client 7.3"); }
EXPORT int isc_get_client_major_version(void) { return 7; }
EXPORT int isc_get_client_minor_version(void) { return 3; }
#endif

/* ---- message calls ---- */

EXPORT long isc_sqlcode(const intptr_t* status) { return (long)status[1]; }

EXPORT void isc_sql_interprete(short sqlcode, char* buffer, short length) {
  const char* text = "";
  switch (sqlcode) {
    case -1: text = "ends with a full stop."; break;
    case -2: text = "split\\n over\\n lines"; break;
    case -3: text = "Already Capital"; break;
  }
  strncpy(buffer, text, (size_t)length);
  buffer[length - 1] = '\0';
}

EXPORT long isc_interprete(char* buffer, const intptr_t** status) {
  const intptr_t* v = *status;
  if (v[0] == 1) v += 2; /* the error code itself has no text here */
  if (v[0] != 2) return 0;
  strcpy(buffer, (const char*)v[1]);
  *status = v + 2;
  return (long)strlen(buffer);
}

/* ---- start-up code that disturbs the caller's floating-point unit ---- */

#if defined(PARTIAL_CLIENT_VERSION5) && (defined(__x86_64__) || defined(__i386__))
static unsigned short lowered_cw;

__attribute__((constructor)) static void LowerPrecision(void) {
  unsigned short cw;
  __asm__ volatile("fnstcw %0" : "=m"(cw));
  cw &= (unsigned short)~0x300; /* 24-bit single precision */
  __asm__ volatile("fldcw %0" : : "m"(cw));
  __asm__ volatile("fnstcw %0" : "=m"(lowered_cw));
}

/* The control word as the start-up code left it. */
EXPORT unsigned short partial_client_lowered_cw(void) { return lowered_cw; }
#endif
