// TOraSession: the Oracle connection component. It holds the account (also
// as one connect string), decides before every connect whether the process
// talks to the client library or to the network client (direct mode),
// creates its TOCIConnection or takes one from a pool, and applies the
// schema, client identifier and optimizer mode of a new session. All
// sessions of the process share one client mode and Oracle home.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "classlib/event.h"
#include "classlib/strings.h"
#include "classlib/variant.h"
#include "dacore/comp_connection.h"
#include "oracle/conn_oci_connection.h"
#include "oracle/session_options.h"

namespace oracle {

// The Oracle home a session uses: ohDefault, or the nth home found in the
// registry (ohHome0 is the first).
enum TOracleHomeChoice : uint8_t { ohDefault, ohHome0, ohHome1, ohHome2, ohHome3, ohHome4, ohHome5 };

// The fail-over as the application hears of it; codes the client library
// does not document map to fsUnknown and ftUnknown.
enum TFailoverState : uint8_t { fsEnd, fsAbort, fsReauth, fsBegin, fsError, fsUnknown = 255 };
enum TFailoverType : uint8_t { ftNone, ftSession, ftSelect, ftTransaction, ftUnknown = 255 };

TFailoverState FailoverStateOf(uint32_t event);
TFailoverType FailoverTypeOf(uint32_t type);

using TConnectChangeEvent = classlib::Event<void(classlib::TObject* sender, bool connected)>;
using TFailoverEvent = classlib::Event<void(classlib::TObject* sender, TFailoverState state,
                                            TFailoverType type, bool& retry)>;

class TOraChangeNotification;
class TOraSessionTracer;
class TOraSQL;

// Whether Oracle components without a session of their own work through
// the default session (TOraSession::DefaultSession); on at start.
extern bool UseDefaultSession;

class TOraSession : public dacore::TCustomDAConnection {
  CLASSLIB_CLASS(TOraSession, dacore::TCustomDAConnection)
 public:
  explicit TOraSession(classlib::TComponent* owner = nullptr);
  ~TOraSession() override;

  // The first session made and still alive, or nullptr.
  static TOraSession* DefaultSession();

  TOraSessionOptions& Options();
  TOraPoolingOptions& PoolingOptions();

  // A disconnect first stops what runs on the session in the background
  // (statements and data sets), then tells the clients and ends it.
  void SetConnected(bool value) override;

  // ---- Account
  // user[/password][@server][ AS SYSDBA | AS SYSOPER]
  std::string ConnectString() const override;
  // Raises "Invalid connect string" for a mode other than SYSDBA or SYSOPER.
  void SetConnectString(const std::string& text) override;
  // The login prompt under its Oracle name (a session never prompts).
  bool ConnectPrompt() const { return LoginPrompt(); }
  void SetConnectPrompt(bool value) { SetLoginPrompt(value); }
  TConnectMode ConnectMode() const { return connect_mode_; }
  void SetConnectMode(TConnectMode mode);
  bool ThreadSafety() const { return thread_safety_; }
  void SetThreadSafety(bool value);
  bool Debug() const { return debug_; }
  // Also the session's own statement's.
  void SetDebug(bool value);
  // The name handed to the driver connection (property 66).
  std::string InternalName;

  // ---- Client library and call style
  const std::string& HomeName() const { return home_name_; }
  // A home other than the process's one unloads the client library.
  void SetHomeName(const std::string& name);
  uint8_t Home() const;
  void SetHome(uint8_t index);
  // The driver connection's call style when there is one.
  uint8_t OCICallStyle() const;
  void SetOCICallStyle(uint8_t style);
  TOraSession* ProxySession() const { return proxy_session_; }
  void SetProxySession(TOraSession* session);

  // ---- The live session
  std::string GetServerVersion();
  TOCIConnection* OCIConnection() const;
  // The stored schema while disconnected; the server's current one while
  // connected. Writing applies it at once to a connected session.
  std::string Schema();
  void SetSchema(const std::string& name);

  // Runs text on the session's own statement, its placeholders taking
  // params in order, each in the type of its value (placeholders beyond them
  // are null); answers the value of the placeholder named "Result" (a text
  // unless typed by its value), or Unassigned.
  classlib::Variant ExecSQL(const std::string& text, const std::vector<classlib::Variant>& params = {}) override;
  // The session's own statement, made on first use.
  TOraSQL& GetOraSQL();
  // For a statement that creates a stored unit or view, the unit's
  // compilation errors as the server lists them ("No errors" when it has
  // none); empty for any other statement.
  std::string GetCompileErrors(const std::string& sql);
  // The user's own tables and views as "OWNER.NAME" (every visible one with
  // all_objects), replacing what the list held.
  void GetTableNames(classlib::TStrings& list) override { GetTableNames(list, false); }
  void GetTableNames(classlib::TStrings& list, bool all_objects);
  // Stand-alone and packaged procedures and functions ("owner.name",
  // "owner.package.name", invalid packages marked " (INVALID)"), in order.
  void GetStoredProcNames(classlib::TStrings& list) override { GetStoredProcNames(list, false); }
  void GetStoredProcNames(classlib::TStrings& list, bool all_objects);
  void Savepoint(const std::string& name);
  void RollbackToSavepoint(const std::string& name);

  // ---- Components and driver objects on this session
  // A TOraSQL and a TOraQuery on this session.
  std::unique_ptr<dacore::TCustomDASQL> CreateSQL() override;
  std::unique_ptr<dacore::TCustomDADataSet> CreateDataSet() override;
  std::unique_ptr<dacore::TCRRecordSet> CreateIRecordSet() override;
  std::unique_ptr<dacore::TCRCommand> CreateICommand() override;

  // ---- Transactions
  void StartTransaction() override;
  // Whether a global transaction the connection is a branch of is active,
  // else whether the server still holds the transaction this session
  // started, or the one a statement left open in disconnected mode.
  bool InTransaction() const override;
  // The server's identifier of the open local transaction, or empty.
  std::string GetTransactionID() const override;

  // ---- Errors
  bool IsFatalError(const classlib::Exception& e) const override;
  bool IsKeyViolation(const classlib::Exception& e) const override;

  TConnectChangeEvent OnConnectChange;
  TFailoverEvent OnFailover;

  // The change notifications on this session; their subscriptions end
  // before the session disconnects.
  std::vector<TOraChangeNotification*>& ChangeNotifications() { return change_notifications_; }

  // The tracer attached to this session (TOraSessionTracer::SetSession): it
  // starts tracing when the session connects and stops before it
  // disconnects.
  TOraSessionTracer* Tracer() const { return tracer_; }

 protected:
  void DoConnect() override;
  void DoDisconnect() override;
  void CreateIConnection() override;
  // A session never prompts: no connect dialog is registered for it.
  dacore::TConnectDialogClass ConnectDialogClass() const override { return {}; }
  void Notification(classlib::TComponent* component, classlib::TOperation operation) override;
  // The generic settings (the Oracle options among them), then HomeName.
  void AssignTo(classlib::TPersistent* dest) const override;

 private:
  // ExecSQL with its AutoCommit commit, or inside the open transaction:
  // the session's own reads and savepoints must not end the user's work.
  classlib::Variant RunSQL(const std::string& text, const std::vector<classlib::Variant>& params, bool commit,
                           int result_size = kResultSize);
  // What a text "Result" holds unless sized otherwise: the longest VARCHAR2.
  static constexpr int kResultSize = 4000;
  friend class TOraSessionOptions;
  friend class TOraSessionTracer;
  friend void DisconnectAllSessions();

  void SwitchClientMode();
  void ApplyHomeName();
  void CheckProxySession();
  void ApplyNewSession();
  TOCIConnection* NewConnection();
  TOCIConnection* PooledConnection();
  void ConfigureConnection(TOCIConnection& connection);
  void HandleFailover(uint32_t event, uint32_t type, bool& retry);
  // The statements of every data set on the session are prepared again on
  // the session that replaced the failed one.
  void UnPrepareDataSets();
  // A setting that changes how columns are described: every data set of
  // the session describes its fields again.
  void FieldDefsOutOfDate();
  void StartTracer();
  void StopTracer();
  void ApplyOptimizerMode(TOptimizerMode mode);
  void SetCurrentSchema(const std::string& name);
  std::string CurrentSchema();
  std::string DefaultSchema() const;
  std::string ReadTransactionID(bool create) const;
  // Whether the server still holds the transaction a statement recorded.
  bool ImplicitTransactionOpen() const;
  void SetDriverProp(int prop, const classlib::Variant& value);
  void CheckSessionConnected() const;

  TConnectMode connect_mode_ = cmNormal;
  bool thread_safety_ = true;
  bool debug_ = false;
  std::string home_name_;
  mutable uint8_t call_style_ = 0;
  TOraSession* proxy_session_ = nullptr;
  std::string schema_;
  std::string cached_schema_;
  // The local transaction's identifier taken at StartTransaction.
  mutable std::string kept_transaction_id_;
  std::vector<TOraChangeNotification*> change_notifications_;
  TOraSessionTracer* tracer_ = nullptr;
  std::unique_ptr<TOraSQL> ora_sql_;
};

// Disconnects every session of the process and frees the pools' idle
// connections.
void DisconnectAllSessions();

}  // namespace oracle
