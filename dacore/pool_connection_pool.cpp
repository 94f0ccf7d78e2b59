// TCRLocalConnectionPool: handing out, taking back and validating.
#include "dacore/pool_connection_pool.h"

#include <climits>
#include <vector>

#include "classlib/exceptions.h"
#include "dacore/driver_connection.h"
#include "dacore/messages.h"
#include "dacore/pool_manager.h"

namespace dacore {

TCRConnectionPool::TCRConnectionPool(TCRConnectionPoolManager* manager,
                                     const TCRConnectionParameters& parameters)
    : manager_(manager), parameters_(parameters.Create()) {
  parameters_->Assign(&parameters);
}

TCRConnectionPool::TCRConnectionPool()
    : manager_(nullptr), parameters_(std::make_unique<TCRConnectionParameters>()) {}

TCRConnection* TCRConnectionPool::GetConnection() { throw classlib::Exception("Must be overrided"); }

TCRLocalConnectionPool::TCRLocalConnectionPool(TCRConnectionPoolManager* manager,
                                               const TCRConnectionParameters& parameters)
    : TCRConnectionPool(manager, parameters),
      free_slot_(true, ConnectionParameters().MaxPoolSize > 0) {}

TCRLocalConnectionPool::~TCRLocalConnectionPool() { TCRLocalConnectionPool::Clear(); }

TPoolClock& TCRLocalConnectionPool::Clock() {
  return Manager() ? Manager()->Clock() : SystemPoolClock();
}

bool TCRLocalConnectionPool::Expired(const TCRConnection& connection) {
  const uint32_t lifetime = ConnectionParameters().ConnectionLifetime;
  return lifetime != 0 && Clock().Ticks() - connection.ConnectTime > lifetime;
}

// A failing ping only means the connection is not reused.
bool TCRLocalConnectionPool::PingSucceeds(TCRConnection& connection) {
  try {
    return connection.Ping();
  } catch (const std::exception&) {
    return false;
  }
}

// ---- The used slots -------------------------------------------------------------

// The wait is what is left of the get time-out after waiting for the get
// lock, never less than nothing; every lock is released on the error path.
// A slot freed during the wait may be taken again before this get sees it
// (a validation round takes idle connections out as uses, and puts them
// back): the get then waits on for the rest of its time. The event is set
// exactly while a slot is free (both change under the used-count lock), so
// that wait blocks.
void TCRLocalConnectionPool::TakeSlot() {
  const uint32_t start = Clock().Ticks();
  std::lock_guard<std::mutex> get_guard(get_lock_);
  for (;;) {
    const uint32_t waited = Clock().Ticks() - start;
    const uint32_t wait = waited >= kGetTimeout ? 0 : kGetTimeout - waited;
    if (!Clock().Wait(free_slot_, wait)) throw classlib::Exception(SMaxConnectionsReached);
    std::lock_guard<std::mutex> used_guard(used_lock_);
    if (used_count_ < ConnectionParameters().MaxPoolSize) {
      if (++used_count_ == ConnectionParameters().MaxPoolSize) free_slot_.ResetEvent();
      return;
    }
  }
}

void TCRLocalConnectionPool::ReleaseSlot() {
  std::lock_guard<std::mutex> guard(used_lock_);
  --used_count_;
  free_slot_.SetEvent();
}

// ---- Getting and putting --------------------------------------------------------

TCRConnection* TCRLocalConnectionPool::GetConnection() {
  TakeSlot();
  try {
    TCRConnection* connection = TakeIdle();
    if (!connection) connection = CreateNewConnector();
    Handout(connection, version_);
    return connection;
  } catch (...) {
    ReleaseSlot();
    throw;
  }
}

TCRConnection* TCRLocalConnectionPool::TakeIdle() {
  TIdleEntry entry{};
  {
    std::lock_guard<std::mutex> guard(ring_lock_);
    if (ring_.empty()) return nullptr;
    entry = ring_.front();
    ring_.pop_front();
  }
  bool keep = entry.version >= invalidate_version_;
  if (keep && (ConnectionParameters().Validate || entry.version < version_))
    keep = PingSucceeds(*entry.connection);
  if (!keep) {
    delete entry.connection;
    return nullptr;
  }
  return entry.connection;
}

void TCRLocalConnectionPool::Handout(TCRConnection* connection, uint32_t version) {
  connection->Pool = this;
  std::lock_guard<std::mutex> guard(used_lock_);
  handed_out_[connection] = version;
}

void TCRLocalConnectionPool::PutConnection(TCRConnection* connection) {
  CLASSLIB_ASSERT(connection != nullptr && connection->Pool == this);
  if (Manager()) connection = Manager()->AdjustConnection(connection);
  uint32_t version;
  {
    std::lock_guard<std::mutex> guard(used_lock_);
    auto found = handed_out_.find(connection);
    version = found != handed_out_.end() ? found->second : 0;
    if (found != handed_out_.end()) handed_out_.erase(found);
  }
  const bool drop = Expired(*connection) || !connection->IsValid || version < invalidate_version_ ||
                    (version < version_ && !PingSucceeds(*connection));
  if (drop) {
    delete connection;
  } else {
    connection->Pool = nullptr;
    std::lock_guard<std::mutex> guard(ring_lock_);
    ring_.push_back(TIdleEntry{connection, ++put_counter_, version});
  }
  ReleaseSlot();
}

// ---- Validation -----------------------------------------------------------------

// Takes the oldest idle entry out as a use, while a slot is free.
bool TCRLocalConnectionPool::TakeForValidation(TIdleEntry& entry) {
  std::lock_guard<std::mutex> ring_guard(ring_lock_);
  std::lock_guard<std::mutex> used_guard(used_lock_);
  if (ring_.empty() || used_count_ >= ConnectionParameters().MaxPoolSize) return false;
  entry = ring_.front();
  ring_.pop_front();
  if (++used_count_ == ConnectionParameters().MaxPoolSize) free_slot_.ResetEvent();
  return true;
}

void TCRLocalConnectionPool::PutBack(const TIdleEntry& entry) {
  {
    std::lock_guard<std::mutex> guard(ring_lock_);
    ring_.push_back(entry);
  }
  ReleaseSlot();
}

void TCRLocalConnectionPool::Validate() {
  uint64_t old_stamp, last_stamp;
  int to_close, idle;
  {
    std::lock_guard<std::mutex> guard(ring_lock_);
    old_stamp = history_.back();
    last_stamp = history_.front();
    for (size_t i = history_.size() - 1; i > 0; --i) history_[i] = history_[i - 1];
    history_.front() = put_counter_;
    idle = static_cast<int>(ring_.size());
    to_close = (surplus_ + 6) / 8;
    surplus_ = idle - ConnectionParameters().MinPoolSize - to_close;
  }
  int closed = 0;
  TIdleEntry entry{};
  for (int i = 0; i < idle && TakeForValidation(entry); ++i) {
    bool keep = entry.stamp > old_stamp && !Expired(*entry.connection) &&
                entry.version >= invalidate_version_;
    if (keep && !(entry.stamp > last_stamp && entry.version == version_)) {
      keep = PingSucceeds(*entry.connection);
      if (keep) entry.version = version_;
    }
    if (keep) {
      PutBack(entry);
    } else {
      delete entry.connection;
      ++closed;
      ReleaseSlot();
    }
  }
  if (closed < to_close) CloseFromHead(to_close - closed);
}

void TCRLocalConnectionPool::CloseFromHead(int count) {
  std::vector<TCRConnection*> closing;
  {
    std::lock_guard<std::mutex> guard(ring_lock_);
    for (; count > 0 && !ring_.empty(); --count) {
      closing.push_back(ring_.front().connection);
      ring_.pop_front();
    }
  }
  for (TCRConnection* connection : closing) delete connection;
}

void TCRLocalConnectionPool::Clear() { CloseFromHead(INT_MAX); }

void TCRLocalConnectionPool::Invalidate() {
  ++version_;
  ++invalidate_version_;
}

void TCRLocalConnectionPool::IncVersion() { ++version_; }

int TCRLocalConnectionPool::GetTotalConnectionsCount() {
  std::lock_guard<std::mutex> ring_guard(ring_lock_);
  std::lock_guard<std::mutex> used_guard(used_lock_);
  return used_count_ + static_cast<int>(ring_.size());
}

int TCRLocalConnectionPool::UsedCount() {
  std::lock_guard<std::mutex> guard(used_lock_);
  return used_count_;
}

int TCRLocalConnectionPool::IdleCount() {
  std::lock_guard<std::mutex> guard(ring_lock_);
  return static_cast<int>(ring_.size());
}

}  // namespace dacore
