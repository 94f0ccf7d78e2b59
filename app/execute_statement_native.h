// The script connection for the chosen server kind, made from the window's
// native components.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "app/execute_statement.h"

namespace fib {
class TpZODDatabase;
class TFIBTransaction;
class TFIBQuery;
}  // namespace fib

namespace oracle {
class TOraSession;
class TOraQuery;
}  // namespace oracle

namespace app {

class TADOCommand;
class TADOConnection;
class TADOQuery;

// A server kind this build cannot run scripts on (ANSI text).
class EScriptConnectionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TScriptComponents {
  fib::TpZODDatabase* zodDB = nullptr;  // FIREBIRD and INTRBASE
  fib::TFIBTransaction* zodTrans = nullptr;
  fib::TFIBQuery* zodQ = nullptr;
  TADOConnection* conLX = nullptr;  // MSSQL
  TADOQuery* qLX = nullptr;
  TADOCommand* qEx = nullptr;
  oracle::TOraSession* oraSession = nullptr;  // ORACLE
  oracle::TOraQuery* oraQ = nullptr;
};

// By `db_type` ("FIREBIRD", "INTRBASE", "MSSQL", "ORACLE"). Raises
// EScriptConnectionError for any other kind, and when a needed component is
// missing.
std::unique_ptr<IScriptConnection> NativeScriptConnection(const std::string& db_type,
                                                          const TScriptComponents& components);

}  // namespace app
