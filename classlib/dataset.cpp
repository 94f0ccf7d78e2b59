// Open and close, states, field lookup and the error helpers of TDataSet.
#include "classlib/dataset.h"

#include <algorithm>

#include "classlib/ansistr.h"
#include "classlib/data_link.h"
#include "classlib/field.h"
#include "classlib/field_defs.h"
#include "classlib/field_misc.h"
#include "classlib/fields.h"
#include "classlib/stream.h"
#include "classlib/variant.h"

namespace classlib {

std::string FormatMessage(std::string_view fmt, std::initializer_list<std::string_view> args) {
  std::string out;
  auto next = args.begin();
  for (std::size_t i = 0; i < fmt.size(); ++i) {
    if (fmt[i] == '%' && i + 1 < fmt.size() && fmt[i + 1] == 's' && next != args.end()) {
      out += *next++;
      ++i;
    } else {
      out += fmt[i];
    }
  }
  return out;
}

void DatabaseError(const std::string& message, const TComponent* component) {
  if (component != nullptr && !component->Name().empty())
    throw EDatabaseError(component->Name() + ": " + message);
  throw EDatabaseError(message);
}

TDataSet::TDataSet(TComponent* owner)
    : TComponent(owner),
      fields_(std::make_unique<TFields>(this)),
      field_defs_(std::make_unique<TFieldDefs>(this)) {}

TDataSet::~TDataSet() {
  Destroying();
  // Descendants closed already; this only frees what the base still holds.
  if (Active()) {
    state_ = dsInactive;
    FreeBuffers();
  }
  for (TDataSource* source : std::vector<TDataSource*>(data_sources_)) source->SetDataSet(nullptr);
  fields_->Clear();
}

// ---- Open and close ---------------------------------------------------------

void TDataSet::SetActive(bool value) {
  if (Active() == value) return;
  if (value) {
    OpenSequence();
  } else {
    CloseSequence();
  }
}

void TDataSet::OpenSequence() {
  DoBeforeOpen();
  bool opened = false;
  try {
    SetState(dsOpening);
    OpenCursor(false);
    opened = true;
  } catch (...) {
    state_ = dsInactive;
    CloseCursor();
    DataEvent(deUpdateState, 0);
    throw;
  }
  if (opened) {
    SetState(dsBrowse);
    DoAfterOpen();
    if (!IsEmpty()) DoAfterScroll();
  }
}

void TDataSet::CloseSequence() {
  const bool destroying = ComponentState().Contains(csDestroying);
  if (!destroying) DoBeforeClose();
  SetState(dsInactive);
  CloseCursor();
  if (!destroying) DoAfterClose();
}

void TDataSet::OpenCursor(bool info_query) {
  if (info_query) {
    InternalInitFieldDefs();
    return;
  }
  DoInternalOpen();
}

void TDataSet::DoInternalOpen() {
  default_fields_ = fields_->Count() == 0;
  InternalOpen();
  // Unless the descendant placed it, the calculated area follows the record.
  if (calc_fields_offset_ == 0) calc_fields_offset_ = GetRecordSize();
  AllocateBuffers();
  ClearBuffers();
  GetNextRecords();
  // A freshly opened data set stands before its first record.
  bof_ = true;
  eof_ = record_count_ == 0;
}

void TDataSet::CloseCursor() {
  block_read_size_ = 0;
  FreeFieldBuffers();
  FreeBuffers();
  ClearBuffers();
  if (IsCursorOpen()) InternalClose();
  buffer_count_ = 0;
}

void TDataSet::InitFieldDefs() {
  if (field_defs_->Updated()) return;
  if (IsCursorOpen()) {
    InternalInitFieldDefs();
  } else {
    // Only the definitions are wanted: open the cursor for them and close.
    OpenCursor(true);
  }
  field_defs_->SetUpdated(true);
}

// The base has no cursor of its own; a data set that can open overrides the
// cursor operations.
void TDataSet::InternalOpen() { DatabaseError("Operation not supported", this); }
void TDataSet::InternalClose() {}
void TDataSet::InternalInitFieldDefs() {}
bool TDataSet::IsCursorOpen() const { return false; }
void TDataSet::InternalHandleException() {}

// ---- States -----------------------------------------------------------------

void TDataSet::RaiseNotActive() const {
  DatabaseError("Cannot perform this operation on a closed dataset", this);
}

void TDataSet::CheckInactive() const {
  if (Active()) DatabaseError("Cannot perform this operation on an open dataset", this);
}

void TDataSet::CheckEditing() const {
  if (state_ != dsEdit && state_ != dsInsert)
    DatabaseError("Dataset not in edit or insert mode", this);
}

void TDataSet::SetState(TDataSetState state) {
  if (state_ == state) return;
  state_ = state;
  modified_ = false;
  SettleDirectTextRules();
  DataEvent(deUpdateState, 0);
}

void TDataSet::SetBlockReadSizeValue(int size) {
  if (size > 0) {
    CheckActive();
    SetState(dsBlockRead);
  } else if (state_ == dsBlockRead) {
    SetState(dsBrowse);
  }
  block_read_size_ = std::max(size, 0);
}

TDataSetState TDataSet::SetTempState(TDataSetState state) {
  TDataSetState old = state_;
  state_ = state;
  return old;
}

void TDataSet::RestoreState(TDataSetState state) { state_ = state; }

// ---- Fields -----------------------------------------------------------------

namespace {

// A field and the children of object fields at every depth (an object
// inside an object included), each after its parent.
void AddWithChildren(TField* field, std::vector<TField*>& out) {
  out.push_back(field);
  if (auto* object = dynamic_cast<TObjectField*>(field))
    for (TField* child : object->Fields().List()) AddWithChildren(child, out);
}

}  // namespace

std::vector<TField*> TDataSet::FieldList() const {
  std::vector<TField*> out;
  for (TField* field : fields_->List()) AddWithChildren(field, out);
  return out;
}

int TDataSet::FieldCount() const { return fields_->Count(); }

TField* TDataSet::FindField(std::string_view name) const {
  if (TField* field = fields_->FindField(name)) return field;
  for (TField* field : FieldList())
    if (SameText(field->FullName(), name)) return field;
  return nullptr;
}

TField* TDataSet::FieldByName(std::string_view name) const {
  TField* field = FindField(name);
  if (field == nullptr)
    DatabaseError(FormatMessage("Field '%s' not found", {name}), this);
  return field;
}

TField* TDataSet::FieldByNumber(int field_no) const { return fields_->FieldByNumber(field_no); }

void TDataSet::GetFieldList(std::vector<TField*>& list, std::string_view field_names) const {
  for (const std::string& name : SplitNameList(field_names)) list.push_back(FieldByName(name));
}

std::vector<std::string> TDataSet::GetFieldNames() const {
  std::vector<std::string> names;
  if (fields_->Count() > 0) {
    for (TField* field : fields_->List()) names.push_back(field->FieldName());
  } else {
    const_cast<TDataSet*>(this)->InitFieldDefs();
    for (int i = 0; i < field_defs_->Count(); ++i) names.push_back(field_defs_->Items(i)->Name());
  }
  return names;
}

void TDataSet::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  std::erase_if(data_sources_,
                [&](TDataSource* s) { return static_cast<TComponent*>(s) == component; });
}

// ---- Searching and blobs: descendants that can do these override ----------

bool TDataSet::Locate(const std::string&, const Variant&, TLocateOptions) { return false; }

Variant TDataSet::Lookup(const std::string&, const Variant&, const std::string&) { return Null(); }

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField*, TBlobStreamMode) {
  DatabaseError("Operation not supported", this);
}

bool TDataSet::GetCurrentRecord(TRecordBuffer) { return false; }

}  // namespace classlib
