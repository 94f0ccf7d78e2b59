// The three kinds of Oracle connection pools. A local pool keeps connected
// TOCIConnection objects for reuse (the generic pool does the rest); a
// client-library pool creates the library's session pool on first use and
// hands out connections whose sessions it takes from there; an MTS pool
// takes sessions from the distributed-transaction service.
#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "dacore/pool_connection_pool.h"
#include "oracle/oci_defs.h"

namespace oracle {

class TOCIConnection;

class TOraLocalConnectionPool : public dacore::TCRLocalConnectionPool {
  CLASSLIB_CLASS(TOraLocalConnectionPool, dacore::TCRLocalConnectionPool)
 public:
  using dacore::TCRLocalConnectionPool::TCRLocalConnectionPool;

 protected:
  // A connected TOCIConnection of the pool's account.
  dacore::TCRConnection* CreateNewConnector() override;
};

class TOraOCIConnectionPool : public dacore::TCRConnectionPool {
  CLASSLIB_CLASS(TOraOCIConnectionPool, dacore::TCRConnectionPool)
 public:
  using dacore::TCRConnectionPool::TCRConnectionPool;
  // Destroys the library's session pool when it was created.
  ~TOraOCIConnectionPool() override;

  dacore::TCRConnection* GetConnection() override;
  // Ends the connection (its session goes back to the library's pool).
  void PutConnection(dacore::TCRConnection* connection) override;
  int GetTotalConnectionsCount() override { return handed_out_; }

  const std::string& PoolName() const { return pool_name_; }

 private:
  void CreateSessionPool();

  std::mutex create_lock_;
  OCISPool* pool_handle_ = nullptr;
  bool pool_created_ = false;
  std::string pool_name_;
  std::atomic<int> handed_out_{0};
};

class TOraMTSConnectionPool : public dacore::TCRConnectionPool {
  CLASSLIB_CLASS(TOraMTSConnectionPool, dacore::TCRConnectionPool)
 public:
  using dacore::TCRConnectionPool::TCRConnectionPool;

  dacore::TCRConnection* GetConnection() override;
  void PutConnection(dacore::TCRConnection* connection) override;
  int GetTotalConnectionsCount() override { return handed_out_; }

 private:
  std::atomic<int> handed_out_{0};
};

// A new connection with the pool parameters' mode, call style, account and
// statement cache (not connected).
TOCIConnection* NewPoolConnection(const dacore::TCRConnectionParameters& parameters);

}  // namespace oracle
