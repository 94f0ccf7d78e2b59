// "Выбрать" against a real Firebird database on the embedded engine.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <filesystem>

#include <QSet>
#include <QTest>

#include "app/ado_connection.h"
#include "app/ado_provider.h"
#include "oracle/call_binding.h"
#include "app/run_state.h"
#include "classlib/codepage.h"
#include "testing/product_fixture.h"
#include "app/tests/oracle_standin.h"
#include "app/tests/update_run_support.h"
#include "loopback_server.h"
#include "product_environment.h"
#include "window_fixture.h"

namespace app::testing {
namespace {

class CheckConnectionTest : public WindowTest {
 protected:
  void ChooseLocalFirebird(const std::string& path) {
    Choose("FIREBIRD");
    QTest::keyClicks(window.eUserName, "SYSDBA");
    QTest::keyClicks(window.ePassword, "masterkey");
    window.eForDB->setText(QString::fromStdString(path));
  }
  void PressCheck() { QTest::mouseClick(window.btnCheckConnection, Qt::LeftButton); }
  // FIREBIRD on the server `server` (picked from the list) with SYSDBA and
  // `password`: the lines of the one box "Выбрать" shows.
  QStringList BoxLinesOfFirebirdServer(const QString& server, const char* password) {
    Choose("FIREBIRD");
    window.cbForDB->setChecked(false);
    window.cbServerName->addItem(server);
    window.cbServerName->setCurrentIndex(window.cbServerName->count() - 1);
    QTest::keyClicks(window.eUserName, "SYSDBA");
    QTest::keyClicks(window.ePassword, password);
    window.eForDB->setText(QString::fromStdString(folder.File("product.fdb")));
    PressCheck();
    EXPECT_EQ(window.pcMain->currentIndex(), 0);
    EXPECT_FALSE(UserTabShown());
    if (boxes.shown.size() != 1u) return {};
    return boxes.shown[0].text.split(QStringLiteral("\r\n"));
  }
  // The lines of the one box "Выбрать" shows for an account on `database`;
  // empty when it shows none or more.
  QStringList BoxLinesOfCheck(const char* kind, const char* database) {
    Choose(kind);
    QTest::keyClicks(window.eUserName, "sa");
    QTest::keyClicks(window.ePassword, "x");
    window.eForDB->setText(database);
    PressCheck();
    EXPECT_EQ(window.pcMain->currentIndex(), 0);
    if (boxes.shown.size() != 1u) return {};
    return boxes.shown[0].text.split(QStringLiteral("\r\n"));
  }

  ScratchFolder folder;
};

TEST_F(CheckConnectionTest, AnExistingDatabaseOpensAndLeadsToTheUserPage) {
  const std::string path = folder.File("product.fdb");
  // The user page lists the product's users as it opens.
  CreateFirebirdProductDatabase(path, ProductDatabase::Standard({"3.1"}));
  ChooseLocalFirebird(path);
  PressCheck();

  EXPECT_TRUE(boxes.shown.empty()) << boxes.shown.front().text.toStdString();
  EXPECT_TRUE(window.Con->Connected());
  EXPECT_EQ(window.pcMain->currentIndex(), 1);
  EXPECT_TRUE(UserTabShown());
  EXPECT_TRUE(window.pcMain->isTabEnabled(1));
  EXPECT_FALSE(UpdateTabShown());
  EXPECT_EQ(DBType, "FIREBIRD");
  EXPECT_EQ(BaseUserName, "SYSDBA");
  EXPECT_EQ(BasePassword, "masterkey");
  EXPECT_EQ(BaseConnectionString, window.Con->ConnectionString());
  EXPECT_NE(BaseConnectionString.find(";Location=" + path + ";"), std::string::npos);

  // A second check closes the open connection first.
  PressCheck();
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_TRUE(window.Con->Connected());
}

TEST_F(CheckConnectionTest, AMissingDatabaseShowsTheDriversMessage) {
  const std::string path = folder.File("missing.fdb");
  ChooseLocalFirebird(path);
  const std::string text = window.BuildConnectionString();

  // What the driver says about this string, told by a connection of our own.
  std::string driver_message;
  TADOConnection probe(nullptr);
  probe.SetConnectionString(text);
  try {
    probe.Open();
  } catch (const std::exception& error) {
    driver_message = error.what();
  }
  ASSERT_FALSE(driver_message.empty());

  PressCheck();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Ошибка соединения с базой данных: ") +
                                     QString::fromStdString(classlib::Cp1251ToUtf8(driver_message)));
  EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Ошибка"));
  EXPECT_EQ(boxes.shown[0].style & 0xF0, MB_ICONERROR);
  EXPECT_EQ(window.pcMain->currentIndex(), 0);
  EXPECT_FALSE(UserTabShown());
  EXPECT_FALSE(window.Con->Connected());
  // The run state holds the new choice even so.
  EXPECT_EQ(BaseConnectionString, text);
  EXPECT_EQ(DBType, "FIREBIRD");
}

// No ODBC driver of that name: the box says so first and what to do, then
// gives the driver manager's own words once, one message a line.
TEST_F(CheckConnectionTest, AMissingOdbcDriverIsNamedFirstAndTheDriversWordsFollowALine) {
  ScopedEnv driver(kMssqlOdbcDriverVariable, "NoSuchOdbcDriver");
  const QStringList lines = BoxLinesOfCheck("MSSQL", "product");
  ASSERT_GE(lines.size(), 2);
  EXPECT_TRUE(lines[0].startsWith(QStringLiteral(
      "Ошибка соединения с базой данных: Не найден драйвер ODBC \"NoSuchOdbcDriver\"")))
      << lines[0].toStdString();
  EXPECT_TRUE(lines[0].contains(QStringLiteral("UPDATER_MSSQL_ODBC_DRIVER")));
  EXPECT_EQ(lines[1], QStringLiteral(
                          "[unixODBC][Driver Manager]Can't open lib 'NoSuchOdbcDriver' : file not found"));
  EXPECT_EQ(lines.size(), QSet<QString>(lines.begin(), lines.end()).size()) << "a line repeats";
}

// ORACLE with no client library anywhere: the box names the library, the
// versions it may have and where it is looked for.
TEST_F(CheckConnectionTest, AMissingOracleClientIsNamedWithItsVersionsAndOracleHome) {
  ProductEnvironment product;  // a registry without Oracle homes
  ScopedEnv home("ORACLE_HOME", folder.Path());
  oracle::UnloadOci();
  const QStringList lines = BoxLinesOfCheck("ORACLE", "ORCL");
  ASSERT_EQ(lines.size(), 2);
  EXPECT_TRUE(lines[0].startsWith(
      QStringLiteral("Ошибка соединения с базой данных: Не найдена клиентская библиотека Oracle")));
  EXPECT_TRUE(lines[0].contains(QStringLiteral("от 8.0 до 10.2")));
  EXPECT_TRUE(lines[0].contains(QStringLiteral("ORACLE_HOME")));
  // The layer's own words follow, in Russian: no "OCI DLL" on this system.
  EXPECT_TRUE(lines[1].startsWith(QStringLiteral("Не удалось загрузить клиентскую библиотеку Oracle")))
      << lines[1].toStdString();
  EXPECT_FALSE(lines[1].contains(QStringLiteral("OCI"))) << lines[1].toStdString();
}

// ORACLE_HOME leads to a library that is no Oracle client (zlib, which this
// program has loaded anyway): the box names that file as what it is.
TEST_F(CheckConnectionTest, ALibraryThatIsNoOracleClientIsNamedAsSuch) {
  ProductEnvironment product;
  Dl_info zlib{};
  ASSERT_NE(dladdr(reinterpret_cast<void*>(&zlibVersion), &zlib), 0);
  std::filesystem::create_directories(folder.File("home/lib"));
  const std::string library = folder.File("home/lib/libclntsh.so");
  std::filesystem::create_symlink(zlib.dli_fname, library);
  ScopedEnv home("ORACLE_HOME", folder.File("home"));
  oracle::UnloadOci();
  const QStringList lines = BoxLinesOfCheck("ORACLE", "ORCL");
  oracle::UnloadOci();
  ASSERT_EQ(lines.size(), 2);
  EXPECT_TRUE(lines[0].contains(QStringLiteral("ORACLE_HOME")));
  EXPECT_EQ(lines[1], QStringLiteral("Файл %1 не является клиентской библиотекой Oracle")
                          .arg(QString::fromStdString(library)));
}

// The first page names no file, or a file or server that is not there: the
// box says so in Russian first, then gives the server's words.
TEST_F(CheckConnectionTest, AFileOrServerNotNamedOrNotThereIsSaidInRussianFirst) {
  const auto first_line = [this] {
    PressCheck();
    EXPECT_EQ(boxes.shown.size(), 1u);
    const QString first = boxes.shown.empty() ? QString() : boxes.shown[0].text.split("\r\n")[0];
    boxes.shown.clear();
    EXPECT_EQ(window.pcMain->currentIndex(), 0);
    return first;
  };
  const QString kFailed = QStringLiteral("Ошибка соединения с базой данных: ");
  ChooseLocalFirebird(folder.File("Базы данных/нет.fdb"));
  EXPECT_EQ(first_line(),
            kFailed + QStringLiteral("Файл базы данных не найден: проверьте путь к файлу и имя сервера."));
  window.eForDB->clear();
  window.cbForDB->setChecked(false);
  EXPECT_EQ(first_line(), kFailed + QStringLiteral("Не указаны сервер и файл базы данных."));

  Choose("MSSQL");
  window.cbServerName->setEditText(QStringLiteral("127.0.0.1,1"));  // nobody listens there
  window.eForDB->setText(QStringLiteral("product"));
  const QString unreachable = first_line();
  EXPECT_EQ(unreachable, kFailed + QStringLiteral("Сервер базы данных не отвечает: проверьте имя "
                                                  "сервера и что на нем запущен Microsoft SQL "
                                                  "Server, принимающий соединения по сети."));
}

// A port that answers, but not as a Firebird server this client speaks to:
// the box says so and what to check before the client's own words.
TEST_F(CheckConnectionTest, APortThatIsNoFirebirdServerIsSaidToBeNone) {
  LoopbackServer other(RejectFirebirdConnection);
  const QStringList lines =
      BoxLinesOfFirebirdServer(QStringLiteral("127.0.0.1/%1").arg(other.Port()), "masterkey");
  EXPECT_GE(other.Accepted(), 1);
  ASSERT_GE(lines.size(), 2);
  EXPECT_EQ(lines[0], QStringLiteral("Ошибка соединения с базой данных: По этому адресу отвечает "
                                     "не сервер Firebird или сервер Firebird версии, с которой "
                                     "клиент не работает: проверьте имя сервера и порт."));
  EXPECT_TRUE(lines.contains(QStringLiteral("connection rejected by remote interface")))
      << lines.join('|').toStdString();
}

// A wrong password on a Firebird server: the server's English refusal comes
// after a Russian line that says what to check.
TEST_F(CheckConnectionTest, AWrongPasswordOnAFirebirdServerIsSaidInRussianWithWhatToCheck) {
  if (!LocalFirebirdServerAnswers()) GTEST_SKIP() << kNoFirebirdServer;
  const QStringList lines = BoxLinesOfFirebirdServer(QStringLiteral("localhost"), "wrong");
  ASSERT_GE(lines.size(), 2);
  EXPECT_EQ(lines[0], QStringLiteral("Ошибка соединения с базой данных: Сервер не принял имя "
                                     "пользователя или пароль. Проверьте их, а также раскладку "
                                     "клавиатуры и не включен ли Caps Lock."));
  EXPECT_EQ(lines[1], QStringLiteral("Your user name and password are not defined. Ask your "
                                     "database administrator to set up a Firebird login."));
}

// A SQL Server that refuses the login (error 18456), reached through the
// FreeTDS driver: the same Russian line, then the driver's words.
TEST_F(CheckConnectionTest, AWrongPasswordOnASqlServerIsSaidInRussianWithWhatToCheck) {
  ScopedEnv driver(kMssqlOdbcDriverVariable, "FreeTDS");
  LoopbackServer server(RefuseSqlServerLogin);
  Choose("MSSQL");
  window.cbServerName->setEditText(QStringLiteral("127.0.0.1,%1").arg(server.Port()));
  QTest::keyClicks(window.eUserName, "sa");
  QTest::keyClicks(window.ePassword, "wrong");
  window.eForDB->setText(QStringLiteral("product"));
  PressCheck();
  EXPECT_GE(server.Accepted(), 1);
  EXPECT_EQ(TdsRequestsRefused(), 0) << "the driver sent what the fake server does not read";
  ASSERT_EQ(boxes.shown.size(), 1u);
  const QStringList lines = boxes.shown[0].text.split(QStringLiteral("\r\n"));
  ASSERT_GE(lines.size(), 2);
  EXPECT_EQ(lines[0], QStringLiteral("Ошибка соединения с базой данных: Сервер не принял имя "
                                     "пользователя или пароль. Проверьте их, а также раскладку "
                                     "клавиатуры и не включен ли Caps Lock."));
  EXPECT_TRUE(lines.contains(QStringLiteral("[FreeTDS][SQL Server]Login failed for user 'sa'.")))
      << boxes.shown[0].text.toStdString();
  EXPECT_EQ(window.pcMain->currentIndex(), 0);
}

// ORACLE on the stand-in client library: the network service and account
// of the first page reach the server through the provider.
class OracleCheckConnectionTest : public CheckConnectionTest {
 protected:
  OracleCheckConnectionTest() {
    WriteProductRegistry(ProductInstallation{});
    OracleStandin::WriteHomeToRegistry();
    standin.AddAccount("LEXADMIN", "secret");
    standin.ScriptQuery("SELECT GUID, USERNAME, PAROL, USERNAMESQL, PASSWORDSQL, ROLES, "
                        "DEFGROUPGUID FROM LOGON_USER",
                        "GUID VARCHAR2(38); USERNAME VARCHAR2(40); PAROL VARCHAR2(200); "
                        "USERNAMESQL VARCHAR2(200); PASSWORDSQL VARCHAR2(200); ROLES NUMBER(9); "
                        "DEFGROUPGUID VARCHAR2(38)",
                        "{U1}|admin|x|<null>|<null>|1|<null>\n{U2}|Ivan|y|<null>|<null>|0|<null>");
  }
  void ChooseOracle(const char* password) {
    Choose("ORACLE");
    QTest::keyClicks(window.eUserName, "lexadmin");
    QTest::keyClicks(window.ePassword, password);
    window.eForDB->setText("ORCL");
  }
  std::string RegistryFile() const {
    return FileText(product.File("registry") + "/HKEY_LOCAL_MACHINE.reg");
  }

  ProductEnvironment product;
  OracleStandin standin;
};

TEST_F(OracleCheckConnectionTest, TheServiceAndAccountOpenTheLoginAndListTheUsers) {
  ChooseOracle("secret");
  PressCheck();
  ASSERT_TRUE(boxes.shown.empty()) << boxes.shown.front().text.toStdString();
  EXPECT_TRUE(window.Con->Connected());
  EXPECT_EQ(window.pcMain->currentIndex(), 1);
  EXPECT_EQ(window.ComboBoxUser->count(), 2);
  EXPECT_EQ(window.ComboBoxUser->itemText(1), "Ivan");
  EXPECT_EQ(standin.LogOf("OCIServerAttach"),
            std::vector<std::string>{"OCIServerAttach link=ORCL mode=0"});
  EXPECT_EQ(DBType, "ORACLE");
  EXPECT_FALSE(window.oraSession->Connected()) << "the update's own session waits for the login";
}

TEST_F(OracleCheckConnectionTest, AWrongPasswordShowsTheServersRefusalAndWritesNothing) {
  const std::string registry = RegistryFile();
  ChooseOracle("wrong");
  PressCheck();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text,
            QStringLiteral("Ошибка соединения с базой данных: Сервер не принял имя пользователя "
                           "или пароль. Проверьте их, а также раскладку клавиатуры и не включен "
                           "ли Caps Lock.\r\nORA-01017: invalid username/password; logon denied"));
  EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Ошибка"));
  EXPECT_EQ(window.pcMain->currentIndex(), 0);
  EXPECT_FALSE(UserTabShown());
  EXPECT_FALSE(window.Con->Connected());
  EXPECT_EQ(standin.LogOf("OCISessionBegin").size(), 1u);
  EXPECT_TRUE(standin.LogOf("OCIStmtExecute").empty()) << "nothing reached the tables";
  EXPECT_EQ(RegistryFile(), registry) << "the product's connection key is untouched";
}

}  // namespace
}  // namespace app::testing

namespace app::testing {
namespace {

// With no kind chosen the string names no provider: the user is asked to
// choose the kind instead of reading the data-access layer's complaint.
TEST_F(CheckConnectionTest, WithoutAKindTheUserIsAskedToChooseOne) {
  ASSERT_TRUE(window.btnCheckConnection->isEnabled());
  PressCheck();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Выберите тип базы данных"));
  EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Информация"));
  EXPECT_FALSE(window.Con->Connected());
  EXPECT_EQ(window.pcMain->currentIndex(), 0);
  EXPECT_FALSE(UserTabShown());
}

}  // namespace
}  // namespace app::testing

// Connection mistakes that the servers' client libraries say in English
// only: the window says them in Russian first, with what to check.
namespace app::testing {
namespace {

// Ports that answer, but as other services: one greets in its own protocol,
// reads what the client sends and hangs up; the other hangs up at once.
void AnswerAsAnotherService(int socket) {
  const char greeting[] = "SSH-2.0-OpenSSH_9.2p1\r\n";
  (void)!::write(socket, greeting, sizeof greeting - 1);
  char request[512];
  (void)!::read(socket, request, sizeof request);
}
void HangUpAtOnce(int /*socket*/) {}

TEST_F(CheckConnectionTest, APortThatIsNoSqlServerIsSaidToBeNone) {
  ScopedEnv driver(kMssqlOdbcDriverVariable, "FreeTDS");
  for (void (*service)(int) : {AnswerAsAnotherService, HangUpAtOnce}) {
    LoopbackServer other(service);
    boxes.shown.clear();
    Choose("MSSQL");
    window.cbServerName->setEditText(QStringLiteral("127.0.0.1,%1").arg(other.Port()));
    window.eUserName->setText("sa");
    window.ePassword->setText("x");
    window.eForDB->setText(QStringLiteral("product"));
    PressCheck();
    EXPECT_GE(other.Accepted(), 1);
    ASSERT_EQ(boxes.shown.size(), 1u);
    const QStringList lines = boxes.shown[0].text.split(QStringLiteral("\r\n"));
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("Ошибка соединения с базой данных: По этому адресу отвечает "
                                       "не Microsoft SQL Server: порт принимает соединения, но не "
                                       "отвечает как SQL Server. Проверьте имя сервера и порт (по "
                                       "умолчанию 1433)."))
        << lines.join('|').toStdString();
    EXPECT_EQ(window.pcMain->currentIndex(), 0);
  }
}

TEST_F(OracleCheckConnectionTest, NoListenerIsSaidInRussianWithWhatToCheck) {
  standin.InjectFault("OCIServerAttach", 1, -1, 12541, "ORA-12541: TNS:no listener");
  ChooseOracle("secret");
  PressCheck();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text,
            QStringLiteral("Ошибка соединения с базой данных: Сервер Oracle не отвечает: по адресу "
                           "сетевого сервиса не запущен прослушиватель Oracle (listener). "
                           "Проверьте, что прослушиватель запущен на сервере (lsnrctl status), и "
                           "что сетевой сервис указывает верные имя сервера и порт.\r\n"
                           "ORA-12541: TNS:no listener"));
  EXPECT_EQ(window.pcMain->currentIndex(), 0);
}

TEST_F(OracleCheckConnectionTest, AnUnknownServiceNameIsNamedWithWhereItIsResolved) {
  standin.InjectFault("OCIServerAttach", 1, -1, 12154,
                      "ORA-12154: TNS:could not resolve the connect identifier specified");
  ChooseOracle("secret");
  PressCheck();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text,
            QStringLiteral("Ошибка соединения с базой данных: Сетевой сервис Oracle \"ORCL\" не "
                           "найден: проверьте имя сетевого сервиса, как оно введено, и разрешение "
                           "имен клиента Oracle (файл tnsnames.ora в каталоге network/admin "
                           "клиента или в каталоге из переменной окружения TNS_ADMIN).\r\n"
                           "ORA-12154: TNS:could not resolve the connect identifier specified"));
}

}  // namespace
}  // namespace app::testing
