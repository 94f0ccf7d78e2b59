#include "classlib/interface_list.h"

#include <string>
#include <utility>

#include "classlib/exceptions.h"

namespace classlib {

void TInterfaceList::CheckIndex(int index, int limit) const {
  if (index < 0 || index >= limit)
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

int TInterfaceList::Add(const Item& item) {
  CriticalSectionGuard guard(lock_);
  items_.push_back(item);
  return static_cast<int>(items_.size()) - 1;
}

void TInterfaceList::Insert(int index, const Item& item) {
  CriticalSectionGuard guard(lock_);
  CheckIndex(index, Count() + 1);
  items_.insert(items_.begin() + index, item);
}

void TInterfaceList::Delete(int index) {
  Item dropped;
  {
    CriticalSectionGuard guard(lock_);
    CheckIndex(index, Count());
    dropped = std::move(items_[static_cast<std::size_t>(index)]);
    items_.erase(items_.begin() + index);
  }
  // The reference is dropped outside the lock: the object's destructor may
  // come back to this list.
}

int TInterfaceList::Remove(const Item& item) {
  Item dropped;
  CriticalSectionGuard guard(lock_);
  int index = IndexOf(item);
  if (index >= 0) {
    dropped = std::move(items_[static_cast<std::size_t>(index)]);
    items_.erase(items_.begin() + index);
  }
  return index;
}

int TInterfaceList::IndexOf(const Item& item) const {
  CriticalSectionGuard guard(lock_);
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (items_[i] == item) return static_cast<int>(i);
  return -1;
}

void TInterfaceList::Exchange(int index1, int index2) {
  CriticalSectionGuard guard(lock_);
  CheckIndex(index1, Count());
  CheckIndex(index2, Count());
  items_[static_cast<std::size_t>(index1)].Swap(items_[static_cast<std::size_t>(index2)]);
}

void TInterfaceList::Clear() {
  std::vector<Item> dropped;
  {
    CriticalSectionGuard guard(lock_);
    dropped.swap(items_);
  }
}

int TInterfaceList::Count() const {
  CriticalSectionGuard guard(lock_);
  return static_cast<int>(items_.size());
}

TInterfaceList::Item TInterfaceList::Items(int index) const {
  CriticalSectionGuard guard(lock_);
  CheckIndex(index, Count());
  return items_[static_cast<std::size_t>(index)];
}

void TInterfaceList::SetItems(int index, const Item& item) {
  Item dropped = item;
  {
    CriticalSectionGuard guard(lock_);
    CheckIndex(index, Count());
    items_[static_cast<std::size_t>(index)].Swap(dropped);
  }
}

}  // namespace classlib
