// The Oracle data set's options. Each one that the driver objects read is
// handed to the record set or its command when it is set and again when
// the data set gets a new record set.
#pragma once

#include "dacore/dataset_options.h"
#include "dacore/driver_record_set.h"

namespace oracle {

class TOraDataSetOptionsDS : public dacore::TDADataSetOptions {
  CLASSLIB_CLASS(TOraDataSetOptionsDS, dacore::TDADataSetOptions)
 public:
  explicit TOraDataSetOptionsDS(dacore::TCustomDADataSet* owner);

  bool KeepPrepared() const { return AutoPrepare(); }
  void SetKeepPrepared(bool value) { SetAutoPrepare(value); }
  bool AutoClose() const { return auto_close_; }
  void SetAutoClose(bool value);
  bool FieldsOrigin() const { return fields_origin_; }
  void SetFieldsOrigin(bool value) { fields_origin_ = value; }
  bool DefaultValues() const { return default_values_; }
  void SetDefaultValues(bool value) { default_values_ = value; }
  bool FieldsAsString() const { return fields_as_string_; }
  void SetFieldsAsString(bool value);
  bool DeferredLobRead() const { return deferred_lob_read_; }
  void SetDeferredLobRead(bool value);
  // CacheLobs and ScrollableCursor only change while the data set is closed.
  bool CacheLobs() const { return cache_lobs_; }
  void SetCacheLobs(bool value);
  bool ScrollableCursor() const { return scrollable_cursor_; }
  void SetScrollableCursor(bool value);
  bool RawAsString() const { return raw_as_string_; }
  void SetRawAsString(bool value);

  // Hands every driver option to a record set and its command.
  virtual void ApplyTo(dacore::TCRRecordSet& record_set) const;

 protected:
  void PassToRecordSet(int prop, bool value);
  void PassToCommand(int prop, const classlib::Variant& value);

 private:
  bool auto_close_ = false;
  bool fields_origin_ = false;
  bool default_values_ = false;
  bool fields_as_string_ = false;
  bool deferred_lob_read_ = false;
  bool cache_lobs_ = true;
  bool scrollable_cursor_ = false;
  bool raw_as_string_ = false;
};

class TOraDataSetOptions : public TOraDataSetOptionsDS {
  CLASSLIB_CLASS(TOraDataSetOptions, TOraDataSetOptionsDS)
 public:
  explicit TOraDataSetOptions(dacore::TCustomDADataSet* owner);

  bool TemporaryLobUpdate() const { return temporary_lob_update_; }
  void SetTemporaryLobUpdate(bool value);
  bool ExtendedFieldsInfo() const { return extended_fields_info_; }
  void SetExtendedFieldsInfo(bool value) { extended_fields_info_ = value; }
  bool ReflectChangeNotify() const { return reflect_change_notify_; }
  void SetReflectChangeNotify(bool value) { reflect_change_notify_ = value; }
  bool StatementCache() const { return statement_cache_; }
  void SetStatementCache(bool value);
  int PrefetchRows() const { return prefetch_rows_; }
  void SetPrefetchRows(int value);

  void ApplyTo(dacore::TCRRecordSet& record_set) const override;

 private:
  bool temporary_lob_update_ = false;
  bool extended_fields_info_ = false;
  bool reflect_change_notify_ = false;
  bool statement_cache_ = false;
  int prefetch_rows_ = 1;
};

}  // namespace oracle
