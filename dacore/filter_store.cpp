// The record store's filter hooks: the stored text parsed into a tree and
// evaluated for each row that the store tests.
#include <utility>

#include "classlib/ansistr.h"
#include "dacore/filter_node.h"
#include "dacore/store_mem_data.h"

namespace dacore {

void TData::ParseFilter() {
  FreeFilter();
  if (classlib::Trim(FilterText()).empty()) return;
  filter_ = new TFilterExpression(FilterText(), *this);
}

void TData::FreeFilter() {
  delete filter_;
  filter_ = nullptr;
}

bool TData::FilterExpressionAccepts(TRecBuf rec) { return !filter_ || filter_->Accepts(*this, rec); }

// The store's pass over every row with the filter expression alone: as
// CheckHidden decides for each row, without a calculated-fields record.
int32_t TMemData::TestAndNumberRows(const TFilterExpression& filter) {
  const bool by_status = CachedUpdates();
  const TItemTypes types = FilterItemTypes();
  // A filter of one direct comparison is its test alone, read once here
  // rather than through the tree for each row.
  const TExpressionNode* root = filter.Root();
  const TDirectTest direct = root ? root->direct_test : nullptr;
  int32_t count = 0;
  for (ItemHeader* it = first_item_; it; it = it->next) {
    bool hidden = by_status && !(types & (1u << it->status));
    if (!hidden) hidden = direct ? !direct(*root, ItemRecord(it)) : !filter.Accepts(*this, ItemRecord(it));
    it->filter_result = hidden ? fsOmitted : fsNotOmitted;
    it->order = hidden ? 0 : ++count;
  }
  return count;
}

// Rows already tested answer from their stored state, so a new filter
// tests them anew.
void TMemData::SetFilterText(const std::string& text) {
  TData::SetFilterText(text);
  if (Active()) ClearCache();
}

void TMemData::SetFilterFunc(TFilterFunc func) {
  TRowsGuard rows(*this);
  TData::SetFilterFunc(std::move(func));
}

void TMemData::SetFilterMDFunc(TFilterFunc func) {
  TRowsGuard rows(*this);
  TData::SetFilterMDFunc(std::move(func));
}

void TMemData::SetFilterCaseInsensitive(bool value) {
  TRowsGuard rows(*this);
  TData::SetFilterCaseInsensitive(value);
}

void TMemData::SetFilterNoPartialCompare(bool value) {
  TRowsGuard rows(*this);
  TData::SetFilterNoPartialCompare(value);
}

}  // namespace dacore
