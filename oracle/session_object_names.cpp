// The lists of a session's tables, views and stored procedures, read with
// the layer's own record set.
#include "classlib/strings.h"
#include "dacore/driver_props.h"
#include "oracle/conn_oci_connection.h"
#include "oracle/rset_oci_record_set.h"
#include "oracle/session_object_lists.h"
#include "oracle/session_ora_session.h"

namespace oracle {

namespace {

constexpr const char* kAllTables =
    "SELECT Owner || '.' || Object_Name Name FROM All_Objects WHERE Object_Type in ('TABLE', 'VIEW') "
    "ORDER BY Owner, Object_Name";
constexpr const char* kOwnTables =
    "SELECT User || '.' || Object_Name Name FROM User_Objects WHERE Object_Type in ('TABLE', 'VIEW') "
    "ORDER BY Object_Name";
constexpr const char* kAllProcedures =
    "SELECT Lower(owner) || '.' || object_name name FROM all_objects WHERE object_type in "
    "('PROCEDURE','FUNCTION') ORDER BY owner, object_name";
constexpr const char* kOwnProcedures =
    "SELECT Lower(user) || '.' || object_name name FROM user_objects WHERE object_type in "
    "('PROCEDURE','FUNCTION') ORDER BY object_name";
constexpr const char* kAllPackaged =
    "SELECT DISTINCT Lower(owner) || '.' || package_name || '.' || object_name proc_name FROM all_arguments "
    "WHERE package_name IS NOT NULL AND package_name <> object_name "
    "UNION SELECT Lower(owner) || '.' || object_name || ' (INVALID)' FROM all_objects "
    "WHERE object_type = 'PACKAGE' AND status <> 'VALID' ORDER BY 1";
constexpr const char* kOwnPackaged =
    "SELECT DISTINCT Lower(user) || '.' || package_name || '.' || object_name proc_name FROM user_arguments "
    "WHERE package_name IS NOT NULL AND package_name <> object_name "
    "UNION SELECT Lower(user) || '.' || object_name || ' (INVALID)' FROM user_objects "
    "WHERE object_type = 'PACKAGE' AND status <> 'VALID' ORDER BY 1";

// The first column of every row of a query.
std::vector<std::string> FirstColumn(TOCIConnection& connection, const char* sql) {
  TOCIRecordSet record_set;
  record_set.SetConnection(&connection);
  record_set.SetSQL(sql);
  record_set.SetProp(dacore::prFetchAll, true);
  record_set.Open();
  std::vector<std::string> names;
  for (dacore::ItemHeader* item = record_set.FirstItem(); item; item = item->next) {
    classlib::Variant value;
    record_set.GetFieldAsVariant(1, dacore::ItemRecord(item), value);
    names.push_back(classlib::VarIsNull(value) ? std::string() : value.AsString());
  }
  return names;
}

// Runs `read` on a connected session: one that is not connected connects
// for the call and disconnects again.
template <typename Read>
void WhileConnected(TOraSession& session, Read read) {
  const bool was_connected = session.Connected();
  if (!was_connected) session.SetConnected(true);
  try {
    read(*session.OCIConnection());
  } catch (...) {
    if (!was_connected) session.SetConnected(false);
    throw;
  }
  if (!was_connected) session.SetConnected(false);
}

void Fill(classlib::TStrings& list, const std::vector<std::string>& names) {
  list.Clear();
  for (const std::string& name : names) list.Add(name);
}

}  // namespace

void TOraSession::GetTableNames(classlib::TStrings& list, bool all_objects) {
  WhileConnected(*this, [&](TOCIConnection& connection) {
    Fill(list, FirstColumn(connection, all_objects ? kAllTables : kOwnTables));
  });
}

void TOraSession::GetStoredProcNames(classlib::TStrings& list, bool all_objects) {
  WhileConnected(*this, [&](TOCIConnection& connection) {
    const std::vector<std::string> alone = FirstColumn(connection, all_objects ? kAllProcedures : kOwnProcedures);
    const std::vector<std::string> packaged = FirstColumn(connection, all_objects ? kAllPackaged : kOwnPackaged);
    Fill(list, MergeSortedNames(alone, packaged));
  });
}

}  // namespace oracle
