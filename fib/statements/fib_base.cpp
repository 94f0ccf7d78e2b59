#include "fib/statements/fib_base.h"

#include <algorithm>

#include "classlib/component.h"
#include "fib/base/component_name.h"
#include "fib/base/errors.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_transaction.h"

namespace fib {

TFIBBase::TFIBBase(classlib::TObject* owner) : owner_(owner) {}

TFIBBase::~TFIBBase() {
  SetTransaction(nullptr);
  SetDatabase(nullptr);
}

bool TFIBBase::OwnerIsLoading() const {
  auto* component = dynamic_cast<classlib::TComponent*>(owner_);
  for (; component != nullptr; component = component->Owner())
    if (component->ComponentState().Contains(classlib::csLoading)) return true;
  return false;
}

std::string TFIBBase::OwnerName() const {
  return FullComponentName(dynamic_cast<classlib::TComponent*>(owner_));
}

void TFIBBase::SetDatabase(TFIBDatabase* database) {
  if (database == database_) return;
  if (database_ != nullptr) database_->RemoveLink(this);
  database_ = nullptr;
  if (database == nullptr) return;
  database->AddLink(this);
  if (transaction_ == nullptr && !OwnerIsLoading())
    SetTransaction(database->DefaultTransaction());
}

void TFIBBase::SetTransaction(TFIBTransaction* transaction) {
  if (transaction == transaction_) return;
  if (transaction_ != nullptr) transaction_->RemoveLink(this);
  transaction_ = nullptr;
  if (transaction == nullptr) return;
  transaction->AddLink(this);
  if (transaction->DatabaseCount() > 0 && transaction->FindDatabase(database_) < 0)
    SetDatabase(transaction->MainDatabase());
}

void TFIBBase::CheckDatabase() {
  if (database_ == nullptr) RaiseClientError(21, {OwnerName()});
  database_->CheckActive();
}

void TFIBBase::CheckTransaction() {
  if (transaction_ == nullptr) RaiseClientError(22, {OwnerName()});
  transaction_->CheckActive();
}

isc_db_handle* TFIBBase::DBHandle() {
  CheckDatabase();
  return database_->HandleAddress();
}

isc_tr_handle* TFIBBase::TRHandle() {
  CheckTransaction();
  return transaction_->HandleAddress();
}

}  // namespace fib
