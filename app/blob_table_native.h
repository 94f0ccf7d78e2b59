// The binary-column access of the server kind an update runs on, built from
// the window's native components.
#pragma once

#include <memory>
#include <string>

#include "app/blob_transfer_firebird.h"
#include "app/execute_statement_native.h"

namespace app {

class IBlobTable;

// The table access of `db_type` ("FIREBIRD", "INTRBASE", "MSSQL", "ORACLE"), or
// nullptr when the kind has none or a component it needs is missing: the
// script connection of such a kind refuses to run anyway.
std::unique_ptr<IBlobTable> NativeBlobTable(const std::string& db_type,
                                            const TScriptComponents& components,
                                            TFirebirdBlobDataSet* zodDS);

}  // namespace app
