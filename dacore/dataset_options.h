// The options of the SQL data set, the events it fires and its refresh
// vocabulary. Several options act on the data set at once (their setters
// reach the owner's record set and field definitions).
#pragma once

#include <cstdint>

#include "classlib/dataset.h"
#include "classlib/enum_set.h"
#include "classlib/event.h"
#include "classlib/persistent.h"
#include "dacore/blob_compressed.h"
#include "dacore/param_da.h"
#include "dacore/support_sql.h"

namespace dacore {

class TCustomDADataSet;

enum TRefreshOption { roAfterInsert, roAfterUpdate, roBeforeEdit };
using TRefreshOptions = classlib::EnumSet<TRefreshOption>;

using TUpdateExecuteEvent =
    classlib::Event<void(classlib::TDataSet* sender, TStatementTypes statement_types, TDAParams* params)>;
using TBeforeFetchEvent = classlib::Event<void(classlib::TDataSet* data_set, bool& cancel)>;
using TAfterFetchEvent = classlib::Event<void(classlib::TDataSet* data_set)>;

class TDADataSetOptions : public classlib::TPersistent {
  CLASSLIB_CLASS(TDADataSetOptions, classlib::TPersistent)
 public:
  explicit TDADataSetOptions(TCustomDADataSet* owner) : owner_(owner) {}

  bool SetFieldsReadOnly() const { return set_fields_read_only_; }
  void SetSetFieldsReadOnly(bool value) { set_fields_read_only_ = value; }
  bool RequiredFields() const { return required_fields_; }
  void SetRequiredFields(bool value);
  bool StrictUpdate() const { return strict_update_; }
  void SetStrictUpdate(bool value) { strict_update_ = value; }
  bool NumberRange() const { return number_range_; }
  void SetNumberRange(bool value);
  bool QueryRecCount() const { return query_rec_count_; }
  void SetQueryRecCount(bool value) { query_rec_count_ = value; }
  bool AutoPrepare() const { return auto_prepare_; }
  void SetAutoPrepare(bool value);
  bool ReturnParams() const { return return_params_; }
  void SetReturnParams(bool value) { return_params_ = value; }
  bool TrimFixedChar() const { return trim_fixed_char_; }
  void SetTrimFixedChar(bool value);
  bool TrimVarChar() const { return trim_var_char_; }
  void SetTrimVarChar(bool value);
  bool LongStrings() const { return long_strings_; }
  void SetLongStrings(bool value);
  bool RemoveOnRefresh() const { return remove_on_refresh_; }
  void SetRemoveOnRefresh(bool value) { remove_on_refresh_ = value; }
  bool FlatBuffers() const { return flat_buffers_; }
  void SetFlatBuffers(bool value);
  bool QuoteNames() const { return quote_names_; }
  void SetQuoteNames(bool value) { quote_names_ = value; }
  int DetailDelay() const { return detail_delay_; }
  void SetDetailDelay(int value);
  TCompressBlobMode CompressBlobMode() const { return compress_blob_mode_; }
  void SetCompressBlobMode(TCompressBlobMode value);
  bool FullRefresh() const { return full_refresh_; }
  void SetFullRefresh(bool value) { full_refresh_ = value; }
  bool LocalMasterDetail() const { return local_master_detail_; }
  void SetLocalMasterDetail(bool value);
  int UpdateBatchSize() const { return update_batch_size_; }
  void SetUpdateBatchSize(int value) { update_batch_size_ = value; }
  bool UpdateAllFields() const { return update_all_fields_; }
  void SetUpdateAllFields(bool value) { update_all_fields_ = value; }
  bool CacheCalcFields() const { return cache_calc_fields_; }
  void SetCacheCalcFields(bool value);

  TCustomDADataSet* Owner() const { return owner_; }

 protected:
  // Every option but RemoveOnRefresh and UpdateBatchSize, through the setters.
  void AssignTo(classlib::TPersistent* dest) const override;

 private:
  TCustomDADataSet* owner_;
  bool set_fields_read_only_ = false;
  bool required_fields_ = true;
  bool strict_update_ = true;
  bool number_range_ = false;
  bool query_rec_count_ = false;
  bool auto_prepare_ = false;
  bool return_params_ = false;
  bool trim_fixed_char_ = true;
  bool trim_var_char_ = false;
  bool long_strings_ = true;
  bool remove_on_refresh_ = true;
  bool flat_buffers_ = false;
  bool quote_names_ = false;
  int detail_delay_ = 0;
  TCompressBlobMode compress_blob_mode_ = cbNone;
  bool full_refresh_ = false;
  bool local_master_detail_ = false;
  int update_batch_size_ = 1;
  bool update_all_fields_ = false;
  bool cache_calc_fields_ = false;
};

}  // namespace dacore
