// The Oracle pool manager and its process-wide instance.
#include "oracle/pool_ora_manager.h"

#include <mutex>

#include "oracle/call_state.h"
#include "oracle/conn_oci_connection.h"
#include "oracle/pool_ora_pools.h"

namespace oracle {

namespace {

std::mutex& InstanceLock() {
  static std::mutex lock;
  return lock;
}

TOraConnectionPoolManager*& TheInstance() {
  static TOraConnectionPoolManager* instance = nullptr;
  return instance;
}

// The request a thread's get serves, while it runs.
thread_local const TOraConnectionParameters* current_request = nullptr;

}  // namespace

TOraConnectionPoolManager::TOraConnectionPoolManager(dacore::TPoolClock* clock)
    : dacore::TCRConnectionPoolManager(clock) {}

// The pools return connections through this object's AdjustConnection, so
// the validation thread stops before this part of the object goes.
TOraConnectionPoolManager::~TOraConnectionPoolManager() { StopValidation(); }

dacore::TCRConnection* TOraConnectionPoolManager::GetConnection(const TOraConnectionParameters& parameters) {
  TOraConnectionPoolManager* manager;
  {
    std::lock_guard<std::mutex> guard(InstanceLock());
    if (!TheInstance()) TheInstance() = new TOraConnectionPoolManager();
    manager = TheInstance();
  }
  return manager->dacore::TCRConnectionPoolManager::GetConnection(parameters);
}

void TOraConnectionPoolManager::Clear() {
  std::lock_guard<std::mutex> guard(InstanceLock());
  if (TheInstance()) TheInstance()->ClearPools();
}

void TOraConnectionPoolManager::Free() {
  std::lock_guard<std::mutex> guard(InstanceLock());
  delete TheInstance();
  TheInstance() = nullptr;
}

TOraConnectionPoolManager* TOraConnectionPoolManager::Instance() {
  std::lock_guard<std::mutex> guard(InstanceLock());
  return TheInstance();
}

std::unique_ptr<dacore::TCRConnectionPool> TOraConnectionPoolManager::CreateConnectionPool(
    const dacore::TCRConnectionParameters& parameters) {
  const auto* ora = dynamic_cast<const TOraConnectionParameters*>(&parameters);
  classlib::Assert(ora != nullptr, "OraConnectionPool", __LINE__);
  switch (ora->PoolType) {
    case optLocal: return std::make_unique<TOraLocalConnectionPool>(this, parameters);
    case optOCI: return std::make_unique<TOraOCIConnectionPool>(this, parameters);
    case optMTS: return std::make_unique<TOraMTSConnectionPool>(this, parameters);
    default:
      classlib::Assert(false, "OraConnectionPool", __LINE__);
      return nullptr;
  }
}

const TOraConnectionParameters* TOraConnectionPoolManager::CurrentRequest() const { return current_request; }

dacore::TCRConnection* TOraConnectionPoolManager::InternalGetConnection(
    const dacore::TCRConnectionParameters& parameters) {
  const auto* ora = dynamic_cast<const TOraConnectionParameters*>(&parameters);
  current_request = ora;
  dacore::TCRConnection* pooled;
  try {
    pooled = dacore::TCRConnectionPoolManager::InternalGetConnection(parameters);
  } catch (...) {
    current_request = nullptr;
    throw;
  }
  current_request = nullptr;
  if (!ora || (ora->ProxyUsername.empty() && ora->ProxyPassword.empty())) return pooled;
  return OpenProxySession(static_cast<TOCIConnection*>(pooled), *ora);
}

// The end user's session over the pooled one. When it cannot be opened the
// pooled connection goes back to its pool rather than stay taken.
TOCIConnection* TOraConnectionPoolManager::OpenProxySession(TOCIConnection* pooled,
                                                           const TOraConnectionParameters& parameters) {
  auto proxy = std::make_unique<TOCIConnection>();
  if (!IsDirectMode()) proxy->SetOCICallStyle(parameters.UseOCI7 ? kOci7 : DefaultCallStyle.load());
  proxy->SetUsername(parameters.ProxyUsername);
  proxy->SetPassword(parameters.ProxyPassword);
  proxy->SetProp(prStatementCache, parameters.StatementCache);
  proxy->SetProp(prStatementCacheSize, static_cast<int32_t>(parameters.StatementCacheSize));
  proxy->ProxyConnection = pooled;
  proxy->Pool = pooled->Pool;
  try {
    proxy->Connect("");
  } catch (...) {
    proxy->Pool = nullptr;
    pooled->ReturnToPool();
    throw;
  }
  return proxy.release();
}

dacore::TCRConnection* TOraConnectionPoolManager::AdjustConnection(dacore::TCRConnection* connection) {
  auto* ora = dynamic_cast<TOCIConnection*>(connection);
  if (!ora || !ora->ProxyConnection) return connection;
  TOCIConnection* pooled = ora->ProxyConnection;
  delete ora;
  return pooled;
}

}  // namespace oracle
