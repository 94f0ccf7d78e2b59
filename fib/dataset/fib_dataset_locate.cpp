// The extended locate of the buffered data set: the cached records of either
// cache model as a key search sees them, the key fields and values prepared
// for the search, the search itself, and the move to the record it found.
// The local sort and Lookup read cached records through this file too.
#include <algorithm>
#include <memory>
#include <numeric>

#include "classlib/ansistr.h"
#include "classlib/field.h"
#include "fib/dataset/fib_dataset.h"
#include "fib/records/key_search.h"

namespace fib {

using classlib::TField;
using classlib::TRecordBuffer;
using classlib::Variant;

namespace {

// Cached records whose key values are read from the data set's cache, field
// by field, and compared as the fields compare them.
class CachedKeyRecords : public ILocateRecords {
 public:
  CachedKeyRecords(TFIBCustomDataSet& data_set, std::vector<TField*> fields)
      : data_set_(data_set), fields_(std::move(fields)) {}

  Variant Value(int index, int key) override {
    return data_set_.CachedFieldValue(index, fields_[static_cast<size_t>(key)]);
  }
  int CompareValues(int key, const Variant& a, const Variant& b) override {
    return data_set_.CompareFieldValues(fields_[static_cast<size_t>(key)], a, b);
  }

 protected:
  TFIBCustomDataSet& data_set_;
  std::vector<TField*> fields_;
};

}  // namespace

// The cached records of the standard model, as a key search sees them.
class TFIBCustomDataSet::CacheLocateRecords : public CachedKeyRecords {
 public:
  CacheLocateRecords(TFIBCustomDataSet& data_set, std::vector<TField*> fields)
      : CachedKeyRecords(data_set, std::move(fields)),
        buffer_(static_cast<size_t>(data_set.GetRecordSize())) {}

  int CachedCount() override { return data_set_.record_count_; }
  bool FetchOne() override { return data_set_.FetchNext(1) > 0; }
  bool PastEnd(int index, bool forwards, bool fetched_only) override {
    if (!forwards) return index < 0;
    return index >= data_set_.record_count_ && (fetched_only || !FetchOne());
  }
  // The record is read into a buffer of its own, so the cursor and the
  // buffers the data set shows stay as they are.
  bool Visible(int index) override {
    const int current = data_set_.current_index_;
    if (data_set_.Filtered()) data_set_.current_index_ = index;
    bool visible = false;
    try {
      data_set_.ReadRecordFromCache(index, buffer_.data(), false);
      visible = data_set_.IsVisible(buffer_.data());
    } catch (...) {
      data_set_.current_index_ = current;
      throw;
    }
    data_set_.current_index_ = current;
    return visible;
  }

 private:
  std::vector<uint8_t> buffer_;
};

namespace {

// The window's records as a key search sees them. Indexes run from the
// window's first to its last record (they are relative, so the count of
// records "in the cache" is the last index + 1); nothing is fetched and
// every record is shown.
class WindowRecords : public CachedKeyRecords {
 public:
  WindowRecords(TFIBCustomDataSet& data_set, const TLimitedCacheWindow& window,
                std::vector<TField*> fields)
      : CachedKeyRecords(data_set, std::move(fields)), window_(window) {}

  int CachedCount() override { return window_.LastIndex + 1; }
  bool FetchOne() override { return false; }
  bool PastEnd(int index, bool forwards, bool) override {
    return forwards ? index > window_.LastIndex : index < window_.FirstIndex;
  }
  bool Visible(int) override { return true; }

 private:
  const TLimitedCacheWindow& window_;
};

}  // namespace

std::unique_ptr<ILocateRecords> TFIBCustomDataSet::WindowLocateRecords(
    const std::vector<TField*>& fields) {
  return std::make_unique<WindowRecords>(*this, *window_, fields);
}

// A field's value in cached record `index`, read into a buffer of its own;
// the key search, the local sort and Lookup read cached records through it.
Variant TFIBCustomDataSet::CachedFieldValue(int index, TField* field) {
  if (index >= record_count_ && !LimitedCacheModel()) FetchNext(index + 1 - record_count_);
  // The limited model's indexes are relative: the window bounds them.
  const bool outside = LimitedCacheModel()
                           ? index < window_->FirstIndex || index > window_->LastIndex
                           : index >= record_count_;
  if (index < 0 || outside)
    throw classlib::Exception(Name() + ".Can't read record " + std::to_string(index + 1));
  // A buffer of its own: a lookup field may search this data set again.
  std::vector<uint8_t> record(static_cast<size_t>(GetRecordSize()), 0);
  classlib::TRecordBuffer buffer = record.data();
  ReadRecordFromCache(index, buffer, false);
  if (field->FieldKind() != classlib::fkData && calc_disabled_ == 0) GetCalcFields(buffer);
  return FieldValueIn(buffer, field);
}

// The field reads the buffer of the calculated-fields state.
Variant TFIBCustomDataSet::FieldValueIn(classlib::TRecordBuffer buffer, TField* field) {
  classlib::TRecordBuffer calc_buffer = CalcBuffer();
  SetCalcBuffer(buffer);
  Variant value;
  try {
    StateSwitch state(*this, classlib::dsCalcFields);
    value = field->Value();
  } catch (...) {
    SetCalcBuffer(calc_buffer);
    throw;
  }
  SetCalcBuffer(calc_buffer);
  return value;
}

namespace {

Variant KeyValueAt(const Variant& values, int k, int count) {
  if (classlib::VarIsArray(values))
    return classlib::VarArrayGet(values, {classlib::VarArrayLowBound(values, 1) + k});
  if (count != 1)
    throw classlib::EDatabaseError("One key value was given for " + std::to_string(count) +
                                   " key fields");
  return values;
}

Variant UpperKey(classlib::TFieldType type, const Variant& key) {
  if (type == classlib::ftString) return Variant(classlib::AnsiUpperCase(classlib::VarToStr(key)));
  if (type == classlib::ftWideString)
    return Variant(classlib::WideUpperCase(classlib::VarToWideStr(key)));
  return key;
}

bool IsTextOrGuid(classlib::TFieldType type) {
  return type == classlib::ftString || type == classlib::ftWideString || type == classlib::ftGuid;
}

}  // namespace

bool TFIBCustomDataSet::LocateByKeys(const std::string& key_fields, const Variant& key_values,
                                     TLocateKeyOptions options, bool from_start,
                                     TLocateDirection direction, bool centre) {
  CheckActive();
  if (IsEmpty()) return false;
  if (State() == classlib::dsEdit || State() == classlib::dsInsert) Post();
  const TKeySearchResult result = SearchKeys(key_fields, key_values, options, from_start, direction);
  if (result.found) {
    MoveToRecord(result.index, centre);
  } else if (result.sorted && options.Contains(lkoNearest) && result.index >= 0) {
    // The first record that sorts after the key.
    MoveToRecord(result.index + (result.key_before ? 0 : 1), centre);
  }
  return result.found;
}

TKeySearchResult TFIBCustomDataSet::SearchKeys(const std::string& key_fields,
                                               const Variant& key_values,
                                               TLocateKeyOptions options, bool from_start,
                                               TLocateDirection direction) {
  std::vector<TField*> fields;
  GetFieldList(fields, key_fields);
  if (fields.empty()) return {};
  bool suspend_calc = true;
  std::vector<TKeyColumn> keys = KeyColumns(fields, key_values, options, suspend_calc);
  if (options.Contains(lkoSortedData) && !SortedSearchPossible(fields, keys, options))
    options.Exclude(lkoSortedData);

  std::unique_ptr<ILocateRecords> records =
      LimitedCacheModel() ? WindowLocateRecords(fields)
                          : std::make_unique<CacheLocateRecords>(*this, fields);
  const int first = LimitedCacheModel() ? window_->FirstIndex : 0;
  TRecordBuffer active = GetActiveRecBuf();
  const int current_recno = active != nullptr ? RecordIndexOf(active) + 1 : 0;
  const int start = SearchStart(from_start, direction, first, current_recno,
                                records->CachedCount(), reposition_record_);
  TKeySearch search(*records, std::move(keys), options, sorted_, reposition_record_);
  if (suspend_calc) ++calc_disabled_;
  TKeySearchResult result;
  try {
    result = search.Run(start, direction);
  } catch (...) {
    if (suspend_calc) --calc_disabled_;
    throw;
  }
  if (suspend_calc) --calc_disabled_;
  return result;
}

// Keys are upper-cased once here for a case-insensitive search, not per
// record; calculations stay suspended unless a key field needs them.
std::vector<TKeyColumn> TFIBCustomDataSet::KeyColumns(const std::vector<TField*>& fields,
                                                      const Variant& key_values,
                                                      TLocateKeyOptions options,
                                                      bool& suspend_calc) {
  const int count = static_cast<int>(fields.size());
  std::vector<TKeyColumn> keys(fields.size());
  for (int k = 0; k < count; ++k) {
    keys[static_cast<size_t>(k)].type = fields[static_cast<size_t>(k)]->DataType();
    keys[static_cast<size_t>(k)].value = KeyValueAt(key_values, k, count);
  }
  const bool case_insensitive = options.Contains(lkoCaseInsensitive);
  if (CalcFieldsSize() == 0 && !case_insensitive) return keys;
  if (LimitedCacheModel()) suspend_calc = false;
  for (int k = count - 1; k >= 0; --k) {
    TKeyColumn& key = keys[static_cast<size_t>(k)];
    const classlib::TFieldKind kind = fields[static_cast<size_t>(k)]->FieldKind();
    if (kind == classlib::fkCalculated || kind == classlib::fkLookup) {
      suspend_calc = false;
      if (!case_insensitive) break;
    }
    if (case_insensitive && !classlib::VarIsNull(key.value)) key.value = UpperKey(key.type, key.value);
  }
  return keys;
}

// A sorted search needs the key fields to be the first sort fields, in
// order; the keys are put in sort order when they were given otherwise.
bool TFIBCustomDataSet::SortedSearchPossible(std::vector<TField*>& fields,
                                             std::vector<TKeyColumn>& keys,
                                             TLocateKeyOptions options) {
  const size_t count = fields.size();
  std::vector<TSortFieldInfo> infos(count);
  for (size_t k = 0; k < count; ++k)
    if (!FieldSortInfo(fields[k], infos[k])) return false;
  std::vector<size_t> order(count);
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return infos[a].Position < infos[b].Position; });
  std::vector<TField*> sorted_fields;
  std::vector<TKeyColumn> sorted_keys;
  for (size_t k = 0; k < count; ++k) {
    const TSortFieldInfo& info = infos[order[k]];
    if (info.Position != static_cast<int>(k) + 1) return false;
    // The records are not sorted by upper-cased text.
    if (options.Contains(lkoCaseInsensitive) && IsTextOrGuid(fields[order[k]]->DataType()))
      return false;
    sorted_fields.push_back(fields[order[k]]);
    sorted_keys.push_back(keys[order[k]]);
    sorted_keys.back().ascending = info.Ascending;
    sorted_keys.back().nulls_first = info.NullsFirst;
  }
  fields = std::move(sorted_fields);
  keys = std::move(sorted_keys);
  return true;
}

// Makes record index the current record; an index past the records lands on
// the last one, a hidden record on the next shown one.
void TFIBCustomDataSet::MoveToRecord(int index, bool centre) {
  if (LimitedCacheModel()) {
    // The limited model's indexes are relative: the window bounds them.
    if (index > window_->LastIndex) index = window_->LastIndex;
    if (index < window_->FirstIndex) index = window_->FirstIndex;
  } else {
    if (index >= record_count_) index = record_count_ - 1;
    if (index < 0) index = 0;
  }
  DoBeforeScroll();
  current_index_ = index;
  CursorPosChanged();
  // Always re-read: a held-back resync would leave the buffers on the old record.
  TDataSet::Resync(centre ? classlib::TResyncMode{classlib::rmCenter} : classlib::TResyncMode{});
  DoAfterScroll();
}

}  // namespace fib
