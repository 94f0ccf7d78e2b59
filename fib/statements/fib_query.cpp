// The statement's links, text, parameter and column access.
#include "fib/statements/fib_query.h"

#include <algorithm>

#include "classlib/codepage.h"
#include "fib/base/component_name.h"
#include "fib/base/errors.h"
#include "fib/sql/query_preprocessor.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_query_values.h"
#include "fib/statements/fib_transaction.h"

namespace fib {

TFIBQuery::TFIBQuery(classlib::TComponent* owner)
    : TComponent(owner),
      base_(this),
      text_kind_(TextKind::kPlain),
      params_(this, true),
      server_params_(this, true),
      current_(this, false) {
  sql_.SetOnChanging(classlib::TNotifyEvent(this, &TFIBQuery::SQLChanging));
  sql_.SetOnChange(classlib::TNotifyEvent(this, &TFIBQuery::SQLChanged));
  base_.BeforeDatabaseDisconnect = TFIBBaseEvent(this, &TFIBQuery::DatabaseDisconnecting);
  base_.OnDatabaseFree = TFIBBaseEvent(this, &TFIBQuery::DatabaseFreed);
  base_.BeforeTransactionEnd = TFIBBaseEvent(this, &TFIBQuery::TransactionEndingEvent);
  base_.AfterTransactionEnd = TFIBBaseEvent(this, &TFIBQuery::TransactionEndedEvent);
  base_.OnTransactionFree = TFIBBaseEvent(this, &TFIBQuery::TransactionFreed);
}

TFIBQuery::~TFIBQuery() {
  // A dying statement gives its server resources back but never raises.
  DropHandleQuietly();
}

void TFIBQuery::Loaded() {
  TComponent::Loaded();
  SQLChanged(this);
}

// ---- links ----

void TFIBQuery::SetDatabase(TFIBDatabase* database) {
  if (database == Database()) return;
  if (prepared_) FreeHandle();
  base_.SetDatabase(database);
}

void TFIBQuery::SetTransaction(TFIBTransaction* transaction) {
  if (transaction == Transaction()) return;
  // A cursor belongs to the transaction it was opened in.
  Close();
  base_.SetTransaction(transaction);
}

void TFIBQuery::DatabaseDisconnecting(TFIBBase*) { DropHandleQuietly(); }

void TFIBQuery::DatabaseFreed(TFIBBase*) {
  // The attachment is gone with its database: nothing to free on a server.
  handle_ = 0;
  prepared_ = open_ = bof_ = eof_ = false;
}

// Only a hard end closes the cursor; a retaining end keeps it usable.
void TFIBQuery::TransactionEndingEvent(TFIBBase*) {
  if (TransactionEnding) TransactionEnding(this);
  TFIBTransaction* transaction = Transaction();
  if (transaction == nullptr || !open_) return;
  TransactionState state = transaction->State();
  if (state != TransactionState::Committing && state != TransactionState::RollingBack) return;
  try {
    Close();
  } catch (const EFIBError&) {
    // The transaction ends anyway and takes the cursor with it.
  }
}

void TFIBQuery::TransactionEndedEvent(TFIBBase*) {
  if (TransactionEnded) TransactionEnded(this);
}

void TFIBQuery::TransactionFreed(TFIBBase*) { open_ = bof_ = eof_ = false; }

void TFIBQuery::DropHandleQuietly() {
  try {
    if (open_) Close();
    FreeHandle();
  } catch (const EFIBError&) {
    // A lost connection cannot free anything; the handle is dead anyway.
  }
  handle_ = 0;
  prepared_ = open_ = bof_ = eof_ = false;
  current_.Resize(0);
}

// ---- text ----

void TFIBQuery::SQLChanging(classlib::TObject*) {
  // An owner that refuses the change of an open statement in its own words
  // (a data set: " change SelectSQL " and its name) hears of it
  // before the statement refuses it in its own.
  const bool refused = open_ && !ComponentState().Contains(classlib::csDesigning);
  if (refused && OnSQLChanging) OnSQLChanging(this);
  if (open_) {
    if (refused) RaiseClientError(28, {"change sql text", FullComponentName(this)});
    Close();
  }
  if (OnSQLChanging) OnSQLChanging(this);
  if (prepared_) FreeHandle();
  params_changed_ = false;
}

void TFIBQuery::SQLChanged(classlib::TObject*) {
  if (ComponentState().Contains(classlib::csLoading)) return;
  text_kind_ = ClassifySQLText(sql_.Text());
  params_built_ = false;
  server_params_active_ = false;
  null_tested_.clear();
  if (param_check_) {
    PreprocessText();
  } else {
    server_text_ = plain_server_text_ = sql_.Text();
    markers_.clear();
    has_null_tests_ = false;
    params_.Resize(0);
    params_built_ = true;
  }
}

void TFIBQuery::SetParamCheck(bool check) {
  if (check == param_check_) return;
  if (prepared_) FreeHandle();
  param_check_ = check;
  SQLChanged(this);
}

void TFIBQuery::SetMacroChar(char c) {
  if (c == macro_char_) return;
  macro_char_ = c;
  if (prepared_) FreeHandle();
  SQLChanged(this);
}

// Procedure and trigger bodies carry ":" references of their own; the
// parser tells such statements apart.
bool TFIBQuery::ChecksParams() const { return param_check_ && text_kind_ != TextKind::kDDL; }

PreprocessOptions TFIBQuery::MarkerOptions() const {
  PreprocessOptions options;
  options.check_params = ChecksParams();
  options.executable_block = text_kind_ == TextKind::kExecuteBlock;
  options.macro_char = macro_char_;
  options.owner_name = FullComponentName(this);
  return options;
}

void TFIBQuery::PreprocessText() {
  PreprocessedSQL result = PreprocessSQL(sql_.Text(), MarkerOptions());
  server_text_ = std::move(result.server_text);
  plain_server_text_ = server_text_;
  BuildParams(result.markers);
  markers_ = std::move(result.markers);
  has_null_tests_ = std::any_of(markers_.begin(), markers_.end(), IsNullTestable);
  params_built_ = true;
}

// Parameters already known by name keep their values across the rebuild.
void TFIBQuery::BuildParams(const std::vector<SQLMarker>& markers) {
  TFIBXSQLDA old(nullptr, true);
  ResetVector(old, params_.Count());
  for (int i = 0; i < params_.Count(); ++i) {
    if (params_[i].Name().empty()) continue;
    old.SetItemName(i, params_[i].Name(), true);
    if (params_[i].SQLType() != 0 || params_[i].HasStream()) CopyParamValue(params_[i], old[i]);
  }
  ResetVector(params_, static_cast<int>(markers.size()));
  for (int i = 0; i < params_.Count(); ++i) {
    const SQLMarker& marker = markers[i];
    TFIBXSQLVAR& param = params_[i];
    param.SetMarkerPosition(marker.start, marker.end);
    bool macro = marker.macro;
    params_.SetItemName(i, macro ? SplitMacroName(marker.name).name : marker.name,
                        !macro && marker.quoted);
    param.SetMacro(macro, macro && SplitMacroName(marker.name).quoted);
  }
  for (int i = 0; i < params_.Count(); ++i) {
    TFIBXSQLVAR& param = params_[i];
    if (param.Modified()) continue;  // a namesake already took the value
    const std::vector<TFIBXSQLVAR*> before = old.ItemsNamed(param.Name());
    if (!before.empty() && (before.front()->SQLType() != 0 || before.front()->HasStream())) {
      CopyParamValue(*before.front(), param);
    } else if (param.IsMacro()) {
      param.SetAsString(SplitMacroName(markers[i].name).default_value);
    }
  }
  for (const SQLMarker& marker : markers)
    if (marker.macro) macro_changed_ = true;
}

TFIBXSQLDA& TFIBQuery::Params() {
  if (!params_built_) SQLChanged(this);
  return params_;
}

TFIBXSQLVAR& TFIBQuery::Param(int index) {
  if (index < 0 || index >= Params().Count()) RaiseClientError(32);
  return params_[index];
}

TFIBXSQLVAR* TFIBQuery::FindParam(const std::string& name) { return Params().ByName(name); }

const TFIBXSQLVAR* TFIBQuery::DescribedParam(const std::string& name) {
  const TFIBXSQLVAR* param = ServerParams().ByName(name);
  return param != nullptr && param->DescribedType() != 0 ? param : nullptr;
}

TFIBXSQLVAR& TFIBQuery::ParamByName(const std::string& name) {
  TFIBXSQLVAR* param = FindParam(name);
  if (param == nullptr)
    RaiseClientErrorMsg("Parameter \"%s\" does not exist in %s", {name, FullComponentName(this)});
  params_changed_ = true;
  return *param;
}

// ---- by name, for filling other statements ----

int TFIBQuery::ParamCount() const { return const_cast<TFIBQuery*>(this)->Params().Count(); }

std::string TFIBQuery::ParamName(int index) const {
  return const_cast<TFIBQuery*>(this)->Param(index).Name();
}

bool TFIBQuery::ParamExist(const std::string& name, int& index) const {
  TFIBXSQLVAR* param = const_cast<TFIBQuery*>(this)->FindParam(name);
  if (param == nullptr) return false;
  index = param->Index();
  return true;
}

classlib::Variant TFIBQuery::ParamValue(int index) const {
  return const_cast<TFIBQuery*>(this)->Param(index).AsVariant();
}

void TFIBQuery::SetParamValue(int index, const classlib::Variant& value) {
  Param(index).SetAsVariant(value);
}

bool TFIBQuery::FieldExist(const std::string& name, int& index) const {
  TFIBXSQLVAR* field = current_.ByName(name);
  if (field == nullptr) return false;
  index = field->Index();
  return true;
}

classlib::Variant TFIBQuery::FieldValue(int index, bool) const {
  return const_cast<TFIBQuery*>(this)->Fields(index).AsVariant();
}

// ---- columns ----

void TFIBQuery::NoFieldAt(int index) {
  RaiseClientError(41, {"Field No: " + std::to_string(index)});
}

TFIBXSQLVAR* TFIBQuery::FindField(const std::string& name) { return current_.ByName(name); }

TFIBXSQLVAR& TFIBQuery::FieldByName(const std::string& name) {
  TFIBXSQLVAR* field = FindField(name);
  if (field == nullptr) RaiseClientError(41, {name});
  return *field;
}

bool TFIBQuery::IsProc() const {
  std::string text = sql_.Text();
  size_t start = text.find_first_not_of(" \t\r\n");
  if (start == std::string::npos) return false;
  std::string head = text.substr(start, 8);
  for (char& c : head) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return head == "EXECUTE ";
}

// ---- descriptor owner ----

IIBClientLibrary* TFIBQuery::ClientLibrary() {
  return Database() != nullptr ? &Database()->ClientLibrary() : nullptr;
}

isc_db_handle* TFIBQuery::DBHandle() { return Database() ? Database()->HandleAddress() : nullptr; }

isc_tr_handle* TFIBQuery::TRHandle() {
  return Transaction() ? Transaction()->HandleAddress() : nullptr;
}

int TFIBQuery::SQLDialect() const { return Database() ? Database()->SQLDialect() : 3; }

bool TFIBQuery::UpperOldNames() const { return Database() && Database()->UpperOldNames(); }

bool TFIBQuery::IsUTF8Connection() const { return Database() && Database()->IsUnicodeConnect(); }

std::string TFIBQuery::FullName() const { return FullComponentName(this); }

std::string TFIBQuery::EncodedServerText() const {
  return IsUTF8Connection() ? classlib::Cp1251ToUtf8(server_text_) : server_text_;
}

}  // namespace fib
