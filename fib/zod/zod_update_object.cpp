#include "fib/zod/zod_update_object.h"

#include <algorithm>

#include "fib/base/errors.h"

namespace fib {

// ---- lists ----

// Objects of equal order keep the order they were added in.
void TUpdateObjectLists::Add(TpZODUpdateObject* object) {
  auto& list = lists_[object->KindUpdate()];
  auto place = std::upper_bound(list.begin(), list.end(), object,
                                [](const TpZODUpdateObject* a, const TpZODUpdateObject* b) {
                                  return a->OrderInList() < b->OrderInList();
                                });
  list.insert(place, object);
}

void TUpdateObjectLists::Remove(TpZODUpdateObject* object) {
  for (auto& list : lists_) std::erase(list, object);
}

std::vector<TpZODUpdateObject*> TUpdateObjectLists::ToRun(classlib::TUpdateKind kind,
                                                          TFIBOrderExecUO order) const {
  std::vector<TpZODUpdateObject*> run;
  for (TpZODUpdateObject* object : lists_[kind])
    if (object->Active() && object->ExecuteOrder() == order) run.push_back(object);
  return run;
}

// ---- update object ----

TpZODUpdateObject::TpZODUpdateObject(classlib::TComponent* owner) : TpZODQuery(owner) {
  SetParamCheck(true);
}

TpZODUpdateObject::~TpZODUpdateObject() {
  if (IUpdateObjectHost* host = Host()) host->UpdateObjects().Remove(this);
}

IUpdateObjectHost* TpZODUpdateObject::Host() const {
  return dynamic_cast<IUpdateObjectHost*>(data_set_);
}

void TpZODUpdateObject::SetDataSet(classlib::TComponent* data_set) {
  if (data_set == data_set_) return;
  auto* host = dynamic_cast<IUpdateObjectHost*>(data_set);
  if (data_set != nullptr && host == nullptr)
    RaiseClientErrorMsg("%s is not TpZODDataSet", {data_set->Name()});
  if (IUpdateObjectHost* old = Host()) {
    old->UpdateObjects().Remove(this);
    data_set_->RemoveFreeNotification(this);
  }
  data_set_ = data_set;
  if (host == nullptr) return;
  data_set_->FreeNotification(this);
  host->UpdateObjects().Add(this);
  if (Database() == nullptr) SetDatabase(host->HostDatabase());
  if (Transaction() == nullptr) SetTransaction(host->HostTransaction());
}

// Order and kind decide the place in the host's lists.
void TpZODUpdateObject::Refile(const std::function<void()>& change) {
  IUpdateObjectHost* host = Host();
  if (host != nullptr) host->UpdateObjects().Remove(this);
  change();
  if (host != nullptr) host->UpdateObjects().Add(this);
}

void TpZODUpdateObject::SetOrderInList(int order) {
  Refile([&] { order_in_list_ = order; });
}

void TpZODUpdateObject::SetKindUpdate(classlib::TUpdateKind kind) {
  Refile([&] { kind_ = kind; });
}

void TpZODUpdateObject::Notification(classlib::TComponent* component,
                                     classlib::TOperation operation) {
  TpZODQuery::Notification(component, operation);
  // The dying data set cannot be called into any more.
  if (operation == classlib::opRemove && component == data_set_) data_set_ = nullptr;
}

}  // namespace fib
