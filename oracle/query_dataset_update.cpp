// The Oracle data set storing its edits: row locks under a savepoint that a
// failure rolls back to, the parameters of the update statements (LOBs
// written through the locators the statement returns), and the ROWID the
// server gives a new row.
#include "classlib/field.h"
#include "classlib/unaligned.h"
#include "dacore/blob.h"
#include "dacore/data_types.h"
#include "dacore/support_access_utils.h"
#include "oracle/call_binding.h"
#include "oracle/call_state.h"
#include "oracle/cmd_field_desc.h"
#include "oracle/cmd_oci_command.h"
#include "oracle/lob_ora_lob.h"
#include "oracle/object_ora_object.h"
#include "oracle/param_ora_param.h"
#include "oracle/query_ora_dataset.h"
#include "oracle/rset_oci_record_set.h"
#include "oracle/session_ora_session.h"
#include "oracle/value_data_types.h"

namespace oracle {

using namespace dacore;

namespace {

bool IsLobType(TDataType type) { return type == dtOraBlob || type == dtOraClob; }

bool IsMemoType(TDataType type) { return type == dtMemo || type == dtWideMemo; }

// The types whose values are objects of their own: date-times, intervals, NUMBERs.
bool IsValueObjectType(TDataType type) {
  return type == dtTimeStamp || type == dtTimeStampTZ || type == dtTimeStampLTZ || type == dtIntervalYM ||
         type == dtIntervalDS || type == dtNumber;
}

uint16_t SubTypeOf(const TFieldDesc& field) {
  const auto* oci = dynamic_cast<const TOCIFieldDesc*>(&field);
  return oci ? oci->SubDataType : 0;
}

// An NCHAR or NVARCHAR2 column: its values bind in the national character
// set, so characters beyond the database's own survive.
bool IsNationalText(const TFieldDesc& field) {
  const uint16_t sub_type = SubTypeOf(field);
  return sub_type == stNationalString || sub_type == stNationalWideString;
}

void SetNationalText(TOraParam& param, const TFieldDesc* field) {
  const bool national = field && IsNationalText(*field);
  if (national || param.National()) param.SetNational(national);
}

// The Oracle command behind an update statement, or nullptr.
TOCICommand* CommandOf(TCustomDASQL* statement) {
  return statement ? dynamic_cast<TOCICommand*>(statement->ICommand()) : nullptr;
}

}  // namespace

// ---- Locks ------------------------------------------------------------------------------

void TOraDataSet::PerformLock() { PerformSQL("", {stLock}); }

void TOraDataSet::SetLockSavepoint() {
  if (TOraSession* session = Session()) session->Savepoint(LockSavepointName());
}

void TOraDataSet::RollbackToLockSavepoint() {
  if (TOraSession* session = Session(); session && session->Connected()) session->RollbackToSavepoint(LockSavepointName());
}

// The savepoint and the lock, undone together when the lock is refused.
void TOraDataSet::LockUnderSavepoint(bool for_edit) {
  SetLockSavepoint();
  try {
    if (for_edit) LockEditedRecord();
    else PerformLock();
  } catch (...) {
    RollbackToLockSavepoint();
    throw;
  }
}

void TOraDataSet::LockRecord() {
  // The edit began with a use of the connection (HoldsConnectionInEdit).
  edit_holds_connection_ = HoldsConnectionInEdit() && !HoldsConnection();
  record_holds_connection_ = HoldsConnectionInEdit() && HoldsConnection();
  if (lock_mode_ != lmLockImmediate || CachedUpdates() || !Active() || IsEmpty()) return;
  try {
    LockUnderSavepoint(true);
  } catch (...) {
    // A refused lock ends the edit before it began.
    if (edit_holds_connection_ || record_holds_connection_) EndConnection();
    edit_holds_connection_ = false;
    record_holds_connection_ = false;
    throw;
  }
  edit_lock_held_ = true;
}

void TOraDataSet::StopEditing() {
  if (edit_lock_held_ && State() != classlib::dsInsert && !CachedUpdates()) {
    edit_lock_held_ = false;
    RollbackToLockSavepoint();
  }
  edit_lock_held_ = false;
  if (edit_holds_connection_) {
    edit_holds_connection_ = false;
    EndConnection();
  }
  // A post that failed leaves the record being edited, still holding it.
  if (record_holds_connection_ && State() == classlib::dsBrowse) {
    record_holds_connection_ = false;
    EndConnection();
  }
  TCustomDADataSet::StopEditing();
}

void TOraDataSet::Cancel() {
  // The inherited cancel gives the record's use back (HoldsConnection).
  if (State() == classlib::dsEdit || State() == classlib::dsInsert) record_holds_connection_ = false;
  TCustomDADataSet::Cancel();
}

void TOraDataSet::InitRecord(classlib::TRecordBuffer buffer) {
  TOraSession* session = Session();
  if (session && session->Options().DisconnectedMode() && HoldsObjectFields()) {
    BeginConnection(true);
    record_holds_connection_ = true;
  }
  TCustomDADataSet::InitRecord(buffer);
  auto* record_set = dynamic_cast<TOCIRecordSet*>(IRecordSet());
  // A new record (the state becomes dsInsert after this); an edited one is cleared instead.
  if (record_set && State() != classlib::dsEdit) record_set->NullNewValues(buffer);
}

bool TOraDataSet::Executing() const {
  const auto* record_set = dynamic_cast<const TOCIRecordSet*>(IRecordSet());
  return (record_set && record_set->ExecutingInBackground()) || TCustomDADataSet::Executing();
}

bool TOraDataSet::CommandFinished() const { return !Executing() && TCustomDADataSet::CommandFinished(); }

bool TOraDataSet::HoldsObjectFields() const {
  classlib::Variant value;
  return IRecordSet() && IRecordSet()->GetProp(prHasObjectFields, value) && value.AsBoolean();
}

bool TOraDataSet::HoldsConnectionInEdit() const {
  return (!CachedUpdates() && lock_mode_ == lmLockImmediate) || HoldsObjectFields();
}

bool TOraDataSet::HoldsConnection() const {
  if (TCustomDADataSet::HoldsConnection()) return true;
  TOraSession* session = Session();
  return session && session->Options().DisconnectedMode() && HoldsObjectFields();
}

// ---- Storing ----------------------------------------------------------------------------

bool TOraDataSet::PerformUpdate() {
  BeginConnection(true);
  try {
    const bool delayed = lock_mode_ == lmLockDelayed;
    if (delayed) LockUnderSavepoint();
    bool stored = false;
    try {
      stored = PerformSQL("", {stUpdate});
    } catch (...) {
      if (delayed) RollbackToLockSavepoint();
      throw;
    }
    if (stored) {
      // The update's transaction holds the row now; its commit ends the lock.
      edit_lock_held_ = false;
      // A logical ROWID (index-organised table) changes with the key.
      if (UpdateRowId(stUpdate).rfind('*', 0) == 0) CopyRowIdAfterPost(stUpdate);
      if (RefreshOptions().Contains(roAfterUpdate)) RefreshRecordAfterPost();
    } else if (lock_mode_ != lmNone && !CachedUpdates()) {
      // The rollback gives the edit's lock back: the end of the edit has
      // none left to give.
      edit_lock_held_ = false;
      RollbackToLockSavepoint();
    }
    EndConnection();
    return stored;
  } catch (...) {
    EndConnection();
    throw;
  }
}

bool TOraDataSet::PerformDelete() {
  BeginConnection(true);
  const bool locking = lock_mode_ != lmNone && Active() && !IsEmpty();
  try {
    if (locking) LockUnderSavepoint();
    bool deleted = false;
    try {
      deleted = TCustomDADataSet::PerformDelete();
    } catch (...) {
      if (locking) RollbackToLockSavepoint();
      throw;
    }
    EndConnection();
    return deleted;
  } catch (...) {
    EndConnection();
    throw;
  }
}

bool TOraDataSet::PerformSQL(const std::string& sql, TStatementTypes types) {
  // The check rides along with the kinds that store a record; a check asked
  // alone stays.
  if (!(types == TStatementTypes{stCheck})) types.Exclude(stCheck);
  if (types.Contains(stLock) && types.Contains(stRefresh)) {
    // The lock's SELECT answers the row: as the refresh's statement its
    // answer is copied into the record (exactly one row with StrictUpdate)
    // and nothing commits the lock away.
    if (sql.empty()) types.Exclude(stRefresh);
    else types = TStatementTypes{stRefresh};
  }
  const bool stored = TCustomDADataSet::PerformSQL(sql, types);
  if (stored && types.Contains(stInsert) && RowIdentityField()) WakeOlderServerRowId();
  return stored;
}

// Clients 8.1.5 to 8.1.x against an 8.0 server hand the new row's ROWID
// over only after one more statement on the same cursor.
void TOraDataSet::WakeOlderServerRowId() {
  // The query costs nothing where it is not needed: a client that may be of
  // that range (only its minor release known) runs it too.
  if (!ClientReleaseMayBeIn(8150, 8999) || !UpdateRowId(stInsert).empty()) return;
  TOraSession* session = Session();
  const std::string server = session ? session->GetServerVersion() : "";
  if (!(server > "8.0" && server < "8.1")) return;
  if (TCustomDASQL* statement = UpdateStatement(stInsert)) {
    statement->SetSQL("select 1 from dual where 1=0");
    statement->Execute();
  }
}

// A lock statement is a query run for the lock it takes: its row count
// says nothing about the row (a row another session holds is refused by
// the server with its own error).
void TOraDataSet::CheckUpdateResult(TStatementType type, TStatementTypes types) {
  if (type == stLock) return;
  TCustomDADataSet::CheckUpdateResult(type, types);
}

classlib::TComponent& TOraDataSet::CheckUpdateQuery(TStatementType type) {
  classlib::TComponent& query = TCustomDADataSet::CheckUpdateQuery(type);
  if (auto* data_set = dynamic_cast<TOraDataSet*>(&query)) {
    TOraDataSetOptions& options = data_set->Options();
    options.SetCacheLobs(Options().CacheLobs());
    options.SetFieldsAsString(Options().FieldsAsString());
    options.SetRawAsString(Options().RawAsString());
    options.SetTemporaryLobUpdate(Options().TemporaryLobUpdate());
  }
  TCRCommand* command = TDBAccessUtils::GetICommand(&query);
  // A statement stores LOB values as this data set does: with its cache
  // setting, through temporary LOBs when they are asked for (the generated
  // text then binds the values), compressed as its CompressBlobMode says.
  if (command && !dynamic_cast<TOraDataSet*>(&query)) {
    command->SetProp(prCacheLobs, Options().CacheLobs());
    command->SetProp(prTemporaryLobUpdate, Options().TemporaryLobUpdate());
    command->RecordSetFlag = static_cast<uint8_t>(Options().CompressBlobMode());
  }
  // The ROWID of the row an insert or update wrote is read after each
  // execute; other statements have none to give.
  if (command && (type == stInsert || type == stUpdate)) command->SetProp(prStoreRowId, true);
  return query;
}

// ---- The ROWID of a new row -------------------------------------------------------------

std::string TOraDataSet::UpdateRowId(TStatementType type) const {
  TOCICommand* command = CommandOf(UpdateStatement(type));
  return command ? command->RowId() : std::string();
}

void TOraDataSet::AfterInsertHook() { CopyRowIdAfterPost(stInsert); }

// The record's ROWID field takes the text the server gave the row; a
// read-only field is made writable for the assignment.
void TOraDataSet::CopyRowIdAfterPost(TStatementType type) {
  TCRFieldDesc* desc = RowIdentityField();
  const std::string rowid = UpdateRowId(type);
  if (!desc || rowid.empty()) return;
  classlib::TField* field = FindField(desc->Name());
  if (!field) return;
  const bool read_only = field->ReadOnly();
  field->SetReadOnly(false);
  try {
    field->SetAsString(rowid);
  } catch (...) {
    field->SetReadOnly(read_only);
    throw;
  }
  field->SetReadOnly(read_only);
}

// ---- Parameters of the update statements ------------------------------------------------

void TOraDataSet::AssignFieldValue(TDAParam& param, const TFieldDesc& field, bool old) {
  auto* ora = dynamic_cast<TOraParam*>(&param);
  const TDataType type = field.DataType();
  TRecBuf rec = old ? nullptr : ActiveBuffer();
  auto* record_set = dynamic_cast<TOCIRecordSet*>(IRecordSet());
  if (ora && rec && record_set && IsValueObjectType(type)) {
    // The object itself: a date-time keeps its fraction and zone, a NUMBER its digits.
    param.SetDataType(GetFieldType(type));
    if (TSharedObject* object = record_set->ValueObject(field.FieldNo(), rec)) ora->SetParamObject(object);
    return;
  }
  if (ora && rec && IsObjectValueType(type)) {
    // Objects, REFs, collections and XML values: the record's value itself.
    auto* object = static_cast<TOraObject*>(classlib::LoadUnaligned<void*>(static_cast<uint8_t*>(rec) + field.Offset()));
    if (object) ora->SetAsObject(object);
    else param.Clear();
    return;
  }
  if (!ora || !rec || !(IsLobType(type) || (IsMemoType(type) && SubTypeOf(field) == stString))) {
    TCustomDADataSet::AssignFieldValue(param, field, old);
    if (ora) SetNationalText(*ora, &field);
    return;
  }
  TBlob* blob = IRecordSet()->GetBlob(field.FieldNo(), rec);
  const bool is_null = FieldValueIsNull(field, false);
  if (IsMemoType(type)) {
    // A text column the record keeps as a memo goes back as text.
    param.SetDataType(type == dtWideMemo ? classlib::ftWideString : classlib::ftString);
    param.SetValue(is_null ? classlib::Variant(classlib::Null()) : classlib::Variant(blob->GetAsString()));
    return;
  }
  param.SetDataType(type == dtOraBlob ? classlib::ftOraBlob : classlib::ftOraClob);
  if (type == dtOraClob) ora->SetNational(SubTypeOf(field) == stNationalClob);
  // The content goes into the parameter's own LOB; the statement returns
  // the row's locator into it and the command writes the content there.
  TOraLob* lob = type == dtOraBlob ? ora->AsOraBlob() : ora->AsOraClob();
  lob->Clear();
  if (!is_null) lob->SetAsString(blob->GetAsString());
}

// Returned values come back through input/output parameters; a refresh
// finds its row by the ROWID the record was read with.
void TOraDataSet::AssignUpdateParams(TStatementType type, bool generated) {
  TCustomDADataSet::AssignUpdateParams(type, generated);
  const bool refresh = type == stRefresh;
  TCustomDASQL* statement = UpdateObject() ? nullptr : UpdateStatement(type);
  // A notified row is read with the query's own parameters, whatever fields
  // share their names: the new record holds nothing but its ROWID.
  if (reading_notified_row_ && statement) {
    TDAParams& params = statement->Params();
    for (int i = 0; i < params.Count(); ++i) {
      TDAParam* param = params.Items(i);
      if (TDAParam* own = Params().FindParam(param->Name())) {
        const std::string name = param->Name();
        param->Assign(own);
        param->SetName(name);
      }
    }
  }
  if ((!refresh && !GetReturnParams()) || !statement) return;
  TDAParams& params = statement->Params();
  for (int i = 0; i < params.Count(); ++i) {
    TDAParam* param = params.Items(i);
    if (param->DataType() != classlib::ftOraBlob && param->DataType() != classlib::ftOraClob)
      param->SetParamType(classlib::ptInputOutput);
  }
  if (!refresh) return;
  TDAParam* old_rowid = params.FindParam("OLD_ROWID");
  TCRFieldDesc* desc = RowIdentityField();
  classlib::TField* field = desc ? FindField(desc->Name()) : nullptr;
  if (old_rowid && field) old_rowid->SetAsString(field->AsString());
}

void TOraParam::AssignField(const classlib::TField* field) {
  TDAParam::AssignField(field);
  auto* data_set = field ? dynamic_cast<TOraDataSet*>(field->DataSet()) : nullptr;
  SetNationalText(*this, data_set ? data_set->GetFieldDesc(const_cast<classlib::TField*>(field)) : nullptr);
}

}  // namespace oracle
