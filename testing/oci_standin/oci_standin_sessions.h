// The stand-in's server sessions: what a session holds (language settings,
// uncommitted work, the client identifier, a running call that a break can
// end), the binds of a statement, the older interface's data areas, the
// client library's session pools, and the statements the stand-in's engine
// answers. Callers hold the state's lock.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "oracle/oci_defs.h"

namespace standin {

using namespace oracle;

struct Handle;
struct State;

// One bound placeholder: the caller's buffer, read at execute and written
// back for output values.
struct Bind {
  std::string name;  // upper-cased, without ':'
  void* value = nullptr;
  sb4 size = 0;
  ub2 type = 0;
  sb2* indicator = nullptr;
  // The rest of a bind's shape (oci_standin_statements.h reads it): actual
  // lengths, array skips, PL/SQL table sizes, the mode, dynamic callbacks.
  void* handle = nullptr;  // the OCIBind
  ub2* length = nullptr;
  ub4 value_skip = 0, indicator_skip = 0, length_skip = 0;
  ub4 max_array = 0;
  ub4* current_array = nullptr;
  ub4 mode = 0;
  void* in_context = nullptr;
  void* in_callback = nullptr;
  void* out_context = nullptr;
  void* out_callback = nullptr;
  // An object, collection or REF bind (oci_standin_bind_object.cpp): its
  // type and the caller's cells of the instance (or REF) and indicator.
  const void* object_type = nullptr;
  void** object_cell = nullptr;
  void** object_indicator_cell = nullptr;
};

// What the session engine keeps on a handle.
struct SessionExtra {
  // Session: its language settings (upper-cased name -> value; empty until
  // first used, then the server's defaults) and uncommitted statements.
  std::map<std::string, std::string> nls;
  int pending_work = 0;
  // The local transaction's identifier; empty when none is open.
  std::string transaction_id;
  int running_calls = 0;
  bool break_requested = false;
  // The server went away under the session (oci_standin_link.cpp).
  bool link_lost = false;
  // Statement: its binds.
  std::vector<Bind> binds;
  // Server: the fail-over callback registered on it.
  OCIFocbkStruct failover{nullptr, nullptr};
  // Session pool: its name, limits and the service contexts it made.
  std::string pool_name;
  ub4 pool_max = 0;
  std::vector<Handle*> pool_contexts;
  // Service context of a session pool: handed out or idle.
  bool pool_busy = false;
};

// A cursor data area of the older interface.
struct Oci7Cursor {
  const void* lda = nullptr;
  std::string sql;
  std::vector<Bind> binds;
  // The statement whose select list and defines the area's fetches use
  // (oci_standin_oci7_fetch.cpp); made at the first describe or define.
  Handle* statement = nullptr;
};

// The older interface's select lists (oci_standin_oci7_fetch.cpp): an
// executed SELECT whose text was scripted starts its rows; false for any
// other statement.
bool StartOci7Query(State& state, const void* cda);
// The piece a fetch of that area waits for: its define's context and
// whether it is the first; false when none is wanted.
bool WantedOci7FetchPiece(State& state, const void* cda, ub1* piece, void** context);
// The buffer of that piece; false when none is wanted.
bool SetOci7FetchPiece(State& state, const void* cda, void* buffer, ub4* length);
// Frees what the area's select list held.
void ForgetOci7Query(State& state, const void* cda);

// A registered change-notification subscription: enabled or not, how many
// callbacks are running on it, whether its unregistering has begun.
struct SubscriptionState {
  bool enabled = true;
  int in_flight = 0;
  bool unregistering = false;
};

struct SessionWorld {
  int committed_work = 0;
  int char_length = 1;
  bool deny_set_identifier = false;
  std::vector<std::string> executed;          // statement texts, in order
  std::map<const void*, Handle*> lda_sessions;  // logon area -> session
  std::map<const void*, Oci7Cursor> cursors;    // cursor area -> cursor
  std::map<int, std::string> oci7_texts;        // error number -> last text
  int pools_made = 0;
  int transactions_made = 0;
  // Global transactions' branches (transaction handles): "active" or "prepared".
  std::map<const void*, std::string> branch_phases;
  // Registered subscriptions (oci_standin_subscription.cpp), by handle.
  std::map<const void*, SubscriptionState> subscriptions;
  bool hold_notifications = false;
};

// Runs a statement that is not a query on a session: ALTER SESSION (the
// language settings, CURRENT_SCHEMA and OPTIMIZER_MODE), the blocks the
// layer sends (the current schema, the local transaction's identifier),
// DBMS_LOCK.SLEEP (until a break), DML (pending work, which opens a
// transaction), data definition (commits the pending work). Answers 0, or an Oracle error number with its text. May wait with
// the state's lock released.
sb4 RunStatement(State& state, Handle* session, const std::string& sql, std::vector<Bind>& binds,
                 std::string& text);
// The server's tracing statements (oci_standin_trace.cpp): whether sql is
// one; its answer in code and text.
bool RunTraceStatement(State& state, const std::string& sql, std::vector<Bind>& binds, sb4& code,
                       std::string& text);
// Global transactions (oci_standin_transaction.cpp): a two-phase commit
// needs a prepared branch (else an error status); either commit ends the
// context's branch. EndBranch ends it on a rollback.
sword TwoPhaseCommitStatus(State& state, const void* context, ub4 flags, void* error);
void EndBranch(State& state, const void* context);
// Commit or rollback of a service context's pending work.
void EndWork(State& state, const void* context, bool commit);
void EndSessionWork(State& state, Handle* session, bool commit);
// The session of a service context, or nullptr.
Handle* SessionOf(State& state, const void* context);
// ORA-03114 on the error handle when the context's session lost its
// server (oci_standin_link.cpp); 0 otherwise.
sword LostLinkStatus(State& state, const void* context, void* error);
// Wakes the calls waiting for a break.
void NotifyBreak();
// Forgets what the engine holds beside the handles.
void ResetWorld(SessionWorld& world);
// Stores a bind of a statement or cursor, replacing one of the same name.
void AddBind(std::vector<Bind>& binds, Bind bind);

}  // namespace standin
