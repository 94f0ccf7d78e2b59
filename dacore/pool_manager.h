// TCRConnectionPoolManager: finds or creates the pool for a set of
// connection parameters, and runs the validation thread that checks every
// pool each 30 seconds and frees pools that hold no connection.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "classlib/object.h"
#include "classlib/syncobjs.h"
#include "dacore/pool_clock.h"
#include "dacore/pool_connection_pool.h"

namespace dacore {

class TCRConnectionPoolManager : public classlib::TObject {
  CLASSLIB_CLASS(TCRConnectionPoolManager, classlib::TObject)
 public:
  static constexpr uint32_t kValidatePeriod = 30000;  // ms between validations

  // Starts the validation thread. clock (not owned) defaults to the system's.
  explicit TCRConnectionPoolManager(TPoolClock* clock = nullptr);
  // Stops the validation thread and waits for it, however long its current
  // round takes, and for the gets in progress, before the pools are freed.
  ~TCRConnectionPoolManager() override;
  TCRConnectionPoolManager(const TCRConnectionPoolManager&) = delete;
  TCRConnectionPoolManager& operator=(const TCRConnectionPoolManager&) = delete;

  // A connection from the first pool whose parameters equal these (a new
  // pool when none does). The manager's lock covers finding or making the
  // pool; the wait for a free connection happens on that pool alone.
  TCRConnection* GetConnection(const TCRConnectionParameters& parameters);
  // Validates every pool, last to first, and frees the empty ones.
  void ValidatePools();
  // Frees the idle connections of every pool.
  void ClearPools();
  int PoolCount();

  // Called with every connection returned to a pool before the pool takes it.
  virtual TCRConnection* AdjustConnection(TCRConnection* connection) { return connection; }
  TPoolClock& Clock() const { return clock_; }

 protected:
  virtual std::unique_ptr<TCRConnectionPool> CreateConnectionPool(
      const TCRConnectionParameters& parameters) = 0;
  virtual TCRConnection* InternalGetConnection(const TCRConnectionParameters& parameters);
  // Stops and joins the thread; a manager whose pools need its own state
  // calls it first in its destructor. Stopping twice does nothing.
  void StopValidation();

 private:
  void ValidationLoop();
  // Finds or makes the pool and counts a get on it, under the manager lock.
  TCRConnectionPool* EnterPool(const TCRConnectionParameters& parameters);
  void LeavePool(TCRConnectionPool* pool);
  bool GetsInProgress();

  TPoolClock& clock_;
  std::mutex manager_lock_;    // finding and creating pools, the gets in progress, the emptiness test
  std::condition_variable gets_left_;  // a get left its pool
  std::mutex pool_list_lock_;  // the thread's walk and the final clearing
  std::vector<std::unique_ptr<TCRConnectionPool>> pools_;
  classlib::TEvent wake_;
  std::atomic<bool> terminated_{false};
  std::thread thread_;
};

}  // namespace dacore
