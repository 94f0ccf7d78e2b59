// TMemData: the local order. Rows are sorted by relinking their items;
// record contents never move.
#include <utility>
#include <vector>

#include "dacore/store_mem_data.h"

namespace dacore {

namespace {

constexpr size_t kInsertionSortRun = 16;

// Quicksort of item pointers. The pivot is the median of the first, middle
// and last item; the partition stops at items equal to the pivot on both
// sides, so runs of equal keys split in the middle; the smaller part is
// sorted by recursion and the larger one by the loop, so the depth stays
// within log2(n).
template <class Less>
void QuickSort(std::vector<ItemHeader*>& items, size_t lo, size_t hi, Less less) {
  while (hi - lo > kInsertionSortRun) {
    const size_t mid = lo + (hi - lo) / 2;
    if (less(items[mid], items[lo])) std::swap(items[mid], items[lo]);
    if (less(items[hi], items[mid])) {
      std::swap(items[hi], items[mid]);
      if (less(items[mid], items[lo])) std::swap(items[mid], items[lo]);
    }
    ItemHeader* pivot = items[mid];
    size_t i = lo, j = hi;
    for (;;) {
      while (less(items[i], pivot)) ++i;
      while (less(pivot, items[j])) --j;
      if (i >= j) break;
      std::swap(items[i], items[j]);
      ++i;
      --j;
    }
    // [lo, j] and [j + 1, hi]
    if (j - lo < hi - j - 1) {
      QuickSort(items, lo, j, less);
      lo = j + 1;
    } else {
      QuickSort(items, j + 1, hi, less);
      hi = j;
    }
  }
  for (size_t k = lo + 1; k <= hi; ++k) {
    ItemHeader* item = items[k];
    size_t at = k;
    for (; at > lo && less(item, items[at - 1]); --at) items[at] = items[at - 1];
    items[at] = item;
  }
}

}  // namespace

void TMemData::SetSortFields(const std::string& text) {
  sort_fields_ = text;
  if (!Active()) return;
  sort_columns_ = ParseIndexFieldNames(text, Fields());
  SortItems();
}

void TMemData::SortItems() {
  if (!HasSortColumns() || !first_item_) return;
  std::vector<ItemHeader*> items;
  for (ItemHeader* it = first_item_; it; it = it->next) items.push_back(it);
  if (items.size() > 1)
    QuickSort(items, 0, items.size() - 1, [this](ItemHeader* a, ItemHeader* b) {
      return CompareBySortColumns(ItemRecord(a), ItemRecord(b)) < 0;
    });
  first_item_ = last_item_ = nullptr;
  for (ItemHeader* item : items) LinkBefore(item, nullptr);
  RenumberItems(nullptr, rmAll);
}

// Exchanges an item with its successor by relinking.
void TMemData::SwapWithNext(ItemHeader* item) {
  ItemHeader* next = item->next;
  Unlink(next);
  LinkBefore(next, item);
}

void TMemData::MoveItemBySort(int direction) {
  ItemHeader* item = current_item_;
  if (!item || direction == 0) return;
  if (direction > 0) {
    while (item->next && CompareBySortColumns(ItemRecord(item->next), ItemRecord(item)) < 0) SwapWithNext(item);
  } else {
    while (item->prev && CompareBySortColumns(ItemRecord(item), ItemRecord(item->prev)) < 0) SwapWithNext(item->prev);
  }
  record_no_cache_.clear();
}

}  // namespace dacore
