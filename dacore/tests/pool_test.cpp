// Connection pooling on a manual clock: the pool limit and its message after
// the get time-out (also when the get lock itself took that long), the
// rollback of returned connections, lifetimes,
// invalidation and pings before reuse, the pool keys' case rules, validation
// closing long-idle connections and freeing empty pools (also while gets
// make new pools), and the validation thread stopping only after its
// running round.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "classlib/exceptions.h"
#include "dacore/pool_manager.h"
#include "dacore/tests/driver_script_fixture.h"

namespace dacore {
namespace {

using namespace std::chrono_literals;
using testing::TScriptConnection;

// Time moves only by Advance; a wait polls its event every millisecond.
class ManualPoolClock : public TPoolClock {
 public:
  uint32_t Ticks() override { return now; }
  bool Wait(classlib::TEvent& event, uint32_t timeout_ms) override {
    const uint32_t start = now;
    for (;;) {
      if (event.WaitFor(1) == classlib::wrSignaled) return true;
      if (now - start >= timeout_ms) return false;
    }
  }
  void Advance(uint32_t ms) { now += ms; }
  std::atomic<uint32_t> now{5000};
};

std::atomic<int> g_alive{0};
std::atomic<int> g_made{0};

// A freed connection's address may be handed to the next one, so tests tell
// connections apart by the serial each gets when made.
class CountedConnection : public TScriptConnection {
 public:
  CountedConnection() { ++g_alive; }
  const int serial = ++g_made;
  ~CountedConnection() override { --g_alive; }
  bool Ping() override {
    while (hold_ping) std::this_thread::sleep_for(1ms);
    return TScriptConnection::Ping();
  }
  static std::atomic<bool> hold_ping;
};
std::atomic<bool> CountedConnection::hold_ping{false};

class TestPool : public TCRLocalConnectionPool {
 public:
  using TCRLocalConnectionPool::TCRLocalConnectionPool;

 protected:
  TCRConnection* CreateNewConnector() override { return new CountedConnection(); }
};

class TestManager : public TCRConnectionPoolManager {
 public:
  using TCRConnectionPoolManager::TCRConnectionPoolManager;

 protected:
  std::unique_ptr<TCRConnectionPool> CreateConnectionPool(const TCRConnectionParameters& p) override {
    return std::make_unique<TestPool>(this, p);
  }
};

class PoolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_alive = 0;
    params.Username = "scott";
    params.Password = "Tiger";
    params.Server = "orcl";
  }
  // A connected connection from the manager, its connect time on our clock.
  CountedConnection* Get() {
    auto* c = static_cast<CountedConnection*>(manager.GetConnection(params));
    if (!c->Connected) c->Connect("");
    c->ConnectTime = clock.now;
    return c;
  }

  ManualPoolClock clock;
  TestManager manager{&clock};
  TCRConnectionParameters params;
};

TEST_F(PoolTest, LimitRaisesAfterTheWaitAndReturnedConnectionsAreReused) {
  params.MaxPoolSize = 1;
  CountedConnection* first = Get();
  auto* pool = static_cast<TestPool*>(first->Pool);
  std::thread later([&] {
    std::this_thread::sleep_for(30ms);
    clock.Advance(TCRLocalConnectionPool::kGetTimeout);
  });
  try {
    manager.GetConnection(params);
    ADD_FAILURE() << "no error";
  } catch (const classlib::Exception& e) {
    EXPECT_STREQ(e.what(), "Maximum connections reached in pool");
  }
  later.join();
  EXPECT_EQ(pool->UsedCount(), 1);
  first->ReturnToPool();
  EXPECT_EQ(pool->IdleCount(), 1);
  EXPECT_EQ(Get()->serial, first->serial);  // the idle one comes back, no new connection
  EXPECT_EQ(g_alive, 1);
  first->ReturnToPool();
}

// A get that waited the whole time-out for the get lock must fail at once,
// not wait on with a time-out that went below zero; and the get before it
// must have released its locks when it failed.
TEST_F(PoolTest, GetThatWaitedForTheLockFailsAtOnce) {
  params.MaxPoolSize = 1;
  CountedConnection* held = Get();
  auto first = std::async(std::launch::async, [&] { manager.GetConnection(params); });
  std::this_thread::sleep_for(30ms);
  auto* pool = static_cast<TestPool*>(held->Pool);
  auto second = std::async(std::launch::async, [&] { return pool->GetConnection(); });
  std::this_thread::sleep_for(30ms);
  clock.Advance(TCRLocalConnectionPool::kGetTimeout + 10000);
  EXPECT_THROW(first.get(), classlib::Exception);
  if (second.wait_for(5s) != std::future_status::ready) {
    held->ReturnToPool();  // let it finish, so the failure is reported, not hung
    ADD_FAILURE() << "the second get waited on";
    second.get()->ReturnToPool();
    return;
  }
  EXPECT_THROW(second.get(), classlib::Exception);
  held->ReturnToPool();
}

// A get woken while the slot it waited for was taken again (a validation
// round took the connection out in between) waits on for the rest of its
// time rather than failing at once.
TEST(PoolWait, AGetWokenWithoutAFreeSlotWaitsOnForTheRest) {
  // Answers the getter's first wait as signalled whatever the event says
  // (the validation thread waits on this clock too).
  static thread_local bool getter = false;
  class WakesOnceClock : public ManualPoolClock {
   public:
    bool Wait(classlib::TEvent& event, uint32_t timeout_ms) override {
      if (getter && wake_once.exchange(false)) return true;
      return ManualPoolClock::Wait(event, timeout_ms);
    }
    std::atomic<bool> wake_once{true};
  };
  WakesOnceClock clock;
  TestManager manager(&clock);
  TCRConnectionParameters params;
  params.MaxPoolSize = 1;
  TCRConnection* held = manager.GetConnection(params);  // a free slot: no wait
  auto waiting = std::async(std::launch::async, [&] {
    getter = true;
    return manager.GetConnection(params);
  });
  EXPECT_EQ(waiting.wait_for(100ms), std::future_status::timeout) << "the get failed or took a taken slot";
  held->ReturnToPool();
  ASSERT_EQ(waiting.wait_for(5s), std::future_status::ready);
  TCRConnection* got = waiting.get();
  EXPECT_EQ(got, held);
  got->ReturnToPool();
}

// A get waiting on a full pool holds up no get on another pool and no
// validation round, the round does not free the pool under it (a pool of
// no connections counts none while its get waits), and the manager's
// destruction waits until the get is over.
TEST(PoolWait, AWaitingGetKeepsItsPoolAndHoldsUpNothingElse) {
  ManualPoolClock clock;
  auto manager = std::make_unique<TestManager>(&clock);
  TCRConnectionParameters full, other;
  full.MaxPoolSize = 0;
  other.Server = "other";
  auto waiting = std::async(std::launch::async, [&] { manager->GetConnection(full); });
  ASSERT_EQ(waiting.wait_for(50ms), std::future_status::timeout);
  auto other_get = std::async(std::launch::async, [&] { return manager->GetConnection(other); });
  const bool other_at_once = other_get.wait_for(2s) == std::future_status::ready;
  auto round = std::async(std::launch::async, [&] { manager->ValidatePools(); });
  const bool round_at_once = round.wait_for(2s) == std::future_status::ready;
  EXPECT_TRUE(other_at_once) << "a get on another pool waited";
  EXPECT_TRUE(round_at_once) << "the validation round waited";
  if (!other_at_once || !round_at_once) clock.Advance(TCRLocalConnectionPool::kGetTimeout);
  other_get.get()->ReturnToPool();
  round.get();
  EXPECT_EQ(manager->PoolCount(), 2) << "a pool was freed under a waiting get";
  auto destroyed = std::async(std::launch::async, [&] { manager.reset(); });
  EXPECT_EQ(destroyed.wait_for(100ms), std::future_status::timeout) << "the manager went under a waiting get";
  clock.Advance(TCRLocalConnectionPool::kGetTimeout);
  EXPECT_THROW(waiting.get(), classlib::Exception);
  destroyed.get();
}

TEST_F(PoolTest, ExpiredInvalidAndInvalidatedConnectionsAreFreed) {
  params.ConnectionLifetime = 1000;
  CountedConnection* c = Get();
  auto* pool = static_cast<TestPool*>(c->Pool);
  clock.Advance(1500);
  c->ReturnToPool();
  EXPECT_EQ(pool->IdleCount(), 0);
  EXPECT_EQ(g_alive, 0);

  c = Get();
  c->IsValid = false;
  c->ReturnToPool();
  EXPECT_EQ(g_alive, 0);

  c = Get();
  CountedConnection* out = Get();
  const int idle_serial = c->serial;
  c->ReturnToPool();
  pool->Invalidate();
  out->ReturnToPool();  // handed out before: dropped too
  EXPECT_EQ(pool->IdleCount(), 1);
  CountedConnection* fresh = Get();  // the idle one is older than the invalidation
  EXPECT_NE(fresh->serial, idle_serial);
  EXPECT_EQ(g_alive, 1);
  fresh->ReturnToPool();
  EXPECT_EQ(pool->UsedCount(), 0);
}

// A connection goes back rolled back, so its next user finds no pending
// work; one whose rollback fails is freed instead of kept.
TEST_F(PoolTest, ReturnedConnectionsAreRolledBackOrFreed) {
  CountedConnection* c = Get();
  auto* pool = static_cast<TestPool*>(c->Pool);
  c->ReturnToPool();
  EXPECT_EQ(pool->IdleCount(), 1);
  c = Get();
  EXPECT_EQ(c->rollbacks, 1) << "rolled back on its way back, before the next user took it";
  c->fail_rollback = true;
  c->ReturnToPool();
  EXPECT_EQ(pool->IdleCount(), 0);
  EXPECT_EQ(g_alive, 0);
  EXPECT_EQ(pool->UsedCount(), 0) << "its slot is free again";
}

TEST_F(PoolTest, IncVersionPingsBeforeReuse) {
  CountedConnection* c = Get();
  auto* pool = static_cast<TestPool*>(c->Pool);
  const int serial = c->serial;
  c->ReturnToPool();
  pool->IncVersion();
  EXPECT_EQ(Get()->serial, serial);
  EXPECT_EQ(c->pings, 1);
  c->ReturnToPool();  // now of the current version: no ping
  EXPECT_EQ(c->pings, 1);
  pool->IncVersion();
  c->fail_ping = true;
  CountedConnection* other = Get();
  EXPECT_NE(other->serial, serial);
  EXPECT_EQ(g_alive, 1);
  other->ReturnToPool();
}

TEST_F(PoolTest, UserNameCaseSharesAPoolPasswordAndServerCaseDoNot) {
  CountedConnection* a = Get();
  params.Username = "SCOTT";
  CountedConnection* b = Get();
  EXPECT_EQ(a->Pool, b->Pool);
  EXPECT_EQ(manager.PoolCount(), 1);
  params.Password = "TIGER";
  CountedConnection* c = Get();
  EXPECT_NE(c->Pool, a->Pool);
  params.Password = "Tiger";
  params.Server = "ORCL";
  CountedConnection* d = Get();
  EXPECT_EQ(manager.PoolCount(), 3);
  for (auto* x : {a, b, c, d}) x->ReturnToPool();
}

TEST_F(PoolTest, ValidationClosesConnectionsIdleForEightRoundsAndFreesEmptyPools) {
  CountedConnection* c = Get();
  c->ReturnToPool();
  for (int i = 0; i < 8; ++i) manager.ValidatePools();
  EXPECT_EQ(g_alive, 1);
  EXPECT_EQ(c->pings, 7);  // only the round right after its return skips the ping
  manager.ValidatePools();
  EXPECT_EQ(g_alive, 0);
  EXPECT_EQ(manager.PoolCount(), 0);

  c = Get();
  c->ReturnToPool();
  c->fail_ping = true;
  manager.ValidatePools();  // returned since the last round: kept without a ping
  EXPECT_EQ(g_alive, 1);
  manager.ValidatePools();
  EXPECT_EQ(g_alive, 0);
}

// Gets that make new pools (the list grows and its storage moves) while
// validation rounds walk the list, validate the pools and free the empty
// ones: every get comes from the pool of its own parameters, and once all
// went back and stayed idle long enough, no pool or connection is left.
TEST_F(PoolTest, GetsThatMakePoolsRaceTheValidationRounds) {
  constexpr int kThreads = 4, kGets = 300, kServers = 40;
  std::atomic<bool> getting{true};
  std::thread validator([&] {
    while (getting) manager.ValidatePools();
  });
  std::atomic<int> wrong_pool{0};
  std::vector<std::thread> getters;
  for (int t = 0; t < kThreads; ++t)
    getters.emplace_back([&, t] {
      TCRConnectionParameters own = params;
      for (int i = 0; i < kGets; ++i) {
        own.Server = "db" + std::to_string(t) + "_" + std::to_string(i % kServers);
        TCRConnection* c = manager.GetConnection(own);
        if (!c->Connected) c->Connect("");
        if (c->Pool->ConnectionParameters().Server != own.Server) ++wrong_pool;
        c->ReturnToPool();
      }
    });
  for (auto& getter : getters) getter.join();
  getting = false;
  validator.join();
  EXPECT_EQ(wrong_pool, 0);
  for (int i = 0; i < 9; ++i) manager.ValidatePools();
  EXPECT_EQ(manager.PoolCount(), 0);
  EXPECT_EQ(g_alive, 0);
}

// The manager waits for a validation round that is running, however long,
// before it frees the pools under it.
TEST(PoolManagerThread, StopsOnlyAfterTheRunningRound) {
  ManualPoolClock clock;
  auto manager = std::make_unique<TestManager>(&clock);
  TCRConnectionParameters params;
  auto* c = static_cast<CountedConnection*>(manager->GetConnection(params));
  c->Connect("");
  auto* pool = static_cast<TestPool*>(c->Pool);
  c->ReturnToPool();
  pool->IncVersion();  // the round will ping it
  CountedConnection::hold_ping = true;
  while (pool->UsedCount() == 0) {  // the round has the connection out, pinging
    clock.Advance(TCRConnectionPoolManager::kValidatePeriod);
    std::this_thread::sleep_for(2ms);
  }
  auto destroyed = std::async(std::launch::async, [&] { manager.reset(); });
  clock.Advance(10000);  // well past any give-up time a stop might have
  EXPECT_EQ(destroyed.wait_for(200ms), std::future_status::timeout);
  CountedConnection::hold_ping = false;
  destroyed.get();
  EXPECT_EQ(g_alive, 0);
}

TEST(PoolManagerThread, IdleThreadStopsAtOnce) {
  const auto start = std::chrono::steady_clock::now();
  { TestManager manager; }
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
}

}  // namespace
}  // namespace dacore
