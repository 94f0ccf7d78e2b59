#include "fib/dataset/datasets_container.h"

#include <algorithm>

#include "classlib/ansistr.h"
#include "classlib/exceptions.h"

namespace fib {

TDataSetsContainer::TDataSetsContainer(classlib::TComponent* owner) : TComponent(owner) {}

// The component's destruction tells the data sets and the containers that
// point here, so none keeps a dangling reference; the data sets leave the
// master chain that only this container linked them to.
TDataSetsContainer::~TDataSetsContainer() {
  if (master_ == nullptr) return;
  for (classlib::TDataSet* data_set : data_sets_) master_->RemoveDataSet(data_set);
}

// ---- the chain ----

bool TDataSetsContainer::InMasterChain(const TDataSetsContainer* container) const {
  // The chain is acyclic (SetMasterContainer refuses cycles), so this ends.
  for (const TDataSetsContainer* link = master_; link != nullptr; link = link->master_)
    if (link == container) return true;
  return false;
}

void TDataSetsContainer::SetMasterContainer(TDataSetsContainer* master) {
  if (master == master_) return;
  if (master == this || (master != nullptr && master->InMasterChain(this)))
    throw classlib::Exception("Circular link is not allowed.");
  if (master_ != nullptr) {
    for (classlib::TDataSet* data_set : data_sets_) master_->RemoveDataSet(data_set);
    master_->RemoveFreeNotification(this);
  }
  master_ = master;
  if (master_ != nullptr) {
    master_->FreeNotification(this);
    for (classlib::TDataSet* data_set : data_sets_) master_->AddDataSet(data_set);
  }
}

void TDataSetsContainer::AddDataSet(classlib::TDataSet* data_set) {
  if (data_set == nullptr) return;
  if (std::find(data_sets_.begin(), data_sets_.end(), data_set) == data_sets_.end()) {
    data_sets_.push_back(data_set);
    data_set->FreeNotification(this);
  }
  if (master_ != nullptr) master_->AddDataSet(data_set);
}

void TDataSetsContainer::RemoveDataSet(classlib::TDataSet* data_set) {
  auto it = std::find(data_sets_.begin(), data_sets_.end(), data_set);
  if (it != data_sets_.end()) data_sets_.erase(it);
  if (master_ != nullptr) master_->RemoveDataSet(data_set);
}

void TDataSetsContainer::Notification(classlib::TComponent* component,
                                      classlib::TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != classlib::opRemove) return;
  if (component == master_) master_ = nullptr;
  std::erase(data_sets_, component);
}

// ---- reports ----

void TDataSetsContainer::DataSetEvent(classlib::TDataSet* data_set, TKindDataSetEvent event) {
  if (master_ != nullptr) master_->DataSetEvent(data_set, event);
  if (active_ && OnDataSetEvent) OnDataSetEvent(data_set, event);
}

void TDataSetsContainer::DataSetError(classlib::TDataSet* data_set, TKindDataSetError event,
                                      classlib::EDatabaseError& error,
                                      classlib::TDataAction& action) {
  if (master_ != nullptr) master_->DataSetError(data_set, event, error, action);
  if (active_ && OnDataSetError) OnDataSetError(data_set, event, error, action);
}

void TDataSetsContainer::ApplyDefaultValue(classlib::TDataSet* data_set, classlib::TField* field,
                                           bool& applied) {
  if (master_ != nullptr) master_->ApplyDefaultValue(data_set, field, applied);
  if (active_ && OnApplyDefaultValue) OnApplyDefaultValue(data_set, field, applied);
}

void TDataSetsContainer::UserEvent(classlib::TObject* sender, classlib::TDataSet* receiver,
                                   const std::string& event_name, std::string& info) {
  if (master_ != nullptr) master_->UserEvent(sender, receiver, event_name, info);
  if (active_ && OnUserEvent) OnUserEvent(sender, receiver, event_name, info);
}

int TDataSetsContainer::CompareFieldValues(classlib::TField* field, const classlib::Variant& s1,
                                           const classlib::Variant& s2, bool& compared) {
  compared = false;
  if (!OnCompareFieldValues) return 0;
  return OnCompareFieldValues(field, s1, s2, compared);
}

// ---- user events ----

bool TDataSetsContainer::Addressed(const classlib::TDataSet& data_set,
                                   const std::string& receiver_name) {
  if (receiver_name.empty()) return true;
  const std::string owner_name = data_set.Owner() != nullptr ? data_set.Owner()->Name() : "";
  return classlib::AnsiUpperCase(owner_name + "." + data_set.Name()) ==
         classlib::AnsiUpperCase(receiver_name);
}

void TDataSetsContainer::SendUserEvent(classlib::TObject* sender, const std::string& receiver_name,
                                       const std::string& event_name, std::string& info) {
  // A handler may close or free data sets: walk a copy.
  const std::vector<classlib::TDataSet*> data_sets = data_sets_;
  for (classlib::TDataSet* data_set : data_sets) {
    if (std::find(data_sets_.begin(), data_sets_.end(), data_set) == data_sets_.end()) continue;
    if (!Addressed(*data_set, receiver_name)) continue;
    auto* receiver = dynamic_cast<IUserEventReceiver*>(data_set);
    if (receiver != nullptr && receiver->ReceivesEvent(event_name))
      receiver->ReceiveUserEvent(sender, event_name, info);
  }
}

}  // namespace fib
