// TMemData: the local order. Rows change places by relinking their items;
// the records in the list never move.
#include <cstring>
#include <utility>
#include <vector>

#include "dacore/store_mem_data.h"

namespace dacore {

namespace {

constexpr size_t kInsertionSortRun = 16;
// Texts of fixed-size fields up to this size are copied beside their keys.
constexpr size_t kCopiedTextLimit = 64;

// The sort keys of each record (one per sort column), the copies of its
// short texts and its item, side by side in one block: the sort then reads
// memory in order instead of chasing items and records, and reads each null
// flag and value once.
class SortEntries {
 public:
  SortEntries(size_t count, size_t columns, size_t text_size)
      : keys_size_(columns * sizeof(TSortKey)),
        item_at_((keys_size_ + text_size + 7) / 8 * 8),
        stride_(item_at_ + sizeof(ItemHeader*)),
        data_(count * stride_),
        swap_(stride_),
        pivot_(stride_) {
    static_assert(sizeof(TSortKey) % alignof(TSortKey) == 0 && alignof(TSortKey) == sizeof(ItemHeader*));
  }

  uint8_t* At(size_t i) { return data_.data() + i * stride_; }
  static const TSortKey* Keys(const uint8_t* entry) { return reinterpret_cast<const TSortKey*>(entry); }
  void Set(size_t i, const TSortKey* keys, ItemHeader* item) {
    if (keys_size_) std::memcpy(At(i), keys, keys_size_);
    std::memcpy(At(i) + item_at_, &item, sizeof item);
  }
  ItemHeader* Item(const uint8_t* entry) const {
    ItemHeader* item;
    std::memcpy(&item, entry + item_at_, sizeof item);
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
  size_t keys_size_;
  size_t item_at_;
  size_t stride_;  // a multiple of 8, so every entry's keys stay aligned
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

// Calculated sort columns are compared on whole records (their values
// exist only after the calculated-fields callback); otherwise each column by
// its key.
void TMemData::SortItems() {
  if (!HasSortColumns() || !first_item_) return;
  size_t count = 0;
  for (ItemHeader* it = first_item_; it; it = it->next) ++count;
  const bool whole_records = sort_by_calculated_ && OnCalcFields;
  const size_t columns = whole_records ? 0 : sort_columns_.size();
  std::vector<TSortKeyKind> kinds(columns);
  std::vector<size_t> text_at(columns, 0);  // where a column's copied text lies in an entry, 0 for none
  size_t text_size = 0;
  for (size_t c = 0; c < columns; ++c) {
    const TFieldDesc& field = *sort_columns_[c].field;
    kinds[c] = SortKeyKind(sort_columns_[c]);
    const bool fixed = field.DataType() == dtString || field.DataType() == dtGuid;
    if (kinds[c] == TSortKeyKind::kAnsi && fixed && field.Size() <= kCopiedTextLimit) {
      text_at[c] = columns * sizeof(TSortKey) + text_size;
      text_size += field.Size();
    }
  }
  SortEntries entries(count, columns, text_size);
  std::vector<TSortKey> keys(columns);
  size_t i = 0;
  for (ItemHeader* it = first_item_; it; it = it->next, ++i) {
    for (size_t c = 0; c < columns; ++c) {
      TSortKey& key = keys[c];
      ReadSortKey(sort_columns_[c], kinds[c], ItemRecord(it), key);
      key.copied = text_at[c] && !key.null && key.length <= sort_columns_[c].field->Size();
      if (key.copied) std::memcpy(entries.At(i) + text_at[c], key.text, key.length);
    }
    entries.Set(i, keys.data(), it);
  }
  // A key as the comparison needs it, its text found in the entry.
  auto key_of = [&](const uint8_t* entry, size_t c) {
    TSortKey key = SortEntries::Keys(entry)[c];
    if (key.copied) key.text = reinterpret_cast<const char*>(entry) + text_at[c];
    return key;
  };
  sort_comparisons_ = 0;
  auto less = [&](const uint8_t* a, const uint8_t* b) {
    ++sort_comparisons_;
    TRecBuf rec1 = ItemRecord(entries.Item(a)), rec2 = ItemRecord(entries.Item(b));
    if (whole_records) return CompareBySortColumns(rec1, rec2) < 0;
    for (size_t c = 0; c < columns; ++c) {
      const int r = CompareSortKeys(key_of(a, c), key_of(b, c), kinds[c], sort_columns_[c], rec1, rec2);
      if (r != 0) return sort_columns_[c].descending ? r > 0 : r < 0;
    }
    return false;
  };
  if (count > 1) QuickSort(entries, 0, count - 1, less);
  // Relinks the rows in their order and numbers them in the same pass (what
  // RenumberItems does for rmAll), so the scattered items are visited once.
  first_item_ = last_item_ = nullptr;
  record_no_cache_.clear();
  order_base_ = 0;
  int32_t visible = 0;
  for (i = 0; i < count; ++i) {
    ItemHeader* item = entries.Item(entries.At(i));
    LinkBefore(item, nullptr);
    item->order = IsHidden(item) ? 0 : ++visible;
  }
  record_count_ = visible;
}

// Exchanges an item with its successor by relinking.
void TMemData::SwapWithNext(ItemHeader* item) {
  ItemHeader* next = item->next;
  Unlink(next);
  LinkBefore(next, item);
}

void TMemData::MoveItemBySort(int direction) {
  if (current_item_) MoveBySort(current_item_, direction);
}

bool TMemData::MoveBySort(ItemHeader* item, int direction) {
  bool moved = false;
  if (direction > 0) {
    for (; item->next && CompareBySortColumns(ItemRecord(item->next), ItemRecord(item)) < 0; moved = true)
      SwapWithNext(item);
  } else if (direction < 0) {
    for (; item->prev && CompareBySortColumns(ItemRecord(item), ItemRecord(item->prev)) < 0; moved = true)
      SwapWithNext(item->prev);
  }
  record_no_cache_.clear();
  return moved;
}

bool TMemData::PlaceBySort(ItemHeader* item) {
  return HasSortColumns() && (MoveBySort(item, 1) || MoveBySort(item, -1));
}

}  // namespace dacore
