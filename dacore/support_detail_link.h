// TDADetailDataLink: the link a SQL data set keeps to its master's data
// source. The detail follows the master: when the master opens, closes or
// moves to another record (or one of the linked master fields changes), the
// detail takes the master's values as parameters and reads its rows anew.
#pragma once

#include "classlib/data_link.h"

namespace dacore {

class TCustomDADataSet;

class TDADetailDataLink : public classlib::TDetailDataLink {
  CLASSLIB_CLASS(TDADetailDataLink, classlib::TDetailDataLink)
 public:
  explicit TDADetailDataLink(TCustomDADataSet* data_set) : data_set_(data_set) {}

  classlib::TDataSet* GetDetailDataSet() const override;
  TCustomDADataSet* DetailDataSet() const { return data_set_; }
  // Off: the detail ignores the master's open and close.
  bool Enabled = true;

 protected:
  void ActiveChanged() override;
  void StateChanged() override;
  void RecordChanged(classlib::TField* field) override;
  void CheckBrowseMode() override;

 private:
  // Whether the detail may follow now (open, not going away).
  bool DetailFollows() const;
  // The master opened: the detail reads its rows for the master's record.
  void MasterOpened();

  TCustomDADataSet* data_set_;
  // The master was heard opening but could not be read yet.
  bool opening_ = false;
};

}  // namespace dacore
