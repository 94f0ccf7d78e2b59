// The control interface of the stand-in's sessions (beside
// oci_standin_control.h): pending and committed work, session settings as
// the server holds them, statements executed, calls waiting for a break,
// the client library's session pools, and a fail-over that the stand-in
// runs on a thread of its own.
#pragma once

extern "C" {

// Uncommitted statements of every live session; statements committed so far.
int standin_pending_work(void);
int standin_committed_work(void);
// A session's setting by its upper-cased name ("NLS_DATE_FORMAT"), the
// session found from a service context or a logon area; the full length, or
// -1 when there is no such session. Copies as standin_call_log does.
int standin_session_setting(const void* context, const char* name, char* buffer, int size);
// The session's client identifier (set either way), or -1.
int standin_client_identifier(const void* context, char* buffer, int size);
// The server's character length (what "Lengthb(Chr(...))" gives), 1 by default.
void standin_set_char_length(int length);
// Makes DBMS_SESSION unknown to the users, as without the grant.
void standin_deny_set_identifier(int deny);
// Calls now waiting inside the server (DBMS_LOCK.SLEEP) for a break.
int standin_running_calls(void);
// The statements the engine ran, one a line, in order.
int standin_executed(char* buffer, int size);
// Service contexts of the session pools; with busy_only, those handed out.
int standin_pool_sessions(int busy_only);
// Every server with a fail-over callback fails over, on one thread of the
// stand-in's own that this call joins: the callback hears OCI_FO_BEGIN,
// then OCI_FO_ERROR `failures` times (it must answer OCI_FO_RETRY to go on,
// else OCI_FO_ABORT ends it), then the session is renewed (the server's
// default settings, no pending work) and it hears OCI_FO_END. Answers the
// number of callback calls.
int standin_trigger_failover(int failover_type, int failures);

}
