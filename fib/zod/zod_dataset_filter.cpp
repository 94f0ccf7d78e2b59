// The client-side filter: the Filter expression, then the user's
// OnFilterRecord, then the DoFilterRecord hook; and record numbers that
// count only the records the filter lets through (poVisibleRecno).
#include <algorithm>

#include "fib/base/str_util.h"
#include "fib/sql/filter_dataset_fields.h"
#include "fib/sql/filter_expression_parser.h"
#include "fib/zod/zod_dataset.h"

namespace fib {

void TpZODDataSet::InstallFilterDispatch() {
  TFIBDataSet::SetOnFilterRecordValue(
      classlib::TFilterRecordEvent(this, &TpZODDataSet::FilterRecord));
}

void TpZODDataSet::SetOnFilterRecordValue(classlib::TFilterRecordEvent handler) {
  user_filter_ = std::move(handler);
  ResetFilter();
  // Re-installing the dispatcher lets the base re-read an open data set.
  InstallFilterDispatch();
}

void TpZODDataSet::SetFilterText(const std::string& text) {
  // A text that does not compile is refused here, with nothing changed,
  // rather than at the first record the filter meets.
  if (!FastTrim(text).empty()) {
    TDataSetFilterFields fields(*this);
    NewFilterParser(fields, text);
  }
  ResetFilter();
  TFIBDataSet::SetFilterText(text);
}

std::unique_ptr<TExpressionParser> TpZODDataSet::NewFilterParser(TDataSetFilterFields& fields,
                                                                 const std::string& text) const {
  return std::make_unique<TExpressionParser>(
      fields,
      [](const std::string& value, const std::string& mask) { return MatchesSQLLike(value, mask); },
      [](const std::string& value, const std::string& format) {
        return StrToDateTimeFmt(value, format);
      },
      FilterOptions(), text);
}

void TpZODDataSet::SetFilterOptionsValue(classlib::TFilterOptions options) {
  ResetFilter();
  TFIBDataSet::SetFilterOptionsValue(options);
}

void TpZODDataSet::SetFilteredValue(bool value) {
  ResetFilter();
  TFIBDataSet::SetFilteredValue(value);
}

void TpZODDataSet::ResetFilter() {
  filter_parser_.reset();
  filter_fields_.reset();
  hidden_.clear();
  visible_count_at_ = -1;
}

void TpZODDataSet::FilterRecord(classlib::TDataSet*, bool& accept) {
  accept = true;
  if (Filtered() && !FastTrim(Filter()).empty()) {
    if (!filter_parser_) {
      filter_fields_ = std::make_unique<TDataSetFilterFields>(*this);
      filter_parser_ = NewFilterParser(*filter_fields_, Filter());
    }
    accept = filter_parser_->RecordMatches();
  }
  if (accept && user_filter_) user_filter_(this, accept);
  if (accept) DoFilterRecord(accept);
  // The filter always looks at the record under the cursor.
  if (accept) hidden_.erase(current_index_);
  else hidden_.insert(current_index_);
}

bool TpZODDataSet::IsVisible(classlib::TRecordBuffer buffer) {
  if (!TFIBDataSet::IsVisible(buffer)) return false;
  // While sorting and in the limited model every record takes part.
  if (!Filtered() || sorting_ || LimitedCacheModel()) return true;
  return RecordFilter(buffer);
}

bool TpZODDataSet::CountsVisibleOnly() const {
  return Options().Contains(poVisibleRecno) && Filtered() && Active();
}

int TpZODDataSet::VisibleRecordCount() {
  if (visible_count_at_ == CacheRecordCount()) return visible_count_;
  // Every cached record must have met the filter once.
  // The filter reads the record at the cursor: walk the cursor over them.
  classlib::TRecordBuffer buffer = AllocRecordBuffer();
  int saved_index = current_index_;
  int visible = 0;
  try {
    for (int index = 0; index < CacheRecordCount(); ++index) {
      current_index_ = index;
      ReadRecordFromCache(index, buffer, false);
      if (IsVisible(buffer)) ++visible;
    }
  } catch (...) {
    current_index_ = saved_index;
    FreeRecordBuffer(buffer);
    throw;
  }
  current_index_ = saved_index;
  FreeRecordBuffer(buffer);
  visible_count_ = visible;
  visible_count_at_ = CacheRecordCount();
  return visible;
}

int TpZODDataSet::GetRecNo() const {
  int number = TFIBDataSet::GetRecNo();
  if (!CountsVisibleOnly() || State() == classlib::dsFilter || number <= 0) return number;
  // Every record before this one must have met the filter.
  const_cast<TpZODDataSet*>(this)->VisibleRecordCount();
  int hidden_before = static_cast<int>(
      std::distance(hidden_.begin(), hidden_.lower_bound(number - 1)));
  return number - hidden_before;
}

}  // namespace fib
