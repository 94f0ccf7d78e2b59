// Table and column names from the system tables, through a pooled
// statement on the database's internal transaction.
#include "classlib/ansistr.h"
#include "fib/statements/cache_queries.h"
#include "fib/statements/fib_query.h"
#include "fib/zod/zod_database.h"

namespace fib {
namespace {

const char kTableNamesSql[] =
    "Select RDB$RELATION_NAME from RDB$RELATIONS where RDB$VIEW_BLR is NULL @SYS ORDER BY "
    "RDB$RELATION_NAME";
const char kUserTablesOnly[] = "and RDB$SYSTEM_FLAG = 0";
const char kAllFieldNamesSql[] =
    "Select RDB$FIELD_NAME  from RDB$RELATION_FIELDS R where R.RDB$RELATION_NAME = :TN ORDER BY "
    "R.RDB$FIELD_POSITION ";
const char kStoredFieldNamesSql[] =
    "Select R.RDB$FIELD_NAME  from  RDB$RELATION_FIELDS R join rdb$fields R2 on "
    "(R.RDB$FIELD_SOURCE = R2.RDB$FIELD_NAME) where R.RDB$RELATION_NAME = :TN AND "
    "R2.RDB$COMPUTED_SOURCE IS NULL ORDER BY R.RDB$FIELD_POSITION";

// Gives the pooled statement back however the reading ends.
class PooledQuery {
 public:
  PooledQuery(TFIBTransaction& transaction, const std::string& sql)
      : query_(AcquirePooledQuery(&transaction, sql)) {}
  ~PooledQuery() { ReleasePooledQuery(query_); }
  PooledQuery(const PooledQuery&) = delete;
  PooledQuery& operator=(const PooledQuery&) = delete;
  TFIBQuery* operator->() const { return query_; }

 private:
  TFIBQuery* query_;
};

}  // namespace

void TpZODDatabase::GetTableNames(classlib::TStrings& names, bool with_system_tables) {
  FillFromCatalogue(kTableNamesSql, with_system_tables ? "" : kUserTablesOnly, nullptr, names);
}

void TpZODDatabase::GetFieldNames(const std::string& table_name, classlib::TStrings& names,
                                  bool with_computed_fields) {
  std::string name = SQLDialect() == 1 ? classlib::AnsiUpperCase(table_name) : table_name;
  FillFromCatalogue(with_computed_fields ? kAllFieldNamesSql : kStoredFieldNamesSql, "", &name,
                    names);
}

// `sys_macro` fills the SYS macro of the table query; `table_name`, when
// given, the TN parameter of the field queries.
void TpZODDatabase::FillFromCatalogue(const std::string& sql, const std::string& sys_macro,
                                      const std::string* table_name, classlib::TStrings& names) {
  CheckActive();
  TFIBTransaction& transaction = InternalTransaction();
  PooledQuery query(transaction, sql);
  names.Clear();
  query->Close();
  query->SetOptions({qoStartTransaction, qoTrimCharFields});
  if (table_name != nullptr)
    query->ParamByName("TN").SetAsString(*table_name);
  else
    query->ParamByName("@SYS").SetAsString(sys_macro);
  query->ExecQuery();
  while (!query->Eof()) {
    names.Add(query->Fields(0).AsString());
    query->Next();
  }
  query->Close();
  if (transaction.Active()) transaction.Commit();
}

}  // namespace fib
