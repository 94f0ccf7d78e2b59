// The Oracle data set.
#include "oracle/query_ora_dataset.h"

#include "classlib/ansistr.h"
#include "classlib/field.h"
#include "classlib/field_misc.h"
#include "dacore/trace_monitor.h"
#include "oracle/field_bfile_stream.h"
#include "oracle/field_ora_fields.h"
#include "oracle/field_value_access.h"
#include "oracle/cmd_oci_command.h"
#include "oracle/conn_oci_connection.h"
#include "oracle/query_field_origins.h"
#include "oracle/param_ora_param.h"
#include "oracle/rset_oci_record_set.h"
#include "oracle/query_sql_generator.h"
#include "oracle/query_sql_text.h"
#include "oracle/session_ora_session.h"
#include "oracle/value_data_types.h"

namespace oracle {

using namespace dacore;

namespace {
// Oracle names are at most 30 characters; "LOCK_" leaves 25 for the component.
constexpr size_t kSavepointNameRoom = 25;
}  // namespace

TOraDataSet::TOraDataSet(classlib::TComponent* owner) : TCustomDADataSet(owner) {
  InitUpdateTexts();
  InitCommand();
  InitOptions();
  InitSQLGenerator();
  // An Oracle record set from the start, so that the settings reach its
  // command before any session (the base made none without a connection).
  SetIRecordSet(CreateIRecordSet());
}

std::unique_ptr<TData> TOraDataSet::CreateIRecordSet() {
  std::unique_ptr<TData> record_set = TCustomDADataSet::CreateIRecordSet();
  if (!dynamic_cast<TCRRecordSet*>(record_set.get())) record_set = std::make_unique<TOCIRecordSet>();
  return record_set;
}

// The session every part of the data set works on: locks, keys and change
// notification use the default session exactly when the statements do.
TOraSession* TOraDataSet::Session() const { return dynamic_cast<TOraSession*>(GetUsedConnection()); }

void TOraDataSet::SetSession(TOraSession* session) { SetConnection(session); }

void TOraDataSet::SetKeySequence(const std::string& name) { key_sequence_ = classlib::AnsiUpperCase(name); }

std::string TOraDataSet::LockSavepointName() const {
  const std::string& name = Name();
  return "LOCK_" + (name.size() > kSavepointNameRoom ? name.substr(name.size() - kSavepointNameRoom) : name);
}

std::unique_ptr<TCustomDASQL> TOraDataSet::CreateCommand() { return std::make_unique<TOraSQL>(nullptr, this); }

std::unique_ptr<TDADataSetOptions> TOraDataSet::CreateOptions() { return std::make_unique<TOraDataSetOptions>(this); }

std::unique_ptr<TDASQLGenerator> TOraDataSet::CreateSQLGenerator() { return std::make_unique<TOraSQLGenerator>(this); }

void TOraDataSet::SetIRecordSet(std::unique_ptr<TData> record_set) {
  TCustomDADataSet::SetIRecordSet(std::move(record_set));
  // Until the constructor made them, the options are the base's.
  auto* options = dynamic_cast<TOraDataSetOptions*>(&TCustomDADataSet::Options());
  if (IRecordSet() && options) options->ApplyTo(*IRecordSet());
  if (TCRCommand* command = ICommand()) command->SetProp(prNonBlocking, NonBlocking());
}

void TOraDataSet::SetNonBlocking(bool value) {
  if (auto* record_set = dynamic_cast<TOCIRecordSet*>(IRecordSet())) {
    while (record_set->ExecutingInBackground() || record_set->FetchingAll()) {
      if (record_set->ExecutingInBackground()) record_set->WaitForExecute();
      else record_set->WaitForFetchAll();
    }
  }
  TCustomDADataSet::SetNonBlocking(value);
  // The internal statement keeps the same setting and hands it to the
  // record set's command, now and whenever it is given a command again.
  Command().SetNonBlocking(value);
}

TCustomDAConnection* TOraDataSet::GetUsedConnection() const {
  if (TCustomDAConnection* connection = TCustomDADataSet::GetUsedConnection()) return connection;
  return TOraSession::DefaultSession();
}

void TOraDataSet::InternalPost() {
  if (auto* record_set = dynamic_cast<TOCIRecordSet*>(IRecordSet())) record_set->TakeValueNulls(ActiveBuffer());
  TCustomDADataSet::InternalPost();
}

bool TOraDataSet::PutRecordObject(const TFieldDesc& desc, const classlib::TField& source, TRecBuf rec) {
  auto* record_set = dynamic_cast<TOCIRecordSet*>(IRecordSet());
  auto* source_set = dynamic_cast<TMemDataSet*>(source.DataSet());
  if (!record_set || !source_set || !source_set->RecordSet()) return false;
  // Only a value of the same kind is copied by its object.
  const TFieldDesc* from = source_set->GetFieldDesc(const_cast<classlib::TField*>(&source));
  if (!from || from->DataType() != desc.DataType() || from->ObjectType() != desc.ObjectType()) return false;
  return record_set->PutValueObject(desc.FieldNo(), rec, FieldValueObject(source), source.IsNull());
}

void TOraDataSet::Disconnect() {
  Params().ClearObjects();
  TCustomDADataSet::Disconnect();
}

void TOraDataSet::AssignConnection(classlib::TObject* sender, bool connecting) {
  if (!connecting) Params().ClearObjects();
  TCustomDADataSet::AssignConnection(sender, connecting);
}

// A nested data set that stayed open (the parent's controls were disabled
// while it closed) shows the reopened parent's current record.
void TOraDataSet::DoAfterOpen() {
  TCustomDADataSet::DoAfterOpen();
  for (classlib::TField* field : FieldList()) {
    auto* holder = dynamic_cast<classlib::TDataSetField*>(field);
    classlib::TDataSet* nested = holder ? holder->NestedDataSet() : nullptr;
    if (nested && nested->Active()) nested->NotifyDataEvent(classlib::deParentScroll, 0);
  }
}

void TOraDataSet::DoAfterScroll() {
  // The cancel cancelled the statement and let it go: nothing more comes.
  if (FetchCancelled() && Options().AutoClose()) ClearFetchCancelled();
  TCustomDADataSet::DoAfterScroll();
}

TStatementTypes TOraDataSet::GetSupportedStatementTypes() const {
  return {stInsert, stUpdate, stDelete, stLock, stRefresh};
}

std::string TOraDataSet::AddWhere(const std::string& sql, const std::string& condition) {
  return AddWhereToSQL(sql, condition);
}

std::string TOraDataSet::DeleteWhere(const std::string& sql) { return DeleteWhereInSQL(sql); }

std::string TOraDataSet::SetOrderBy(const std::string& sql, const std::string& fields) {
  return SetOrderByInSQL(sql, fields);
}

std::string TOraDataSet::DeleteOrderBy(const std::string& sql) { return DeleteOrderByInSQL(sql); }

void TOraDataSet::AfterOpenCursor(bool info_query) {
  TCustomDADataSet::AfterOpenCursor(info_query);
  if (!IRecordSet()) return;
  PlaceFieldsInTables(FinalSQL(), *IRecordSet());
  ResolveUpdatingTable(UpdatingTable());
  if (!info_query) AfterFieldsPlaced();
}

void TOraDataSet::InitUpdatingTable() {
  TCustomDADataSet::InitUpdatingTable();
  TCRTableInfo* table = UpdatingTableInfo();
  if (!IRecordSet() || !table) return;
  for (int i = 0; i < IRecordSet()->Fields().Count(); ++i) {
    auto* field = dynamic_cast<TCRFieldDesc*>(IRecordSet()->Fields().GetItems(i));
    if (field && field->TableInfo() == table && classlib::AnsiUpperCase(field->Name()) == "ROWID") {
      SetRowIdentityField(field);
      return;
    }
  }
}

void TOraDataSet::DetectKeyFields(std::vector<TCRFieldDesc*>& key_fields) {
  if (TCRFieldDesc* row_id = RowIdentityField()) {
    key_fields.push_back(row_id);
    return;
  }
  TCRTableInfo* table = UpdatingTableInfo();
  TOraSession* session = Session();
  if (!table || !session || !IRecordSet()) return;
  std::vector<TCRFieldDesc*> found;
  for (const std::string& column : ReadKeyColumns(*session, table->TableName())) {
    TCRFieldDesc* match = nullptr;
    for (int i = 0; i < IRecordSet()->Fields().Count() && !match; ++i) {
      auto* field = dynamic_cast<TCRFieldDesc*>(IRecordSet()->Fields().GetItems(i));
      if (field && field->TableInfo() == table && classlib::AnsiUpperCase(field->ActualName()) == column)
        match = field;
    }
    // Part of a key identifies no row: the generator's own fallback is safer.
    if (!match) return;
    found.push_back(match);
  }
  key_fields = found;
}

classlib::TFieldType TOraDataSet::GetFieldType(TDataType data_type) {
  // Parameters and fields share the mapping; a CFILE column has no field
  // type of its own.
  if (data_type == dtCFile) return classlib::ftUnknown;
  return OraDataTypeToFieldType(data_type);
}

classlib::TFieldType TOraDataSet::GetFieldTypeOfDesc(const TFieldDesc& desc) {
  // An object column learns its type at the first fetch; the field needs it
  // now to tell a nested table from other objects.
  auto* column = dynamic_cast<TOCIFieldDesc*>(const_cast<TFieldDesc*>(&desc));
  auto* record_set = dynamic_cast<TOCIRecordSet*>(IRecordSet());
  TOCIConnection* connection = record_set ? record_set->Connection() : nullptr;
  if (column && !desc.HasParent() && desc.DataType() == dtObject && !desc.ObjectType() && !column->TypeName.empty() &&
      connection && connection->GetConnected())
    record_set->DescribeObjectType(*column);
  if (IsNestedTableDesc(desc)) return classlib::ftDataSet;
  if (IsXmlDesc(desc)) return ftXML;
  return TCustomDADataSet::GetFieldTypeOfDesc(desc);
}

classlib::TField* TOraDataSet::CreateFieldOfType(classlib::TFieldType type, classlib::TComponent* owner) {
  if (classlib::TField* field = CreateOraField(type, owner)) return field;
  return TCustomDADataSet::CreateFieldOfType(type, owner);
}

std::unique_ptr<classlib::TStream> TOraDataSet::CreateBlobStream(classlib::TField* field,
                                                                 classlib::TBlobStreamMode mode) {
  if (field && field->DataType() == ftBFile) return CreateBFileStream(*this, field, mode);
  return TCustomDADataSet::CreateBlobStream(field, mode);
}

void TOraDataSet::BeforeExecute() {
  if (Prepared()) return;
  AttachChangeNotification();
  PrepareUncounted();
}

int TOraDataSet::GetRecCount() {
  TCustomDAConnection* connection = GetUsedConnection();
  if (!connection) return 0;
  std::unique_ptr<TCustomDADataSet> counter = connection->CreateDataSet();
  counter->SetInternal(true);
  const std::string sql = RecordCountSQL(FinalSQL());
  counter->SetSQL(sql);
  counter->Params().Assign(&Params());
  counter->Prepare();
  if (!counter->IsQuery()) return 0;
  uint32_t message_id = 0;
  const bool traced = TCustomDASQLMonitor::HasMonitor() || Debug();
  if (traced) TCustomDASQLMonitor::NotifySQLExecute(this, sql, &Params(), "Get RecCount", message_id, true);
  counter->Open();
  if (traced) TCustomDASQLMonitor::NotifySQLExecute(this, sql, &Params(), "Get RecCount", message_id, false);
  const int count = counter->IsEmpty() ? 0 : counter->FieldByNumber(1)->AsInteger();
  counter->Close();
  return count;
}

bool TCustomOraQuery::GetCanModify() const {
  if (TOraDataSet::GetCanModify()) return true;
  if (ReadOnly() || UniDirectional()) return false;
  auto* self = const_cast<TCustomOraQuery*>(this);
  if (TOraQuery::UpdateStatementsRequired && dynamic_cast<TOraQuery*>(self) && self->SQLInsert().Count() == 0 &&
      self->SQLUpdate().Count() == 0 && self->SQLDelete().Count() == 0)
    return false;
  if (self->Options().ScrollableCursor()) return false;
  return HasUpdatableFields();
}

bool TCustomOraQuery::HasUpdatableFields() const {
  auto* self = const_cast<TCustomOraQuery*>(this);
  TCRTableInfo* table = self->UpdatingTableInfo();
  if (!table || !IRecordSet()) return false;
  for (int i = 0; i < IRecordSet()->Fields().Count(); ++i) {
    auto* field = dynamic_cast<TCRFieldDesc*>(IRecordSet()->Fields().GetItems(i));
    if (field && field->TableInfo() == table) return true;
  }
  return false;
}

}  // namespace oracle
