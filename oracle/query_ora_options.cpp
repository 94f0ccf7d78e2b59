// The Oracle data set's options.
#include "oracle/query_ora_options.h"

#include "dacore/dataset_component.h"
#include "oracle/cmd_oci_command.h"
#include "oracle/rset_oci_record_set.h"

namespace oracle {

using dacore::TCRRecordSet;

TOraDataSetOptionsDS::TOraDataSetOptionsDS(dacore::TCustomDADataSet* owner)
    : TDADataSetOptions(owner) {}

void TOraDataSetOptionsDS::PassToRecordSet(int prop, bool value) {
  if (Owner()) Owner()->OptionsChanged(prop, value);
}

void TOraDataSetOptionsDS::PassToCommand(int prop, const classlib::Variant& value) {
  if (Owner() && Owner()->ICommand()) Owner()->ICommand()->SetProp(prop, value);
}

void TOraDataSetOptionsDS::SetAutoClose(bool value) {
  auto_close_ = value;
  PassToRecordSet(prAutoClose, value);
}

void TOraDataSetOptionsDS::SetFieldsAsString(bool value) {
  fields_as_string_ = value;
  PassToCommand(prFieldsAsString, value);
}

void TOraDataSetOptionsDS::SetDeferredLobRead(bool value) {
  deferred_lob_read_ = value;
  PassToRecordSet(prDeferredLobRead, value);
}

void TOraDataSetOptionsDS::SetCacheLobs(bool value) {
  if (Owner()) Owner()->CheckDataSetInactive();
  cache_lobs_ = value;
  PassToCommand(prCacheLobs, value);
}

void TOraDataSetOptionsDS::SetScrollableCursor(bool value) {
  if (Owner()) Owner()->CheckDataSetInactive();
  scrollable_cursor_ = value;
  PassToCommand(prScrollableCursor, value);
}

void TOraDataSetOptionsDS::SetRawAsString(bool value) {
  raw_as_string_ = value;
  PassToCommand(prRawAsString, value);
}

void TOraDataSetOptionsDS::ApplyTo(TCRRecordSet& record_set) const {
  record_set.SetProp(prAutoClose, auto_close_);
  record_set.SetProp(prDeferredLobRead, deferred_lob_read_);
  dacore::TCRCommand* command = record_set.GetCommand();
  if (!command) return;
  command->SetProp(prFieldsAsString, fields_as_string_);
  command->SetProp(prCacheLobs, cache_lobs_);
  command->SetProp(prScrollableCursor, scrollable_cursor_);
  command->SetProp(prRawAsString, raw_as_string_);
}

TOraDataSetOptions::TOraDataSetOptions(dacore::TCustomDADataSet* owner) : TOraDataSetOptionsDS(owner) {}

void TOraDataSetOptions::SetTemporaryLobUpdate(bool value) {
  temporary_lob_update_ = value;
  PassToCommand(prTemporaryLobUpdate, value);
}

void TOraDataSetOptions::SetStatementCache(bool value) {
  statement_cache_ = value;
  PassToCommand(prCommandStatementCache, value);
}

void TOraDataSetOptions::SetPrefetchRows(int value) {
  prefetch_rows_ = value;
  PassToCommand(prPrefetchRows, value);
}

void TOraDataSetOptions::ApplyTo(TCRRecordSet& record_set) const {
  TOraDataSetOptionsDS::ApplyTo(record_set);
  dacore::TCRCommand* command = record_set.GetCommand();
  if (!command) return;
  command->SetProp(prTemporaryLobUpdate, temporary_lob_update_);
  command->SetProp(prCommandStatementCache, statement_cache_);
  command->SetProp(prPrefetchRows, prefetch_rows_);
}

}  // namespace oracle
