#include "fib/dataset/fib_dataset.h"

#include "classlib/ansistr.h"
#include "classlib/data_link.h"
#include "classlib/field_defs.h"
#include "fib/base/component_name.h"
#include "fib/base/errors.h"
#include "fib/base/fib_timer.h"
#include "fib/dataset/datasets_container.h"
#include "fib/sql/sql_clauses.h"
#include "fib/sql/sql_parser.h"
#include "fib/statements/conditions.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_query.h"
#include "fib/statements/fib_transaction.h"
#include "fib/statements/xsqlvar.h"

namespace fib {

namespace {

bool IsLoading(const classlib::TComponent& component) {
  return component.ComponentState().Contains(classlib::csLoading);
}

}  // namespace

// ---- checks ----

void TFIBCustomDataSet::CheckDataSetClosed(const std::string& reason) const {
  if (Active()) RaiseClientError(28, {reason, FullComponentName(this)});
}

void TFIBCustomDataSet::CheckDataSetOpen(const std::string& reason) const {
  if (!Active()) RaiseClientError(29, {reason, FullComponentName(this)});
}

void TFIBCustomDataSet::CheckNotUniDirectional() const {
  if (uni_directional_) RaiseClientError(53);
}

void TFIBCustomDataSet::CheckCanModify() const {
  switch (WritingState()) {
    case classlib::dsEdit:
      if (!CanEdit()) RaiseClientError(46, {FullComponentName(this)});
      return;
    case classlib::dsInsert:
      if (!CanInsert()) RaiseClientError(44, {FullComponentName(this)});
      return;
    default:
      RaiseClientError(42, {FullComponentName(this)});
  }
}

bool TFIBCustomDataSet::CanEdit() const {
  if (!update_query_->SQL().Text().empty()) return true;
  if (!cached_updates_ || !Active()) return false;
  classlib::TRecordBuffer buffer = GetActiveRecBuf();
  return buffer != nullptr && (StatusOf(buffer) & kStatusMask) == cusInserted;
}

bool TFIBCustomDataSet::CanInsert() const { return !insert_query_->SQL().Text().empty(); }

bool TFIBCustomDataSet::CanDelete() const { return !delete_query_->SQL().Text().empty(); }

bool TFIBCustomDataSet::GetCanModify() const { return CanEdit() || CanInsert() || CanDelete(); }

// ---- SQL texts ----

classlib::TStrings& TFIBCustomDataSet::SelectSQL() { return main_select_query_->SQL(); }
classlib::TStrings& TFIBCustomDataSet::InsertSQL() { return insert_query_->SQL(); }
classlib::TStrings& TFIBCustomDataSet::UpdateSQL() { return update_query_->SQL(); }
classlib::TStrings& TFIBCustomDataSet::DeleteSQL() { return delete_query_->SQL(); }
classlib::TStrings& TFIBCustomDataSet::RefreshSQL() { return refresh_query_->SQL(); }

void TFIBCustomDataSet::SetSelectSQL(const classlib::TStrings& lines) {
  if (ComponentState().Contains(classlib::csDesigning))
    Close();
  else
    CheckDataSetClosed(" change SelectSQL ");
  main_select_query_->SQL().Assign(&lines);
}

void TFIBCustomDataSet::SetInsertSQL(const classlib::TStrings& lines) { InsertSQL().Assign(&lines); }
void TFIBCustomDataSet::SetUpdateSQL(const classlib::TStrings& lines) { UpdateSQL().Assign(&lines); }
void TFIBCustomDataSet::SetDeleteSQL(const classlib::TStrings& lines) { DeleteSQL().Assign(&lines); }
void TFIBCustomDataSet::SetRefreshSQL(const classlib::TStrings& lines) { RefreshSQL().Assign(&lines); }

classlib::TStrings& TFIBCustomDataSet::SQLText(TDataSetSQLKind kind) {
  switch (kind) {
    case TDataSetSQLKind::Select: return SelectSQL();
    case TDataSetSQLKind::Update: return UpdateSQL();
    case TDataSetSQLKind::Delete: return DeleteSQL();
    case TDataSetSQLKind::Insert: return InsertSQL();
    case TDataSetSQLKind::Refresh: break;
  }
  return RefreshSQL();
}

void TFIBCustomDataSet::SetSQLText(TDataSetSQLKind kind, const classlib::TStrings& lines) {
  switch (kind) {
    case TDataSetSQLKind::Select: return SetSelectSQL(lines);
    case TDataSetSQLKind::Update: return SetUpdateSQL(lines);
    case TDataSetSQLKind::Delete: return SetDeleteSQL(lines);
    case TDataSetSQLKind::Insert: return SetInsertSQL(lines);
    case TDataSetSQLKind::Refresh: return SetRefreshSQL(lines);
  }
}

void TFIBCustomDataSet::SetConditions(const TConditions& conditions) {
  conditions_->Assign(&conditions);
}

// ---- options ----

void TFIBCustomDataSet::SetUniDirectional(bool value) {
  if (value == uni_directional_) return;
  CheckDataSetClosed(" change Unidirectional property ");
  uni_directional_ = value;
}

void TFIBCustomDataSet::SetUpdateRecordTypes(TFIBUpdateRecordTypes types) {
  update_record_types_ = types;
  if (Active()) First();
}

void TFIBCustomDataSet::SetCacheModelOptions(const TCacheModelOptions& options) {
  cache_model_options_->Assign(&options);
}

TDetailConditions TFIBCustomDataSet::DetailConditions() const {
  TDetailConditions result = detail_conditions_;
  if (wait_timer_ != nullptr)
    result.Include(dcWaitEndMasterScroll);
  else
    result.Exclude(dcWaitEndMasterScroll);
  return result;
}

void TFIBCustomDataSet::SetDetailConditions(TDetailConditions conditions) {
  detail_conditions_ = conditions;
  if (conditions.Contains(dcWaitEndMasterScroll)) {
    if (wait_timer_ == nullptr) {
      wait_timer_ = std::make_unique<TFIBTimer>(nullptr);
      wait_timer_->SetEnabled(false);
      wait_timer_->SetInterval(kWaitEndMasterScrollMs);
      wait_timer_->SetOnTimer(classlib::TNotifyEvent(this, &TFIBCustomDataSet::WaitTimerTick));
    }
  } else {
    wait_timer_.reset();
  }
}

void TFIBCustomDataSet::SetPrepareOptions(TpPrepareOptions options) {
  const TpPrepareOptions changed = (options - prepare_options_) + (prepare_options_ - options);
  const bool types_change =
      (!IsLoading(*this) &&
       (changed.Contains(psUseBooleanField) || changed.Contains(psSQLINT64ToBCD))) ||
      changed.Contains(psUseLargeIntField);
  if (types_change)
    CheckDataSetClosed("change psUseBooleanField or psSQLINT64ToBCD or psUseLargeIntField\r\n");
  prepare_options_ = options;
  if (types_change && prepared_) {
    FieldDefs().Clear();
    InitFieldDefs();
  }
}

void TFIBCustomDataSet::SetContainer(TDataSetsContainer* container) {
  if (container == container_) return;
  if (container_ != nullptr) {
    container_->RemoveFreeNotification(this);
    container_->RemoveDataSet(this);
  }
  container_ = container;
  if (container_ != nullptr) {
    container_->FreeNotification(this);
    container_->AddDataSet(this);
  }
}

void TFIBCustomDataSet::SetDataSource(classlib::TDataSource* source) {
  if (source != nullptr && IsLinkedTo(source))
    RaiseClientError(50, {FullComponentName(this)});
  data_link_->SetDataSource(source);
}

classlib::TDataSource* TFIBCustomDataSet::GetDataSource() const {
  return data_link_ != nullptr ? data_link_->DataSource() : nullptr;
}

void TFIBCustomDataSet::SetOnEndScroll(classlib::TDataSetNotifyEvent handler) {
  on_end_scroll_ = std::move(handler);
  if (!on_end_scroll_) {
    end_scroll_timer_.reset();
    return;
  }
  if (end_scroll_timer_ == nullptr) {
    end_scroll_timer_ = std::make_unique<TFIBTimer>(nullptr);
    end_scroll_timer_->SetEnabled(false);
    end_scroll_timer_->SetInterval(end_scroll_interval_);
    end_scroll_timer_->SetOnTimer(classlib::TNotifyEvent(this, &TFIBCustomDataSet::EndScrollTick));
  }
}

}  // namespace fib

namespace fib {

void TFIBCustomDataSet::CheckLimitedCacheConditions() {
  LimitedCacheUse use;
  use.cached_updates = cached_updates_;
  use.has_order_by = classlib::VarIsArray(OrderFieldsArray(SelectSQL().Text()));
  use.update_transaction_ok = UpdateTransaction() == Transaction() || auto_commit_;
  TFIBXSQLDA& params = main_select_query_->Params();
  for (int i = 0; i < params.Count(); ++i) use.select_param_names.push_back(params[i].Name());
  CheckLimitedCacheUse(FullComponentName(this), use);
}

}  // namespace fib

namespace fib {

void TFIBCustomDataSet::SetOptions(TpZODDsOptions options) {
  options_ = options;
  // Trimming text decides how text fields read their slots.
  if (open_) SetDirectReads();
  PassOptionsToStatements();
}

// The statements start their transaction and test NULL the way the data
// set is told to, from its first options on.
void TFIBCustomDataSet::PassOptionsToStatements() {
  const TpZODDsOptions options = options_;
  for (TFIBQuery* query : {update_query_, insert_query_, delete_query_, refresh_query_}) {
    TpZODQueryOptions query_options = query->Options();
    if (options.Contains(poStartTransaction))
      query_options.Include(qoStartTransaction);
    else
      query_options.Exclude(qoStartTransaction);
    if (options.Contains(poNoForceIsNull))
      query_options.Include(qoNoForceIsNull);
    else
      query_options.Exclude(qoNoForceIsNull);
    query->SetOptions(query_options);
  }
}

}  // namespace fib

// ---- conditions ----

namespace fib {

std::string TFIBCustomDataSet::ConditionsSQLText() const { return main_select_query_->SQL().Text(); }

void TFIBCustomDataSet::SetConditionsSQLText(const std::string& sql) {
  main_select_query_->SQL().SetText(sql);
}

std::string TFIBCustomDataSet::MainWhereClause(const std::string& sql) const {
  TSQLParser parser(sql);
  const int index = parser.MainWhereIndex();
  if (index < 0) return "";
  int start = 0;
  int end = 0;
  std::string condition;
  parser.GetWhereClause(index, start, condition, end);
  return condition;
}

std::string TFIBCustomDataSet::SetMainWhereClause(const std::string& sql,
                                                  const std::string& condition) const {
  return fib::SetMainWhereClause(sql, condition);
}

}  // namespace fib
