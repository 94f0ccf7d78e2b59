// TFIBDatabase: one attachment to one Firebird or InterBase database through
// the client library named by LibraryName. It builds the database parameter
// block from its DBParams lines, knows the transactions and links that use
// it, and offers a few database-wide services: server time, generator values,
// single-value queries and the server's version.
#pragma once

#include <ibase.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "classlib/component.h"
#include "classlib/datetime.h"
#include "classlib/enum_set.h"
#include "classlib/event.h"
#include "classlib/strings.h"
#include "classlib/variant.h"
#include "fib/base/client_library.h"
#include "fib/base/errors.h"
#include "fib/statements/blob_cache.h"
#include "fib/statements/blob_filters.h"
#include "fib/statements/blob_swap_support.h"
#include "fib/statements/db_params.h"
#include "fib/statements/fib_base.h"
#include "fib/statements/zod_props_owners.h"

namespace fib {

class TFIBTimer;

// An optional log the database and its transactions write to. kind is 3 for
// connection events and 4 for transaction events.
class ISQLLogger {
 public:
  virtual ~ISQLLogger() = default;
  virtual void WriteData(const std::string& component_name, const std::string& text, int kind,
                         const std::string& further_text) = 0;
};
constexpr int kLogConnection = 3;
constexpr int kLogTransaction = 4;

// The login dialog: database name in, user name, password and role in and
// out; true when the user confirmed. Installed by the login dialog's module.
using TLoginHook = std::function<bool(const std::string& db_name, std::string& user_name,
                                      std::string& password, std::string& role_name)>;
void SetLoginHook(TLoginHook hook);
const TLoginHook& LoginHook();

// A notify-handler list with its own lock, since handlers may be added from
// any thread.
class TNotifyEventList {
 public:
  void Add(const classlib::TNotifyEvent& handler);
  void Remove(const classlib::TNotifyEvent& handler);
  void CallInOrder(classlib::TObject* sender) const;
  void CallLastFirst(classlib::TObject* sender) const;
  int Count() const;

 private:
  std::vector<classlib::TNotifyEvent> Snapshot() const;
  mutable std::mutex mutex_;
  classlib::EventList<void(classlib::TObject*)> handlers_;
};

// The server version numbers; -1 until read.
struct ServerVersion {
  int major = -1;
  int minor = -1;
  int release = -1;
  int build = -1;
};
// Reads a version text such as "LI-V3.0.11.33637 Firebird 3.0": from the
// fifth character on, without the last character, digit runs separated by
// single non-digits give major, minor, release and build.
ServerVersion ParseServerVersion(const std::string& text);

// Form-storage options of a database.
enum TDesignDBOption { ddoIsDefaultDatabase, ddoStoreConnected, ddoNotSavePassword };
using TDesignDBOptions = classlib::EnumSet<TDesignDBOption>;

// Which repository tables the data sets of a database may read.
enum TFIBUseRepository { urFieldsInfo, urDataSetInfo, urErrorMessagesInfo };
using TFIBUseRepositories = classlib::EnumSet<TFIBUseRepository>;

class TFIBDatabase : public classlib::TComponent, public IDatabaseParams {
  CLASSLIB_CLASS(TFIBDatabase, classlib::TComponent)
 public:
  explicit TFIBDatabase(classlib::TComponent* owner);
  ~TFIBDatabase() override;

  // ---- connecting ----
  // Force swallows failures of ending transactions and of the links'
  // handlers; a forced commit the server refused is still reported once the
  // database is disconnected (unless it is being destroyed).
  virtual void Disconnect(bool force);
  virtual void Connect();
  void Close();  // Disconnect(false) when connected
  bool Connected() const { return handle_ != 0; }
  void SetConnected(bool connected);

  // ---- properties ----
  // The database file, optionally after a server name and ":"; ANSI (code
  // page 1251) like every text here, handed to the client library in UTF-8.
  const std::string& DBName() const { return db_name_; }
  void SetDBName(const std::string& name);
  // Edits while connected raise client error 13 and change nothing.
  TDBParams& DBParams() override { return db_params_; }
  // User, role, password and character set over the DBParams lines.
  TConnectParams& ConnectParams() { return connect_params_; }
  TDesignDBOptions DesignDBOptions() const { return design_db_options_; }
  void SetDesignDBOptions(TDesignDBOptions options) { design_db_options_ = options; }
  bool NotSavePassword() const override {
    return design_db_options_.Contains(ddoNotSavePassword);
  }
  TFIBUseRepositories UseRepositories() const { return use_repositories_; }
  void SetUseRepositories(TFIBUseRepositories value) { use_repositories_ = value; }
  TBlobSwapSupport& BlobSwapSupport() { return blob_cache_.Options(); }
  // The blob cache the data sets' blob streams use: its folder
  // and size limit are BlobSwapSupport's, its events the four below.
  TBlobCache& BlobCache() { return blob_cache_; }

  const std::string& LibraryName() const { return library_name_; }
  void SetLibraryName(const std::string& name);
  int SQLDialect() const { return sql_dialect_; }
  void SetSQLDialect(int dialect);
  uint32_t Timeout() const { return timeout_; }
  void SetTimeout(uint32_t timeout_ms);
  bool UseLoginPrompt() const { return use_login_prompt_; }
  void SetUseLoginPrompt(bool value) { use_login_prompt_ = value; }
  bool SynchronizeTime() const { return synchronize_time_; }
  void SetSynchronizeTime(bool value) { synchronize_time_ = value; }
  bool UpperOldNames() const { return upper_old_names_; }
  void SetUpperOldNames(bool value) { upper_old_names_ = value; }
  TFIBTransaction* DefaultTransaction() const { return default_transaction_; }
  void SetDefaultTransaction(TFIBTransaction* transaction);
  TFIBTransaction* DefaultUpdateTransaction() const { return default_update_transaction_; }
  void SetDefaultUpdateTransaction(TFIBTransaction* transaction);
  ISQLLogger* SQLLogger() const { return sql_logger_; }
  void SetSQLLogger(ISQLLogger* logger);

 private:
  // Made before the events below, which refer into it.
  TBlobCache blob_cache_{this};

 public:
  classlib::TNotifyEvent OnConnect;
  classlib::TNotifyEvent BeforeDisconnect;
  classlib::TNotifyEvent AfterDisconnect;
  classlib::TNotifyEvent OnTimeout;
  // The blob cache's events, stored in the cache itself.
  TBeforeSaveBlobEvent& BeforeSaveBlobToSwap;
  TAfterSaveBlobEvent& AfterSaveBlobToSwap;
  TBeforeLoadBlobEvent& BeforeLoadBlobFromSwap;
  TAfterLoadBlobEvent& AfterLoadBlobFromSwap;

  // Handlers called after connecting, before disconnecting and when the
  // database is destroyed (the last in reverse order).
  TNotifyEventList& ConnectHandlers() { return connect_handlers_; }
  TNotifyEventList& DisconnectHandlers() { return disconnect_handlers_; }
  TNotifyEventList& DestroyHandlers() { return destroy_handlers_; }

  // ---- client-side blob filters of this connection ----
  void RegisterBlobFilter(int32_t sub_type, TBlobFilterProc read_filter,
                          TBlobFilterProc write_filter);
  bool HasBlobFilter(int32_t sub_type);
  // Runs the sub-type's filter on a blob's bytes after reading or before
  // writing; nothing for sub-types without one.
  void ApplyBlobFilter(std::string& buffer, bool for_read, int32_t sub_type);

  // ---- state ----
  isc_db_handle Handle() const { return handle_; }
  isc_db_handle* HandleAddress() { return &handle_; }
  // The client library, loaded on first use.
  IIBClientLibrary& ClientLibrary() {
    if (!library_) LoadClientLibrary();
    return *library_;
  }
  bool IsUnicodeConnect() const { return is_unicode_connect_; }
  bool NoCharSetConversion() const { return no_charset_conversion_; }
  // Local time minus server time, measured at connect; 0 when not measured.
  classlib::TDateTime ServerTimeDifference() const { return server_time_difference_; }
  // The next disconnect skips the detach call: the server is gone.
  void SetConnectionLost() { connection_lost_ = true; }

  // ---- checks ----
  void CheckActive();
  void CheckInactive();
  void CheckDatabaseName();
  // Clears the idle flag, then the common status check.
  ISC_STATUS CheckClientCall(ISC_STATUS status, bool raise_on_error) {
    idle_ = false;
    return fib::CheckClientCall(status, raise_on_error, ClientLibrary(), this);
  }

  // ---- parameter lines ----
  std::string GetDBParamValue(int dpb_code) const;
  void SetDBParamValue(int dpb_code, const std::string& value);
  void SetDBParamValue(const std::string& dpb_name, const std::string& value);

  // ---- database-wide services ----
  int64_t GeneratorValue(const std::string& name, int64_t step,
                         TFIBTransaction* transaction = nullptr);
  // Column `field` of the statement's first row; all columns as an array
  // when field < 0; Unassigned when the statement has no columns and Null
  // when it returns no row. Missing and Null parameter values are sent as
  // NULL.
  classlib::Variant QueryValue(const std::string& sql, int field,
                               std::span<const classlib::Variant> params = {},
                               TFIBTransaction* transaction = nullptr);
  classlib::TDateTime GetServerTime();

  int DatabaseSQLDialect();
  bool IsFirebirdConnect();
  std::string ServerVersionText();
  int ServerMajorVersion();
  int ServerMinorVersion();
  int ServerRelease();
  int ServerBuild();
  // Whether the first byte of the database-id answer is 4; read once per
  // connection.
  bool DatabaseIdIs4();

  // ---- transactions and links ----
  int TransactionCount() const { return static_cast<int>(transactions_.size()); }
  TFIBTransaction* Transactions(int index) const { return transactions_[index]; }
  int ActiveTransactionCount() const;
  TFIBTransaction* FirstActiveTransaction() const;
  int LinkCount() const { return static_cast<int>(links_.size()); }
  TFIBBase* Links(int index) const { return links_[index]; }
  // The database's own read-committed transaction for its queries.
  TFIBTransaction& InternalTransaction() { return *internal_transaction_; }

 protected:
  void Notification(classlib::TComponent* component, classlib::TOperation operation) override;
  void Loaded() override;
  // After a failure past the attach: disconnects with force, errors
  // swallowed, and in any case lets the attachment go.
  void AbandonAttachment();

 private:
  friend class TFIBBase;
  friend class TFIBTransaction;

  void AddLink(TFIBBase* link);
  void RemoveLink(TFIBBase* link);
  int AddTransaction(TFIBTransaction* transaction);
  void RemoveTransaction(TFIBTransaction* transaction);

  bool RunLogin();
  // What a connect does after the attach.
  void CompleteConnect();
  void StartBlobCacheCheck();
  void ReadCharacterSet();
  void FireDisconnectEvent(const classlib::TNotifyEvent& event, const char* name, bool destroying);
  void EndTransactionsForDisconnect(bool force, std::exception_ptr& commit_failure);
  void FireLinks(TFIBBaseEvent TFIBBase::*event, bool swallow);
  void TimeoutTick(classlib::TObject* sender);
  void Log(const std::string& text);
  std::string DatabaseInfo(char item);
  void ReadServerVersion();
  void OnParamsChanging(classlib::TObject* sender);
  void OnParamsChanged(classlib::TObject* sender);

  isc_db_handle handle_ = 0;
  bool connection_lost_ = false;
  std::string db_name_;
  TDBParams db_params_{this};
  TConnectParams connect_params_{this};
  TDesignDBOptions design_db_options_{ddoStoreConnected};
  TFIBUseRepositories use_repositories_{urFieldsInfo, urDataSetInfo, urErrorMessagesInfo};
  TIBBlobFilters blob_filters_;
  std::string dpb_;
  bool dpb_needs_rebuild_ = true;
  std::string library_name_;
  ClientLibraryRef library_;
  void LoadClientLibrary();
  int sql_dialect_ = 1;
  uint32_t timeout_ = 0;
  bool use_login_prompt_ = false;
  bool synchronize_time_ = true;
  bool upper_old_names_ = false;
  bool streamed_connected_ = false;
  TFIBTransaction* default_transaction_ = nullptr;
  TFIBTransaction* default_update_transaction_ = nullptr;
  ISQLLogger* sql_logger_ = nullptr;
  classlib::TComponent* sql_logger_component_ = nullptr;  // the logger, when a component
  std::vector<TFIBBase*> links_;
  std::vector<TFIBTransaction*> transactions_;  // nullptr marks a free place
  std::unique_ptr<TFIBTransaction> internal_transaction_;
  TNotifyEventList connect_handlers_;
  TNotifyEventList disconnect_handlers_;
  TNotifyEventList destroy_handlers_;
  bool idle_ = false;
  std::unique_ptr<TFIBTimer> timer_;
  classlib::TDateTime server_time_difference_ = 0;
  bool is_unicode_connect_ = false;
  bool no_charset_conversion_ = false;
  ServerVersion server_version_;
  int firebird_connect_ = -1;  // -1 not asked yet
  int database_id_byte_ = -1;  // -1 not read yet
};

}  // namespace fib
