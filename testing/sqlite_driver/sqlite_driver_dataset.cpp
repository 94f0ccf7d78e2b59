// The SQLite test driver's data set.
#include "testing/sqlite_driver/sqlite_driver_dataset.h"

#include <sqlite3.h>

#include "dacore/comp_connection.h"
#include "testing/sqlite_driver/sqlite_driver_connection.h"
#include "testing/sqlite_driver/sqlite_driver_lexer.h"
#include "testing/sqlite_driver/sqlite_driver_sql.h"

namespace sqlite_driver {

using namespace dacore;

TSQLiteDataSet::TSQLiteDataSet(classlib::TComponent* owner) : TCustomDADataSet(owner) { InitCommand(); }

std::unique_ptr<TCustomDASQL> TSQLiteDataSet::CreateCommand() { return std::make_unique<TSQLiteSQL>(nullptr, this); }

std::string TSQLiteDataSet::AddWhere(const std::string& sql, const std::string& condition) {
  return SQLiteAddWhere(sql, condition);
}

std::string TSQLiteDataSet::DeleteWhere(const std::string& sql) { return RemoveClause(sql, lxWHERE); }

std::string TSQLiteDataSet::DeleteOrderBy(const std::string& sql) { return RemoveClause(sql, lxORDER); }

std::string TSQLiteDataSet::SetOrderBy(const std::string& sql, const std::string& fields) {
  return SQLiteSetOrderBy(sql, fields);
}

void TSQLiteDataSet::DetectKeyFields(std::vector<TCRFieldDesc*>& key_fields) {
  TCRTableInfo* table = UpdatingTableInfo();
  TCustomDAConnection* connection = GetUsedConnection();
  if (!table || !connection || !connection->IConnection()) return;
  sqlite3* db = static_cast<TSQLiteConnection*>(connection->IConnection())->Handle(this);
  for (int i = 0; i < RecordSet()->GetFieldCount(); ++i) {
    auto* field = dynamic_cast<TCRFieldDesc*>(RecordSet()->Fields().GetItems(i));
    if (!field || field->TableInfo() != table) continue;
    int primary_key = 0;
    if (sqlite3_table_column_metadata(db, nullptr, table->TableName().c_str(), field->ActualName().c_str(), nullptr,
                                      nullptr, nullptr, &primary_key, nullptr) == SQLITE_OK &&
        primary_key)
      key_fields.push_back(field);
  }
}

bool TSQLiteDataSet::GetCanModify() const {
  if (TCustomDADataSet::GetCanModify()) return true;
  if (ReadOnly() || UniDirectional()) return false;
  return const_cast<TSQLiteDataSet*>(this)->UpdatingTableInfo() != nullptr;
}

}  // namespace sqlite_driver
