// The second page on databases that do not deliver what the login reads:
// a row the server fails to deliver in the middle of the user list (on
// Firebird and on SQL Server's stand-in fetching row by row), a database
// without the product's tables, and one without its version table.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlError>
#include <QTabWidget>
#include <QTest>

#include "ado_fixtures.h"
#include "app/admin_login.h"
#include "app/ado_connection.h"
#include "app/tests/oracle_standin.h"
#include "product_environment.h"
#include "window_fixture.h"

namespace app::testing {
namespace {

// The users query on Firebird and elsewhere, as the page runs it.
const QString kFirebirdUsersQuery = QString::fromStdString(UsersQuery(true));
const QString kPlainUsersQuery = QString::fromStdString(app::kUsersQuery);

class LoginPageDatabaseTest : public WindowTest {
 protected:
  LoginPageDatabaseTest() {
    ProductInstallation installation;
    installation.lexarium_dir = product.File("lx");
    WriteProductRegistry(installation);
    product.WriteDescription(FullUpdateDescription("3.0;3.1", "3.2"));
  }

  // The first page's check of a Firebird file, which shows the second page.
  void CheckFirebird(const std::string& path) {
    Choose("FIREBIRD");
    QTest::keyClicks(window.eUserName, "SYSDBA");
    QTest::keyClicks(window.ePassword, QString::fromStdString(kFixtureSysdbaPassword));
    window.eForDB->setText(QString::fromStdString(path));
    window.btnCheckConnection->click();
  }
  void CheckSqlServer(const std::string& path) {
    Choose("MSSQL");
    QTest::keyClicks(window.eUserName, "sa");
    QTest::keyClicks(window.ePassword, "secret");
    window.cbServerName->setEditText("localhost");
    window.eForDB->setText(QString::fromStdString(path));
    window.btnCheckConnection->click();
  }
  void LogIn(const QString& user, const QString& password) {
    window.ComboBoxUser->setCurrentIndex(window.ComboBoxUser->findText(user));
    window.LabeledEditParol->setText(password);
    window.ButtonOK->click();
  }
  QStringList Users() const {
    QStringList items;
    for (int i = 0; i < window.ComboBoxUser->count(); ++i) items << window.ComboBoxUser->itemText(i);
    return items;
  }
  QStringList BoxLines(std::size_t index = 0) const {
    if (boxes.shown.size() <= index) return {};
    return boxes.shown[index].text.split(QStringLiteral("\r\n"));
  }

  // The standard product on Firebird whose LOGON_USER is a view over the
  // same rows; its third row (Ivanov) divides by zero when fetched.
  std::string FirebirdWithFailingThirdUser() {
    const std::string path = product.File("failing_user.fdb");
    CreateFirebirdProductDatabase(path, ProductDatabase::Standard({"3.0.0", "3.1"}));
    TADOConnection admin(nullptr);
    admin.SetConnectionString(FirebirdConnectionString(path));
    admin.Open();
    admin.Execute("CREATE TABLE LOGON_USER_DATA (GUID VARCHAR(38) NOT NULL, USERNAME VARCHAR(64), "
                  "PAROL VARCHAR(400), USERNAMESQL VARCHAR(400), PASSWORDSQL VARCHAR(400), "
                  "ROLES VARCHAR(64), DEFGROUPGUID VARCHAR(38))");
    admin.Execute("INSERT INTO LOGON_USER_DATA SELECT * FROM LOGON_USER");
    admin.Execute("DROP TABLE LOGON_USER");
    admin.Execute(
        "CREATE VIEW LOGON_USER (GUID, USERNAME, PAROL, USERNAMESQL, PASSWORDSQL, ROLES, "
        "DEFGROUPGUID) AS SELECT GUID, USERNAME, PAROL, USERNAMESQL, PASSWORDSQL, "
        "CAST(1 / IIF(USERNAME = 'Ivanov', 0, 1) AS VARCHAR(64)), DEFGROUPGUID FROM "
        "LOGON_USER_DATA");
    return path;
  }

  // The same on the SQL Server stand-in: SQLite's abs() of the smallest
  // integer is an overflow error, raised when the row is stepped to.
  std::string SqlServerWithFailingUser(const char* failing_user) {
    const std::string path = product.File("failing_user.sqlite");
    CreateSqliteProductDatabase(path, ProductDatabase::Standard({"3.0.0", "3.1"}));
    CreateSqliteDatabase(
        path, {"ALTER TABLE LOGON_USER RENAME TO LOGON_USER_DATA",
               QStringLiteral("CREATE VIEW LOGON_USER AS SELECT GUID, USERNAME, PAROL, "
                              "USERNAMESQL, PASSWORDSQL, CASE WHEN USERNAME = '%1' THEN "
                              "abs(-9223372036854775807 - 1) ELSE ROLES END AS ROLES, "
                              "DEFGROUPGUID FROM LOGON_USER_DATA")
                   .arg(failing_user)});
    return path;
  }

  ProductEnvironment product;
};

// The rows before the failing one are not shown as if they were all: the
// list stays empty and the box gives the statement and the server's error.
TEST_F(LoginPageDatabaseTest, AUserRowFirebirdFailsToDeliverIsShownAsTheServersError) {
  CheckFirebird(FirebirdWithFailingThirdUser());
  EXPECT_EQ(window.pcMain->currentIndex(), 1);
  const QStringList lines = BoxLines();
  ASSERT_EQ(boxes.shown.size(), 1u) << Users().join('|').toStdString();
  EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Ошибка"));
  EXPECT_EQ(lines.value(0), kFirebirdUsersQuery);
  EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("divide by zero")))
      << boxes.shown[0].text.toStdString();
  EXPECT_TRUE(Users().isEmpty()) << Users().join('|').toStdString();
}

class SqlServerLoginPageDatabaseTest : public LoginPageDatabaseTest {
 protected:
  SqliteAsSqlServer driver_;
  // The SQLite ODBC driver steps through the rows as SQLFetch asks for
  // them, as a SQL Server driver does, instead of reading them all at once.
  ScopedEnv row_by_row_{kMssqlOdbcOptionsVariable, "StepAPI=1"};
};

TEST_F(SqlServerLoginPageDatabaseTest, AUserRowTheServerFailsToDeliverIsShownAsItsError) {
  // The third row fails: the two before it are not a list of all users.
  CheckSqlServer(SqlServerWithFailingUser("Ivanov"));
  EXPECT_EQ(window.pcMain->currentIndex(), 1);
  ASSERT_EQ(boxes.shown.size(), 1u) << Users().join('|').toStdString();
  const QStringList lines = BoxLines();
  EXPECT_EQ(lines.value(0), kPlainUsersQuery);
  EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("integer overflow")))
      << boxes.shown[0].text.toStdString();
  EXPECT_TRUE(Users().isEmpty()) << Users().join('|').toStdString();
}

TEST_F(SqlServerLoginPageDatabaseTest, AFirstUserRowTheServerFailsToDeliverIsNoEmptyList) {
  CheckSqlServer(SqlServerWithFailingUser("admin"));
  ASSERT_EQ(boxes.shown.size(), 1u) << "an empty list without a word";
  EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("integer overflow")))
      << boxes.shown[0].text.toStdString();
}

// A Firebird file of something else: the box says that it is no product
// database and which table it lacks, then the server's words; no SELECT.
TEST_F(LoginPageDatabaseTest, AFirebirdFileWithoutTheProductsTablesIsSaidToBeNone) {
  const std::string path = product.File("other.fdb");
  CreateFirebirdDatabase(path, "CREATE TABLE BOOKS (ID INTEGER);");
  CheckFirebird(path);
  ASSERT_EQ(boxes.shown.size(), 1u);
  const QStringList lines = BoxLines();
  EXPECT_EQ(lines.value(0), QStringLiteral("Выбранная база данных не является базой данных "
                                           "продукта: в ней нет таблицы LOGON_USER."));
  EXPECT_FALSE(boxes.shown[0].text.contains(QStringLiteral("SELECT")))
      << boxes.shown[0].text.toStdString();
  EXPECT_TRUE(lines.value(1).contains(QStringLiteral("Table unknown - LOGON_USER")))
      << lines.join('|').toStdString();
  EXPECT_TRUE(Users().isEmpty());
}

// A product database whose group tables are missing: choosing a user says
// so instead of the server's English alone.
TEST_F(LoginPageDatabaseTest, AMissingGroupTableIsNamedWhenAUserIsChosen) {
  const std::string path = product.File("no_links.fdb");
  CreateFirebirdProductDatabase(path, ProductDatabase::Standard({"3.1"}));
  {
    TADOConnection admin(nullptr);
    admin.SetConnectionString(FirebirdConnectionString(path));
    admin.Open();
    admin.Execute("DROP TABLE LOGON_LINK");
  }
  CheckFirebird(path);
  ASSERT_TRUE(boxes.shown.empty()) << boxes.shown[0].text.toStdString();
  window.ComboBoxUser->setCurrentIndex(window.ComboBoxUser->findText("admin"));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(BoxLines().value(0), QStringLiteral("Выбранная база данных не является базой данных "
                                                "продукта: в ней нет таблицы LOGON_LINK."));
}

// No version table: the release that decides the stored forms is unknown,
// yet the right password of an administrator is taken as right, and his
// stored account read in the form his password has.
TEST_F(LoginPageDatabaseTest, WithoutAVersionTableARightPasswordIsNotCalledWrong) {
  const std::string path = product.File("no_version.fdb");
  CreateFirebirdProductDatabase(path, ProductDatabase::Standard({"3.1"}));  // enciphered forms
  {
    TADOConnection admin(nullptr);
    admin.SetConnectionString(FirebirdConnectionString(path));
    admin.Open();
    admin.Execute("DROP TABLE BO_VERSION");
  }
  CheckFirebird(path);
  ASSERT_TRUE(boxes.shown.empty()) << boxes.shown[0].text.toStdString();
  LogIn("Ivan", "wrong");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Введен неверный пароль"));

  LogIn("admin", "secret");
  ASSERT_EQ(boxes.shown.size(), 1u) << boxes.shown.back().text.toStdString();
  EXPECT_EQ(window.pcMain->currentIndex(), 2);
  EXPECT_EQ(SqlUserName, "SYSDBA");
  EXPECT_EQ(SqlPassword, kFixtureSysdbaPassword);
  EXPECT_EQ(window.lInfo->text(),
            QStringLiteral("Версия базы данных не определена, в базе данных нет таблицы BO_VERSION"));
}

// An Oracle schema of something else (the stand-in answers ORA-00942 to
// every query not scripted).
TEST_F(LoginPageDatabaseTest, AnOracleSchemaWithoutTheProductsTablesIsSaidToBeNone) {
  OracleStandin::WriteHomeToRegistry();
  OracleStandin standin;
  standin.AddAccount("LEXADMIN", "secret");
  Choose("ORACLE");
  QTest::keyClicks(window.eUserName, "lexadmin");
  QTest::keyClicks(window.ePassword, "secret");
  window.eForDB->setText("ORCL");
  window.btnCheckConnection->click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  const QStringList lines = BoxLines();
  EXPECT_EQ(lines.value(0), QStringLiteral("Выбранная база данных не является базой данных "
                                           "продукта: в ней нет таблицы LOGON_USER."));
  EXPECT_TRUE(lines.value(1).startsWith(QStringLiteral("ORA-00942"))) << lines.join('|').toStdString();
  EXPECT_TRUE(Users().isEmpty());
}

}  // namespace
}  // namespace app::testing
