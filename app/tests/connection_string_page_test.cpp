#include <gtest/gtest.h>

#include "app/run_state.h"
#include "classlib/codepage.h"
#include "window_fixture.h"

namespace app::testing {
namespace {

// What a person types on the first page.
struct PageInput {
  QString kind;
  bool box = false;  // local server / Windows credentials
  QString user, password, server, database;
};

void Fill(TfrmUpdate& window, const PageInput& input) {
  window.cbDBType->setCurrentIndex(window.cbDBType->findText(input.kind));
  window.cbForDB->setChecked(input.box);
  window.eUserName->setText(input.user);
  window.ePassword->setText(input.password);
  if (window.cbServerName->isEditable()) {
    window.cbServerName->setEditText(input.server);
  } else if (!input.server.isEmpty()) {
    window.cbServerName->addItem(input.server);
    window.cbServerName->setCurrentIndex(window.cbServerName->count() - 1);
  }
  window.eForDB->setText(input.database);
}

class ConnectionStringTest : public WindowTest {
 protected:
  std::string Built(const PageInput& input) {
    Fill(window, input);
    return window.BuildConnectionString();
  }
};

TEST_F(ConnectionStringTest, EachKindWritesItsPairsInOrder) {
  EXPECT_EQ(Built({"FIREBIRD", true, "SYSDBA", "masterkey", "", "C:\\base\\x.fdb"}),
            "Provider=LCPI.IBProvider.2;User Id=SYSDBA;Password=masterkey;"
            "Persist Security Info=True;Location=C:\\base\\x.fdb;ctype=WIN1251;"
            "auto_commit=True;unicode_mode=False;unicode_stmt=False");
}

TEST_F(ConnectionStringTest, RemoteFirebirdLocationNamesTheServer) {
  const std::string text = Built({"FIREBIRD", false, "u", "p", "srv", "C:\\base\\x.fdb"});
  EXPECT_NE(text.find(";Location=srv:C:\\base\\x.fdb;"), std::string::npos) << text;
}

TEST_F(ConnectionStringTest, WindowsCredentialsDropTheAccount) {
  EXPECT_EQ(Built({"MSSQL", false, "sa", "pw", "srv", "Lexarium"}),
            "Provider=SQLOLEDB.1;User Id=sa;Password=pw;Persist Security Info=True;"
            "Data Source=srv;Initial Catalog=Lexarium;Use Procedure for Prepare=1;"
            "Auto Translate=True;Packet Size=4096;Use Encryption for Data=False;"
            "Tag with column collation when possible=False");
  window.cbForDB->setChecked(true);
  EXPECT_EQ(window.BuildConnectionString(),
            "Provider=SQLOLEDB.1;Persist Security Info=False;Data Source=srv;"
            "Initial Catalog=Lexarium;Use Procedure for Prepare=1;Auto Translate=True;"
            "Packet Size=4096;Use Encryption for Data=False;"
            "Tag with column collation when possible=False;Integrated Security=SSPI");
  window.cbForDB->setChecked(false);
  window.BuildConnectionString();
  EXPECT_EQ(window.ConnParams.GetValue("Integrated Security"), "");
  EXPECT_EQ(window.ConnParams.GetValue("User Id"), "sa");
}

TEST_F(ConnectionStringTest, AnEmptyPasswordIsNotPersistedAndAddsNoPair) {
  EXPECT_EQ(Built({"ORACLE", false, "scott", "", "", "ORCL"}),
            "Provider=OraOLEDB.Oracle.1;User Id=scott;Persist Security Info=False;"
            "Data Source=ORCL");
  // A pair that exists keeps its place and takes the empty value.
  window.ePassword->setText("x");
  window.BuildConnectionString();
  window.ePassword->clear();
  EXPECT_EQ(window.BuildConnectionString(),
            "Provider=OraOLEDB.Oracle.1;User Id=scott;Persist Security Info=False;"
            "Data Source=ORCL;Password=");
}

TEST_F(ConnectionStringTest, ParsedStringsBuildTheSameBytes) {
  const PageInput inputs[] = {
      {"FIREBIRD", true, "SYSDBA", "masterkey", "", "C:\\base\\x.fdb"},
      {"FIREBIRD", false, "SYSDBA", "masterkey", "srv", "D:\\db\\x.fdb"},
      {"FIREBIRD", false, "SYSDBA", "", "dbhost", "/var/lib/db/x.fdb"},
      {"MSSQL", false, "sa", "secret", "srv\\SQLEXPRESS", "Lexarium"},
      {"MSSQL", true, "", "", "srv", "Lexarium"},
      {"ORACLE", false, "scott", "tiger", "", "ORCL"},
      {"ORACLE", false, QStringLiteral("Пользователь"), QStringLiteral("пароль"), "", "XE"},
  };
  for (const PageInput& input : inputs) {
    TfrmUpdate first;
    Fill(first, input);
    const std::string text = first.BuildConnectionString();

    TfrmUpdate second;
    second.cbDBType->setCurrentIndex(second.cbDBType->findText(input.kind));
    second.ParseConnectionString(text);
    EXPECT_EQ(second.BuildConnectionString(), text);
    EXPECT_EQ(second.cbForDB->isChecked(), first.cbForDB->isChecked()) << text;
    EXPECT_EQ(second.eUserName->text(), first.eUserName->text()) << text;
    EXPECT_EQ(second.ePassword->text(), first.ePassword->text()) << text;
    EXPECT_EQ(second.cbServerName->currentText(), first.cbServerName->currentText()) << text;
    EXPECT_EQ(second.eForDB->text(), first.eForDB->text()) << text;
  }
}

TEST_F(ConnectionStringTest, APasswordWithSeparatorsAddsNoPairs) {
  const std::string text = Built({"FIREBIRD", true, "SYSDBA", "a;Location=/etc/x;b=\"c", "",
                                  "/data/x.fdb"});
  TfrmUpdate second;
  second.cbDBType->setCurrentIndex(0);
  second.ParseConnectionString(text);
  EXPECT_EQ(second.ePassword->text(), QStringLiteral("a;Location=/etc/x;b=\"c"));
  EXPECT_EQ(second.eForDB->text(), QStringLiteral("/data/x.fdb"));
  EXPECT_EQ(second.ConnParams.Count(), window.ConnParams.Count());
  EXPECT_EQ(second.BuildConnectionString(), text);
}

TEST_F(ConnectionStringTest, FirebirdLocationsTellLocalFromRemote) {
  Choose("FIREBIRD");
  window.ParseConnectionString("Location=srv:D:\\db.fdb");
  EXPECT_FALSE(window.cbForDB->isChecked());
  EXPECT_EQ(window.cbServerName->currentText(), QStringLiteral("srv"));
  EXPECT_EQ(window.eForDB->text(), QStringLiteral("D:\\db.fdb"));

  window.ParseConnectionString("Location=D:\\db.fdb");
  EXPECT_TRUE(window.cbForDB->isChecked());
  EXPECT_EQ(window.cbServerName->currentIndex(), -1);
  EXPECT_EQ(window.eForDB->text(), QStringLiteral("D:\\db.fdb"));
  // A drive letter is no server: the list did not get one.
  EXPECT_EQ(window.cbServerName->findText("D"), -1);

  window.ParseConnectionString("Location=dbhost:/var/lib/x.fdb");
  EXPECT_FALSE(window.cbForDB->isChecked());
  EXPECT_EQ(window.cbServerName->currentText(), QStringLiteral("dbhost"));
  EXPECT_EQ(window.eForDB->text(), QStringLiteral("/var/lib/x.fdb"));

  window.ParseConnectionString("Location=/tmp/a:b.fdb");
  EXPECT_TRUE(window.cbForDB->isChecked());
  EXPECT_EQ(window.eForDB->text(), QStringLiteral("/tmp/a:b.fdb"));

  // Server names match in any letter case; a known one is not added twice.
  window.ParseConnectionString("Location=SRV:E:\\y.fdb");
  EXPECT_EQ(window.cbServerName->currentText(), QStringLiteral("srv"));
  EXPECT_EQ(window.cbServerName->count(), 2);
}

TEST_F(ConnectionStringTest, MssqlWithIntegratedSecurityKeepsTheAccountFieldsAsTheyWere) {
  Choose("MSSQL");
  window.eUserName->setText("before");
  window.ParseConnectionString(
      "Provider=SQLOLEDB.1;Integrated Security=SSPI;Data Source=srv;Initial Catalog=db;User "
      "Id=ignored");
  EXPECT_TRUE(window.cbForDB->isChecked());
  EXPECT_EQ(window.eUserName->text(), QStringLiteral("before"));
  EXPECT_EQ(window.cbServerName->currentText(), QStringLiteral("srv"));
  EXPECT_EQ(window.eForDB->text(), QStringLiteral("db"));
}

}  // namespace
}  // namespace app::testing
