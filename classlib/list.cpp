#include "classlib/list.h"

#include <algorithm>

#include "classlib/exceptions.h"

namespace classlib {

static const char kIndexError[] = "List index out of bounds";
static const char kCountError[] = "List count out of bounds";
static const char kCapacityError[] = "List capacity out of bounds";

void TList::Error(const char* message, int data) {
  throw EListError(std::string(message) + " (" + std::to_string(data) + ")");
}

void TList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) Error(kIndexError, index);
}

// Grows by a quarter once the list is large, so adding n items costs
// amortised O(n) without doubling the memory of big lists.
void TList::Grow() {
  int delta = capacity_ > 64 ? capacity_ / 4 : capacity_ > 8 ? 16 : 4;
  SetCapacity(capacity_ + delta);
}

int TList::Add(void* item) {
  int index = Count();
  Insert(index, item);
  return index;
}

void TList::Insert(int index, void* item) {
  if (index < 0 || index > Count()) Error(kIndexError, index);
  if (Count() == capacity_) Grow();
  items_.insert(items_.begin() + index, item);
  if (item) Notify(item, lnAdded);
}

void TList::Delete(int index) {
  CheckIndex(index);
  void* item = items_[index];
  items_.erase(items_.begin() + index);
  if (item) Notify(item, lnDeleted);
}

void TList::Clear() {
  SetCount(0);
  SetCapacity(0);
}

int TList::Remove(void* item) {
  int index = IndexOf(item);
  if (index >= 0) Delete(index);
  return index;
}

void* TList::Extract(void* item) {
  int index = IndexOf(item);
  if (index < 0) return nullptr;
  void* found = items_[index];
  items_.erase(items_.begin() + index);
  Notify(found, lnExtracted);
  return found;
}

void TList::Pack() {
  std::erase(items_, nullptr);
}

void TList::SetCount(int count) {
  if (count < 0) Error(kCountError, count);
  if (count > capacity_) SetCapacity(count);
  if (count > Count()) {
    items_.resize(count, nullptr);
    return;
  }
  // One by one from the end, so a list that owns its items hears of each.
  while (Count() > count) Delete(Count() - 1);
}

void TList::SetCapacity(int capacity) {
  if (capacity < Count()) Error(kCapacityError, capacity);
  capacity_ = capacity;
  if (static_cast<size_t>(capacity) < items_.capacity()) items_.shrink_to_fit();
  items_.reserve(capacity);
}

void* TList::Items(int index) const {
  CheckIndex(index);
  return items_[index];
}

void TList::SetItems(int index, void* item) {
  CheckIndex(index);
  void* old = items_[index];
  if (old == item) return;
  items_[index] = item;
  if (old) Notify(old, lnDeleted);
  if (item) Notify(item, lnAdded);
}

int TList::IndexOf(const void* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TList::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  std::swap(items_[index1], items_[index2]);
}

void TList::Move(int cur_index, int new_index) {
  if (cur_index == new_index) return;
  CheckIndex(cur_index);
  CheckIndex(new_index);
  void* item = items_[cur_index];
  items_.erase(items_.begin() + cur_index);
  items_.insert(items_.begin() + new_index, item);
}

void TList::Sort(const TListSortCompare& compare) {
  std::stable_sort(items_.begin(), items_.end(),
                   [&compare](void* a, void* b) { return compare(a, b) < 0; });
}

}  // namespace classlib
