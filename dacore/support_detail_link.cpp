// TDADetailDataLink: the detail follows its master.
#include "dacore/support_detail_link.h"

#include "classlib/field.h"
#include "dacore/dataset_component.h"

namespace dacore {

using classlib::TDataSetState;

classlib::TDataSet* TDADetailDataLink::GetDetailDataSet() const { return data_set_; }

bool TDADetailDataLink::DetailFollows() const {
  return data_set_->Active() && !data_set_->ComponentState().Contains(classlib::csDestroying);
}

// The link becomes active while its master is still opening, before its
// fields can be read: the detail follows once the master is open. A master
// that closes leaves the detail as it is.
void TDADetailDataLink::ActiveChanged() {
  opening_ = false;
  if (!Active()) return;
  if (DataSet() && DataSet()->Active()) MasterOpened();
  else opening_ = true;
}

void TDADetailDataLink::StateChanged() {
  if (!opening_ || !Active() || !DataSet() || !DataSet()->Active()) return;
  opening_ = false;
  MasterOpened();
}

void TDADetailDataLink::MasterOpened() {
  if (Enabled && DetailFollows()) data_set_->MasterOpened();
}

// A change of a field outside the linked master fields leaves the detail;
// a changed field while the detail is being edited waits for the edit.
void TDADetailDataLink::RecordChanged(classlib::TField* field) {
  if (field != nullptr && !data_set_->IsMasterField(field->FieldName())) return;
  if (!DetailFollows()) return;
  const TDataSetState state = data_set_->State();
  if (field != nullptr && (state == classlib::dsEdit || state == classlib::dsInsert)) return;
  data_set_->MasterChanged();
}

// Before the master scrolls, a pending detail edit ends, except while the
// master inserts the record the detail edit belongs to.
void TDADetailDataLink::CheckBrowseMode() {
  if (!data_set_->Active()) return;
  const TDataSetState detail = data_set_->State();
  const bool master_inserts = DataSet() && DataSet()->State() == classlib::dsInsert;
  if (master_inserts && (detail == classlib::dsEdit || detail == classlib::dsInsert)) return;
  data_set_->CheckBrowseMode();
}

}  // namespace dacore
