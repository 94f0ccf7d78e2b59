// Connection pools: TCRConnectionPool, what the manager and the connections
// see of a pool, and TCRLocalConnectionPool, which keeps returned driver
// connections in an idle ring for reuse, at most MaxPoolSize in use at once.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "classlib/object.h"
#include "classlib/syncobjs.h"
#include "dacore/pool_clock.h"
#include "dacore/pool_parameters.h"

namespace dacore {

class TCRConnection;
class TCRConnectionPoolManager;

class TCRConnectionPool : public classlib::TObject {
  CLASSLIB_CLASS(TCRConnectionPool, classlib::TObject)
 public:
  // Keeps its own copy of parameters.
  TCRConnectionPool(TCRConnectionPoolManager* manager, const TCRConnectionParameters& parameters);
  // A pool of no manager with default parameters.
  TCRConnectionPool();
  ~TCRConnectionPool() override = default;
  TCRConnectionPool(const TCRConnectionPool&) = delete;
  TCRConnectionPool& operator=(const TCRConnectionPool&) = delete;

  virtual void Validate() {}
  virtual void Clear() {}
  virtual void Invalidate() {}
  virtual int GetTotalConnectionsCount() { return 0; }
  // Takes back a connection handed out by this pool (see TCRConnection::ReturnToPool).
  virtual void PutConnection(TCRConnection* connection) = 0;
  // An unconnected new connection or a connected idle one; the pool is its
  // Pool. The base raises "Must be overrided".
  virtual TCRConnection* GetConnection();
  virtual void IncVersion() {}

  const TCRConnectionParameters& ConnectionParameters() const { return *parameters_; }
  TCRConnectionPoolManager* Manager() const { return manager_; }

 private:
  friend class TCRConnectionPoolManager;
  // Gets of the manager on this pool that have not returned, under the
  // manager's lock: a pool is not freed while one runs.
  int gets_in_progress_ = 0;
  TCRConnectionPoolManager* manager_;
  std::unique_ptr<TCRConnectionParameters> parameters_;
};

class TCRLocalConnectionPool : public TCRConnectionPool {
  CLASSLIB_CLASS(TCRLocalConnectionPool, TCRConnectionPool)
 public:
  static constexpr uint32_t kGetTimeout = 30000;  // ms a get waits for a free slot

  TCRLocalConnectionPool(TCRConnectionPoolManager* manager, const TCRConnectionParameters& parameters);
  // Frees the idle connections.
  ~TCRLocalConnectionPool() override;

  // Exception "Maximum connections reached in pool" after kGetTimeout
  // without a free slot.
  TCRConnection* GetConnection() override;
  void PutConnection(TCRConnection* connection) override;
  // Frees connections idle over the last eight validations, expired or
  // invalidated ones and failing ones, and shrinks the idle surplus.
  void Validate() override;
  void Clear() override;
  // Every connection, idle or handed out, is dropped when next seen.
  void Invalidate() override;
  // Connections are pinged before reuse.
  void IncVersion() override;
  int GetTotalConnectionsCount() override;

  int UsedCount();
  int IdleCount();

 protected:
  // A new, unconnected connection of the driver's class.
  virtual TCRConnection* CreateNewConnector() = 0;

 private:
  struct TIdleEntry {
    TCRConnection* connection;
    uint64_t stamp;
    uint32_t version;
  };

  TPoolClock& Clock();
  bool Expired(const TCRConnection& connection);
  static bool PingSucceeds(TCRConnection& connection);
  void TakeSlot();
  void ReleaseSlot();
  // The oldest idle connection still fit for use (one is tried), or nullptr.
  TCRConnection* TakeIdle();
  void Handout(TCRConnection* connection, uint32_t version);
  bool TakeForValidation(TIdleEntry& entry);
  void PutBack(const TIdleEntry& entry);
  // Frees up to count idle connections from the head of the ring.
  void CloseFromHead(int count);

  std::mutex get_lock_;
  std::mutex ring_lock_;   // the ring, the put counter, history and surplus
  std::mutex used_lock_;   // the used count, the free-slot event, the handed-out versions
  std::deque<TIdleEntry> ring_;
  uint64_t put_counter_ = 0;
  std::array<uint64_t, 8> history_{};
  int surplus_ = 0;
  int used_count_ = 0;
  std::unordered_map<TCRConnection*, uint32_t> handed_out_;
  classlib::TEvent free_slot_;
  std::atomic<uint32_t> version_{0};
  std::atomic<uint32_t> invalidate_version_{0};
};

}  // namespace dacore
