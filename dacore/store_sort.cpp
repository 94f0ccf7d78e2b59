// TMemData: the local order. Rows change places by relinking their items;
// the records in the list never move.
#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "dacore/store_mem_data.h"

namespace dacore {

namespace {

// A row in the sort: the first 24 bytes of its key (zeros past its end) as
// three numbers, most significant byte first, and the row's index. Entries
// whose leading bytes differ are ordered by them as their whole keys are
// (a key that ends first is padded with zeros, below any byte that follows
// in the other); equal ones compare whole keys.
struct TSortEntry {
  uint64_t lead[3];
  uint32_t row;
};

constexpr size_t kLeadBytes = sizeof(TSortEntry::lead);

void SetLead(TSortEntry& entry, const char* key, size_t length) {
  unsigned char bytes[kLeadBytes] = {};
  std::memcpy(bytes, key, std::min(length, kLeadBytes));
  for (size_t w = 0; w < 3; ++w) {
    uint64_t value = 0;
    for (size_t i = 0; i < 8; ++i) value = value << 8 | bytes[w * 8 + i];
    entry.lead[w] = value;
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

// A stable merge sort (rows that compare equal keep their order). Each
// record is read once, before the sort, into a key of its leading sort
// columns (those with a key: numbers and ansi texts of the record, texts as
// collation keys); the columns from the first one without a key on, and
// every column of calculated sort fields (their values exist only after the
// calculated-fields callback), are compared through the records.
void TMemData::SortItems() {
  if (!HasSortColumns() || !first_item_) return;
  std::vector<ItemHeader*> items;
  for (ItemHeader* it = first_item_; it; it = it->next) items.push_back(it);
  const size_t count = items.size();
  const bool whole_records = sort_by_calculated_ && OnCalcFields;
  std::vector<TSortKeyKind> kinds;
  if (!whole_records)
    for (const TSortColumn& column : sort_columns_) {
      const TSortKeyKind kind = SortKeyKind(column);
      if (kind == TSortKeyKind::kRecord) break;
      kinds.push_back(kind);
    }
  const size_t keyed = kinds.size();  // the columns the keys hold
  std::string keys;
  std::vector<size_t> key_at(count + 1);
  std::vector<TSortEntry> entries(count);
  for (size_t i = 0; i < count; ++i) {
    key_at[i] = keys.size();
    for (size_t c = 0; c < keyed; ++c) AppendSortKey(sort_columns_[c], kinds[c], ItemRecord(items[i]), keys);
    entries[i].row = static_cast<uint32_t>(i);
  }
  key_at[count] = keys.size();
  for (TSortEntry& entry : entries)
    SetLead(entry, keys.data() + key_at[entry.row], key_at[entry.row + 1] - key_at[entry.row]);
  auto compare_keys = [&](uint32_t a, uint32_t b) {
    const size_t length_a = key_at[a + 1] - key_at[a], length_b = key_at[b + 1] - key_at[b];
    const int r = std::memcmp(keys.data() + key_at[a], keys.data() + key_at[b], std::min(length_a, length_b));
    return r != 0 ? r : (length_a < length_b ? -1 : (length_a > length_b ? 1 : 0));
  };
  sort_comparisons_ = 0;
  auto less = [&](const TSortEntry& a, const TSortEntry& b) {
    ++sort_comparisons_;
    for (size_t w = 0; w < 3; ++w)
      if (a.lead[w] != b.lead[w]) return a.lead[w] < b.lead[w];
    if (keyed > 0)
      if (const int r = compare_keys(a.row, b.row)) return r < 0;
    TRecBuf rec1 = ItemRecord(items[a.row]), rec2 = ItemRecord(items[b.row]);
    if (whole_records) return CompareBySortColumns(rec1, rec2) < 0;
    for (size_t c = keyed; c < sort_columns_.size(); ++c) {
      const int r = CompareRecordField(rec1, rec2, sort_columns_[c]);
      if (r != 0) return sort_columns_[c].descending ? r > 0 : r < 0;
    }
    return false;
  };
  std::stable_sort(entries.begin(), entries.end(), less);
  // Relinks the rows in their order and numbers them in the same pass (what
  // RenumberItems does for rmAll), so the scattered items are visited once.
  first_item_ = last_item_ = nullptr;
  record_no_cache_.clear();
  order_base_ = 0;
  int32_t visible = 0;
  for (const TSortEntry& entry : entries) {
    ItemHeader* item = items[entry.row];
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
