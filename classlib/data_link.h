// TDataSource joins a data set to the data links that show or follow it
// (controls, detail data sets); TDataLink is one such follower, told of
// every data event through its virtual operations.
#pragma once

#include <cstdint>
#include <vector>

#include "classlib/component.h"
#include "classlib/db_types.h"
#include "classlib/event.h"

namespace classlib {

class TDataLink;
class TDataSet;
class TField;

using TDataChangeEvent = Event<void(TObject* sender, TField* field)>;

class TDataSource : public TComponent {
  CLASSLIB_CLASS(TDataSource, TComponent)
 public:
  explicit TDataSource(TComponent* owner);
  ~TDataSource() override;

  TDataSet* DataSet() const { return data_set_; }
  // Refuses a data set that is fed by this source itself (EDatabaseError
  // "Circular datalinks are not allowed").
  void SetDataSet(TDataSet* data_set);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  // Whether a control's first change puts the data set into edit mode.
  bool AutoEdit() const { return auto_edit_; }
  void SetAutoEdit(bool value) { auto_edit_ = value; }
  // The data set's state, or dsInactive when disabled or without one.
  TDataSetState State() const { return state_; }
  // Edits the data set when AutoEdit and it is in browse state.
  void Edit();
  // Whether this source, through the data set's master sources, reaches
  // data_set (a link that would close a circle).
  bool IsLinkedTo(TDataSet* data_set) const;

  const std::vector<TDataLink*>& DataLinks() const { return data_links_; }

  const TNotifyEvent& OnStateChange() const { return on_state_change_; }
  void SetOnStateChange(TNotifyEvent handler) { on_state_change_ = std::move(handler); }
  const TDataChangeEvent& OnDataChange() const { return on_data_change_; }
  void SetOnDataChange(TDataChangeEvent handler) { on_data_change_ = std::move(handler); }
  const TNotifyEvent& OnUpdateData() const { return on_update_data_; }
  void SetOnUpdateData(TNotifyEvent handler) { on_update_data_ = std::move(handler); }

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TDataSet;
  friend class TDataLink;
  void AddDataLink(TDataLink* link);
  void RemoveDataLink(TDataLink* link);
  // Called by the data set for every data event it sends.
  void DataEvent(TDataEvent event, intptr_t info);
  void NotifyLinks(TDataEvent event, intptr_t info);
  void NotifyState();

  TDataSet* data_set_ = nullptr;
  bool enabled_ = true;
  bool auto_edit_ = true;
  TDataSetState state_ = dsInactive;
  std::vector<TDataLink*> data_links_;
  TNotifyEvent on_state_change_;
  TDataChangeEvent on_data_change_;
  TNotifyEvent on_update_data_;
};

class TDataLink : public TPersistent {
  CLASSLIB_CLASS(TDataLink, TPersistent)
 public:
  TDataLink();
  ~TDataLink() override;
  TDataLink(const TDataLink&) = delete;
  TDataLink& operator=(const TDataLink&) = delete;

  TDataSource* DataSource() const { return data_source_; }
  void SetDataSource(TDataSource* source);
  TDataSet* DataSet() const;
  // Active while the source is enabled and its data set open.
  bool Active() const { return active_; }
  bool Editing() const { return editing_; }
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool value);
  // Records the link wants in the data set's ring (a grid wants several).
  int BufferCount() const { return buffer_count_; }
  void SetBufferCount(int count);
  // Puts the data set into edit mode through the source; answers Editing.
  bool Edit();
  // Writes the control's pending value into the record (UpdateData).
  void UpdateRecord();
  // The detail data set a link of a master/detail pair feeds (nullptr for
  // plain controls); IsLinkedTo follows it to refuse circles.
  virtual TDataSet* GetDetailDataSet() const { return nullptr; }

 protected:
  virtual void ActiveChanged() {}
  // The source's state changed (told after Active and Editing follow it):
  // a link that heard its data set open while it was still opening acts
  // once it is open.
  virtual void StateChanged() {}
  virtual void CheckBrowseMode() {}
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  virtual void DataSetScrolled(int /*distance*/) { DataSetChanged(); }
  virtual void EditingChanged() {}
  virtual void FocusControl(TField** /*field*/) {}
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void RecordChanged(TField* /*field*/) {}
  virtual void UpdateData() {}

 private:
  friend class TDataSource;
  void DataEvent(TDataEvent event, intptr_t info);
  void UpdateState();
  void SetActive(bool value);
  void SetEditing(bool value);

  TDataSource* data_source_ = nullptr;
  bool active_ = false;
  bool editing_ = false;
  bool read_only_ = false;
  bool updating_ = false;
  int buffer_count_ = 1;
};

// The link a detail data set holds to its master's data source.
class TDetailDataLink : public TDataLink {
  CLASSLIB_CLASS(TDetailDataLink, TDataLink)
 public:
  TDataSet* GetDetailDataSet() const override { return nullptr; }
};

}  // namespace classlib
