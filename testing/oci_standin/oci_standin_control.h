// The control interface of the stand-in client library (libclntsh.so built
// from oci_standin*.cpp). Its names carry a prefix the Oracle layer never
// binds. A test reaches them by loading the same library file the layer
// loads (the loader hands back the same instance) and resolving them by name.
//
// The stand-in answers as the public call interface documents, and logs
// every call it receives as one line: the entry's name followed by the
// arguments that matter, "name=value" separated by blanks, for example
//   OCIEnvCreate mode=7
//   OCIHandleAlloc type=2
//   OCISessionBegin user=SCOTT cred=1 mode=0
#pragma once

extern "C" {

// Forget all state: handles, accounts, scripts, faults, log; client version
// 10.2.0.1.0 and the default banner.
void standin_reset(void);
// The client release the library stands for, as OCIClientVersion gives it.
// Only a build that exports that call (clients from 10.2 on) takes a release
// from 10.2 on, and only a build without it (older clients, whose release
// the file's name tells) an earlier one; otherwise answers -1 and keeps
// the release. Answers 0. The release given to a build without the call
// also chooses what differs between older clients: one from 8.1.6 to 8.x
// writes a define callback's indicator as into an array of the rows'
// indicators (the iteration's cell past the address the callback gave).
int standin_set_client_version(int major, int minor, int update, int patch, int port_update);
void standin_set_banner(const char* banner);
// A user that OCISessionBegin accepts (user name without regard to case,
// password exactly). Any other pair answers -1 with code 1017.
void standin_add_account(const char* user, const char* password);
// A query whose text (compared whole, blanks at both ends ignored) describes
// the comma-separated columns when executed. Unscripted queries fail with
// code 942.
void standin_script_select(const char* sql, const char* columns);
// The nth call (counted from 1, from now on) of entry answers `status`; with
// a non-zero code its error handle holds `code` and `text`. Status 1
// ("success with info") is a warning: the call does its work and then
// answers 1 with that error record, when it succeeded. Warnings are taken for
// the calls that reach the server (OCIServerAttach, OCISessionBegin,
// OCISessionGet, OCIStmtPrepare, OCIStmtPrepare2, OCIStmtExecute,
// OCIStmtFetch, OCIStmtFetch2, OCITransCommit, OCITransRollback, OCIPing,
// OCILobRead, OCILobRead2, OCILobWrite); for any other entry the call
// answers -1 and nothing is injected. Answers 0.
int standin_inject_fault(const char* entry, int nth, int status, int code, const char* text);
// The call log, one line a call; returns the full length, copies at most
// size - 1 bytes and a terminating zero.
int standin_call_log(char* buffer, int size);
void standin_clear_log(void);
// With 0 calls are no longer logged (nor their lines built on the fetch
// path), so that a benchmark measures the calls, not the log; 1 again
// after standin_reset.
void standin_set_logging(int on);
// Handles and descriptors allocated and not yet freed.
int standin_live_handles(void);
// Calls given a handle or descriptor after it was freed (and before its
// address was handed out again) since the last reset.
int standin_freed_handle_calls(void);

}
