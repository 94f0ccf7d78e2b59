// TCallBackList: a list of handler methods with its own lock. Adding the
// same handler twice keeps one entry, and a handler whose component is
// destroyed leaves the list by itself, so a caller never calls into a freed
// object. Callers call the entries by index without holding the lock.
#pragma once

#include <mutex>
#include <vector>

#include "classlib/component.h"
#include "classlib/event.h"

namespace fib {

// The part that does not depend on the handler's signature: the lock and
// the removal of a destroyed component's handlers.
class TCallBackListBase : public classlib::TComponent {
  CLASSLIB_CLASS(TCallBackList, classlib::TComponent)
 public:
  explicit TCallBackListBase(classlib::TComponent* owner) : TComponent(owner) {}

 protected:
  void Notification(classlib::TComponent* component, classlib::TOperation operation) override;
  // Removes every entry whose handler belongs to `instance`; called under
  // the lock.
  virtual void RemoveInstance(const classlib::TObject* instance) = 0;
  // Asks a handler's component to tell this list when it goes away.
  void WatchInstance(classlib::TObject* instance);

  std::recursive_mutex mutex_;
};

template <class Sig>
class TCallBackList : public TCallBackListBase {
 public:
  using Handler = classlib::Event<Sig>;
  explicit TCallBackList(classlib::TComponent* owner = nullptr) : TCallBackListBase(owner) {}

  void Add(const Handler& handler) {
    std::lock_guard lock(mutex_);
    for (const Handler& entry : entries_)
      if (entry == handler) return;
    entries_.push_back(handler);
    WatchInstance(handler.Instance());
  }
  void Remove(const Handler& handler) {
    std::lock_guard lock(mutex_);
    std::erase(entries_, handler);
  }
  int Count() {
    std::lock_guard lock(mutex_);
    return static_cast<int>(entries_.size());
  }
  // An empty handler when the index is out of range.
  Handler Method(int index) {
    std::lock_guard lock(mutex_);
    if (index < 0 || index >= static_cast<int>(entries_.size())) return Handler();
    return entries_[index];
  }

 protected:
  void RemoveInstance(const classlib::TObject* instance) override {
    std::erase_if(entries_,
                  [instance](const Handler& entry) { return entry.Instance() == instance; });
  }

 private:
  std::vector<Handler> entries_;
};

}  // namespace fib
