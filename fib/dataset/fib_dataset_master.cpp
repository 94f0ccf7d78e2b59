#include "classlib/ansistr.h"
#include "classlib/data_link.h"
#include "classlib/field.h"
#include "classlib/fields.h"
#include "fib/base/fib_timer.h"
#include "fib/dataset/fib_dataset.h"
#include "fib/records/records_cache.h"
#include "fib/statements/fib_query.h"
#include "fib/statements/xsqlvar.h"

namespace fib {

namespace {

constexpr std::string_view kMasterPrefix = "MAS_";

// The master field a select parameter takes its value from: the name as
// it is, or without a "MAS_" prefix.
classlib::TField* MasterFieldOf(classlib::TDataSet& master, const std::string& param) {
  std::string name = param;
  if (name.size() > kMasterPrefix.size() &&
      classlib::SameText(std::string_view(name).substr(0, kMasterPrefix.size()), kMasterPrefix))
    name = name.substr(kMasterPrefix.size());
  return master.FindField(name);
}

// Whether a parameter holds another value than the master field, compared
// as the field's type.
bool ParamDiffers(TFIBXSQLVAR& param, classlib::TField& field) {
  if (param.IsNull() != field.IsNull()) return true;
  if (field.IsNull()) return false;
  using namespace classlib;
  switch (field.DataType()) {
    case ftString: case ftFixedChar: case ftWideString: case ftGuid:
      return param.AsString() != field.AsString();
    case ftSmallint: case ftInteger: case ftWord: case ftAutoInc: case ftLargeint:
    case ftBoolean:
      return param.AsInt64() != field.AsLargeInt();
    case ftFloat:
      return param.AsDouble() != field.AsFloat();
    case ftBCD: case ftCurrency: case ftFMTBcd:
      return param.AsCurrency() != field.AsCurrency();
    case ftDate: case ftTime: case ftDateTime: case ftTimeStamp:
      return param.AsDateTime() != field.AsDateTime();
    default:
      return param.AsString() != field.AsString();
  }
}

}  // namespace

void TFIBCustomDataSet::AssignMasterParams() {
  classlib::TDataSource* source = DataSource();
  if (source == nullptr || source->DataSet() == nullptr || !source->DataSet()->Active()) return;
  classlib::TDataSet& master = *source->DataSet();
  TFIBXSQLDA& params = select_query_->Params();
  for (int i = 0; i < params.Count(); ++i) {
    TFIBXSQLVAR& param = params[i];
    classlib::TField* field = MasterFieldOf(master, param.Name());
    if (field == nullptr) continue;
    if (field->IsNull())
      param.SetIsNull(true);
    else
      param.SetAsVariant(field->Value());
  }
}

bool TFIBCustomDataSet::MasterRefreshDue() {
  classlib::TDataSource* source = DataSource();
  if (source == nullptr || source->DataSet() == nullptr) return false;
  TFIBXSQLDA& params = select_query_->Params();
  for (int i = 0; i < params.Count(); ++i) {
    classlib::TField* field = MasterFieldOf(*source->DataSet(), params[i].Name());
    if (field != nullptr && ParamDiffers(params[i], *field)) return true;
  }
  return false;
}

void TFIBCustomDataSet::MasterChanged() {
  classlib::TDataSource* source = DataSource();
  auto* master = source != nullptr ? dynamic_cast<TFIBCustomDataSet*>(source->DataSet()) : nullptr;
  const bool master_cascading = master != nullptr && master->cascading_;
  if (wait_timer_ != nullptr && !master_cascading) {
    // Follow the master only once it stops scrolling.
    wait_timer_->SetEnabled(false);
    wait_timer_->SetInterval(kWaitEndMasterScrollMs);
    wait_timer_->SetEnabled(true);
    return;
  }
  const bool was_cascading = cascading_;
  cascading_ = master_cascading || cascading_;
  try {
    ProcessMasterChange();
  } catch (...) {
    cascading_ = was_cascading;
    throw;
  }
  cascading_ = was_cascading;
}

void TFIBCustomDataSet::WaitTimerTick(classlib::TObject*) {
  if (wait_timer_ != nullptr) wait_timer_->SetEnabled(false);
  ProcessMasterChange();
}

void TFIBCustomDataSet::ProcessMasterChange() {
  if (wait_timer_ != nullptr) wait_timer_->SetEnabled(false);
  DisableControls();
  try {
    if (!select_query_->SQL().Text().empty() &&
        (Active() || DetailConditions().Contains(dcForceOpen))) {
      Close();
      Open();
    }
  } catch (...) {
    EnableControls();
    throw;
  }
  EnableControls();
  DataEvent(classlib::deDataSetScroll, 0);
}

void TFIBCustomDataSet::MasterDisabled() {
  if (DetailConditions().Contains(dcIgnoreMasterClose)) return;
  if (Active()) Close();
}

void TFIBCustomDataSet::DataLinkDestroyed(TFIBDataLink* link) {
  if (link == data_link_.get()) data_link_.release();
}

void TFIBCustomDataSet::EndScrollTick(classlib::TObject*) {
  if (end_scroll_timer_ != nullptr) end_scroll_timer_->SetEnabled(false);
  if (on_end_scroll_) on_end_scroll_(this);
}

}  // namespace fib
