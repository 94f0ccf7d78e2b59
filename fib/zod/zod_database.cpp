#include "fib/zod/zod_database.h"

#include <filesystem>

#include "fib/base/fib_timer.h"
#include "fib/metadata/metadata_cache.h"
#include "fib/metadata/schema_cache_file.h"
#include "fib/statements/db_aliases.h"
#include "fib/zod/zod_database_app.h"

namespace fib {
namespace {

bool Designing(const classlib::TComponent& component) {
  return component.ComponentState().Contains(classlib::csDesigning);
}

}  // namespace

const std::string& LayerVersionText() {
  static const std::string text = "1.0";
  return text;
}

TpZODDatabase::TpZODDatabase(classlib::TComponent* owner) : TFIBDatabase(owner) {}

TpZODDatabase::~TpZODDatabase() {
  Destroying();
  try {
    if (Connected()) Disconnect(true);
  } catch (const std::exception&) {
    // A destructor cannot report; the base class detaches what is left.
  }
  restore_timer_.reset();
  ProcessMetadataCaches().ForgetDatabase(DBName());
}

void TpZODDatabase::Connect() {
  if (Connected()) return;
  bool do_connect = true;
  if (BeforeConnect) BeforeConnect(this, DBParams(), do_connect);
  if (!do_connect) return;
  TFIBDatabase::Connect();
  try {
    LoadSchemaCacheAfterConnect();
    if (save_alias_params_after_connect_ && !alias_name_.empty()) SaveAliasParams();
  } catch (...) {
    AbandonAttachment();
    throw;
  }
}

void TpZODDatabase::Disconnect(bool force) {
  SaveSchemaCacheBeforeDisconnect();
  if (Connected() && CheckConnectionAlive(laCloseConnect)) TFIBDatabase::Disconnect(force);
}

void TpZODDatabase::LoadSchemaCacheAfterConnect() {
  const TCacheSchemaOptions& options = cache_schema_options_;
  if (!options.AutoLoadFromFile() || Designing(*this)) return;
  std::error_code ignored;
  if (options.LocalCacheFile().empty() ||
      !std::filesystem::exists(options.LocalCacheFile(), ignored))
    return;
  LoadSchemaCache(ProcessMetadataCaches(), options.LocalCacheFile(),
                  options.ValidateAfterLoad());
}

// Saved even when disconnected: the caches outlive the connection.
void TpZODDatabase::SaveSchemaCacheBeforeDisconnect() {
  const TCacheSchemaOptions& options = cache_schema_options_;
  if (!options.AutoSaveToFile() || Designing(*this) || options.LocalCacheFile().empty()) return;
  SaveSchemaCache(ProcessMetadataCaches(), options.LocalCacheFile());
}

// ---- aliases ----

void TpZODDatabase::SetAliasName(const std::string& name) {
  bool loading = ComponentState().Contains(classlib::csLoading);
  if (!loading) CheckInactive();
  alias_name_ = name;
  if (!alias_name_.empty()) ReadAliasParams();
}

bool TpZODDatabase::ReadAliasParams() {
  std::optional<DatabaseAlias> alias = ReadDatabaseAlias(alias_name_);
  if (!alias) return false;
  SetDBName(*alias->db_name);
  if (alias->user_name) SetDBParamValue("user_name", *alias->user_name);
  if (alias->lc_ctype) SetDBParamValue("lc_ctype", *alias->lc_ctype);
  if (alias->sql_role_name) SetDBParamValue("sql_role_name", *alias->sql_role_name);
  if (alias->sql_dialect) SetSQLDialect(*alias->sql_dialect);
  return true;
}

void TpZODDatabase::SaveAliasParams() {
  DatabaseAlias alias;
  alias.db_name = DBName();
  alias.user_name = GetDBParamValue(isc_dpb_user_name);
  alias.lc_ctype = GetDBParamValue(isc_dpb_lc_ctype);
  alias.sql_role_name = GetDBParamValue(isc_dpb_sql_role_name);
  alias.sql_dialect = SQLDialect();
  WriteDatabaseAlias(alias_name_, alias);
}

// ---- reconnect timer ----

uint32_t TpZODDatabase::WaitForRestoreConnect() const {
  return restore_timer_ ? restore_timer_->Interval() : 0;
}

void TpZODDatabase::SetWaitForRestoreConnect(uint32_t interval_ms) {
  if (interval_ms == 0) {
    restore_timer_.reset();
    return;
  }
  if (!restore_timer_) {
    restore_timer_ = std::make_unique<TFIBTimer>(nullptr);
    restore_timer_->SetEnabled(false);
    restore_timer_->SetInterval(30000);
    restore_timer_->SetOnTimer(classlib::TNotifyEvent(this, &TpZODDatabase::RestoreTimerTick));
  }
  restore_timer_->SetInterval(interval_ms);
}

bool TpZODDatabase::RestoreTimerEnabled() const {
  return restore_timer_ && restore_timer_->Enabled();
}

void TpZODDatabase::RestoreTimerTick(classlib::TObject*) { TryRestoreConnect(); }

void TpZODDatabase::TryRestoreConnect() {
  if (Connected()) return;
  try {
    SetConnected(true);
    // A BeforeConnect handler may have cancelled: then keep trying.
    if (!Connected()) return;
    if (restore_timer_) restore_timer_->SetEnabled(false);
    if (AfterRestoreConnect) AfterRestoreConnect(this);
  } catch (const EFIBError& error) {
    TOnLostConnectActions actions = laIgnore;
    if (OnErrorRestoreConnect) OnErrorRestoreConnect(this, error, actions);
    if (actions == laTerminateApp) {
      ShowErrorMessage(error.Message());
      TerminateApplication();
    }
    // Otherwise the timer stays on and the next tick tries again.
  }
}

}  // namespace fib
