// TOCIConnection: life cycle, transactions, ping, break, the lock and the
// error path.
#include "oracle/conn_oci_connection.h"

#include <cstdlib>
#include <optional>
#include <utility>

#include "oracle/call_binding.h"
#include "oracle/call_entries.h"
#include "oracle/call_state.h"
#include "oracle/conn_exec_thread.h"
#include "oracle/conn_session_command.h"
#include "oracle/conn_svc_ctx_liveness.h"
#include "oracle/conn_util_window.h"
#include "oracle/error_ora.h"
#include "oracle/error_raise.h"

namespace oracle {

namespace {

constexpr const char* kNlsNames[kNlsCount] = {"NLS_DATE_LANGUAGE", "NLS_DATE_FORMAT",
                                              "NLS_NUMERIC_CHARACTERS", "NLS_TIMESTAMP_FORMAT",
                                              "NLS_TIMESTAMP_TZ_FORMAT"};

// The PossibleCallStyles bit of a call style.
uint8_t StyleBit(uint8_t style) { return style == kOci7 ? kCallStyleOci7 : style == kOci8 ? kCallStyleOci8 : 0; }

}  // namespace

TConnectionLock::TConnectionLock(TOCIConnection& connection)
    : connection_(connection), locked_(connection.ThreadSafety) {
  if (locked_) connection_.mutex_.lock();
}

TConnectionLock::~TConnectionLock() {
  if (locked_) connection_.mutex_.unlock();
}

TOCIConnection::TOCIConnection() {
  AutoCommit = true;
  for (int i = 0; i < kNlsCount; ++i) NlsParams[i].Name = kNlsNames[i];
}

TOCIConnection::~TOCIConnection() {
  StopBackgroundWork();
  // The statements go while their session still stands.
  DetachCommands();
  try {
    Disconnect();
  } catch (...) {
    // A destructor must not throw; the session is gone with the object.
  }
  command_.reset();
  util_window_.reset();
}

TOCISessionCommand& TOCIConnection::Command() {
  if (!command_) command_ = std::make_unique<TOCISessionCommand>(*this);
  return *command_;
}

TUtilWindow& TOCIConnection::UtilWindow() {
  if (!util_window_) util_window_ = std::make_unique<TUtilWindow>();
  return *util_window_;
}

void TOCIConnection::AddExecThread(TExecThread* thread) {
  std::lock_guard<std::mutex> guard(threads_lock_);
  exec_threads_.push_back(thread);
}

void TOCIConnection::RemoveExecThread(TExecThread* thread) {
  std::lock_guard<std::mutex> guard(threads_lock_);
  std::erase(exec_threads_, thread);
}

int TOCIConnection::ExecThreadCount() {
  std::lock_guard<std::mutex> guard(threads_lock_);
  return static_cast<int>(exec_threads_.size());
}

// A thread still working uses the session, the lock and the utility window:
// its call is broken and the thread joined first. Its end message stays
// queued (handled by the message loop, or freed with the window when the
// connection goes); the thread forgets this connection, so that freeing it
// later touches nothing of it.
void TOCIConnection::StopExecThreads() {
  std::vector<TExecThread*> threads;
  {
    std::lock_guard<std::mutex> guard(threads_lock_);
    threads.swap(exec_threads_);
  }
  for (TExecThread* thread : threads) {
    StopExecThread(*this, thread, false);
    thread->ForgetConnection();
  }
}

// ---- Connecting ---------------------------------------------------------------

void TOCIConnection::Connect(const std::string& connect_string) {
  if (Connected) return;
  ServerVersionText.clear();
  ServerVersion = 0;
  if (!OCIInited) InitOciEnvironment();
  if (OCICallStyle == 0 || !(PossibleCallStyles & StyleBit(OCICallStyle)))
    OCICallStyle = DefaultCallStyle;
  if (ProxyConnection) CheckOCI80();
  CommandCallStyle = OCICallStyle;
  SessionSettingsChanged = false;
  if (OCICallStyle == kOci7) {
    ConnectOci7();
  } else if (OCICallStyle == kOci8) {
    switch (ConnectionKind) {
      case kOwnSession: ConnectOCI8(); break;
      case kClientPoolSession: ConnectPooled(); break;
      default: ConnectMTS(); break;
    }
    OpenSvcCtx(hSvcCtx, hError);
  } else {
    CheckOCI();
  }
  Connected = true;
  try {
    SetStatementCacheSize(StatementCacheSize);
    RegisterFailover();
    ApplyChangedNlsParams();
    if (!Charset.empty() || CharLengthAuto) GetSessionParameters();
  } catch (...) {
    // A session whose settings cannot be applied is not handed out half
    // made; the caller hears why it could not be made, not how it ended.
    try {
      Disconnect();
    } catch (const std::exception&) {
    }
    throw;
  }
  dacore::TCRConnection::Connect(connect_string);
}

void TOCIConnection::Disconnect() {
  if (!Connected) return;
  // Nothing may still call the client with the handles freed below.
  StopBackgroundWork();
  if (OCICallStyle == kOci7)
    DisconnectOci7();
  else if (OCICallStyle == kOci8)
    DisconnectOci8();
  else
    CheckOCI();
  ClearSessionState();
}

void TOCIConnection::ClearSessionState() {
  ServerVersionText.clear();
  ServerVersion = 0;
  MaxStringSize = 0;
  CharsetId = 0;
  if (CharLengthAuto) CharLength = 0;
  for (TNlsParam& param : NlsParams)
    if (!param.Changed) param.Value.clear();
}

void TOCIConnection::SetOCICallStyle(uint8_t style) {
  if (style == OCICallStyle) return;
  Disconnect();
  OCICallStyle = style;
}

void TOCIConnection::SetConnectionKind(uint8_t kind) {
  classlib::Assert(!Connected, "OraClasses", __LINE__);
  ConnectionKind = kind;
}

// ---- Transactions ---------------------------------------------------------------

void TOCIConnection::StartTransaction() {
  Commit();
  InTransaction = true;
}

void TOCIConnection::Commit() {
  if (!Connected) return;
  TConnectionLock lock(*this);
  InTransaction = false;
  if (OCICallStyle == kOci7)
    Check(ocom(lda_.get()));
  else if (OCICallStyle == kOci8)
    Check(OCITransCommit(hSvcCtx, hError, OCI_DEFAULT));
  else
    CheckOCI();
}

// Locked like Commit: a rollback must not cut into a call that another
// thread runs on the same session.
void TOCIConnection::Rollback() {
  if (!Connected) return;
  TConnectionLock lock(*this);
  InTransaction = false;
  if (OCICallStyle == kOci7)
    Check(orol(lda_.get()));
  else if (OCICallStyle == kOci8)
    Check(OCITransRollback(hSvcCtx, hError, OCI_DEFAULT));
  else
    CheckOCI();
}

void TOCIConnection::BreakExec() {
  if (!Connected) return;
  if (OCICallStyle == kOci7)
    Check(obreak(lda_.get()));
  else if (OCICallStyle == kOci8)
    Check(OCIBreak(hSvcCtx, hError));
  else
    CheckOCI();
}

// ---- Ping -----------------------------------------------------------------------

bool TOCIConnection::Ping() {
  if (!IsValid) return false;
  IsValid = true;
  if (!IsDirectMode() && OCICallStyle == kOci8 && OCIVersion >= 10200 && ServerVersion >= 10200) {
    TConnectionLock lock(*this);
    Check(OCIPing(GetSvcCtx(), hError, OCI_DEFAULT));
  } else {
    Probe();
  }
  return IsValid;
}

// Older clients and servers have no ping call. A commit would end the
// user's open transaction, so the probe asks for something that changes
// nothing: the server's banner where the client fetches it from the server,
// else an empty block on the connection's own command.
void TOCIConnection::Probe() {
  if (!IsDirectMode() && OCICallStyle == kOci8) {
    TConnectionLock lock(*this);
    OraText banner[256] = {};
    Check(OCIServerVersion(GetSvcCtx(), hError, banner, sizeof banner, OCI_HTYPE_SVCCTX));
  } else {
    Command().Execute("begin null; end;");
  }
}

// ---- Lock, checks and errors -------------------------------------------------------

void TOCIConnection::Lock() {
  if (ThreadSafety) mutex_.lock();
}

void TOCIConnection::Unlock() {
  if (ThreadSafety) mutex_.unlock();
}

void TOCIConnection::CheckOCI() const {
  if (OCICallStyle != kOci7 && OCICallStyle != kOci8) RaiseOraException("OCI is not inizialized");
}

void TOCIConnection::CheckOCI80() const {
  if (OCICallStyle != kOci8) RaiseOraException("Need Oracle 8 Call Interface");
}

void TOCIConnection::Check(sword status) {
  if (std::optional<EOraError> error = ErrorOf(status)) RaiseServerError(std::move(*error));
}

std::optional<EOraError> TOCIConnection::ErrorOf(sword status) {
  if (status == OCI_SUCCESS) return std::nullopt;
  int32_t code = 0;
  std::string text;
  if (OCICallStyle == kOci7) {
    if (status == -9) status = -1;
    text = Oci7ErrorText(status);
    code = std::abs(status);
  } else if (OCICallStyle == kOci8) {
    code = GetOciErrorText(status, text, hError ? hError : hOCIError);
    LastErrorCode = code;
    if (status == OCI_SUCCESS_WITH_INFO && code != 24344) return std::nullopt;
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.pop_back();
  } else {
    CheckOCI();
    return std::nullopt;
  }
  LastErrorCode = code;
  return EOraError(code, text, static_cast<classlib::TComponent*>(Component));
}

// Every server error passes the connection component's error loop before
// it is raised: a lost connection is noticed there (the session
// disconnects, or reconnects and asks for the operation again through
// EFailOver), and OnError may take the error (then nothing but a silent
// abort leaves). A background run keeps its error for the main thread,
// which hands it to the loop when the run ends.
void TOCIConnection::RaiseServerError(EOraError error) {
  if (!InExecThread()) {
    bool fail = true;
    DoError(error, fail);
    if (!fail) throw classlib::EAbort();
  }
  throw error;
}

ub1* TOCIConnection::GetLDA() {
  if (OCICallStyle == kOci7) return lda_.get();
  CheckOCI();
  if (!lda_) {
    auto lda = std::make_unique<ub1[]>(kOci7LdaSize);
    Check(OCISvcCtxToLda(hSvcCtx, hError, lda.get()));
    lda_ = std::move(lda);
    owns_lda_ = true;
  }
  return lda_.get();
}

OCISvcCtx* TOCIConnection::GetSvcCtx() {
  CheckOCI80();
  return hSvcCtx;
}

void TOCIConnection::ReturnToPool() {
  classlib::Assert(Pool != nullptr, "OraClasses", __LINE__);
  OnFailover.Clear();
  // The server keeps a session's settings for its whole life: one its user
  // changed would carry them to the next user, who set none of them.
  if (SessionSettingsChanged) IsValid = false;
  dacore::TCRConnection::ReturnToPool();
}

}  // namespace oracle
