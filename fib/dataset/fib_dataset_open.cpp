// Opening and closing the cursor, the record layout, the field classes and
// the data-set events the buffered data set adds behaviour to.
#include <atomic>
#include <vector>

#include "classlib/field.h"
#include "classlib/field_defs.h"
#include "classlib/fields.h"
#include "fib/base/component_name.h"
#include "fib/base/errors.h"
#include "fib/base/fib_timer.h"
#include "fib/base/screen_cursor.h"
#include "fib/base/sql_types.h"
#include "fib/dataset/fib_blob_fields.h"
#include "fib/dataset/fib_dataset.h"
#include "fib/dataset/fib_datetime_fields.h"
#include "fib/dataset/fib_field_factory.h"
#include "fib/dataset/fib_misc_fields.h"
#include "fib/dataset/fib_numeric_fields.h"
#include "fib/dataset/fib_string_fields.h"
#include "fib/records/field_descr_list_layout.h"
#include "fib/records/records_cache.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_query.h"
#include "fib/statements/xsqlvar.h"

namespace fib {

// ---- open and close ----

void TFIBCustomDataSet::InternalOpen() {
  const TScreenCursorGuard cursor(sql_screen_cursor_);
  updates_pending_ = 0;
  if (!prepared_ || !select_query_->Prepared() || !FieldDefs().Updated())
    Prepare();
  else
    CompleteConnection();  // a commit since the last open ended the transaction
  AssignMasterParams();
  const TFIBSQLTypes type = select_query_->SQLType();
  if (type != SQLSelect && type != SQLSelectForUpdate) {
    // Not a cursor: run it and stay without records.
    select_query_->ExecQuery();
    return;
  }
  if (DefaultFields())
    CreateFields();
  else if (field_defs_rebuilt_)
    RecreatePersistentFields();
  field_defs_rebuilt_ = false;
  BindFields(true);
  for (classlib::TField* field : Fields().List()) {
    auto* memo = dynamic_cast<TFIBMemoField*>(field);
    TFIBXSQLVAR* column = memo != nullptr ? ColumnOf(field) : nullptr;
    // A text blob's character set travels in the column's scale.
    if (column != nullptr) memo->SetCharSetId(column->SQLScale());
    if (memo != nullptr) memo->SetConvertsUtf8(MemoArrivesAsUtf8(*memo));
  }
  if (LimitedCacheModel()) {
    if (window_ == nullptr) window_ = std::make_unique<TLimitedCacheWindow>();
    *window_ = TLimitedCacheWindow();
  }
  current_index_ = -1;
  ++opening_;
  fetch_stopped_ = false;
  // Rows reach the cache one by one through Next, the first one too.
  select_query_->SetGoToFirstRecordOnExecute(false);
  if (!select_query_->Open()) select_query_->ExecQuery();
  open_ = select_query_->Open();
  unicode_connection_ = Database() != nullptr && Database()->IsUnicodeConnect();
  // Taken before the layout: the cached record holds the calculated area
  // only when the option is on.
  cache_calc_fields_ = options_.Contains(poCacheCalcFields);
  ComputeRecordLayout();
  SetDirectReads();
  record_count_ = deleted_count_ = inserted_count_ = 0;
  if (prepare_options_.Contains(psGetOrderInfo) || LimitedCacheModel()) CheckOrderFieldsPresent();
  if (LimitedCacheModel()) {
    PrepareOrderKeys();
    PrepareLimitedCacheSQL();
  } else {
    SetBookmarkSize(kStandardBookmarkSize);
  }
}

// The record buffer: header and column values as laid out for the cache,
// then one blob handle per field, then the calculated fields.
void TFIBCustomDataSet::ComputeRecordLayout() {
  TFIBXSQLDA& columns = select_query_->Current();
  std::vector<TColumnLayoutInfo> infos(static_cast<size_t>(columns.Count()));
  for (int i = 0; i < columns.Count(); ++i) {
    TFIBXSQLVAR& column = columns[i];
    TColumnLayoutInfo& info = infos[static_cast<size_t>(i)];
    info.SQLType = column.Data()->sqltype;
    info.Scale = column.SQLScale();
    info.Length = column.Size();
    info.SQLName = column.SQLName();
    if (classlib::TFieldDef* def = FieldDefs().Find(column.Name())) info.DefType = def->DataType();
  }
  column_stores_.clear();
  const TRecordLayout layout = BuildRecordLayout(infos, field_descrs_);
  PlanColumnStores();
  blob_slot_of_field_.assign(static_cast<size_t>(Fields().Count()), -1);
  blob_slot_count_ = 0;
  for (classlib::TField* field : Fields().List())
    if (field->IsBlob()) blob_slot_of_field_[static_cast<size_t>(field->Index())] = blob_slot_count_++;
  const int blob_slots = blob_slot_count_ * kBlobSlotSize;
  blob_slots_offset_ = layout.ValuesEnd;
  stored_blob_offset_ = layout.StoredSize;
  calc_area_offset_ = blob_slots_offset_ + blob_slots;
  record_size_ = calc_area_offset_ + CalcFieldsSize();
  SetCalcFieldsOffset(calc_area_offset_);
  const int extra_stored = blob_slots + (cache_calc_fields_ ? CalcFieldsSize() : 0);
  cache_ = CreateRecordsCache(layout, field_descrs_, cache_model_options_->BufferChunks(),
                              extra_stored, record_size_);
  // Under cached updates a record's old values are its contents before the
  // first change, which the log keeps.
  cache_->SetLogMode(cached_updates_);
}

void TFIBCustomDataSet::CheckOrderFieldsPresent() {
  if (classlib::VarIsEmpty(sort_info_)) ReadSortInfo();
  for (int position = 1; position <= SortFieldsCount(); ++position) {
    const TSortFieldInfo info = SortFieldInfo(position);
    // An item written "I.GRP" or quoted names the field GRP: look it up the
    // way the keyset statements do, not by the item's literal text.
    if (info.FieldIndex < 0 && SortFieldOf(info.FieldName) == nullptr)
      RaiseClientErrorMsg("%s.\r\nField %s use in order, but not presented in fields section of SelectSQL",
                          {FullComponentName(this), info.FieldName});
  }
}

void TFIBCustomDataSet::InternalClose() {
  FreeAllBlobStreams();
  pending_arrays_.Clear();
  current_index_ = -1;
  open_ = false;
  record_count_ = deleted_count_ = inserted_count_ = updates_pending_ = 0;
  cache_.reset();
  // Buffers made before the next open know no columns.
  record_size_ = blob_slots_offset_ = calc_area_offset_ = stored_blob_offset_ = 0;
  blob_slot_of_field_.clear();
  blob_slot_count_ = 0;
  BindFields(false);
  if (DefaultFields()) DestroyFields();
  field_descrs_.Clear();
  column_stores_.clear();
}

void TFIBCustomDataSet::CloseCursor() {
  TDataSet::CloseCursor();
  // A statement that was no cursor leaves the data set without an open
  // cursor, so the inherited close did not reach InternalClose.
  if (cache_ == nullptr && DefaultFields() && !Fields().List().empty()) DestroyFields();
  if (select_query_->Open()) select_query_->Close();
  if (ComponentState().Contains(classlib::csDesigning)) prepared_ = false;
}

void TFIBCustomDataSet::InternalHandleException() {
  // The class library has no application object to show it: raise again.
  throw;
}

// ---- field classes ----

classlib::TField* TFIBCustomDataSet::CreateFieldOfType(classlib::TFieldType type,
                                                       classlib::TComponent* owner) {
  classlib::TField* field = NewFIBField(type, owner);
  return field != nullptr ? field : TDataSet::CreateFieldOfType(type, owner);
}

void TFIBCustomDataSet::CheckFieldCompatibility(classlib::TField* field,
                                                classlib::TFieldDef* field_def) {
  using namespace classlib;
  const TFieldType type = field->DataType();
  if (type == ftDate || type == ftTime || type == ftDateTime) {
    if (field_def->DataType() != type)
      DatabaseError(FormatMessage("Type mismatch for field '%s', expecting: %s actual: %s",
                                  {field->DisplayName(), FieldTypeName(type),
                                   FieldTypeName(field_def->DataType())}),
                    this);
    return;
  }
  TDataSet::CheckFieldCompatibility(field, field_def);
}

// ---- events ----

void TFIBCustomDataSet::DoBeforeOpen() {
  if (open_close_events_disabled_ == 0) TDataSet::DoBeforeOpen();
}

// Persistent fields after the definitions were read again (InternalOpen's
// fifth step): a data field whose column changed its kind is made
// anew from the new definition, in its place and with its name and
// presentation; calculated and lookup fields that then stand first move to
// the end. A field whose column is gone is left for binding to report.
void TFIBCustomDataSet::RecreatePersistentFields() {
  for (classlib::TField* field : std::vector<classlib::TField*>(Fields().List())) {
    if (field->FieldKind() != classlib::fkData || field->ParentField() != nullptr) continue;
    classlib::TFieldDef* def = FieldDefs().IndexOf(field->FieldName()) >= 0
                                   ? FieldDefs().Find(field->FieldName())
                                   : nullptr;
    if (def == nullptr) continue;
    try {
      CheckFieldCompatibility(field, def);
      continue;
    } catch (const classlib::EDatabaseError&) {
      // made anew below
    }
    const int index = field->Index();
    classlib::TComponent* owner = field->Owner();
    const std::string name = field->Name();
    const std::string label = field->DisplayLabel();
    const int width = field->DisplayWidth();
    const bool visible = field->Visible();
    const bool read_only = field->ReadOnly();
    const bool required = field->Required();
    delete field;
    classlib::TField* made = def->CreateField(owner);
    if (!name.empty()) made->SetName(name);
    made->SetDisplayLabel(label);
    made->SetDisplayWidth(width);
    made->SetVisible(visible);
    made->SetReadOnly(read_only);
    made->SetRequired(required);
    made->SetIndex(index);
  }
  std::vector<classlib::TField*> leading;
  for (classlib::TField* field : Fields().List()) {
    if (field->FieldKind() != classlib::fkCalculated && field->FieldKind() != classlib::fkLookup)
      break;
    leading.push_back(field);
  }
  if (leading.size() == Fields().List().size()) return;
  for (classlib::TField* field : leading) field->SetIndex(Fields().Count() - 1);
}

bool TFIBCustomDataSet::MemoArrivesAsUtf8(const TFIBMemoField& memo) const {
  if (!prepare_options_.Contains(psSupportUnicodeBlobs) || Database() == nullptr) return false;
  constexpr int kUnicodeFss = 3, kUtf8 = 4;
  if (Database()->IsUnicodeConnect()) return true;
  return Database()->NoCharSetConversion() &&
         (memo.CharSetId() == kUnicodeFss || memo.CharSetId() == kUtf8);
}

void TFIBCustomDataSet::DoAfterOpen() {
  ApplyAutoFormats();
  const bool keep_sort = options_.Contains(poPersistentSorting) && SortFieldsCount() > 0;
  TDataSet::DoAfterOpen();
  if (options_.Contains(poFetchAll)) FetchAll();
  if (keep_sort) {
    std::vector<classlib::Variant> fields;
    std::vector<bool> ascending;
    for (int position = 1; position <= SortFieldsCount(); ++position) {
      const TSortFieldInfo info = SortFieldInfo(position);
      fields.emplace_back(info.FieldName);
      ascending.push_back(info.Ascending);
    }
    DoSort(fields, ascending);
    First();
  } else if (!prepare_options_.Contains(psGetOrderInfo) && !LimitedCacheModel()) {
    ClearSortInfo();
  } else if (sorted_) {
    // The rows came in the select's order: a local sort of an earlier
    // opening no longer describes them, the select's ORDER BY does.
    ClearSortInfo();
    ReadSortInfo();
  }
}

void TFIBCustomDataSet::DoBeforeClose() {
  if (open_close_events_disabled_ == 0) TDataSet::DoBeforeClose();
}

void TFIBCustomDataSet::DoAfterClose() {
  if (open_close_events_disabled_ != 0) return;
  if (options_.Contains(poFreeHandlesAfterClose)) Unprepare();
  TDataSet::DoAfterClose();
}

[[gnu::hot]] void TFIBCustomDataSet::DoBeforeScroll() {
  if (scroll_events_disabled_ == 0) TDataSet::DoBeforeScroll();
}

[[gnu::hot]] void TFIBCustomDataSet::DoAfterScroll() {
  if (scroll_events_disabled_ != 0) return;
  TDataSet::DoAfterScroll();
  if (end_scroll_timer_ != nullptr) {
    // Restarted at every scroll, so the handler runs once scrolling stops.
    end_scroll_timer_->SetEnabled(false);
    end_scroll_timer_->SetEnabled(true);
  }
}

void TFIBCustomDataSet::DoBeforeCancel() {
  TDataSet::DoBeforeCancel();
  CheckDataSetOpen("continue after BeforeCancel");
}

void TFIBCustomDataSet::DoBeforeDelete() {
  ApplyPendingMasterChange();
  if (!CanDelete()) classlib::Abort();
  TDataSet::DoBeforeDelete();
  CheckDataSetOpen("continue after BeforeDelete");
  SaveOldVersion();
}

void TFIBCustomDataSet::DoBeforeEdit() {
  ApplyPendingMasterChange();
  if (!CanEdit()) classlib::Abort();
  TDataSet::DoBeforeEdit();
  CheckDataSetOpen("continue after BeforeEdit");
  SaveOldVersion();
}

void TFIBCustomDataSet::DoBeforeInsert() {
  if (!CanInsert()) classlib::Abort();
  TDataSet::DoBeforeInsert();
}

void TFIBCustomDataSet::DoBeforePost() {
  if (State() == classlib::dsEdit || State() == classlib::dsInsert) TDataSet::DoBeforePost();
  CheckDataSetOpen("continue after BeforePost");
}

void TFIBCustomDataSet::DoAfterPost() {
  TDataSet::DoAfterPost();
  if (cached_updates_ || !detail_conditions_.Contains(dcForceMasterRefresh)) return;
  classlib::TDataSource* source = DataSource();
  auto* master = source != nullptr ? dynamic_cast<TFIBCustomDataSet*>(source->DataSet()) : nullptr;
  // A master being edited keeps its buffer; it refreshes after its own post.
  if (master != nullptr && master->Active() && master->State() == classlib::dsBrowse)
    master->Refresh();
}

void TFIBCustomDataSet::DoAfterDelete() {
  FreeFieldBuffers();
  TDataSet::DoAfterDelete();
}

void TFIBCustomDataSet::DoAfterInsert() {
  FreeFieldBuffers();
  TDataSet::DoAfterInsert();
}

// A detail waiting for its master to stop scrolling follows it now, before
// the record it is about to change can be the wrong one.
void TFIBCustomDataSet::ApplyPendingMasterChange() {
  classlib::TDataSource* source = DataSource();
  if (auto* master = source != nullptr ? dynamic_cast<TFIBCustomDataSet*>(source->DataSet()) : nullptr)
    master->ApplyPendingMasterChange();
  if (wait_timer_ == nullptr || !wait_timer_->Enabled()) return;
  wait_timer_->SetEnabled(false);
  if (MasterRefreshDue()) ProcessMasterChange();
}

// The record as it was before the change, for old values and cancel.
void TFIBCustomDataSet::SaveOldVersion() {
  classlib::TRecordBuffer buffer = GetActiveRecBuf();
  if (buffer == nullptr || cache_ == nullptr || RecordIndexOf(buffer) < 0) return;
  const int number = CacheNumberOf(RecordIndexOf(buffer));
  const int physical = cache_->RecordIndex(number);
  // Under cached updates the version before the first pending change is
  // kept; a record with no pending change (its last edit was cancelled, or
  // a refresh read it since) is saved anew.
  const uint8_t* stored = cache_->RecordPointer(number);
  const bool pending = stored != nullptr && (stored[0] & kStatusMask) != cusUnmodified;
  if (cached_updates_ && pending && cache_->FindLogEntry(physical, false)) return;
  cache_->SaveToLog(number);
}

namespace {

std::atomic<TDataSetChangeHook> data_set_change_hook{nullptr};

}  // namespace

void SetDataSetChangeHook(TDataSetChangeHook hook) { data_set_change_hook.store(hook); }

// Every step of a walk sends two events that this class adds nothing to:
// they go straight to the base, without the frame the hooked ones need.
[[gnu::hot]] void TFIBCustomDataSet::DataEvent(classlib::TDataEvent event, intptr_t info) {
  if (event == classlib::deDataSetChange || event == classlib::deDisabledStateChange) [[unlikely]]
    return HookedDataEvent(event, info);
  TDataSet::DataEvent(event, info);
}

void TFIBCustomDataSet::HookedDataEvent(classlib::TDataEvent event, intptr_t info) {
  if (event == classlib::deDataSetChange) {
    if (TDataSetChangeHook hook = data_set_change_hook.load(std::memory_order_relaxed)) hook(*this, info);
    return TDataSet::DataEvent(event, info);
  }
  TDataSet::DataEvent(event, info);
  const classlib::TDataSetNotifyEvent& handler = info != 0 ? OnDisableControls : OnEnableControls;
  if (handler) handler(this);
}

}  // namespace fib
