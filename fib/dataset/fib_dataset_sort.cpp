// Local sorting of the buffered data set: the records of the cache are put
// in the order of some fields, and a posted record can be moved back to its
// sorted place.
#include <algorithm>
#include <string>

#include "classlib/field.h"
#include "classlib/fields.h"
#include "fib/base/screen_cursor.h"
#include "fib/dataset/fib_dataset.h"
#include "fib/records/record_sort.h"
#include "fib/records/records_cache.h"

namespace fib {

using classlib::TField;
using classlib::Variant;

// The cached records as the local sort sees them.
class TFIBCustomDataSet::CacheSortRecords : public ISortRecords {
 public:
  CacheSortRecords(TFIBCustomDataSet& data_set, std::vector<TField*> fields)
      : data_set_(data_set), fields_(std::move(fields)) {}

  int Count() override { return data_set_.record_count_; }
  std::vector<Variant> Key(int position) override {
    std::vector<Variant> key;
    for (TField* field : fields_) key.push_back(data_set_.CachedFieldValue(position, field));
    return key;
  }
  int CompareValues(int field, const Variant& a, const Variant& b) override {
    return data_set_.CompareFieldValues(fields_[static_cast<size_t>(field)], a, b);
  }
  void Exchange(int i, int j) override { data_set_.cache_->SwapRecords(i, j); }

 private:
  TFIBCustomDataSet& data_set_;
  std::vector<TField*> fields_;
};

void TFIBCustomDataSet::ClearSortInfo() {
  sort_info_ = Variant();
  sorted_ = false;
}

// Sort fields may be given by index, by name or as a field of this data set.
std::vector<TField*> TFIBCustomDataSet::ResolveSortFields(const std::vector<Variant>& fields) {
  std::vector<TField*> resolved;
  for (size_t k = 0; k < fields.size(); ++k) {
    const Variant& given = fields[k].Deref();
    const classlib::TVarType type = classlib::VarType(given);
    TField* field = nullptr;
    if (classlib::VarIsOrdinal(given) && type != classlib::varBoolean) {
      const int64_t index = given.AsInt64();
      if (index >= 0 && index < FieldCount()) field = Fields().Fields(static_cast<int>(index));
    } else if (classlib::VarIsStr(given)) {
      field = FindField(given.AsString());
    } else if (type == classlib::varObjectRef) {
      field = dynamic_cast<TField*>(given.AsObject());
      if (field != nullptr && field->DataSet() != this) field = nullptr;
    }
    if (field == nullptr)
      throw classlib::Exception("Can't sort. Invalid parameter: Fields[" + std::to_string(k) + "]");
    resolved.push_back(field);
  }
  return resolved;
}

void TFIBCustomDataSet::DoSort(const std::vector<Variant>& fields,
                               const std::vector<bool>& ascending) {
  CheckBrowseMode();
  CheckNotUniDirectional();
  // The window of the limited model is a ring of slots, not an order.
  if (LimitedCacheModel())
    throw classlib::EDatabaseError("Local sorting is not available in the limited cache model");
  const std::vector<TField*> sort_fields = ResolveSortFields(fields);
  std::vector<bool> order(ascending);
  order.resize(sort_fields.size(), true);
  TraceAction(" do local sorting ");
  const TScreenCursorGuard cursor(sql_screen_cursor_);
  const classlib::TBookmark position = GetBookmark();
  sorting_ = true;
  DisableControls();
  try {
    FetchAll();
    const int count = static_cast<int>(sort_fields.size());
    Variant info = classlib::VarArrayCreate({0, count - 1, 0, 2}, classlib::varVariant);
    for (int k = 0; k < count; ++k) {
      classlib::VarArrayPut(info, Variant(sort_fields[static_cast<size_t>(k)]->FieldName()), {k, 0});
      classlib::VarArrayPut(info, Variant(static_cast<bool>(order[static_cast<size_t>(k)])), {k, 1});
      classlib::VarArrayPut(info, Variant(false), {k, 2});
    }
    sort_info_ = info;
    sorted_ = true;
    if (record_count_ >= 2) {
      // Hidden records are sorted too, so they keep their place when shown.
      const TFIBUpdateRecordTypes saved = update_record_types_;
      update_record_types_ = {cusUnmodified, cusModified, cusInserted, cusDeleted, cusUninserted};
      try {
        CacheSortRecords records(*this, sort_fields);
        SortRecords(records, order);
      } catch (...) {
        update_record_types_ = saved;
        ClearSortInfo();
        throw;
      }
      update_record_types_ = saved;
    }
  } catch (...) {
    sorting_ = false;
    // The cache may be half sorted: show its records as they stand now,
    // without letting a second failure hide the first.
    try {
      if (!position.empty()) InternalGotoBookmark(position.data());
      Resync({});
    } catch (...) {
    }
    EnableControls();
    throw;
  }
  sorting_ = false;
  if (!position.empty())
    GotoBookmark(position);
  else
    Resync({});
  EnableControls();
}

// Moves the record just posted to the place its sort fields give it; the
// record itself is no landmark while its place is sought.
void TFIBCustomDataSet::RepositionAfterPost() {
  if (!classlib::VarIsArray(SortInfo()) || LimitedCacheModel()) return;
  if (!SortFieldsPresent()) {
    ClearSortInfo();
    return;
  }
  classlib::TRecordBuffer buffer = ActiveBuffer();
  const int from = RecordIndexOf(buffer);
  std::vector<Variant> values;
  for (int position = 1; position <= SortFieldsCount(); ++position)
    values.push_back(FindField(SortFieldInfo(position).FieldName)->Value());
  reposition_record_ = from;
  TKeySearchResult result;
  try {
    result = SearchKeys(SortFieldsText(), classlib::VarArrayOf(values),
                        {lkoSortedData, lkoNearest}, true, ldFirst);
  } catch (...) {
    reposition_record_ = -1;
    throw;
  }
  reposition_record_ = -1;
  if (!result.sorted) {
    ClearSortInfo();
    return;
  }
  int target = result.found || result.key_before ? result.index : result.index + 1;
  if (target > from) --target;
  target = std::clamp(target, 0, record_count_ - 1);
  if (target == from) return;
  cache_->MoveRecord(from, target);
  SetRecordIndexOf(buffer, target);
  current_index_ = target;
}

}  // namespace fib
