// Editing a TDataSet: Edit, Insert/Append, Post, Cancel, Delete, Refresh,
// each with its Before/After events in the platform's order, and the
// error-event loop that lets a handler retry or abort a failed operation.
#include "classlib/dataset.h"
#include "classlib/field.h"
#include "classlib/fields.h"

namespace classlib {

template <class Action>
void TDataSet::RunWithRetry(const TDataSetErrorEvent& handler, Action action) {
  for (;;) {
    try {
      UpdateCursorPos();
      action();
      return;
    } catch (EDatabaseError& error) {
      TDataAction choice = daFail;
      if (handler) handler(this, error, choice);
      if (choice == daFail) throw;
      if (choice == daAbort) Abort();
      // daRetry: run the operation again.
    }
  }
}

void TDataSet::Edit() {
  if (state_ == dsEdit || state_ == dsInsert) return;
  if (record_count_ == 0) {
    Insert();
    return;
  }
  CheckBrowseMode();
  if (!CanModify()) DatabaseError("Cannot modify a read-only dataset", this);
  DoBeforeEdit();
  RunWithRetry(on_edit_error_, [this] { InternalEdit(); });
  GetCalcFields(ActiveBuffer());
  SetState(dsEdit);
  DataEvent(deRecordChange, 0);
  DoAfterEdit();
}

void TDataSet::BeginInsertAppend(bool append) {
  CheckBrowseMode();
  if (!CanModify()) DatabaseError("Cannot modify a read-only dataset", this);
  DoBeforeInsert();
  DoBeforeScroll();
  if (append) {
    ClearBuffers();
    TRecordBuffer buffer = buffers_[0];
    InitRecord(buffer);
    SetBookmarkFlag(buffer, bfEOF);
    record_count_ = 1;
    bof_ = false;
    GetPriorRecords();
  } else {
    TBookmark current = GetBookmark();
    // The spare buffer takes the new record's place before the current one.
    MoveBuffer(record_count_, active_record_);
    TRecordBuffer buffer = buffers_[static_cast<std::size_t>(active_record_)];
    InitRecord(buffer);
    if (record_count_ == 0)
      SetBookmarkFlag(buffer, bfBOF);
    else if (!current.empty())
      SetBookmarkData(buffer, current.data());
    if (record_count_ < buffer_count_) ++record_count_;
  }
  InternalInsert();
  SetState(dsInsert);
  try {
    DoOnNewRecord();
  } catch (...) {
    UpdateCursorPos();
    FreeFieldBuffers();
    SetState(dsBrowse);
    Resync({});
    throw;
  }
  modified_ = false;
  DataEvent(deDataSetChange, 0);
  DoAfterInsert();
  DoAfterScroll();
}

void TDataSet::Post() {
  UpdateRecord();
  if (state_ != dsEdit && state_ != dsInsert) return;
  DataEvent(deCheckBrowseMode, 0);
  DoBeforePost();
  RunWithRetry(on_post_error_, [this] { InternalPost(); });
  FreeFieldBuffers();
  SetState(dsBrowse);
  Resync({});
  DoAfterPost();
}

void TDataSet::InternalPost() { CheckRequiredFields(); }

void TDataSet::InternalAddRecord(TRecordBuffer, bool) {
  DatabaseError("Operation not supported", this);
}

void TDataSet::InternalDelete() { DatabaseError("Operation not supported", this); }

void TDataSet::FreeFieldBuffers() {
  for (TField* field : FieldList()) field->FreeBuffers();
}

void TDataSet::CheckRequiredFields() {
  for (TField* field : fields_->List()) {
    if (field->Required() && !field->ReadOnly() && field->FieldKind() == fkData &&
        field->IsNull())
      DatabaseError(FormatMessage("Field '%s' must have a value", {field->DisplayName()}), this);
  }
}

void TDataSet::Cancel() {
  if (state_ != dsEdit && state_ != dsInsert) return;
  DataEvent(deCheckBrowseMode, 0);
  DoBeforeCancel();
  const bool scrolls = state_ == dsInsert;
  if (scrolls) DoBeforeScroll();
  UpdateCursorPos();
  InternalCancel();
  FreeFieldBuffers();
  SetState(dsBrowse);
  Resync({});
  DoAfterCancel();
  if (scrolls) DoAfterScroll();
}

void TDataSet::Delete() {
  CheckActive();
  if (state_ == dsInsert || state_ == dsSetKey) {
    Cancel();
    return;
  }
  if (record_count_ == 0) DatabaseError("Cannot perform this operation on an empty dataset", this);
  DataEvent(deCheckBrowseMode, 0);
  DoBeforeDelete();
  DoBeforeScroll();
  RunWithRetry(on_delete_error_, [this] { InternalDelete(); });
  FreeFieldBuffers();
  SetState(dsBrowse);
  Resync({});
  DoAfterDelete();
  DoAfterScroll();
}

void TDataSet::Refresh() {
  DoBeforeRefresh();
  CheckBrowseMode();
  UpdateCursorPos();
  InternalRefresh();
  Resync({});
  DoAfterRefresh();
}

void TDataSet::EndPendingEdit() {
  switch (state_) {
    case dsEdit:
    case dsInsert:
      UpdateRecord();
      if (modified_)
        Post();
      else
        Cancel();
      break;
    case dsSetKey:
      Post();
      break;
    default:
      break;
  }
}

void TDataSet::UpdateRecord() {
  if (state_ != dsEdit && state_ != dsInsert && state_ != dsSetKey)
    DatabaseError("Dataset not in edit or insert mode", this);
  DataEvent(deUpdateRecord, 0);
}

void TDataSet::ClearFields() {
  if (state_ != dsEdit && state_ != dsInsert && state_ != dsSetKey)
    DatabaseError("Dataset not in edit or insert mode", this);
  DataEvent(deCheckBrowseMode, 0);
  InternalInitRecord(ActiveBuffer());
  if (state_ != dsSetKey) GetCalcFields(ActiveBuffer());
  DataEvent(deRecordChange, 0);
}

}  // namespace classlib
