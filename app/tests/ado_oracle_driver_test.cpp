// "OraOLEDB.Oracle.1" through the Qt driver over the Oracle layer, on the
// stand-in client library's scripted engine: the account and service the
// connection string names reach the server, rows come back typed, and the
// server's own error texts reach the ADO layer.
#include <gtest/gtest.h>

#include <QDateTime>
#include <string>
#include <vector>
#include <gmock/gmock.h>

#include "app/ado_command.h"
#include "app/ado_connection.h"
#include "app/ado_field.h"
#include "app/ado_query.h"
#include "app/tests/oracle_standin.h"
#include "app/tests/product_environment.h"
#include "classlib/codepage.h"

namespace app::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

const char kAccount[] = "Provider=OraOLEDB.Oracle.1;User Id=scott;Password=tiger;Data Source=orcl";

class OracleProviderTest : public ::testing::Test {
 protected:
  OracleProviderTest() {
    OracleStandin::WriteHomeToRegistry();
    standin_.AddAccount("scott", "tiger");
  }
  void Open(const std::string& connection_string = kAccount) {
    con_.SetConnectionString(connection_string);
    con_.Open();
  }

  ProductEnvironment product_;  // the registry the layer reads the home from
  OracleStandin standin_;
  TADOConnection con_{nullptr};
};

TEST_F(OracleProviderTest, TheAccountAndServiceOfTheStringReachTheServer) {
  Open();
  EXPECT_TRUE(con_.Connected());
  EXPECT_THAT(standin_.LogOf("OCIServerAttach"), ElementsAre("OCIServerAttach link=orcl mode=0"));
  ASSERT_EQ(standin_.LogOf("OCISessionBegin").size(), 1u);
  EXPECT_THAT(standin_.LogOf("OCISessionBegin")[0], HasSubstr("user=scott"));

  con_.Close();
  EXPECT_FALSE(con_.Connected());
  EXPECT_EQ(standin_.LogOf("OCISessionEnd").size(), 1u) << "closing ends the server session";
}

TEST_F(OracleProviderTest, AWrongPasswordIsTheServersRefusal) {
  try {
    Open("Provider=OraOLEDB.Oracle.1;User Id=scott;Password=lion;Data Source=orcl");
    FAIL() << "a wrong password connected";
  } catch (const EADOError& e) {
    // The refusal is said in Russian first, then in the server's words.
    EXPECT_EQ(e.Message().rfind(classlib::Utf8ToCp1251("Сервер не принял имя пользователя или "
                                                       "пароль."), 0),
              0u)
        << e.Message();
    EXPECT_NE(e.Message().find("\r\nORA-01017: invalid username/password; logon denied"),
              std::string::npos)
        << e.Message();
  }
  EXPECT_FALSE(con_.Connected());
  EXPECT_TRUE(standin_.LogOf("OCIStmtExecute").empty());
}

TEST_F(OracleProviderTest, ARowSetIsReadWholeWithItsTypes) {
  const std::string sql = "SELECT GUID, USERNAME, N, PRICE, STAMP, RAWKEY FROM LOGON_USER";
  standin_.ScriptQuery(sql,
                       "GUID VARCHAR2(38); USERNAME VARCHAR2(40); N NUMBER(9); PRICE NUMBER(10,2); "
                       "STAMP DATE; RAWKEY RAW(2)",
                       "{1}|" + classlib::Utf8ToCp1251("Администратор") +
                           "|7|12.5|2024-03-01 10:20:30|0AFF\n{2}|guest|<null>|<null>|<null>|<null>");
  Open();
  standin_.ClearLog();
  TADOQuery query(nullptr);
  query.SetConnection(&con_);
  query.SQL().SetText(sql);
  query.Open();
  const std::vector<std::string> calls = standin_.Log();

  ASSERT_EQ(query.FieldCount(), 6);
  EXPECT_EQ(query.Fields(1).FieldName(), "USERNAME");
  EXPECT_EQ(query.Fields(1).AsString(), classlib::Utf8ToCp1251("Администратор"));
  EXPECT_EQ(query.Fields(2).AsInteger(), 7);
  EXPECT_DOUBLE_EQ(query.Fields(3).Value().toDouble(), 12.5);
  EXPECT_EQ(query.Fields(4).Value().toDateTime(),
            QDateTime(QDate(2024, 3, 1), QTime(10, 20, 30)));
  EXPECT_TRUE(query.Fields(5).IsBlob());
  EXPECT_EQ(query.Fields(5).AsString(), std::string("\x0a\xff", 2));
  query.Next();
  EXPECT_EQ(query.Fields(0).AsString(), "{2}");
  EXPECT_TRUE(query.Fields(2).IsNull());
  EXPECT_TRUE(query.Fields(4).IsNull());
  query.Next();
  EXPECT_TRUE(query.Eof());
  // One statement, executed once: the rows were read before the ADO data
  // set walked them.
  EXPECT_EQ(standin_.Log(), calls);
  EXPECT_THAT(standin_.LogOf("OCIStmtExecute"),
              ElementsAre("OCIStmtExecute iters=0 offset=0 mode=16", "OCIStmtExecute iters=0 offset=0 mode=0"))
      << "a describe, then one execute";
  EXPECT_THAT(standin_.LogOf("OCIStmtFetch"), ElementsAre("OCIStmtFetch rows=25 orient=2"));
  EXPECT_THAT(standin_.LogOf("OCIHandleFree"), ElementsAre("OCIHandleFree type=4"))
      << "the statement is let go once its rows are read";
}

TEST_F(OracleProviderTest, StatementsCommitByThemselvesAndServerErrorsKeepTheirText) {
  standin_.ScriptStatement("UPDATE LOGON_USER SET ROLES = 1", "rows=3");
  standin_.ScriptStatement("DELETE FROM NOWHERE",
                           "error=942 text=ORA-00942: table or view does not exist");
  Open();
  EXPECT_EQ(con_.Execute("UPDATE LOGON_USER SET ROLES = 1"), 3);
  EXPECT_EQ(standin_.CommittedWork(), 1);
  try {
    con_.Execute("DELETE FROM NOWHERE");
    FAIL() << "the statement ran";
  } catch (const EADOError& e) {
    EXPECT_EQ(e.Message(), "ORA-00942: table or view does not exist");
  }
  EXPECT_TRUE(con_.Connected()) << "a failed statement leaves the session open";
}

TEST_F(OracleProviderTest, AnExplicitTransactionHoldsItsWorkUntilCommitted) {
  standin_.ScriptStatement("UPDATE LOGON_USER SET ROLES = 1", "rows=1");
  Open();
  con_.BeginTrans();
  con_.Execute("UPDATE LOGON_USER SET ROLES = 1");
  EXPECT_EQ(standin_.CommittedWork(), 0);
  con_.CommitTrans();
  EXPECT_EQ(standin_.CommittedWork(), 1);
}

}  // namespace
}  // namespace app::testing
