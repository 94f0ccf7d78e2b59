// What a failed connection says: the driver's messages one a line, each
// once, after a Russian sentence when the cause is known.
#include <gtest/gtest.h>

#include <QSqlError>

#include "app/ado_connection_errors.h"
#include "app/val_list.h"
#include "classlib/codepage.h"

namespace app::testing {
namespace {

std::string Ansi(const char* utf8) { return classlib::Utf8ToCp1251(utf8); }

TValList Pairs(const char* provider, const char* data_source = "srv") {
  TValList pairs;
  pairs.SetValue("Provider", provider);
  pairs.SetValue("Data Source", data_source);
  return pairs;
}

// What the driver reports for a connection, read as the window reads it.
std::string Failure(const TValList& pairs, const QString& database_text,
                    const QString& driver_text) {
  const std::vector<std::string> messages = ConnectionErrorMessages(
      QSqlError(driver_text, database_text, QSqlError::ConnectionError));
  return ConnectionFailureText(
      ConnectionFailureAdvice(pairs, "FreeTDS", messages, TAccountOrigin::kTyped), messages);
}

// As the ODBC driver manager joins FreeTDS's records: one line, the last
// record twice.
const QString kFreeTdsText = QStringLiteral(
    "[FreeTDS][SQL Server]Unable to connect to data source [FreeTDS][SQL Server]Unable to "
    "connect: Adaptive Server is unavailable or does not exist [FreeTDS][SQL Server]Unable to "
    "connect: Adaptive Server is unavailable or does not exist");

TEST(ConnectionErrorsTest, RecordsRunTogetherComeApartRepeatsAndTheQtDriversNameGo) {
  const QSqlError error(QStringLiteral("QODBC: Невозможно соединиться"), kFreeTdsText,
                        QSqlError::ConnectionError);
  const std::vector<std::string> messages = ConnectionErrorMessages(error);
  EXPECT_EQ(messages.size(), 4u);
  EXPECT_EQ(ConnectionFailureText("", messages),
            "[FreeTDS][SQL Server]Unable to connect to data source\r\n"
            "[FreeTDS][SQL Server]Unable to connect: Adaptive Server is unavailable or does not "
            "exist\r\n" + Ansi("Невозможно соединиться"));

  // Line breaks part messages too; brackets inside a message do not.
  const QSqlError lines(QString(), QStringLiteral(" first [a] word\r\n\r\nsecond "),
                        QSqlError::ConnectionError);
  EXPECT_EQ(ConnectionErrorMessages(lines), (std::vector<std::string>{"first [a] word", "second"}));
  EXPECT_EQ(ConnectionErrorMessages("QIBASE: Error opening database\r\nI/O error"),
            (std::vector<std::string>{"Error opening database", "I/O error"}));
}

TEST(ConnectionErrorsTest, AMissingOdbcDriverIsNamedWithWhatToDo) {
  const std::vector<std::string> messages = ConnectionErrorMessages(QSqlError(
      QStringLiteral("QODBC: Unable to connect"),
      QStringLiteral("[unixODBC][Driver Manager]Can't open lib 'tds' : file not found"),
      QSqlError::ConnectionError));
  const std::string advice =
      ConnectionFailureAdvice(Pairs("sqloledb.1"), "tds", messages, TAccountOrigin::kTyped);
  EXPECT_EQ(advice.rfind(Ansi("Не найден драйвер ODBC \"tds\""), 0), 0u) << advice;
  EXPECT_NE(advice.find("UPDATER_MSSQL_ODBC_DRIVER"), std::string::npos);
  EXPECT_NE(advice.find("tdsodbc"), std::string::npos);
  EXPECT_EQ(ConnectionFailureText(advice, messages),
            advice + "\r\n[unixODBC][Driver Manager]Can't open lib 'tds' : file not found\r\n"
                     "Unable to connect");
  // The same words from another provider get none.
  EXPECT_EQ(
      ConnectionFailureAdvice(Pairs("LCPI.IBProvider.2"), "tds", messages, TAccountOrigin::kTyped),
      "");
}

// The texts Firebird's client gives, as Qt's driver joins them.
TEST(ConnectionErrorsTest, FirebirdsKnownCausesAreSaidInRussianFirst) {
  const auto io_error = [](const char* file) {
    return QStringLiteral("I/O error during \"open\" operation for file \"%1\" - Error while "
                          "trying to open file - No such file or directory")
        .arg(QString::fromUtf8(file));
  };
  const struct {
    QString text;
    const char* advice;
  } cases[] = {
      {io_error("/srv/db/x.fdb"), "Файл базы данных не найден: проверьте путь к файлу и имя сервера."},
      {io_error("/srv/Базы данных/x.fdb"),
       "Файл базы данных не найден: проверьте путь к файлу и имя сервера."},
      {io_error(":"), "Не указаны сервер и файл базы данных."},
      {io_error(""), "Не указан файл базы данных."},
      {io_error("srv:"), "Не указан файл базы данных."},
      {io_error(":/srv/db/x.fdb"), "Не указан сервер базы данных."},
      {QStringLiteral("Unable to complete network request to host \"127.0.0.1\". - Failed to "
                      "establish a connection."),
       "Сервер базы данных не отвечает: проверьте имя сервера и что на нем запущен сервер "
       "Firebird."},
      {QStringLiteral("connection rejected by remote interface"),
       "По этому адресу отвечает не сервер Firebird или сервер Firebird версии, с которой клиент "
       "не работает: проверьте имя сервера и порт."},
  };
  for (const auto& c : cases) {
    const std::string text =
        Failure(Pairs("LCPI.IBProvider.2"), c.text, QStringLiteral("Error opening database"));
    EXPECT_EQ(text, Ansi(c.advice) + "\r\n" + Ansi(c.text.toUtf8().constData()) +
                        "\r\nError opening database");
  }
}

TEST(ConnectionErrorsTest, ASqlServerThatDoesNotAnswerOrIsNotNamedIsSaidSo) {
  const std::string unreachable =
      Failure(Pairs("SQLOLEDB.1", "10.0.0.1"), kFreeTdsText, QStringLiteral("QODBC: Unable to connect"));
  EXPECT_EQ(unreachable.substr(0, unreachable.find('\r')),
            Ansi("Сервер базы данных не отвечает: проверьте имя сервера и что на нем запущен "
                 "Microsoft SQL Server, принимающий соединения по сети."));
  const std::string unnamed = Failure(
      Pairs("SQLOLEDB.1", ""),
      kFreeTdsText + QStringLiteral(" [FreeTDS][SQL Server]Unknown host machine name."), QString());
  EXPECT_EQ(unnamed.substr(0, unnamed.find('\r')), Ansi("Не указан сервер базы данных."));
  EXPECT_EQ(unnamed.find("QODBC"), std::string::npos);
}

// The Oracle layer's English about its client library is said in Russian,
// after the advice on what to install.
TEST(ConnectionErrorsTest, AMissingOrRefusedOracleClientIsSaidInRussianWithWhatToDo) {
  const struct {
    const char* layer;
    const char* shown;
  } cases[] = {
      {"Cannot load OCI DLL: libclntsh.so (not found)",
       "Не удалось загрузить клиентскую библиотеку Oracle libclntsh.so (not found)"},
      {"Cannot find OCI DLL: /opt/ora/lib/libclntsh.so",
       "Не найдена клиентская библиотека Oracle /opt/ora/lib/libclntsh.so"},
      {"Cannot find OCI DLL: in OraHome92", "Не найдена клиентская библиотека Oracle установки OraHome92"},
      {"OCI version 11.2.0.1.0 is not supported",
       "Версия 11.2.0.1.0 клиентской библиотеки Oracle не поддерживается"},
      {"Not an Oracle client library: /usr/lib/libz.so.1",
       "Файл /usr/lib/libz.so.1 не является клиентской библиотекой Oracle"},
  };
  for (const auto& c : cases) {
    const std::string text =
        Failure(Pairs("OraOLEDB.Oracle.1"), QString(), QString::fromUtf8(c.layer));
    const std::size_t line_end = text.find("\r\n");
    ASSERT_NE(line_end, std::string::npos) << c.layer;
    EXPECT_NE(text.find(Ansi("от 8.0 до 10.2")), std::string::npos) << c.layer;
    EXPECT_LT(text.find("ORACLE_HOME"), line_end) << c.layer;
    EXPECT_EQ(text.substr(line_end + 2), Ansi(c.shown));
    EXPECT_EQ(text.find("OCI"), std::string::npos) << text;
  }
}

// Each server's refusal of a user name or password, as its driver reports
// it: the Russian line says what to do about whose account it was, then the
// server's own words follow.
TEST(ConnectionErrorsTest, ARefusedUserNameOrPasswordIsSaidInRussianWithWhatToDo) {
  const struct {
    const char* provider;
    QString database_text;
    QString driver_text;
  } cases[] = {
      {"LCPI.IBProvider.2",
       QStringLiteral("Your user name and password are not defined. Ask your database "
                      "administrator to set up a Firebird login."),
       QStringLiteral("QIBASE: Error opening database")},
      {"OraOLEDB.Oracle.1", QString(),
       QStringLiteral("ORA-01017: invalid username/password; logon denied")},
      {"SQLOLEDB.1", QStringLiteral("[FreeTDS][SQL Server]Login failed for user 'sa'."),
       QStringLiteral("QODBC: Unable to connect")},
  };
  const std::string typed = Ansi(
      "Сервер не принял имя пользователя или пароль. Проверьте их, а также раскладку клавиатуры "
      "и не включен ли Caps Lock.");
  const std::string stored = Ansi(
      "Сервер не принял имя пользователя или пароль базы данных, сохраненные для пользователя "
      "продукта. Обратитесь к администратору.");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.provider);
    const std::vector<std::string> messages = ConnectionErrorMessages(
        QSqlError(c.driver_text, c.database_text, QSqlError::ConnectionError));
    EXPECT_TRUE(SaysLoginRefused(messages));
    EXPECT_EQ(Failure(Pairs(c.provider), c.database_text, c.driver_text),
              ConnectionFailureText(typed, messages));
    EXPECT_EQ(ConnectionFailureAdvice(Pairs(c.provider), "FreeTDS", messages,
                                      TAccountOrigin::kStored),
              stored);
  }
  // Without a known provider the words stay the server's own.
  EXPECT_EQ(ConnectionFailureAdvice(Pairs("Other.1"), "FreeTDS", {"ORA-01017: x"},
                                    TAccountOrigin::kTyped),
            "");
  EXPECT_FALSE(SaysLoginRefused({"ORA-12154: TNS:could not resolve the connect identifier"}));
}

// A port that answers but is no SQL Server: FreeTDS may add that the
// server is unavailable, yet the port's answer is what tells the cause.
TEST(ConnectionErrorsTest, APortThatIsNoSqlServerIsToldBeforeAnUnavailableServer) {
  const std::string text = Failure(
      Pairs("SQLOLEDB.1", "srv,22"),
      QStringLiteral("[FreeTDS][SQL Server]Unable to connect to data source "
                     "[FreeTDS][SQL Server]Unexpected EOF from the server "
                     "[FreeTDS][SQL Server]Unable to connect: Adaptive Server is unavailable or "
                     "does not exist"),
      QStringLiteral("QODBC: Unable to connect"));
  EXPECT_EQ(text.substr(0, text.find('\r')),
            Ansi("По этому адресу отвечает не Microsoft SQL Server: порт принимает соединения, но "
                 "не отвечает как SQL Server. Проверьте имя сервера и порт (по умолчанию 1433)."));
  EXPECT_NE(text.find("\r\n[FreeTDS][SQL Server]Unexpected EOF from the server\r\n"),
            std::string::npos);
}

// Oracle's two commonest mistakes, as the layer reports them.
TEST(ConnectionErrorsTest, NoListenerAndAnUnknownServiceAreSaidInRussianFirst) {
  const std::string no_listener = Failure(Pairs("OraOLEDB.Oracle.1", "orcl"), QString(),
                                          QStringLiteral("ORA-12541: TNS:no listener"));
  EXPECT_EQ(no_listener.rfind(Ansi("Сервер Oracle не отвечает: "), 0), 0u) << no_listener;
  EXPECT_NE(no_listener.find("lsnrctl"), std::string::npos);
  const std::string unknown = Failure(
      Pairs("OraOLEDB.Oracle.1", "orcl"), QString(),
      QStringLiteral("ORA-12154: TNS:could not resolve the connect identifier specified"));
  EXPECT_EQ(unknown.rfind(Ansi("Сетевой сервис Oracle \"orcl\" не найден"), 0), 0u) << unknown;
  EXPECT_NE(unknown.find("tnsnames.ora"), std::string::npos);
  // Another code keeps the server's words alone.
  EXPECT_EQ(ConnectionFailureAdvice(Pairs("OraOLEDB.Oracle.1"), "FreeTDS",
                                    {"ORA-12514: TNS:listener does not currently know of service"},
                                    TAccountOrigin::kTyped),
            "");
}

}  // namespace
}  // namespace app::testing
