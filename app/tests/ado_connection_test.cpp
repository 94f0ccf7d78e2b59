#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/ado_connection.h"
#include "app/ado_query.h"
#include "app/tests/ado_fixtures.h"
#include "classlib/strings.h"

namespace app {
namespace {

using testing::Ansi;

class FirebirdConnection : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    path_ = testing::TempPath(dir_, "books.fdb");
    testing::CreateFirebirdDatabase(
        path_, Ansi("CREATE TABLE BOOKS (ID INTEGER NOT NULL, TITLE VARCHAR(40), PRICE INTEGER);\n"
                    "CREATE TABLE AUTHORS (ID INTEGER, NAME VARCHAR(40));\n"
                    "CREATE VIEW CHEAP_BOOKS AS SELECT ID, TITLE FROM BOOKS WHERE PRICE < 10;\n"
                    "INSERT INTO BOOKS VALUES (1, 'Война и мир', 12);\n"
                    "INSERT INTO BOOKS VALUES (2, 'Ёжик', 5);\n"));
    con_.SetConnectionString(testing::FirebirdConnectionString(path_));
  }

  int CountBooks() {
    TADOQuery q(nullptr);
    q.SetConnection(&con_);
    q.SQL().SetText("SELECT COUNT(*) FROM BOOKS");
    q.Open();
    return q.Fields(0).AsInteger();
  }

  QTemporaryDir dir_;
  std::string path_;
  TADOConnection con_{nullptr};
};

TEST_F(FirebirdConnection, OpensTheEmbeddedDatabaseAndReadsTextInCodePage1251) {
  con_.Open();
  ASSERT_TRUE(con_.Connected());
  TADOQuery q(nullptr);
  q.SetConnection(&con_);
  q.SQL().SetText("SELECT ID, TITLE FROM BOOKS ORDER BY ID");
  q.Open();
  EXPECT_EQ(q.FieldByName("title").AsString(), Ansi("Война и мир"));
  q.Next();
  EXPECT_EQ(q.FieldByName("TITLE").AsString(), Ansi("Ёжик"));
  EXPECT_EQ(q.FieldByName("TITLE").AsString(), std::string("\xA8\xE6\xE8\xEA"));
}

TEST_F(FirebirdConnection, StatementsCarryCodePage1251TextToTheServer) {
  TADOQuery q(nullptr);
  q.SetConnection(&con_);  // opened on demand
  q.SQL().SetText(Ansi("UPDATE BOOKS SET TITLE = 'Анна Каренина' WHERE ID = 1"));
  EXPECT_EQ(q.ExecSQL(), 1);
  q.SQL().SetText(Ansi("SELECT ID FROM BOOKS WHERE TITLE = 'Анна Каренина'"));
  q.Open();
  ASSERT_EQ(q.RecordCount(), 1);
  EXPECT_EQ(q.Fields(0).AsInteger(), 1);
}

TEST_F(FirebirdConnection, ListsUserTablesAndViewsAndTheColumnsOfATableInOrder) {
  con_.Open();
  classlib::TStringList tables;
  tables.Add("stale");
  con_.GetTableNames(tables);
  tables.Sort();
  EXPECT_EQ(tables.CommaText(), "AUTHORS,BOOKS,CHEAP_BOOKS");

  con_.GetTableNames(tables, true);
  EXPECT_GE(tables.IndexOf("RDB$RELATIONS"), 0);
  EXPECT_GE(tables.IndexOf("BOOKS"), 0);

  classlib::TStringList fields;
  con_.GetFieldNames("BOOKS", fields);
  EXPECT_EQ(fields.CommaText(), "ID,TITLE,PRICE");
  con_.GetFieldNames("NO_SUCH_TABLE", fields);
  EXPECT_EQ(fields.Count(), 0);
}

TEST_F(FirebirdConnection, FailureToOpenIsAnErrorAndLeavesTheConnectionClosed) {
  con_.SetConnectionString(testing::FirebirdConnectionString(testing::TempPath(dir_, "none.fdb")));
  EXPECT_THROW(con_.Open(), EADOError);
  EXPECT_FALSE(con_.Connected());

  con_.SetConnectionString(testing::FirebirdConnectionString(path_));
  con_.Open();
  EXPECT_TRUE(con_.Connected());
}

TEST_F(FirebirdConnection, ConnectionStringCannotChangeWhileOpen) {
  con_.Open();
  EXPECT_THROW(con_.SetConnectionString("Provider=SQLOLEDB.1"), EADOError);
  con_.Close();
  con_.SetConnectionString("Provider=SQLOLEDB.1");
  EXPECT_EQ(con_.Provider(), "SQLOLEDB.1");
}

TEST_F(FirebirdConnection, ClosingTheConnectionClosesItsQueries) {
  TADOQuery q(nullptr);
  q.SetConnection(&con_);
  q.SQL().SetText("SELECT ID FROM BOOKS");
  q.Open();
  con_.Close();
  EXPECT_FALSE(q.Active());
  q.Open();  // reconnects on demand
  EXPECT_TRUE(con_.Connected());
  EXPECT_EQ(q.RecordCount(), 2);
}

TEST_F(FirebirdConnection, TransactionsCommitAndRollBack) {
  con_.Open();
  EXPECT_FALSE(con_.InTransaction());
  EXPECT_THROW(con_.CommitTrans(), EADOError);

  con_.BeginTrans();
  EXPECT_TRUE(con_.InTransaction());
  con_.Execute("INSERT INTO BOOKS (ID) VALUES (3)");
  con_.RollbackTrans();
  EXPECT_FALSE(con_.InTransaction());
  EXPECT_EQ(CountBooks(), 2);

  con_.BeginTrans();
  con_.Execute("INSERT INTO BOOKS (ID) VALUES (3)");
  con_.CommitTrans();
  EXPECT_EQ(CountBooks(), 3);

  // Closing with a transaction open loses its work.
  con_.BeginTrans();
  con_.Execute("INSERT INTO BOOKS (ID) VALUES (4)");
  con_.Close();
  EXPECT_FALSE(con_.InTransaction());
  EXPECT_EQ(CountBooks(), 3);
}

TEST_F(FirebirdConnection, StatementsOutsideTransactionsCommitByThemselves) {
  con_.Execute("INSERT INTO BOOKS (ID) VALUES (3)");
  con_.Close();
  EXPECT_EQ(CountBooks(), 3);
}

TEST(AdoProviders, UnavailableProvidersAreConnectionErrorsNamingTheProvider) {
  TADOConnection con(nullptr);
  con.SetConnectionString("Provider=MSDAORA.1;User Id=scott;Password=tiger;Data Source=orcl");
  try {
    con.Open();
    FAIL() << "an unknown provider opened";
  } catch (const EADOError& e) {
    EXPECT_NE(e.Message().find("MSDAORA.1"), std::string::npos) << e.Message();
  }
  EXPECT_FALSE(con.Connected());

  con.SetConnectionString("User Id=sa;Data Source=x");  // ADO's default provider
  try {
    con.Open();
    FAIL() << "a connection without provider opened";
  } catch (const EADOError& e) {
    EXPECT_NE(e.Message().find("MSDASQL"), std::string::npos) << e.Message();
  }
}

TEST(AdoProviders, DestroyingTheConnectionFirstLeavesItsComponentsUsable) {
  auto con = std::make_unique<TADOConnection>(nullptr);
  TADOQuery q(nullptr);
  q.SetConnection(con.get());
  con.reset();
  EXPECT_EQ(q.Connection(), nullptr);
  EXPECT_THROW(q.Open(), EADOError);
}

}  // namespace
}  // namespace app
