// How a TDataSet tells others of its changes: data events to data sources,
// DisableControls/EnableControls, and the filter that asks OnFilterRecord.
#include <algorithm>

#include "classlib/data_link.h"
#include "classlib/dataset.h"
#include "classlib/field.h"
#include "classlib/field_defs.h"

namespace classlib {

// ---- Data events ---------------------------------------------------------------

void TDataSet::DispatchDataEvent(TDataEvent event, intptr_t info) {
  if (event == deFieldChange) [[unlikely]] {
    auto* field = reinterpret_cast<TField*>(info);
    if (field->FieldKind() == fkData || field->FieldKind() == fkInternalCalc) modified_ = true;
    // Other fields may depend on the changed one.
    if (state_ != dsSetKey && auto_calc_fields_ && HasCalcFields())
      GetCalcFields(ActiveBuffer());
  } else if (event == dePropertyChange) [[unlikely]] {
    field_defs_->SetUpdated(false);
  }
  if (disable_count_ == 0 && state_ != dsBlockRead) [[likely]] {
    // Most data sets walked in code have no data source to tell.
    if (!data_sources_.empty()) SendDataEvent(event, info);
  } else if ((event == deUpdateState && state_ == dsInactive) || event == deLayoutChange) {
    // What EnableControls reports grows to a layout change.
    pending_event_ = deLayoutChange;
  }
  if (event == deFieldChange) [[unlikely]] reinterpret_cast<TField*>(info)->Change();
}

void TDataSet::SendDataEvent(TDataEvent event, intptr_t info) {
  for (TDataSource* source : std::vector<TDataSource*>(data_sources_)) source->DataEvent(event, info);
}

void TDataSet::DisableControls() {
  if (disable_count_ == 0) {
    disable_state_ = state_;
    pending_event_ = deDataSetChange;
  }
  ++disable_count_;
  // Descendants that report the switch hook this event (info 1: disabled).
  if (disable_count_ == 1) DataEvent(deDisabledStateChange, 1);
}

void TDataSet::EnableControls() {
  if (disable_count_ == 0) return;
  if (--disable_count_ != 0) return;
  DataEvent(deDisabledStateChange, 0);
  if (disable_state_ != state_) DataEvent(deUpdateState, 0);
  if (disable_state_ != dsInactive && state_ != dsInactive) DataEvent(pending_event_, 0);
}

// ---- Data sources ------------------------------------------------------------

void TDataSet::AddDataSource(TDataSource* source) {
  if (std::find(data_sources_.begin(), data_sources_.end(), source) != data_sources_.end()) return;
  data_sources_.push_back(source);
  // A link that shows several records may want a larger ring.
  if (Active()) AllocateBuffers();
}

void TDataSet::RemoveDataSource(TDataSource* source) { std::erase(data_sources_, source); }

bool TDataSet::IsLinkedTo(TDataSource* source) const {
  // Walk from the source's data set up through its masters.
  TDataSet* data_set = source != nullptr ? source->DataSet() : nullptr;
  for (int depth = 0; data_set != nullptr && depth < 1000; ++depth) {
    if (data_set == this) return true;
    TDataSource* master = data_set->DataSource();
    data_set = master != nullptr ? master->DataSet() : nullptr;
  }
  return false;
}

// ---- Filters ---------------------------------------------------------------

void TDataSet::SetFilteredValue(bool value) {
  if (filtered_ == value) return;
  if (Active()) CheckBrowseMode();
  filtered_ = value;
  if (Active()) First();
}

void TDataSet::SetFilterText(const std::string& text) {
  if (filter_text_ == text) return;
  if (Active()) CheckBrowseMode();
  filter_text_ = text;
  if (Active() && filtered_) First();
}

void TDataSet::SetFilterOptionsValue(TFilterOptions options) {
  if (Active()) CheckBrowseMode();
  filter_options_ = options;
  if (Active() && filtered_) First();
}

void TDataSet::SetOnFilterRecordValue(TFilterRecordEvent handler) {
  if (Active()) CheckBrowseMode();
  on_filter_record_ = std::move(handler);
  if (Active() && filtered_) First();
}

bool TDataSet::RecordFilter(TRecordBuffer buffer) {
  if (!on_filter_record_) return true;
  TDataSetState old = SetTempState(dsFilter);
  TRecordBuffer old_buffer = filter_buffer_;
  filter_buffer_ = buffer;
  bool accept = true;
  try {
    on_filter_record_(this, accept);
  } catch (...) {
    filter_buffer_ = old_buffer;
    RestoreState(old);
    throw;
  }
  filter_buffer_ = old_buffer;
  RestoreState(old);
  return accept;
}

}  // namespace classlib
