// What a failed connection says: the driver's messages one a line, each
// once, after a Russian sentence when a client part is missing.
#include <gtest/gtest.h>

#include <QSqlError>

#include "app/ado_connection_errors.h"
#include "classlib/codepage.h"

namespace app::testing {
namespace {

std::string Ansi(const char* utf8) { return classlib::Utf8ToCp1251(utf8); }

// As the ODBC driver manager joins FreeTDS's records: one line, the last
// record twice.
const QString kFreeTdsText = QStringLiteral(
    "[FreeTDS][SQL Server]Unable to connect to data source [FreeTDS][SQL Server]Unable to "
    "connect: Adaptive Server is unavailable or does not exist [FreeTDS][SQL Server]Unable to "
    "connect: Adaptive Server is unavailable or does not exist");

TEST(ConnectionErrorsTest, RecordsRunTogetherComeApartAndRepeatsGo) {
  const QSqlError error(QStringLiteral("QODBC: Невозможно соединиться"), kFreeTdsText,
                        QSqlError::ConnectionError);
  const std::vector<std::string> messages = ConnectionErrorMessages(error);
  EXPECT_EQ(messages.size(), 4u);
  EXPECT_EQ(ConnectionFailureText(MissingClientAdvice("SQLOLEDB.1", "FreeTDS", messages), messages),
            "[FreeTDS][SQL Server]Unable to connect to data source\r\n"
            "[FreeTDS][SQL Server]Unable to connect: Adaptive Server is unavailable or does not "
            "exist\r\n" + Ansi("QODBC: Невозможно соединиться"));

  // Line breaks part messages too; brackets inside a message do not.
  const QSqlError lines(QString(), QStringLiteral(" first [a] word\r\n\r\nsecond "),
                        QSqlError::ConnectionError);
  EXPECT_EQ(ConnectionErrorMessages(lines), (std::vector<std::string>{"first [a] word", "second"}));
}

TEST(ConnectionErrorsTest, AMissingOdbcDriverIsNamedWithWhatToDo) {
  const QSqlError error(QStringLiteral("QODBC: Unable to connect"),
                        QStringLiteral("[unixODBC][Driver Manager]Can't open lib 'tds' : file not "
                                       "found"),
                        QSqlError::ConnectionError);
  const std::vector<std::string> messages = ConnectionErrorMessages(error);
  const std::string advice = MissingClientAdvice("sqloledb.1", "tds", messages);
  EXPECT_EQ(advice.rfind(Ansi("Не найден драйвер ODBC \"tds\""), 0), 0u) << advice;
  EXPECT_NE(advice.find("UPDATER_MSSQL_ODBC_DRIVER"), std::string::npos);
  EXPECT_NE(advice.find("tdsodbc"), std::string::npos);
  EXPECT_EQ(ConnectionFailureText(advice, messages),
            advice + "\r\n[unixODBC][Driver Manager]Can't open lib 'tds' : file not found\r\n"
                     "QODBC: Unable to connect");
  // The same words from another provider, or a server's refusal, get none.
  EXPECT_EQ(MissingClientAdvice("LCPI.IBProvider.2", "tds", messages), "");
  EXPECT_EQ(MissingClientAdvice("SQLOLEDB.1", "tds", {"Login failed for user 'sa'."}), "");
}

TEST(ConnectionErrorsTest, AMissingOrRefusedOracleClientNamesTheVersionsAndOracleHome) {
  for (const char* message :
       {"Cannot load OCI DLL: libclntsh.so", "Cannot find OCI DLL: /opt/ora/lib/libclntsh.so",
        "OCI version 11.2.0.1.0 is not supported"}) {
    const std::string advice = MissingClientAdvice("OraOLEDB.Oracle.1", "FreeTDS", {message});
    EXPECT_NE(advice.find(Ansi("от 8.0 до 10.2")), std::string::npos) << message;
    EXPECT_NE(advice.find("ORACLE_HOME"), std::string::npos) << message;
    EXPECT_EQ(ConnectionFailureText(advice, {message}), advice + "\r\n" + message);
  }
  EXPECT_EQ(MissingClientAdvice("OraOLEDB.Oracle.1", "FreeTDS",
                                {"ORA-01017: invalid username/password; logon denied"}),
            "");
}

}  // namespace
}  // namespace app::testing
