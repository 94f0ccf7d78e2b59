// What a failed connection tells the administrator. Drivers answer in their
// own English and run several messages together on one line (an ODBC driver
// manager repeats a driver's message for each attempt); the window shows
// each message once, on a line of its own, and first says in Russian what is
// missing and what to do when the failure is a missing client part.
#pragma once

#include <string>
#include <vector>

class QSqlError;

namespace app {

// The messages of a Qt SQL error: the database's text split into its ODBC
// diagnostic records (each begins with "[vendor][component]"), then the
// driver's own text; blanks around each trimmed, empty ones dropped.
std::vector<std::string> ConnectionErrorMessages(const QSqlError& error);

// The Russian sentence for a failure of `provider` whose messages say its
// client part is missing: the ODBC driver of SQL Server (naming
// `odbc_driver`) or the Oracle client library. Empty for any other failure.
std::string MissingClientAdvice(const std::string& provider, const std::string& odbc_driver,
                                const std::vector<std::string>& messages);

// The advice (when there is one) and the messages, one a line ("\r\n"
// between them), each message once in the order first given.
std::string ConnectionFailureText(const std::string& advice,
                                  const std::vector<std::string>& messages);

}  // namespace app
