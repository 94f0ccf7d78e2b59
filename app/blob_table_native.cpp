#include "app/blob_table_native.h"

#include "app/blob_transfer_mssql.h"
#include "app/blob_transfer_oracle.h"
#include "fib/zod/zod_database.h"

namespace app {

std::unique_ptr<IBlobTable> NativeBlobTable(const std::string& db_type,
                                            const TScriptComponents& c,
                                            TFirebirdBlobDataSet* zodDS) {
  if (db_type == "FIREBIRD" || db_type == "INTRBASE") {
    if (c.zodDB == nullptr || c.zodTrans == nullptr || c.zodQ == nullptr || zodDS == nullptr)
      return nullptr;
    return std::make_unique<TFirebirdBlobTable>(*c.zodDB, *c.zodTrans, *c.zodQ, *zodDS);
  }
  if (db_type == "MSSQL" && c.qLX != nullptr) return std::make_unique<TSqlServerBlobTable>(*c.qLX);
  if (db_type == "ORACLE" && c.oraQ != nullptr) return std::make_unique<TOracleBlobTable>(*c.oraQ);
  return nullptr;
}

}  // namespace app
