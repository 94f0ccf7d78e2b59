#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/ado_connection.h"
#include "app/ado_query.h"
#include "app/ado_statement.h"
#include "app/tests/ado_fixtures.h"

namespace app {
namespace {

TValList Pairs(const std::string& text) {
  TValList pairs;
  pairs.SetText(text);
  return pairs;
}

TEST(AdoConnectionString, PasswordsWithSemicolonsAndEqualsStayOneValue) {
  for (const std::string password : {"a;b", "x;Provider=OraOLEDB.Oracle.1", "=;=", "\"q\";", "p=w"}) {
    const std::string text = testing::SqlServerConnectionString("db", password);
    const TValList pairs = Pairs(text);
    EXPECT_EQ(pairs.GetValue("Password"), password) << text;
    EXPECT_EQ(ConnectionValue(pairs, "Provider"), "SQLOLEDB.1") << text;
    EXPECT_EQ(pairs.Count(), 6u) << text;
  }
}

TEST(AdoConnectionString, OdbcValuesAreBracedWhenTheyCouldSplitThePair) {
  EXPECT_EQ(OdbcValue("plain"), "plain");
  EXPECT_EQ(OdbcValue("a;UID=x"), "{a;UID=x}");
  EXPECT_EQ(OdbcValue("a}b"), "{a}}b}");
  EXPECT_EQ(OdbcValue(" lead"), "{ lead}");

  const TValList pairs = Pairs(testing::SqlServerConnectionString("cat", "p;w}d"));
  EXPECT_EQ(MssqlOdbcConnectionString(pairs, "FreeTDS"),
            "Driver=FreeTDS;Server=localhost;Database=cat;UID=sa;PWD={p;w}}d}");
  EXPECT_EQ(MssqlOdbcConnectionString(
                Pairs("Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;"
                      "Data Source=srv;Initial Catalog=lx"),
                "FreeTDS"),
            "Driver=FreeTDS;Server=srv;Database=lx;Trusted_Connection=Yes");
}

TEST(AdoConnectionString, OdbcDriverComesFromTheEnvironment) {
  unsetenv(kMssqlOdbcDriverVariable);
  EXPECT_EQ(MssqlOdbcDriver(), "FreeTDS");
  setenv(kMssqlOdbcDriverVariable, "ODBC Driver 18 for SQL Server", 1);
  EXPECT_EQ(MssqlOdbcDriver(), "ODBC Driver 18 for SQL Server");
  unsetenv(kMssqlOdbcDriverVariable);
}

TEST(AdoConnectionString, FirebirdLocationNamesAServerOrALocalFile) {
  struct Case {
    const char* location;
    const char* host;
    const char* database;
  };
  for (const Case& c : {Case{"srv:C:\\base\\x.fdb", "srv", "C:\\base\\x.fdb"},
                        Case{"localhost:/var/db/x.fdb", "localhost", "/var/db/x.fdb"},
                        Case{"\\tmp\\x.fdb", "", "/tmp/x.fdb"},
                        Case{"/tmp/x.fdb", "", "/tmp/x.fdb"}}) {
    TValList pairs = Pairs("Provider=LCPI.IBProvider.2;User Id=SYSDBA;Password=m");
    pairs.SetValue("Location", c.location);
    {
      QSqlDatabase db = AddProviderDatabase(pairs, "location-test");
      EXPECT_EQ(db.driverName(), "QIBASE");
      EXPECT_EQ(db.hostName().toStdString(), c.host) << c.location;
      EXPECT_EQ(db.databaseName().toStdString(), c.database) << c.location;
      EXPECT_EQ(db.connectOptions(), "ISC_DPB_LC_CTYPE=WIN1251");
    }
    QSqlDatabase::removeDatabase("location-test");
  }
}

// A password that looks like more pairs must not change the connection: the
// pairs are read back as they were written.
TEST(AdoConnectionString, PasswordsCannotAddPairsOfTheirOwn) {
  testing::SqliteAsSqlServer driver;
  QTemporaryDir dir;
  const std::string path = testing::TempPath(dir, "right.db");
  testing::CreateSqliteDatabase(path, {"CREATE TABLE MARK (V INTEGER)", "INSERT INTO MARK VALUES (7)"});

  TADOConnection con(nullptr);
  con.SetConnectionString(
      testing::SqlServerConnectionString(path, "pw;Provider=OraOLEDB.Oracle.1;x=\"y"));
  TADOQuery q(nullptr);
  q.SetConnection(&con);
  q.SQL().SetText("SELECT V FROM MARK");
  q.Open();
  EXPECT_EQ(q.Fields(0).AsInteger(), 7);
}

TEST(AdoStatement, FindsTheSingleBaseTableOfASelect) {
  EXPECT_EQ(SingleBaseTable("SELECT K, B FROM T WHERE K IS NOT NULL"), "T");
  EXPECT_EQ(SingleBaseTable("select k from dbo.[My Table] t order by k"), "dbo.[My Table]");
  EXPECT_EQ(SingleBaseTable("SELECT * FROM \"Books\" AS b"), "\"Books\"");
  EXPECT_EQ(SingleBaseTable("SELECT (SELECT MAX(X) FROM Y), A FROM T\r\n"), "T");
  EXPECT_EQ(SingleBaseTable("SELECT 'FROM X' FROM T"), "T");
  EXPECT_EQ(SingleBaseTable("SELECT * FROM A, B"), "");
  EXPECT_EQ(SingleBaseTable("SELECT * FROM A JOIN B ON A.X = B.X"), "");
  EXPECT_EQ(SingleBaseTable("SELECT * FROM A LEFT JOIN B ON A.X = B.X"), "");
  EXPECT_EQ(SingleBaseTable("SELECT * FROM (SELECT * FROM A) T"), "");
  EXPECT_EQ(SingleBaseTable("SELECT 1"), "");
}

}  // namespace
}  // namespace app
