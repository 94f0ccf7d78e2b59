// The data set's options and what their setters change in the data set.
#include "dacore/dataset_options.h"

#include "dacore/dataset_component.h"
#include "dacore/driver_props.h"

namespace dacore {

void TDADataSetOptions::SetRequiredFields(bool value) {
  if (value == required_fields_) return;
  required_fields_ = value;
  owner_->SetLocalConstraints(value);
  owner_->FieldDefsOutOfDate();
}

void TDADataSetOptions::SetNumberRange(bool value) {
  number_range_ = value;
  owner_->SetRangeCheck(value);
}

void TDADataSetOptions::SetAutoPrepare(bool value) {
  if (value == auto_prepare_) return;
  owner_->UnPrepare();
  auto_prepare_ = value;
}

void TDADataSetOptions::SetTrimFixedChar(bool value) {
  trim_fixed_char_ = value;
  if (owner_->RecordSet()) owner_->RecordSet()->SetTrimFixedChars(value);
}

void TDADataSetOptions::SetTrimVarChar(bool value) {
  trim_var_char_ = value;
  if (owner_->RecordSet()) owner_->RecordSet()->SetTrimVarChars(value);
}

void TDADataSetOptions::SetLongStrings(bool value) {
  owner_->CheckDataSetInactive();
  long_strings_ = value;
  owner_->OptionsChanged(prLongStrings, value);
  owner_->FieldDefsOutOfDate();
}

void TDADataSetOptions::SetFlatBuffers(bool value) {
  owner_->CheckDataSetInactive();
  flat_buffers_ = value;
  owner_->OptionsChanged(prFlatBuffers, value);
}

void TDADataSetOptions::SetCompressBlobMode(TCompressBlobMode value) {
  if (value == compress_blob_mode_) return;
  owner_->CheckDataSetInactive();
  compress_blob_mode_ = value;
  owner_->OptionsChanged(prRecordSetProp30, static_cast<int>(value));
  owner_->FieldDefsOutOfDate();
}

void TDADataSetOptions::SetLocalMasterDetail(bool value) {
  if (value == local_master_detail_) return;
  owner_->CheckDataSetInactive();
  local_master_detail_ = value;
  owner_->LocalMasterDetailChanged(value);
}

void TDADataSetOptions::SetDetailDelay(int value) {
  detail_delay_ = value;
  owner_->DetailDelayChanged(value);
}

void TDADataSetOptions::SetCacheCalcFields(bool value) {
  if (value == cache_calc_fields_) return;
  owner_->CheckDataSetInactive();
  cache_calc_fields_ = value;
  owner_->SetCacheCalcFields(value);
}

void TDADataSetOptions::AssignTo(classlib::TPersistent* dest) const {
  auto* other = dynamic_cast<TDADataSetOptions*>(dest);
  if (!other) {
    TPersistent::AssignTo(dest);
    return;
  }
  other->SetSetFieldsReadOnly(set_fields_read_only_);
  other->SetRequiredFields(required_fields_);
  other->SetStrictUpdate(strict_update_);
  other->SetNumberRange(number_range_);
  other->SetQueryRecCount(query_rec_count_);
  other->SetAutoPrepare(auto_prepare_);
  other->SetReturnParams(return_params_);
  other->SetTrimFixedChar(trim_fixed_char_);
  other->SetTrimVarChar(trim_var_char_);
  other->SetLongStrings(long_strings_);
  other->SetFlatBuffers(flat_buffers_);
  other->SetQuoteNames(quote_names_);
  other->SetDetailDelay(detail_delay_);
  other->SetCompressBlobMode(compress_blob_mode_);
  other->SetFullRefresh(full_refresh_);
  other->SetLocalMasterDetail(local_master_detail_);
  other->SetUpdateAllFields(update_all_fields_);
  other->SetCacheCalcFields(cache_calc_fields_);
}

}  // namespace dacore
