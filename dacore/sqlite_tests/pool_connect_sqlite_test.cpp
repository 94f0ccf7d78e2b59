// A pooled connect that fails, on the SQLite test driver's pools: the pool
// gets its connection back, and a session whose server or account changes
// holds no connection of the former pool, so no pool ever hands out a
// connection to another database.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "dacore/sqlite_tests/sqlite_fixture.h"
#include "testing/message_of.h"

namespace dacore::sqlite_tests {
namespace {

using classlib::testing::MessageOf;
using sqlite_driver::TSQLiteSession;

class PoolConnectTest : public SQLiteTest {
 protected:
  void SetUp() override {
    SQLiteTest::SetUp();
    // A database whose folder does not exist yet: connecting to it fails
    // until the folder is made.
    later_folder_ = std::filesystem::path(Path()).parent_path() / "later";
    later_ = (later_folder_ / "a.db").string();
    auto session = Session();
    Exec(*session, "CREATE TABLE ONLY_B (X INTEGER)");
  }

  std::unique_ptr<TSQLiteSession> Pooled(const std::string& server, const std::string& user) {
    auto session = std::make_unique<TSQLiteSession>(nullptr);
    session->SetServer(server);
    session->SetUsername(user);
    session->SetLoginPrompt(false);
    session->SetPooling(true);
    session->PoolingOptions().MaxPoolSize = 1;
    return session;
  }

  // Whether a session sees the table of the test's own database.
  static std::string SeesB(TSQLiteSession& session) {
    auto data_set = session.CreateDataSet();
    data_set->SetSQL("SELECT count(*) FROM sqlite_master WHERE name = 'ONLY_B'");
    data_set->Open();
    return data_set->Fields().Fields(0)->AsString();
  }

  std::filesystem::path later_folder_;
  std::string later_;
};

// The user corrects the server after a failed connect; the first server's
// next user gets a connection to the first server.
TEST_F(PoolConnectTest, AFailedConnectLeavesNoConnectionOfItsPoolInTheSession) {
  auto session = Pooled(later_, "user");
  EXPECT_FALSE(MessageOf([&] { session->SetConnected(true); }).empty());
  EXPECT_FALSE(session->Connected());
  EXPECT_EQ(session->IConnection(), nullptr) << "the pool got its connection back";
  session->SetServer(Path());
  session->SetConnected(true);
  EXPECT_EQ(SeesB(*session), "1");
  session->Disconnect();

  std::filesystem::create_directories(later_folder_);
  auto next = Pooled(later_, "user");
  next->SetConnected(true);
  EXPECT_EQ(SeesB(*next), "0") << "the first server's pool handed out a connection to another database";
  next->Disconnect();
}

// The account corrected after a failed connect: the first account's pool
// of one is free for its next user at once, and the session connects under
// the new account.
TEST_F(PoolConnectTest, ChangingTheAccountAfterAFailedConnectHoldsNothingOfTheFormerPool) {
  auto session = Pooled(later_, "first");
  EXPECT_FALSE(MessageOf([&] { session->SetConnected(true); }).empty());
  session->SetUsername("second");
  EXPECT_EQ(session->IConnection(), nullptr);
  std::filesystem::create_directories(later_folder_);
  session->SetConnected(true);
  auto next = Pooled(later_, "first");
  next->SetConnected(true);
  EXPECT_NE(next->IConnection(), session->IConnection());
  EXPECT_EQ(SeesB(*next), "0");
  next->Disconnect();
  session->Disconnect();
}

}  // namespace
}  // namespace dacore::sqlite_tests
