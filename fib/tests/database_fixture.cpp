#include "database_fixture.h"

#include "fib/base/errors.h"
#include "fib/base/param_blocks.h"

namespace fib_test {

void ExecuteSql(fib::IIBClientLibrary& library, isc_db_handle* handle, const std::string& sql,
                int dialect) {
  ISC_STATUS* status = fib::StatusVector();
  isc_tr_handle transaction = 0;
  fib::TransactionExistenceBlock teb{handle, 0, nullptr};
  fib::CheckClientCall(library.isc_start_multiple(status, &transaction, 1, &teb), true, library,
                       nullptr);
  fib::CheckClientCall(library.isc_dsql_execute_immediate(status, handle, &transaction, 0,
                                                          sql.c_str(), dialect, nullptr),
                       true, library, nullptr);
  fib::CheckClientCall(library.isc_commit_transaction(status, &transaction), true, library,
                       nullptr);
}

void SetUpdaterParams(fib::TFIBDatabase& database, const std::string& password) {
  database.DBParams().SetText("user_name=SYSDBA\r\npassword=" + password +
                              "\r\nlc_ctype=WIN1251");
}

DatabaseTest::DatabaseTest() {
  ExecuteSql(file_.Library(), file_.Handle(), "CREATE TABLE T (V INTEGER)");
  observer_ = NewDatabase();
  observer_->SetSynchronizeTime(false);
  observer_->Connect();
}

std::unique_ptr<fib::TFIBDatabase> DatabaseTest::NewDatabase(classlib::TComponent* owner) {
  auto database = std::make_unique<fib::TFIBDatabase>(owner);
  database->SetDBName(file_.Path());
  SetUpdaterParams(*database);
  database->SetSQLDialect(3);
  return database;
}

int DatabaseTest::CountCommitted(int value) {
  classlib::Variant args[] = {classlib::Variant(value)};
  return static_cast<int>(
      observer_->QueryValue("select count(*) from T where V = ?", 0, args).AsInt64());
}

void DatabaseTest::Insert(fib::TFIBDatabase& database, fib::TFIBTransaction& transaction,
                          int value) {
  classlib::Variant args[] = {classlib::Variant(value)};
  database.QueryValue("insert into T (V) values (?)", 0, args, &transaction);
}

}  // namespace fib_test
