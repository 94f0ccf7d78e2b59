#include "fib/zod/zod_transaction.h"

#include "fib/statements/db_aliases.h"
#include "fib/zod/zod_database.h"

namespace fib {

TpZODTransaction::TpZODTransaction(classlib::TComponent* owner) : TFIBTransaction(owner) {}

std::string TpZODTransaction::About() const { return LayerVersionText(); }

TpZODDatabase* TpZODTransaction::ZODDatabase() const {
  return dynamic_cast<TpZODDatabase*>(DefaultDatabase());
}

void TpZODTransaction::ApplyPreset() {
  switch (tpb_mode_) {
    case tpbReadCommitted:
      TRParams().SetText("write\nisc_tpb_nowait\nrec_version\nread_committed");
      break;
    // A snapshot: the server refuses rec_version without read_committed.
    case tpbRepeatableRead: TRParams().SetText("write\nisc_tpb_nowait\nconcurrency"); break;
    case tpbDefault: break;
  }
}

void TpZODTransaction::StartTransaction() {
  if (Active()) return;
  ApplyPreset();
  TpZODDatabase* database = ZODDatabase();
  if (database && database->BeforeStartTransaction) database->BeforeStartTransaction(this);
  if (BeforeStart) BeforeStart(this);
  TFIBTransaction::StartTransaction();
  if (AfterStart) AfterStart(this);
  // Looked up again: a handler may have changed the default database.
  database = ZODDatabase();
  if (database && database->AfterStartTransaction) database->AfterStartTransaction(this);
}

void TpZODTransaction::EndTransaction(TTransactionAction action, bool force) {
  TpZODDatabase* database = ZODDatabase();
  if (database && database->BeforeEndTransaction)
    database->BeforeEndTransaction(this, action, force);
  if (BeforeEnd) BeforeEnd(this, action, force);
  TFIBTransaction::EndTransaction(action, force);
  if (AfterEnd) AfterEnd(this, action, force);
  database = ZODDatabase();
  if (database && database->AfterEndTransaction) database->AfterEndTransaction(this, action, force);
}

void TpZODTransaction::DoSQLExecute(classlib::TObject* statement, uint8_t kind) {
  auto* query = dynamic_cast<TFIBQuery*>(statement);
  if (query == nullptr) return;
  if (kind == 0 && BeforeSQLExecute) BeforeSQLExecute(query, query->SQLType());
  if (kind == 1 && AfterSQLExecute) AfterSQLExecute(query, query->SQLType());
}

void TpZODTransaction::SetUserKindTransaction(const std::string& kind) {
  user_kind_ = kind;
  const classlib::TComponentState state = ComponentState();
  if (!state.Contains(classlib::csDesigning) || state.Contains(classlib::csLoading)) return;
  if (kind == kNoUserKind) return;
  std::optional<std::string> params = ReadTransactionKindParams(kind);
  if (!params) return;
  tpb_mode_ = tpbDefault;
  TRParams().SetText(*params);
}

}  // namespace fib
