// The SQLite test driver's connection: one session on a database file (the
// connection's Server), several of which may share the file. Engine errors
// go through the error loop of the generic layer (DoError), so the
// connection component decides about them as it would for a server; a kill
// switch drops the session under the client's feet, as a server that went
// away would, for fail-over tests.
#pragma once

#include <sqlite3.h>

#include <string>

#include "classlib/component.h"
#include "dacore/comp_da_error.h"
#include "dacore/driver_connection.h"

namespace sqlite_driver {

// The code an error of a killed session carries: the link is gone.
inline constexpr int kConnectionLost = -1;

// An engine error: the engine's result code and its own text.
class ESQLiteError : public dacore::EDAError {
  CLASSLIB_CLASS(ESQLiteError, dacore::EDAError)
 public:
  ESQLiteError(int code, const std::string& message, classlib::TComponent* component = nullptr)
      : EDAError(code, message, component) {}
  bool ConnectionLost() const { return ErrorCode() == kConnectionLost; }
};

class TSQLiteConnection : public dacore::TCRConnection {
  CLASSLIB_CLASS(TSQLiteConnection, dacore::TCRConnection)
 public:
  TSQLiteConnection();
  ~TSQLiteConnection() override;

  // Opens Server (created when missing) with the busy time-out.
  void Connect(const std::string& connect_string) override;
  void Disconnect() override;
  void StartTransaction() override;
  // Commit and Rollback end an open transaction and do nothing otherwise.
  void Commit() override;
  void Rollback() override;
  bool Ping() override;

  // Drops the session: every later call fails as a lost connection until
  // the next Connect.
  void Kill();
  bool Killed() const { return killed_; }

  // The open session; a killed one raises the lost-connection error.
  sqlite3* Handle(classlib::TComponent* component);
  // Whether a transaction (explicit or implicit) is open.
  bool InTransaction() const;
  // Before a statement: opens an implicit transaction unless both the
  // connection and the statement commit each statement.
  void BeginStatement(bool command_auto_commit, classlib::TComponent* component);
  // Runs text that returns no rows, errors through Check.
  void Exec(const std::string& sql, classlib::TComponent* component);
  // rc of an engine call: anything but OK, ROW and DONE becomes an error.
  void Check(int rc, classlib::TComponent* component);
  // Hands an error to the error loop and raises it unless the loop says
  // otherwise (it may also raise EFailOver after a reconnect).
  void RaiseError(int code, const std::string& message, classlib::TComponent* component);

  // Milliseconds a statement waits for a lock held by another session.
  int BusyTimeout = 5000;

 private:
  sqlite3* db_ = nullptr;
  bool killed_ = false;
};

}  // namespace sqlite_driver
