#include "fib/base/component_name.h"
#include "fib/zod/zod_dataset.h"

#include "classlib/ansistr.h"
#include "classlib/exceptions.h"
#include "classlib/field.h"
#include "classlib/fields.h"
#include "fib/base/errors.h"
#include "fib/base/screen_cursor.h"
#include "fib/metadata/dataset_info_cache.h"
#include "fib/metadata/metadata_cache.h"
#include "fib/metadata/metadata_cache_fib_source.h"
#include "fib/sql/filter_dataset_fields.h"
#include "fib/sql/filter_expression_parser.h"
#include "fib/statements/auto_update_options.h"
#include "fib/statements/conditions.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_query.h"
#include "fib/statements/fib_transaction.h"
#include "fib/statements/format_fields.h"
#include "fib/zod/zod_database.h"

namespace fib {

namespace {

// The repository's view of the data set.
class InfoTarget : public IDataSetInfoTarget {
 public:
  InfoTarget(TpZODDataSet& data_set, bool& description_set)
      : data_set_(data_set), description_set_(description_set) {}
  classlib::TStrings& SQLText(TDataSetSQLKind kind) override { return data_set_.SQLText(kind); }
  void SetSQLText(TDataSetSQLKind kind, const classlib::TStrings& lines) override {
    data_set_.SetSQLText(kind, lines);
  }
  bool ConditionsYield(const std::string&) const override { return false; }
  TAutoUpdateOptions& AutoUpdateOptions() override { return data_set_.AutoUpdateOptions(); }
  void SetConditionsText(const std::string& text) override {
    if (!text.empty()) data_set_.Conditions().SetAsText(text);
  }
  void SetDescription(const std::string& text) override {
    data_set_.SetDescription(text);
    description_set_ = true;
  }

 private:
  TpZODDataSet& data_set_;
  bool& description_set_;
};

std::unique_ptr<TFIBQuery> NewInternalQuery(const char* name) {
  auto query = std::make_unique<TFIBQuery>(nullptr);
  query->SetName(name);
  query->SetParamCheck(true);
  return query;
}

}  // namespace

TpZODDataSet::TpZODDataSet(classlib::TComponent* owner)
    : TFIBDataSet(owner),
      default_formats_(std::make_unique<TFormatFields>(this)),
      count_query_(NewInternalQuery("CountQuery")),
      lock_query_(NewInternalQuery("LockQuery")) {
  SetOnPostError(classlib::TDataSetErrorEvent(this, &TpZODDataSet::PostErrorDispatch));
  SetOnDeleteError(classlib::TDataSetErrorEvent(this, &TpZODDataSet::DeleteErrorDispatch));
  InstallFilterDispatch();
}

TpZODDataSet::~TpZODDataSet() {
  // The blob update object leaves this data set's lists while they exist.
  blob_update_.reset();
}

std::string TpZODDataSet::About() const { return LayerVersionText() + " Release"; }

void TpZODDataSet::SetDataSet_ID(int id) {
  if (id == data_set_id_) return;
  CheckDataSetClosed(" change DataSetID ");
  Unprepare();
  data_set_id_ = id;
  loaded_data_set_id_ = 0;
  if (id != 0) SetPrepareOptions(TpPrepareOptions(PrepareOptions()).Include(psApplyRepositary));
}

// ---- preparing and opening ----

void TpZODDataSet::LoadRepositoryTexts() {
  if (data_set_id_ == 0 || !PrepareOptions().Contains(psApplyRepositary) ||
      loaded_data_set_id_ == data_set_id_)
    return;
  // The texts live in the database: without a connected one there is
  // nothing to prepare from.
  const std::string cannot = "Can't get info for " + std::to_string(data_set_id_) + "\r\n";
  if (!Database()) throw classlib::Exception(cannot + "Database is not assigned");
  try {
    Database()->CheckActive();
  } catch (const EFIBError& error) {
    throw classlib::Exception(cannot + error.Message());
  }
  TpDataSetInfo info = ProcessMetadataCaches().DataSetInfo.FindDataSetInfo(
      *NewMetadataSource(), data_set_id_, FullComponentName(this));
  bool conditions_applied = Conditions().Applied();
  bool description_set = false;
  InfoTarget target(*this, description_set);
  ApplyDataSetInfo(info, target);
  loaded_data_set_id_ = data_set_id_;
  if (conditions_applied) Conditions().Apply();
}

void TpZODDataSet::Prepare() {
  const TScreenCursorGuard cursor(SQLScreenCursor());
  LoadRepositoryTexts();
  TFIBDataSet::Prepare();
}

void TpZODDataSet::InternalOpen() {
  TFIBDataSet::InternalOpen();
  ApplyFieldsInfo();
}

int TpZODDataSet::GetRecordCount() const {
  if (CountsVisibleOnly()) return const_cast<TpZODDataSet*>(this)->VisibleRecordCount();
  int count = TFIBDataSet::GetRecordCount();
  if (server_record_count_ < 0) return count;
  // Rows the server counted are there even when not fetched yet.
  int server = server_record_count_ - (DeletedCount() - deleted_at_count_);
  return count < server ? server : count;
}

// ---- permissions ----

bool TpZODDataSet::CanModify(classlib::TUpdateKind kind, bool inherited) const {
  bool possible = inherited;
  for (TpZODUpdateObject* object : update_objects_.List(kind))
    possible = possible || object->Active();
  TAutoUpdateOptions& options = const_cast<TpZODDataSet*>(this)->AutoUpdateOptions();
  possible = possible || (options.UpdateOnlyModifiedFields() && options.AutoReWriteSqls() &&
                          options.CanChangeSQLs() && !options.KeyFields().empty() &&
                          !options.UpdateTableName().empty());
  possible = possible || (CachedUpdates() && OnUpdateRecord) || cache_only_;
  return possible && AllowedUpdateKinds().Contains(kind);
}

bool TpZODDataSet::CanEdit() const { return CanModify(classlib::ukModify, TFIBDataSet::CanEdit()); }

bool TpZODDataSet::CanInsert() const {
  return CanModify(classlib::ukInsert, TFIBDataSet::CanInsert());
}

bool TpZODDataSet::CanDelete() const {
  return CanModify(classlib::ukDelete, TFIBDataSet::CanDelete());
}

void TpZODDataSet::PrepareModifyStatement(TFIBQuery* statement) {
  if (CachedUpdates() || AutoUpdateOptions().UpdateOnlyModifiedFields()) return;
  std::string text = statement->SQL().Text();
  if (classlib::Trim(text).empty() || fib::IsNoAction(text) || statement->Prepared()) return;
  if (!statement->Transaction()) RaiseClientError(22, {FullComponentName(this)});
  statement->Prepare();
}

// ---- events ----

void TpZODDataSet::Report(TKindDataSetEvent event) {
  if (open_close_events_disabled_ > 0 && (event == deBeforeOpen || event == deAfterOpen ||
                                          event == deBeforeClose || event == deAfterClose))
    return;
  if (Container()) Container()->DataSetEvent(this, event);
}

void TpZODDataSet::PostErrorDispatch(classlib::TDataSet* data_set, classlib::EDatabaseError& error,
                                     classlib::TDataAction& action) {
  if (Container()) Container()->DataSetError(data_set, deOnPostError, error, action);
  if (OnPostErrorHandler) OnPostErrorHandler(data_set, error, action);
}

void TpZODDataSet::DeleteErrorDispatch(classlib::TDataSet* data_set,
                                       classlib::EDatabaseError& error,
                                       classlib::TDataAction& action) {
  if (Container()) Container()->DataSetError(data_set, deOnDeleteError, error, action);
  if (OnDeleteErrorHandler) OnDeleteErrorHandler(data_set, error, action);
}

void TpZODDataSet::DoBeforeOpen() {
  TFIBDataSet::DoBeforeOpen();
  Report(deBeforeOpen);
}

void TpZODDataSet::DoAfterOpen() {
  modify_ran_ = false;
  server_record_count_ = -1;
  if (PrepareOptions().Contains(psAskRecordCount)) {
    server_record_count_ = GetRecordCountBySQL();
    deleted_at_count_ = DeletedCount();
  }
  GenerateTextsAfterOpen();
  if (AutoUpdateOptions().AutoParamsToFields()) FillParamsToFieldsLinks();
  TFIBDataSet::DoAfterOpen();
  Report(deAfterOpen);
}

void TpZODDataSet::DoBeforeClose() {
  ResetFilter();
  TFIBDataSet::DoBeforeClose();
  Report(deBeforeClose);
}

void TpZODDataSet::DoAfterClose() {
  TFIBDataSet::DoAfterClose();
  Report(deAfterClose);
}

void TpZODDataSet::DoBeforeEdit() {
  if (!CanEdit()) classlib::Abort();
  if (!cache_only_) PrepareModifyStatement(QUpdate());
  TFIBDataSet::DoBeforeEdit();
  if (!cache_only_ && Options().Contains(poProtectedEdit) &&
      UpdateStatus() == classlib::usUnmodified) {
    LockRecord(true);
    TAutoUpdateOptions& options = AutoUpdateOptions();
    if (options.AutoReWriteSqls() || options.UpdateOnlyModifiedFields()) {
      if (classlib::Trim(RefreshSQL().Text()).empty())
        SetTextIfChanged(TDataSetSQLKind::Refresh,
                         GenerateSQLText(options.UpdateTableName(), options.KeyFields(),
                                         bmAllFields, mtkRefresh));
      if (classlib::Trim(UpdateSQL().Text()).empty()) {
        // Named in full, since the lock may precede any change.
        bool only_modified = options.UpdateOnlyModifiedFields();
        options.SetUpdateOnlyModifiedFields(false);
        std::string text;
        try {
          text = GenerateSQLText(options.UpdateTableName(), options.KeyFields(), bmAllFields,
                                 mtkModify);
        } catch (...) {
          options.SetUpdateOnlyModifiedFields(only_modified);
          throw;
        }
        options.SetUpdateOnlyModifiedFields(only_modified);
        SetTextIfChanged(TDataSetSQLKind::Update, text);
      }
    }
  }
  Report(deBeforeEdit);
}

void TpZODDataSet::DoBeforeInsert() {
  if (!CanInsert()) classlib::Abort();
  if (!cache_only_) PrepareModifyStatement(QInsert());
  TFIBDataSet::DoBeforeInsert();
  Report(deBeforeInsert);
}

void TpZODDataSet::DoBeforeDelete() {
  if (!CanDelete()) classlib::Abort();
  if (!cache_only_) PrepareModifyStatement(QDelete());
  TFIBDataSet::DoBeforeDelete();
  Report(deBeforeDelete);
}

void TpZODDataSet::DoBeforePost() {
  bool inserting = State() == classlib::dsInsert;
  if (inserting && AutoUpdateOptions().WhenGetGenID() == wgBeforePost) GenerateKeyValue();
  TFIBDataSet::DoBeforePost();
  if (!CachedUpdates()) GeneratePerRecord(inserting);
  Report(deBeforePost);
}

void TpZODDataSet::DoAfterPost() {
  TFIBDataSet::DoAfterPost();
  if (AutoCommit() && CachedUpdates()) {
    ApplyUpdates();
    if (UpdateTransaction() && UpdateTransaction()->Active()) UpdateTransaction()->Commit();
  }
  // The row stays locked by this transaction's update: a later edit in the
  // same transaction need not lock it again.
  if (Options().Contains(poProtectedEdit) && !CachedUpdates() && !AutoCommit() && Active())
    MarkProtectedEdit();
  Report(deAfterPost);
}

void TpZODDataSet::UpdateTransactionEnded(TTransactionAction action) {
  if (action != TACommit && action != TACommitRetaining) return;
  if (!Options().Contains(poProtectedEdit) || CachedUpdates()) return;
  ClearProtectedEditMarks();
  modify_ran_ = false;
}

void TpZODDataSet::DoAfterDelete() {
  TFIBDataSet::DoAfterDelete();
  if (AutoCommit() && CachedUpdates()) {
    ApplyUpdates();
    if (UpdateTransaction() && UpdateTransaction()->Active()) UpdateTransaction()->Commit();
  }
  Report(deAfterDelete);
}

void TpZODDataSet::DoBeforeCancel() {
  TFIBDataSet::DoBeforeCancel();
  Report(deBeforeCancel);
}

void TpZODDataSet::DoAfterCancel() {
  TFIBDataSet::DoAfterCancel();
  Report(deAfterCancel);
}

void TpZODDataSet::DoAfterEdit() {
  TFIBDataSet::DoAfterEdit();
  Report(deAfterEdit);
}

void TpZODDataSet::DoAfterInsert() {
  TFIBDataSet::DoAfterInsert();
  Report(deAfterInsert);
}

void TpZODDataSet::DoBeforeScroll() {
  TFIBDataSet::DoBeforeScroll();
  Report(deBeforeScroll);
}

void TpZODDataSet::DoAfterScroll() {
  TFIBDataSet::DoAfterScroll();
  Report(deAfterScroll);
}

void TpZODDataSet::DoBeforeRefresh() {
  TFIBDataSet::DoBeforeRefresh();
  Report(deBeforeRefresh);
}

void TpZODDataSet::DoAfterRefresh() {
  TFIBDataSet::DoAfterRefresh();
  Report(deAfterRefresh);
}

void TpZODDataSet::DoOnCalcFields() {
  TFIBDataSet::DoOnCalcFields();
  Report(deOnCalcFields);
}

int TpZODDataSet::CompareFieldValues(classlib::TField* field, const classlib::Variant& s1,
                                     const classlib::Variant& s2) {
  if (Container()) {
    bool compared = false;
    int result = Container()->CompareFieldValues(field, s1, s2, compared);
    if (compared) return result;
  }
  return TFIBDataSet::CompareFieldValues(field, s1, s2);
}

// ---- user events ----

bool TpZODDataSet::ReceivesEvent(const std::string& event_name) const {
  return receive_events_.Count() == 0 || receive_events_.IndexOf(event_name) >= 0;
}

void TpZODDataSet::ReceiveUserEvent(classlib::TObject* sender, const std::string& event_name,
                                    std::string& info) {
  if (classlib::SameText(event_name, "CLOSE")) Close();
  else if (classlib::SameText(event_name, "OPEN")) Open();
  else if (Container()) Container()->UserEvent(sender, this, event_name, info);
  if (OnUserEvent) OnUserEvent(sender, this, event_name, info);
}

}  // namespace fib
