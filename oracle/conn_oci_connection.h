// TOCIConnection: one Oracle database session behind the generic driver
// connection. It speaks either call style of the client library: the older
// one (logon and host data areas) or the newer one (environment, error,
// server, session and service-context handles); in direct mode the newer
// calls reach the network client instead. Commands and record sets take the
// service context, the error handle, the call style and the lock from it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "classlib/event.h"
#include "dacore/driver_connection.h"
#include "oracle/error_ora.h"
#include "oracle/oci_defs.h"

namespace oracle {

class TOCICommand;
class TOCISessionCommand;
class TUtilWindow;
class TExecThread;
class TOCIGlobalTransaction;

// ConnectMode values (property 62).
enum TConnectMode : uint8_t { cmNormal = 0, cmSysOper = 1, cmSysDBA = 2 };

// ConnectionKind values: where the session comes from.
inline constexpr uint8_t kOwnSession = 0;
inline constexpr uint8_t kClientPoolSession = 1;
inline constexpr uint8_t kMtsSession = 2;

// Property numbers of the Oracle connection.
inline constexpr int prThreadSafety = 51;
inline constexpr int prMaxStringSize = 58;
inline constexpr int prDateFormat = 60;
inline constexpr int prConnectMode = 62;
inline constexpr int prCharLength = 63;
inline constexpr int prEnableIntegers = 65;
inline constexpr int prInternalName = 66;
inline constexpr int prCharset = 69;
inline constexpr int prDateLanguage = 70;
inline constexpr int prTimeStampFormat = 71;
inline constexpr int prTimeStampTZFormat = 72;
inline constexpr int prNumericCharacters = 75;
inline constexpr int prEnableNumbers = 76;
inline constexpr int prUseUnicode = 77;
inline constexpr int prKeepObjectTypes = 84;
inline constexpr int prConnectionTimeout = 91;
inline constexpr int prStatementCache = 93;
inline constexpr int prStatementCacheSize = 94;

// One language setting of the session. Changed: the user set a value, so it
// is applied at every connect and after a fail-over.
struct TNlsParam {
  std::string Name;
  std::string Value;
  bool Changed = false;
};

// Index of each setting in NlsParams.
enum TNlsIndex { nlsDateLanguage, nlsDateFormat, nlsNumericCharacters, nlsTimeStampFormat,
                 nlsTimeStampTZFormat, kNlsCount };

class TOCIConnection : public dacore::TCRConnection {
  CLASSLIB_CLASS(TOCIConnection, dacore::TCRConnection)
 public:
  // (fail-over event, fail-over type, in/out retry).
  using TFailoverProc = classlib::Event<void(uint32_t event, uint32_t type, bool& retry)>;

  TOCIConnection();
  ~TOCIConnection() override;

  // The argument is not used: the account and server are the fields.
  void Connect(const std::string& connect_string) override;
  void Disconnect() override;
  // Ends a pending implicit transaction, then marks one as started.
  void StartTransaction() override;
  void Commit() override;
  void Rollback() override;
  // Whether the server still answers; the probe never ends the user's work.
  bool Ping() override;
  void ReturnToPool() override;
  bool SetProp(int prop, const classlib::Variant& value) override;
  bool GetProp(int prop, classlib::Variant& value) override;

  // Cancels a call running on another thread; takes no lock.
  void BreakExec();
  // The older interface's logon data area (made from the service context in
  // the newer style).
  ub1* GetLDA();
  OCISvcCtx* GetSvcCtx();
  OCIEnv* GetEnvironment() const { return hEnv; }
  OCIError* GetErrorHandle() const { return hError; }
  OCIServer* GetServerHandle() const { return hServer; }
  OCISession* GetSessionHandle() const { return hSession; }
  // The global transaction this connection is a branch of (not owned), or nullptr.
  TOCIGlobalTransaction* GlobalTransaction() const { return global_transaction_; }
  void SetGlobalTransaction(TOCIGlobalTransaction* transaction) { global_transaction_ = transaction; }

  uint8_t GetOCICallStyle() const { return OCICallStyle; }
  // Disconnects first when the style changes.
  void SetOCICallStyle(uint8_t style);
  // The server's version as a number (9201), once per connect.
  uint16_t GetOracleVersion();
  // The server's version text ("9.2.0.1.0"), cached until the next connect.
  std::string GetServerVersion();
  // The largest VARCHAR2 the server takes: 2000 or 4000.
  uint16_t GetMaxStringSize();

  // The connection lock, taken only while ThreadSafety is set; re-entrant
  // for the owning thread.
  void Lock();
  void Unlock();

  // Only while disconnected.
  void SetConnectionKind(uint8_t kind);
  // ALTER SESSION SET name='value' while connected; nothing otherwise.
  void SetSessionParameter(const std::string& name, const std::string& value);
  // Reads the language settings, the character length and the character set.
  void GetSessionParameters();
  void SetClientIdentifier(const std::string& text);
  void SetStatementCacheSize(uint32_t size);

  // "OCI is not inizialized" unless a call style is chosen;
  // "Need Oracle 8 Call Interface" unless it is the newer one.
  void CheckOCI() const;
  void CheckOCI80() const;
  // Raises EOraError for a failed status (see the error path in the .cpp).
  void Check(sword status);
  // The error a failed status stands for, read from the error handle now
  // without raising it (nothing for a success or a plain warning), so that
  // what the failed call still delivered can be taken before it is raised.
  std::optional<EOraError> ErrorOf(sword status);
  // Raises a server error after the connection component's error loop has
  // seen it (off a background thread); EAbort when a handler took it.
  [[noreturn]] void RaiseServerError(EOraError error);

  // The connection's own command for session statements (created on first use).
  TOCISessionCommand& Command();
  // The queue that brings background work back to the main thread (created
  // on first use).
  TUtilWindow& UtilWindow();
  bool HasUtilWindow() const { return util_window_ != nullptr; }
  // The background threads started on this connection whose objects still
  // exist (RunExecThread adds them, their destructor removes them). The
  // destructor breaks and joins them before it frees anything they use.
  void AddExecThread(TExecThread* thread);
  void RemoveExecThread(TExecThread* thread);
  int ExecThreadCount();
  // The commands set on this connection (their SetConnection adds and
  // removes them); a record set is known through its command.
  void AddCommand(TOCICommand* command);
  void RemoveCommand(TOCICommand* command);
  // Stops everything that runs on the connection in the background: each
  // command's run and its record set's (the call broken or the loop stopped,
  // the thread joined, its end heard by nobody), then any other thread
  // started on it. A disconnect does this before it frees anything; so does
  // the session component before its clients hear of one.
  void StopBackgroundWork();

  // What the client library calls on a fail-over of this session.
  static sb4 FailoverCallback(void* service_context, void* environment, void* context,
                              ub4 failover_type, ub4 failover_event);

  bool ThreadSafety = true;
  uint16_t MaxStringSize = 0;
  uint8_t OCICallStyle = 0;
  uint8_t CommandCallStyle = 0;
  bool OwnsHandles = true;
  int32_t LastErrorCode = 0;
  uint8_t ConnectMode = cmNormal;
  bool EnableIntegers = true;
  bool EnableNumbers = false;
  std::string InternalName;
  std::string ServerVersionText;
  uint16_t ServerVersion = 0;
  // The outer session of a proxy session (not owned).
  TOCIConnection* ProxyConnection = nullptr;
  bool KeepObjectTypes = false;
  uint32_t ConnectionTimeout = 0;
  std::string PoolName;
  bool StatementCache = false;
  uint32_t StatementCacheSize = 0;
  std::string Charset;
  uint16_t CharsetId = 0;
  uint16_t CharLength = 1;
  bool CharLengthAuto = false;
  bool UseUnicode = false;
  std::array<TNlsParam, kNlsCount> NlsParams;
  uint8_t ConnectionKind = kOwnSession;
  TFailoverProc OnFailover;
  bool InTransaction = false;
  // Set when something changed this server session's settings from those a
  // new session starts with (language settings, client identifier, current
  // schema, optimizer mode); cleared with each new session. A pool does not
  // hand such a session on to another user.
  bool SessionSettingsChanged = false;

 private:
  friend class TConnectionLock;

  void ConnectOci7();
  void DisconnectOci7();
  void ConnectOCI8();
  void ConnectPooled();
  void ConnectMTS();
  void DisconnectOci8();
  void FreeOci8Handles();
  void AllocHandle(void** handle, ub4 type);
  void SetAttr(void* handle, ub4 type, const void* value, ub4 size, ub4 attribute);
  void SetTextAttr(void* handle, ub4 type, const std::string& text, ub4 attribute);
  ub4 SessionMode() const;
  bool StatementCacheUsable() const;
  void RegisterFailover();
  void ApplyChangedNlsParams();
  void ClearSessionState();
  // The session handle of the service context: the own one, or the one of
  // a session taken from the client's pool or the MTS service.
  OCISession* ServiceSession();
  std::string Oci7ErrorText(sword code);
  // A round trip that changes nothing on the session.
  void Probe();
  void SetNlsValue(int index, const classlib::Variant& value);
  std::string GetNlsValue(int index);
  void SetCharLength(uint16_t value);
  void StopExecThreads();
  // The connection is going: its commands let go of it.
  void DetachCommands();

  std::unique_ptr<ub1[]> lda_;
  std::unique_ptr<ub1[]> hda_;
  bool owns_lda_ = true;
  OCISvcCtx* hSvcCtx = nullptr;
  OCIServer* hServer = nullptr;
  OCISession* hSession = nullptr;
  OCIError* hError = nullptr;
  OCIEnv* hEnv = nullptr;
  OCIAuthInfo* hAuthInfo = nullptr;
  std::recursive_mutex mutex_;
  std::unique_ptr<TOCISessionCommand> command_;
  std::unique_ptr<TUtilWindow> util_window_;
  std::mutex threads_lock_;
  std::vector<TExecThread*> exec_threads_;
  std::mutex commands_lock_;
  std::vector<TOCICommand*> commands_;
  TOCIGlobalTransaction* global_transaction_ = nullptr;
};

// The release number of a server banner: "9.2.0.1.0" out of "... Release
// 9.2.0.1.0 - Production"; a banner with no dot is kept whole.
std::string ReleaseOfBanner(const std::string& banner);

// Holds the connection lock for a scope when ThreadSafety was set on entry,
// so a change of the flag in between cannot unbalance it. A command's lock
// is taken before it, never inside it (see TCommandLock).
class TConnectionLock {
 public:
  explicit TConnectionLock(TOCIConnection& connection);
  ~TConnectionLock();
  TConnectionLock(const TConnectionLock&) = delete;
  TConnectionLock& operator=(const TConnectionLock&) = delete;

 private:
  TOCIConnection& connection_;
  bool locked_;
};

}  // namespace oracle
