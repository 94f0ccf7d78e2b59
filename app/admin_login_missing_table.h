// A statement of the login that failed because the database lacks one of
// the product's tables: the database chosen on the first page is then no
// product database, and the window says so instead of showing the
// statement and the server's English.
#pragma once

#include <string>
#include <vector>

namespace app {

// True when the messages of a failed statement say that `table` is not
// there, in each server's words: Firebird's "Table unknown" (the name on a
// line of its own), SQL Server's "Invalid object name", SQLite's "no such
// table" (the SQL Server stand-in), and Oracle's ORA-00942, which names no
// table and so counts for every table the statement reads.
bool SaysTableMissing(const std::vector<std::string>& messages, const std::string& table);

// The sentence (ANSI) for a failed statement that reads `tables`, naming the
// missing one (for ORA-00942 each of them, joined by " или "); empty when
// the messages say no such thing.
std::string NotAProductDatabaseText(const std::vector<std::string>& messages,
                                    const std::vector<std::string>& tables);

}  // namespace app
