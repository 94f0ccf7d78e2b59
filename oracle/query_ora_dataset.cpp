// The Oracle data set.
#include "oracle/query_ora_dataset.h"

#include "classlib/ansistr.h"
#include "classlib/field.h"
#include "oracle/query_sql_text.h"
#include "oracle/session_ora_session.h"

namespace oracle {

using namespace dacore;

namespace {
// Oracle names are at most 30 characters; "LOCK_" leaves 25 for the component.
constexpr size_t kSavepointNameRoom = 25;
}  // namespace

TOraDataSet::TOraDataSet(classlib::TComponent* owner) : TCustomDADataSet(owner) {
  InitUpdateTexts();
  InitCommand();
}

TOraSession* TOraDataSet::Session() const { return dynamic_cast<TOraSession*>(TCustomDADataSet::GetUsedConnection()); }

void TOraDataSet::SetSession(TOraSession* session) { SetConnection(session); }

void TOraDataSet::SetKeySequence(const std::string& name) { key_sequence_ = classlib::AnsiUpperCase(name); }

std::string TOraDataSet::LockSavepointName() const {
  const std::string& name = Name();
  return "LOCK_" + (name.size() > kSavepointNameRoom ? name.substr(name.size() - kSavepointNameRoom) : name);
}

std::unique_ptr<TCustomDASQL> TOraDataSet::CreateCommand() { return std::make_unique<TOraSQL>(nullptr, this); }

TCustomDAConnection* TOraDataSet::GetUsedConnection() const {
  if (TCustomDAConnection* connection = TCustomDADataSet::GetUsedConnection()) return connection;
  return TOraSession::DefaultSession();
}

TStatementTypes TOraDataSet::GetSupportedStatementTypes() const {
  return {stInsert, stUpdate, stDelete, stLock, stRefresh};
}

std::string TOraDataSet::AddWhere(const std::string& sql, const std::string& condition) {
  return AddWhereToSQL(sql, condition);
}

std::string TOraDataSet::DeleteWhere(const std::string& sql) { return DeleteWhereInSQL(sql); }

std::string TOraDataSet::SetOrderBy(const std::string& sql, const std::string& fields) {
  return SetOrderByInSQL(sql, fields);
}

std::string TOraDataSet::DeleteOrderBy(const std::string& sql) { return DeleteOrderByInSQL(sql); }

void TOraDataSet::BeforeExecute() {
  if (!Prepared()) Prepare();
}

int TOraDataSet::GetRecCount() {
  TCustomDAConnection* connection = GetUsedConnection();
  if (!connection) return 0;
  std::unique_ptr<TCustomDADataSet> counter = connection->CreateDataSet();
  counter->SetSQL(RecordCountSQL(FinalSQL()));
  counter->Params().Assign(&Params());
  counter->Open();
  const int count = counter->IsEmpty() ? 0 : counter->FieldByNumber(1)->AsInteger();
  counter->Close();
  return count;
}

}  // namespace oracle
