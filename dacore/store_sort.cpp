// TMemData: the local order. Rows change places by relinking their items;
// the records in the list never move.
#include <cstring>
#include <utility>
#include <vector>

#include "dacore/store_mem_data.h"

namespace dacore {

namespace {

constexpr size_t kInsertionSortRun = 16;

// Copies of the records, each followed by its item, side by side in one
// block: the sort then reads memory in order instead of chasing items.
class SortEntries {
 public:
  SortEntries(size_t count, size_t record_size)
      : record_size_(record_size),
        stride_((record_size + sizeof(ItemHeader*) + 7) / 8 * 8),
        data_(count * stride_),
        swap_(stride_),
        pivot_(stride_) {}

  uint8_t* At(size_t i) { return data_.data() + i * stride_; }
  void Set(size_t i, ItemHeader* item) {
    std::memcpy(At(i), ItemRecord(item), record_size_);
    std::memcpy(At(i) + record_size_, &item, sizeof item);
  }
  ItemHeader* Item(size_t i) {
    ItemHeader* item;
    std::memcpy(&item, At(i) + record_size_, sizeof item);
    return item;
  }
  void Swap(size_t i, size_t j) {
    std::memcpy(swap_.data(), At(i), stride_);
    std::memcpy(At(i), At(j), stride_);
    std::memcpy(At(j), swap_.data(), stride_);
  }
  uint8_t* Pivot(size_t i) {
    std::memcpy(pivot_.data(), At(i), stride_);
    return pivot_.data();
  }
  // Moves entry k down to position at, shifting the ones between up.
  void Rotate(size_t at, size_t k) {
    std::memcpy(swap_.data(), At(k), stride_);
    std::memmove(At(at + 1), At(at), (k - at) * stride_);
    std::memcpy(At(at), swap_.data(), stride_);
  }

 private:
  size_t record_size_;
  size_t stride_;
  std::vector<uint8_t> data_;
  std::vector<uint8_t> swap_;
  std::vector<uint8_t> pivot_;
};

// Quicksort. The pivot is the median of the first, middle and last entry;
// the partition stops at entries equal to the pivot on both sides, so runs
// of equal keys split in the middle; the smaller part is sorted by
// recursion and the larger one by the loop, so the depth stays within
// log2(n).
template <class Less>
void QuickSort(SortEntries& e, size_t lo, size_t hi, Less less) {
  while (hi - lo > kInsertionSortRun) {
    const size_t mid = lo + (hi - lo) / 2;
    if (less(e.At(mid), e.At(lo))) e.Swap(mid, lo);
    if (less(e.At(hi), e.At(mid))) {
      e.Swap(hi, mid);
      if (less(e.At(mid), e.At(lo))) e.Swap(mid, lo);
    }
    const uint8_t* pivot = e.Pivot(mid);
    size_t i = lo, j = hi;
    for (;;) {
      while (less(e.At(i), pivot)) ++i;
      while (less(pivot, e.At(j))) --j;
      if (i >= j) break;
      e.Swap(i, j);
      ++i;
      --j;
    }
    // [lo, j] and [j + 1, hi]
    if (j - lo < hi - j - 1) {
      QuickSort(e, lo, j, less);
      lo = j + 1;
    } else {
      QuickSort(e, j + 1, hi, less);
      hi = j;
    }
  }
  for (size_t k = lo + 1; k <= hi; ++k) {
    size_t at = k;
    while (at > lo && less(e.At(k), e.At(at - 1))) --at;
    if (at != k) e.Rotate(at, k);
  }
}

}  // namespace

void TMemData::SetSortFields(const std::string& text) {
  sort_fields_ = text;
  if (!Active()) return;
  SetSortColumns(ParseIndexFieldNames(text, Fields()));
  SortItems();
}

void TMemData::SetSortColumns(TSortColumns columns) {
  sort_columns_ = std::move(columns);
  sort_by_calculated_ = false;
  for (const TSortColumn& column : sort_columns_) sort_by_calculated_ |= column.field->FieldKind() == fkCalculated;
}

void TMemData::SortItems() {
  if (!HasSortColumns() || !first_item_) return;
  size_t count = 0;
  for (ItemHeader* it = first_item_; it; it = it->next) ++count;
  SortEntries entries(count, static_cast<size_t>(record_size_));
  size_t i = 0;
  for (ItemHeader* it = first_item_; it; it = it->next) entries.Set(i++, it);
  if (count > 1)
    QuickSort(entries, 0, count - 1, [this](const uint8_t* a, const uint8_t* b) {
      return CompareBySortColumns(const_cast<uint8_t*>(a), const_cast<uint8_t*>(b)) < 0;
    });
  first_item_ = last_item_ = nullptr;
  for (i = 0; i < count; ++i) LinkBefore(entries.Item(i), nullptr);
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
