// The components and driver objects a session makes for its clients.
#include "oracle/query_ora_dataset.h"
#include "oracle/query_ora_sql.h"
#include "oracle/rset_oci_record_set.h"
#include "oracle/session_ora_session.h"

namespace oracle {

std::unique_ptr<dacore::TCustomDASQL> TOraSession::CreateSQL() {
  auto sql = std::make_unique<TOraSQL>();
  sql->SetConnection(this);
  return sql;
}

std::unique_ptr<dacore::TCustomDADataSet> TOraSession::CreateDataSet() {
  auto data_set = std::make_unique<TOraQuery>();
  data_set->SetConnection(this);
  return data_set;
}

std::unique_ptr<dacore::TCRRecordSet> TOraSession::CreateIRecordSet() { return std::make_unique<TOCIRecordSet>(); }

std::unique_ptr<dacore::TCRCommand> TOraSession::CreateICommand() { return std::make_unique<TOCICommand>(); }

}  // namespace oracle
