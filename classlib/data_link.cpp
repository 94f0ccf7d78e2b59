// TDataSource and TDataLink: fanning a data set's events out to the links
// that follow it.
#include "classlib/data_link.h"

#include <algorithm>

#include "classlib/dataset.h"

namespace classlib {

TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
  Destroying();
  SetDataSet(nullptr);
  for (TDataLink* link : std::vector<TDataLink*>(data_links_)) link->SetDataSource(nullptr);
}

void TDataSource::SetDataSet(TDataSet* data_set) {
  if (data_set == data_set_) return;
  if (data_set != nullptr && IsLinkedTo(data_set))
    DatabaseError("Circular datalinks are not allowed", this);
  if (data_set_ != nullptr) {
    data_set_->RemoveDataSource(this);
    RemoveFreeNotification(data_set_);
  }
  data_set_ = data_set;
  if (data_set_ != nullptr) {
    data_set_->AddDataSource(this);
    FreeNotification(data_set_);
  }
  NotifyState();
}

void TDataSource::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == data_set_) {
    data_set_ = nullptr;
    NotifyState();
  }
}

bool TDataSource::IsLinkedTo(TDataSet* data_set) const {
  // This source feeds data_set when a link of it belongs to data_set (as its
  // master link), directly or through data_set's own details.
  for (TDataLink* link : data_links_) {
    TDataSet* detail = link->GetDetailDataSet();
    if (detail == nullptr) continue;
    if (detail == data_set) return true;
    for (TDataSource* source : detail->DataSources())
      if (source->IsLinkedTo(data_set)) return true;
  }
  return false;
}

void TDataSource::SetEnabled(bool value) {
  if (enabled_ == value) return;
  enabled_ = value;
  NotifyState();
}

void TDataSource::Edit() {
  if (auto_edit_ && state_ == dsBrowse) data_set_->Edit();
}

void TDataSource::AddDataLink(TDataLink* link) {
  data_links_.push_back(link);
  if (data_set_ != nullptr && data_set_->Active()) data_set_->AllocateBuffers();
}

void TDataSource::RemoveDataLink(TDataLink* link) { std::erase(data_links_, link); }

void TDataSource::NotifyState() {
  TDataSetState state = enabled_ && data_set_ != nullptr ? data_set_->State() : dsInactive;
  if (state == state_) return;
  // Switching between edit modes passes through browse for the links.
  state_ = state;
  NotifyLinks(deUpdateState, 0);
  if (on_state_change_) on_state_change_(this);
}

void TDataSource::NotifyLinks(TDataEvent event, intptr_t info) {
  for (TDataLink* link : std::vector<TDataLink*>(data_links_)) link->DataEvent(event, info);
}

void TDataSource::DataEvent(TDataEvent event, intptr_t info) {
  if (event == deUpdateState) {
    NotifyState();
    return;
  }
  if (state_ == dsInactive) return;
  NotifyLinks(event, info);
  switch (event) {
    case deFieldChange:
      if (on_data_change_) on_data_change_(this, reinterpret_cast<TField*>(info));
      break;
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
      if (on_data_change_) on_data_change_(this, nullptr);
      break;
    case deUpdateRecord:
      if (on_update_data_) on_update_data_(this);
      break;
    default:
      break;
  }
}

// ---- TDataLink --------------------------------------------------------------------

TDataLink::TDataLink() = default;

TDataLink::~TDataLink() {
  if (data_source_ != nullptr) data_source_->RemoveDataLink(this);
}

void TDataLink::SetDataSource(TDataSource* source) {
  if (source == data_source_) return;
  TDataSet* detail = GetDetailDataSet();
  if (source != nullptr && detail != nullptr && detail->IsLinkedTo(source))
    DatabaseError("Circular datalinks are not allowed");
  if (data_source_ != nullptr) data_source_->RemoveDataLink(this);
  data_source_ = source;
  if (data_source_ != nullptr) data_source_->AddDataLink(this);
  UpdateState();
}

TDataSet* TDataLink::DataSet() const {
  return data_source_ != nullptr ? data_source_->DataSet() : nullptr;
}

void TDataLink::SetReadOnly(bool value) {
  if (read_only_ == value) return;
  read_only_ = value;
  UpdateState();
}

void TDataLink::SetBufferCount(int count) {
  buffer_count_ = std::max(count, 1);
  if (active_) DataSet()->AllocateBuffers();
}

bool TDataLink::Edit() {
  if (!read_only_ && data_source_ != nullptr) data_source_->Edit();
  return editing_;
}

void TDataLink::UpdateRecord() {
  updating_ = true;
  try {
    UpdateData();
  } catch (...) {
    updating_ = false;
    throw;
  }
  updating_ = false;
}

void TDataLink::UpdateState() {
  const TDataSetState state = data_source_ != nullptr ? data_source_->State() : dsInactive;
  SetActive(state != dsInactive);
  SetEditing((state == dsEdit || state == dsInsert || state == dsSetKey) && !read_only_);
}

void TDataLink::SetActive(bool value) {
  if (active_ == value) return;
  active_ = value;
  ActiveChanged();
}

void TDataLink::SetEditing(bool value) {
  if (editing_ == value) return;
  editing_ = value;
  EditingChanged();
}

void TDataLink::DataEvent(TDataEvent event, intptr_t info) {
  if (event == deUpdateState) {
    UpdateState();
    StateChanged();
    return;
  }
  if (!active_) return;
  switch (event) {
    case deFieldChange:
    case deRecordChange:
      if (!updating_) RecordChanged(reinterpret_cast<TField*>(info));
      break;
    case deDataSetChange:
      DataSetChanged();
      break;
    case deDataSetScroll:
      DataSetScrolled(static_cast<int>(info));
      break;
    case deLayoutChange:
      LayoutChanged();
      break;
    case deUpdateRecord:
      UpdateRecord();
      break;
    case deCheckBrowseMode:
      CheckBrowseMode();
      break;
    case deFocusControl:
      FocusControl(reinterpret_cast<TField**>(info));
      break;
    default:
      break;
  }
}

}  // namespace classlib
