// TCustomDADataSet: the statement that stores, refreshes, locks or checks a
// record: which statement object and text, its parameter values, running
// it and checking what it answered, and the batches of cached updates.
#include "dacore/dataset_component.h"

#include "classlib/ansistr.h"
#include "classlib/field.h"
#include "classlib/format.h"
#include "dacore/comp_connection.h"
#include "dacore/messages.h"
#include "dacore/support_access_utils.h"
#include "dacore/trace_monitor.h"

namespace dacore {

using classlib::Variant;

namespace {

constexpr const char* kEmptyObjectSQL =
    "SQL property of InsertObject, ModifyObject, DeleteObject or RefreshObject cannot be empty";
constexpr const char* kBatchPrefix = "P_";

const char* const kTypeNames[] = {"stQuery",  "stInsert", "stUpdate",       "stDelete",
                                  "stLock",   "stRefresh", "stCheck",       "stCustom",
                                  "stRefreshQuick", "stRefreshCheckDeleted", "stBatchUpdate"};

// The one kind of a set; several kinds are a custom statement.
TStatementType SingleType(TStatementTypes types) {
  int found = -1;
  for (int type = stQuery; type <= stBatchUpdate; ++type) {
    if (!types.Contains(static_cast<TStatementType>(type))) continue;
    if (found >= 0) return stCustom;
    found = type;
  }
  return found < 0 ? stCustom : static_cast<TStatementType>(found);
}

std::string TypeNames(TStatementTypes types) {
  std::string names;
  for (int type = stQuery; type <= stBatchUpdate; ++type)
    if (types.Contains(static_cast<TStatementType>(type))) names += (names.empty() ? "" : ",") + std::string(kTypeNames[type]);
  return names;
}

// Kinds whose statement answers rows, run through a data set.
bool ReturnsRows(TStatementType type) {
  return type == stRefresh || type == stCheck || type == stRefreshQuick || type == stRefreshCheckDeleted;
}

bool IsObjectKind(TStatementType type) {
  return type == stInsert || type == stUpdate || type == stDelete || type == stRefresh;
}

bool IsBlobType(TDataType type) { return type == dtBlob || type == dtMemo || type == dtWideMemo; }

// The statement component behind an update statement object.
TCustomDASQL& StatementOf(classlib::TComponent* object) {
  if (auto* data_set = dynamic_cast<TCustomDADataSet*>(object)) return data_set->Command();
  auto* statement = dynamic_cast<TCustomDASQL*>(object);
  classlib::Assert(statement != nullptr, __FILE__, __LINE__, "no update statement");
  return *statement;
}

// "P_<row>_NAME": the name and the row; -1 for a name without the prefix.
int SplitBatchName(std::string& name) {
  if (name.size() < 4 || classlib::UpperCase(name.substr(0, 2)) != kBatchPrefix) return -1;
  size_t end = 2;
  while (end < name.size() && name[end] >= '0' && name[end] <= '9') ++end;
  if (end == 2 || end >= name.size() - 1 || name[end] != '_') return -1;
  const int row = std::stoi(name.substr(2, end - 2));
  name = name.substr(end + 1);
  return row;
}

}  // namespace

// ---- Statement objects ------------------------------------------------------------------

TCustomDASQL* TCustomDADataSet::UpdateStatement(TStatementType type) const {
  const auto index = static_cast<size_t>(type);
  if (update_data_sets_.at(index)) return &update_data_sets_[index]->Command();
  return update_statements_.at(index).get();
}

void TCustomDADataSet::RemoveUpdateStatements() {
  update_query_ = nullptr;
  for (auto& statement : update_statements_) statement.reset();
  for (auto& data_set : update_data_sets_) data_set.reset();
}

// The statement of a kind, made through the connection on first need; the
// kinds that answer rows get a data set shaped like this one.
classlib::TComponent& TCustomDADataSet::CheckUpdateQuery(TStatementType type) {
  CheckConnection();
  TCustomDAConnection* connection = GetUsedConnection();
  const auto index = static_cast<size_t>(type);
  if (ReturnsRows(type)) {
    std::unique_ptr<TCustomDADataSet>& data_set = update_data_sets_.at(index);
    if (!data_set) data_set = connection->CreateDataSet();
    else if (data_set->Connection() != connection) data_set->SetConnection(connection);
    classlib::Assert(data_set != nullptr, __FILE__, __LINE__, "no update statement");
    data_set->Close();
    TDADataSetOptions& options = data_set->Options();
    options.SetTrimFixedChar(options_->TrimFixedChar());
    options.SetTrimVarChar(options_->TrimVarChar());
    options.SetFlatBuffers(options_->FlatBuffers());
    options.SetFullRefresh(options_->FullRefresh());
    options.SetCompressBlobMode(options_->CompressBlobMode());
    if (type != stCheck) options.SetLongStrings(options_->LongStrings());
    return *data_set;
  }
  std::unique_ptr<TCustomDASQL>& statement = update_statements_.at(index);
  if (!statement) statement = connection->CreateSQL();
  else if (statement->Connection() != connection) statement->SetConnection(connection);
  classlib::Assert(statement != nullptr, __FILE__, __LINE__, "no update statement");
  if (type == stBatchUpdate) {
    statement->SetParamCheck(false);
    statement->Params().Clear();
  }
  return *statement;
}

// The user's text of a kind: the update object's, else the data set's own,
// with the macros expanded; empty when neither has one. A refresh text that
// is only a WHERE clause completes the data set's own statement.
std::string TCustomDADataSet::GetUpdateStatementText(TStatementType type) {
  std::string text;
  if (update_object_ && IsObjectKind(type)) text = update_object_->SQLText(type).Text();
  const auto& own = update_texts_.at(static_cast<size_t>(type));
  if (classlib::Trim(text).empty() && own) text = own->Text();
  const std::string trimmed = classlib::Trim(text);
  if (trimmed.empty()) return "";
  if (type == stRefresh && trimmed.size() > 5 && classlib::UpperCase(trimmed.substr(0, 5)) == "WHERE" &&
      !std::isalnum(static_cast<unsigned char>(trimmed[5])) && trimmed[5] != '_')
    text = AddWhere(command_->SQL().Text(), classlib::Trim(trimmed.substr(5)));
  return Macros().Count() > 0 ? Macros().Expand(text) : text;
}

void TCustomDADataSet::PrepareUpdateStatement(const std::string& sql, TStatementTypes types) {
  const TStatementType type = SingleType(types);
  update_query_ = nullptr;
  update_generated_ = false;
  if (update_object_ && IsObjectKind(type)) {
    if (classlib::TComponent* object = update_object_->StatementObject(type)) {
      if (classlib::Trim(TDBAccessUtils::GetSQL(object).Text()).empty())
        classlib::DatabaseError(kEmptyObjectSQL, this);
      update_query_ = object;
      return;
    }
  }
  classlib::TComponent& object = CheckUpdateQuery(type);
  update_query_ = &object;
  const bool writes = type == stInsert || type == stUpdate || type == stDelete || type == stBatchUpdate;
  TDBAccessUtils::SetAutoCommit(&object, writes && GetUpdateAutoCommit());
  TCustomDASQL& statement = StatementOf(&object);
  if (type == stBatchUpdate) {
    statement.SetSQLText(WrapSQLInBlock(batch_sql_), true, true);
    if (batch_params_) statement.Params().Assign(batch_params_.get());
    return;
  }
  const std::string text = sql.empty() ? GetUpdateStatementText(type) : sql;
  if (!text.empty()) {
    statement.SetParamCheck(true);
    statement.SetSQL(text);
    return;
  }
  // The generator's text comes with its parameters: the statement must
  // not scan it for markers of its own.
  statement.SetParamCheck(false);
  const bool modified_only = !options_->UpdateAllFields() && !Designing();
  const int row = IsBatchUpdate() ? batch_rows_ : -1;
  const std::string generated = sql_generator_->GenerateSQL(type, modified_only, &statement.Params(), row);
  statement.SetSQLText(generated, true, true);
  update_generated_ = true;
}

// ---- Parameter values -------------------------------------------------------------------

const TFieldDesc* TCustomDADataSet::FindParamField(const std::string& param_name, bool& old, int& index) {
  std::string name = param_name;
  index = SplitBatchName(name);
  old = name.size() > 4 && classlib::UpperCase(name.substr(0, 4)) == "OLD_";
  if (old) name = name.substr(4);
  return FIRecordSet->FindField(name);
}

void TCustomDADataSet::AssignFieldValue(TDAParam& param, const TFieldDesc& field, bool old) {
  TRecBuf rec = old ? UpdateOldRecord() : UpdateNewRecord();
  const classlib::TFieldType type = GetFieldType(field.DataType());
  if (IsBlobType(field.DataType())) {
    TBlob* blob = rec ? FIRecordSet->GetBlob(field.FieldNo(), rec) : nullptr;
    if (!blob || FIRecordSet->GetNull(field.FieldNo(), rec)) {
      // NULL is an empty blob of the parameter's own: clearing the one it
      // holds would erase the record it was last bound to.
      param.SetDataType(classlib::ftUnknown);
      param.SetDataType(type);
    } else if (field.DataType() == dtBlob) {
      param.SetAsBlobRef(blob);
    } else {
      param.SetAsMemoRef(blob);
    }
    return;
  }
  Variant value;
  if (rec) FIRecordSet->GetFieldAsVariant(field.FieldNo(), rec, value);
  param.SetDataType(type);
  param.SetValue(rec ? value : Variant(classlib::Null()));
}

// Each parameter takes the value the generator or its name names: a field's
// new value, "OLD_" and a field name its old one, else the data set's own
// parameter of that name (a handler of BeforeUpdateExecute may fill it).
void TCustomDADataSet::AssignUpdateParams(TStatementType type, bool generated) {
  if (type == stRefreshQuick) TakeMasterParams();
  const bool own_params = command_->ParamCount() > 0;
  const bool use_info = generated && type != stRefreshQuick && !(type == stRefresh && own_params);
  // A detail linked through its own parameters refreshes with their values.
  const bool own_first = type == stRefresh && MasterSource() && master_fields_.empty() && detail_fields_.empty() &&
                         own_params;
  TDAParams& params = TDBAccessUtils::GetParams(update_query_);
  for (int i = 0; i < params.Count(); ++i) {
    TDAParam& param = *params.Items(i);
    TDAParam* own = Params().FindParam(param.Name());
    const TFieldDesc* field = nullptr;
    bool old = false;
    if (use_info) {
      if (const TDAParamInfo* info = sql_generator_->ParamsInfo().FindParam(&param)) {
        field = info->Field;
        old = info->Old;
      }
    }
    if (!field && !(own_first && own)) {
      int row = -1;
      field = FindParamField(param.Name(), old, row);
    }
    if (field) {
      AssignFieldValue(param, *field, old);
    } else if (own) {
      const std::string name = param.Name();
      param.Assign(own);
      param.SetName(name);
    } else if (!BeforeUpdateExecute) {
      classlib::DatabaseError(classlib::Format(SNoCorrespondParam, {param.Name()}), this);
    }
    if (!KeepParamTypes()) param.SetParamType(classlib::ptInput);
  }
}

// ---- Running ----------------------------------------------------------------------------

void TCustomDADataSet::ExecuteUpdateQuery(TStatementTypes types) {
  const bool traced = TCustomDASQLMonitor::HasMonitor() || debug_;
  uint32_t message_id = 0;
  TCustomDASQL& statement = StatementOf(update_query_);
  if (traced)
    TCustomDASQLMonitor::NotifySQLExecute(this, statement.SQL().Text(), &statement.Params(), TypeNames(types),
                                          message_id, true);
  TDBAccessUtils::Execute(update_query_);
  if (traced)
    TCustomDASQLMonitor::NotifySQLExecute(this, statement.SQL().Text(), &statement.Params(), TypeNames(types),
                                          message_id, false);
}

// Runs the statement that stores, refreshes, locks or checks the record
// (sql, or the kind's own text, or the generated one); false when there is
// nothing to run. In a batch an edit is only collected. A session lost on
// the way and restored for it runs the whole step again: the text may have
// been generated from what the lost session answered.
bool TCustomDADataSet::PerformSQL(const std::string& sql, TStatementTypes types) {
  TCustomDAConnection* connection = GetUsedConnection();
  if (connection) connection->PushOperation(clExecute, true);
  try {
    for (;;) {
      try {
        const bool result = PerformSQLOnce(sql, types);
        if (connection) connection->PopOperation();
        return result;
      } catch (const EFailOver& failover) {
        if (failover.ConnLostCause != clExecute) throw;
        // The connection counted a use for the repeated step's end.
        EndConnection();
      }
    }
  } catch (...) {
    if (connection) connection->PopOperation();
    throw;
  }
}

bool TCustomDADataSet::PerformSQLOnce(const std::string& sql, TStatementTypes types) {
  const TStatementType type = SingleType(types);
  BeginConnection(true);
  // In browse mode the record worked on is the one shown.
  if (State() == classlib::dsBrowse && !ApplyingCachedUpdates() && !RefreshedRow() && Active() && !IsEmpty())
    UpdateCursorPos();
  auto finish = [this] {
    update_old_read_ = false;
    if (auto* data_set = dynamic_cast<TCustomDADataSet*>(update_query_); data_set && data_set->Active())
      data_set->Close();
    EndConnection();
  };
  try {
    PrepareUpdateStatement(sql, types);
    if (classlib::Trim(TDBAccessUtils::GetSQL(update_query_).Text()).empty()) {
      finish();
      return false;
    }
    if (type != stBatchUpdate) AssignUpdateParams(type, update_generated_);
    if (IsBatchUpdate() && type != stBatchUpdate) {
      if (type != stLock && type != stRefresh) CollectBatchRow(type);
      finish();
      return true;
    }
    TDAParams& params = TDBAccessUtils::GetParams(update_query_);
    if (BeforeUpdateExecute) {
      BeforeUpdateExecute(this, types, &params);
      for (int i = 0; i < params.Count(); ++i)
        if (params.Items(i)->DataType() == classlib::ftUnknown)
          classlib::DatabaseError(classlib::Format(SUnknownParamType, {params.Items(i)->Name()}), this);
    }
    ExecuteUpdateQuery(types);
    classlib::Assert(update_query_ != nullptr, __FILE__, __LINE__, "no update statement");
    CheckUpdateResult(type, types);
    if (AfterUpdateExecute) AfterUpdateExecute(this, types, &params);
  } catch (...) {
    finish();
    throw;
  }
  finish();
  return true;
}

// Rows answered are copied into the record (or, for a check, compared with
// its old values); otherwise the count of touched rows must be one.
void TCustomDADataSet::CheckUpdateResult(TStatementType type, TStatementTypes types) {
  auto* result = dynamic_cast<TCustomDADataSet*>(update_query_);
  const bool answered = result && result->Active();
  if ((types.Contains(stRefresh) || types.Contains(stCheck)) && answered) {
    rows_affected_ = result->RecordCount();
    if (options_->StrictUpdate() && rows_affected_ != 1)
      classlib::DatabaseError(classlib::Format(SRefreshFailed, {rows_affected_}), this);
    if (!result->IsEmpty()) CopyResultRow(*result, type);
    return;
  }
  if ((type == stRefreshQuick || type == stRefreshCheckDeleted) && answered) {
    CopyResultRows(*result, type);
    return;
  }
  rows_affected_ = TDBAccessUtils::GetRowsAffected(update_query_);
  // A batch's count is that of all its rows.
  if (type == stBatchUpdate || IsBatchUpdate()) return;
  // A negative count means the driver does not know.
  if (options_->StrictUpdate() && (rows_affected_ == 0 || rows_affected_ > 1))
    classlib::DatabaseError(classlib::Format(SUpdateFailed, {rows_affected_}), this);
  if (GetReturnParams() || types.Contains(stRefresh)) CopyReturnParams();
}

// ---- Batches ----------------------------------------------------------------------------

bool TCustomDADataSet::IsBatchUpdate() const {
  return ApplyingCachedUpdates() && options_->UpdateBatchSize() > 1 && !update_object_;
}

bool TCustomDADataSet::IsBatchFull() const {
  return IsBatchUpdate() && batch_rows_ > 0 && batch_rows_ >= options_->UpdateBatchSize();
}

// The row's statement joins the batch text with its parameters renamed for
// the row, so that the names stay apart from the other rows'.
void TCustomDADataSet::CollectBatchRow(TStatementType /*type*/) {
  TCustomDASQL& statement = StatementOf(update_query_);
  const std::string prefix = kBatchPrefix + std::to_string(batch_rows_) + "_";
  std::string text = statement.SQL().Text();
  if (!update_generated_) text = statement.ParseSQLParams(text, nullptr, prefix);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == ';'))
    text.pop_back();
  if (!batch_sql_.empty()) batch_sql_ += "\r\n";
  batch_sql_ += text + ";";
  if (!batch_params_) batch_params_ = std::make_unique<TDAParams>();
  const TDAParams& params = statement.Params();
  for (int i = 0; i < params.Count(); ++i) {
    const TDAParam* param = params.Items(i);
    TDAParam* copy = batch_params_->CreateParam(param->DataType(), "", classlib::ptInput);
    copy->Assign(param);
    if (!update_generated_) copy->SetName(prefix + param->Name());
  }
  ++batch_rows_;
}

void TCustomDADataSet::ClearBatch() {
  batch_sql_.clear();
  if (batch_params_) batch_params_->Clear();
  batch_rows_ = 0;
}

void TCustomDADataSet::FlushBatch() {
  if (batch_rows_ <= 0) return;
  try {
    PerformSQL("", {stBatchUpdate});
  } catch (...) {
    ClearBatch();
    throw;
  }
  ClearBatch();
}

// A collected row waits for the row that fills the batch or ends the apply;
// the flush's outcome is that row's answer, which the waiting rows share.
classlib::TUpdateAction TCustomDADataSet::ApplyRecordDefault(classlib::TUpdateKind kind, bool last) {
  const classlib::TUpdateAction action = TMemDataSet::ApplyRecordDefault(kind, last);
  if (!IsBatchUpdate() || batch_rows_ == 0) return action;
  if (!IsBatchFull() && !last) return uaPending;
  FlushBatch();
  return action;
}

}  // namespace dacore
