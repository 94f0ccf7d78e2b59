// TpZODDatabase: the connection component applications place on their
// forms. Beyond TFIBDatabase it keeps connection aliases in the registry,
// fires events around connecting and around its transactions, saves and
// loads the schema cache files, notices a lost server connection (with an
// optional timed reconnect) and answers two catalogue questions.
#pragma once

#include <memory>
#include <string>

#include "classlib/event.h"
#include "classlib/strings.h"
#include "fib/base/errors.h"
#include "fib/statements/db_params.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_transaction.h"

namespace fib {

class TpZODDatabase;
class TFIBTimer;

enum TOnLostConnectActions {
  laTerminateApp = 0,
  laCloseConnect = 1,
  laIgnore = 2,
  laWaitRestore = 3,
};

// May clear do_connect to cancel the connect quietly.
using TFIBLoginEvent =
    classlib::Event<void(TpZODDatabase* database, classlib::TStringList& login_params,
                         bool& do_connect)>;
using TFIBLostConnectEvent = classlib::Event<void(
    TpZODDatabase* database, const EFIBError& error, TOnLostConnectActions& actions)>;
using TFIBRestoreConnectEvent = classlib::Event<void(TpZODDatabase* database)>;
using TpZODAcceptCacheSchema = classlib::Event<void(const std::string& object_name, bool& accept)>;

// The layer's version, shown as the read-only About property.
const std::string& LayerVersionText();

class TpZODDatabase : public TFIBDatabase {
  CLASSLIB_CLASS(TpZODDatabase, TFIBDatabase)
 public:
  explicit TpZODDatabase(classlib::TComponent* owner);
  ~TpZODDatabase() override;

  // Does nothing when connected or when BeforeConnect cancels.
  void Connect() override;
  // Saves the schema cache when asked to; detaches only when the server
  // still answers, otherwise the lost connection is handled (by default the
  // database just forgets it). Nothing happens when disconnected.
  void Disconnect(bool force) override;

  // ---- aliases ----
  const std::string& AliasName() const { return alias_name_; }
  // Needs the database disconnected (client error 13) unless loading; a
  // non-empty name reads the alias.
  void SetAliasName(const std::string& name);
  // False, changing nothing, when the alias or its "Database Name" is missing.
  bool ReadAliasParams();
  void SaveAliasParams();
  bool SaveAliasParamsAfterConnect() const { return save_alias_params_after_connect_; }
  void SetSaveAliasParamsAfterConnect(bool value) { save_alias_params_after_connect_ = value; }

  // ---- lost connection ----
  // True when connected and the server answers an information request;
  // otherwise false, after handling a failure with the preset `actions`.
  bool CheckConnectionAlive(TOnLostConnectActions actions);
  void HandleLostConnect(const EFIBError& error, TOnLostConnectActions& actions);
  // Forgets the attachment without calling the server: statements lose
  // their handles, active transactions end locally.
  void CloseAfterLostConnect();
  // Reconnect timer interval in milliseconds; 0 when there is no timer.
  uint32_t WaitForRestoreConnect() const;
  void SetWaitForRestoreConnect(uint32_t interval_ms);
  // One reconnect attempt, as the timer makes it.
  void TryRestoreConnect();
  bool RestoreTimerEnabled() const;

  // ---- catalogue ----
  // Tables in name order (views never); system tables only when asked.
  void GetTableNames(classlib::TStrings& names, bool with_system_tables);
  // Columns of a table in position order; computed columns only when asked.
  void GetFieldNames(const std::string& table_name, classlib::TStrings& names,
                     bool with_computed_fields);

  TCacheSchemaOptions& CacheSchemaOptions() { return cache_schema_options_; }
  std::string About() const { return LayerVersionText(); }

  TFIBLoginEvent BeforeConnect;  // also known as OnLogin
  TFIBLostConnectEvent OnLostConnect;
  TFIBLostConnectEvent OnErrorRestoreConnect;
  TFIBRestoreConnectEvent AfterRestoreConnect;
  // Fired by the TpZODTransaction objects whose default database this is.
  classlib::TNotifyEvent BeforeStartTransaction;
  classlib::TNotifyEvent AfterStartTransaction;
  TEndTransactionEvent BeforeEndTransaction;
  TEndTransactionEvent AfterEndTransaction;
  TpZODAcceptCacheSchema OnAcceptCacheSchema;

 private:
  void LoadSchemaCacheAfterConnect();
  void SaveSchemaCacheBeforeDisconnect();
  void ProbeServer();
  void ReleaseDeadAttachment();
  void RestoreTimerTick(classlib::TObject* sender);
  void FillFromCatalogue(const std::string& sql, const std::string& sys_macro,
                         const std::string* table_name, classlib::TStrings& names);

  std::string alias_name_;
  bool save_alias_params_after_connect_ = true;
  TCacheSchemaOptions cache_schema_options_{this};
  std::unique_ptr<TFIBTimer> restore_timer_;
};

}  // namespace fib
