// The version row: its statements per server kind, texts as SQL literals,
// and the row on a real Firebird product database.
#include <gtest/gtest.h>

#include "app/run_state.h"
#include "app/version_record.h"
#include "classlib/codepage.h"
#include "fake_progress_view.h"
#include "fib/statements/fib_transaction.h"
#include "fib/zod/zod_database.h"
#include "fib/zod/zod_query.h"
#include "product_environment.h"

namespace app::testing {
namespace {

TEST(VersionInsertStatement, TakesTheServersClockAndQuotesTheTexts) {
  EXPECT_EQ(VersionInsertStatement(kFirebird, 7, "3.2", "admin"),
            "INSERT INTO BO_VERSION (ID, BDVERSION, UPDATEUSER, UPDATEDATE,UPDATELOG) VALUES "
            "(7, '3.2', 'admin', CAST('NOW' AS TIMESTAMP), NULL)");
  EXPECT_EQ(VersionInsertStatement(kOracle, 1, "3.2", "admin"),
            "INSERT INTO BO_VERSION (ID, BDVERSION, UPDATEUSER, UPDATEDATE,UPDATELOG) VALUES "
            "(1, '3.2', 'admin', SYSDATE, NULL)");
  // An apostrophe in a name can neither break the statement nor add SQL.
  EXPECT_EQ(VersionInsertStatement(kMsSql, 2, "3'2", "O'Brien'); DROP TABLE X; --"),
            "INSERT INTO BO_VERSION (ID, BDVERSION, UPDATEUSER, UPDATEDATE,UPDATELOG) VALUES "
            "(2, '3''2', 'O''Brien''); DROP TABLE X; --', GETDATE(), NULL)");
  EXPECT_EQ(VersionIdentityInsertBatch(2, "3.2", "a"),
            "SET IDENTITY_INSERT BO_VERSION ON;\r\nINSERT INTO BO_VERSION (ID, BDVERSION, "
            "UPDATEUSER, UPDATEDATE,UPDATELOG) VALUES (2, '3.2', 'a', GETDATE(), NULL);\r\n"
            "SET IDENTITY_INSERT BO_VERSION OFF;\r\n");
}

class VersionRecordTest : public ::testing::Test {
 protected:
  VersionRecordTest() {
    std::filesystem::copy_file(ProductEnvironment::FirebirdDatabase({"3.1"}), path_);
    database_.SetDBName(path_);
    database_.DBParams().SetText("user_name=SYSDBA\r\npassword=masterkey\r\nlc_ctype=WIN1251");
    database_.SetSQLDialect(3);
    transaction_.SetDefaultDatabase(&database_);
    database_.SetDefaultTransaction(&transaction_);
    DBType = kFirebird;
    NextVersionId = 2;
    ResultVersion = "3.2";
  }
  ~VersionRecordTest() override {
    database_.Close();
    ResetRunState();
  }
  TScriptComponents Components() { return {&database_, &transaction_, &query_}; }
  classlib::Variant Value(const std::string& sql) {
    if (!database_.Connected()) database_.Connect();
    return database_.QueryValue(sql, 0);
  }

  ScratchFolder dir_;
  std::string path_ = dir_.File("product.fdb");
  fib::TpZODDatabase database_{nullptr};
  fib::TFIBTransaction transaction_{nullptr};
  fib::TpZODQuery query_{nullptr};
  FakeProgressView view_;
};

TEST_F(VersionRecordTest, AUserNameWithAnApostropheIsStoredAsWritten) {
  LoginUserName = classlib::Utf8ToCp1251("О'Брайен");
  // The connection is closed, as an update library leaves it.
  ASSERT_TRUE(WriteVersionRecord(view_, Components()));
  EXPECT_TRUE(view_.details.empty());
  EXPECT_EQ(Value("SELECT UPDATEUSER FROM BO_VERSION WHERE ID = 2").AsString(), LoginUserName);
  EXPECT_EQ(Value("SELECT BDVERSION FROM BO_VERSION WHERE ID = 2").AsString(), "3.2");
  // Committed: another attachment sees the row.
  database_.Close();
  EXPECT_EQ(Value("SELECT COUNT(*) FROM BO_VERSION").AsInt64(), 2);
}

TEST_F(VersionRecordTest, ARowTheServerRejectsIsLoggedWithItsStatement) {
  LoginUserName = "admin";
  ResultVersion = std::string(40, '9');  // longer than BDVERSION holds
  view_.status = "status";
  EXPECT_FALSE(WriteVersionRecord(view_, Components()));
  ASSERT_GE(view_.details.size(), 8u);
  EXPECT_EQ(view_.details[2], classlib::Utf8ToCp1251("Источник:"));
  EXPECT_EQ(view_.details[4], classlib::Utf8ToCp1251("Не удалось записать информацию о версии"));
  EXPECT_EQ(view_.details[view_.details.size() - 3],
            VersionInsertStatement(kFirebird, 2, ResultVersion, "admin"));
  EXPECT_EQ(Value("SELECT COUNT(*) FROM BO_VERSION").AsInt64(), 1);
}

TEST_F(VersionRecordTest, NothingIsWrittenWhenTheDatabaseIsAlwaysUpdated) {
  AlwaysUpdateDB = true;
  EXPECT_TRUE(WriteVersionRecord(view_, Components()));
  EXPECT_EQ(Value("SELECT COUNT(*) FROM BO_VERSION").AsInt64(), 1);
}

}  // namespace
}  // namespace app::testing
