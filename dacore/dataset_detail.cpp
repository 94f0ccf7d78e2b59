// TCustomDADataSet as the detail of a master data set: the link's fields,
// the master's values as parameters (or, with a local link, as the filter of
// the rows held), following the master at once or after the detail delay,
// and new records that no longer belong to the master.
#include "dacore/dataset_component.h"

#include "classlib/ansistr.h"
#include "classlib/field.h"
#include "classlib/format.h"
#include "dacore/messages.h"
#include "dacore/store_hooks.h"
#include "dacore/store_mem_data.h"
#include "dacore/support_detail_link.h"
#include "dacore/trace_monitor.h"
#include "dacore/util_var_equal.h"

namespace dacore {

using classlib::Variant;

namespace {

bool IsNullValue(const Variant& value) { return classlib::VarIsNull(value) || classlib::VarIsEmpty(value); }

}  // namespace

classlib::TDataSource* TCustomDADataSet::MasterSource() const {
  return data_link_ ? data_link_->DataSource() : nullptr;
}

bool TCustomDADataSet::DetailLinked() const {
  return MasterSource() != nullptr && !master_fields_.empty() && !detail_fields_.empty();
}

bool TCustomDADataSet::IsMasterField(const std::string& name) const {
  for (const std::string& master : SplitFieldNames(master_fields_))
    if (classlib::UpperCase(master) == classlib::UpperCase(name)) return true;
  return false;
}

// ---- The link's settings ----------------------------------------------------------------

// A changed link changes the final text: the statement is prepared and the
// rows read anew.
void TCustomDADataSet::Relink() {
  const bool was_active = Active();
  SetActive(false);
  UnPrepare();
  local_link_.clear();
  command_->SetParamCheck(command_->ParamCheck());
  if (was_active) Open();
}

void TCustomDADataSet::SetMasterSource(classlib::TDataSource* source) {
  if (source == MasterSource()) return;
  if (source && IsLinkedTo(source)) classlib::DatabaseError("Circular datalinks are not allowed", this);
  const bool was_linked = DetailLinked();
  data_link_->SetDataSource(source);
  if (was_linked || DetailLinked()) Relink();
}

void TCustomDADataSet::SetMasterFields(const std::string& value) {
  if (value == master_fields_) return;
  const bool was_linked = DetailLinked();
  master_fields_ = value;
  if (was_linked || DetailLinked()) Relink();
}

void TCustomDADataSet::SetDetailFields(const std::string& value) {
  if (value == detail_fields_) return;
  const bool was_linked = DetailLinked();
  detail_fields_ = value;
  if (was_linked || DetailLinked()) Relink();
}

// The final text loses or gains the link's condition.
void TCustomDADataSet::LocalMasterDetailChanged(bool value) {
  local_link_.clear();
  if (DetailLinked() && !Active()) {
    UnPrepare();
    command_->SetParamCheck(command_->ParamCheck());
  }
  if (!FIRecordSet) return;
  if (value) FIRecordSet->SetFilterMDFunc([this](TRecBuf rec) { return LocalLinkAccepts(rec); });
  else FIRecordSet->SetFilterMDFunc(nullptr);
}

void TCustomDADataSet::DetailDelayChanged(int value) {
  if (!detail_timer_) {
    if (value <= 0) return;
    detail_timer_ = std::make_unique<TWin32Timer>(nullptr);
    detail_timer_->SetEnabled(false);
    detail_timer_->SetOnTimer(classlib::TNotifyEvent(this, &TCustomDADataSet::DetailTimerFired));
  }
  detail_timer_->SetInterval(static_cast<unsigned>(value < 0 ? 0 : value));
}

// ---- The master's values ----------------------------------------------------------------

// Server side: each parameter takes the master field of its name. A local
// link keeps the linked master values for its filter instead.
bool TCustomDADataSet::SetMasterParams(TDAParams& params) {
  classlib::TDataSet* master = MasterSource() ? MasterSource()->DataSet() : nullptr;
  if (!master || !master->Active()) return false;
  if (options_->LocalMasterDetail()) return DetailLinked() && ResolveLocalLink();
  bool changed = false;
  for (int i = 0; i < params.Count(); ++i) {
    TDAParam* param = params.Items(i);
    classlib::TField* field = master->FindField(param->Name());
    if (!field) continue;
    const Variant value = field->Value();
    const bool null = IsNullValue(value);
    if (param->IsNull() != null || (!null && !VarEqual(param->Value(), value))) changed = true;
    param->SetDataType(field->DataType());
    param->SetValue(value);
  }
  return changed;
}

void TCustomDADataSet::TakeMasterParams() {
  if (MasterSource() && !options_->LocalMasterDetail()) SetMasterParams(Params());
}

// The pairs of detail and master fields, each of which must exist.
bool TCustomDADataSet::ResolveLocalLink() {
  classlib::TDataSet* master = MasterSource()->DataSet();
  const std::vector<std::string> masters = SplitFieldNames(master_fields_);
  const std::vector<std::string> details = SplitFieldNames(detail_fields_);
  std::vector<std::pair<int, Variant>> link;
  for (size_t i = 0; i < masters.size() && i < details.size(); ++i) {
    const TFieldDesc* detail = FIRecordSet ? FIRecordSet->FindField(details[i]) : nullptr;
    if (!detail) classlib::DatabaseError(classlib::Format(SFieldNotFound, {details[i]}), this);
    classlib::TField* field = master->FindField(masters[i]);
    if (!field) classlib::DatabaseError(classlib::Format(SFieldNotFound, {masters[i]}), this);
    link.emplace_back(detail->FieldNo(), field->Value());
  }
  bool changed = link.size() != local_link_.size();
  for (size_t i = 0; !changed && i < link.size(); ++i) {
    const Variant& a = link[i].second;
    const Variant& b = local_link_[i].second;
    changed = link[i].first != local_link_[i].first || IsNullValue(a) != IsNullValue(b) ||
              (!IsNullValue(a) && !VarEqual(a, b));
  }
  local_link_ = std::move(link);
  return changed;
}

// A record belongs to the master when every linked value is set and equal
// to the master's; before the link is known every record shows.
bool TCustomDADataSet::LocalLinkAccepts(TRecBuf rec) {
  for (const auto& [field_no, master_value] : local_link_) {
    if (field_no > FIRecordSet->GetFieldCount()) return true;  // described anew: resolved again at open
    if (IsNullValue(master_value) || FIRecordSet->GetNull(field_no, rec)) return false;
    Variant value;
    FIRecordSet->GetFieldAsVariant(field_no, rec, value);
    if (!VarEqual(value, master_value)) return false;
  }
  return true;
}

// ---- Following the master ---------------------------------------------------------------

void TCustomDADataSet::MasterChanged() {
  classlib::TDataSet* master = MasterSource() ? MasterSource()->DataSet() : nullptr;
  if (!master || !master->Active() || master->State() == classlib::dsSetKey) return;
  if (!SetMasterParams(Params()) || !Active()) return;
  if (detail_timer_ && detail_timer_->Interval() != 0) {
    // Quiet for DetailDelay ms after the last change, then one refresh.
    detail_timer_->SetEnabled(false);
    detail_timer_->SetEnabled(true);
    return;
  }
  RefreshDetail();
}

void TCustomDADataSet::MasterOpened() {
  classlib::TDataSet* master = MasterSource() ? MasterSource()->DataSet() : nullptr;
  if (!master || !master->Active() || !Active()) return;
  SetMasterParams(Params());
  RefreshDetail(true);
}

void TCustomDADataSet::DetailTimerFired(classlib::TObject* /*sender*/) { RefreshDetail(); }

void TCustomDADataSet::RefreshDetail(bool read_again) {
  if (detail_timer_) detail_timer_->SetEnabled(false);
  if (!Active()) return;
  if (options_->LocalMasterDetail() && !read_again) {
    CheckBrowseMode();
    FIRecordSet->ClearCache();
    Resync({});
    First();
    return;
  }
  uint32_t message_id = 0;
  const bool traced = TCustomDASQLMonitor::HasMonitor() || debug_;
  if (traced) TCustomDASQLMonitor::NotifySQLExecute(this, BuildFinalSQL(), &Params(), "Refresh", message_id, true);
  BeginConnection(true);
  DisableControls();
  StartWait();
  try {
    command_->WriteParams(true);
    CheckBrowseMode();
    FIRecordSet->Reopen();
  } catch (...) {
    StopWait();
    EnableControls();
    EndConnection();
    throw;
  }
  StopWait();
  EnableControls();
  EndConnection();
  if (traced) TCustomDASQLMonitor::NotifySQLExecute(this, BuildFinalSQL(), &Params(), "Refresh", message_id, false);
  rows_affected_ = -1;
  First();
  DoAfterRefresh();
}

// After a post: a new detail record whose linked values differ from the
// master's belongs to another master and leaves the rows shown here.
void TCustomDADataSet::DropForeignDetailRecord() {
  classlib::TDataSet* master = MasterSource() ? MasterSource()->DataSet() : nullptr;
  if (!master || !master->Active() || IsEmpty()) return;
  const std::vector<std::string> masters = SplitFieldNames(master_fields_);
  const std::vector<std::string> details = SplitFieldNames(detail_fields_);
  bool foreign = false;
  for (size_t i = 0; !foreign && i < masters.size() && i < details.size(); ++i) {
    classlib::TField* detail = FindField(details[i]);
    classlib::TField* linked = master->FindField(masters[i]);
    if (!detail || !linked) continue;
    const bool strings = detail->DataType() == classlib::ftString && linked->DataType() == classlib::ftString;
    if (detail->IsNull() || linked->IsNull()) foreign = detail->IsNull() != linked->IsNull();
    else if (strings) foreign = detail->AsString() != linked->AsString();
    else foreign = !VarEqual(detail->Value(), linked->Value());
  }
  if (!foreign) return;
  classlib::Assert(!CachedUpdates(), __FILE__, __LINE__, "Can not use Master/Detail with CachedUpdates");
  auto* store = dynamic_cast<TMemData*>(FIRecordSet);
  if (!store) return;
  UpdateCursorPos();
  store->RemoveRecord();
  Resync({});
}

}  // namespace dacore
