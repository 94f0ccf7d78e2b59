// The calls a statement sends and how their replies are read: open and
// close cursor, the all-in-one call that parses, binds, executes and
// fetches, and the describe calls. Every call answers a call status; the
// server's error goes to the error handle (which may be null).
#pragma once

#include <cstdint>
#include <vector>

#include "oranet/oci_error.h"
#include "oranet/stmt_statement.h"
#include "oranet/ttc_writer.h"

namespace oranet {

// Base option bits of the all-in-one call.
constexpr uint32_t kCallParse = 0x01;
constexpr uint32_t kCallExecute = 0x20;
constexpr uint32_t kCallFetch = 0x40;

// The status kind of a query, which is described at once.
constexpr int kStatementKindQuery = 3;
// The server's "no data found".
constexpr int kNoDataError = 1403;
// A value longer than its buffer, as the client library reports it.
constexpr int kTruncatedError = 1406;
inline constexpr const char* kTruncatedText = "ORA-01406: fetched column value was truncated";

// Keeps what a status message says of the statement and sets the error
// handle; 1403 answers OCI_NO_DATA except for PL/SQL blocks.
sword StatementStatus(TNetStatement& statement, const TTtcStatus& status, TNetError* error);

// The options word of an all-in-one call with the caller's base bits.
uint32_t AllInOneOptions(const TNetStatement& statement, uint32_t base);

// Executes `iterations` rows of the prepared text (opening a cursor
// first when there is none). A query is described at once; mode bit 0x20
// commits after success; mode bit 0x10 describes without executing.
sword StmtExecute(TNetStatement& statement, TNetError* error, ub4 iterations, ub4 mode);
// Fetches up to `rows` rows into the defines; OCI_NO_DATA at the end.
sword StmtFetch(TNetStatement& statement, TNetError* error, ub4 rows);
// Describes the prepared text (or the open cursor) into the columns.
sword StmtDescribe(TNetStatement& statement, TNetError* error, bool withText);
// Closes the server's cursor and clears the lists.
sword StmtClose(TNetStatement& statement, TNetError* error);
// As StmtClose for a handle being freed: failures are dropped.
void CloseCursorQuietly(TNetStatement& statement);

// The reply of an all-in-one call: row headers, rows, bind vectors
// (answered with bind rows), return parameters, up to the status.
sword ReadCallReply(TTtcReader& reader, TTtcWriter& writer, TNetStatement& statement, TNetError* error);
// The column list of a describe reply (servers from 8000).
sword ReadDescribeReply(TTtcReader& reader, TNetStatement& statement, TNetError* error);
// The column list of an older server's describe reply.
sword ReadOldDescribeReply(TTtcReader& reader, TNetStatement& statement, TNetError* error);

}  // namespace oranet
