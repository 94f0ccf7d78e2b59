#include "oracle/call_entries.h"
#include "oracle/call_entries_statements.h"
#include "oranet/oci_install_entry.h"
#include "oranet/stmt_entries.h"

namespace oranet {

void InstallStatementEntries() {
  Install(oracle::OCIStmtPrepare, NetStmtPrepare);
  Install(oracle::OCIBindByName, NetBindByName);
  Install(oracle::OCIBindByPos, NetBindByPos);
  Install(oracle::OCIBindArrayOfStruct, NetBindArrayOfStruct);
  Install(oracle::OCIBindDynamic, NetBindDynamic);
  Install(oracle::OCIDefineByPos, NetDefineByPos);
  Install(oracle::OCIDefineArrayOfStruct, NetDefineArrayOfStruct);
  Install(oracle::OCIDefineDynamic, NetDefineDynamic);
  Install(oracle::OCIStmtExecute, NetStmtExecute);
  Install(oracle::OCIStmtFetch, NetStmtFetch);
}

}  // namespace oranet
