#include "fib/statements/fib_database.h"

#include <algorithm>
#include <exception>

#include "classlib/ansistr.h"
#include "classlib/codepage.h"
#include "classlib/exceptions.h"
#include "fib/base/component_name.h"
#include "fib/base/errors.h"
#include "fib/base/fib_timer.h"
#include "fib/base/param_blocks.h"
#include "fib/base/param_names.h"
#include "fib/sql/sql_trace_hook.h"
#include "fib/statements/blob_cache_validator.h"
#include "fib/statements/database_list.h"
#include "fib/statements/fib_transaction.h"

namespace fib {

namespace {

TLoginHook& LoginHookSlot() {
  static TLoginHook hook;
  return hook;
}

bool IsDesigning(const classlib::TComponent& component) {
  return component.ComponentState().Contains(classlib::csDesigning);
}

bool IsDestroying(const classlib::TComponent& component) {
  return component.ComponentState().Contains(classlib::csDestroying);
}

}  // namespace

void SetLoginHook(TLoginHook hook) { LoginHookSlot() = std::move(hook); }
const TLoginHook& LoginHook() { return LoginHookSlot(); }

// ---- construction ----------------------------------------------------------

TFIBDatabase::TFIBDatabase(classlib::TComponent* owner)
    : classlib::TComponent(owner),
      BeforeSaveBlobToSwap(blob_cache_.BeforeSaveBlobToSwap),
      AfterSaveBlobToSwap(blob_cache_.AfterSaveBlobToSwap),
      BeforeLoadBlobFromSwap(blob_cache_.BeforeLoadBlobFromSwap),
      AfterLoadBlobFromSwap(blob_cache_.AfterLoadBlobFromSwap),
      library_name_(DefaultLibraryName()) {
  db_params_.SetOnChanging(classlib::TNotifyEvent(this, &TFIBDatabase::OnParamsChanging));
  db_params_.SetOnChange(classlib::TNotifyEvent(this, &TFIBDatabase::OnParamsChanged));
  internal_transaction_ = std::make_unique<TFIBTransaction>(nullptr);
  internal_transaction_->SetDefaultDatabase(this);
  SetTPBLines(internal_transaction_->TRParams(), kReadCommittedTPBLines);
  RegisterDatabase(this);
}

TFIBDatabase::~TFIBDatabase() {
  Destroying();
  UnregisterDatabase(this);
  try {
    if (internal_transaction_->Active()) internal_transaction_->Commit();
  } catch (const std::exception&) {
    // Nothing the internal queries did needs keeping; the forced end of the
    // disconnect below rolls it back.
  }
  timer_.reset();
  try {
    if (Connected()) Disconnect(true);
  } catch (const std::exception&) {
    // A destructor cannot report; the attachment is gone either way.
  }
  internal_transaction_.reset();
  destroy_handlers_.CallLastFirst(this);
  while (!links_.empty()) {
    TFIBBase* link = links_.back();
    link->Fire(link->OnDatabaseFree);
    link->SetDatabase(nullptr);
    link->SetTransaction(nullptr);
  }
  for (TFIBTransaction* transaction : std::vector(transactions_))
    if (transaction != nullptr) transaction->RemoveDatabase(transaction->FindDatabase(this));
}

// ---- properties ------------------------------------------------------------

void TFIBDatabase::SetConnected(bool connected) {
  if (ComponentState().Contains(classlib::csLoading)) {
    streamed_connected_ = connected;
  } else if (connected) {
    if (!Connected()) Connect();
  } else {
    Close();
  }
}

void TFIBDatabase::SetDBName(const std::string& name) {
  if (name == db_name_) return;
  if (IsDesigning(*this))
    Close();
  else
    CheckInactive();
  db_name_ = name;
}

void TFIBDatabase::SetLibraryName(const std::string& name) {
  if (name == library_name_) return;
  CheckInactive();
  library_name_ = name;
  library_ = ClientLibraryRef();
}

void TFIBDatabase::SetSQLDialect(int dialect) {
  if (dialect < 1) RaiseClientError(61);
  if (Connected() && dialect > DatabaseSQLDialect()) RaiseClientError(61);
  sql_dialect_ = dialect;
}

void TFIBDatabase::SetTimeout(uint32_t timeout_ms) {
  timeout_ = timeout_ms;
  SetTimeoutTimer(timer_, timeout_ms, classlib::TNotifyEvent(this, &TFIBDatabase::TimeoutTick),
                  Connected() && !IsDesigning(*this));
}

void TFIBDatabase::SetDefaultTransaction(TFIBTransaction* transaction) {
  default_transaction_ = transaction;
  if (transaction != nullptr) transaction->AddDatabase(this);
}

void TFIBDatabase::SetDefaultUpdateTransaction(TFIBTransaction* transaction) {
  default_update_transaction_ = transaction;
  if (transaction != nullptr) transaction->AddDatabase(this);
}

void TFIBDatabase::SetSQLLogger(ISQLLogger* logger) {
  sql_logger_ = logger;
  sql_logger_component_ = dynamic_cast<classlib::TComponent*>(logger);
  if (sql_logger_component_ != nullptr) FreeNotification(sql_logger_component_);
}

void TFIBDatabase::Notification(classlib::TComponent* component, classlib::TOperation operation) {
  classlib::TComponent::Notification(component, operation);
  if (operation != classlib::opRemove) return;
  // Only the address may be compared: the component is being destroyed.
  if (component == sql_logger_component_ && component != nullptr) {
    sql_logger_ = nullptr;
    sql_logger_component_ = nullptr;
  }
}

void TFIBDatabase::Loaded() {
  classlib::TComponent::Loaded();
  if (design_db_options_.Contains(ddoIsDefaultDatabase)) SetDefaultDesignDatabase(this);
  if (!streamed_connected_ || Connected()) return;
  Connect();
  if (default_transaction_ != nullptr && default_transaction_->streamed_active_ &&
      !default_transaction_->Active())
    default_transaction_->StartTransaction();
}

void TFIBDatabase::OnParamsChanging(classlib::TObject*) {
  if (!IsDesigning(*this)) CheckInactive();
}

void TFIBDatabase::OnParamsChanged(classlib::TObject*) { dpb_needs_rebuild_ = true; }

void TFIBDatabase::LoadClientLibrary() { library_ = FindOrLoadClientLibrary(library_name_); }

// ---- checks ----------------------------------------------------------------

void TFIBDatabase::CheckActive() {
  if (Connected()) return;
  if (IsDesigning(*this))
    Connect();
  else
    RaiseClientError(12, {FullComponentName(this)});
}

void TFIBDatabase::CheckInactive() {
  if (Connected()) RaiseClientError(13);
}

void TFIBDatabase::CheckDatabaseName() {
  if (db_name_.empty()) RaiseClientError(14);
}


// ---- parameter lines -------------------------------------------------------

// Lines match by their whole name, so "password" never finds
// "password_enc=...".
std::string TFIBDatabase::GetDBParamValue(int dpb_code) const {
  return db_params_.ParamValue(dpb_code);
}

void TFIBDatabase::SetDBParamValue(int dpb_code, const std::string& value) {
  db_params_.SetParamValue(dpb_code, value);
}

void TFIBDatabase::SetDBParamValue(const std::string& dpb_name, const std::string& value) {
  db_params_.SetParamValue(dpb_name, value);
}

// ---- connect ---------------------------------------------------------------

void TFIBDatabase::Connect() {
  server_version_ = ServerVersion();
  firebird_connect_ = -1;
  database_id_byte_ = -1;
  CheckInactive();
  CheckDatabaseName();
  IIBClientLibrary& library = ClientLibrary();
  FireLinks(&TFIBBase::BeforeDatabaseConnect, false);
  if (use_login_prompt_ && !RunLogin()) RaiseClientError(7);
  if (dpb_needs_rebuild_) {
    dpb_ = BuildDPB(db_params_);
    dpb_needs_rebuild_ = false;  // after the build: trimming the lines marks them changed
  }
  ISC_STATUS* status = StatusVector();
  // The name is ANSI like every text of the layer; the client library opens
  // the file (or asks the server to) by the file system's name, UTF-8.
  const std::string file_name = classlib::Cp1251ToUtf8(db_name_);
  library.isc_attach_database(status, static_cast<short>(file_name.size()), file_name.c_str(),
                              &handle_, static_cast<short>(dpb_.size()), dpb_.data());
  if (CheckClientCall(status[1], false) > 0) {
    handle_ = 0;
    RaiseServerError(library, this, file_name, db_name_);
  }
  try {
    CompleteConnect();
  } catch (...) {
    // A connect that failed leaves nothing attached: the caller sees it
    // disconnected and may simply try again.
    AbandonAttachment();
    throw;
  }
}

void TFIBDatabase::CompleteConnect() {
  ReadCharacterSet();
  FireLinks(&TFIBBase::AfterDatabaseConnect, false);
  if (TFIBSQLMonitorHook* hook = MonitorHookInstance()) hook->TraceConnect(*this);
  server_time_difference_ = 0;
  int file_dialect = DatabaseSQLDialect();
  if (file_dialect < sql_dialect_) sql_dialect_ = file_dialect;
  if (synchronize_time_ && !IsDesigning(*this))
    server_time_difference_ = classlib::Now() - GetServerTime();
  idle_ = false;
  if (timer_) timer_->SetEnabled(!IsDesigning(*this));
  StartBlobCacheCheck();
  if (OnConnect) OnConnect(this);
  connect_handlers_.CallInOrder(this);
  Log("Connect");
}

void TFIBDatabase::AbandonAttachment() {
  try {
    TFIBDatabase::Disconnect(true);
  } catch (...) {
  }
  if (handle_ == 0) return;
  // The disconnect itself failed before its detach.
  try {
    CheckClientCall(ClientLibrary().isc_detach_database(StatusVector(), &handle_), true);
  } catch (...) {
  }
  handle_ = 0;
  if (timer_) timer_->SetEnabled(false);
}

// Cached blob bodies of blobs deleted since the last run are removed in the
// background; the check runs only at run time with a cache folder set.
void TFIBDatabase::StartBlobCacheCheck() {
  blob_cache_.SetDesigning(IsDesigning(*this));
  if (IsDesigning(*this)) return;
  std::string folder = blob_cache_.Folder();
  if (!folder.empty()) StartBlobCacheValidation(*this, folder);
}

bool TFIBDatabase::RunLogin() {
  const TLoginHook& hook = LoginHook();
  if (!hook) {
    throw classlib::Exception(
        std::string("Unable to find Database login dialog. ") +
        (IsDesigning(*this) ? "Please, install package with property editors."
                            : "Please, add FIBDBLoginDlg into USES statement of your project."));
  }
  static const char* const kNames[] = {"user_name", "password", "sql_role_name"};
  std::string values[3];
  for (int i = 0; i < 3; ++i) values[i] = ParamLineValue(db_params_, kNames[i], kDPBPrefix);
  if (!hook(db_name_, values[0], values[1], values[2])) return false;
  // Written back even when empty, so the dialog's answer is what connects.
  for (int i = 0; i < 3; ++i) {
    std::string line = std::string(kNames[i]) + "=" + values[i];
    int index = IndexOfParamLine(db_params_, kNames[i], kDPBPrefix);
    if (index >= 0)
      db_params_.SetStrings(index, line);
    else
      db_params_.Add(line);
  }
  return true;
}

void TFIBDatabase::ReadCharacterSet() {
  std::string charset = classlib::AnsiUpperCase(connect_params_.CharSet());
  is_unicode_connect_ = charset == "UNICODE_FSS";
  no_charset_conversion_ = is_unicode_connect_ || charset == "NONE" || charset.empty();
}

// ---- disconnect ------------------------------------------------------------

void TFIBDatabase::Close() {
  if (Connected()) Disconnect(false);
}

void TFIBDatabase::Disconnect(bool force) {
  CheckActive();
  bool destroying = IsDestroying(*this);
  FireDisconnectEvent(BeforeDisconnect, "BeforeDisconnect", destroying);
  disconnect_handlers_.CallInOrder(this);
  std::exception_ptr commit_failure;
  EndTransactionsForDisconnect(force, commit_failure);
  FireLinks(&TFIBBase::BeforeDatabaseDisconnect, force);
  if (!connection_lost_) {
    try {
      CheckClientCall(ClientLibrary().isc_detach_database(StatusVector(), &handle_), true);
    } catch (const EFIBError&) {
      // A refused detach still leaves nothing usable behind: the database
      // counts as disconnected.
    }
  }
  handle_ = 0;
  connection_lost_ = false;
  if (timer_) timer_->SetEnabled(false);
  if (TFIBSQLMonitorHook* hook = MonitorHookInstance()) hook->TraceDisconnect(*this);
  FireLinks(&TFIBBase::AfterDatabaseDisconnect, force);
  FireDisconnectEvent(AfterDisconnect, "AfterDisconnect", destroying);
  Log("Disconnect");
  if (commit_failure && !destroying) std::rethrow_exception(commit_failure);
}

void TFIBDatabase::FireDisconnectEvent(const classlib::TNotifyEvent& event, const char* name,
                                       bool destroying) {
  if (!event) return;
  try {
    event(this);
  } catch (const std::exception& e) {
    std::string text = "Error of " + FullComponentName(this) + "." + name + ". ";
    if (destroying) text += "Probably you are trying to get access to destroyed components. ";
    throw classlib::Exception(text + e.what());
  }
}

// A retaining end would leave the transaction running on a handle the detach
// kills, so the retaining actions end hard here.
void TFIBDatabase::EndTransactionsForDisconnect(bool force, std::exception_ptr& commit_failure) {
  for (TFIBTransaction* transaction : std::vector(transactions_)) {
    if (transaction == nullptr || !transaction->Active()) continue;
    TTransactionAction action = transaction->TimeoutAction();
    if (action == TACommitRetaining) action = TACommit;
    if (action == TARollbackRetaining) action = TARollback;
    try {
      transaction->EndTransaction(action, true);
    } catch (const EFIBInterBaseError&) {
      if (!force) throw;
      if (!commit_failure) commit_failure = std::current_exception();
    } catch (...) {
      if (!force) throw;
    }
  }
}

void TFIBDatabase::FireLinks(TFIBBaseEvent TFIBBase::*event, bool swallow) {
  if (links_.empty()) return;
  for (TFIBBase* link : std::vector(links_)) {
    try {
      link->Fire(link->*event);
    } catch (...) {
      if (!swallow) throw;
    }
  }
}

void TFIBDatabase::TimeoutTick(classlib::TObject*) {
  if (!Connected()) return;
  if (!idle_) {
    idle_ = true;
    return;
  }
  std::exception_ptr failure;
  try {
    Disconnect(true);
  } catch (...) {
    failure = std::current_exception();
  }
  if (OnTimeout) OnTimeout(this);
  if (failure) std::rethrow_exception(failure);
}

void TFIBDatabase::Log(const std::string& text) {
  if (sql_logger_ != nullptr) sql_logger_->WriteData(FullComponentName(this), text, kLogConnection, "");
}

// ---- transactions and links ------------------------------------------------

int TFIBDatabase::ActiveTransactionCount() const {
  return static_cast<int>(std::count_if(transactions_.begin(), transactions_.end(),
                                        [](TFIBTransaction* t) { return t && t->Active(); }));
}

TFIBTransaction* TFIBDatabase::FirstActiveTransaction() const {
  for (TFIBTransaction* transaction : transactions_)
    if (transaction != nullptr && transaction->Active()) return transaction;
  return nullptr;
}

void TFIBDatabase::AddLink(TFIBBase* link) {
  links_.push_back(link);
  link->database_ = this;
  link->database_index_ = static_cast<int>(links_.size()) - 1;
}

// The last link fills the leaving link's place so the list stays dense.
void TFIBDatabase::RemoveLink(TFIBBase* link) {
  int index = link->database_index_;
  CLASSLIB_ASSERT(index >= 0 && index < LinkCount() && links_[index] == link);
  TFIBBase* last = links_.back();
  links_[index] = last;
  last->database_index_ = index;
  links_.pop_back();
  link->database_ = nullptr;
  link->database_index_ = -1;
}

int TFIBDatabase::AddTransaction(TFIBTransaction* transaction) {
  auto found = std::find(transactions_.begin(), transactions_.end(), transaction);
  if (found == transactions_.end()) found = std::find(transactions_.begin(), transactions_.end(), nullptr);
  if (found == transactions_.end()) {
    transactions_.push_back(transaction);
    return TransactionCount() - 1;
  }
  *found = transaction;
  return static_cast<int>(found - transactions_.begin());
}

void TFIBDatabase::RemoveTransaction(TFIBTransaction* transaction) {
  std::replace(transactions_.begin(), transactions_.end(), transaction,
               static_cast<TFIBTransaction*>(nullptr));
  if (default_transaction_ == transaction) default_transaction_ = nullptr;
  if (default_update_transaction_ == transaction) default_update_transaction_ = nullptr;
}

// ---- blob filters ----------------------------------------------------------

void TFIBDatabase::RegisterBlobFilter(int32_t sub_type, TBlobFilterProc read_filter,
                                      TBlobFilterProc write_filter) {
  blob_filters_.Add(sub_type, std::move(read_filter), std::move(write_filter));
}

bool TFIBDatabase::HasBlobFilter(int32_t sub_type) {
  return BlobSubTypeHasFilter(&blob_filters_, sub_type);
}

void TFIBDatabase::ApplyBlobFilter(std::string& buffer, bool for_read, int32_t sub_type) {
  FilterBlobBuffer(&blob_filters_, buffer, for_read, sub_type);
}

// ---- handler lists ---------------------------------------------------------

void TNotifyEventList::Add(const classlib::TNotifyEvent& handler) {
  std::lock_guard lock(mutex_);
  handlers_.Add(handler);
}

void TNotifyEventList::Remove(const classlib::TNotifyEvent& handler) {
  std::lock_guard lock(mutex_);
  handlers_.Remove(handler);
}

int TNotifyEventList::Count() const {
  std::lock_guard lock(mutex_);
  return handlers_.Count();
}

std::vector<classlib::TNotifyEvent> TNotifyEventList::Snapshot() const {
  std::lock_guard lock(mutex_);
  std::vector<classlib::TNotifyEvent> copy;
  copy.reserve(handlers_.Count());
  for (int i = 0; i < handlers_.Count(); ++i) copy.push_back(handlers_.Items(i));
  return copy;
}

void TNotifyEventList::CallInOrder(classlib::TObject* sender) const {
  for (const auto& handler : Snapshot()) handler(sender);
}

void TNotifyEventList::CallLastFirst(classlib::TObject* sender) const {
  auto handlers = Snapshot();
  for (auto it = handlers.rbegin(); it != handlers.rend(); ++it) (*it)(sender);
}

}  // namespace fib
