// TCustomDAConnection: account, connecting and the use counter, the driver
// connection's attachment, and client registration.
#include "dacore/comp_connection.h"

#include <algorithm>
#include <exception>

#include "classlib/dataset.h"
#include "dacore/dataset_component.h"
#include "dacore/dialog_connect.h"
#include "dacore/driver_command.h"
#include "dacore/messages.h"
#include "dacore/sql_component.h"
#include "dacore/store_hooks.h"
#include "dacore/trace_monitor.h"

namespace dacore {

TCustomDAConnection::TCustomDAConnection(classlib::TComponent* owner)
    : TCustomConnection(owner),
      options_(std::make_unique<TDAConnectionOptions>(this)),
      pooling_options_(std::make_unique<TPoolingOptions>(this)) {
  SetLoginPrompt(true);
}

TCustomDAConnection::~TCustomDAConnection() { DestroyConnection(); }

void TCustomDAConnection::DestroyConnection() {
  try {
    Disconnect();
  } catch (const std::exception&) {
    // A failing disconnect must not keep the component alive.
  }
  FreeIConnection();
}

// ---- Account and settings -------------------------------------------------------

void TCustomDAConnection::SetUsername(const std::string& value) {
  if (value == username_) return;
  Disconnect();
  DropPooledConnection();
  username_ = value;
}

void TCustomDAConnection::SetPassword(const std::string& value) {
  if (value == password_) return;
  Disconnect();
  DropPooledConnection();
  password_ = value;
}

void TCustomDAConnection::SetServer(const std::string& value) {
  if (value == server_) return;
  Disconnect();
  DropPooledConnection();
  server_ = value;
}

// A driver connection of a pool belongs to the pool of the server and
// account it was taken for: kept across a change of them, it would connect
// elsewhere and go back to the former pool, whose next user would get it.
void TCustomDAConnection::DropPooledConnection() {
  if (iconnection_ && iconnection_->Pool && !GetConnected()) FreeIConnection();
}

void TCustomDAConnection::SetAutoCommit(bool value) {
  auto_commit_ = value;
  if (iconnection_) iconnection_->SetProp(prAutoCommit, value);
}

void TCustomDAConnection::SetConvertEOL(bool value) {
  convert_eol_ = value;
  if (iconnection_) iconnection_->SetProp(prConvertEOL, value);
  // Open data sets read texts with expanded line ends through the store.
  for (int i = 0; i < DataSetCount(); ++i) DataSets(i)->SettleDirectTextRules();
}

void TCustomDAConnection::SetPooling(bool value) {
  if (value == pooling_) return;
  Disconnect();
  FreeIConnection();
  pooling_ = value;
}

void TCustomDAConnection::AssignTo(classlib::TPersistent* dest) const {
  auto* to = dynamic_cast<TCustomDAConnection*>(dest);
  if (!to) {
    TCustomConnection::AssignTo(dest);
    return;
  }
  to->SetUsername(username_);
  to->SetPassword(password_);
  to->SetServer(server_);
  to->SetLoginPrompt(LoginPrompt());
  to->PoolingOptions().Assign(pooling_options_.get());
  to->SetPooling(pooling_);
  to->SetConnectDialog(connect_dialog_);
  to->OnError = OnError;
  to->SetConvertEOL(convert_eol_);
  to->Options().Assign(options_.get());
  to->SetAutoCommit(auto_commit_);
  to->SetBeforeConnect(BeforeConnect());
  to->SetAfterConnect(AfterConnect());
  to->SetBeforeDisconnect(BeforeDisconnect());
  to->SetAfterDisconnect(AfterDisconnect());
  to->SetOnLogin(OnLogin());
}

// ---- Connecting -----------------------------------------------------------------

bool TCustomDAConnection::GetConnected() const { return iconnection_ && iconnection_->GetConnected(); }

void TCustomDAConnection::SetConnected(bool value) {
  if (value == GetConnected()) return;
  if (!value) {
    DisconnectClients();
    return;
  }
  if (ComponentState().Contains(classlib::csReading)) {
    if (options_->KeepDesignConnected || ComponentState().Contains(classlib::csDesigning))
      SetStreamedConnected(value);
    return;
  }
  ConnectCounted();
}

// Clients hear of the disconnect first; a fatal error among them (the
// server is gone anyway) does not stop the disconnect.
void TCustomDAConnection::DisconnectClients() {
  connect_count_ = 0;
  first_connect_ = true;
  if (BeforeDisconnect()) BeforeDisconnect()(this);
  std::exception_ptr error;
  try {
    SendConnectEvent(false);
  } catch (const classlib::Exception& e) {
    if (!IsFatalError(e)) error = std::current_exception();
  }
  DoDisconnect();
  if (AfterDisconnect()) AfterDisconnect()(this);
  transaction_id_.clear();
  if (error) std::rethrow_exception(error);
}

void TCustomDAConnection::ConnectCounted() {
  const bool counted = !StreamedConnected();
  if (counted) ++connect_count_;
  try {
    const TConnectDialogClass dialog_class = ConnectDialogClass();
    if (NeedPrompt() && dialog_class)
      ConnectThroughDialog(dialog_class);
    else
      ConnectWithoutPrompt();
  } catch (...) {
    if (counted && !GetConnected()) --connect_count_;
    throw;
  }
}

void TCustomDAConnection::ConnectWithoutPrompt() {
  if (BeforeConnect()) BeforeConnect()(this);
  DoConnect();
  SendConnectEvent(true);
  if (AfterConnect()) AfterConnect()(this);
}

// A dialog that answers false gives up the connect: loudly while loading or
// designing, silently (EAbort) otherwise.
void TCustomDAConnection::ConnectThroughDialog(const TConnectDialogClass& dialog_class) {
  std::unique_ptr<TCustomConnectDialog> temporary;
  TCustomConnectDialog* dialog = connect_dialog_;
  if (!dialog) {
    temporary = dialog_class();
    dialog = temporary.get();
  }
  dialog->SetConnection(this);
  if (dialog->Execute()) return;
  if (StreamedConnected() || ComponentState().Contains(classlib::csDesigning))
    classlib::DatabaseError(SCannotConnect, this);
  classlib::Abort();
}

TConnectDialogClass TCustomDAConnection::ConnectDialogClass() const {
  return [] { return std::make_unique<TCustomConnectDialog>(nullptr); };
}

// A dialog given up keeps the free-notification link while its back
// reference still names this connection, so that it hears when this
// connection goes (see TCustomConnectDialog::SetConnection).
void TCustomDAConnection::SetConnectDialog(TCustomConnectDialog* dialog) {
  if (dialog == connect_dialog_) return;
  TCustomConnectDialog* previous = connect_dialog_;
  connect_dialog_ = dialog;
  if (previous && previous->Connection() != this) RemoveFreeNotification(previous);
  if (dialog) {
    dialog->FreeNotification(this);
    dialog->SetConnection(this);
  }
}

void TCustomDAConnection::Notification(classlib::TComponent* component, classlib::TOperation operation) {
  TCustomConnection::Notification(component, operation);
  if (operation == classlib::opRemove && component == connect_dialog_) connect_dialog_ = nullptr;
}

bool TCustomDAConnection::NeedPrompt() const {
  const bool designing = ComponentState().Contains(classlib::csDesigning);
  if (!LoginPrompt()) return designing && (username_.empty() || password_.empty());
  if (!designing) return true;
  if (ComponentState().Contains(classlib::csReading)) return false;
  return !StreamedConnected();
}

void TCustomDAConnection::DoConnect() {
  uint32_t message_id = 0;
  TCustomDASQLMonitor::NotifyConnect(this, message_id, true);
  CreateIConnection();
  classlib::Assert(iconnection_ != nullptr, __FILE__, __LINE__, "Must be overrided");
  PushOperation(clConnect, true);
  StartWait();
  try {
    iconnection_->SetUsername(username_);
    iconnection_->SetPassword(password_);
    iconnection_->SetServer(server_);
    iconnection_->Connect("");
  } catch (...) {
    StopWait();
    PopOperation();
    // A pooled connection that could not connect goes back and is freed
    // there: it keeps no slot of its pool and no tie to this session.
    if (iconnection_ && iconnection_->Pool && !iconnection_->GetConnected()) {
      iconnection_->IsValid = false;
      FreeIConnection();
    }
    throw;
  }
  StopWait();
  PopOperation();
  TCustomDASQLMonitor::NotifyConnect(this, message_id, false);
}

void TCustomDAConnection::DoDisconnect() {
  if (InTransaction() && !disconnecting_self_) {
    RunWhileDisconnecting([this] {
      if (DefaultCommitOnDisconnect())
        Commit();
      else
        Rollback();
    });
  }
  if (!GetConnected()) return;
  uint32_t message_id = 0;
  TCustomDASQLMonitor::NotifyDisconnect(this, message_id, true);
  if (pooling_ && iconnection_->Pool && iconnection_->IsValid) {
    TCRConnection* connection = iconnection_;
    SetIConnection(nullptr);
    connection->ReturnToPool();
  } else {
    iconnection_->Disconnect();
  }
  TCustomDASQLMonitor::NotifyDisconnect(this, message_id, false);
}

// The counted disconnect that ends such work must not disconnect again.
void TCustomDAConnection::RunWhileDisconnecting(const std::function<void()>& work) {
  const bool was = disconnecting_;
  disconnecting_ = true;
  try {
    work();
  } catch (...) {
    disconnecting_ = was;
    throw;
  }
  disconnecting_ = was;
}

void TCustomDAConnection::InternalConnect() {
  int remembered = ++connect_count_;
  const bool prompt = LoginPrompt();
  if (!first_connect_) SetLoginPrompt(false);
  auto restore = [&] {
    connect_count_ = remembered;
    SetLoginPrompt(prompt);
    first_connect_ = !GetConnected();
  };
  try {
    SetConnected(true);
  } catch (const EFailOver&) {
    // The reconnect has happened already.
  } catch (...) {
    if (!GetConnected()) --remembered;
    restore();
    throw;
  }
  restore();
}

void TCustomDAConnection::InternalDisconnect() {
  if (connect_count_ > 0) --connect_count_;
  if (connect_count_ == 0 && options_->DisconnectedMode() && !InTransaction() && !disconnecting_)
    Disconnect();
  first_connect_ = false;
}

void TCustomDAConnection::SetIConnection(TCRConnection* connection) {
  if (connection) {
    iconnection_ = connection;
    connection->OnError = TCRConnection::TErrorProc::Function(
        [this](classlib::Exception& e, bool& fail, bool& reconnect, bool& reexecute, int attempt,
               TConnLostCause& cause) { DoError(e, fail, reconnect, reexecute, attempt, cause); });
    connection->OnReconnectError = TCRConnection::TNotifyProc::Function([this] { Disconnect(); });
    connection->OnReconnectSuccess = TCRConnection::TNotifyProc::Function([this] {
      if (AfterConnect()) AfterConnect()(this);
    });
    connection->Component = this;
    for (IDAConnectionClient* client : DataSetClients()) client->SetDriverConnection(connection);
    for (IDAConnectionClient* client : StatementClients()) client->SetDriverConnection(connection);
    return;
  }
  if (!ComponentState().Contains(classlib::csDestroying)) {
    for (IDAConnectionClient* client : DataSetClients()) client->SetDriverConnection(nullptr);
    for (IDAConnectionClient* client : StatementClients()) client->SetDriverConnection(nullptr);
  }
  iconnection_ = nullptr;
}

void TCustomDAConnection::FreeIConnection() {
  TCRConnection* connection = iconnection_;
  if (!connection) return;
  SetIConnection(nullptr);
  if (connection->Pool)
    connection->ReturnToPool();
  else
    delete connection;
}

// ---- Components and driver objects ---------------------------------------------

std::unique_ptr<TCustomDASQL> TCustomDAConnection::CreateSQL() {
  auto sql = std::make_unique<TCustomDASQL>(nullptr);
  sql->SetConnection(this);
  return sql;
}

std::unique_ptr<TCustomDADataSet> TCustomDAConnection::CreateDataSet() {
  auto data_set = std::make_unique<TCustomDADataSet>(nullptr);
  data_set->SetConnection(this);
  return data_set;
}

std::unique_ptr<TCRRecordSet> TCustomDAConnection::CreateIRecordSet() {
  classlib::Assert(false, __FILE__, __LINE__, "Must be overrided");
  return nullptr;
}

std::unique_ptr<TCRCommand> TCustomDAConnection::CreateICommand() {
  classlib::Assert(false, __FILE__, __LINE__, "Must be overrided");
  return nullptr;
}

classlib::Variant TCustomDAConnection::ExecSQL(const std::string&, const std::vector<classlib::Variant>&) {
  classlib::Assert(false, __FILE__, __LINE__, "Must be overrided");
  return classlib::Unassigned();
}

// ---- Clients --------------------------------------------------------------------

void TCustomDAConnection::RegisterClient(classlib::TObject* client, classlib::TConnectChangeEvent event) {
  TCustomConnection::RegisterClient(client, std::move(event));
  auto* da_client = dynamic_cast<IDAConnectionClient*>(client);
  if (!da_client) return;
  std::lock_guard<std::mutex> guard(clients_lock_);
  if (std::find(clients_.begin(), clients_.end(), da_client) == clients_.end())
    clients_.push_back(da_client);
}

void TCustomDAConnection::UnRegisterClient(classlib::TObject* client) {
  TCustomConnection::UnRegisterClient(client);
  auto* da_client = dynamic_cast<IDAConnectionClient*>(client);
  if (!da_client) return;
  std::lock_guard<std::mutex> guard(clients_lock_);
  clients_.erase(std::remove(clients_.begin(), clients_.end(), da_client), clients_.end());
}

std::vector<IDAConnectionClient*> TCustomDAConnection::DataSetClients() {
  std::lock_guard<std::mutex> guard(clients_lock_);
  std::vector<IDAConnectionClient*> out;
  for (IDAConnectionClient* c : clients_)
    if (c->IsDataSet()) out.push_back(c);
  return out;
}

std::vector<IDAConnectionClient*> TCustomDAConnection::StatementClients() {
  std::lock_guard<std::mutex> guard(clients_lock_);
  std::vector<IDAConnectionClient*> out;
  for (IDAConnectionClient* c : clients_)
    if (!c->IsDataSet()) out.push_back(c);
  return out;
}

}  // namespace dacore
