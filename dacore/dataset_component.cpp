// TCustomDADataSet: construction, settings and their effects, the texts,
// macros and names, copying another data set.
#include "dacore/dataset_component.h"

#include "classlib/field_defs.h"

#include "classlib/ansistr.h"
#include "classlib/codepage.h"
#include "classlib/field.h"
#include "classlib/field_blob.h"
#include "classlib/fields.h"
#include "classlib/format.h"
#include "classlib/stream.h"
#include "dacore/comp_connection.h"
#include "dacore/memds_xml.h"
#include "dacore/messages.h"
#include "dacore/support_xml_writer.h"
#include "dacore/support_detail_link.h"
#include "dacore/util_var_equal.h"

namespace dacore {

using classlib::TStringList;


TCustomDADataSet::TCustomDADataSet(classlib::TComponent* owner) : TMemDataSet(owner) {
  data_link_ = std::make_unique<TDADetailDataLink>(this);
  InitUpdateTexts();
  InitCommand();
  sql_generator_ = CreateSQLGenerator();
  options_ = CreateOptions();
  // The memory data set made a plain store; the record set of the connection
  // comes with the connection.
  SetIRecordSet(nullptr);
}

TCustomDADataSet::~TCustomDADataSet() {
  Destroying();
  try {
    SetActive(false);
    UnPrepare();
  } catch (const std::exception&) {
    // A failing close must not keep the component alive.
  }
  RemoveUpdateStatements();
  if (update_object_) update_object_->SetDataSet(nullptr);
  if (registered_with_) registered_with_->UnRegisterClient(this);
  if (connection_) connection_->RemoveFreeNotification(this);
  data_link_.reset();
  for (auto& text : update_texts_)
    if (text) text->SetOnChange({});
  // The command reads the data set while it goes; the record set goes after it.
  command_.reset();
  TData::FreeRecBuf(update_old_record_);
  TMemDataSet::SetIRecordSet(nullptr);
}

std::unique_ptr<TCustomDASQL> TCustomDADataSet::CreateCommand() {
  return std::make_unique<TCustomDASQL>(nullptr, this);
}

void TCustomDADataSet::InitUpdateTexts() {
  for (int type = 0; type < static_cast<int>(update_texts_.size()); ++type) {
    auto& text = update_texts_[static_cast<size_t>(type)];
    if (text || !GetSupportedStatementTypes().Contains(static_cast<TStatementType>(type))) continue;
    text = std::make_unique<TStringList>();
    text->SetOnChange(classlib::TNotifyEvent(this, &TCustomDADataSet::UpdateTextChanged));
  }
}

void TCustomDADataSet::InitOptions() { options_ = CreateOptions(); }

void TCustomDADataSet::InitSQLGenerator() { sql_generator_ = CreateSQLGenerator(); }

void TCustomDADataSet::InitCommand() {
  command_ = CreateCommand();
  WireCommand();
}

void TCustomDADataSet::Loaded() {
  TMemDataSet::Loaded();
  ScanMacros();
}

void TCustomDADataSet::Notification(classlib::TComponent* component, classlib::TOperation operation) {
  TMemDataSet::Notification(component, operation);
  if (operation != classlib::opRemove) return;
  if (component == connection_ || component == registered_with_) {
    // The connection is going: only the pointer may be compared, so the
    // data set forgets it (and the uses it held) before it closes. Its edit
    // statements hear of it themselves.
    if (component == connection_) connection_ = nullptr;
    registered_with_ = nullptr;
    cursor_holds_connection_ = false;
    prepared_holds_connection_ = false;
    try {
      SetActive(false);
    } catch (const std::exception&) {
      // Closing without a connection has nothing left to fail on.
    }
    if (record_set_) record_set_->SetConnection(nullptr);
  }
  if (update_object_ && component == update_object_) update_object_ = nullptr;
}

// ---- Settings ---------------------------------------------------------------------

void TCustomDADataSet::OptionsChanged(int record_set_prop, const classlib::Variant& value) {
  if (record_set_) record_set_->SetProp(record_set_prop, value);
}

// The statement's fields are described again when it next runs, so that a
// prepared data set does not keep the descriptions of the old settings.
void TCustomDADataSet::FieldDefsOutOfDate() {
  if (record_set_) record_set_->SetFieldsOutOfDate();
  FieldDefs().SetUpdated(false);
  if (Active()) InitFieldDefs();
}

void TCustomDADataSet::SetFetchRows(int value) {
  if (value == fetch_rows_) return;
  CheckInactive();
  if (value < 1 || value > 10000) classlib::DatabaseError(SInvalidFetchRows, this);
  fetch_rows_ = value;
  OptionsChanged(prFetchRows, value);
}

void TCustomDADataSet::SetFetchAll(bool value) {
  fetch_all_ = value;
  OptionsChanged(prFetchAll, value);
  if (!value) return;
  uni_directional_ = false;
  OptionsChanged(prUniDirectional, false);
  if (Active() && record_set_) {
    record_set_->FetchAll();
    Resync({});
  }
}

void TCustomDADataSet::SetUniDirectional(bool value) {
  if (value == uni_directional_) return;
  CheckInactive();
  uni_directional_ = value;
  OptionsChanged(prUniDirectional, value);
  if (value) {
    fetch_all_ = false;
    OptionsChanged(prFetchAll, false);
  }
}

void TCustomDADataSet::SetDebug(bool value) {
  debug_ = value;
  command_->SetDebug(value);
}

void TCustomDADataSet::SetReadOnly(bool value) { read_only_ = value; }

void TCustomDADataSet::SetAutoCommit(bool value) {
  auto_commit_ = value;
  if (TCRCommand* command = ICommand()) command->SetProp(prAutoCommit, value);
}

void TCustomDADataSet::SetKeyFields(const std::string& value) { key_fields_ = value; }

void TCustomDADataSet::SetUpdatingTable(const std::string& value) {
  if (Active()) ResolveUpdatingTable(value);
  else updating_table_ = value;
}

void TCustomDADataSet::SetUpdateObject(TCustomDAUpdateSQL* value) {
  // A statement object set while the update object served no data set was
  // never checked against this one: it could be this very data set, whose
  // post would then run itself.
  if (value)
    for (TStatementType type : {stInsert, stUpdate, stDelete, stRefresh})
      value->CheckStatementObject(value->StatementObject(type), this);
  if (value == update_object_) return;
  if (update_object_) {
    update_object_->RemoveFreeNotification(this);
    update_object_->SetDataSet(nullptr);
  }
  update_object_ = value;
  if (value) {
    value->SetDataSet(this);
    value->FreeNotification(this);
  }
}

void TCustomDADataSet::ReleaseUpdateObject(TCustomDAUpdateSQL* update_object) {
  if (update_object == update_object_) update_object_ = nullptr;
}

void TCustomDADataSet::SetFilterSQL(const std::string& value) {
  const std::string trimmed = classlib::Trim(value);
  if (trimmed == filter_sql_) return;
  const bool was_active = Active();
  filter_sql_ = trimmed;
  if (!ComponentState().Contains(classlib::csReading)) {
    SetActive(false);
    UnPrepare();
  }
  // The final text changed: the driver statement gets it.
  command_->SetParamCheck(command_->ParamCheck());
  if (!was_active) return;
  Open();
  if (Filtered() && !Filter().empty()) First();
}

// The current record stays current when the filter keeps it.
void TCustomDADataSet::SetFilteredValue(bool value) {
  if (!Active() || value == Filtered()) {
    TMemDataSet::SetFilteredValue(value);
    return;
  }
  // The keys KeyFields names, else the dialect's (a table's primary key), as
  // a refresh finds them.
  std::vector<classlib::TField*> keys;
  if (!IsEmpty()) {
    std::vector<TCRFieldDesc*> key_descs, data_descs;
    GetKeyFieldDescs(key_descs, data_descs, false);
    for (TCRFieldDesc* desc : key_descs)
      for (int i = 0; i < Fields().Count(); ++i)
        if (GetFieldDesc(Fields()[i]) == desc) keys.push_back(Fields()[i]);
  }
  std::vector<classlib::Variant> values;
  for (classlib::TField* key : keys) values.push_back(key->Value());
  TMemDataSet::SetFilteredValue(value);
  if (values.empty()) return;
  Locate(keys, values.size() == 1 ? values[0] : classlib::VarArrayOf(values), {});
}

// ---- Texts ----------------------------------------------------------------------------

TStringList& TCustomDADataSet::SQLStatement(TStatementType type) {
  auto& text = update_texts_.at(static_cast<size_t>(type));
  classlib::Assert(text != nullptr, __FILE__, __LINE__, "Statement type is not supported");
  return *text;
}

void TCustomDADataSet::SetSQLStatement(TStatementType type, const std::string& text) {
  TStringList& list = SQLStatement(type);
  classlib::TStrings::Updating updating(list);
  list.SetText(text);
}

void TCustomDADataSet::UpdateTextChanged(classlib::TObject* /*sender*/) { ScanMacros(); }

void TCustomDADataSet::ScanMacros() {
  std::string all = command_ ? command_->SQL().Text() : std::string();
  for (const auto& text : update_texts_)
    if (text) all += "\n" + text->Text();
  if (command_) command_->Macros().Scan(all);
}

bool TCustomDADataSet::IgnoresMacroChange(const std::string& reference) const {
  return Active() && command_->SQL().Text().find(reference) == std::string::npos;
}

void TCustomDADataSet::MacroChanged() {
  SetActive(false);
  UnPrepare();
  command_->SetParamCheck(command_->ParamCheck());
}

void TCustomDADataSet::MacrosUpdated() { command_->SetParamCheck(command_->ParamCheck()); }

// The text changed: the rows and the prepared statement belong to the old one.
void TCustomDADataSet::OwnerSQLChanged(bool /*keep_base_sql*/) {
  SetActive(false);
  UnPrepare();
  FieldDefs().SetUpdated(false);
  RemoveUpdateStatements();
}

std::string TCustomDADataSet::FinalSQL() { return BuildFinalSQL(); }

std::string TCustomDADataSet::AddWhere(const std::string& sql, const std::string& /*condition*/) { return sql; }

// The statement with the data set's filter and, for a detail linked on the
// server, the condition on the master's fields.
std::string TCustomDADataSet::BuildFinalSQL() {
  std::string sql = command_->StatementFinalSQL();
  if (!filter_sql_.empty()) sql = AddWhere(sql, filter_sql_);
  if (DetailLinked() && !options_->LocalMasterDetail()) {
    const std::vector<std::string> masters = SplitFieldNames(master_fields_);
    const std::vector<std::string> details = SplitFieldNames(detail_fields_);
    std::string condition;
    for (size_t i = 0; i < masters.size() && i < details.size(); ++i) {
      if (!condition.empty()) condition += " and ";
      condition += details[i] + " = :" + masters[i];
    }
    if (!condition.empty()) sql = AddWhere(sql, condition);
  }
  return sql;
}

// ---- Blobs and field descriptions -------------------------------------------------------

std::unique_ptr<classlib::TStream> TCustomDADataSet::CreateBlobStream(classlib::TField* field,
                                                                      classlib::TBlobStreamMode mode) {
  TCustomDAConnection* connection = GetUsedConnection();
  const classlib::TFieldType type = field ? field->DataType() : classlib::ftUnknown;
  const bool memo = type == classlib::ftMemo || type == classlib::ftFmtMemo || type == classlib::ftWideMemo;
  if (mode != classlib::bmWrite && memo && connection && connection->ConvertEOL() &&
      dynamic_cast<classlib::TBlobField*>(field)) {
    // Converted only while no edit of it is pending, so that a cancel still
    // finds the value as it was.
    TBlob* blob = GetBlob(field);
    if (blob && !blob->Rollback()) {
      blob->AddCR();
      blob->Commit();
      blob->SetModified(false);
    }
  }
  return TMemDataSet::CreateBlobStream(field, mode);
}

void TCustomDADataSet::WriteFieldXMLAttributeType(classlib::TField* field, const TFieldDesc& desc,
                                                  const std::string& field_alias, XmlTextWriter& writer) {
  TMemDataSet::WriteFieldXMLAttributeType(field, desc, field_alias, writer);
  const auto* column = dynamic_cast<const TCRFieldDesc*>(&desc);
  if (column && column->TableInfo() && !column->TableInfo()->TableName().empty())
    writer.WriteAttributeString("rs:basetable",
                                EncodeXmlText(classlib::Cp1251ToUtf8(column->TableInfo()->TableName())));
}

TFieldDesc* TCustomDADataSet::GetFieldDesc(int field_no) const {
  if (field_no < 1 || !FIRecordSet || field_no > FIRecordSet->GetFieldCount()) return nullptr;
  return FIRecordSet->Fields().GetItems(field_no - 1);
}

TDataType TCustomDADataSet::GetFieldDataType(int field_no) const {
  const TFieldDesc* desc = GetFieldDesc(field_no);
  return desc ? desc->DataType() : dtUnknown;
}

// ---- Names -----------------------------------------------------------------------------

std::string TCustomDADataSet::QuoteName(const std::string& name) const {
  if (!options_->QuoteNames() || name.empty()) return name;
  return std::string(1, left_quote_) + name + right_quote_;
}

std::string TCustomDADataSet::UnQuoteName(const std::string& name) const {
  if (!options_->QuoteNames()) return name;
  const std::string trimmed = classlib::Trim(name);
  if (trimmed.size() >= 3 && trimmed.front() == left_quote_ && trimmed.back() == right_quote_)
    return trimmed.substr(1, trimmed.size() - 2);
  return name;
}

// ---- Copying ---------------------------------------------------------------------------

void TCustomDADataSet::Assign(const classlib::TPersistent* source) {
  TMemDataSet::Assign(source);
  const auto* other = dynamic_cast<const TCustomDADataSet*>(source);
  if (!other) return;
  SetConnection(other->connection_);
  SetMasterSource(other->MasterSource());
  SetMasterFields(other->master_fields_);
  SetDetailFields(other->detail_fields_);
  SetParamCheck(other->command_->ParamCheck());
  SetSQL(other->command_->SQL().Text());
  for (size_t type = 0; type < update_texts_.size(); ++type)
    if (update_texts_[type] && other->update_texts_[type])
      SetSQLStatement(static_cast<TStatementType>(type), other->update_texts_[type]->Text());
  SetFilterSQL(other->filter_sql_);
  Macros().Assign(&other->command_->Macros());
  Params().Assign(&other->command_->Params());
  SetDebug(other->debug_);
  if (other->fetch_rows_ != fetch_rows_) SetFetchRows(other->fetch_rows_);
  SetUniDirectional(other->uni_directional_);
  SetAutoCommit(other->auto_commit_);
  SetRefreshOptions(other->refresh_options_);
  SetUpdatingTable(other->updating_table_);
  options_->Assign(other->options_.get());
}

}  // namespace dacore
