// What a TOraDataSet settles once its fields exist, and what a new record
// gets: field origins and server defaults, key-field names, default values
// (evaluated by the server when they are expressions) and sequence keys.
#include <algorithm>
#include <memory>

#include "classlib/ansistr.h"
#include "classlib/field.h"
#include "classlib/format.h"
#include "dacore/messages.h"
#include "dacore/trace_monitor.h"
#include "oracle/query_field_dictionary.h"
#include "oracle/query_ora_dataset.h"
#include "oracle/session_ora_session.h"

namespace oracle {

using namespace dacore;

namespace {

constexpr const char* kKeyFieldNotFound = "%s: Key field '%s' not found";

bool Traced(const TCustomDADataSet& data_set) { return TCustomDASQLMonitor::HasMonitor() || data_set.Debug(); }

}  // namespace

void TOraDataSet::SetKeyFields(const std::string& value) {
  const std::string upper = classlib::AnsiUpperCase(value);
  if (upper == KeyFields()) return;
  TCustomDADataSet::SetKeyFields(upper);
  if (Active()) CheckKeyFieldNames();
}

void TOraDataSet::GetKeyFieldDescs(std::vector<TCRFieldDesc*>& key_fields, std::vector<TCRFieldDesc*>& data_fields,
                                   bool all_fields) {
  TCustomDADataSet::GetKeyFieldDescs(key_fields, data_fields, all_fields);
  if (TCRFieldDesc* row_id = RowIdentityField()) std::erase(data_fields, row_id);
}

void TOraDataSet::Assign(const classlib::TPersistent* source) {
  TCustomDADataSet::Assign(source);
  const auto* other = dynamic_cast<const TOraDataSet*>(source);
  if (!other) return;
  SetNonBlocking(other->NonBlocking());
  SetLockMode(other->LockMode());
  TCustomDADataSet::SetKeyFields(other->KeyFields());
}

void TOraDataSet::CheckKeyFieldNames() {
  if (!IRecordSet()) return;
  for (const std::string& name : SplitFieldNames(KeyFields())) {
    if (IRecordSet()->FindField(name)) continue;
    bool by_column = false;
    for (int i = 0; i < IRecordSet()->Fields().Count() && !by_column; ++i)
      by_column = classlib::AnsiUpperCase(IRecordSet()->Fields().GetItems(i)->ActualName()) == name;
    if (by_column) continue;
    const std::string message = classlib::Format(kKeyFieldNotFound, {Name(), name});
    TCustomDADataSet::SetKeyFields("");
    classlib::DatabaseError(message);
  }
}

void TOraDataSet::AfterFieldsPlaced() {
  if (DefaultFields())
    if (classlib::TField* row_id = FindField("ROWID")) {
      row_id->SetVisible(false);
      row_id->SetReadOnly(true);
    }
  ApplyFieldOrigins();
  if (TCRFieldDesc* key_desc = SequenceKeyField())
    if (classlib::TField* key = FindField(key_desc->Name())) key->SetRequired(false);
  CheckKeyFieldNames();
}

// The dictionary is asked only for defaults, or for origins that the
// statement's own text cannot tell (a column without a qualifier among
// several tables).
void TOraDataSet::ApplyFieldOrigins() {
  TOraDataSetOptions& options = Options();
  const bool origins = options.FieldsOrigin(), defaults = options.DefaultValues();
  if (!IRecordSet() || (!origins && !defaults && !options.ExtendedFieldsInfo())) return;
  TCRTablesInfo& tables = IRecordSet()->TablesInfo();
  bool unplaced = false;
  for (int i = 0; i < IRecordSet()->Fields().Count(); ++i) {
    auto* desc = dynamic_cast<TCRFieldDesc*>(IRecordSet()->Fields().GetItems(i));
    if (desc && !desc->HasParent() && desc->FieldKind() != fkCalculated && !desc->TableInfo()) unplaced = true;
  }
  TOraSession* session = Session();
  const bool ask = session && session->Connected() && (defaults || (unplaced && tables.Count() > 1));
  std::vector<TColumnInfo> columns;
  if (ask) columns = DescribeColumnsFromDictionary(*session, FinalSQL(), tables, defaults);
  for (int i = 0; i < IRecordSet()->Fields().Count(); ++i) {
    auto* desc = dynamic_cast<TCRFieldDesc*>(IRecordSet()->Fields().GetItems(i));
    if (!desc || desc->HasParent() || desc->FieldKind() == fkCalculated) continue;
    const TColumnInfo* match = nullptr;
    for (TColumnInfo& column : columns) {
      if (column.Taken || column.Expression) continue;
      const std::string shown = column.Alias.empty() ? column.Name : StoredName(column.Alias);
      if (shown != desc->Name()) continue;
      column.Taken = true;
      match = &column;
      break;
    }
    if (match && match->TableIndex >= 0) desc->SetTableInfo(tables.Items(match->TableIndex));
    classlib::TField* field = FindField(desc->Name());
    if (!field) continue;
    const std::string column_name = match ? match->Name : desc->ActualName();
    if (origins && desc->TableInfo()) field->SetOrigin(desc->TableInfo()->TableName() + "." + column_name);
    if (defaults && match && !match->Default.empty()) field->SetDefaultExpression(match->Default);
  }
}

void TOraDataSet::DoOnNewRecord() {
  for (classlib::TField* field : FieldList())
    if (!field->DefaultExpression().empty()) ApplyDefaultExpression(field);
  if (!key_sequence_.empty() && sequence_mode_ == smInsert) FetchSequenceValue();
  TCustomDADataSet::DoOnNewRecord();
}

void TOraDataSet::ApplyDefaultExpression(classlib::TField* field) {
  TOraSession* session = Session();
  try {
    TCustomDADataSet::ApplyDefaultExpression(field);
    return;
  } catch (const classlib::Exception&) {
    // No literal of the field's type: the server evaluates the expression.
    if (!session) throw;
  }
  const std::string sql = "SELECT " + field->DefaultExpression() + " FROM Dual";
  std::unique_ptr<TCustomDADataSet> query = session->CreateDataSet();
  query->SetParamCheck(false);
  query->SetSQL(sql);
  uint32_t message_id = 0;
  const bool traced = Traced(*this);
  if (traced) TCustomDASQLMonitor::NotifySQLExecute(this, sql, nullptr, "Select default value", message_id, true);
  query->Open();
  if (traced) TCustomDASQLMonitor::NotifySQLExecute(this, sql, nullptr, "Select default value", message_id, false);
  if (!query->IsEmpty()) field->SetValue(query->FieldByNumber(1)->Value());
}

// The block runs as a custom statement of the update machinery with
// returned parameters, so the value lands in the key field of the record
// being inserted.
TCRFieldDesc* TOraDataSet::SequenceKeyField() {
  if (key_sequence_.empty()) return nullptr;
  std::vector<TCRFieldDesc*> keys, data;
  GetKeyFieldDescs(keys, data, false);
  // The ROWID is the server's to give, never a sequence's.
  if (keys.empty() || std::find(data.begin(), data.end(), keys.front()) == data.end()) return nullptr;
  return keys.front();
}

void TOraDataSet::FetchSequenceValue() {
  TCRFieldDesc* key = SequenceKeyField();
  if (!key) return;
  const std::string sql = "begin\r  SELECT " + key_sequence_ + ".NEXTVAL INTO :" + key->Name() +
                          " FROM Dual;\rend;";
  const bool saved = Options().ReturnParams();
  Options().SetReturnParams(true);
  fetching_sequence_ = true;
  try {
    PerformSQL(sql, {stCustom});
  } catch (...) {
    fetching_sequence_ = false;
    Options().SetReturnParams(saved);
    throw;
  }
  fetching_sequence_ = false;
  Options().SetReturnParams(saved);
}

void TOraDataSet::PrepareUpdateStatement(const std::string& sql, TStatementTypes types) {
  TCustomDADataSet::PrepareUpdateStatement(sql, types);
  if (!fetching_sequence_ || types != TStatementTypes{stCustom}) return;
  TCustomDASQL* statement = UpdateStatement(stCustom);
  if (!statement) return;
  for (int i = 0; i < statement->Params().Count(); ++i)
    statement->Params().Items(i)->SetParamType(classlib::ptInputOutput);
}

}  // namespace oracle
