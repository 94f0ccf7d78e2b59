// The native database connection of the update run, opened with the stored
// database account of the logged-in user, and the database's current
// release read over it.
#pragma once

#include <string>

namespace fib {
class TFIBDatabase;
}

namespace oracle {
class TOraSession;
class TOraQuery;
}  // namespace oracle

namespace app {

class TADOConnection;

inline const std::string kReleaseQuery =
    "SELECT BV.BDVERSION, BV.ID FROM BO_VERSION BV WHERE BV.ID=(SELECT MAX(BV1.ID) FROM "
    "BO_VERSION BV1)";

// Shown as the current release when it cannot be read.
std::string UnknownReleaseText();

// The connections the window owns; one of them is used, by DBType.
struct TNativeConnections {
  fib::TFIBDatabase* zodDB = nullptr;  // FIREBIRD and INTRBASE
  TADOConnection* conLX = nullptr;     // MSSQL
  oracle::TOraSession* oraSession = nullptr;  // ORACLE, with the query it reads on
  oracle::TOraQuery* oraQ = nullptr;
};

// The value of the first pair named `name_with_equals` without its "="
// (any letter case), read as the connection-string list reads it: a value
// in double quotes may hold ";" and doubled quotes. False when no pair has
// that name.
bool ConnectionStringValue(const std::string& text, const std::string& name_with_equals,
                           std::string& value);

// Opens the connection of DBType with SqlUserName/SqlPassword and
// ProductConnectionString, reads the release and sets CurrentDBVersion and
// NextVersionId. No row: the whole start list and 1. Any failure: the
// unknown-release text and 0, and ReleaseReadFailure says why (no
// connection, and what the server said or what is wrong; no version table;
// the query's failure); the preparation goes on. The connection stays open
// for the update run.
void ReadDatabaseRelease(const TNativeConnections& connections);

}  // namespace app
