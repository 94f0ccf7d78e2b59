// TOraSession: the client mode switch, connecting and disconnecting (with
// the tracer attached to the session), the driver connection it makes or
// takes from a pool, and the fail-over it reports and recovers its data
// sets from.
#include <exception>

#include "dacore/dataset_component.h"
#include "oracle/call_binding.h"
#include "oracle/call_direct.h"
#include "oracle/call_state.h"
#include "oracle/error_raise.h"
#include "oracle/gtx_global_transaction.h"
#include "oracle/notify_ora_change_notification.h"
#include "oracle/pool_ora_manager.h"
#include "oracle/rset_oci_record_set.h"
#include "oracle/session_ora_session.h"
#include "oracle/trace_session_tracer.h"
#include "oracle/value_classes_utils.h"

namespace oracle {

namespace {

constexpr const char* kPoolingNotAllowed = "Operation is not allowed when Pooling is True";
constexpr const char* kProxyClosed = "Operation is not allowed when the proxy connection is closed";
constexpr const char* kProxyDirect = "The ProxySession feature not supported in Direct mode";

// Applies a setting that keys a pooled connection's pool: every user of the
// connection asks for the same, so it does not make the connection unfit
// to go back (a setting changed later does).
template <class Apply>
void ApplyPoolSetting(TOCIConnection& connection, bool pooled, Apply apply) {
  const bool changed = connection.SessionSettingsChanged;
  apply();
  if (pooled) connection.SessionSettingsChanged = changed;
}

}  // namespace

// The process talks either to the client library or, in direct mode, to the
// network client; every session goes through the same table, so a switch
// ends every session first.
void TOraSession::SwitchClientMode() {
  const bool direct = Options().Direct();
  if (direct == IsDirectMode()) return;
  if (direct) CheckDirectModeInstaller();  // before any session is ended for it
  DisconnectAllSessions();
  // The network client frees what it made before the table is emptied.
  if (!direct) RemoveDirectMode();
  UnloadOci();
  if (direct)
    InstallDirectMode();
  else
    SetOCICallStyle(Options().UseOCI7() ? kOci7 : DefaultCallStyle.load());
}

void TOraSession::CheckProxySession() {
  if (!proxy_session_) {
    if (IConnection()) OCIConnection()->ProxyConnection = nullptr;
    return;
  }
  if (Pooling() || proxy_session_->Pooling()) RaiseOraException(kPoolingNotAllowed);
  if (!proxy_session_->Connected()) RaiseOraException(kProxyClosed);
  if (Options().Direct()) RaiseOraException(kProxyDirect);
  if (IConnection()) OCIConnection()->ProxyConnection = proxy_session_->OCIConnection();
}

// The calls are broken and the threads joined before any client is told:
// a statement or data set that releases its cursor then frees nothing a
// call still uses, and hears nothing more of the run.
void TOraSession::SetConnected(bool value) {
  if (!value && GetConnected()) OCIConnection()->StopBackgroundWork();
  TCustomDAConnection::SetConnected(value);
}

void TOraSession::DoConnect() {
  SwitchClientMode();
  if (!Options().Direct()) ApplyHomeName();
  CheckProxySession();
  TCustomDAConnection::DoConnect();
  try {
    ApplyNewSession();
  } catch (...) {
    // A session whose settings could not be applied is not left open with
    // the server's defaults; the caller hears why.
    try {
      TCustomDAConnection::DoDisconnect();
    } catch (const std::exception&) {
    }
    throw;
  }
  if (OnConnectChange) OnConnectChange(this, true);
}

void TOraSession::ApplyNewSession() {
  StartTracer();
  if (!schema_.empty()) SetCurrentSchema(schema_);
  if (!Options().ClientIdentifier().empty())
    ApplyPoolSetting(*OCIConnection(), Pooling(),
                     [this] { OCIConnection()->SetClientIdentifier(Options().ClientIdentifier()); });
  ApplyOptimizerMode(Options().OptimizerMode());
}

void TOraSession::DoDisconnect() {
  // Subscriptions live on the connection that is about to go.
  for (TOraChangeNotification* notification : std::vector(change_notifications_)) {
    try {
      notification->Unregister();
    } catch (const std::exception&) {
      // The server ends a subscription whose session is gone.
    }
  }
  // A global transaction still open on this session ends with its default
  // action before the session goes.
  if (TOCIConnection* connection = OCIConnection(); connection && connection->GlobalTransaction())
    connection->GlobalTransaction()->CloseOnDisconnect();
  StopTracer();
  TCustomDAConnection::DoDisconnect();
  cached_schema_.clear();
  kept_transaction_id_.clear();
  if (OnConnectChange) OnConnectChange(this, false);
}

// ---- The driver connection ------------------------------------------------------------

void TOraSession::CreateIConnection() {
  if (IConnection()) return;
  TOCIConnection* connection = Pooling() ? PooledConnection() : NewConnection();
  SetIConnection(connection);
  ConfigureConnection(*connection);
}

TOCIConnection* TOraSession::NewConnection() {
  auto* connection = new TOCIConnection();
  connection->SetProp(prConnectMode, static_cast<int32_t>(connect_mode_));
  if (proxy_session_) connection->ProxyConnection = proxy_session_->OCIConnection();
  return connection;
}

// A pool of proxy sessions logs on with the proxy account; the session's own
// account then becomes the end user of each session it hands out.
TOCIConnection* TOraSession::PooledConnection() {
  TOraConnectionParameters parameters;
  const TOraPoolingOptions& pooling = PoolingOptions();
  parameters.PoolType = pooling.PoolType();
  parameters.MinPoolSize = pooling.MinPoolSize;
  parameters.MaxPoolSize = pooling.MaxPoolSize;
  parameters.ConnectionLifetime = pooling.ConnectionLifetime;
  parameters.Validate = pooling.Validate;
  if (!pooling.ProxyUsername().empty() || !pooling.ProxyPassword().empty()) {
    parameters.Username = pooling.ProxyUsername();
    parameters.Password = pooling.ProxyPassword();
    parameters.ProxyUsername = Username();
    parameters.ProxyPassword = Password();
  } else {
    parameters.Username = Username();
    parameters.Password = Password();
  }
  parameters.Server = Server();
  parameters.StatementCache = Options().StatementCache();
  parameters.StatementCacheSize = Options().StatementCacheSize();
  parameters.ConnectMode = connect_mode_;
  parameters.UseOCI7 = Options().UseOCI7();
  const TOraSessionOptions& options = Options();
  std::string& settings = parameters.SessionSettings;
  if (!options.ClientIdentifier().empty()) settings += "CLIENT_IDENTIFIER=" + options.ClientIdentifier() + "\n";
  if (options.DateFormatSet()) settings += "NLS_DATE_FORMAT=" + options.date_format_ + "\n";
  if (options.DateLanguageSet()) settings += "NLS_DATE_LANGUAGE=" + options.date_language_ + "\n";
  return static_cast<TOCIConnection*>(TOraConnectionPoolManager::GetConnection(parameters));
}

void TOraSession::ConfigureConnection(TOCIConnection& connection) {
  connection.SetProp(prThreadSafety, thread_safety_);
  connection.SetProp(prInternalName, InternalName);
  // A pooled connection is connected already and keeps its style.
  if (connection.GetConnected())
    call_style_ = connection.GetOCICallStyle();
  else
    connection.SetOCICallStyle(call_style_);
  const TOraSessionOptions& options = Options();
  connection.SetProp(prCharLength, static_cast<int32_t>(options.CharLength()));
  connection.SetProp(prCharset, options.Charset());
  connection.SetProp(prUseUnicode, options.UseUnicode());
  ApplyPoolSetting(connection, Pooling(), [&] {
    if (options.DateFormatSet()) connection.SetProp(prDateFormat, options.date_format_);
    if (options.DateLanguageSet()) connection.SetProp(prDateLanguage, options.date_language_);
  });
  connection.SetProp(prEnableIntegers, options.EnableIntegers());
  connection.SetProp(prEnableNumbers, options.EnableNumbers());
  connection.SetProp(dacore::prDisconnectedMode, options.DisconnectedMode());
  connection.SetProp(dacore::prAutoCommit, AutoCommit());
  connection.SetProp(dacore::prConvertEOL, ConvertEOL());
  connection.SetProp(prConnectionTimeout, static_cast<int32_t>(options.ConnectionTimeout()));
  connection.SetProp(prStatementCache, options.StatementCache());
  connection.SetProp(prStatementCacheSize, static_cast<int32_t>(options.StatementCacheSize()));
  connection.OnFailover = TOCIConnection::TFailoverProc::Function(
      [this](uint32_t event, uint32_t type, bool& retry) { HandleFailover(event, type, retry); });
}

// ---- Fail-over --------------------------------------------------------------------------

TFailoverState FailoverStateOf(uint32_t event) {
  switch (event) {
    case 1: return fsEnd;
    case 2: return fsAbort;
    case 4: return fsReauth;
    case 8: return fsBegin;
    case 16: return fsError;
    default: return fsUnknown;
  }
}

TFailoverType FailoverTypeOf(uint32_t type) {
  switch (type) {
    case 1: return ftNone;
    case 2: return ftSession;
    case 4: return ftSelect;
    case 8: return ftTransaction;
    default: return ftUnknown;
  }
}

void TOraSession::HandleFailover(uint32_t event, uint32_t type, bool& retry) {
  if (event == OCI_FO_END) UnPrepareDataSets();
  if (OnFailover) OnFailover(this, FailoverStateOf(event), FailoverTypeOf(type), retry);
}

// The statement handles of the failed session mean nothing to the new one.
// A statement in use keeps its handle until that use ends: an open cursor
// reads on (the client replays a SELECT; a cursor the server lost fails
// with the server's error rather than ending its rows early), and a call
// under way (the one the client may be reporting the fail-over from: an
// open, an execute, a prepare's describe) is not left holding a freed
// handle.
void TOraSession::UnPrepareDataSets() {
  for (dacore::IDAConnectionClient* client : DataSetClients()) {
    auto* data_set = dynamic_cast<dacore::TCustomDADataSet*>(client);
    dacore::TCRRecordSet* record_set = data_set ? data_set->IRecordSet() : nullptr;
    if (!record_set || !record_set->Prepared()) continue;
    auto* oci = dynamic_cast<TOCIRecordSet*>(record_set);
    if (oci && (data_set->State() != classlib::dsInactive || oci->Command().Executing() || oci->Describing())) {
      oci->ReleaseStatementWhenDone();
      continue;
    }
    TOraClassesUtils::InternalUnPrepare(*record_set);
    TOraClassesUtils::ClearPrepared(*record_set);
  }
}

// ---- Tracing ---------------------------------------------------------------------------

void TOraSession::StartTracer() {
  if (tracer_ && tracer_->Enabled()) tracer_->StartTrace();
}

// The server ends its trace with the session: a stop that cannot reach the
// server (the connection is lost) must not keep the session from going.
void TOraSession::StopTracer() {
  if (!tracer_ || !(tracer_->SqlTracing() || tracer_->PlSqlTracing())) return;
  if (IConnection() && IConnection()->IsValid && GetConnected()) {
    try {
      RunWhileDisconnecting([this] { tracer_->StopTrace(); });
    } catch (const std::exception&) {
    }
  }
  tracer_->SessionEnded();
}

}  // namespace oracle
