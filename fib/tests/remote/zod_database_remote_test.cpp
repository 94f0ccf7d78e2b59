// A "localhost:" attachment of the form's database component lost under it:
// a second connection kills the attachment the way a server going down
// does, and the component notices, closes quietly and reconnects on its
// timer. Skips when no local server answers.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "../temp_folder.h"
#include "fib/statements/fib_query.h"
#include "fib/zod/zod_database.h"
#include "fib/zod/zod_transaction.h"
#include "platform/message_loop.h"

#include "local_server.h"

namespace fib {
namespace {

class LostRemoteConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fib_test::LocalServerAnswers())
      GTEST_SKIP() << fib_test::kNoServerMessage;
    chmod(folder_.Path().c_str(), 0777);  // the server may run as another user
    TpZODDatabase creator(nullptr);
    Configure(creator);
    creator.SetSynchronizeTime(false);
    std::string create = "CREATE DATABASE '" + creator.DBName() + "' USER 'SYSDBA' PASSWORD '" +
                         fib_test::ServerPassword() + "'";
    isc_db_handle created = 0;
    isc_tr_handle none = 0;
    IIBClientLibrary& library = creator.ClientLibrary();
    CheckClientCall(library.isc_dsql_execute_immediate(StatusVector(), &created, &none, 0,
                                                       create.c_str(), 3, nullptr),
                    true, library, nullptr);
    library.isc_detach_database(StatusVector(), &created);
    created_ = true;
  }

  void TearDown() override {
    if (!created_) return;
    TpZODDatabase dropper(nullptr);
    Configure(dropper);
    dropper.Connect();
    dropper.ClientLibrary().isc_drop_database(StatusVector(), dropper.HandleAddress());
  }

  void Configure(TpZODDatabase& db) {
    db.SetDBName("localhost:" + folder_.File("lost.fdb"));
    db.DBParams().SetText("user_name=SYSDBA\r\npassword=" + fib_test::ServerPassword());
    db.SetSQLDialect(3);
    db.SetSynchronizeTime(false);
  }

  void KillAttachment(TpZODDatabase& victim) {
    TpZODDatabase killer(nullptr);
    Configure(killer);
    killer.Connect();
    int64_t id = victim.QueryValue("select current_connection from rdb$database", 0).AsInt64();
    classlib::Variant args[] = {classlib::Variant(static_cast<long long>(id))};
    killer.QueryValue("delete from mon$attachments where mon$attachment_id = ?", 0, args);
  }

  fib_test::TempFolder folder_;
  bool created_ = false;
};

TEST_F(LostRemoteConnectionTest, LossIsDetectedClosedAndRestoredByTheTimer) {
  TpZODDatabase db(nullptr);
  Configure(db);
  TpZODTransaction transaction(nullptr);
  transaction.SetDefaultDatabase(&db);
  db.Connect();
  TFIBQuery query(nullptr);
  query.SetDatabase(&db);
  query.SetTransaction(&transaction);
  query.SQL().SetText("select rdb$relation_name from rdb$relations");
  transaction.StartTransaction();
  query.ExecQuery();
  KillAttachment(db);

  int lost = 0;
  db.OnLostConnect = TFIBLostConnectEvent::Function(
      [&](TpZODDatabase*, const EFIBError&, TOnLostConnectActions& actions) {
        ++lost;
        actions = laWaitRestore;
      });
  int restored = 0;
  db.AfterRestoreConnect = TFIBRestoreConnectEvent::Function([&](TpZODDatabase*) { ++restored; });
  db.SetWaitForRestoreConnect(20);
  EXPECT_FALSE(db.CheckConnectionAlive(laCloseConnect));
  EXPECT_EQ(lost, 1);
  EXPECT_FALSE(db.Connected());
  EXPECT_FALSE(transaction.Active());
  EXPECT_FALSE(query.Open());

  auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!db.Connected() && std::chrono::steady_clock::now() < give_up) {
    platform::MessageLoop::Current().ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_TRUE(db.Connected());
  EXPECT_EQ(restored, 1);
  EXPECT_FALSE(db.RestoreTimerEnabled());
  EXPECT_TRUE(db.CheckConnectionAlive(laCloseConnect));
  transaction.StartTransaction();
  query.ExecQuery();
  EXPECT_FALSE(query.Eof());
  query.Close();
  transaction.Commit();
  db.Disconnect(false);
}

TEST_F(LostRemoteConnectionTest, DisconnectAfterTheLossRaisesNothing) {
  TpZODDatabase db(nullptr);
  Configure(db);
  db.Connect();
  KillAttachment(db);
  EXPECT_NO_THROW(db.Disconnect(false));
  EXPECT_FALSE(db.Connected());
}

}  // namespace
}  // namespace fib
