#include "fib/base/callback_list.h"

namespace fib {

void TCallBackListBase::Notification(classlib::TComponent* component,
                                     classlib::TOperation operation) {
  if (operation == classlib::opRemove) {
    std::lock_guard lock(mutex_);
    // Addresses only: the component is half destroyed by now.
    RemoveInstance(component);
  }
  TComponent::Notification(component, operation);
}

void TCallBackListBase::WatchInstance(classlib::TObject* instance) {
  if (auto* component = dynamic_cast<classlib::TComponent*>(instance)) FreeNotification(component);
}

}  // namespace fib
