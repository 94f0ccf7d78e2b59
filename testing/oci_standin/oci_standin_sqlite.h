// The stand-in's SQLite tier: sessions on a server name that a test mapped
// to a SQLite file run their SQL on that file instead of the scripted
// engine. Only what the Oracle layer itself writes is rewritten (SYSDATE, USER,
// ROWID, sequences, RETURNING ... INTO, FOR UPDATE, EMPTY_BLOB/EMPTY_CLOB
// and DUAL are functions and views of the connection); the data dictionary
// is a set of temporary views over sqlite_master and the table-valued
// pragmas. A block of plain SQL statements (SELECT ... INTO and DML, as
// the layer writes around a sequence) runs here statement by statement;
// other PL/SQL and the session's own settings stay with the scripted
// engine. Callers hold the state's lock.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "oracle/oci_defs.h"

struct sqlite3;

namespace standin {

using namespace oracle;

struct Handle;
struct State;
struct LobValue;

// One session's connection to its server's file.
struct TierSession {
  sqlite3* db = nullptr;
  std::string user;  // upper-cased: the owner the dictionary views show
  // The savepoint that opened the transaction: rolling back to it ends the
  // transaction, so that the locks taken since are given back as a server
  // gives back its row locks.
  std::string opening_savepoint;
};

struct TierWorld {
  std::map<std::string, std::string> files;  // upper-cased server name -> file
  std::map<const Handle*, TierSession> sessions;
};

// An Oracle statement as the tier runs it.
struct TierStatement {
  std::string sql;                      // SQLite text
  std::vector<std::string> returning;   // columns of the RETURNING ... INTO tail
  std::vector<std::string> into;        // their placeholders, as bind names
  bool lock = false;                    // a top-level FOR UPDATE was cut
  bool nowait = false;
};

// The rewrite of what the layer emits; placeholders become upper-cased
// (quoted ones keep their case), literals and quoted names stay.
TierStatement RewriteForTier(const std::string& sql);
// The 18-character extended form the tier gives a SQLite row number.
std::string TierRowidText(int64_t row);
// A SQLite error as the Oracle error a server would answer.
sb4 TierOracleError(int sqlite_code, const std::string& message, std::string& text);

// A new connection of a session: the side table of sequences and
// procedures, the functions, the dictionary views; the SQLite error text,
// empty on success.
std::string PrepareTierConnection(sqlite3* db, const std::string& user);
// Connects a session that began on a tier server (no-op for others);
// answers 0, or an Oracle error number with its text when the file cannot
// be used.
sb4 TierSessionBegin(State& state, Handle* server, Handle* session, const std::string& user, std::string& text);
void TierSessionEnd(State& state, Handle* session);
// The session's tier connection, or nullptr when it runs on the engine.
TierSession* TierOf(State& state, const Handle* session);
// Whether the tier runs this text (no PL/SQL beyond a block of plain SQL,
// not the session's settings).
bool TierRuns(const std::string& sql);
// Runs a statement of a tier session: a query becomes the statement's
// rows, DML writes the RETURNING values and LOB locators into its binds.
// Answers 0 or an Oracle error number with its text.
sb4 TierExecute(State& state, Handle* session, Handle* statement, ub4 iterations, bool describe_only,
                std::string& text);
// Commit or rollback of a tier session's transaction.
void TierEndWork(State& state, const Handle* session, bool commit);
// A LOB value bound to its row and column: its units read from and written
// to that cell.
void TierLoadCell(State& state, LobValue& value);
void TierStoreCell(State& state, const LobValue& value);
void ResetTier(TierWorld& world);
// Runs a script of statements separated by ";" on a file outside any
// session, each as a session would; the first error's text, empty when all ran.
std::string RunTierScript(const std::string& file, const std::string& script);
// The statements of a script: split at ";" outside literals, quoted names
// and comments; blank ones dropped.
std::vector<std::string> SplitStatements(const std::string& script);

}  // namespace standin
