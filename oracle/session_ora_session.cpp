// TOraSession: construction and the process's session list, the account,
// the Oracle home and the call style, and the errors that mean a lost
// connection or a key violation.
#include "oracle/session_ora_session.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "classlib/ansistr.h"
#include "dacore/dataset_component.h"
#include "oracle/call_binding.h"
#include "oracle/call_direct.h"
#include "oracle/call_state.h"
#include "oracle/error_ora.h"
#include "oracle/pool_ora_manager.h"
#include "oracle/query_ora_sql.h"
#include "oracle/session_connect_string.h"
#include "oracle/trace_session_tracer.h"

namespace oracle {

namespace {

// Every session of the process in creation order; the default session is
// the first one made that is still alive. Re-entrant, because a session
// disconnected under the lock may run handlers that make or free sessions.
struct TSessionList {
  std::recursive_mutex lock;
  std::vector<TOraSession*> sessions;
  TOraSession* default_session = nullptr;
};

TSessionList& Sessions() {
  static TSessionList list;
  return list;
}

}  // namespace

TOraSession::TOraSession(classlib::TComponent* owner) : TCustomDAConnection(owner) {
  SetOptions(std::make_unique<TOraSessionOptions>(this));
  SetPoolingOptions(std::make_unique<TOraPoolingOptions>(this));
  TSessionList& list = Sessions();
  std::lock_guard<std::recursive_mutex> guard(list.lock);
  if (!list.default_session) list.default_session = this;
  if (!list.sessions.empty()) {
    // One client mode and home serve the whole process.
    TOraSession* first = list.sessions.front();
    home_name_ = first->home_name_;
    Options().direct_ = first->Options().direct_;
  }
  list.sessions.push_back(this);
}

TOraSession::~TOraSession() {
  // The tracer stops while the session's own statement still runs its
  // statements, and lets go of the session.
  StopTracer();
  if (tracer_) tracer_->SetSession(nullptr);
  // The session's own statement leaves the client list while the session is whole.
  ora_sql_.reset();
  DestroyConnection();
  const bool direct = Options().Direct();
  TSessionList& list = Sessions();
  std::lock_guard<std::recursive_mutex> guard(list.lock);
  list.sessions.erase(std::remove(list.sessions.begin(), list.sessions.end(), this), list.sessions.end());
  if (list.default_session != this) return;
  if (!list.sessions.empty()) {
    list.default_session = list.sessions.front();
    return;
  }
  list.default_session = nullptr;
  if (direct) RemoveDirectMode();
}

bool UseDefaultSession = true;

TOraSession* TOraSession::DefaultSession() {
  TSessionList& list = Sessions();
  std::lock_guard<std::recursive_mutex> guard(list.lock);
  return list.default_session;
}

void DisconnectAllSessions() {
  {
    TSessionList& list = Sessions();
    std::lock_guard<std::recursive_mutex> guard(list.lock);
    const std::vector<TOraSession*> sessions = list.sessions;
    for (TOraSession* session : sessions) session->Disconnect();
  }
  TOraConnectionPoolManager::Clear();
}

TOraSessionOptions& TOraSession::Options() {
  return static_cast<TOraSessionOptions&>(TCustomDAConnection::Options());
}

TOraPoolingOptions& TOraSession::PoolingOptions() {
  return static_cast<TOraPoolingOptions&>(TCustomDAConnection::PoolingOptions());
}

TOCIConnection* TOraSession::OCIConnection() const { return static_cast<TOCIConnection*>(IConnection()); }

void TOraSession::SetDriverProp(int prop, const classlib::Variant& value) {
  if (IConnection()) IConnection()->SetProp(prop, value);
}

void TOraSession::FieldDefsOutOfDate() {
  for (dacore::IDAConnectionClient* client : DataSetClients())
    if (auto* data_set = dynamic_cast<dacore::TCustomDADataSet*>(client)) data_set->FieldDefsOutOfDate();
}

// ---- Account ----------------------------------------------------------------------

std::string TOraSession::ConnectString() const {
  return FormatConnectString(Username(), Password(), Server(), connect_mode_);
}

void TOraSession::SetConnectString(const std::string& text) {
  if (text == ConnectString()) return;
  Disconnect();
  const TConnectStringParts parts = ParseConnectString(text);
  SetUsername(parts.Username);
  SetPassword(parts.Password);
  SetServer(parts.Server);
  if (parts.Mode) SetConnectMode(*parts.Mode);
}

void TOraSession::SetConnectMode(TConnectMode mode) {
  if (mode == connect_mode_) return;
  Disconnect();
  connect_mode_ = mode;
  if (!Pooling()) SetDriverProp(prConnectMode, static_cast<int32_t>(mode));
}

void TOraSession::SetThreadSafety(bool value) {
  thread_safety_ = value;
  SetDriverProp(prThreadSafety, value);
}

// ---- Oracle home and call style ---------------------------------------------------------

void TOraSession::SetHomeName(const std::string& name) {
  if (name != OracleHomeName) {
    Disconnect();
    DisconnectAllSessions();
    if (!Options().Direct()) UnloadOci();
    OracleHomeName = name;
    SetOCICallStyle(Options().UseOCI7() ? kOci7 : 0);
  }
  home_name_ = name;
}

// A changed home (set by another session, or never applied) takes effect
// before the client library is loaded for this connect.
void TOraSession::ApplyHomeName() { SetHomeName(home_name_); }

namespace {

// A loaded client library's discovery has read the homes already (and
// reading them again would forget which of them is on PATH).
void ReadHomesUnlessLoaded() {
  if (!IsOciLoaded()) ReadOracleHomes();
}

}  // namespace

uint8_t TOraSession::Home() const {
  ReadHomesUnlessLoaded();
  for (size_t i = 0; i < OracleHomes.size(); ++i)
    if (classlib::SameText(OracleHomes[i].Name, OracleHomeName)) return static_cast<uint8_t>(i + 1);
  return ohDefault;
}

void TOraSession::SetHome(uint8_t index) {
  if (index == ohDefault) return;
  ReadHomesUnlessLoaded();
  if (index > OracleHomes.size()) return;
  SetHomeName(OracleHomes[index - 1].Name);
}

uint8_t TOraSession::OCICallStyle() const {
  if (IConnection()) call_style_ = OCIConnection()->GetOCICallStyle();
  return call_style_;
}

void TOraSession::SetOCICallStyle(uint8_t style) {
  if (style != call_style_) Disconnect();
  call_style_ = style;
  if (IConnection()) OCIConnection()->SetOCICallStyle(style);
}

void TOraSession::SetProxySession(TOraSession* session) {
  if (session == proxy_session_) return;
  if (proxy_session_) proxy_session_->RemoveFreeNotification(this);
  proxy_session_ = session;
  if (session) session->FreeNotification(this);
}

// The generic copy takes the options through their own assignment, which
// carries the Oracle ones between two sessions.
void TOraSession::AssignTo(classlib::TPersistent* dest) const {
  TCustomDAConnection::AssignTo(dest);
  if (auto* to = dynamic_cast<TOraSession*>(dest)) to->SetHomeName(home_name_);
}

void TOraSession::Notification(classlib::TComponent* component, classlib::TOperation operation) {
  TCustomDAConnection::Notification(component, operation);
  if (operation == classlib::opRemove && component == proxy_session_) proxy_session_ = nullptr;
}

std::string TOraSession::GetServerVersion() {
  CheckSessionConnected();
  return OCIConnection()->GetServerVersion();
}

// ---- Errors -----------------------------------------------------------------------------

namespace {

int32_t ErrorCodeOf(const classlib::Exception& e) {
  auto* error = dynamic_cast<const dacore::EDAError*>(&e);
  return error ? error->ErrorCode() : 0;
}

}  // namespace

bool TOraSession::IsFatalError(const classlib::Exception& e) const {
  switch (ErrorCodeOf(e)) {
    case 28:     // your session has been killed
    case 1012:   // not logged on
    case 3106:   // fatal two-task communication protocol error
    case 3113:   // end-of-file on communication channel
    case 3114:   // not connected to ORACLE
    case 12152:  // unable to send break message
    case 12203:  // unable to connect to destination
    case 12514:  // listener does not know of the service
    case 12571:  // packet writer failure
    case 12609:  // receive time-out: the answer may still come, out of step
      return true;
    default:
      return false;
  }
}

bool TOraSession::IsKeyViolation(const classlib::Exception& e) const { return ErrorCodeOf(e) == 1; }

}  // namespace oracle
