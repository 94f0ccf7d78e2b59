#include <algorithm>
#include <numeric>

#include "classlib/ansistr.h"
#include "classlib/strings.h"

namespace classlib {

static const char kIndexError[] = "List index out of bounds";

TStringList::~TStringList() {
  // Nobody hears of the destruction itself.
  on_change_.Clear();
  on_changing_.Clear();
  if (owns_objects_)
    for (Item& item : items_) delete item.object;
}

void TStringList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) Error(kIndexError, index);
}

void TStringList::CheckUnsorted() const {
  if (sorted_) throw EStringListError("Operation not allowed on sorted list");
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && on_changing_) on_changing_(this);
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && on_change_) on_change_(this);
}

void TStringList::SetUpdateState(bool updating) {
  if (updating)
    Changing();
  else
    Changed();
}

int TStringList::CompareStrings(const std::string& a, const std::string& b) const {
  return case_sensitive_ ? AnsiCompareStr(a, b) : AnsiCompareText(a, b);
}

std::string TStringList::Get(int index) const {
  CheckIndex(index);
  return items_[index].text;
}

TObject* TStringList::GetObject(int index) const {
  CheckIndex(index);
  return items_[index].object;
}

void TStringList::Put(int index, const std::string& s) {
  CheckUnsorted();
  CheckIndex(index);
  Changing();
  items_[index].text = s;
  Changed();
}

// The replaced object is not freed, even when the list owns its objects:
// the caller may be moving it elsewhere.
void TStringList::PutObject(int index, TObject* object) {
  CheckIndex(index);
  Changing();
  items_[index].object = object;
  Changed();
}

int TStringList::Add(const std::string& s) { return AddObject(s, nullptr); }

int TStringList::AddObject(const std::string& s, TObject* object) {
  int index = Count();
  if (sorted_ && Find(s, index)) {
    if (duplicates_ == dupIgnore) return index;
    if (duplicates_ == dupError) throw EStringListError("Duplicates not allowed");
  }
  InsertItem(index, s, object);
  return index;
}

void TStringList::Insert(int index, const std::string& s) { InsertObject(index, s, nullptr); }

void TStringList::InsertObject(int index, const std::string& s, TObject* object) {
  CheckUnsorted();
  if (index < 0 || index > Count()) Error(kIndexError, index);
  InsertItem(index, s, object);
}

void TStringList::InsertItem(int index, const std::string& s, TObject* object) {
  Changing();
  items_.insert(items_.begin() + index, Item{s, object});
  Changed();
}

void TStringList::Delete(int index) {
  CheckIndex(index);
  Changing();
  TObject* object = items_[index].object;
  items_.erase(items_.begin() + index);
  if (owns_objects_) delete object;
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  Changing();
  std::vector<Item> old;
  old.swap(items_);
  if (owns_objects_)
    for (Item& item : old) delete item.object;
  Changed();
}

void TStringList::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  Changing();
  std::swap(items_[index1], items_[index2]);
  Changed();
}

// Moves the line with its object; an owned object is not freed on the way.
void TStringList::Move(int cur_index, int new_index) {
  if (cur_index == new_index) return;
  CheckUnsorted();
  CheckIndex(cur_index);
  CheckIndex(new_index);
  Changing();
  Item item = std::move(items_[cur_index]);
  items_.erase(items_.begin() + cur_index);
  items_.insert(items_.begin() + new_index, std::move(item));
  Changed();
}

// The leftmost line not less than s, so equal lines are found from their
// first one and a duplicate that is accepted goes before its equals.
bool TStringList::Find(const std::string& s, int& index) const {
  int lo = 0;
  int hi = Count();
  while (lo < hi) {
    int mid = lo + (hi - lo) / 2;
    if (CompareStrings(items_[mid].text, s) < 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  index = lo;
  return lo < Count() && CompareStrings(items_[lo].text, s) == 0;
}

int TStringList::IndexOf(const std::string& s) const {
  if (!sorted_) return TStrings::IndexOf(s);
  int index;
  return Find(s, index) ? index : -1;
}

// Sorts a permutation first: the comparison reads lines by index, so the
// lines must stay where they are until the order is known.
void TStringList::SortItems(const TStringListSortCompare& compare) {
  if (Count() < 2) return;
  Changing();
  std::vector<int> order(items_.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return compare(*this, a, b) < 0; });
  std::vector<Item> sorted;
  sorted.reserve(items_.size());
  for (int i : order) sorted.push_back(std::move(items_[i]));
  items_.swap(sorted);
  Changed();
}

void TStringList::CustomSort(const TStringListSortCompare& compare) {
  if (!sorted_) SortItems(compare);
}

int TStringList::CompareLines(TStringList& list, int index1, int index2) {
  return list.CompareStrings(list.items_[index1].text, list.items_[index2].text);
}

void TStringList::Sort() { CustomSort(CompareLines); }

void TStringList::SetSorted(bool sorted) {
  if (sorted == sorted_) return;
  if (sorted) Sort();
  sorted_ = sorted;
}

void TStringList::SetCaseSensitive(bool case_sensitive) {
  if (case_sensitive == case_sensitive_) return;
  case_sensitive_ = case_sensitive;
  // The old order may be wrong under the new comparison.
  if (sorted_) SortItems(CompareLines);
}

}  // namespace classlib
