// Pooled sessions of the SQLite test driver while one pool is full: a
// session waiting for that pool holds up no other pool and no validation
// round, and the connection returned while it waits goes to it.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "dacore/sqlite_tests/sqlite_fixture.h"

namespace dacore::sqlite_tests {
namespace {

using namespace std::chrono_literals;
using sqlite_driver::TSQLitePoolManager;
using sqlite_driver::TSQLiteSession;

class PoolWaitTest : public SQLiteTest {
 protected:
  // A pooled session of a pool of one connection, keyed by the user name.
  std::unique_ptr<TSQLiteSession> Pooled(const std::string& user) {
    auto session = std::make_unique<TSQLiteSession>(nullptr);
    session->SetServer(Path());
    session->SetUsername(user);
    session->SetLoginPrompt(false);
    session->SetPooling(true);
    session->PoolingOptions().MaxPoolSize = 1;
    return session;
  }
};

TEST_F(PoolWaitTest, AFullPoolHoldsUpNoOtherPoolAndItsWaiterGetsTheReturnedConnection) {
  auto holder = Pooled("full");
  holder->SetConnected(true);
  TCRConnection* held = holder->IConnection();
  auto waiter = Pooled("full");
  auto waiting = std::async(std::launch::async, [&] { waiter->SetConnected(true); });
  // The waiter is inside the pool's wait by now (it has nothing else to do).
  ASSERT_EQ(waiting.wait_for(200ms), std::future_status::timeout) << "the full pool handed out a second connection";

  auto other = Pooled("other");
  auto other_get = std::async(std::launch::async, [&] { other->SetConnected(true); });
  auto validation = std::async(std::launch::async, [] { TSQLitePoolManager::Instance().ValidatePools(); });
  const bool other_at_once = other_get.wait_for(2s) == std::future_status::ready;
  const bool validation_at_once = validation.wait_for(2s) == std::future_status::ready;
  EXPECT_TRUE(other_at_once) << "a get from another pool waited behind the full one";
  EXPECT_TRUE(validation_at_once) << "the validation round waited behind the full pool";

  // Returned while the waiter waits: the waiter gets that connection.
  std::this_thread::sleep_for(100ms);
  holder->Disconnect();
  ASSERT_EQ(waiting.wait_for(5s), std::future_status::ready);
  EXPECT_NO_THROW(waiting.get());
  EXPECT_TRUE(waiter->Connected());
  EXPECT_EQ(waiter->IConnection(), held);
  other_get.get();
  validation.get();
  EXPECT_TRUE(other->Connected());
  EXPECT_NE(other->IConnection(), held);
  waiter->Disconnect();
  other->Disconnect();
}

}  // namespace
}  // namespace dacore::sqlite_tests
