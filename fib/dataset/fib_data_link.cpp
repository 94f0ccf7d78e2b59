#include "fib/dataset/fib_data_link.h"

#include "classlib/dataset.h"

namespace fib {

TFIBDataLink::TFIBDataLink(classlib::TDataSet* data_set, IFIBDetailDataSet* detail)
    : data_set_(data_set), detail_(detail) {}

TFIBDataLink::~TFIBDataLink() {
  if (detail_ != nullptr) detail_->DataLinkDestroyed(this);
}

void TFIBDataLink::ActiveChanged() {
  if (detail_ == nullptr) return;
  if (Active())
    detail_->MasterChanged();
  else
    detail_->MasterDisabled();
}

void TFIBDataLink::RecordChanged(classlib::TField* field) {
  // A change of one field is not a move; only a new master record matters.
  if (field != nullptr || detail_ == nullptr || data_set_ == nullptr) return;
  if (data_set_->Active() && detail_->MasterRefreshDue()) detail_->MasterChanged();
}

}  // namespace fib
