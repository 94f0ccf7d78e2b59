// The connection and transaction components against the local Firebird
// server ("localhost:" + path), as the updater attaches to a real server.
// The server is started around the test run; without it these tests skip.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "../temp_folder.h"
#include "fib/base/client_library.h"
#include "fib/base/errors.h"
#include "fib/base/param_blocks.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_transaction.h"

#include "local_server.h"

namespace fib {
namespace {

class RemoteServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fib_test::LocalServerAnswers())
      GTEST_SKIP() << fib_test::kNoServerMessage;
    // The server may run as another user: it must be able to create files.
    chmod(folder_.Path().c_str(), 0777);
    path_ = folder_.File("remote.fdb");
    library_ = FindOrLoadClientLibrary(DefaultLibraryName());
    std::string create = "CREATE DATABASE 'localhost:" + path_ + "' USER 'SYSDBA' PASSWORD '" +
                         fib_test::ServerPassword() + "' DEFAULT CHARACTER SET WIN1251";
    isc_db_handle created = 0;
    isc_tr_handle none = 0;
    CheckClientCall(library_->isc_dsql_execute_immediate(StatusVector(), &created, &none, 0,
                                                         create.c_str(), 3, nullptr),
                    true, *library_, nullptr);
    Run(created, "CREATE TABLE T (V INTEGER)");
    CheckClientCall(library_->isc_detach_database(StatusVector(), &created), true, *library_,
                    nullptr);
  }

  void TearDown() override {
    if (path_.empty()) return;
    auto db = NewDatabase();
    db->SetSynchronizeTime(false);
    db->Connect();
    library_->isc_drop_database(StatusVector(), db->HandleAddress());
  }

  void Run(isc_db_handle& handle, const std::string& sql) {
    isc_tr_handle tr = 0;
    TransactionExistenceBlock teb{&handle, 0, nullptr};
    CheckClientCall(library_->isc_start_multiple(StatusVector(), &tr, 1, &teb), true, *library_,
                    nullptr);
    CheckClientCall(library_->isc_dsql_execute_immediate(StatusVector(), &handle, &tr, 0,
                                                         sql.c_str(), 3, nullptr),
                    true, *library_, nullptr);
    CheckClientCall(library_->isc_commit_transaction(StatusVector(), &tr), true, *library_,
                    nullptr);
  }

  std::unique_ptr<TFIBDatabase> NewDatabase(
      const std::string& password = fib_test::ServerPassword()) {
    auto db = std::make_unique<TFIBDatabase>(nullptr);
    db->SetDBName("localhost:" + path_);
    db->DBParams().SetText("user_name=SYSDBA\r\npassword=" + password + "\r\nlc_ctype=WIN1251");
    db->SetSQLDialect(3);
    return db;
  }

  fib_test::TempFolder folder_;
  std::string path_;
  ClientLibraryRef library_;
};

TEST_F(RemoteServerTest, ConnectsAndReadsTheServer) {
  auto db = NewDatabase();
  db->Connect();
  EXPECT_TRUE(db->Connected());
  EXPECT_TRUE(db->IsFirebirdConnect());
  EXPECT_EQ(db->ServerVersionText().substr(0, 7), "LI-V3.0");
  EXPECT_EQ(db->ServerMajorVersion(), 3);
  EXPECT_EQ(db->DatabaseSQLDialect(), 3);
  EXPECT_LT(std::abs(db->ServerTimeDifference()), 5.0 / 86400);
  db->Close();
  EXPECT_FALSE(db->Connected());
}

TEST_F(RemoteServerTest, WrongPasswordAndMissingFileGiveTheServersMessages) {
  auto db = NewDatabase("wrong-password");
  try {
    db->Connect();
    FAIL() << "attach with a wrong password succeeded";
  } catch (const EFIBInterBaseError& e) {
    EXPECT_NE(e.Message().find("Your user name and password are not defined"), std::string::npos)
        << e.Message();
  }
  EXPECT_FALSE(db->Connected());

  auto missing = NewDatabase();
  missing->SetDBName("localhost:" + path_ + ".missing");
  try {
    missing->Connect();
    FAIL() << "attach to a missing file succeeded";
  } catch (const EFIBInterBaseError& e) {
    EXPECT_NE(e.Message().find("I/O error"), std::string::npos) << e.Message();
  }
}

TEST_F(RemoteServerTest, TransactionsCommitAndRollBack) {
  auto db = NewDatabase();
  db->Connect();
  auto observer = NewDatabase();
  observer->Connect();
  TFIBTransaction tr(nullptr);
  tr.SetDefaultDatabase(db.get());
  tr.StartTransaction();
  classlib::Variant one[] = {classlib::Variant(1)};
  db->QueryValue("insert into T values (?)", 0, one, &tr);
  tr.CommitRetaining();
  classlib::Variant two[] = {classlib::Variant(2)};
  db->QueryValue("insert into T values (?)", 0, two, &tr);
  tr.Rollback();
  EXPECT_EQ(observer->QueryValue("select count(*) from T where V = 1", 0).AsInt64(), 1);
  EXPECT_EQ(observer->QueryValue("select count(*) from T where V = 2", 0).AsInt64(), 0);
}

}  // namespace
}  // namespace fib
