// TCustomDAConnection: the connection component. It holds the account,
// connects a driver connection of the class a server's descendant makes,
// counts the data sets and statements using it (closing again in
// disconnected mode), runs transactions, applies the cached updates of
// several data sets in one transaction, and decides after a fatal server
// error whether to reconnect and repeat the operation that was running.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "classlib/custom_connection.h"
#include "classlib/event.h"
#include "classlib/strings.h"
#include "classlib/variant.h"
#include "dacore/comp_client.h"
#include "dacore/comp_da_error.h"
#include "dacore/comp_options.h"
#include "dacore/driver_connection.h"

namespace dacore {

using TDAConnectionErrorEvent = classlib::Event<void(classlib::TObject* sender, EDAError& e, bool& fail)>;
using TConnectionLostEvent = classlib::Event<void(classlib::TObject* sender, classlib::TComponent* component,
                                                  TConnLostCause cause, TRetryMode& retry_mode)>;

class TCustomConnectDialog;
class TCustomDASQL;
class TCustomDADataSet;
class TCRCommand;
class TCRRecordSet;
using TConnectDialogClass = std::function<std::unique_ptr<TCustomConnectDialog>()>;

class TCustomDAConnection : public classlib::TCustomConnection {
  CLASSLIB_CLASS(TCustomDAConnection, classlib::TCustomConnection)
 public:
  explicit TCustomDAConnection(classlib::TComponent* owner);
  // A descendant disconnects in its own destructor first (DestroyConnection).
  ~TCustomDAConnection() override;

  // ---- Account and settings
  const std::string& Username() const { return username_; }
  void SetUsername(const std::string& value);  // a change disconnects first
  const std::string& Password() const { return password_; }
  void SetPassword(const std::string& value);
  const std::string& Server() const { return server_; }
  virtual void SetServer(const std::string& value);
  // The account as one text, in a server's own form; the base has none and
  // ignores a text it is given.
  virtual std::string ConnectString() const { return ""; }
  virtual void SetConnectString(const std::string& /*text*/) {}
  bool AutoCommit() const { return auto_commit_; }
  void SetAutoCommit(bool value);
  bool ConvertEOL() const { return convert_eol_; }
  void SetConvertEOL(bool value);
  bool Pooling() const { return pooling_; }
  void SetPooling(bool value);
  TDAConnectionOptions& Options() { return *options_; }
  TPoolingOptions& PoolingOptions() { return *pooling_options_; }
  TCustomConnectDialog* ConnectDialog() const { return connect_dialog_; }
  void SetConnectDialog(TCustomConnectDialog* dialog);
  TDAConnectionErrorEvent OnError;
  TConnectionLostEvent OnConnectionLost;

  // ---- Connecting
  void SetConnected(bool value) override;
  void Disconnect() { SetConnected(false); }
  int ConnectCount() const { return connect_count_; }
  // What a connect dialog's display hook runs once the user confirmed.
  void ConnectWithoutPrompt();
  // The counted connect and disconnect that data sets and statements use.
  virtual void InternalConnect();
  virtual void InternalDisconnect();
  TCRConnection* IConnection() const { return iconnection_; }
  // Attaches a driver connection (or detaches with nullptr).
  virtual void SetIConnection(TCRConnection* connection);

  // ---- Components and driver objects that use the connection
  // A statement component bound to this connection; the caller owns it.
  virtual std::unique_ptr<TCustomDASQL> CreateSQL();
  // A data set bound to this connection; the caller owns it.
  virtual std::unique_ptr<TCustomDADataSet> CreateDataSet();
  // A driver record set of the server's class; the base has none to make
  // (assertion "Must be overrided").
  virtual std::unique_ptr<TCRRecordSet> CreateIRecordSet();
  // A driver command of the server's class; the base has none to make
  // (assertion "Must be overrided").
  virtual std::unique_ptr<TCRCommand> CreateICommand();

  // ---- Transactions and updates
  virtual std::string GetTransactionID() const { return transaction_id_; }
  // Statements record an implicit transaction that the server opened for them.
  void SetTransactionID(const std::string& value) { transaction_id_ = value; }
  // What the component keeps: "Local" in a transaction it started, what a
  // statement recorded for an implicit one, else empty.
  const std::string& TransactionID() const { return transaction_id_; }
  virtual bool InTransaction() const { return !GetTransactionID().empty(); }
  virtual void StartTransaction();
  virtual void Commit();
  virtual void Rollback();
  // Applies the cached updates of the data sets in one transaction,
  // repeating the whole after a fail-over.
  virtual void ApplyUpdates(const std::vector<IDAConnectionClient*>& data_sets);
  void ApplyAllUpdates();

  // ---- Statements and the server's catalogue
  // Runs a statement whose placeholders take params in order and answers
  // the value of its "Result" placeholder; a server's connection supplies
  // it (the base raises the assertion failure "Must be overrided").
  virtual classlib::Variant ExecSQL(const std::string& text, const std::vector<classlib::Variant>& params = {});
  // The names the server lists; the base knows no server and only empties
  // the list.
  virtual void GetTableNames(classlib::TStrings& list) { list.Clear(); }
  virtual void GetDatabaseNames(classlib::TStrings& list) { list.Clear(); }
  virtual void GetStoredProcNames(classlib::TStrings& list) { list.Clear(); }

  // ---- Fail-over
  virtual void PushOperation(TConnLostCause operation, bool may_fail_over = true);
  virtual void PopOperation();
  virtual TConnLostCause GetConnLostCause(classlib::TComponent* component);
  virtual bool IsFatalError(const classlib::Exception& e) const;
  virtual bool IsKeyViolation(const classlib::Exception&) const { return false; }

  // ---- Clients
  void RegisterClient(classlib::TObject* client, classlib::TConnectChangeEvent event = {}) override;
  void UnRegisterClient(classlib::TObject* client) override;
  std::vector<IDAConnectionClient*> DataSetClients();
  std::vector<IDAConnectionClient*> StatementClients();

 protected:
  void DoConnect() override;
  void DoDisconnect() override;
  bool GetConnected() const override;
  // Into another connection: the account, the login prompt, pooling and its
  // options, the connect dialog, OnError, ConvertEOL, Options, AutoCommit
  // and the connect, disconnect and login events.
  void AssignTo(classlib::TPersistent* dest) const override;

  // A descendant's constructor puts its own option classes in place of the
  // generic ones.
  void SetOptions(std::unique_ptr<TDAConnectionOptions> options) { options_ = std::move(options); }
  void SetPoolingOptions(std::unique_ptr<TPoolingOptions> options) { pooling_options_ = std::move(options); }

  // Creates the driver connection (or takes one from a pool) and attaches it
  // with SetIConnection; the base attaches nothing.
  virtual void CreateIConnection() {}
  virtual bool NeedPrompt() const;
  // The dialog class that asks for the account; a descendant that never
  // prompts answers an empty one.
  virtual TConnectDialogClass ConnectDialogClass() const;
  void Notification(classlib::TComponent* component, classlib::TOperation operation) override;
  virtual bool DefaultCommitOnDisconnect() const { return true; }
  virtual void InternalStartTransaction();
  // Runs on the first attempt after a fatal error (base: nothing).
  virtual void FatalErrorHook() {}
  // The driver connection's error handler.
  virtual void DoError(classlib::Exception& e, bool& fail, bool& reconnect, bool& reexecute,
                       int reconnect_attempt, TConnLostCause& cause);
  // Runs work that uses the connection while it disconnects (ending a
  // transaction, a descendant's last statements): the statements' counted
  // uses end without disconnecting again.
  void RunWhileDisconnecting(const std::function<void()>& work);
  // Returns a pooled driver connection to its pool, frees any other, detaches.
  void FreeIConnection();
  // Gives back a pooled driver connection held while not connected.
  void DropPooledConnection();
  // For a descendant's destructor: disconnects and frees the driver connection.
  void DestroyConnection();

 private:
  struct TOperation {
    TConnLostCause operation;
    bool may_fail_over;
  };

  void DisconnectClients();
  void ConnectCounted();
  void ConnectThroughDialog(const TConnectDialogClass& dialog_class);
  bool ReconnectAllowed(TConnLostCause cause) const;
  bool ReconnectRefused(const classlib::Exception& e, TConnLostCause cause);
  void DecideRetry(classlib::Exception& e, bool& fail, bool& reconnect, bool& reexecute,
                   TConnLostCause cause);
  void StartTransactionRepeated();
  void ApplyUpdatesOnce(const std::vector<IDAConnectionClient*>& data_sets);
  void RestoreAndRollBack(const std::vector<IDAConnectionClient*>& data_sets, bool roll_back);
  void CheckConnected() const;

  std::string username_, password_, server_;
  bool auto_commit_ = true;
  bool convert_eol_ = false;
  bool pooling_ = false;
  std::unique_ptr<TDAConnectionOptions> options_;
  std::unique_ptr<TPoolingOptions> pooling_options_;
  TCRConnection* iconnection_ = nullptr;
  TCustomConnectDialog* connect_dialog_ = nullptr;
  std::mutex clients_lock_;
  std::vector<IDAConnectionClient*> clients_;
  int connect_count_ = 0;
  std::string transaction_id_;
  std::vector<TOperation> operations_;
  bool disconnecting_self_ = false;  // disconnecting after a fatal error
  bool disconnecting_ = false;       // ending a transaction while disconnecting
  bool first_connect_ = true;
};

}  // namespace dacore
