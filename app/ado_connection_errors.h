// What a failed connection tells the administrator. Drivers answer in their
// own English and run several messages together on one line (an ODBC driver
// manager repeats a driver's message for each attempt); the window shows
// each message once, on a line of its own, and first says in Russian what
// went wrong and what to do when the cause is known: a missing client part,
// no database file or server named, a file that is not there, a server that
// does not answer.
#pragma once

#include <string>
#include <vector>

class QSqlError;

namespace app {

class TValList;

// The messages of a Qt SQL error: the database's text split into its ODBC
// diagnostic records (each begins with "[vendor][component]"), then the
// driver's own text; blanks around each trimmed, empty ones dropped. The Qt
// driver's name before a message ("QODBC: ") is dropped, and the Oracle
// layer's words about its client library are said in Russian.
std::vector<std::string> ConnectionErrorMessages(const QSqlError& error);
// The same for a text of messages one a line (a data-access layer's error).
std::vector<std::string> ConnectionErrorMessages(const std::string& text);

// Whose account a connection presents: the one typed on the first page, or
// the database account stored for the product user who logged in.
enum class TAccountOrigin { kTyped, kStored };

// The Russian sentence for a failed connection of `pairs` (its Provider,
// and Data Source for SQL Server and Oracle) whose messages tell a known
// cause: the ODBC driver of SQL Server (naming `odbc_driver`) or the Oracle
// client library is missing; the Firebird location names no file or no
// server, or a file that is not there; the server does not answer, or the
// port answers but is no Firebird or SQL Server server the client can talk
// to; no Oracle listener answers for the service, or the client cannot
// resolve the service name (ORA-12541, ORA-12154); the server refused the
// user name or password (what to do depends on whose account it was).
// Empty for any other failure.
std::string ConnectionFailureAdvice(const TValList& pairs, const std::string& odbc_driver,
                                    const std::vector<std::string>& messages,
                                    TAccountOrigin account);

// True when the messages are a server's refusal of the user name or
// password: Firebird's "not defined", Oracle's ORA-01017, SQL Server's
// login failure (error 18456).
bool SaysLoginRefused(const std::vector<std::string>& messages);

// The advice (when there is one) and the messages, one a line ("\r\n"
// between them), each message once in the order first given.
std::string ConnectionFailureText(const std::string& advice,
                                  const std::vector<std::string>& messages);

}  // namespace app
