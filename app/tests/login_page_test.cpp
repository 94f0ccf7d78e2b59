// Logging in through the second page against a product database on the
// embedded Firebird engine.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QTabBar>
#include <QTest>

#include "ado_fixtures.h"

#include "app/admin_login.h"
#include "app/ado_connection.h"
#include "app/ado_query.h"
#include "app/connection_backup.h"
#include "app/login_page.h"
#include "app/reg.h"
#include "fib/statements/fib_database.h"
#include "product_environment.h"
#include "window_fixture.h"

namespace app::testing {
namespace {

const std::string kOldConnection = "Provider=LCPI.IBProvider.2;Location=/old/product.fdb";

class LoginPageTest : public WindowTest {
 protected:
  LoginPageTest() {
    ProductInstallation installation;
    installation.lexarium_dir = product.File("lx");
    installation.connection_string = kOldConnection;
    installation.server_type = "MSSQL";
    WriteProductRegistry(installation);
    product.WriteDescription(FullUpdateDescription("3.0;3.1;2.9.9", "3.2"));
  }

  // The first page's connection check, which shows the second page.
  void ConnectTo(const std::string& path) {
    Choose("FIREBIRD");
    QTest::keyClicks(window.eUserName, "SYSDBA");
    QTest::keyClicks(window.ePassword, QString::fromStdString(kFixtureSysdbaPassword));
    window.eForDB->setText(QString::fromStdString(path));
    window.btnCheckConnection->click();
    ASSERT_TRUE(boxes.shown.empty()) << boxes.shown[0].text.toStdString();
    ASSERT_EQ(window.pcMain->currentIndex(), 1);
  }
  // The group stays the default one unless `group` is given.
  void LogIn(const QString& user, const QString& password, const QString& group = {}) {
    window.ComboBoxUser->setCurrentIndex(window.ComboBoxUser->findText(user));
    if (!group.isEmpty())
      window.ComboBoxGroup->setCurrentIndex(window.ComboBoxGroup->findText(group));
    window.LabeledEditParol->setText(password);
    window.ButtonOK->click();
  }
  QStringList Items(QComboBox* box) const {
    QStringList items;
    for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
    return items;
  }
  std::string RegistryConnectionString() const {
    std::string value;
    ReadRegBinary(platform::HKEY_LOCAL_MACHINE, kConnectionKey, kConnectionStringValue, value);
    return value;
  }
  std::string RegistryServerType() const {
    std::string value;
    ReadRegString(platform::HKEY_LOCAL_MACHINE, kConnectionKey, kServerTypeValue, value);
    return value;
  }
  TLoginPage& page() { return *window.LoginPage; }

  ProductEnvironment product;
};

TEST_F(LoginPageTest, TheUsersAreListedAndTheDefaultGroupIsChosen) {
  ConnectTo(ProductEnvironment::FirebirdDatabase({"3.0.0", "3.1"}));
  EXPECT_EQ(Items(window.ComboBoxUser), QStringList({"admin", "Ivan", "Ivanov"}));
  EXPECT_EQ(window.ComboBoxUser->currentIndex(), -1);

  window.ComboBoxUser->setCurrentIndex(window.ComboBoxUser->findText("admin"));
  EXPECT_EQ(Items(window.ComboBoxGroup), QStringList({"Администраторы", "Операторы"}));
  EXPECT_EQ(window.ComboBoxGroup->currentText(), QStringLiteral("Администраторы"));

  // "Ivan" is found whole, not as the beginning of "Ivanov", who has no
  // default group.
  window.ComboBoxUser->setCurrentIndex(window.ComboBoxUser->findText("Ivan"));
  EXPECT_EQ(page().dsUsers->FieldByName("GUID").AsString(), "{U-IVAN}");
  EXPECT_EQ(Items(window.ComboBoxGroup), QStringList({"Операторы"}));
  window.ComboBoxUser->setCurrentIndex(window.ComboBoxUser->findText("Ivanov"));
  EXPECT_EQ(window.ComboBoxGroup->currentIndex(), -1);
  EXPECT_EQ(Items(window.ComboBoxGroup), QStringList({"Администраторы", "Гости"}));
}

TEST_F(LoginPageTest, AnAdministratorReachesTheUpdatePageWithTheApplicablePartsChecked) {
  const std::string path = ProductEnvironment::FirebirdDatabase({"3.0.0", "3.1"});
  ConnectTo(path);
  LogIn("admin", "secret");

  ASSERT_TRUE(boxes.shown.empty()) << boxes.shown[0].text.toStdString();
  EXPECT_EQ(window.pcMain->currentIndex(), 2);
  EXPECT_TRUE(UpdateTabShown());
  EXPECT_TRUE(page().IsAdmin);
  EXPECT_EQ(LoginUserName, "admin");
  EXPECT_EQ(LoginPassword, "secret");
  EXPECT_EQ(LoginGroup, classlib::Utf8ToCp1251("Администраторы"));
  EXPECT_EQ(SqlUserName, "SYSDBA");
  EXPECT_EQ(SqlPassword, kFixtureSysdbaPassword);
  EXPECT_EQ(CurrentDBVersion, "3.1");
  EXPECT_EQ(NextVersionId, 3);
  EXPECT_TRUE(window.zodDB->Connected());
  EXPECT_EQ(window.zodDB->DBName(), path);

  EXPECT_TRUE(window.cbUpdateDB->isEnabled());
  EXPECT_TRUE(window.cbUpdateDB->isChecked());
  EXPECT_TRUE(window.cbUpdateXML->isChecked());
  EXPECT_FALSE(window.cbUpdateConf->isEnabled());
  EXPECT_TRUE(window.bbExecute->isEnabled());

  // Any change on the page hides the third page again.
  window.LabeledEditParol->setText("secret2");
  EXPECT_FALSE(UpdateTabShown());
}

// The release is read over the native connection with the stored account:
// when it cannot be read, the third page says why in the server's lines
// that name the cause, and the caption says the release is unknown in words
// of its own. The stored account here was granted nothing.
TEST_F(LoginPageTest, AReleaseTheStoredAccountMayNotReadSaysWhyOnTheUpdatePage) {
  ProductDatabase content = ProductDatabase::Standard({"3.1"});
  content.users[0].sql_user = "LEXUSER";
  const std::string path = product.File("rights.fdb");
  CreateFirebirdProductDatabase(path, content);
  ConnectTo(path);
  LogIn("admin", "secret");
  ASSERT_EQ(window.pcMain->currentIndex(), 2);
  EXPECT_EQ(window.lInfo->text().toStdString(),
            "Версия базы данных не определена, ошибка чтения таблицы BO_VERSION: No permission "
            "for SELECT access to TABLE BO_VERSION.");
  EXPECT_EQ(window.cbUpdateDB->text(),
            QStringLiteral("Обновление базы данных (версия базы данных не определена, обновление "
                           "невозможно)"));
  EXPECT_FALSE(window.cbUpdateDB->isEnabled());
}

// A version table without the column the query names: the unknown column
// and its name, not the "Dynamic SQL Error" every such error begins with.
TEST_F(LoginPageTest, AVersionTableWithoutItsIdColumnNamesTheUnknownColumn) {
  const std::string path = product.File("no_id.fdb");
  CreateFirebirdProductDatabase(path, ProductDatabase::Standard({"3.1"}));
  {
    TADOConnection admin(nullptr);
    admin.SetConnectionString("Provider=LCPI.IBProvider.2;User Id=SYSDBA;Password=" +
                              kFixtureSysdbaPassword + ";Location=" + path);
    admin.Open();
    admin.Execute("ALTER TABLE BO_VERSION DROP ID");
  }
  ConnectTo(path);
  LogIn("admin", "secret");
  ASSERT_EQ(window.pcMain->currentIndex(), 2);
  EXPECT_EQ(window.lInfo->text().toStdString(),
            "Версия базы данных не определена, ошибка чтения таблицы BO_VERSION: Column unknown. "
            "BV1.ID.");
}

// On a Firebird server the stored account is checked: one the server
// refuses is said in Russian with whom to ask, then in the server's words.
TEST_F(LoginPageTest, AStoredAccountTheFirebirdServerRefusesIsSaidOnTheUpdatePage) {
  if (!LocalFirebirdServerAnswers()) GTEST_SKIP() << kNoFirebirdServer;
  ProductDatabase content = ProductDatabase::Standard({"3.1"});
  content.users[0].sql_password = "not the password";
  const std::string path = product.File("refused.fdb");
  CreateFirebirdProductDatabase(path, content);
  Choose("FIREBIRD");
  window.cbForDB->setChecked(false);
  window.cbServerName->addItem(QStringLiteral("localhost"));
  window.cbServerName->setCurrentIndex(window.cbServerName->count() - 1);
  ConnectTo(path);
  LogIn("admin", "secret");
  ASSERT_EQ(window.pcMain->currentIndex(), 2);
  EXPECT_EQ(window.lInfo->text().toStdString(),
            "Версия базы данных не определена, нет соединения с базой данных: Сервер не принял "
            "имя пользователя или пароль базы данных, сохраненные для пользователя продукта. "
            "Обратитесь к администратору. Your user name and password are not defined. Ask your "
            "database administrator to set up a Firebird login.");
}

TEST_F(LoginPageTest, TheRegistryHoldsTheEncipheredConnectionUntilTheWindowCloses) {
  const std::string before = RegistryConnectionString();
  ConnectTo(ProductEnvironment::FirebirdDatabase({"3.0.0", "3.1"}));
  LogIn("admin", "secret");
  ASSERT_EQ(window.pcMain->currentIndex(), 2);

  const std::string stored = RegistryConnectionString();
  EXPECT_EQ(stored.size(), ProductConnectionString.size());
  EXPECT_NE(stored, ProductConnectionString);
  EXPECT_EQ(DecipheredConnectionString(stored), ProductConnectionString);
  EXPECT_NE(ProductConnectionString.find("User Id=SYSDBA"), std::string::npos);
  EXPECT_EQ(RegistryServerType(), "FIREBIRD");

  // A second success keeps the values of before the first for the close.
  LogIn("admin", "secret");
  ASSERT_EQ(window.pcMain->currentIndex(), 2);
  EXPECT_EQ(window.cbUpdateConf->text(),
            QStringLiteral("Обновление настроек ПОНТАРЕКС (ПОНТАРЕКС не установлена)"));

  window.close();
  EXPECT_EQ(RegistryConnectionString(), before);
  EXPECT_EQ(DecipheredConnectionString(before), kOldConnection);
  EXPECT_EQ(RegistryServerType(), "MSSQL");
  EXPECT_FALSE(window.zodDB->Connected());
}

TEST_F(LoginPageTest, WrongPasswordsAreCountedAndTheThirdClosesTheWindow) {
  ConnectTo(ProductEnvironment::FirebirdDatabase({"3.0.0", "3.1"}));
  LogIn("admin", "Secret");
  LogIn("admin", "");
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Введен неверный пароль"));
  EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Информация"));
  EXPECT_EQ(boxes.shown[0].style, 0x1040u);
  EXPECT_EQ(page().LoginFailures, 2);
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(UpdateTabShown());

  LogIn("admin", "wrong");
  EXPECT_EQ(boxes.shown.size(), 3u);
  EXPECT_FALSE(window.isVisible());
  // No attempt succeeded: the registry was never touched.
  EXPECT_EQ(DecipheredConnectionString(RegistryConnectionString()), kOldConnection);
}

TEST_F(LoginPageTest, ShowingThePageAgainStartsTheCountAfresh) {
  ConnectTo(ProductEnvironment::FirebirdDatabase({"3.0.0", "3.1"}));
  LogIn("admin", "x");
  LogIn("admin", "y");
  window.pcMain->setCurrentIndex(0);
  window.pcMain->setCurrentIndex(1);
  EXPECT_EQ(page().LoginFailures, 0);
  LogIn("admin", "z");
  EXPECT_TRUE(window.isVisible());
}

// Return and keypad Enter press OK wherever the focus is on the page, as on
// a dialog whose default button OK is.
TEST_F(LoginPageTest, ReturnOrEnterOnThePageLogsIn) {
  ConnectTo(ProductEnvironment::FirebirdDatabase({"3.0.0", "3.1"}));
  window.ComboBoxUser->setCurrentIndex(window.ComboBoxUser->findText("admin"));
  window.LabeledEditParol->setText("wrong");
  QTest::keyClick(window.LabeledEditParol, Qt::Key_Return);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Введен неверный пароль"));

  window.LabeledEditParol->setText("secret");
  QTest::keyClick(window.ComboBoxGroup, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(boxes.shown.size(), 1u) << boxes.shown.back().text.toStdString();
  EXPECT_EQ(window.pcMain->currentIndex(), 2);
}

// Coming back to the page after the third was shown: OK checks the user,
// group and password the page shows, not whatever row the list stops on.
TEST_F(LoginPageTest, ThePageComesBackAsItWasLeft) {
  ConnectTo(ProductEnvironment::FirebirdDatabase({"3.0.0", "3.1"}));
  LogIn("admin", "secret");
  ASSERT_EQ(window.pcMain->currentIndex(), 2);
  window.pcMain->setCurrentIndex(1);
  EXPECT_EQ(Items(window.ComboBoxUser), QStringList({"admin", "Ivan", "Ivanov"}));
  EXPECT_EQ(window.ComboBoxUser->currentText(), QStringLiteral("admin"));
  EXPECT_EQ(window.ComboBoxGroup->currentText(), QStringLiteral("Администраторы"));
  EXPECT_EQ(window.LabeledEditParol->text(), QStringLiteral("secret"));
  EXPECT_TRUE(UpdateTabShown());
  window.ButtonOK->click();
  EXPECT_TRUE(boxes.shown.empty()) << boxes.shown[0].text.toStdString();
  EXPECT_EQ(window.pcMain->currentIndex(), 2);
}

// Logging in again from the user tab, as often as the administrator likes:
// each option keeps one reason in its caption, and the window keeps its
// width, so the run button and the progress bar stay on the screen.
TEST_F(LoginPageTest, LoggingInAgainKeepsTheCaptionsAndTheWindowsWidth) {
  ConnectTo(ProductEnvironment::FirebirdDatabase({"3.0.0", "3.1"}));
  LogIn("admin", "secret");
  ASSERT_EQ(window.pcMain->currentIndex(), 2);
  const QStringList captions = {window.cbUpdateDB->text(), window.cbUpdateXML->text(),
                                window.cbUpdateConf->text()};
  ASSERT_EQ(captions[2], QStringLiteral("Обновление настроек ПОНТАРЕКС (ПОНТАРЕКС не установлена)"));
  const int width = window.width();

  for (int again = 0; again < 3; ++again) {
    QTest::mouseClick(window.pcMain->tabBar(), Qt::LeftButton, {},
                      window.pcMain->tabBar()->tabRect(1).center());
    ASSERT_EQ(window.pcMain->currentIndex(), 1);
    window.ButtonOK->click();
    ASSERT_EQ(window.pcMain->currentIndex(), 2);
    EXPECT_EQ(QStringList({window.cbUpdateDB->text(), window.cbUpdateXML->text(),
                           window.cbUpdateConf->text()}),
              captions);
    EXPECT_EQ(window.width(), width);
    for (QWidget* control : {static_cast<QWidget*>(window.bbExecute),
                             static_cast<QWidget*>(window.pbCondition)})
      EXPECT_TRUE(window.tsUpdate->rect().contains(control->geometry()));
  }
  EXPECT_TRUE(boxes.shown.empty()) << boxes.shown[0].text.toStdString();
}

TEST_F(LoginPageTest, AUserWithoutTheAdministrationPrivilegeIsRefused) {
  ConnectTo(ProductEnvironment::FirebirdDatabase({"3.0.0", "3.1"}));
  LogIn("Ivan", "ivan1");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Пользователь не обладает правами администратора"));
  EXPECT_FALSE(page().IsAdmin);
  EXPECT_EQ(page().LoginFailures, 1);
  EXPECT_FALSE(UpdateTabShown());

  // The privilege belongs to the group chosen, not to the user.
  LogIn("admin", "secret", QStringLiteral("Операторы"));
  EXPECT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(page().LoginFailures, 2);
}

class CyrillicPasswordTest : public LoginPageTest,
                             public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(CyrillicPasswordTest, ACyrillicPasswordWorksInTheReleasesStoredForm) {
  ConnectTo(ProductEnvironment::FirebirdDatabase(GetParam()));
  LogIn("Ivanov", QStringLiteral("Пароль№1"), QStringLiteral("Администраторы"));
  ASSERT_TRUE(boxes.shown.empty()) << boxes.shown[0].text.toStdString();
  EXPECT_EQ(window.pcMain->currentIndex(), 2);
  EXPECT_EQ(LoginPassword, classlib::Utf8ToCp1251("Пароль№1"));
  // No stored account: the first page's account is taken and handed back.
  EXPECT_EQ(SqlUserName, "SYSDBA");
  EXPECT_EQ(SqlPassword, kFixtureSysdbaPassword);
  EXPECT_TRUE(window.zodDB->Connected());

  // The same letters in the other case are another password.
  LogIn("Ivanov", QStringLiteral("пароль№1"), QStringLiteral("Администраторы"));
  EXPECT_EQ(boxes.shown.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(BothForms, CyrillicPasswordTest,
                         ::testing::Values(std::vector<std::string>{"2.9.9"},
                                           std::vector<std::string>{"2.9.9", "3.0.0"}));

TEST(StoredFormTest, TheReleaseChoosesTheFormByTextComparison) {
  for (const char* older : {"2.9.9", "10.0.0", ""}) EXPECT_FALSE(UsesEncipheredForms(older));
  for (const char* newer : {"3.0.0", "3.0.1", "4.1"}) EXPECT_TRUE(UsesEncipheredForms(newer));

  const std::string plain = classlib::Utf8ToCp1251("Пароль 'x'");
  const std::string shifted = StoredForm(plain, "2.9.9");
  EXPECT_EQ(shifted.size(), plain.size());
  const std::string coded = StoredForm(plain, "3.0.0");
  EXPECT_EQ(coded.size(), 3 * plain.size());
  EXPECT_EQ(coded.find_first_not_of("0123456789"), std::string::npos);
  EXPECT_EQ(PlainOfStoredForm(shifted, "2.9.9"), plain);
  EXPECT_EQ(PlainOfStoredForm(coded, "3.0.0"), plain);
}

TEST(StoredFormTest, NamesAreQuotedInTheLoginStatements) {
  EXPECT_EQ(AdminPrivilegeQuery("O'Brien"),
            "SELECT COUNT(*) FROM LOGON_GROUP LG, LOGON_PRIVILEGES LP WHERE LG.GUID=LP.GROUP_ID "
            "AND (LG.GROUPNAME='O''Brien') AND (Upper(LP.ACTIONNAME)='ADMINISTRATION')");
  EXPECT_EQ(UserGroupsQuery("{A'B}"),
            "SELECT LG.GROUPNAME, LG.GUID FROM LOGON_GROUP LG, LOGON_LINK LL WHERE "
            "(LG.GUID=LL.GROUP_ID) AND (LL.USER_ID='{A''B}')");
}

}  // namespace
}  // namespace app::testing

namespace app::testing {
namespace {

// In the older form a text's bytes are shifted over the whole range 32..255,
// so at every position one printable character lands on 0x98, the one byte
// code page 1251 leaves undefined: "r" at the first, "k" at the second, "w"
// at the third. Such a stored password must still match, and such a stored
// account must still come back whole.
TEST_F(LoginPageTest, AnOlderFormHoldingTheUndefinedByteStillMatches) {
  ASSERT_EQ(StoredForm("rr", "2.0")[0], '\x98');
  ASSERT_EQ(StoredForm("okay", "2.0")[1], '\x98');
  ASSERT_EQ(StoredForm("pswd", "2.0")[2], '\x98');
  ProductDatabase content = ProductDatabase::Standard({"2.0"});
  content.users[0].password = "rr";
  content.users[2].password = "okay";
  content.users[2].sql_user = "SYSDBA";
  content.users[2].sql_password = "pswd";  // the embedded engine asks for none
  const std::string path = product.File("undefined-byte.fdb");
  CreateFirebirdProductDatabase(path, content);
  ConnectTo(path);

  LogIn("admin", "rr");
  ASSERT_TRUE(boxes.shown.empty()) << boxes.shown[0].text.toStdString();
  EXPECT_EQ(window.pcMain->currentIndex(), 2);

  LogIn("Ivanov", "okay", QStringLiteral("Администраторы"));
  ASSERT_TRUE(boxes.shown.empty()) << boxes.shown[0].text.toStdString();
  EXPECT_EQ(window.pcMain->currentIndex(), 2);
  EXPECT_EQ(SqlPassword, "pswd");
  EXPECT_NE(ProductConnectionString.find("Password=pswd"), std::string::npos)
      << ProductConnectionString;
}

}  // namespace
}  // namespace app::testing

namespace app::testing {
namespace {

// The same login on SQL Server, played by an SQLite file behind the ODBC
// driver; the administrators' group name holds an apostrophe.
TEST_F(LoginPageTest, AnSqlServerLoginPreparesTheUpdateOverItsOwnConnection) {
  SqliteAsSqlServer driver;
  ProductDatabase content = ProductDatabase::Standard({"3.0.1"});
  content.groups[0].name = "O'Brien и компания";
  const std::string path = product.File("product.sqlite");
  CreateSqliteProductDatabase(path, content);

  Choose("MSSQL");
  QTest::keyClicks(window.eUserName, "sa");
  QTest::keyClicks(window.ePassword, "secret");
  window.cbServerName->setEditText("localhost");
  window.eForDB->setText(QString::fromStdString(path));
  window.btnCheckConnection->click();
  ASSERT_TRUE(boxes.shown.empty()) << boxes.shown[0].text.toStdString();
  ASSERT_EQ(window.pcMain->currentIndex(), 1);

  LogIn("admin", "secret");
  ASSERT_TRUE(boxes.shown.empty()) << boxes.shown[0].text.toStdString();
  EXPECT_EQ(window.ComboBoxGroup->currentText(), QStringLiteral("O'Brien и компания"));
  EXPECT_EQ(window.pcMain->currentIndex(), 2);
  EXPECT_EQ(CurrentDBVersion, "3.0.1");
  EXPECT_EQ(NextVersionId, 2);
  EXPECT_TRUE(window.conLX->Connected());
  EXPECT_EQ(window.conLX->ConnectionString(), ProductConnectionString);
  EXPECT_EQ(RegistryServerType(), "MSSQL");
  // The description lists 3.0 and 3.1 only.
  EXPECT_FALSE(window.cbUpdateDB->isEnabled());
  EXPECT_TRUE(window.cbUpdateDB->text().endsWith(
      QStringLiteral("(невозможно провести обновление с версии 3.0.1)")));
}

}  // namespace
}  // namespace app::testing
