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
