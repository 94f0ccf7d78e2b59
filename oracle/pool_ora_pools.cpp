// The Oracle pools: new connections, the client library's session pool, MTS.
#include "oracle/pool_ora_pools.h"

#include <memory>

#include "dacore/pool_manager.h"
#include "dacore/store_hooks.h"
#include "oracle/call_binding.h"
#include "oracle/call_entries.h"
#include "oracle/call_state.h"
#include "oracle/conn_oci_connection.h"
#include "oracle/error_messages.h"
#include "oracle/error_ora.h"
#include "oracle/error_raise.h"
#include "oracle/pool_ora_manager.h"
#include "oracle/pool_ora_parameters.h"

namespace oracle {

namespace {

const TOraConnectionParameters& OraParameters(const dacore::TCRConnectionParameters& parameters) {
  const auto* ora = dynamic_cast<const TOraConnectionParameters*>(&parameters);
  classlib::Assert(ora != nullptr, "OraConnectionPool", __LINE__);
  return *ora;
}

void SetStatementCache(TOCIConnection& connection, const TOraConnectionParameters& parameters) {
  connection.SetProp(prStatementCache, parameters.StatementCache);
  connection.SetProp(prStatementCacheSize, static_cast<int32_t>(parameters.StatementCacheSize));
}

// Connects a new connection of a pool; one that cannot connect is freed.
dacore::TCRConnection* ConnectOrFree(std::unique_ptr<TOCIConnection> connection,
                                     const std::string& connect_string) {
  connection->Connect(connect_string);
  return connection.release();
}

// The connection a caller returns, after the manager took back what it laid
// over a pooled connection (a proxy session).
TOCIConnection* Adjusted(dacore::TCRConnectionPool& pool, dacore::TCRConnection* connection) {
  if (pool.Manager()) connection = pool.Manager()->AdjustConnection(connection);
  auto* ora = dynamic_cast<TOCIConnection*>(connection);
  classlib::Assert(ora != nullptr && ora->Pool == &pool, "OraConnectionPool", __LINE__);
  return ora;
}

}  // namespace

TOCIConnection* NewPoolConnection(const dacore::TCRConnectionParameters& parameters) {
  const TOraConnectionParameters& ora = OraParameters(parameters);
  auto connection = std::make_unique<TOCIConnection>();
  connection->SetProp(prConnectMode, static_cast<int32_t>(ora.ConnectMode));
  if (!IsDirectMode()) connection->SetOCICallStyle(ora.UseOCI7 ? kOci7 : DefaultCallStyle.load());
  connection->SetUsername(ora.Username);
  connection->SetPassword(ora.Password);
  connection->SetServer(ora.Server);
  return connection.release();
}

// ---- Local pool -----------------------------------------------------------------------

dacore::TCRConnection* TOraLocalConnectionPool::CreateNewConnector() {
  dacore::StartWait();
  struct StopWaiting {
    ~StopWaiting() { dacore::StopWait(); }
  } stop;
  return ConnectOrFree(std::unique_ptr<TOCIConnection>(NewPoolConnection(ConnectionParameters())), "");
}

// ---- The client library's session pool -------------------------------------------------

TOraOCIConnectionPool::~TOraOCIConnectionPool() {
  if (!pool_handle_) return;
  if (pool_created_) OCISessionPoolDestroy(pool_handle_, hOCIError, OCI_DEFAULT);
  OCIHandleFree(pool_handle_, OCI_HTYPE_SPOOL);
}

void TOraOCIConnectionPool::CreateSessionPool() {
  std::lock_guard<std::mutex> guard(create_lock_);
  if (pool_created_) return;
  const TOraConnectionParameters& parameters = OraParameters(ConnectionParameters());
  if (!pool_handle_) {
    void* handle = nullptr;
    CheckOciStatus(OCIHandleAlloc(hOCIEnv, &handle, OCI_HTYPE_SPOOL, 0, nullptr));
    pool_handle_ = static_cast<OCISPool*>(handle);
  }
  OraText* name = nullptr;
  ub4 name_length = 0;
  const std::string& server = parameters.Server;
  // No account is given: the pool authenticates every request.
  CheckOciStatus(OCISessionPoolCreate(
      hOCIEnv, hOCIError, pool_handle_, &name, &name_length,
      reinterpret_cast<const OraText*>(server.c_str()), static_cast<ub4>(server.size()),
      static_cast<ub4>(parameters.MinPoolSize), static_cast<ub4>(parameters.MaxPoolSize), 0,
      nullptr, 0, nullptr, 0, parameters.StatementCache ? OCI_SPC_STMTCACHE : OCI_DEFAULT));
  pool_name_.assign(reinterpret_cast<const char*>(name), name ? name_length : 0);
  pool_created_ = true;
}

dacore::TCRConnection* TOraOCIConnectionPool::GetConnection() {
  InitOciEnvironment();
  if (IsDirectMode()) RaiseOraException(messages::kOciPoolingDirect);
  if (OCIVersion < 9200) RaiseOraException(messages::kOciPoolingClient);
  CreateSessionPool();
  const TOraConnectionParameters& parameters = OraParameters(ConnectionParameters());
  std::unique_ptr<TOCIConnection> connection(NewPoolConnection(parameters));
  SetStatementCache(*connection, parameters);
  // The pool is shared by every account, so its key holds the account of
  // whoever made it: each session is asked for with the requester's own.
  if (const auto* manager = dynamic_cast<TOraConnectionPoolManager*>(Manager()))
    if (const TOraConnectionParameters* request = manager->CurrentRequest()) {
      connection->SetUsername(request->Username);
      connection->SetPassword(request->Password);
    }
  connection->SetConnectionKind(kClientPoolSession);
  connection->PoolName = pool_name_;
  connection->Connect(pool_name_);
  connection->Pool = this;
  ++handed_out_;
  return connection.release();
}

void TOraOCIConnectionPool::PutConnection(dacore::TCRConnection* connection) {
  std::unique_ptr<TOCIConnection> owned(Adjusted(*this, connection));
  --handed_out_;
  owned->Disconnect();
}

// ---- MTS ---------------------------------------------------------------------------------

dacore::TCRConnection* TOraMTSConnectionPool::GetConnection() {
  InitOciEnvironment();
  if (IsDirectMode()) RaiseOraException(messages::kMtsPoolingDirect);
  LoadMtsSupport();
  const TOraConnectionParameters& parameters = OraParameters(ConnectionParameters());
  std::unique_ptr<TOCIConnection> connection(NewPoolConnection(parameters));
  SetStatementCache(*connection, parameters);
  connection->SetConnectionKind(kMtsSession);
  connection->Connect("");
  connection->Pool = this;
  ++handed_out_;
  return connection.release();
}

void TOraMTSConnectionPool::PutConnection(dacore::TCRConnection* connection) {
  std::unique_ptr<TOCIConnection> owned(Adjusted(*this, connection));
  --handed_out_;
  owned->Disconnect();
}

}  // namespace oracle
