// From an ADO connection string to a configured Qt SQL connection.
//
// The updater names its servers by the OLE DB providers of the original
// platform; each provider maps to a Qt SQL driver:
//   "LCPI.IBProvider.2"  -> QIBASE (Firebird). "Location" is the database:
//                           "host:path" reaches a server, a plain path uses the
//                           embedded engine. "ctype" is the client character
//                           set the server converts to (default WIN1251).
//   "SQLOLEDB.1"         -> QODBC through the ODBC driver that
//                           UPDATER_MSSQL_ODBC_DRIVER names (a driver name from
//                           odbcinst.ini or a path to the driver library),
//                           "FreeTDS" by default. "Data Source" is the server,
//                           "Initial Catalog" the database. Keywords a driver
//                           needs beyond these (e.g. "TrustServerCertificate=yes")
//                           come from UPDATER_MSSQL_ODBC_OPTIONS, appended as
//                           written.
//   "OraOLEDB.Oracle.1"  -> the Oracle client layer's session through a Qt
//                           driver of our own (ado_oracle_driver.h). "Data
//                           Source" is the network service name.
// Any other provider, and a provider whose Qt driver is not installed, is an
// ordinary connection error naming the provider.
#pragma once

#include <string>
#include <string_view>

#include <QSqlDatabase>

#include "app/val_list.h"
#include "classlib/exceptions.h"

namespace app {

// Errors of the ADO stand-in: connection, statement and data-set failures.
CLASSLIB_EXCEPTION(EADOError, classlib::EDatabaseError)

// The environment variable naming the ODBC driver behind "SQLOLEDB.1".
inline constexpr const char* kMssqlOdbcDriverVariable = "UPDATER_MSSQL_ODBC_DRIVER";

// The environment variable holding extra ODBC keywords for "SQLOLEDB.1".
inline constexpr const char* kMssqlOdbcOptionsVariable = "UPDATER_MSSQL_ODBC_OPTIONS";

// The ODBC driver used for "SQLOLEDB.1": the variable's value, or "FreeTDS".
std::string MssqlOdbcDriver();

// The value of a connection-string pair, blanks around it removed; empty when
// the pair is missing. Names match in any letter case; the last pair wins.
std::string ConnectionValue(const TValList& pairs, std::string_view name);

// An ODBC connection-string value: braced when it holds a character that
// would end or split the pair (";", "{", "}", "=" or surrounding blanks), so a
// password cannot add keywords of its own.
std::string OdbcValue(std::string_view value);

// The ODBC connection string that reaches the server a "SQLOLEDB.1"
// connection string describes, through `driver`, followed by the options
// of UPDATER_MSSQL_ODBC_OPTIONS when it is set.
std::string MssqlOdbcConnectionString(const TValList& pairs, const std::string& driver);

// Adds a Qt SQL connection named `connection_name` configured from the
// connection string `pairs` (not yet opened). Raises EADOError naming the
// provider when it is not supported or its Qt driver is missing.
QSqlDatabase AddProviderDatabase(const TValList& pairs, const QString& connection_name);

}  // namespace app
