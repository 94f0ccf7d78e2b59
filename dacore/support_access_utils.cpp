// TDBAccessUtils: the operations on a data set or statement component.
#include "dacore/support_access_utils.h"

#include "dacore/comp_connection.h"
#include "dacore/dataset_component.h"
#include "dacore/sql_component.h"

namespace dacore {

namespace {

// The statement component that holds obj's text and parameters: the object
// itself or a data set's internal one.
TCustomDASQL& StatementOf(classlib::TObject* obj) {
  classlib::Assert(obj != nullptr, __FILE__, __LINE__, "Obj is nil");
  if (auto* sql = dynamic_cast<TCustomDASQL*>(obj)) return *sql;
  auto* data_set = dynamic_cast<TCustomDADataSet*>(obj);
  classlib::Assert(data_set != nullptr, __FILE__, __LINE__, "Obj is " + obj->ClassName());
  return data_set->Command();
}

TCustomDADataSet* DataSetOf(classlib::TObject* obj) {
  StatementOf(obj);
  return dynamic_cast<TCustomDADataSet*>(obj);
}

}  // namespace

void TDBAccessUtils::InternalConnect(TCustomDAConnection* connection) {
  classlib::Assert(connection != nullptr, __FILE__, __LINE__, "Obj is nil");
  connection->InternalConnect();
}

void TDBAccessUtils::InternalDisconnect(TCustomDAConnection* connection) {
  classlib::Assert(connection != nullptr, __FILE__, __LINE__, "Obj is nil");
  connection->InternalDisconnect();
}

void TDBAccessUtils::SetAutoCommit(classlib::TObject* obj, bool value) {
  if (TCustomDADataSet* data_set = DataSetOf(obj)) data_set->SetAutoCommit(value);
  else StatementOf(obj).SetAutoCommit(value);
}

void TDBAccessUtils::SetDesignCreate(classlib::TObject* obj, bool value) {
  TCustomDASQL& statement = StatementOf(obj);
  statement.design_create_ = value;
}

bool TDBAccessUtils::GetDesignCreate(classlib::TObject* obj) { return StatementOf(obj).design_create_; }

classlib::TStringList& TDBAccessUtils::GetSQL(classlib::TObject* obj) { return StatementOf(obj).SQL(); }

void TDBAccessUtils::SetSQLText(classlib::TObject* obj, const std::string& sql, bool lock_scan_params,
                                bool lock_macros) {
  StatementOf(obj).SetSQLText(sql, lock_scan_params, lock_macros);
}

TDAParams& TDBAccessUtils::GetParams(classlib::TObject* obj) { return StatementOf(obj).Params(); }

void TDBAccessUtils::Execute(classlib::TObject* obj) {
  if (TCustomDADataSet* data_set = DataSetOf(obj)) data_set->Execute();
  else StatementOf(obj).Execute();
}

int TDBAccessUtils::GetRowsAffected(classlib::TObject* obj) {
  if (TCustomDADataSet* data_set = DataSetOf(obj)) return data_set->RowsAffected();
  return StatementOf(obj).RowsAffected();
}

TCRCommand* TDBAccessUtils::GetICommand(classlib::TObject* obj) {
  if (TCustomDADataSet* data_set = DataSetOf(obj)) return data_set->ICommand();
  return StatementOf(obj).ICommand();
}

TCRRecordSet* TDBAccessUtils::GetIRecordSet(classlib::TObject* obj) {
  TCustomDADataSet* data_set = DataSetOf(obj);
  classlib::Assert(data_set != nullptr, __FILE__, __LINE__, "Obj is " + obj->ClassName());
  return data_set->IRecordSet();
}

}  // namespace dacore
