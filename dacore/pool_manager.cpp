// The pool manager and its validation thread.
#include "dacore/pool_manager.h"

namespace dacore {

TCRConnectionPoolManager::TCRConnectionPoolManager(TPoolClock* clock)
    : clock_(clock ? *clock : SystemPoolClock()) {
  thread_ = std::thread([this] { ValidationLoop(); });
}

TCRConnectionPoolManager::~TCRConnectionPoolManager() {
  StopValidation();
  std::lock_guard<std::mutex> list_guard(pool_list_lock_);
  std::vector<std::unique_ptr<TCRConnectionPool>> pools;
  {
    std::unique_lock<std::mutex> guard(manager_lock_);
    gets_left_.wait(guard, [this] { return !GetsInProgress(); });
    pools.swap(pools_);
  }
  pools.clear();  // outside the manager lock, as a validation frees a pool
}

void TCRConnectionPoolManager::StopValidation() {
  terminated_ = true;
  wake_.SetEvent();
  if (thread_.joinable()) thread_.join();
}

TCRConnection* TCRConnectionPoolManager::GetConnection(const TCRConnectionParameters& parameters) {
  return InternalGetConnection(parameters);
}

// The get itself (up to the pool's wait for a free slot) runs outside the
// manager lock, so a full pool holds up neither the gets of other pools nor
// the validation round; the count of gets keeps the pool from being freed.
TCRConnection* TCRConnectionPoolManager::InternalGetConnection(
    const TCRConnectionParameters& parameters) {
  TCRConnectionPool* pool = EnterPool(parameters);
  struct TLeave {
    TCRConnectionPoolManager* manager;
    TCRConnectionPool* pool;
    ~TLeave() { manager->LeavePool(pool); }
  } leave{this, pool};
  return pool->GetConnection();
}

TCRConnectionPool* TCRConnectionPoolManager::EnterPool(const TCRConnectionParameters& parameters) {
  std::lock_guard<std::mutex> guard(manager_lock_);
  TCRConnectionPool* pool = nullptr;
  for (auto& candidate : pools_)
    if (candidate->ConnectionParameters().Equals(&parameters)) {
      pool = candidate.get();
      break;
    }
  if (!pool) {
    pools_.push_back(CreateConnectionPool(parameters));
    pool = pools_.back().get();
  }
  ++pool->gets_in_progress_;
  return pool;
}

// Notified under the lock: a destruction waiting for the last get could
// otherwise free the condition while it is being notified.
void TCRConnectionPoolManager::LeavePool(TCRConnectionPool* pool) {
  std::lock_guard<std::mutex> guard(manager_lock_);
  --pool->gets_in_progress_;
  gets_left_.notify_all();
}

// Under the manager lock.
bool TCRConnectionPoolManager::GetsInProgress() {
  for (const auto& pool : pools_)
    if (pool->gets_in_progress_ > 0) return true;
  return false;
}

// The list grows under the manager lock alone (a get that makes a pool), so
// its length is read under that lock too, taken inside the pool-list lock as
// everywhere both are held. Pools appended during the walk wait for the
// next round; only this walk removes pools, so the indexes below stay valid.
void TCRConnectionPoolManager::ValidatePools() {
  std::lock_guard<std::mutex> list_guard(pool_list_lock_);
  size_t count;
  {
    std::lock_guard<std::mutex> guard(manager_lock_);
    count = pools_.size();
  }
  for (size_t i = count; i-- > 0;) {
    if (terminated_) return;
    TCRConnectionPool* pool;
    {
      std::lock_guard<std::mutex> guard(manager_lock_);
      pool = pools_[i].get();
    }
    pool->Validate();
    std::unique_ptr<TCRConnectionPool> removed;
    {
      std::lock_guard<std::mutex> guard(manager_lock_);
      if (pool->gets_in_progress_ == 0 && pool->GetTotalConnectionsCount() == 0) {
        removed = std::move(pools_[i]);
        pools_.erase(pools_.begin() + static_cast<std::ptrdiff_t>(i));
      }
    }
  }
}

void TCRConnectionPoolManager::ClearPools() {
  std::lock_guard<std::mutex> list_guard(pool_list_lock_);
  std::lock_guard<std::mutex> guard(manager_lock_);
  for (auto& pool : pools_) pool->Clear();
}

int TCRConnectionPoolManager::PoolCount() {
  std::lock_guard<std::mutex> guard(manager_lock_);
  return static_cast<int>(pools_.size());
}

// Validates once a period, counting the time the last round took.
void TCRConnectionPoolManager::ValidationLoop() {
  uint32_t elapsed = 0;
  while (!terminated_) {
    if (elapsed < kValidatePeriod && clock_.Wait(wake_, kValidatePeriod - elapsed)) break;
    if (terminated_) break;
    const uint32_t start = clock_.Ticks();
    ValidatePools();
    elapsed = clock_.Ticks() - start;
  }
}

}  // namespace dacore
