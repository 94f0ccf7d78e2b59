// The link from a detail data set to its master's data source: it tells
// the detail when the master opens, closes or moves to another record.
#pragma once

#include "classlib/data_link.h"

namespace fib {

// What the detail data set does on the link's notifications.
class IFIBDetailDataSet {
 public:
  virtual ~IFIBDetailDataSet() = default;
  // The master moved or (re)opened: reopen or refresh the detail.
  virtual void MasterChanged() = 0;
  // The master closed or its source was disabled.
  virtual void MasterDisabled() = 0;
  // Whether a move of the master calls for a refresh of the detail.
  virtual bool MasterRefreshDue() = 0;
  // The link is being destroyed: forget it.
  virtual void DataLinkDestroyed(class TFIBDataLink* link) = 0;
};

class TFIBDataLink : public classlib::TDetailDataLink {
  CLASSLIB_CLASS(TFIBDataLink, classlib::TDetailDataLink)
 public:
  // data_set and detail are the same object seen through its two faces.
  TFIBDataLink(classlib::TDataSet* data_set, IFIBDetailDataSet* detail);
  ~TFIBDataLink() override;

  classlib::TDataSet* GetDetailDataSet() const override { return data_set_; }

 protected:
  void ActiveChanged() override;
  void RecordChanged(classlib::TField* field) override;

 private:
  classlib::TDataSet* data_set_;
  IFIBDetailDataSet* detail_;
};

}  // namespace fib
