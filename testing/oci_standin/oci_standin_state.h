// The stand-in client library's state: its handles, accounts, scripted
// queries, injected faults and call log, all behind one lock.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "oracle/oci_defs.h"
#include "testing/oci_standin/oci_standin_fetch.h"
#include "testing/oci_standin/oci_standin_objects.h"
#include "testing/oci_standin/oci_standin_sessions.h"
#include "testing/oci_standin/oci_standin_sqlite.h"
#include "testing/oci_standin/oci_standin_statements.h"
#include "testing/oci_standin/oci_standin_values.h"

namespace standin {

using namespace oracle;

// One handle or descriptor. Which fields matter depends on its type.
struct Handle {
  ub4 type = 0;
  Handle* parent = nullptr;
  std::map<ub4, std::string> values;  // scalar bytes or text, by attribute
  std::map<ub4, void*> pointers;      // pointer attributes
  // Error handle: the last error record.
  sb4 error_code = 0;
  std::string error_text;
  // Environment.
  ub4 mode = 0;
  // Descriptors of values (oci_standin_values.h).
  DescriptorValue value;
  // Server: attached to a link.
  bool attached = false;
  // Session: logged on.
  bool logged_on = false;
  // Statement.
  std::string sql;
  ub2 statement_type = 0;
  bool executed = false;
  std::vector<std::string> columns;
  // Described column.
  std::string name;
  // Sessions, binds, fail-over and session pools (oci_standin_sessions.h).
  SessionExtra extra;
  // Statement: placeholders, rows, ROWID, piecewise data (oci_standin_statements.h).
  StatementExtra statement;
};

struct Fault {
  std::string entry;
  int remaining;  // calls left before the faulty one
  sword status;
  sb4 code;
  std::string text;
};

inline constexpr const char* kDefaultBanner =
    "Oracle Database 10g Enterprise Edition Release 10.2.0.1.0 - Production";

struct State {
  std::mutex lock;
  std::set<Handle*> handles;
  // Addresses of handles freed and not handed out again, and how many calls
  // were given one: a real client library would read freed memory there.
  std::set<const void*> freed;
  int freed_handle_calls = 0;
  std::vector<std::unique_ptr<Handle>> storage;
  int client_version[5] = {10, 2, 0, 1, 0};
  std::string banner = kDefaultBanner;
  std::map<std::string, std::string> accounts;  // upper-cased user -> password
  std::map<std::string, std::vector<std::string>> scripts;
  std::vector<Fault> faults;
  std::vector<std::string> log;
  bool logging = true;  // off: calls are not written to the log
  SessionWorld world;
  bool process_initialized = false;
  ValueStore values;
  StatementWorld statements;
  ObjectWorld objects;
  FetchWorld fetch;
  TierWorld tier;
};

State& TheState();
void Reset(State& state);

// Handles (callers hold the lock).
Handle* NewHandle(State& state, ub4 type, Handle* parent);
void FreeHandle(State& state, Handle* handle);
// The handle behind a pointer when it is live and of that type (0: any).
// A pointer to a freed handle is counted as a call given a freed handle.
Handle* Live(State& state, const void* pointer, ub4 type = 0);

// Records an error on the error handle (when it is one) and answers -1.
sword Fail(State& state, void* error, sb4 code, const std::string& text);
// The status of an injected fault for this call of entry; 0 when none. A
// fault whose status is 1 ("success with info") is a warning: the call
// answers 0 here, does its work and hands its status to Answered.
sword InjectedStatus(State& state, std::string_view entry, void* error);
// The answer of a call that did its work: 1 with the warning's error record
// when one was injected for this call and the call succeeded, else status.
sword Answered(State& state, sword status);
// Whether an entry answers injected warnings (it ends with Answered).
bool AnswersWarnings(std::string_view entry);

// Copies text into a caller's buffer of `size` bytes, cut and
// zero-terminated; answers the whole text's length (asked first with no
// buffer to size it).
int CopyOut(const std::string& text, char* buffer, int size);
// The lines, each ended by "\n".
std::string JoinLines(const std::vector<std::string>& lines);

// One line of the call log.
void Log(State& state, const std::string& line);
// An older-interface failure: its text is kept for oerhms and the negative
// error number is the answer.
sword Failure(State& state, int code, const std::string& text);

std::string Upper(std::string text);
std::string Trimmed(const std::string& text);

}  // namespace standin
