// The row of BO_VERSION that records the release a database update brought
// the database to: ID NextVersionId, BDVERSION ResultVersion, UPDATEUSER
// LoginUserName, UPDATEDATE the server's clock, UPDATELOG NULL.
#pragma once

#include <cstdint>
#include <string>

#include "app/execute_statement_native.h"
#include "app/progress_view.h"

namespace app {

// The INSERT for a server kind; the texts become SQL literals (apostrophes
// doubled), so a name like O'Brien is stored as written.
std::string VersionInsertStatement(const std::string& db_type, int32_t id,
                                   const std::string& version, const std::string& user);

// The MSSQL batch tried first: the insert between SET IDENTITY_INSERT ON
// and OFF, for a version table whose ID is an identity column.
std::string VersionIdentityInsertBatch(int32_t id, const std::string& version,
                                       const std::string& user);

// Writes the row for DBType on the native connection, opening it when it is
// closed. Does nothing with AlwaysUpdateDB. On MSSQL the plain insert
// follows when the identity batch fails. A failure is logged as a block
// holding the server's message and the failing statement; returns false.
bool WriteVersionRecord(IProgressView& view, const TScriptComponents& components);

}  // namespace app
